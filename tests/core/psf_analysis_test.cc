#include "psf/psf_analysis.h"

#include <gtest/gtest.h>

#include <memory>

namespace vn {
namespace {

constexpr int kRadius = 20, kAzimuths = 8;

AnalysisSetup setup(double gratingAngle = 0.0) {
    AnalysisSetup s;
    s.radius = kRadius;
    s.azimuths = kAzimuths;
    s.gratingAngle = gratingAngle;
    return s;
}

// A grid whose PSF value at (r, i) is 1000 r + i, so that every read names
// its cell.
std::unique_ptr<PsfGrid> labelledGrid() {
    auto g = std::make_unique<PsfGrid>();
    for (int r = 0; r <= kRadius; ++r)
        for (int i = 0; i < kAzimuths; ++i) g->at(r, i, 1) = 1000.0 * r + i;
    return g;
}

TEST(PsfAnalysis, NeighbourReadersCrossTheCentreAndWrapTheAzimuth) {
    auto g = labelledGrid();
    GridReader reader(*g, kRadius, kAzimuths, 1);
    reader.direction = 1;
    EXPECT_EQ(reader.GetIVori(5, 2), 4002.0);
    EXPECT_EQ(reader.GetINachi(5, 2), 6002.0);
    // Walking outwards through the centre: behind it lies the other side.
    EXPECT_EQ(reader.GetIVori(0, 1), 1005.0);
    EXPECT_EQ(reader.GetIVori(0, 6), 1002.0);
    reader.direction = -1;
    EXPECT_EQ(reader.GetIVori(5, 2), 6002.0);
    EXPECT_EQ(reader.GetINachi(5, 2), 4002.0);
    // Walking inwards through the centre: ahead lies the other side.
    EXPECT_EQ(reader.GetINachi(0, 3), 1007.0);
    EXPECT_EQ(reader.GetIVorj(4, kAzimuths - 1), 4000.0);
    EXPECT_EQ(reader.GetINachj(4, 0), 4000.0 + kAzimuths - 1);
    EXPECT_EQ(reader.GetIVorj(4, 3), 4004.0);
    EXPECT_EQ(reader.GetINachj(4, 3), 4002.0);
}

TEST(PsfAnalysis, MinimumNeedsAOnePercentMarginAndHoldsAtTheRim) {
    auto g = std::make_unique<PsfGrid>();
    for (int r = 0; r <= kRadius; ++r)
        for (int i = 0; i < kAzimuths; ++i) g->at(r, i, 1) = 1.0;
    GridReader reader(*g, kRadius, kAzimuths, 1);
    g->at(7, 3, 1) = 0.995;  // 0.5 % below its neighbours: not a minimum
    EXPECT_FALSE(reader.Minimum(7, 3));
    g->at(7, 3, 1) = 0.98;
    EXPECT_TRUE(reader.Minimum(7, 3));
    // Along the walk only: the ring dips at radius 9 on every azimuth.
    for (int i = 0; i < kAzimuths; ++i) g->at(9, i, 1) = 0.5;
    EXPECT_TRUE(reader.Minimum(9, 0));
    EXPECT_FALSE(reader.Minimum(10, 0));
    EXPECT_TRUE(reader.Minimum(kRadius, 0));
    EXPECT_TRUE(reader.Minimum(kRadius + 3, 0));
}

TEST(PsfAnalysis, PeakIsTheFirstOfEqualValues) {
    auto g = std::make_unique<PsfGrid>();
    g->at(3, 5, 1) = 2.0;
    g->at(3, 6, 1) = 2.0;
    g->at(4, 0, 1) = 2.0;
    PsfAnalysis a;
    findPeak(*g, kRadius, kAzimuths, a);
    EXPECT_EQ(a.peak, 2.0);
    EXPECT_EQ(a.peakRadius, 3);
    EXPECT_EQ(a.peakAzimuth, 5);
}

TEST(PsfAnalysis, GratingAtNinetyDegreesReadsTheGridUnturned) {
    // A PSF stretched along azimuths 0 and 4 (a line through the centre): the
    // grating at 90 degrees reads column a for grating azimuth a, at 0 degrees
    // the column a quarter turn on. Turning the PSF by a quarter turn instead
    // gives the same curves.
    auto line = std::make_unique<PsfGrid>();
    auto turned = std::make_unique<PsfGrid>();
    for (int r = 0; r <= kRadius; ++r)
        for (int i = 0; i < kAzimuths; ++i) {
            const double v = (i % 4 == 0 ? 1.0 : 0.01) / (1.0 + r);
            line->at(r, i, 1) = v;
            turned->at(r, (i + 2) % kAzimuths, 1) = v;
        }
    WorkerPool pool(1);
    PsfAnalysis a = analysePsf(*line, setup(90.0), pool);
    PsfAnalysis b = analysePsf(*turned, setup(0.0), pool);
    PsfAnalysis c = analysePsf(*line, setup(0.0), pool);
    for (int j = 0; j < kMtfFrequencies; ++j) {
        EXPECT_FLOAT_EQ(a.mtf[static_cast<size_t>(j)], b.mtf[static_cast<size_t>(j)]) << j;
        EXPECT_EQ(a.ptf[static_cast<size_t>(j)], b.ptf[static_cast<size_t>(j)]) << j;
    }
    // Across the line the grating sees less modulation loss than along it.
    EXPECT_GT(c.mtf[10], a.mtf[10]);
}

}  // namespace
}  // namespace vn

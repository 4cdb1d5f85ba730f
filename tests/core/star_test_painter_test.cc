#include "psf/star_test_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "spot_test_support.h"
#include "test_systems.h"
#include "ui/recording_canvas.h"

namespace vn {
namespace {

// The brightest grey of the rectangles inside the box [x0, x1) x [y0, y1).
int brightestIn(const RecordingCanvas& canvas, int x0, int x1, int y0, int y1) {
    int best = -1;
    for (const DrawCommand& c : canvas.commands())
        if (c.kind == DrawCommand::Kind::FillRect && c.points[0].x >= x0 && c.points[1].x <= x1 &&
            c.points[0].y >= y0 && c.points[1].y <= y1)
            best = std::max(best, greenOf(c.colour));
    return best;
}

std::vector<std::string> texts(const RecordingCanvas& canvas) {
    std::vector<std::string> out;
    for (const DrawCommand& c : canvas.commands())
        if (c.kind == DrawCommand::Kind::Text) out.push_back(c.text);
    return out;
}

TEST(StarTestPainter, LabelsAreGerman) {
    EXPECT_EQ(starTestLabel(-8.0),
              "intrafokal \u2212"
              "8 \u03bb");
    EXPECT_EQ(starTestLabel(0.0), "Fokus");
    EXPECT_EQ(starTestLabel(2.5, ','), "extrafokal +2,5 \u03bb");
}

TEST(StarTestPainter, DrawsTheRowSideBySide) {
    auto ws = test::spotsFor(test::mirror(-1.0), test::withSettings(2), 0.0);
    StarTestResult result;
    StarTestWork work;
    ASSERT_TRUE(computeStarTest(*ws, {}, result, work).ok);
    const StarTestLook look{900, 260, false, ','};
    RecordingCanvas linear(look.width, look.height);
    paintStarTest(result, look, linear);
    const std::vector<std::string> labels = texts(linear);
    ASSERT_EQ(labels.size(), 6u);  // the title and five labels
    EXPECT_NE(labels[0].find("linear"), std::string::npos);
    EXPECT_NE(labels[0].find("0,5461"), std::string::npos);
    EXPECT_EQ(labels[1],
              "intrafokal \u2212"
              "8 \u03bb");
    EXPECT_EQ(labels[3], "Fokus");
    EXPECT_EQ(labels[5], "extrafokal +8 \u03bb");
    // Tiles of (900 - 20 - 40) / 5 = 168 pixels, limited by the height to
    // 260 - 20 - 46 = 194: each image reaches white (its own peak) inside
    // its tile, and nothing is drawn between the tiles' edges.
    const int t = 168, x0 = (900 - (5 * t + 40)) / 2, y0 = 34;
    for (int i = 0; i < 5; ++i) {
        const int x = x0 + i * (t + 10);
        EXPECT_EQ(brightestIn(linear, x, x + t, y0, y0 + t), 254) << i;
    }
    // The logarithmic map lifts the faint fringes: more pixels are lit.
    RecordingCanvas log(look.width, look.height);
    paintStarTest(result, {900, 260, true, ','}, log);
    EXPECT_NE(texts(log)[0].find("logarithmisch"), std::string::npos);
    EXPECT_GT(log.commands().size(), linear.commands().size());
}

TEST(StarTestPainter, EmptyResultSaysSo) {
    RecordingCanvas canvas(400, 200);
    paintStarTest(StarTestResult{}, {400, 200, false, '.'}, canvas);
    ASSERT_EQ(texts(canvas).size(), 1u);
    EXPECT_EQ(texts(canvas)[0], "Kein Sterntest berechnet.");
}

}  // namespace
}  // namespace vn

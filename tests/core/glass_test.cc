#include "model/glass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/glass_sources.h"
#include "model/number_format.h"

namespace vn {
namespace {

// The published indices were evaluated in 50-digit arithmetic and printed
// with 9 decimals: half a unit of the last decimal plus double rounding.
constexpr double kPrintedIndexTolerance = 6e-10;
// Makers publish nd to 5 decimals and vd to 2; the source data was checked
// against them with these tolerances.
constexpr double kPublishedNdTolerance = 1e-5;
constexpr double kPublishedVdTolerance = 0.02;
// Two evaluations of the same closed form in double precision.
constexpr double kRoundingTolerance = 1e-12;

const std::string kSources = VARNISTRALE_TEST_DATA_DIR "/glass-sources";

double cell(const CsvTable& t, std::size_t row, const char* column) {
    const int c = t.column(column);
    EXPECT_GE(c, 0) << column;
    if (c < 0) return std::nan("");
    return fmt::parseNumber(t.rows[row][static_cast<std::size_t>(c)]).value_or(std::nan(""));
}

GlassCoefficients coefficients(const CsvTable& t, std::size_t row,
                               const std::array<const char*, 6>& columns) {
    GlassCoefficients k{};
    for (std::size_t i = 0; i < 6; ++i) k[i] = cell(t, row, columns[i]);
    return k;
}

constexpr std::array<const char*, 6> kSellmeierColumns = {"B1",     "B2",     "B3",
                                                          "C1_um2", "C2_um2", "C3_um2"};
constexpr std::array<const char*, 6> kPowerSeriesColumns = {"A0", "A1", "A2", "A3", "A4", "A5"};

TEST(DispersionFormulas, SellmeierReproducesPublishedIndicesOfEveryGlass) {
    CsvReadResult csv = readCsvTable(kSources + "/glasses.csv");
    ASSERT_TRUE(csv.error.empty()) << csv.error;
    ASSERT_EQ(csv.table.rows.size(), 62u);
    const std::array<std::pair<const char*, double>, 7> lines = {{{"n_e", kLineE},
                                                                  {"n_d", kLineD},
                                                                  {"n_Fprime", kLineFPrime},
                                                                  {"n_Cprime", kLineCPrime},
                                                                  {"n_F", kLineF},
                                                                  {"n_C", kLineC},
                                                                  {"n_g", 0.4358343}}};
    for (std::size_t row = 0; row < csv.table.rows.size(); ++row) {
        const GlassCoefficients k = coefficients(csv.table, row, kSellmeierColumns);
        for (const auto& [column, lambda] : lines)
            EXPECT_NEAR(indexFromSquared(sellmeierIndexSquared(k, lambda)),
                        cell(csv.table, row, column), kPrintedIndexTolerance)
                << csv.table.rows[row][0] << " " << column;
    }
}

TEST(DispersionFormulas, PowerSeriesReproducesPublishedHoyaData) {
    CsvReadResult csv = readCsvTable(kSources + "/hoya_power_series.csv");
    ASSERT_TRUE(csv.error.empty()) << csv.error;
    ASSERT_EQ(csv.table.rows.size(), 5u);
    for (std::size_t row = 0; row < csv.table.rows.size(); ++row) {
        const GlassCoefficients k = coefficients(csv.table, row, kPowerSeriesColumns);
        const auto n = [&](double lambda) {
            return indexFromSquared(powerSeriesIndexSquared(k, lambda));
        };
        const double nd = n(kLineD);
        EXPECT_NEAR(nd, cell(csv.table, row, "nd_published"), kPublishedNdTolerance)
            << csv.table.rows[row][0];
        EXPECT_NEAR((nd - 1.0) / (n(kLineF) - n(kLineC)), cell(csv.table, row, "vd_published"),
                    kPublishedVdTolerance)
            << csv.table.rows[row][0];
    }
}

// N-BK7 (SCHOTT) and its indices at C', F' and e from the published table.
constexpr GlassCoefficients kNBK7 = {1.03961212,    0.231792344,  1.01046945,
                                     0.00600069867, 0.0200179144, 103.560653};
constexpr std::array<double, 3> kPrimeLines = {kLineCPrime, kLineFPrime,
                                               kLineE};  // red, blue, green
constexpr std::array<double, 3> kNBK7AtPrimeLines = {1.514719311, 1.522829239, 1.518721971};
// HOYA BSC7, power series; published nd 1.51680.
constexpr GlassCoefficients kBSC7 = {2.2702566,      -0.0091988101, 0.011609706,
                                     -7.6123911e-05, 2.8558727e-05, -1.2566486e-06};

Surface glassSurface(std::string medium, const GlassCoefficients& k, double sign) {
    Surface s;
    s.medium = std::move(medium);
    s.coef = k;
    s.n = {sign * 1.7, sign * 1.7, sign * 1.7};
    return s;
}

TEST(RecomputeIndices, SellmeierKeepsTheDirectionOfTravel) {
    for (const char* tag : {"Sel", "Dsp"}) {
        for (double sign : {1.0, -1.0}) {
            Surface s = glassSurface(std::string("S     N-BK7          ") + tag, kNBK7, sign);
            RecomputeIndices(s, kPrimeLines);
            for (std::size_t c = 0; c < 3; ++c)
                EXPECT_NEAR(s.n[c], sign * kNBK7AtPrimeLines[c], kPrintedIndexTolerance)
                    << tag << " sign " << sign << " colour " << c + 1;
        }
    }
}

TEST(RecomputeIndices, PowerSeriesWinsWhenBothTagsAppear) {
    const std::array<double, 3> dLine = {kLineD, kLineD, kLineD};
    for (const char* medium : {"H BSC7 Sel Cau", "Dsp Schott BSC7", "BSC7 Cau"}) {
        Surface s = glassSurface(medium, kBSC7, -1.0);
        RecomputeIndices(s, dLine);
        for (double n : s.n) EXPECT_NEAR(n, -1.51680, kPublishedNdTolerance) << medium;
    }
}

TEST(RecomputeIndices, TabulatedAirAndUntaggedMediaAreLeftAlone) {
    for (const char* medium : {"S     N-BK7 tab      n/L", "Luft", "Glas ohne Formel", ""}) {
        Surface s = glassSurface(medium, kNBK7, -1.0);
        RecomputeIndices(s, kPrimeLines);
        for (double n : s.n) EXPECT_DOUBLE_EQ(n, -1.7) << medium;
    }
}

TEST(RecomputeIndices, ColourWithoutRealIndexKeepsItsPreviousIndex) {
    // Blue (F') sits exactly on the pole of the only Sellmeier term; red and
    // green are still recomputed.
    const double poleL = kLineFPrime * kLineFPrime;
    Surface s = glassSurface("Sel", {1.0, 0, 0, poleL, 0, 0}, -1.0);
    RecomputeIndices(s, kPrimeLines);
    EXPECT_DOUBLE_EQ(s.n[1], -1.7);
    for (std::size_t c : {0u, 2u}) {
        const double L = kPrimeLines[c] * kPrimeLines[c];
        EXPECT_NEAR(s.n[c], -std::sqrt(1.0 + L / (L - poleL)), kRoundingTolerance)
            << "colour " << c + 1;
    }

    // A power series with n^2 < 0 everywhere changes nothing.
    Surface negative = glassSurface("Cau", {-1.0, 0, 0, 0, 0, 0}, 1.0);
    RecomputeIndices(negative, kPrimeLines);
    for (double n : negative.n) EXPECT_DOUBLE_EQ(n, 1.7);
}

}  // namespace
}  // namespace vn

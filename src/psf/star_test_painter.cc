#include "psf/star_test_painter.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/number_format.h"

namespace vn {
namespace {

constexpr int kMargin = 10;
constexpr int kGap = 10;
constexpr int kHeader = 24;  // the title line above the tiles
constexpr int kLabel = 22;   // the label line under them
constexpr int kTextSize = 9;

// A number of waves as the labels write it: whole numbers without decimals.
std::string waves(double value, char separator) {
    return fmt::general(std::fabs(value), 4, separator);
}

// The mean intensity of the image pixels that fall on each tile pixel, rows
// from the top (u_y largest) down; the tile shows the square of half-width
// `half` image pixels around the image centre.
void tileValues(const StarTestImage& image, int M, double half, int t, std::vector<double>& v) {
    v.assign(static_cast<size_t>(t) * static_cast<size_t>(t), 0.0);
    const double step = 2.0 * half / t;
    const double first = M / 2.0 - half;
    for (int r = 0; r < t; ++r) {
        // Screen row r covers image rows from the top of the square downwards.
        const int a1 = static_cast<int>(std::floor(M / 2.0 + half - r * step));
        const int a0 =
            std::min(a1 - 1, static_cast<int>(std::floor(M / 2.0 + half - (r + 1) * step)));
        for (int c = 0; c < t; ++c) {
            const int b0 = static_cast<int>(std::floor(first + c * step));
            const int b1 = std::max(b0 + 1, static_cast<int>(std::floor(first + (c + 1) * step)));
            double sum = 0.0;
            int count = 0;
            for (int a = std::max(a0, 0); a < std::min(a1, M); ++a)
                for (int b = std::max(b0, 0); b < std::min(b1, M); ++b) {
                    sum += image.intensity[static_cast<size_t>(a) * M + static_cast<size_t>(b)];
                    ++count;
                }
            v[static_cast<size_t>(r) * t + static_cast<size_t>(c)] = count ? sum / count : 0.0;
        }
    }
}

// Palette index 0..127 of a value against the tile's peak.
int greyIndex(double value, double peak, bool logarithmic) {
    if (!(peak > 0.0) || !(value > 0.0)) return 0;
    double level = value / peak;
    if (logarithmic) level = 1.0 + std::log10(level) / kStarTestDecades;
    return static_cast<int>(std::lround(std::clamp(level, 0.0, 1.0) * 127.0));
}

}  // namespace

std::string starTestLabel(double defocusWaves, char separator) {
    if (defocusWaves == 0.0) return "Fokus";
    if (defocusWaves < 0.0) return "intrafokal \u2212" + waves(defocusWaves, separator) + " \u03bb";
    return "extrafokal +" + waves(defocusWaves, separator) + " \u03bb";
}

void paintStarTest(const StarTestResult& result, const StarTestLook& look, Canvas& canvas) {
    using namespace star_test_colour;
    canvas.fillRect({0, 0}, {look.width, look.height}, background);
    const int n = static_cast<int>(result.images.size());
    if (n == 0 || result.size == 0) {
        canvas.text({kMargin, kMargin}, "Kein Sterntest berechnet.", kTextSize, text);
        return;
    }
    const int M = result.size;
    const double half = std::clamp(result.lightRadius, 1.0, M / 2.0);

    const double fieldUm = 2.0 * half * result.pixelUm;
    const double fieldArcsec = 2.0 * half * result.pixelArcsec;
    canvas.text({kMargin, kMargin / 2},
                "Sterntest   \u03bb = " + fmt::fixed(result.wavelength, 4, 4, look.separator) +
                    " \u00b5m   Bildfeld " + fmt::general(fieldUm, 4, look.separator) +
                    " \u00b5m = " + fmt::general(fieldArcsec, 3, look.separator) + "\u2033   " +
                    (look.logarithmic ? "logarithmisch" : "linear"),
                kTextSize, text);

    const int across = (look.width - 2 * kMargin - (n - 1) * kGap) / n;
    // The warning about an undersampled row gets a line of its own under the
    // labels.
    const int down = look.height - 2 * kMargin - kHeader - kLabel - (result.undersampled ? 14 : 0);
    const int t = std::min(across, down);
    if (t >= 8) {
        const int x0 = (look.width - (n * t + (n - 1) * kGap)) / 2;
        const int y0 = kMargin + kHeader;
        std::vector<double> values;
        for (int i = 0; i < n; ++i) {
            const StarTestImage& image = result.images[static_cast<size_t>(i)];
            const int x = x0 + i * (t + kGap);
            canvas.fillRect({x, y0}, {x + t, y0 + t}, sky);
            if (static_cast<int>(image.intensity.size()) == M * M) {
                tileValues(image, M, half, t, values);
                const double peak = *std::max_element(values.begin(), values.end());
                // Runs of one grey as one rectangle: the discs are smooth, so a
                // row needs far fewer rectangles than pixels.
                for (int r = 0; r < t; ++r) {
                    int c = 0;
                    while (c < t) {
                        const int g = greyIndex(values[static_cast<size_t>(r) * t + c], peak,
                                                look.logarithmic);
                        int end = c + 1;
                        while (end < t && greyIndex(values[static_cast<size_t>(r) * t + end], peak,
                                                    look.logarithmic) == g)
                            ++end;
                        if (g > 0)
                            canvas.fillRect({x + c, y0 + r}, {x + end, y0 + r + 1}, paletteGrey(g));
                        c = end;
                    }
                }
            }
            canvas.text({x + 2, y0 + t + 4}, starTestLabel(image.defocusWaves, look.separator),
                        kTextSize, text);
        }
    }
    if (result.undersampled)
        canvas.text({kMargin, look.height - kMargin - 12},
                    "Die Wellenfront ist zu steil für das größte Raster: die äußeren Bilder "
                    "sind unterabgetastet.",
                    kTextSize, warning);
}

}  // namespace vn

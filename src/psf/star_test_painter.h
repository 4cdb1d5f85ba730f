// The picture of the star test: the row of images side by side, as the
// classic star-test charts show them, each under its focal position, drawn on
// a canvas so that the window, the export and the batch command replay the
// same recording.
#pragma once

#include <string>

#include "psf/star_test.h"
#include "ui/canvas.h"

namespace vn {

// Colours of the picture (0x00BBGGRR).
namespace star_test_colour {
inline constexpr Rgb background = 0xF0F0F0;  // button face
inline constexpr Rgb sky = 0x000000;         // the image tiles: a star on a black sky
inline constexpr Rgb text = 0x000000;
inline constexpr Rgb warning = 0x0000C0;
}  // namespace star_test_colour

// The star-test window's picture, pixels: room for eleven tiles of 80 or
// five of 184 pixels on a screen 1280 pixels wide.
inline constexpr int kStarTestPictureWidth = 980;
inline constexpr int kStarTestPictureHeight = 250;

// The logarithmic map spans this many decades below each image's peak.
inline constexpr double kStarTestDecades = 4.0;

struct StarTestLook {
    int width = 0, height = 0;  // drawing area, pixels
    // Linear: grey in proportion to the intensity over the image's peak;
    // logarithmic: 1 + log10(I / peak) / decades, so that the faint outer
    // fringes show.
    bool logarithmic = false;
    char separator = '.';  // the user's decimal separator for texts
};

// The label under an image: "intrafokal −8 λ", "Fokus", "extrafokal +8 λ".
std::string starTestLabel(double defocusWaves, char separator = '.');

// Draws the row onto `canvas`. Each image is normalised to its own peak (the
// defocused discs are hundreds of times fainter than the focused star) and
// shown at one scale across the row: every tile shows the same square of the
// image plane, the light radius of the result, with u_y upwards. A result
// without images draws the background and says so.
void paintStarTest(const StarTestResult& result, const StarTestLook& look, Canvas& canvas);

}  // namespace vn

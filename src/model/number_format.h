// Number formatting and parsing, independent of the C and C++ locales.
//
// The GUI toolkit sets the process locale from the environment, so printf,
// strtod and iostreams would write and read "1,5" under a German locale. Every
// routine here takes the decimal separator as an argument; the system file and
// the glass catalogue always use '.', the user interface the user's separator.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vn::fmt {

// Fixed-point text in the style of the field formats ("precision, decimals"):
// the value is rounded once to at most `precision` significant digits and at
// most `decimals` digits after the separator (halves away from zero), then
// written with exactly `decimals` decimals and at least one digit before the
// separator. A value with more integer digits than `precision` is written in
// exponent form instead ("1.2345E12"). A value that rounds to zero carries no
// minus sign.
std::string fixed(double value, int precision, int decimals, char separator = '.');

// Scientific text with `precision` significant digits, an exponent sign and at
// least `exponentDigits` exponent digits ("1E-05" for 1e-5, 1, 2).
std::string exponent(double value, int precision, int exponentDigits, char separator = '.');

// General text with at most `precision` significant digits: fixed notation
// without trailing zeros while the exponent lies in [-5, precision), exponent
// notation otherwise.
std::string general(double value, int precision, char separator = '.');

// The shortest text that reads back as the same double ("0.546074").
std::string shortest(double value, char separator = '.');

// File notation w:p: `decimals` fixed decimals, right-aligned in `width`
// characters (wider when it does not fit). Values whose decimal exponent
// exceeds 35 fall back to the w:E notation.
std::string fixedWidth(double value, int width, int decimals);

// File notation w:E: a sign character (blank or '-'), one digit, '.', further
// digits, 'E', the exponent sign and four exponent digits. The field holds
// width - 8 significant digits, at least 2 and at most 18 (" 1.0E+0012").
std::string scientificWidth(double value, int width);

// An integer right-aligned in `width` characters.
std::string integerWidth(long long value, int width);

// Parses a decimal number written with `separator`: optional blanks around,
// optional sign, digits with at most one separator, optional exponent. Returns
// nothing for anything else, including values out of the double range, "nan"
// and "inf".
std::optional<double> parseNumber(std::string_view text, char separator = '.');

// Parses an optionally signed decimal integer with optional blanks around.
std::optional<long long> parseInteger(std::string_view text);

// A number of a window's picture: fixed "precision, decimals" with the user's
// separator on the screen, or a right-aligned field `precision` characters
// wide in the export picture; a value that is not finite shows a dash.
std::string pictureNumber(double value, int precision, int decimals, char separator,
                          bool fieldWidth);

}  // namespace vn::fmt

namespace vn {

// Pixel rounding: the nearest integer, halves to the even neighbour. Values
// outside the int range are clamped to it; NaN gives 0.
int Nearest(double x);

}  // namespace vn

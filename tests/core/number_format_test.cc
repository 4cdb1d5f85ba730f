#include "model/number_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace vn::fmt {
namespace {

TEST(FixedFormat, RoundsToPrecisionThenDecimals) {
    EXPECT_EQ(fixed(1.23456789, 5, 5), "1.23460");  // 5 significant digits, padded
    EXPECT_EQ(fixed(123.456789, 7, 5), "123.45680");
    EXPECT_EQ(fixed(0.12345, 5, 3), "0.123");
    EXPECT_EQ(fixed(-2.5, 5, 3, ','), "-2,500");
    EXPECT_EQ(fixed(1000.0, 9, 0), "1000");
    EXPECT_EQ(fixed(0.125, 5, 2), "0.13");  // halves away from zero
    EXPECT_EQ(fixed(2.675, 5, 2), "2.67");  // 2.675 is 2.67499999... in binary
}

TEST(FixedFormat, TinyValuesShowAsUnsignedZero) {
    EXPECT_EQ(fixed(-0.0004, 5, 3), "0.000");
    EXPECT_EQ(fixed(0.0, 6, 5), "0.00000");
    // The colour fields keep their first significant digits where the Seidel
    // fields show zero.
    EXPECT_EQ(fixed(-0.00042, 6, 5), "-0.00042");
    EXPECT_EQ(fixed(0.0006, 5, 3), "0.001");
}

TEST(FixedFormat, TooManyIntegerDigitsSwitchToExponent) {
    EXPECT_EQ(fixed(123456.0, 5, 3), "1.2346E5");
    EXPECT_EQ(fixed(1e12, 7, 5), "1E12");
    EXPECT_EQ(fixed(99999.6, 5, 0), "1E5");  // rounding adds the sixth digit
}

TEST(OtherFormats, ExponentGeneralShortest) {
    EXPECT_EQ(exponent(1e-5, 1, 2), "1E-05");
    EXPECT_EQ(exponent(-1234.5, 3, 1, ','), "-1,23E+3");
    EXPECT_EQ(general(3.125e-5, 4), "0.00003125");
    EXPECT_EQ(general(3.125e-6, 4), "3.125E-6");
    EXPECT_EQ(general(0.015625, 4), "0.01563");
    EXPECT_EQ(general(-2.0, 4), "-2");
    EXPECT_EQ(shortest(0.546074), "0.546074");
    EXPECT_EQ(shortest(0.6562725, ','), "0,6562725");
}

TEST(FileNotation, FixedWidth) {
    EXPECT_EQ(fixedWidth(-2.0, 10, 6), " -2.000000");
    EXPECT_EQ(fixedWidth(1000.4, 6, 0), "  1000");
    EXPECT_EQ(fixedWidth(10.0, 6, 2), " 10.00");
    EXPECT_EQ(fixedWidth(0.546074, 11, 7), "  0.5460740");
    EXPECT_EQ(fixedWidth(123456.789, 6, 2), "123456.79");  // wider when it does not fit
    EXPECT_EQ(fixedWidth(2.5e40, 10, 6), " 2.5E+0040");    // exponent above 35
}

TEST(FileNotation, ScientificTwoSignificantDigitsAtWidthTen) {
    EXPECT_EQ(scientificWidth(1e12, 10), " 1.0E+0012");
    EXPECT_EQ(scientificWidth(-1234.5, 10), "-1.2E+0003");
    EXPECT_EQ(scientificWidth(25.0, 6), " 2.5E+0001");  // width 6 still holds two digits
    EXPECT_EQ(scientificWidth(9.96, 10), " 1.0E+0001");
    EXPECT_EQ(scientificWidth(0.0, 10), " 0.0E+0000");
    EXPECT_EQ(scientificWidth(1.5e-7, 12), " 1.500E-0007");
    EXPECT_EQ(integerWidth(29, 6), "    29");
}

TEST(Parsing, AcceptsFileAndUserNumbers) {
    EXPECT_EQ(parseNumber(" 1.0E+0012"), 1e12);
    EXPECT_EQ(parseNumber("-2.000000"), -2.0);
    EXPECT_EQ(parseNumber("+5"), 5.0);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("3."), 3.0);
    EXPECT_EQ(parseNumber("0,6562725", ','), 0.6562725);
    EXPECT_EQ(parseNumber("1e-400"), 0.0);  // underflow reads as zero
}

TEST(Parsing, RejectsWhatIsNotANumber) {
    for (const char* text :
         {"", " ", "abc", "1.2.3", "1,5", "1e", "--1", "nan", "inf", "1e400", "12abc", "0x10"})
        EXPECT_FALSE(parseNumber(text).has_value()) << text;
    EXPECT_FALSE(parseNumber("1.5", ',').has_value());
    EXPECT_EQ(parseInteger(" 29 "), 29);
    EXPECT_FALSE(parseInteger("3.0").has_value());
    EXPECT_FALSE(parseInteger("99999999999999999999").has_value());
}

TEST(Parsing, IgnoresTheProcessLocale) {
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 not installed";
    EXPECT_EQ(parseNumber("0.5"), 0.5);
    EXPECT_EQ(fixedWidth(0.5, 6, 3), " 0.500");
    EXPECT_EQ(fixed(0.5, 5, 2), "0.50");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(NearestPixel, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(Nearest(0.5), 0);
    EXPECT_EQ(Nearest(1.5), 2);
    EXPECT_EQ(Nearest(2.5), 2);
    EXPECT_EQ(Nearest(-0.5), 0);
    EXPECT_EQ(Nearest(-1.5), -2);
    EXPECT_EQ(Nearest(2.4999), 2);
    EXPECT_EQ(Nearest(-2.6), -3);
    EXPECT_EQ(Nearest(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(Nearest(1e300), std::numeric_limits<int>::max());
}

}  // namespace
}  // namespace vn::fmt

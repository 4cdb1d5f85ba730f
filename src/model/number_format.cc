#include "model/number_format.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace vn::fmt {
namespace {

// A non-negative decimal number d1.d2d3... x 10^exponent. An empty digit string
// is zero.
struct Decimal {
    std::string digits;
    int exponent = 0;
};

// The value to 18 significant digits, the precision the field formats were
// defined with; rounding the result again (halves away from zero) then gives
// what a decimal rounding of the exact binary value gives in all but
// pathological cases.
Decimal toDecimal(double magnitude) {
    Decimal d;
    if (magnitude == 0.0) return d;
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
    std::string_view text(buf, static_cast<size_t>(res.ptr - buf));
    size_t e = text.find('e');
    d.digits.reserve(18);
    for (char c : text.substr(0, e))
        if (c != '.') d.digits.push_back(c);
    d.exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
    return d;
}

// Keeps at most `keep` significant digits, halves away from zero.
void roundDigits(Decimal& d, int keep) {
    if (d.digits.empty() || keep >= static_cast<int>(d.digits.size())) return;
    if (keep < 0) {
        d.digits.clear();
        return;
    }
    bool up = d.digits[static_cast<size_t>(keep)] >= '5';
    d.digits.resize(static_cast<size_t>(keep));
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d.digits[static_cast<size_t>(i)] == '9') {
            d.digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++d.digits[static_cast<size_t>(i)];
        } else {
            d.digits.insert(d.digits.begin(), '1');
            ++d.exponent;
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
    if (d.digits.empty()) d.exponent = 0;
}

char digitAt(const Decimal& d, int index) {
    return index >= 0 && index < static_cast<int>(d.digits.size())
               ? d.digits[static_cast<size_t>(index)]
               : '0';
}

// Digits laid out with `decimals` digits after the separator.
std::string layoutFixed(const Decimal& d, int decimals, char separator) {
    std::string out;
    if (d.digits.empty() || d.exponent < 0) {
        out.push_back('0');
    } else {
        for (int i = 0; i <= d.exponent; ++i) out.push_back(digitAt(d, i));
    }
    if (decimals > 0) {
        out.push_back(separator);
        for (int j = 1; j <= decimals; ++j) out.push_back(digitAt(d, d.exponent + j));
    }
    return out;
}

std::string exponentDigits(int value, int minDigits) {
    std::string s = std::to_string(std::abs(value));
    if (static_cast<int>(s.size()) < minDigits)
        s.insert(0, static_cast<size_t>(minDigits) - s.size(), '0');
    return s;
}

// "d.dddE[-]x": digits without trailing zeros, exponent sign only when negative.
std::string layoutGeneralExponent(const Decimal& d, char separator) {
    std::string out(1, digitAt(d, 0));
    if (d.digits.size() > 1) {
        out.push_back(separator);
        out.append(d.digits, 1);
    }
    out.push_back('E');
    if (d.exponent < 0) out.push_back('-');
    out += exponentDigits(d.exponent, 1);
    return out;
}

std::string nonFinite(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

std::string padLeft(std::string s, int width) {
    if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), ' ');
    return s;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string fixed(double value, int precision, int decimals, char separator) {
    if (!std::isfinite(value)) return nonFinite(value);
    precision = std::clamp(precision, 1, 18);
    decimals = std::clamp(decimals, 0, 18);
    Decimal d = toDecimal(std::fabs(value));
    if (!d.digits.empty()) roundDigits(d, std::min(precision, d.exponent + 1 + decimals));
    if (d.digits.empty()) return layoutFixed(d, decimals, separator);
    std::string body = d.exponent + 1 > precision ? layoutGeneralExponent(d, separator)
                                                  : layoutFixed(d, decimals, separator);
    return value < 0 ? "-" + body : body;
}

std::string exponent(double value, int precision, int exponentDigitCount, char separator) {
    if (!std::isfinite(value)) return nonFinite(value);
    precision = std::clamp(precision, 1, 18);
    Decimal d = toDecimal(std::fabs(value));
    roundDigits(d, precision);
    std::string out = value < 0 && !d.digits.empty() ? "-" : "";
    out.push_back(digitAt(d, 0));
    if (precision > 1) {
        out.push_back(separator);
        for (int i = 1; i < precision; ++i) out.push_back(digitAt(d, i));
    }
    out.push_back('E');
    out.push_back(d.exponent < 0 ? '-' : '+');
    out += exponentDigits(d.exponent, exponentDigitCount);
    return out;
}

std::string general(double value, int precision, char separator) {
    if (!std::isfinite(value)) return nonFinite(value);
    precision = std::clamp(precision, 1, 18);
    Decimal d = toDecimal(std::fabs(value));
    roundDigits(d, precision);
    if (d.digits.empty()) return "0";
    std::string body;
    if (d.exponent >= precision || d.exponent < -5) {
        body = layoutGeneralExponent(d, separator);
    } else {
        int decimals = std::max(0, static_cast<int>(d.digits.size()) - 1 - d.exponent);
        body = layoutFixed(d, decimals, separator);
    }
    return value < 0 ? "-" + body : body;
}

std::string shortest(double value, char separator) {
    if (!std::isfinite(value)) return nonFinite(value);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, value);
    std::string out(buf, res.ptr);
    std::replace(out.begin(), out.end(), '.', separator);
    return out;
}

std::string fixedWidth(double value, int width, int decimals) {
    if (!std::isfinite(value)) return padLeft(nonFinite(value), width);
    decimals = std::clamp(decimals, 0, 30);
    Decimal d = toDecimal(std::fabs(value));
    if (d.exponent > 35) return scientificWidth(value, width);
    if (!d.digits.empty()) roundDigits(d, d.exponent + 1 + decimals);
    std::string body = layoutFixed(d, decimals, '.');
    return padLeft(value < 0 ? "-" + body : body, width);
}

std::string scientificWidth(double value, int width) {
    if (!std::isfinite(value)) return padLeft(nonFinite(value), width);
    int significant = std::clamp(width - 8, 2, 18);
    Decimal d = toDecimal(std::fabs(value));
    roundDigits(d, significant);
    std::string out(1, value < 0 ? '-' : ' ');
    out.push_back(digitAt(d, 0));
    out.push_back('.');
    for (int i = 1; i < significant; ++i) out.push_back(digitAt(d, i));
    out.push_back('E');
    out.push_back(d.exponent < 0 ? '-' : '+');
    out += exponentDigits(d.exponent, 4);
    return padLeft(out, width);
}

std::string integerWidth(long long value, int width) {
    return padLeft(std::to_string(value), width);
}

std::optional<double> parseNumber(std::string_view text, char separator) {
    text = trim(text);
    std::string canonical;
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') canonical.push_back('-');
        ++i;
    }
    int mantissaDigits = 0;
    int leadingZeros = 0;   // zeros before the first significant digit
    int integerDigits = 0;  // digits before the separator
    bool seenPoint = false, seenSignificant = false;
    for (; i < text.size(); ++i) {
        char c = text[i];
        if (isDigit(c)) {
            ++mantissaDigits;
            if (!seenPoint) ++integerDigits;
            if (c != '0') seenSignificant = true;
            if (!seenSignificant) ++leadingZeros;
            canonical.push_back(c);
        } else if (c == separator && !seenPoint) {
            seenPoint = true;
            canonical.push_back('.');
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    long long exponentValue = 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        canonical.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-') canonical.push_back('-');
            ++i;
        }
        size_t start = i;
        while (i < text.size() && isDigit(text[i])) canonical.push_back(text[i++]);
        if (i == start) return std::nullopt;
        auto digits = text.substr(start, i - start);
        std::from_chars(digits.data(), digits.data() + digits.size(), exponentValue);
        if (canonical[canonical.size() - digits.size() - 1] == '-') exponentValue = -exponentValue;
    }
    if (i != text.size()) return std::nullopt;

    double result = 0.0;
    auto res = std::from_chars(canonical.data(), canonical.data() + canonical.size(), result);
    if (res.ptr != canonical.data() + canonical.size()) return std::nullopt;
    if (res.ec == std::errc::result_out_of_range) {
        if (!seenSignificant) return canonical.front() == '-' ? -0.0 : 0.0;
        // The decimal magnitude tells overflow from underflow.
        long long magnitude = exponentValue + integerDigits - leadingZeros;
        if (magnitude < 0) return canonical.front() == '-' ? -0.0 : 0.0;
        return std::nullopt;
    }
    if (res.ec != std::errc()) return std::nullopt;
    return result;
}

std::optional<long long> parseInteger(std::string_view text) {
    text = trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    long long value = 0;
    auto res = std::from_chars(text.data(), text.data() + text.size(), value);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    return value;
}

std::string pictureNumber(double value, int precision, int decimals, char separator,
                          bool fieldWidth) {
    if (!std::isfinite(value)) return "-";
    if (!fieldWidth) return fixed(value, precision, decimals, separator);
    std::string s = fixedWidth(value, precision, decimals);
    std::replace(s.begin(), s.end(), '.', separator);
    return s;
}

}  // namespace vn::fmt

namespace vn {

int Nearest(double x) {
    if (std::isnan(x)) return 0;
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    double lower = std::floor(x);
    double fraction = x - lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0)) lower += 1.0;
    return static_cast<int>(lower);
}

}  // namespace vn

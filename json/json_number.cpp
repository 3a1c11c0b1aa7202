#include "json/json_number.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace foldant {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipDigits(std::string_view text, size_t pos) {
    while (pos < text.size() && IsDigit(text[pos])) {
        ++pos;
    }
    return pos;
}

// The decimal exponent of the leading significant digit, clamped; used only to tell an
// overflow from an underflow when the conversion leaves the floating-point range.
long LeadingDigitExponent(std::string_view number) {
    size_t pos = 0;
    if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) {
        ++pos;
    }
    long integerDigits = 0;
    long fractionDigits = 0;
    long firstInteger = -1;   // 0-based place of the first non-zero integer digit
    long firstFraction = -1;  // 1-based place of the first non-zero fraction digit
    bool fraction = false;
    for (; pos < number.size() && (IsDigit(number[pos]) || number[pos] == '.'); ++pos) {
        if (number[pos] == '.') {
            fraction = true;
        } else if (!fraction) {
            if (firstInteger < 0 && number[pos] != '0') {
                firstInteger = integerDigits;
            }
            ++integerDigits;
        } else {
            ++fractionDigits;
            if (firstFraction < 0 && number[pos] != '0') {
                firstFraction = fractionDigits;
            }
        }
    }
    long lead = firstInteger >= 0 ? integerDigits - 1 - firstInteger : -firstFraction;
    long exponent = 0;
    if (pos < number.size() && (number[pos] == 'e' || number[pos] == 'E')) {
        ++pos;
        bool negative = pos < number.size() && number[pos] == '-';
        if (pos < number.size() && (number[pos] == '+' || number[pos] == '-')) {
            ++pos;
        }
        for (; pos < number.size() && IsDigit(number[pos]); ++pos) {
            if (exponent < 100000000) {
                exponent = exponent * 10 + (number[pos] - '0');
            }
        }
        if (negative) {
            exponent = -exponent;
        }
    }
    return lead + exponent;
}

}  // namespace

size_t ScanNumber(std::string_view text, size_t pos) {
    size_t start = pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        ++pos;
    }
    size_t digits = SkipDigits(text, pos);
    if (digits == pos) {
        return 0;
    }
    pos = digits;
    if (pos < text.size() && text[pos] == '.') {
        digits = SkipDigits(text, pos + 1);
        if (digits == pos + 1) {
            return 0;
        }
        pos = digits;
    }
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
            ++pos;
        }
        digits = SkipDigits(text, pos);
        if (digits == pos) {
            return 0;
        }
        pos = digits;
    }
    return pos - start;
}

std::optional<double> ConvertNumber(std::string_view number) {
    std::string_view digits = number;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    double value = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        if (LeadingDigitExponent(number) > 0) {
            return std::nullopt;
        }
        return digits.front() == '-' ? -0.0 : 0.0;
    }
    if (error != std::errc() || end != digits.data() + digits.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> TextToNumber(std::string_view text) {
    if (text.empty() || ScanNumber(text, 0) != text.size()) {
        return std::nullopt;
    }
    return ConvertNumber(text);
}

std::string GeneralNumberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    if (value == 0) {
        return "0";
    }
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

std::string FixedOrScientificNumberText(double value) {
    if (!std::isfinite(value)) {
        return "null";
    }
    if (value == 0) {
        return "0";
    }
    // "-d.dddddddddddddde-XX": the 15 significant digits after rounding, and the exponent.
    char buffer[64];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view text(buffer, result.ptr - buffer);
    bool negative = text.front() == '-';
    if (negative) {
        text.remove_prefix(1);
    }
    size_t mark = text.find('e');
    std::string digits;
    for (char c : text.substr(0, mark)) {
        if (c != '.') {
            digits.push_back(c);
        }
    }
    int exponent = 0;
    std::string_view exponentText = text.substr(mark + 1);
    if (exponentText.front() == '+') {
        exponentText.remove_prefix(1);
    }
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }

    std::string out = negative ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            out += "0.";
            out.append(static_cast<size_t>(-exponent - 1), '0');
            out += digits;
        } else if (digits.size() <= static_cast<size_t>(exponent) + 1) {
            out += digits;
            out.append(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
        } else {
            out += digits.substr(0, static_cast<size_t>(exponent) + 1);
            out += '.';
            out += digits.substr(static_cast<size_t>(exponent) + 1);
        }
        return out;
    }
    out += digits.front();
    if (digits.size() > 1) {
        out += '.';
        out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(exponent);
    return out;
}

}  // namespace foldant

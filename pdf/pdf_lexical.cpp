#include "pdf/pdf_lexical.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

namespace foldant {

namespace {

template <class T>
std::optional<T> ParseInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    uint64_t magnitude = 0;
    for (char c : text) {
        if (!IsDigit(c)) {
            return std::nullopt;
        }
        if (magnitude > (std::numeric_limits<uint64_t>::max() - 9) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + static_cast<uint64_t>(c - '0');
    }
    const auto limit = static_cast<uint64_t>(std::numeric_limits<T>::max());
    if (magnitude > limit + (negative ? 1 : 0)) {
        return std::nullopt;
    }
    if (negative) {
        return static_cast<T>(static_cast<T>(-static_cast<int64_t>(magnitude - 1)) - 1);
    }
    return static_cast<T>(magnitude);
}

}  // namespace

std::optional<int64_t> ParseInt64(std::string_view text) {
    return ParseInteger<int64_t>(text);
}

std::optional<int32_t> ParseInt32(std::string_view text) {
    return ParseInteger<int32_t>(text);
}

double ReadDecimal(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    bool negative = false;
    while (i < text.size() && text[i] == '-') {
        negative = true;
        ++i;
    }
    std::string digits;
    while (i < text.size() && IsDigit(text[i])) {
        digits += text[i++];
    }
    if (i < text.size() && text[i] == '.') {
        digits += '.';
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            digits += text[i++];
        }
    }
    double value = 0;
    if (digits.empty() || digits == ".") {
        return 0;
    }
    if (digits[0] == '.') {
        digits.insert(0, 1, '0');
    }
    std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return negative ? -value : value;
}

double PowerOfTen(int32_t exponent) {
    const std::string text = "1e" + std::to_string(exponent);
    double value = 0;
    const std::from_chars_result read =
        std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec == std::errc::result_out_of_range) {
        return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return value;
}

std::string_view TrimText(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') {
        text.remove_prefix(1);
    }
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace foldant

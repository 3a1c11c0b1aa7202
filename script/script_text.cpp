#include "script/script_text.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace foldant {
namespace {

std::atomic<char> gDecimalSeparator{'.'};
std::atomic<char> gThousandSeparator{','};

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

char AnsiUpperChar(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 'a' && byte <= 'z') {
        return static_cast<char>(byte - 32);
    }
    if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) {
        return static_cast<char>(byte - 32);
    }
    switch (byte) {
        case 0x9A:  // s with caron
        case 0x9C:  // oe
        case 0x9E:  // z with caron
            return static_cast<char>(byte - 16);
        case 0xFF:  // y with diaeresis
            return static_cast<char>(0x9F);
        default:
            return c;
    }
}

char AnsiLowerChar(char c) {
    auto byte = static_cast<unsigned char>(c);
    if (byte >= 'A' && byte <= 'Z') {
        return static_cast<char>(byte + 32);
    }
    if (byte >= 0xC0 && byte <= 0xDE && byte != 0xD7) {
        return static_cast<char>(byte + 32);
    }
    switch (byte) {
        case 0x8A:
        case 0x8C:
        case 0x8E:
            return static_cast<char>(byte + 16);
        case 0x9F:
            return static_cast<char>(0xFF);
        default:
            return c;
    }
}

std::string AnsiUpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = AnsiUpperChar(c);
    }
    return result;
}

std::string AnsiLowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        c = AnsiLowerChar(c);
    }
    return result;
}

std::string AsciiUpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 32);
        }
    }
    return result;
}

std::string AsciiLowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c + 32);
        }
    }
    return result;
}

char DecimalSeparator() {
    return gDecimalSeparator.load();
}

char ThousandSeparator() {
    return gThousandSeparator.load();
}

void SetDecimalSeparator(char separator) {
    gDecimalSeparator.store(separator);
}

void SetThousandSeparator(char separator) {
    gThousandSeparator.store(separator);
}

std::string TrimText(std::string_view text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return std::string(text.substr(begin, end - begin));
}

std::optional<int64_t> ParseInteger(std::string_view text) {
    std::string trimmed = TrimText(text);
    std::string_view rest = trimmed;
    bool negative = false;
    if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    int base = 10;
    if (!rest.empty() && rest[0] == '$') {
        base = 16;
        rest.remove_prefix(1);
    }
    if (rest.empty()) {
        return std::nullopt;
    }
    uint64_t value = 0;
    for (char c : rest) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        if (value > (UINT64_MAX - static_cast<uint64_t>(digit)) / static_cast<uint64_t>(base)) {
            return std::nullopt;
        }
        value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(digit);
    }
    if (base == 10 && value > (negative ? uint64_t{1} << 63 : uint64_t{INT64_MAX})) {
        return std::nullopt;
    }
    return negative ? static_cast<int64_t>(0 - value) : static_cast<int64_t>(value);
}

std::optional<double> ParseFloat(std::string_view text) {
    std::string trimmed = TrimText(text);
    if (trimmed.empty()) {
        return std::nullopt;
    }
    char separator = DecimalSeparator();
    std::string plain;
    bool seenSeparator = false;
    for (char c : trimmed) {
        if (c == separator ||
            (c == '.' && separator != '.' && trimmed.find(separator) == std::string::npos)) {
            if (seenSeparator) {
                return std::nullopt;
            }
            seenSeparator = true;
            plain += '.';
        } else if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == 'e' || c == 'E') {
            plain += c;
        } else {
            return std::nullopt;
        }
    }
    char* end = nullptr;
    double value = std::strtod(plain.c_str(), &end);
    if (end != plain.c_str() + plain.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string FloatToText(double value) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    std::string mantissa = text;
    std::string exponent;
    size_t e = text.find('E');
    if (e != std::string::npos) {
        mantissa = text.substr(0, e);
        int power = std::atoi(text.c_str() + e + 1);
        exponent = "E" + std::to_string(power);
    }
    for (char& c : mantissa) {
        if (c == '.') {
            c = DecimalSeparator();
        }
    }
    return mantissa + exponent;
}

}  // namespace foldant

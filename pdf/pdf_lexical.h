#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace foldant {

// The largest object number and generation the engine takes; beyond them a reference names
// nothing.
inline constexpr int32_t kMaxObjectNumber = 8388607;
inline constexpr int32_t kMaxGeneration = 65535;

inline bool IsPdfWhitespace(char c) {
    return c == 0 || c == 9 || c == 10 || c == 12 || c == 13 || c == 32;
}

// The closing brace is deliberately not a delimiter.
inline bool IsPdfDelimiter(char c) {
    switch (c) {
        case '%':
        case '(':
        case ')':
        case '/':
        case '<':
        case '>':
        case '[':
        case ']':
        case '{':
            return true;
        default:
            return false;
    }
}

inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

inline int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// An optional sign followed by decimal digits only, within the range of the type; none otherwise.
std::optional<int64_t> ParseInt64(std::string_view text);
std::optional<int32_t> ParseInt32(std::string_view text);

// Leading spaces, any number of minus signs, digits, optionally a point and more digits;
// whatever follows is ignored and a text without digits reads as 0.
double ReadDecimal(std::string_view text);

// 10 to the given power, correctly rounded: the runtime's pow is not exact on every target, and
// a number read with it would be written back with other digits there. Out of range it is
// infinity or 0.
double PowerOfTen(int32_t exponent);

// The text without leading and trailing bytes up to and including the space.
std::string_view TrimText(std::string_view text);

}  // namespace foldant

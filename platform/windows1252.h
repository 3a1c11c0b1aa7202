#pragma once

// Single-byte text in this system is Windows-1252. Everything that crosses into Unicode (UTF-16
// strings of the JSON model, UTF-8 file names of the system, \u escapes) goes through here, so
// there is exactly one table of the code page.

#include <optional>
#include <string>
#include <string_view>

namespace foldant {

// The Unicode character a Windows-1252 byte stands for. The five bytes the code page leaves
// undefined (129, 141, 143, 144, 157) map to the control characters of the same value, as the
// Windows conversion functions do, so every byte survives a round trip.
char16_t Cp1252ToUnicode(unsigned char byte);

// The Windows-1252 byte for a Unicode character, or nothing when the code page cannot hold it.
std::optional<unsigned char> UnicodeToCp1252(char32_t character);

// Byte written for a character the code page cannot hold.
inline constexpr char kCp1252Replacement = '?';

std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view text);

std::string AnsiToUtf8(std::string_view ansi);
// Invalid UTF-8 sequences and characters outside the code page become kCp1252Replacement.
std::string Utf8ToAnsi(std::string_view utf8);

// Strict check: well-formed sequences of at most four bytes, no surrogates, no overlong forms.
bool IsValidUtf8(std::string_view text);

std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);

// Compares two texts, letters A to Z matching their lower-case forms; other bytes as they are.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t character);

}  // namespace foldant

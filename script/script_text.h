#pragma once

// Text rules shared by the interpreter, its library and the module's script functions: the
// Windows-1252 case mapping, the process-wide number separators and the conversions between
// numbers and text as the dialect defines them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/windows1252.h"

namespace foldant {

char AnsiUpperChar(char c);
char AnsiLowerChar(char c);
std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
// ASCII letters only, as the dialect's UpperCase and LowerCase do.
std::string AsciiUpperCase(std::string_view text);
std::string AsciiLowerCase(std::string_view text);

// The separators number text follows while the process runs; a script engine may replace them
// for its lifetime.
char DecimalSeparator();
char ThousandSeparator();
void SetDecimalSeparator(char separator);
void SetThousandSeparator(char separator);

// A decimal integer with optional blanks around it and an optional sign, or "$" and hex digits.
std::optional<int64_t> ParseInteger(std::string_view text);
// A decimal number using the current decimal separator (or "." when the number has no other).
std::optional<double> ParseFloat(std::string_view text);
// The shortest text of up to 15 significant digits, with the current decimal separator.
std::string FloatToText(double value);

std::string TrimText(std::string_view text);

}  // namespace foldant

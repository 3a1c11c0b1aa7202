#pragma once

// The formatting functions of the library: Format, FormatFloat and FormatMaskText.

#include <string>
#include <string_view>
#include <vector>

#include "script/script_value.h"

namespace foldant {

// "%[index:][-][width][.precision]type" with the types d, u, x, s, f, e, g, n, m and "%%".
// Raises ScriptError "Format '...' invalid or incompatible with argument".
std::string FormatText(std::string_view format, const std::vector<ScriptValue>& args);

// Digit placeholders "0" and "#", a decimal point ".", thousands separators ",", an exponent
// "E+"/"E-", quoted literals, and up to three sections for positive;negative;zero.
std::string FormatFloatText(std::string_view format, double value);

// An edit mask ("!"/">"/"<" case markers, "0 9 # L l A a C c" placeholders, "\" literals) with
// the optional fields ";save-literals;blank".
std::string FormatMaskedText(std::string_view mask, std::string_view value);

}  // namespace foldant

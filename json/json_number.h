#pragma once

// Number syntax and number texts shared by both JSON models. The decimal point is always ".",
// whatever the user's locale.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace foldant {

// Length of the number at text[pos]: optional sign, digits, optional "." and digits, optional
// exponent mark, sign and digits. 0 when there is no complete number there.
size_t ScanNumber(std::string_view text, size_t pos);

// The value of a text that ScanNumber accepted whole. Nothing when the magnitude is beyond the
// floating-point range; a magnitude below it gives zero.
std::optional<double> ConvertNumber(std::string_view number);

// Both of the above: nothing unless the whole text is a number in range.
std::optional<double> TextToNumber(std::string_view text);

// General notation, at most 15 significant digits, no trailing zeros; integral values without a
// decimal point.
std::string GeneralNumberText(double value);

// Rounded to 15 significant digits; fixed notation from 0.0001 up to below 10^15, else the
// digits with "E" and the exponent (1E20, 1.5E-7).
std::string FixedOrScientificNumberText(double value);

}  // namespace foldant

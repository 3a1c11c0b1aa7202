#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace foldant {

// Renumbering an object the join does not change, without building it.
//
// The second file's objects move up by a fixed offset, so its bytes are right as they are
// except for the references in them. The scan walks the tokens of one dictionary or array,
// copies numbers, strings, names and comments exactly as they were written, and writes every
// reference "N G R" as "N+offset G R". It only takes what it can vouch for: a body that is no
// dictionary or array, holds a stream, or is not well formed (an unclosed or mismatched
// bracket, a dictionary key that is no name, a keyword other than true, false and null) gives
// nothing, and the caller goes the long way through the object model, which repairs what can
// be repaired.
std::optional<std::string> CopyRenumbered(std::string_view body, int32_t offset);

}  // namespace foldant

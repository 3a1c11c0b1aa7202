#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace foldant {

// Renumbering an object the join does not change, without building it.
//
// The second file's objects move up by a fixed offset, so its bytes are right as they are
// except for the references in them. The scan walks the tokens of one dictionary or array,
// copies numbers, strings, names and comments exactly as they were written, and writes every
// reference "N G R" as "N+offset G R". A stream's dictionary is scanned the same way and its
// data is copied as it stands, undecoded, when the dictionary's Length leads from the line
// after "stream" exactly to the "endstream" keyword. The scan only takes what it can vouch
// for: a body that is no dictionary or array, a stream whose length is unknown or does not
// fit, or a body that is not well formed (an unclosed or mismatched bracket, a dictionary key
// that is no name, a keyword other than true, false and null) gives nothing, and the caller
// goes the long way through the object model, which repairs what can be repaired.
//
// `lengthOf` answers the value of the object a Length reference names, in the numbers of the
// body as written (before renumbering); when it is empty, streams whose Length is a reference
// take the long way, and without it every stream does.
using StreamLengthLookup = std::function<std::optional<int64_t>(int32_t number)>;
std::optional<std::string> CopyRenumbered(std::string_view body, int32_t offset,
                                          const StreamLengthLookup* lengthOf = nullptr);

// What the same scan does with the references and keys it meets.
class TReferenceRewriter {
  public:
    virtual ~TReferenceRewriter() = default;
    // Appends what stands for the reference "number generation R" to `out`; `rest` is the text
    // after the number as written, up to and including the R. False refuses the whole body.
    virtual bool Rewrite(int64_t number, int64_t generation, std::string_view rest,
                         std::string& out) = 0;
    // Each key of the outermost dictionary, after its value was scanned; `nameValue` is the
    // value without its slash when it is a name, else empty.
    virtual void TopLevelKey(std::string_view /*key*/, std::string_view /*nameValue*/) {}
    // The same key with its value's text as written.
    virtual void TopLevelValue(std::string_view /*key*/, std::string_view /*valueText*/) {}
};

enum class ScanScope {
    // A dictionary or array without stream data, as CopyRenumbered takes.
    kContainers,
    // Any single value, and a stream: its dictionary is scanned and its data and the rest of
    // the body are copied as they are.
    kWholeObjects,
};

// The body with every reference replaced by what `rewriter` makes of it; none under the same
// conditions as CopyRenumbered, within `scope`.
std::optional<std::string> CopyRewritten(std::string_view body, TReferenceRewriter& rewriter,
                                         ScanScope scope);

}  // namespace foldant

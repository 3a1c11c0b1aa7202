#include "pdf/object_shape.h"

#include <algorithm>
#include <iterator>

#include "pdf/object_copy.h"
#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Keys of dictionaries whose place in the document is what they mean: page-tree nodes and
// everything with a parent, annotations (a rectangle on one page), fields, outline roots.
constexpr std::string_view kIdentityKeys[] = {kParent, kP, kRect, kFT, kT, kKids, kFirst, kFields};
// Types whose objects are told apart by who refers to them: two equal optional-content groups
// still switch separately, two equal structure elements are two places in the tree.
constexpr std::string_view kIdentityTypes[] = {
    "Catalog", "Pages",          "Page",       "Annot",  "Outlines", "OCG",
    "OCMD",    "StructTreeRoot", "StructElem", "Thread", "Bead",
};

bool Listed(const std::string_view* begin, const std::string_view* end, std::string_view word) {
    return std::find(begin, end, word) != end;
}

class ShapeRecorder final : public TReferenceRewriter {
  public:
    explicit ShapeRecorder(TObjectShape& shape) : shape_(shape) {}

    bool Rewrite(int64_t number, int64_t generation, std::string_view /*rest*/,
                 std::string& out) override {
        shape_.references.push_back(
            {out.size(), static_cast<int32_t>(number), static_cast<int32_t>(generation)});
        return true;
    }

    void TopLevelKey(std::string_view key, std::string_view nameValue) override {
        if (Listed(std::begin(kIdentityKeys), std::end(kIdentityKeys), key) ||
            (key == kType &&
             Listed(std::begin(kIdentityTypes), std::end(kIdentityTypes), nameValue))) {
            shape_.mergeable = false;
        }
    }

  private:
    TObjectShape& shape_;
};

bool IsNullBody(std::string_view skeleton) {
    const size_t first = skeleton.find_first_not_of(" \t\r\n\f");
    if (first == std::string_view::npos) {
        return true;
    }
    const size_t last = skeleton.find_last_not_of(" \t\r\n\f");
    return skeleton.substr(first, last - first + 1) == "null";
}

}  // namespace

std::optional<TObjectShape> TakeApart(std::string_view body) {
    TObjectShape shape;
    ShapeRecorder recorder(shape);
    std::optional<std::string> skeleton = CopyRewritten(body, recorder, ScanScope::kWholeObjects);
    if (!skeleton) {
        return std::nullopt;
    }
    shape.skeleton = std::move(*skeleton);
    shape.null = shape.references.empty() && IsNullBody(shape.skeleton);
    return shape;
}

}  // namespace foldant

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace foldant {

// One indirect object taken apart into the bytes that stay as they are and the references
// between them, so that objects can be compared and renumbered without building them.
struct TObjectShape {
    struct Reference {
        // Where the reference stood in `skeleton`.
        size_t at = 0;
        int32_t number = 0;
        int32_t generation = 0;
    };

    // The body with every reference cut out; stream data included.
    std::string skeleton;
    std::vector<Reference> references;
    // Whether another object with the same bytes may stand in for this one. Pages, page-tree
    // nodes, annotations, fields, outline items, structure elements and the like are told
    // apart by who refers to them, not by their bytes, so each stays itself.
    bool mergeable = true;
    // The body is the null object; references to it may be written as null.
    bool null = false;

    // The body with the references put back, each as `rewrite` writes it.
    template <class Rewrite>
    std::string Rebuild(Rewrite&& rewrite) const {
        std::string text;
        text.reserve(skeleton.size() + references.size() * 8);
        size_t from = 0;
        for (const Reference& reference : references) {
            text.append(skeleton, from, reference.at - from);
            rewrite(reference, text);
            from = reference.at;
        }
        text.append(skeleton, from, std::string::npos);
        return text;
    }
};

// None when the reference scan cannot vouch for the body (pdf/object_copy.h).
std::optional<TObjectShape> TakeApart(std::string_view body);

}  // namespace foldant

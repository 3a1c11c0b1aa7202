#include "pdf/compact_writer.h"

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "pdf/object_dedup.h"
#include "pdf/pdf_keys.h"
#include "pdf/reachability.h"

namespace foldant {

namespace {

void AppendReference(std::string& text, int32_t number, int32_t generation) {
    text += std::to_string(number);
    text += ' ';
    text += std::to_string(generation);
    text += " R";
}

// The trailer with its references renumbered by `rewrite`, in a store of its own.
TPDFDictionary& RewrittenTrailer(
    const TObjectShape& shape, TPDFStructure& store,
    const std::function<void(const TObjectShape::Reference&, std::string&)>& rewrite) {
    auto* dictionary = As<TPDFDictionary>(&store.Parse(shape.Rebuild(rewrite)));
    if (dictionary == nullptr) {
        throw std::logic_error("a trailer that is no dictionary");
    }
    return *dictionary;
}

}  // namespace

void TCompactWriter::WriteObject(int32_t number, int32_t generation, std::string_view text) {
    if (number <= 0) {
        return;
    }
    const auto slot = static_cast<size_t>(number);
    if (slot >= shapes_.size()) {
        // Numbers nobody wrote read as null objects, as a reader takes a missing object.
        TObjectShape missing;
        missing.skeleton = "null";
        missing.null = true;
        shapes_.resize(slot + 1, missing);
        generations_.resize(slot + 1, 0);
    }
    generations_[slot] = generation;
    if (std::optional<TObjectShape> shape = TakeApart(text)) {
        shapes_[slot] = std::move(*shape);
        return;
    }
    opaque_ = true;
    TObjectShape kept;
    kept.skeleton = std::string(text);
    kept.mergeable = false;
    shapes_[slot] = std::move(kept);
}

void TCompactWriter::Finish(TPDFDictionary& trailer, TSmartPDFWriter& target) {
    std::optional<TObjectShape> trailerShape = TakeApart(trailer.WriteToText());
    if (opaque_ || !trailerShape) {
        FinishUnchanged(trailer, target);
        return;
    }
    if (shapes_.empty()) {
        shapes_.resize(1);
    }
    std::vector<int32_t> roots;
    for (const TObjectShape::Reference& reference : trailerShape->references) {
        roots.push_back(reference.number);
    }
    const std::vector<bool> live = ReachableObjects(shapes_, roots);
    const std::vector<int32_t> standIns = StandIns(shapes_, live, roots);

    std::vector<int32_t> newNumbers(shapes_.size(), 0);
    int32_t next = 0;
    for (size_t n = 1; n < shapes_.size(); ++n) {
        if (live[n] && !shapes_[n].null && standIns[n] == static_cast<int32_t>(n)) {
            newNumbers[n] = ++next;
        }
    }
    const auto rewrite = [&](const TObjectShape::Reference& reference, std::string& text) {
        const int32_t number = reference.number;
        const int32_t standIn = number > 0 && static_cast<size_t>(number) < shapes_.size()
                                    ? standIns[static_cast<size_t>(number)]
                                    : 0;
        if (standIn == 0 || newNumbers[static_cast<size_t>(standIn)] == 0) {
            text += "null";
        } else {
            AppendReference(text, newNumbers[static_cast<size_t>(standIn)], 0);
        }
    };
    for (size_t n = 1; n < shapes_.size(); ++n) {
        if (newNumbers[n] != 0) {
            target.WriteObject(newNumbers[n], 0, shapes_[n].Rebuild(rewrite));
            // The bytes are in the writer now; the body is not needed again.
            shapes_[n].skeleton = std::string();
        }
    }
    written_ = next;
    TPDFStructure store;
    TPDFDictionary& rewritten = RewrittenTrailer(*trailerShape, store, rewrite);
    rewritten.DeleteKey(kSize);
    rewritten.Add(kSize, store.NewNumber(next + 1));
    target.WriteXRefAndTrailer(rewritten, false, 0);
}

void TCompactWriter::FinishUnchanged(TPDFDictionary& trailer, TSmartPDFWriter& target) {
    const auto own = [](const TObjectShape::Reference& reference, std::string& text) {
        AppendReference(text, reference.number, reference.generation);
    };
    written_ = 0;
    for (size_t n = 1; n < shapes_.size(); ++n) {
        target.WriteObject(static_cast<int32_t>(n), generations_[n], shapes_[n].Rebuild(own));
        ++written_;
    }
    target.WriteXRefAndTrailer(trailer, false, 0);
}

}  // namespace foldant

#include "pdf/outline_join.h"

#include <string>
#include <string_view>
#include <vector>

#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

void SetReference(TSmartPDFDocument& document, TPDFDictionary& dictionary, std::string_view key,
                  int32_t number, int32_t generation) {
    TPDFStructure& store = *document.Store;
    dictionary.SetEntry(store.NewName(std::string(key)), store.NewReference(number, generation));
}

TPDFIndRef* OutlineReference(TSmartPDFDocument& document) {
    return document.Catalog != nullptr ? As<TPDFIndRef>(document.Catalog->GetValue(kOutlines))
                                       : nullptr;
}

}  // namespace

TOutlineJoin::TOutlineJoin(TSmartPDFDocument& first) : first_(first) {
    if (!first.HasOutlines()) {
        return;
    }
    const TPDFIndRef& outlines = *OutlineReference(first);
    root_ = Place{&first, 0, outlines.RefNumber, outlines.RefGeneration};
    tail_ = LastTopLevelItem(first, 0);
}

void TOutlineJoin::Append(TSmartPDFDocument& next, int32_t offset) {
    if (!next.HasOutlines()) {
        return;
    }
    if (root_) {
        Chain(next, offset);
    } else {
        Adopt(next, offset);
    }
}

std::optional<TOutlineJoin::Place> TOutlineJoin::LastTopLevelItem(TSmartPDFDocument& document,
                                                                  int32_t offset) {
    const std::vector<TPDFIndRef*> items = document.TopLevelOutlineItems();
    if (items.empty()) {
        return std::nullopt;
    }
    return Place{&document, offset, items.back()->RefNumber, items.back()->RefGeneration};
}

// The first document had no outline of its own: its catalog takes this one's dictionary.
void TOutlineJoin::Adopt(TSmartPDFDocument& next, int32_t offset) {
    if (first_.Catalog == nullptr) {
        return;
    }
    const TPDFIndRef& outlines = *OutlineReference(next);
    SetReference(first_, *first_.Catalog, kOutlines, outlines.RefNumber + offset,
                 outlines.RefGeneration);
    if (first_.CatalogRef != nullptr) {
        first_.Register(first_.CatalogRef->RefNumber, *first_.Catalog);
    }
    root_ = Place{&next, offset, outlines.RefNumber, outlines.RefGeneration};
    tail_ = LastTopLevelItem(next, offset);
}

// The next document's top-level items go under the joined dictionary, after the last item so
// far, and the dictionary counts them.
void TOutlineJoin::Chain(TSmartPDFDocument& next, int32_t offset) {
    TSmartPDFDocument& rootDocument = *root_->Document;
    auto* root = As<TPDFDictionary>(rootDocument.GetObject(root_->Number, nullptr));
    TPDFDictionary* other = next.OutlineDictionary();
    if (root == nullptr || other == nullptr) {
        return;
    }
    for (TPDFIndRef* item : next.TopLevelOutlineItems()) {
        auto* dictionary = As<TPDFDictionary>(next.GetObject(item->RefNumber, nullptr));
        auto* parent =
            dictionary != nullptr ? As<TPDFIndRef>(dictionary->GetValue(kParent)) : nullptr;
        if (parent == nullptr) {
            continue;
        }
        parent->RefNumber = root_->OutputNumber() - offset;
        parent->RefGeneration = root_->Generation;
        next.Register(item->RefNumber, *dictionary);
    }
    auto* otherFirst = As<TPDFIndRef>(other->GetValue(kFirst));
    auto* otherLast = As<TPDFIndRef>(other->GetValue(kLast));
    if (tail_ && otherFirst != nullptr) {
        if (auto* first = As<TPDFDictionary>(next.GetObject(otherFirst->RefNumber, nullptr))) {
            SetReference(next, *first, kPrev, tail_->OutputNumber() - offset, tail_->Generation);
            next.Register(otherFirst->RefNumber, *first);
        }
        TSmartPDFDocument& tailDocument = *tail_->Document;
        if (auto* last = As<TPDFDictionary>(tailDocument.GetObject(tail_->Number, nullptr))) {
            SetReference(tailDocument, *last, kNext, otherFirst->RefNumber + offset - tail_->Offset,
                         otherFirst->RefGeneration);
            tailDocument.Register(tail_->Number, *last);
        }
    }
    auto* otherCount = As<TPDFNumeric>(other->GetValue(kCount));
    const double added = otherCount != nullptr ? otherCount->Value : 0;
    auto* ownCount = As<TPDFNumeric>(root->GetValue(kCount));
    TPDFStructure& store = *rootDocument.Store;
    root->SetEntry(store.NewName(std::string(kCount)),
                   store.NewNumber(ownCount != nullptr ? ownCount->Value + added : added));
    if (auto* ownLast = As<TPDFIndRef>(root->GetValue(kLast)); ownLast && otherLast) {
        ownLast->RefNumber = otherLast->RefNumber + offset - root_->Offset;
        ownLast->RefGeneration = otherLast->RefGeneration;
    }
    rootDocument.Register(root_->Number, *root);
    if (std::optional<Place> last = LastTopLevelItem(next, offset)) {
        tail_ = last;
    }
}

}  // namespace foldant

#include <unordered_set>

#include "pdf/smart_pdf_document.h"

namespace foldant {

TPDFDictionary* TSmartPDFDocument::OutlineDictionary() {
    if (Catalog == nullptr) {
        return nullptr;
    }
    auto* reference = As<TPDFIndRef>(Catalog->GetValue("Outlines"));
    return reference != nullptr ? As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr))
                                : nullptr;
}

bool TSmartPDFDocument::HasOutlines() {
    TPDFDictionary* outlines = OutlineDictionary();
    return outlines != nullptr && As<TPDFIndRef>(outlines->GetValue("First")) != nullptr &&
           As<TPDFIndRef>(outlines->GetValue("Last")) != nullptr;
}

std::vector<TPDFIndRef*> TSmartPDFDocument::TopLevelOutlineItems() {
    std::vector<TPDFIndRef*> items;
    TPDFDictionary* outlines = OutlineDictionary();
    if (outlines == nullptr) {
        return items;
    }
    std::unordered_set<int32_t> seen;
    auto* item = As<TPDFIndRef>(outlines->GetValue("First"));
    while (item != nullptr && seen.insert(item->RefNumber).second) {
        items.push_back(item);
        auto* dictionary = As<TPDFDictionary>(GetObject(item->RefNumber, nullptr));
        item = dictionary != nullptr ? As<TPDFIndRef>(dictionary->GetValue("Next")) : nullptr;
    }
    return items;
}

void TSmartPDFDocument::AdoptOutlines(const TPDFIndRef& outlines, int32_t offset) {
    if (Catalog == nullptr) {
        return;
    }
    SetEntry(*Catalog, "Outlines",
             Store->NewReference(outlines.RefNumber + offset, outlines.RefGeneration));
    if (CatalogRef != nullptr) {
        Register(CatalogRef->RefNumber, *Catalog);
    }
}

void TSmartPDFDocument::JoinOutlines(TSmartPDFDocument& second, int32_t offset) {
    if (Catalog == nullptr) {
        return;
    }
    auto* ownRef = As<TPDFIndRef>(Catalog->GetValue("Outlines"));
    TPDFDictionary* own = OutlineDictionary();
    TPDFDictionary* other = second.OutlineDictionary();
    if (ownRef == nullptr || own == nullptr || other == nullptr) {
        return;
    }
    for (TPDFIndRef* item : second.TopLevelOutlineItems()) {
        auto* dictionary = As<TPDFDictionary>(second.GetObject(item->RefNumber, nullptr));
        auto* parent =
            dictionary != nullptr ? As<TPDFIndRef>(dictionary->GetValue("Parent")) : nullptr;
        if (parent == nullptr) {
            continue;
        }
        parent->RefNumber = ownRef->RefNumber - offset;
        parent->RefGeneration = ownRef->RefGeneration;
        second.Register(item->RefNumber, *dictionary);
    }
    auto* otherFirst = As<TPDFIndRef>(other->GetValue("First"));
    auto* otherLast = As<TPDFIndRef>(other->GetValue("Last"));
    const std::vector<TPDFIndRef*> ownItems = TopLevelOutlineItems();
    if (!ownItems.empty() && otherFirst != nullptr) {
        TPDFIndRef* last = ownItems.back();
        if (auto* first = As<TPDFDictionary>(second.GetObject(otherFirst->RefNumber, nullptr))) {
            second.SetEntry(
                *first, "Prev",
                second.Store->NewReference(last->RefNumber - offset, last->RefGeneration));
            second.Register(otherFirst->RefNumber, *first);
        }
        if (auto* lastItem = As<TPDFDictionary>(GetObject(last->RefNumber, nullptr))) {
            SetEntry(
                *lastItem, "Next",
                Store->NewReference(otherFirst->RefNumber + offset, otherFirst->RefGeneration));
            Register(last->RefNumber, *lastItem);
        }
    }
    auto* otherCount = As<TPDFNumeric>(other->GetValue("Count"));
    const double added = otherCount != nullptr ? otherCount->Value : 0;
    if (auto* ownCount = As<TPDFNumeric>(own->GetValue("Count"))) {
        SetEntry(*own, "Count", Store->NewNumber(ownCount->Value + added));
    } else {
        SetEntry(*own, "Count", Store->NewNumber(added));
    }
    if (auto* ownLast = As<TPDFIndRef>(own->GetValue("Last")); ownLast != nullptr && otherLast) {
        ownLast->RefNumber = otherLast->RefNumber + offset;
        ownLast->RefGeneration = otherLast->RefGeneration;
    }
    Register(ownRef->RefNumber, *own);
}

}  // namespace foldant

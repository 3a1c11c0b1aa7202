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

}  // namespace foldant

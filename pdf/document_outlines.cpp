#include <unordered_set>

#include "pdf/pdf_keys.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

TPDFDictionary* TSmartPDFDocument::OutlineDictionary() {
    if (Catalog == nullptr) {
        return nullptr;
    }
    auto* reference = As<TPDFIndRef>(Catalog->GetValue(kOutlines));
    return reference != nullptr ? As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr))
                                : nullptr;
}

bool TSmartPDFDocument::HasOutlines() {
    TPDFDictionary* outlines = OutlineDictionary();
    return outlines != nullptr && As<TPDFIndRef>(outlines->GetValue(kFirst)) != nullptr &&
           As<TPDFIndRef>(outlines->GetValue(kLast)) != nullptr;
}

std::vector<TPDFIndRef*> TSmartPDFDocument::TopLevelOutlineItems() {
    std::vector<TPDFIndRef*> items;
    TPDFDictionary* outlines = OutlineDictionary();
    if (outlines == nullptr) {
        return items;
    }
    std::unordered_set<int32_t> seen;
    auto* item = As<TPDFIndRef>(outlines->GetValue(kFirst));
    while (item != nullptr && seen.insert(item->RefNumber).second) {
        items.push_back(item);
        auto* dictionary = As<TPDFDictionary>(GetObject(item->RefNumber, nullptr));
        item = dictionary != nullptr ? As<TPDFIndRef>(dictionary->GetValue(kNext)) : nullptr;
    }
    return items;
}

}  // namespace foldant

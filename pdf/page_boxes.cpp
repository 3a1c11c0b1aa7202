#include <algorithm>
#include <exception>

#include "pdf/smart_pdf_document.h"

namespace foldant {

namespace {

constexpr std::string_view kDefaultBox = "[ 0 0 612 792 ]";

}  // namespace

// Gives every page its own media box, crop box and rotation, taken from the page tree above it,
// so that the page keeps them once its tree hangs below another document's root.
void TSmartPDFDocument::PushDownPageBoxes() {
    // A page needs an object of its own, so a count beyond the object numbers is damage and is
    // not walked.
    const int32_t count = std::min(PageCount(), HighestNumber());
    TPDFIndRef* previous = nullptr;
    for (int32_t i = 1; i <= count; ++i) {
        try {
            TPDFIndRef* reference = FindPage(i, previous);
            previous = reference;
            if (reference == nullptr) {
                continue;
            }
            auto* page = As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr));
            if (page == nullptr) {
                continue;
            }
            bool changed = false;
            TPDFObject* mediaBox = nullptr;
            if (TPDFObject* own = page->GetValue("MediaBox")) {
                mediaBox = As<TPDFArray>(Resolve(own));
            } else {
                mediaBox = As<TPDFArray>(Resolve(InheritedValue(*page, "MediaBox")));
                if (mediaBox == nullptr) {
                    mediaBox = &Store->Parse(kDefaultBox);
                }
                SetEntry(*page, "MediaBox", *mediaBox);
                changed = true;
            }
            if (mediaBox == nullptr) {
                mediaBox = &Store->Parse(kDefaultBox);
            }
            if (page->GetValue("CropBox") == nullptr) {
                TPDFObject* cropBox = As<TPDFArray>(Resolve(InheritedValue(*page, "CropBox")));
                SetEntry(*page, "CropBox", cropBox != nullptr ? *cropBox : *mediaBox);
                changed = true;
            }
            if (page->GetValue("Rotate") == nullptr) {
                TPDFObject* rotate = As<TPDFNumeric>(Resolve(InheritedValue(*page, "Rotate")));
                SetEntry(*page, "Rotate", rotate != nullptr ? *rotate : Store->NewNumber(0));
                changed = true;
            }
            if (changed) {
                Register(reference->RefNumber, *page);
            }
        } catch (const std::exception&) {
        }
    }
}

}  // namespace foldant

#include <algorithm>
#include <exception>
#include <unordered_map>

#include "pdf/pdf_keys.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

namespace {

constexpr std::string_view kDefaultBox = "[ 0 0 612 792 ]";
// The pages read on the way are dropped once their store holds more objects than this, so a
// document of thousands of pages is never held whole.
constexpr int32_t kWalkStoreLimit = 200;

}  // namespace

// Gives every page its own media box, crop box and rotation, taken from the page tree above it,
// so that the page keeps them once its tree hangs below another document's root. The pages are
// read one at a time into a store that is emptied before the next; a page that changed is kept
// as its text until it is written.
void TSmartPDFDocument::PushDownPageBoxes() {
    // A page needs an object of its own, so a count beyond the object numbers is damage and is
    // not walked.
    const int32_t count = std::min(PageCount(), HighestNumber());
    TPDFStructure pages;
    pages.OnResolveReference = Store->OnResolveReference;
    struct WalkScope {
        TPDFStructure*& store;
        std::unordered_map<int32_t, TPDFObject*>& read;
        ~WalkScope() {
            store = nullptr;
            read.clear();
        }
    } scope{walkStore_, walkRead_};
    walkStore_ = &pages;
    TPDFIndRef* previous = nullptr;
    for (int32_t i = 1; i <= count; ++i) {
        // The page just edited and its successor, which the next step reads, stay in the store.
        if (pages.Count() > kWalkStoreLimit) {
            pages.Clear();
            walkRead_.clear();
        }
        try {
            TPDFIndRef* reference = FindPage(i, previous);
            previous = reference;
            if (reference == nullptr) {
                continue;
            }
            const bool own = changed_.count(reference->RefNumber) != 0;
            auto* page = As<TPDFDictionary>(own ? GetObject(reference->RefNumber, nullptr)
                                                : ResolveNode(reference));
            if (page == nullptr) {
                continue;
            }
            bool changed = false;
            TPDFObject* mediaBox = nullptr;
            if (TPDFObject* own = page->GetValue(kMediaBox)) {
                mediaBox = As<TPDFArray>(Resolve(own));
            } else {
                mediaBox = As<TPDFArray>(Resolve(InheritedValue(*page, kMediaBox)));
                if (mediaBox == nullptr) {
                    mediaBox = &Store->Parse(kDefaultBox);
                }
                SetEntry(*page, kMediaBox, *mediaBox);
                changed = true;
            }
            if (mediaBox == nullptr) {
                mediaBox = &Store->Parse(kDefaultBox);
            }
            if (page->GetValue(kCropBox) == nullptr) {
                TPDFObject* cropBox = As<TPDFArray>(Resolve(InheritedValue(*page, kCropBox)));
                SetEntry(*page, kCropBox, cropBox != nullptr ? *cropBox : *mediaBox);
                changed = true;
            }
            if (page->GetValue(kRotate) == nullptr) {
                TPDFObject* rotate = As<TPDFNumeric>(Resolve(InheritedValue(*page, kRotate)));
                SetEntry(*page, kRotate, rotate != nullptr ? *rotate : Store->NewNumber(0));
                changed = true;
            }
            if (changed && own) {
                Register(reference->RefNumber, *page);
            } else if (changed) {
                editedText_[reference->RefNumber] = page->WriteToText();
            }
        } catch (const std::exception&) {
        }
    }
}

}  // namespace foldant

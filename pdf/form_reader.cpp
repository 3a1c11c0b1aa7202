#include "pdf/form_reader.h"

#include <memory>
#include <unordered_set>
#include <utility>

#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Field trees are shallow; a deeper one is damage, and walking it has no purpose.
constexpr size_t kMaxFieldDepth = 64;

}  // namespace

TPDFFormReader::TPDFFormReader(TPDFDictionary& form, Resolver resolve)
    : form_(form), resolve_(std::move(resolve)) {
    AddMissing(form);
}

const std::vector<int32_t>& TPDFFormReader::FieldNumbers() {
    if (!walked_) {
        walked_ = true;
        Walk(form_.GetValue(kFields));
    }
    return fieldNumbers_;
}

void TPDFFormReader::AddMissing(TPDFDictionary& form) {
    TPDFStructure& store = form.Owner;
    if (form.GetValue(kFields) == nullptr) {
        form.Add(kFields, store.NewArray());
    }
    if (form.GetValue(kCO) == nullptr) {
        form.Add(kCO, store.NewArray());
    }
    if (form.GetValue(kDR) == nullptr) {
        form.Add(kDR, store.NewDictionary());
    }
}

void TPDFFormReader::Walk(TPDFObject* fieldsEntry) {
    struct Level {
        std::unique_ptr<TPDFStructure> store;
        TPDFArray* kids;
        int32_t next;
    };
    std::vector<Level> pending;
    std::unordered_set<int32_t> entered;
    auto top = std::make_unique<TPDFStructure>();
    if (auto* fields = As<TPDFArray>(resolve_(fieldsEntry, *top))) {
        pending.push_back({std::move(top), fields, 0});
    }
    while (!pending.empty()) {
        Level& level = pending.back();
        if (level.next >= level.kids->Count()) {
            pending.pop_back();
            continue;
        }
        auto* reference = As<TPDFIndRef>(level.kids->Item(level.next++));
        if (reference == nullptr || !entered.insert(reference->RefNumber).second) {
            continue;
        }
        auto store = std::make_unique<TPDFStructure>();
        auto* field = As<TPDFDictionary>(resolve_(reference, *store));
        if (field == nullptr) {
            continue;
        }
        fieldNumbers_.push_back(reference->RefNumber);
        auto* kids = As<TPDFArray>(resolve_(field->GetValue(kKids), *store));
        if (kids != nullptr && pending.size() < kMaxFieldDepth) {
            pending.push_back({std::move(store), kids, 0});
        }
    }
}

}  // namespace foldant

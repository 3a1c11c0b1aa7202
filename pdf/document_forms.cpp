#include <string>
#include <string_view>

#include "pdf/form_reader.h"
#include "pdf/pdf_keys.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

void TSmartPDFDocument::LocateForm() {
    TPDFObject* form = Catalog->GetValue(kAcroForm);
    if (auto* direct = As<TPDFDictionary>(form)) {
        FormRef = &AddNewObject(*direct);
        SetEntry(*Catalog, kAcroForm, *FormRef);
        if (CatalogRef != nullptr) {
            Register(CatalogRef->RefNumber, *Catalog);
        }
        FormDict = direct;
    } else if (auto* reference = As<TPDFIndRef>(form)) {
        FormRef = reference;
        FormDict = As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr));
    }
    RunFormReader();
}

void TSmartPDFDocument::RunFormReader() {
    if (FormDict == nullptr) {
        return;
    }
    formReader_ = std::make_unique<TPDFFormReader>(
        *FormDict, [this](TPDFObject* object, TPDFStructure& store) -> TPDFObject* {
            if (auto* reference = As<TPDFIndRef>(object)) {
                return GetObject(reference->RefNumber, &store);
            }
            return object;
        });
}

const std::vector<int32_t>& TSmartPDFDocument::FieldNumbers() const {
    static const std::vector<int32_t> kNone;
    return formReader_ != nullptr ? formReader_->FieldNumbers() : kNone;
}

void TSmartPDFDocument::EnsureForm() {
    if (FormDict != nullptr || Catalog == nullptr) {
        return;
    }
    TPDFDictionary& form = Store->NewDictionary();
    form.Add(kFields, Store->NewArray());
    form.Add(kCO, Store->NewArray());
    form.Add(kNeedAppearances, Store->NewBoolean(false));
    FormRef = &AddNewObject(form);
    FormDict = &form;
    SetEntry(*Catalog, kAcroForm, *FormRef);
    if (CatalogRef != nullptr) {
        Register(CatalogRef->RefNumber, *Catalog);
    }
}

TPDFArray* TSmartPDFDocument::FormArray(std::string_view key) {
    if (FormDict == nullptr) {
        return nullptr;
    }
    TPDFObject* value = FormDict->GetValue(key);
    if (value == nullptr) {
        TPDFArray& array = Store->NewArray();
        SetEntry(*FormDict, key, array);
        return &array;
    }
    return As<TPDFArray>(Resolve(value));
}

TPDFArray* TSmartPDFDocument::FieldsArray() {
    return FormArray(kFields);
}

TPDFArray* TSmartPDFDocument::CalcOrderArray() {
    return FormArray(kCO);
}

bool TSmartPDFDocument::NeedAppearances() {
    if (FormDict == nullptr) {
        return false;
    }
    auto* flag = As<TPDFBoolean>(Resolve(FormDict->GetValue(kNeedAppearances)));
    return flag != nullptr && flag->Value;
}

namespace {

// Appends every reference of `from` to `to`, shifted into the other document's numbers.
void AppendShiftedReferences(TPDFArray& to, const TPDFArray& from, int32_t offset,
                             TPDFStructure& store) {
    to.Reserve(from.Count());
    for (int32_t i = 0; i < from.Count(); ++i) {
        if (auto* reference = As<TPDFIndRef>(from.Item(i))) {
            to.Add(store.NewReference(reference->RefNumber + offset, reference->RefGeneration));
        }
    }
}

// The form entries whose values fields take when they have none of their own.
constexpr std::string_view kInheritedFieldDefaults[] = {kDA, kQ};

}  // namespace

void TSmartPDFDocument::PushDownFieldDefaults() {
    TPDFArray* fields = FormDict != nullptr ? FieldsArray() : nullptr;
    if (fields == nullptr) {
        return;
    }
    for (std::string_view key : kInheritedFieldDefaults) {
        TPDFObject* value = Resolve(FormDict->GetValue(key));
        if (value == nullptr) {
            continue;
        }
        const std::string text = value->WriteToText();
        for (int32_t i = 0; i < fields->Count(); ++i) {
            auto* reference = As<TPDFIndRef>(fields->Item(i));
            auto* field = reference != nullptr
                              ? As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr))
                              : nullptr;
            if (field == nullptr || field->GetValue(key) != nullptr) {
                continue;
            }
            SetEntry(*field, key, Store->Parse(text));
            Register(reference->RefNumber, *field);
        }
    }
}

TPDFDictionary* TSmartPDFDocument::EditableDictionary(TPDFDictionary& parent, int32_t owner,
                                                      std::string_view key) {
    TPDFObject* value = parent.GetValue(key);
    if (auto* reference = As<TPDFIndRef>(value)) {
        auto* held = As<TPDFDictionary>(GetObject(reference->RefNumber, nullptr));
        if (held != nullptr) {
            Register(reference->RefNumber, *held);
        }
        return held;
    }
    auto* direct = As<TPDFDictionary>(value);
    if (direct == nullptr) {
        if (value != nullptr) {
            return nullptr;
        }
        direct = &Store->NewDictionary();
        SetEntry(parent, key, *direct);
    }
    if (owner > 0) {
        if (TPDFObject* held = GetObject(owner, nullptr)) {
            Register(owner, *held);
        }
    }
    return direct;
}

void TSmartPDFDocument::MergeFormResources(TSmartPDFDocument& second, int32_t offset) {
    if (FormDict == nullptr || FormRef == nullptr || second.FormDict == nullptr) {
        return;
    }
    auto* theirs = As<TPDFDictionary>(second.Resolve(second.FormDict->GetValue(kDR)));
    if (theirs == nullptr) {
        return;
    }
    const int32_t formNumber = FormRef->RefNumber;
    TPDFDictionary* ours = EditableDictionary(*FormDict, formNumber, kDR);
    if (ours == nullptr) {
        return;
    }
    auto* resourcesRef = As<TPDFIndRef>(FormDict->GetValue(kDR));
    const int32_t resourcesOwner = resourcesRef != nullptr ? resourcesRef->RefNumber : formNumber;
    for (int32_t i = 0; i < theirs->EntryCount(); ++i) {
        const auto [categoryName, categoryValue] = theirs->EntryAt(i);
        auto* category = As<TPDFDictionary>(second.Resolve(categoryValue));
        if (categoryName == nullptr || category == nullptr) {
            continue;
        }
        TPDFDictionary* own = EditableDictionary(*ours, resourcesOwner, categoryName->Value);
        if (own == nullptr) {
            continue;
        }
        // A name the first form defines already keeps its meaning there.
        for (int32_t k = 0; k < category->EntryCount(); ++k) {
            const auto [name, resource] = category->EntryAt(k);
            if (name == nullptr || resource == nullptr || own->GetValue(name->Value) != nullptr) {
                continue;
            }
            TPDFObject& copy = Store->Parse(resource->WriteToText());
            copy.ShiftObjectNumbers(offset);
            SetEntry(*own, name->Value, copy);
        }
    }
}

void TSmartPDFDocument::MergeForm(TPDFArray* fields, TPDFArray* calcOrder, bool needAppearances,
                                  int32_t offset) {
    TPDFArray* ownFields = FieldsArray();
    if (ownFields == nullptr || fields == nullptr || FormRef == nullptr) {
        return;
    }
    AppendShiftedReferences(*ownFields, *fields, offset, *Store);
    TPDFArray* ownCalcOrder = CalcOrderArray();
    if (ownCalcOrder != nullptr && calcOrder != nullptr) {
        AppendShiftedReferences(*ownCalcOrder, *calcOrder, offset, *Store);
    }
    if (needAppearances) {
        SetEntry(*FormDict, kNeedAppearances, Store->NewBoolean(true));
    }
    Register(FormRef->RefNumber, *FormDict);
    for (std::string_view key : {kFields, kCO}) {
        if (auto* reference = As<TPDFIndRef>(FormDict->GetValue(key))) {
            if (TPDFObject* array = As<TPDFArray>(GetObject(reference->RefNumber, nullptr))) {
                Register(reference->RefNumber, *array);
            }
        }
    }
}

}  // namespace foldant

#include "pdf/form_reader.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

void TSmartPDFDocument::LocateForm() {
    TPDFObject* form = Catalog->GetValue("AcroForm");
    if (auto* direct = As<TPDFDictionary>(form)) {
        FormRef = &AddNewObject(*direct);
        SetEntry(*Catalog, "AcroForm", *FormRef);
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
        *FormDict, [this](TPDFObject* object) { return Resolve(object); });
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
    form.Add("Fields", Store->NewArray());
    form.Add("CO", Store->NewArray());
    form.Add("NeedAppearances", Store->NewBoolean(false));
    FormRef = &AddNewObject(form);
    FormDict = &form;
    SetEntry(*Catalog, "AcroForm", *FormRef);
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
    return FormArray("Fields");
}

TPDFArray* TSmartPDFDocument::CalcOrderArray() {
    return FormArray("CO");
}

bool TSmartPDFDocument::NeedAppearances() {
    if (FormDict == nullptr) {
        return false;
    }
    auto* flag = As<TPDFBoolean>(Resolve(FormDict->GetValue("NeedAppearances")));
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

}  // namespace

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
        SetEntry(*FormDict, "NeedAppearances", Store->NewBoolean(true));
    }
    Register(FormRef->RefNumber, *FormDict);
    for (const char* key : {"Fields", "CO"}) {
        if (auto* reference = As<TPDFIndRef>(FormDict->GetValue(key))) {
            if (TPDFObject* array = As<TPDFArray>(GetObject(reference->RefNumber, nullptr))) {
                Register(reference->RefNumber, *array);
            }
        }
    }
}

}  // namespace foldant

#include <vector>

#include "pdf/pdf_filters.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_objects.h"

namespace foldant {

namespace {

TPDFObject* Resolved(TPDFObject* object) {
    if (auto* reference = As<TPDFIndRef>(object)) {
        return reference->Resolve();
    }
    return object;
}

std::vector<std::string> FilterNames(const TPDFDictionary& dictionary) {
    std::vector<std::string> names;
    TPDFObject* filter = Resolved(dictionary.GetValue(kFilter));
    if (auto* name = As<TPDFName>(filter)) {
        names.push_back(name->Value);
    } else if (auto* array = As<TPDFArray>(filter)) {
        for (TPDFObject* item : array->Items) {
            if (auto* itemName = As<TPDFName>(Resolved(item))) {
                names.push_back(itemName->Value);
            }
        }
    }
    return names;
}

// The parameter dictionary of each filter, none where a filter has none.
std::vector<const TPDFDictionary*> FilterParms(const TPDFDictionary& dictionary, size_t count) {
    std::vector<const TPDFDictionary*> parms(count, nullptr);
    TPDFObject* value = dictionary.IndexOfKey(kDecodeParms) >= 0
                            ? dictionary.GetValue(kDecodeParms, true)
                            : dictionary.GetValue(kDP, true);
    if (auto* single = As<TPDFDictionary>(value)) {
        if (count > 0) {
            parms[0] = single;
        }
    } else if (auto* array = As<TPDFArray>(value)) {
        const size_t n = std::min(count, array->Items.size());
        for (size_t i = 0; i < n; ++i) {
            parms[i] = As<TPDFDictionary>(array->Items[i]);
        }
    }
    return parms;
}

bool EarlyChange(const TPDFDictionary* parms) {
    if (parms == nullptr) {
        return true;
    }
    auto* value = As<TPDFNumeric>(parms->GetValue(kEarlyChange, true));
    return value == nullptr || value->AsInteger() == 1;
}

std::string ApplyFilter(const std::string& name, const TPDFDictionary* parmsDictionary,
                        const std::string& data) {
    if (name == "FlateDecode" || name == "Fl") {
        if (parmsDictionary != nullptr) {
            TPDFFlateParms parms = ReadFilterParms(*parmsDictionary);
            if (parms.Predictor > 1) {
                return FlateDecodeWithPredictor(data, parms);
            }
        }
        return FlateDecode(data);
    }
    if (name == "RunLengthDecode" || name == "RL") {
        return RunLengthDecode(data);
    }
    if (name == "ASCII85Decode" || name == "A85") {
        return ASCII85Decode(data);
    }
    if (name == "ASCIIHexDecode") {
        return ASCIIHexDecode(data);
    }
    if (name == "LZWDecode") {
        TPDFLZWParms parms;
        if (parmsDictionary != nullptr) {
            static_cast<TPDFFlateParms&>(parms) = ReadFilterParms(*parmsDictionary);
        }
        return LZWDecode(data, parmsDictionary != nullptr ? &parms : nullptr,
                         EarlyChange(parmsDictionary));
    }
    return data;
}

}  // namespace

TPDFFlateParms ReadFilterParms(const TPDFDictionary& dictionary) {
    TPDFFlateParms parms;
    auto read = [&dictionary](std::string_view name, int32_t& field) {
        if (auto* value = As<TPDFNumeric>(dictionary.GetValue(name, true))) {
            field = value->AsInteger();
        }
    };
    read(kPredictor, parms.Predictor);
    read(kColors, parms.Colors);
    read(kBitsPerComponent, parms.BitsPerComponent);
    read(kColumns, parms.Columns);
    return parms;
}

std::string TPDFStream::GetDecodedData() const {
    const std::vector<std::string> names = FilterNames(*Dictionary);
    const std::vector<const TPDFDictionary*> parms = FilterParms(*Dictionary, names.size());
    std::string data = Data;
    for (size_t i = 0; i < names.size(); ++i) {
        try {
            data = ApplyFilter(names[i], parms[i], data);
        } catch (const std::exception&) {
            data.clear();
        }
    }
    return data;
}

}  // namespace foldant

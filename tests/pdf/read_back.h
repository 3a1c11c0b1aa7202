#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "pdf/byte_stream.h"
#include "pdf/page_tree.h"
#include "pdf/smart_pdf_reader.h"

namespace foldant::testing_pdf {

// A file the engine wrote, read back for the tests to look into.
class ReadBack {
  public:
    void Open(const std::string& bytes) {
        input_ = std::make_unique<TMemoryStream>(bytes);
        Reader = std::make_unique<TSmartPDFReader>(*input_);
    }

    TPDFDictionary* Dict(int32_t n) { return As<TPDFDictionary>(Reader->GetObject(n, nullptr)); }
    // The entry's text, or "-" when the object or the entry is missing.
    std::string Entry(int32_t n, std::string_view key) {
        TPDFDictionary* dictionary = Dict(n);
        TPDFObject* value = dictionary != nullptr ? dictionary->GetValue(key) : nullptr;
        return value != nullptr ? value->WriteToText() : "-";
    }
    // The number of the object the entry refers to, or 0.
    int32_t RefNumber(int32_t n, std::string_view key) {
        TPDFDictionary* dictionary = Dict(n);
        auto* reference =
            dictionary != nullptr ? As<TPDFIndRef>(dictionary->GetValue(key)) : nullptr;
        return reference != nullptr ? reference->RefNumber : 0;
    }
    std::string TrailerEntry(std::string_view key) {
        TPDFObject* value = Reader->Trailer->GetValue(key);
        return value != nullptr ? value->WriteToText() : "-";
    }
    int32_t Pages() { return CountPages(*Reader); }

    std::unique_ptr<TSmartPDFReader> Reader;

  private:
    std::unique_ptr<TMemoryStream> input_;
};

}  // namespace foldant::testing_pdf

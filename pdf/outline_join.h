#pragma once

#include <cstdint>
#include <optional>

#include "pdf/smart_pdf_document.h"

namespace foldant {

// Chains the outlines of joined documents into one: the top-level items of each document that
// has an outline follow those joined before it, under one outline dictionary whose count is
// their sum. The dictionary is the first document's when it has an outline, else that of the
// first document joined that has one, and the catalog of the first document points to it.
//
// Every document keeps its own numbers; `offset` is what its numbers move by in the output.
// An edit of a document's object that refers to another document's object is written in the
// edited document's numbers, so the move it takes on the way out brings it to the right place.
class TOutlineJoin {
  public:
    explicit TOutlineJoin(TSmartPDFDocument& first);

    void Append(TSmartPDFDocument& next, int32_t offset);

  private:
    // An object of one of the joined documents.
    struct Place {
        TSmartPDFDocument* Document = nullptr;
        int32_t Offset = 0;
        int32_t Number = 0;
        int32_t Generation = 0;

        int32_t OutputNumber() const { return Number + Offset; }
    };

    void Adopt(TSmartPDFDocument& next, int32_t offset);
    void Chain(TSmartPDFDocument& next, int32_t offset);
    static std::optional<Place> LastTopLevelItem(TSmartPDFDocument& document, int32_t offset);

    TSmartPDFDocument& first_;
    // The outline dictionary of the output and its last top-level item, once there is one.
    std::optional<Place> root_;
    std::optional<Place> tail_;
};

}  // namespace foldant

#pragma once

#include <cstdint>
#include <vector>

#include "pdf/named_destinations.h"
#include "pdf/outline_join.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

// Joins documents into one: the pages of the first document, then those of each appended
// document in turn. Each appended page tree becomes one subtree under the first document's
// page-tree root, its fields join the first document's form, its outline follows the outline
// joined so far, and its named destinations join the first document's names. Every change is
// registered in the document whose object it edits; nothing is written here.
//
// Renumbering. The output holds the objects of every joined document, each document's in one
// block of numbers: the first document's objects keep their numbers 1 to h1, the second's
// object n becomes n + h1, the third's n + h1 + h2, and so on, where h is a document's highest
// number once its own new objects are made. A document's offset is the sum of the h of those
// before it, so an object the join does not change is copied with every reference moved by its
// document's offset (pdf/object_copy.h) and needs no table. An edit that makes one document's
// object refer to another document's object is written in the edited document's own numbers
// (the other object's output number minus the edited document's offset), so the one move its
// document takes brings it to the right place.
class TDocumentJoin {
  public:
    struct Part {
        TSmartPDFDocument* Document = nullptr;
        int32_t Offset = 0;
    };

    // `first` must have a page-tree root with kids; the join gives it a form when it has none.
    explicit TDocumentJoin(TSmartPDFDocument& first);

    // `next` must have a page-tree root (TSmartPDFDocument::EnsurePageTreeRoot).
    void Append(TSmartPDFDocument& next);
    // Completes what is built once for all documents; call after the last Append.
    void Finish();

    // The joined documents in output order, with their offsets.
    const std::vector<Part>& Parts() const { return parts_; }
    // The highest object number of the output.
    int32_t HighestNumber() const;

  private:
    TSmartPDFDocument& first_;
    int32_t rootNumber_ = 0;
    int32_t rootGeneration_ = 0;
    std::vector<Part> parts_;
    TOutlineJoin outlines_;
    TNamedDestinationJoin names_;
};

}  // namespace foldant

#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pdf/name_tree.h"
#include "pdf/smart_pdf_document.h"

namespace foldant {

// Carries the named destinations of joined documents into the output, whose objects are each
// document's own renumbered by that document's offset.
//
// The output's name tree holds the first document's tree entries and every destination of each
// appended document, from its tree and from its old-style "Dests" dictionary; the latter also go
// into the first catalog's "Dests" dictionary, where a link that names them by a name object
// looks them up. Names keep their meaning in the order the documents were joined: a name that a
// document defines when an earlier one already did gets a new name in the later document (its
// key and the links, outline items and GoTo actions of its pages and outline that use it).
// Nothing changes when no appended document has named destinations.
class TNamedDestinationJoin {
  public:
    explicit TNamedDestinationJoin(TSmartPDFDocument& first);
    ~TNamedDestinationJoin();
    TNamedDestinationJoin(const TNamedDestinationJoin&) = delete;
    TNamedDestinationJoin& operator=(const TNamedDestinationJoin&) = delete;

    void Append(TSmartPDFDocument& next, int32_t offset);
    // Builds the joined tree as new objects of `last`, the document joined last, whose objects
    // move by `lastOffset`, and hangs it from the first catalog.
    void Finish(TSmartPDFDocument& last, int32_t lastOffset);

  private:
    void CollectFirst();

    TSmartPDFDocument& first_;
    bool firstCollected_ = false;
    bool treeNeeded_ = false;
    // Every name defined so far, and the tree's entries in the output's numbers.
    std::set<std::string> keys_;
    std::unique_ptr<TPDFStructure> store_;
    std::vector<TNameTreeEntry> entries_;
};

}  // namespace foldant

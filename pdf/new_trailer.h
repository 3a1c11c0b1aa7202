#pragma once

#include "pdf/pdf_objects.h"
#include "pdf/smart_pdf_reader.h"

namespace foldant {

// The trailer of a new file written from one input, and what became of its identifier.
struct TNewTrailer {
    // Lives in the store NewTrailer was given.
    TPDFDictionary& Dictionary;
    // The input had no "ID": both of its elements are new, so the first one, which keys the
    // encryption of a copy, differs from anything read from the input.
    bool NewIdentifier = false;
};

// A trailer for a file written from `reader`, built in `store` from the reader's newest trailer
// (or from nothing when it has none); the reader's own trailers stay as they are. "Size"
// counts the reader's objects, "Info" and "Root" come from an older trailer when the newest
// lacks them, the identifier's second element is new, and the entries that describe the
// input's cross-reference sections are gone.
TNewTrailer NewTrailer(const TSmartPDFReader& reader, TPDFStructure& store);

}  // namespace foldant

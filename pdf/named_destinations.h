#pragma once

#include <cstdint>

#include "pdf/smart_pdf_document.h"

namespace foldant {

// Carries the second document's named destinations into the joined file, whose objects are the
// first document's followed by the second's renumbered by `offset`.
//
// The result's name tree holds the first document's tree entries and every destination of the
// second document, from its tree and from its old-style "Dests" dictionary; the latter also go
// into the first catalog's "Dests" dictionary, where a link that names them by a name object
// looks them up. The first document's names keep their meaning. A name that both documents
// define gets a new name in the second document (its key and the links, outline items and GoTo
// actions of its pages and outline that use it). Nothing changes when the second document has
// no named destinations.
void JoinNamedDestinations(TSmartPDFDocument& first, TSmartPDFDocument& second, int32_t offset);

}  // namespace foldant

#pragma once

#include <cstdint>
#include <functional>

#include "pdf/pdf_objects.h"
#include "pdf/smart_pdf_reader.h"

namespace foldant {

// Calls `visit` for every page leaf reached from the catalog's page tree, in document order.
// Every node is entered at most once, so trees whose kids lead back to an ancestor or repeat a
// subtree end instead of looping. A page is valid only during its call.
void ForEachPage(TSmartPDFReader& reader, const std::function<void(TPDFDictionary& page)>& visit);

int32_t CountPages(TSmartPDFReader& reader);

}  // namespace foldant

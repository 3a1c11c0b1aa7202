#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/pdf_objects.h"

namespace foldant {

// The text of one indirect object after its "obj" keyword, cut from a file region that runs
// from the object's offset to the next object's; empty when the region holds no "obj".
std::string ExtractObjectBody(std::string_view region);
// The same body as a view into `region`.
std::string_view ObjectBodyView(std::string_view region);

// Where the data of a stream lies in an object body: 1-based `start` and `length`. The
// dictionary's Length is resolved through `resolve` when it is a reference.
bool LocateStreamData(std::string_view body, int64_t& start, int64_t& length,
                      const TPDFStructure::ResolveReference& resolve = {});

}  // namespace foldant

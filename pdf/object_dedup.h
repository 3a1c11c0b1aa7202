#pragma once

#include <cstdint>
#include <vector>

#include "pdf/object_shape.h"

namespace foldant {

// For every object number, the number of the object written in its place: the lowest-numbered
// object that reads exactly like it, or itself. Two objects read alike when their bytes outside
// the references are equal and each pair of references leads to objects that read alike, so
// equal images, fonts and the descriptors and widths they share collapse at every level, cycles
// included. Only `live` objects take part; objects that are not mergeable, the `pinned` ones
// (the trailer's) and null objects stand for themselves, and 0 is given for numbers that are
// not live.
std::vector<int32_t> StandIns(const std::vector<TObjectShape>& shapes,
                              const std::vector<bool>& live, const std::vector<int32_t>& pinned);

}  // namespace foldant

#pragma once

#include <cstdint>
#include <vector>

#include "pdf/object_shape.h"

namespace foldant {

// Which objects a reader can reach from `roots` (the trailer's references), following the
// references of each object; `shapes` is indexed by object number. A reference to a number
// without an object leads nowhere.
std::vector<bool> ReachableObjects(const std::vector<TObjectShape>& shapes,
                                   const std::vector<int32_t>& roots);

}  // namespace foldant

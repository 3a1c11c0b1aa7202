#include "pdf/reachability.h"

namespace foldant {

std::vector<bool> ReachableObjects(const std::vector<TObjectShape>& shapes,
                                   const std::vector<int32_t>& roots) {
    std::vector<bool> reached(shapes.size(), false);
    std::vector<int32_t> pending;
    const auto visit = [&](int32_t number) {
        if (number > 0 && static_cast<size_t>(number) < shapes.size() && !reached[number]) {
            reached[number] = true;
            pending.push_back(number);
        }
    };
    for (int32_t root : roots) {
        visit(root);
    }
    while (!pending.empty()) {
        const int32_t number = pending.back();
        pending.pop_back();
        for (const TObjectShape::Reference& reference : shapes[number].references) {
            visit(reference.number);
        }
    }
    return reached;
}

}  // namespace foldant

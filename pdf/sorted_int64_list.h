#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace foldant {

// Growable list of 64-bit values, sorted once and then searched by bisection.
class TSortedInt64List {
  public:
    TSortedInt64List() { values_.reserve(1000); }

    void Add(int64_t value) { values_.push_back(value); }
    void Sort() { std::sort(values_.begin(), values_.end()); }
    size_t Count() const { return values_.size(); }

    // The first value after `value` that differs from it; the last value when there is none.
    // An empty list answers -1.
    int64_t NextAfter(int64_t value) const {
        if (values_.empty()) {
            return -1;
        }
        auto found = std::lower_bound(values_.begin(), values_.end(), value);
        if (found >= values_.end() - 1) {
            return values_.back();
        }
        if (*found == value) {
            auto next = std::upper_bound(found, values_.end(), value);
            return next != values_.end() ? *next : values_.back();
        }
        return *found;
    }

  private:
    std::vector<int64_t> values_;
};

}  // namespace foldant

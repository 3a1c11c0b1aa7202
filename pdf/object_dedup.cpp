#include "pdf/object_dedup.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>

namespace foldant {

namespace {

constexpr int32_t kNoClass = -1;

uint64_t Mix(uint64_t seed, uint64_t value) {
    return seed ^ (value + 0x9E3779B97F4A7C15ULL + (seed << 6) + (seed >> 2));
}

uint64_t BytesHash(const TObjectShape& shape) {
    uint64_t hash = std::hash<std::string_view>{}(shape.skeleton);
    for (const TObjectShape::Reference& reference : shape.references) {
        hash = Mix(hash, reference.at);
    }
    return hash;
}

bool SameBytes(const TObjectShape& a, const TObjectShape& b) {
    if (a.skeleton != b.skeleton || a.references.size() != b.references.size()) {
        return false;
    }
    for (size_t i = 0; i < a.references.size(); ++i) {
        if (a.references[i].at != b.references[i].at) {
            return false;
        }
    }
    return true;
}

struct SignatureHash {
    size_t operator()(const std::vector<int32_t>& signature) const {
        uint64_t hash = signature.size();
        for (int32_t value : signature) {
            hash = Mix(hash, static_cast<uint32_t>(value));
        }
        return static_cast<size_t>(hash);
    }
};

class Partition {
  public:
    Partition(const std::vector<TObjectShape>& shapes, const std::vector<bool>& live)
        : shapes_(shapes), live_(live), classes_(shapes.size(), kNoClass) {}

    // Objects with equal bytes start in one class; each stays alone otherwise.
    void StartByBytes(const std::vector<bool>& alone) {
        std::unordered_map<uint64_t, std::vector<int32_t>> buckets;
        for (size_t n = 1; n < shapes_.size(); ++n) {
            if (!live_[n] || shapes_[n].null) {
                continue;
            }
            if (alone[n]) {
                classes_[n] = count_++;
                continue;
            }
            std::vector<int32_t>& bucket = buckets[BytesHash(shapes_[n])];
            const auto same = std::find_if(bucket.begin(), bucket.end(), [&](int32_t other) {
                return SameBytes(shapes_[static_cast<size_t>(other)], shapes_[n]);
            });
            if (same != bucket.end()) {
                classes_[n] = classes_[static_cast<size_t>(*same)];
            } else {
                classes_[n] = count_++;
                bucket.push_back(static_cast<int32_t>(n));
            }
        }
    }

    // Splits every class whose members refer to objects of different classes; false once no
    // class was split, which is the coarsest split under which all members of a class agree.
    bool Refine() {
        std::unordered_map<std::vector<int32_t>, int32_t, SignatureHash> next;
        std::vector<int32_t> refined(classes_.size(), kNoClass);
        std::vector<int32_t> signature;
        for (size_t n = 1; n < shapes_.size(); ++n) {
            if (classes_[n] == kNoClass) {
                continue;
            }
            signature.assign(1, classes_[n]);
            for (const TObjectShape::Reference& reference : shapes_[n].references) {
                signature.push_back(ClassOf(reference.number));
            }
            const auto [at, added] = next.emplace(signature, static_cast<int32_t>(next.size()));
            refined[n] = at->second;
        }
        const bool split = static_cast<int32_t>(next.size()) != count_;
        count_ = static_cast<int32_t>(next.size());
        classes_.swap(refined);
        return split;
    }

    std::vector<int32_t> Representatives() const {
        std::vector<int32_t> first(static_cast<size_t>(count_), 0);
        std::vector<int32_t> standIns(classes_.size(), 0);
        for (size_t n = 1; n < classes_.size(); ++n) {
            const int32_t cls = classes_[n];
            if (cls == kNoClass) {
                standIns[n] = live_[n] ? static_cast<int32_t>(n) : 0;
                continue;
            }
            int32_t& representative = first[static_cast<size_t>(cls)];
            if (representative == 0) {
                representative = static_cast<int32_t>(n);
            }
            standIns[n] = representative;
        }
        return standIns;
    }

  private:
    int32_t ClassOf(int32_t number) const {
        if (number <= 0 || static_cast<size_t>(number) >= classes_.size()) {
            return kNoClass;
        }
        return classes_[static_cast<size_t>(number)];
    }

    const std::vector<TObjectShape>& shapes_;
    const std::vector<bool>& live_;
    std::vector<int32_t> classes_;
    int32_t count_ = 0;
};

}  // namespace

std::vector<int32_t> StandIns(const std::vector<TObjectShape>& shapes,
                              const std::vector<bool>& live, const std::vector<int32_t>& pinned) {
    std::vector<bool> alone(shapes.size(), false);
    for (size_t n = 1; n < shapes.size(); ++n) {
        alone[n] = !shapes[n].mergeable;
    }
    for (int32_t number : pinned) {
        if (number > 0 && static_cast<size_t>(number) < shapes.size()) {
            alone[static_cast<size_t>(number)] = true;
        }
    }
    Partition partition(shapes, live);
    partition.StartByBytes(alone);
    while (partition.Refine()) {
    }
    return partition.Representatives();
}

}  // namespace foldant

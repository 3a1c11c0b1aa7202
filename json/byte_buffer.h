#pragma once

// An append-only byte buffer that grows by a fixed step of 50,000 bytes. Each step adds a block
// of its own instead of enlarging one block in place, so no byte is ever copied twice and the
// cost of a large text stays linear however the allocator behaves; the text is made from the
// blocks at the end.

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace foldant {

class ByteBuffer {
  public:
    static constexpr size_t kStep = 50000;

    ByteBuffer() { Grow(); }

    void Append(char c) {
        if (used_ == kStep) {
            Grow();
        }
        blocks_.back()[used_++] = c;
    }
    void Append(std::string_view bytes) {
        while (!bytes.empty()) {
            if (used_ == kStep) {
                Grow();
            }
            size_t part = std::min(bytes.size(), kStep - used_);
            bytes.copy(blocks_.back().get() + used_, part);
            used_ += part;
            bytes.remove_prefix(part);
        }
    }
    size_t Size() const { return (blocks_.size() - 1) * kStep + used_; }
    size_t Capacity() const { return blocks_.size() * kStep; }
    std::string Text() const {
        std::string text;
        text.reserve(Size());
        for (size_t i = 0; i + 1 < blocks_.size(); ++i) {
            text.append(blocks_[i].get(), kStep);
        }
        text.append(blocks_.back().get(), used_);
        return text;
    }

  private:
    void Grow() {
        blocks_.push_back(std::make_unique_for_overwrite<char[]>(kStep));
        used_ = 0;
    }

    std::vector<std::unique_ptr<char[]>> blocks_;
    size_t used_ = 0;
};

}  // namespace foldant

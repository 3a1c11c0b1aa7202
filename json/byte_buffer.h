#pragma once

// An append-only byte buffer that grows by a fixed step, so a large text costs few
// reallocations (and on this system large blocks grow by remapping instead of copying).

#include <cstddef>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>

namespace foldant {

class ByteBuffer {
  public:
    static constexpr size_t kStep = 50000;

    ByteBuffer() { Grow(kStep); }
    ~ByteBuffer() { std::free(data_); }
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    void Append(char c) {
        if (size_ == capacity_) {
            Grow(kStep);
        }
        data_[size_++] = c;
    }
    void Append(std::string_view bytes) {
        if (capacity_ - size_ < bytes.size()) {
            size_t missing = bytes.size() - (capacity_ - size_);
            Grow((missing + kStep - 1) / kStep * kStep);
        }
        bytes.copy(data_ + size_, bytes.size());
        size_ += bytes.size();
    }
    std::string Text() const { return std::string(data_, size_); }
    size_t Capacity() const { return capacity_; }

  private:
    void Grow(size_t step) {
        void* grown = std::realloc(data_, capacity_ + step);
        if (!grown) {
            throw std::bad_alloc();
        }
        data_ = static_cast<char*>(grown);
        capacity_ += step;
    }

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

}  // namespace foldant

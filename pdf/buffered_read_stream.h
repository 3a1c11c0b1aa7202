#pragma once

#include <cstdint>
#include <memory>

#include "pdf/byte_stream.h"

namespace foldant {

// Serves small reads of a file that nobody writes while it is read from a window of its bytes,
// so that reading one object after another costs a system call per window rather than three
// per object. Large reads go straight to the source. Writing is refused.
class TBufferedReadStream : public TByteStream {
  public:
    static constexpr int64_t kWindowSize = 64 * 1024;

    explicit TBufferedReadStream(TByteStream& source);

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() override { return position_; }
    int64_t Size() override { return size_; }
    bool SetSize(int64_t size) override;

  private:
    bool Fill(int64_t position);

    TByteStream& source_;
    int64_t size_ = 0;
    int64_t position_ = 0;
    int64_t windowStart_ = 0;
    // The window's bytes, allocated once and never cleared: every byte of it that is served
    // was read from the source first.
    std::unique_ptr<char[]> window_;
    int64_t windowLength_ = 0;
};

}  // namespace foldant

#include "pdf/buffered_read_stream.h"

#include <algorithm>
#include <cstring>

namespace foldant {

TBufferedReadStream::TBufferedReadStream(TByteStream& source)
    : source_(source), size_(std::max<int64_t>(source.Size(), 0)) {}

bool TBufferedReadStream::Fill(int64_t position) {
    if (window_ == nullptr) {
        window_ = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(kWindowSize));
    }
    windowStart_ = position;
    windowLength_ = 0;
    if (source_.Seek(position) != position) {
        return false;
    }
    const int64_t got = source_.Read(window_.get(), std::min(kWindowSize, size_ - position));
    windowLength_ = std::max<int64_t>(got, 0);
    return windowLength_ > 0;
}

int64_t TBufferedReadStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_) {
        return 0;
    }
    count = std::min(count, size_ - position_);
    const int64_t windowEnd = windowStart_ + windowLength_;
    const bool inWindow = position_ >= windowStart_ && position_ + count <= windowEnd;
    if (!inWindow && count >= kWindowSize / 2) {
        if (source_.Seek(position_) != position_) {
            return 0;
        }
        const int64_t got = source_.Read(buffer, count);
        position_ += std::max<int64_t>(got, 0);
        return got;
    }
    if (!inWindow && (!Fill(position_) || windowLength_ < count)) {
        count = std::min(count, windowLength_);
        if (count <= 0) {
            return 0;
        }
    }
    std::memcpy(buffer, window_.get() + (position_ - windowStart_), static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TBufferedReadStream::Write(const void*, int64_t) {
    return 0;
}

int64_t TBufferedReadStream::Seek(int64_t position) {
    if (position < 0) {
        return -1;
    }
    position_ = position;
    return position_;
}

bool TBufferedReadStream::SetSize(int64_t) {
    return false;
}

}  // namespace foldant

#include "pdf/buffered_read_stream.h"

#include <algorithm>
#include <cstring>

namespace foldant {

TBufferedReadStream::TBufferedReadStream(TByteStream& source)
    : source_(source), size_(std::max<int64_t>(source.Size(), 0)) {}

bool TBufferedReadStream::Fill(int64_t position) {
    window_.assign(static_cast<size_t>(std::min(kWindowSize, size_ - position)), '\0');
    windowStart_ = position;
    if (source_.Seek(position) != position) {
        window_.clear();
        return false;
    }
    const int64_t got = source_.Read(window_.data(), static_cast<int64_t>(window_.size()));
    window_.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
    return !window_.empty();
}

int64_t TBufferedReadStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_) {
        return 0;
    }
    count = std::min(count, size_ - position_);
    const int64_t windowEnd = windowStart_ + static_cast<int64_t>(window_.size());
    const bool inWindow = position_ >= windowStart_ && position_ + count <= windowEnd;
    if (!inWindow && count >= kWindowSize / 2) {
        if (source_.Seek(position_) != position_) {
            return 0;
        }
        const int64_t got = source_.Read(buffer, count);
        position_ += std::max<int64_t>(got, 0);
        return got;
    }
    if (!inWindow && (!Fill(position_) || static_cast<int64_t>(window_.size()) < count)) {
        count = std::min<int64_t>(count, static_cast<int64_t>(window_.size()));
        if (count <= 0) {
            return 0;
        }
    }
    std::memcpy(buffer, window_.data() + (position_ - windowStart_), static_cast<size_t>(count));
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

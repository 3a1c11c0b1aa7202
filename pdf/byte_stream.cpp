#include "pdf/byte_stream.h"

#include <algorithm>
#include <cstring>

namespace foldant {

std::string ReadBytesAt(TByteStream& stream, int64_t position, int64_t count) {
    int64_t size = stream.Size();
    if (count < 1 || position < 0 || position >= size) {
        return {};
    }
    count = std::min(count, size - position);
    std::string bytes(static_cast<size_t>(count), '\0');
    if (stream.Seek(position) != position) {
        return {};
    }
    bytes.resize(static_cast<size_t>(stream.Read(bytes.data(), count)));
    return bytes;
}

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    int64_t available = std::max<int64_t>(0, Size() - position_);
    int64_t n = std::clamp<int64_t>(count, 0, available);
    if (n > 0) {
        std::memcpy(buffer, bytes_.data() + position_, static_cast<size_t>(n));
    }
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0) {
        return 0;
    }
    if (position_ + count > Size()) {
        bytes_.resize(static_cast<size_t>(position_ + count));
    }
    std::memcpy(bytes_.data() + position_, buffer, static_cast<size_t>(count));
    position_ += count;
    return count;
}

int64_t TMemoryStream::Seek(int64_t position) {
    if (position < 0) {
        return -1;
    }
    position_ = position;
    return position_;
}

bool TMemoryStream::SetSize(int64_t size) {
    if (size < 0) {
        return false;
    }
    bytes_.resize(static_cast<size_t>(size));
    position_ = std::min(position_, size);
    return true;
}

}  // namespace foldant

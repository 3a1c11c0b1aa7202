#pragma once

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace foldant {

// A read position over bytes held elsewhere: the small moves that the parsers of the file
// structure share. Moves never pass the end.
class ByteCursor {
  public:
    explicit ByteCursor(std::string_view bytes, size_t position = 0)
        : bytes_(bytes), position_(std::min(position, bytes.size())) {}

    bool AtEnd() const { return position_ >= bytes_.size(); }
    size_t Position() const { return position_; }
    size_t Remaining() const { return bytes_.size() - position_; }
    char Peek() const { return AtEnd() ? '\0' : bytes_[position_]; }
    void Advance(size_t count = 1) { position_ = std::min(bytes_.size(), position_ + count); }

    template <class Predicate>
    void SkipWhile(Predicate predicate) {
        while (!AtEnd() && predicate(bytes_[position_])) {
            ++position_;
        }
    }

    template <class Predicate>
    std::string_view TakeWhile(Predicate predicate) {
        const size_t start = position_;
        SkipWhile(predicate);
        return bytes_.substr(start, position_ - start);
    }

    // Skips NUL, TAB, FF and spaces, then requires a CR LF pair, a lone CR or a lone LF: the
    // end of a "stream" keyword's line.
    bool SkipStreamLineEnd() {
        SkipWhile([](char c) { return c == 0 || c == 9 || c == 12 || c == 32; });
        if (Peek() == '\r') {
            Advance();
            if (!AtEnd() && Peek() == '\n') {
                Advance();
            }
            return true;
        }
        if (!AtEnd() && Peek() == '\n') {
            Advance();
            return true;
        }
        return false;
    }

    // An unsigned big-endian field of `width` bytes; the caller makes sure they are there.
    uint64_t ReadBigEndian(size_t width) {
        uint64_t value = 0;
        for (size_t i = 0; i < width && !AtEnd(); ++i) {
            value = value << 8 | static_cast<uint8_t>(bytes_[position_++]);
        }
        return value;
    }

  private:
    std::string_view bytes_;
    size_t position_;
};

}  // namespace foldant

#pragma once

#include <cstdint>
#include <string>

namespace foldant {

// A seekable byte stream: the files the engine reads and writes, or memory in tests.
class TByteStream {
  public:
    virtual ~TByteStream() = default;
    // Both answer the number of bytes moved; a failure counts as 0.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Answers the new position, or -1 on failure.
    virtual int64_t Seek(int64_t position) = 0;
    virtual int64_t Position() = 0;
    virtual int64_t Size() = 0;
    virtual bool SetSize(int64_t size) = 0;
};

// Up to `count` bytes at `position`, cut to the end of the stream; nothing for a count below 1
// or a position outside the stream.
std::string ReadBytesAt(TByteStream& stream, int64_t position, int64_t count);

class TMemoryStream : public TByteStream {
  public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() override { return position_; }
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    bool SetSize(int64_t size) override;

    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
    int64_t position_ = 0;
};

}  // namespace foldant

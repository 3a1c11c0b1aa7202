#pragma once

// A read-write file stream that can also open a file marked read-only: the mark is taken off
// while the stream is open and put back when it closes.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_stream.h"

namespace foldant {

class TBetterFileStream {
  public:
    enum class Disposition {
        OpenOrCreate = 0,
        CreateOrTruncate = 1,
    };

    // Raises FileCreateError "Datei <path> kann nicht erstellt werden" when the file cannot be
    // opened. Others may read and write the file meanwhile.
    TBetterFileStream(const std::string& fileName, bool clearAttributes, Disposition disposition);
    ~TBetterFileStream();
    TBetterFileStream(const TBetterFileStream&) = delete;
    TBetterFileStream& operator=(const TBetterFileStream&) = delete;

    const std::string& FileName() const { return fileName_; }

    int64_t Read(void* buffer, int64_t count) { return stream_->Read(buffer, count); }
    int64_t Write(const void* buffer, int64_t count) { return stream_->Write(buffer, count); }
    // Raises FileWriteError when not every byte could be written.
    void WriteAll(const void* buffer, int64_t count);
    int64_t Seek(int64_t offset, platform::SeekOrigin origin) {
        return stream_->Seek(offset, origin);
    }
    int64_t Position() { return stream_->Position(); }
    int64_t Size() { return stream_->Size(); }
    bool SetSize(int64_t size) { return stream_->SetSize(size); }

  private:
    void ClearReadOnly();
    void RestoreAttributes();

    std::string fileName_;
    bool wasReadOnly_ = false;
    bool attributesChanged_ = false;
    std::unique_ptr<platform::FileStream> stream_;
};

}  // namespace foldant

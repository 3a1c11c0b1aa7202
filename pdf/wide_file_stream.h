#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pdf/byte_stream.h"

namespace foldant {
namespace platform {
class FileStream;
}

// A file opened by a wide-character path. Mode 32 reads and lets others read only; mode 65535
// creates or truncates for writing and lets nobody else in. Other modes combine an access in
// the low two bits with a sharing in bits 4 to 7. Raises PdfError ("Error") when the mode is
// invalid or the file cannot be opened.
class TWideFileStream : public TByteStream {
  public:
    static constexpr uint32_t kModeRead = 32;
    static constexpr uint32_t kModeCreate = 65535;

    TWideFileStream(const std::u16string& path, uint32_t mode);
    ~TWideFileStream() override;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t position) override;
    int64_t Position() override;
    int64_t Size() override;
    bool SetSize(int64_t size) override;
    // Closes the file; false when the system did not keep every byte written. Every later
    // operation fails.
    bool Close();

  private:
    std::unique_ptr<platform::FileStream> file_;
};

}  // namespace foldant

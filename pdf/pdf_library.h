#pragma once

#include <cstdint>
#include <string>

#include "pdf/byte_stream.h"

namespace foldant {

// The engine facade. FailureCode says why the last join refused its inputs.
class TPdfLibrary {
  public:
    static constexpr int32_t kNotReadable = 409;
    static constexpr int32_t kEncrypted = 410;

    virtual ~TPdfLibrary() = default;

    // All pages of `first` followed by all pages of `second`, written to the empty `output`.
    // 1 when the output was written; 0 after a refusal, with nothing written.
    int32_t JoinStreams(TByteStream& first, TByteStream& second, TByteStream& output);

    int32_t FailureCode = 0;
};

class TPdfLibraryEx : public TPdfLibrary {
  public:
    // The same join over files named by Windows-1252 paths; an existing output is replaced.
    // Raises PdfError ("Error") when a file cannot be opened or created.
    bool JoinFiles(const std::string& first, const std::string& second, const std::string& output);
    // An encrypted copy of `source` with empty passwords (pdf/encrypted_copy.h); after a refusal
    // FailureCode tells why and `destination` is left empty.
    bool EncryptedCopy(const std::string& source, const std::string& destination,
                       uint8_t permissionFlags, uint8_t extraFlags, uint8_t level);
};

}  // namespace foldant

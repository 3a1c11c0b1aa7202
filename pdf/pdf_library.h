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
    // The output could not be written completely: a full disk, a failed close, or a file that
    // does not read back with every page.
    static constexpr int32_t kNotWritten = 411;

    virtual ~TPdfLibrary() = default;

    // All pages of `first` followed by all pages of `second`, written to the empty `output`.
    // 1 when the output was written; 0 after a refusal, with nothing written, or when the output
    // took not every byte (kNotWritten).
    int32_t JoinStreams(TByteStream& first, TByteStream& second, TByteStream& output);
    // The pages and everything else a reader shows of `source`, written to the empty `output`
    // with each object a reader can reach once (pdf/compact_writer.h). Answers as JoinStreams.
    int32_t CompactStream(TByteStream& source, TByteStream& output);

    // Joins write each object a reader can reach once, as CompactStream does.
    bool Compact = false;

    int32_t FailureCode = 0;
    // The pages the inputs of the last join showed, all of which its output must hold.
    int32_t OutputPages = 0;
};

class TPdfLibraryEx : public TPdfLibrary {
  public:
    // The same join over files named by Windows-1252 paths; an existing output is replaced.
    // True only when the output was closed without error and reads back with every page.
    // Raises PdfError ("Error") when a file cannot be opened or created.
    bool JoinFiles(const std::string& first, const std::string& second, const std::string& output);
    // CompactStream over files, with the promises of JoinFiles.
    bool CompactFile(const std::string& source, const std::string& output);
    // An encrypted copy of `source` with empty passwords (pdf/encrypted_copy.h); after a refusal
    // FailureCode tells why and `destination` is left empty.
    bool EncryptedCopy(const std::string& source, const std::string& destination,
                       uint8_t permissionFlags, uint8_t extraFlags, uint8_t level);
};

// Whether the file reads back as a whole PDF: its cross-reference data and trailer are found
// where the file says, and its page tree holds at least `minimumPages` pages. (A join may hold
// more than its inputs show: a catalog that names a page as its tree gets a real tree.)
bool ReadsBackComplete(const std::string& path, int32_t minimumPages);

}  // namespace foldant

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pdf/byte_stream.h"

namespace foldant {

// The engine facade. FailureCode says why the last join refused its inputs.
class TPdfLibrary {
  public:
    // Why a join or an encrypted copy gave no output; the numbers are the engine's answers.
    enum Refusal : int32_t {
        kNoRefusal = 0,
        kNotReadable = 409,
        kEncrypted = 410,
        // The output could not be written completely: a full disk, a failed close, or a file
        // that does not read back with every page.
        kNotWritten = 411,
        // An input file could not be opened (missing, or held by another program).
        kNotOpened = 412,
    };

    virtual ~TPdfLibrary() = default;

    // All pages of `first` followed by all pages of `second`, written to the empty `output`.
    // 1 when the output was written; 0 after a refusal, with nothing written, or when the output
    // took not every byte (kNotWritten).
    int32_t JoinStreams(TByteStream& first, TByteStream& second, TByteStream& output);
    // All pages of `first` followed by those of every item that can be joined, in their order,
    // written to the empty `output` in one pass. An item that is none could not be opened.
    // ItemRefusals says for each item why it was left out, or kNoRefusal. 1 when the output was
    // written; 0 when no item could be joined (FailureCode is the last item's refusal, and
    // nothing is written) or when the output took not every byte (kNotWritten).
    int32_t JoinStreams(TByteStream& first, const std::vector<TByteStream*>& items,
                        TByteStream& output);
    // The pages and everything else a reader shows of `source`, written to the empty `output`
    // with each object a reader can reach once (pdf/compact_writer.h). Answers as JoinStreams.
    int32_t CompactStream(TByteStream& source, TByteStream& output);

    // Joins write each object a reader can reach once, as CompactStream does.
    bool Compact = false;

    Refusal FailureCode = kNoRefusal;
    std::vector<Refusal> ItemRefusals;
    // The pages the inputs of the last join showed, all of which its output must hold.
    int32_t OutputPages = 0;
};

class TPdfLibraryEx : public TPdfLibrary {
  public:
    // The same join over files named by Windows-1252 paths; an existing output is replaced.
    // True only when the output was closed without error and reads back with every page.
    // Raises PdfError ("Error") when a file cannot be opened or created.
    bool JoinFiles(const std::string& first, const std::string& second, const std::string& output);
    // The one-pass join of JoinStreams over files, with the promises of the join of two files.
    // An item that cannot be opened is left out (kNotOpened); only the first file and the
    // output raise PdfError.
    bool JoinFiles(const std::string& first, const std::vector<std::string>& items,
                   const std::string& output);
    // CompactStream over files, with the promises of JoinFiles.
    bool CompactFile(const std::string& source, const std::string& output);
    // An encrypted copy of `source` with empty passwords (pdf/encrypted_copy.h); after a refusal
    // FailureCode tells why and `destination` is left empty.
    bool EncryptedCopy(const std::string& source, const std::string& destination,
                       uint8_t permissionFlags, uint8_t extraFlags, uint8_t level);

  private:
    bool JoinOpened(TByteStream& first, const std::vector<TByteStream*>& items,
                    const std::string& output);
};

// Whether the file reads back as a whole PDF: its cross-reference data and trailer are found
// where the file says, and its page tree holds at least `minimumPages` pages. (A join may hold
// more than its inputs show: a catalog that names a page as its tree gets a real tree.)
bool ReadsBackComplete(const std::string& path, int32_t minimumPages);

}  // namespace foldant

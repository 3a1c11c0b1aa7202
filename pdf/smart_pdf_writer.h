#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/byte_stream.h"
#include "pdf/pdf_objects.h"

namespace foldant {

// Writes a complete PDF file in one forward pass: header, indirect objects handed over as
// finished text, a classic cross-reference table, the trailer and the end-of-file marker. It
// keeps one small record per written object and a block of pending output bytes.
class TSmartPDFWriter {
  public:
    // Takes the target's current position as the position of the first byte it writes.
    explicit TSmartPDFWriter(TByteStream& target);
    // Hands pending bytes to the target; errors are swallowed here, so callers that need to
    // know call WriteXRefAndTrailer (or Flush) first.
    ~TSmartPDFWriter();
    TSmartPDFWriter(const TSmartPDFWriter&) = delete;
    TSmartPDFWriter& operator=(const TSmartPDFWriter&) = delete;

    void WriteHeader(std::string_view version);
    void WriteObject(int32_t number, int32_t generation, std::string_view text);
    // With `fullTable` one section 0..M with free entries for the gaps, and "Size" set to M + 1;
    // otherwise subsections over the runs of written numbers and the trailer as given.
    void WriteXRefAndTrailer(TPDFDictionary& trailer, bool fullTable, int64_t baseOffset);
    void Flush();

    // Where the next byte goes in the target.
    int64_t Position() const { return position_; }
    // Whether the target refused some of the bytes handed to it (a full disk, for one); the
    // file is then incomplete and must not be used.
    bool WriteFailed() const { return writeFailed_; }

    TByteStream& Target;
    std::vector<int64_t> Offsets;
    std::vector<int32_t> Generations;
    std::vector<int32_t> Numbers;
    std::vector<int32_t> Lengths;

  private:
    void Put(std::string_view bytes);
    // Written records ordered by number; for a number written twice, the first record.
    std::vector<size_t> RecordsByNumber() const;
    void WriteSubsections(const std::vector<size_t>& order, int64_t baseOffset);
    void WriteFullTable(const std::vector<size_t>& order, int64_t baseOffset);

    void HandOver(std::string_view bytes);

    std::string pending_;
    int64_t position_ = 0;
    bool writeFailed_ = false;
};

// One 20-byte cross-reference entry.
std::string XRefEntryText(int64_t first, int64_t second, char kind);

}  // namespace foldant

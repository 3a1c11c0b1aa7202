#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "pdf/byte_stream.h"

namespace foldant {

class TPDFDictionary;
class TPDFStructure;

// Walks a file's cross-reference sections (tables, streams, hybrids and their Prev chain),
// newest first, and reports every entry and every trailer dictionary it meets.
class TPDFXRefReader {
  public:
    using EntryCallback =
        std::function<void(int32_t number, int32_t generation, char kind, int64_t offset)>;
    // The trailer belongs to the store the reader was given.
    using TrailerCallback = std::function<void(TPDFDictionary& trailer)>;

    // Trailers are reported as objects of `trailerStore`, which the caller keeps.
    TPDFXRefReader(TByteStream& stream, TPDFStructure& trailerStore)
        : Stream(stream), TrailerStore(trailerStore) {}

    // The offset written after the last "startxref", or 0 when there is none.
    int64_t FindStartXRef();
    // Reads the section at `offset` and everything it chains to; true when the whole chain was
    // read.
    bool ReadSection(int64_t offset);
    // Up to `count` bytes at `position` + BaseOffset.
    std::string ReadAt(int64_t count, int64_t position);

    TByteStream& Stream;
    TPDFStructure& TrailerStore;
    EntryCallback OnEntry;
    TrailerCallback OnTrailer;
    bool HasXRefStream = false;
    bool Hybrid = false;
    std::set<int64_t> Visited;
    int64_t BaseOffset = 0;

  private:
    struct Subsection {
        int64_t position = 0;
        int64_t first = 0;
        int64_t count = 0;
    };

    bool ReadXRefTable(int64_t position);
    bool ReadTableTrailer(int64_t position);
    bool ReadXRefStream(int64_t position);
    using FieldWidths = std::tuple<int64_t, int64_t, int64_t>;
    void ReportStreamEntries(const std::string& data, const FieldWidths& widths,
                             const std::vector<std::pair<int64_t, int64_t>>& subsections,
                             int64_t own, int64_t dataPosition);
    int64_t CheckOwnOffset(int64_t own, int64_t offset, int64_t dataPosition);
    bool ReadSubsectionHeader(Subsection& subsection);
    int64_t FindForward(std::string_view keyword, int64_t position);
    int64_t FindBackward(std::string_view keyword, int64_t end, int64_t overlap);
    void Report(int64_t number, int64_t generation, char kind, int64_t offset);
    void ReportTrailer(const TPDFDictionary& trailer);

    int depth_ = 0;
};

bool IsXRefStreamText(std::string_view text);

}  // namespace foldant

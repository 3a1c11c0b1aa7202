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

// Walks a file's cross-reference sections (tables, streams, hybrids and their Prev chain),
// newest first, and reports every entry and every trailer dictionary it meets.
class TPDFXRefReader {
  public:
    using EntryCallback =
        std::function<void(int32_t number, int32_t generation, char kind, int64_t offset)>;
    using TrailerCallback = std::function<void(const std::string& trailerText)>;

    explicit TPDFXRefReader(TByteStream& stream) : Stream(stream) {}

    // The offset written after the last "startxref", or 0 when there is none.
    int64_t FindStartXRef();
    // Reads the section at `offset` and everything it chains to; true when the whole chain was
    // read.
    bool ReadSection(int64_t offset);
    // Up to `count` bytes at `position` + BaseOffset.
    std::string ReadAt(int64_t count, int64_t position);

    TByteStream& Stream;
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

    int depth_ = 0;
};

bool IsXRefStreamText(std::string_view text);

}  // namespace foldant

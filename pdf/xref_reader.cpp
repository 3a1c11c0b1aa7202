#include "pdf/xref_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <vector>

#include "pdf/byte_cursor.h"
#include "pdf/pdf_keys.h"
#include "pdf/pdf_lexical.h"
#include "pdf/pdf_objects.h"

namespace foldant {

namespace {

constexpr int64_t kSearchWindow = 1024;
constexpr int64_t kTableEntrySize = 20;
constexpr int64_t kStreamStep = 20480;
// A chain of sections deeper than this is taken as damage; it keeps the recursion bounded.
constexpr int kMaxChainDepth = 1000;

struct DepthGuard {
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    int& depth_;
};

int64_t ToOffset(double value) {
    if (!(std::fabs(value) < 9.0e18)) {
        return 0;
    }
    return static_cast<int64_t>(std::nearbyint(value));
}

// An entry field: leading blanks allowed, anything else invalid.
int64_t EntryField(std::string_view text) {
    // Nearly every entry is plain digits, read here without the general number parser: a table
    // has an entry for every object, and reading them was a tenth of a small join's time.
    if (!text.empty() && text.size() <= 18 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        int64_t value = 0;
        for (char c : text) {
            value = value * 10 + (c - '0');
        }
        return value;
    }
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    return ParseInt64(text).value_or(0);
}

// Big-endian unsigned field of `width` bytes; widths above 8 read 0 and consume nothing.
uint64_t ReadField(ByteCursor& cursor, int64_t width) {
    if (width <= 0 || width > 8) {
        return 0;
    }
    return cursor.ReadBigEndian(static_cast<size_t>(width));
}

int64_t ConsumedWidth(int64_t width) {
    return width > 0 && width <= 8 ? width : 0;
}

int64_t OwnObjectNumber(std::string tail) {
    auto stripUntil = [&tail](std::string_view ending) {
        while (!tail.empty() && !std::string_view(tail).ends_with(ending)) {
            tail.pop_back();
        }
    };
    stripUntil("obj");
    stripUntil("0");
    stripUntil(" ");
    while (!tail.empty() && tail.back() == ' ') {
        tail.pop_back();
    }
    size_t digits = tail.size();
    while (digits > 0 && IsDigit(tail[digits - 1])) {
        --digits;
    }
    return ParseInt64(std::string_view(tail).substr(digits)).value_or(0);
}

}  // namespace

bool IsXRefStreamText(std::string_view text) {
    const size_t index = text.find("/Index");
    if (index == std::string_view::npos) {
        return text.find("<<") != std::string_view::npos &&
               text.find("stream") != std::string_view::npos;
    }
    const size_t open = text.find('[', index);
    const size_t close = open == std::string_view::npos ? open : text.find(']', open);
    if (close == std::string_view::npos || text.find("stream", close) == std::string_view::npos) {
        return false;
    }
    const size_t dictionary = text.find("<<");
    return dictionary != std::string_view::npos && dictionary < index;
}

std::string TPDFXRefReader::ReadAt(int64_t count, int64_t position) {
    int64_t start = position + BaseOffset;
    if (start < 0) {
        start = 0;
    }
    return ReadBytesAt(Stream, start, count);
}

void TPDFXRefReader::Report(int64_t number, int64_t generation, char kind, int64_t offset) {
    if (number < 0 || number > std::numeric_limits<int32_t>::max() || !OnEntry) {
        return;
    }
    OnEntry(static_cast<int32_t>(number), static_cast<int32_t>(generation), kind, offset);
}

// Sections are read in a store of their own: decoding a cross-reference stream must not follow
// references through a caller's store, whose objects are not known until the walk is done.
void TPDFXRefReader::ReportTrailer(const TPDFDictionary& trailer) {
    if (OnTrailer) {
        OnTrailer(*As<TPDFDictionary>(&TrailerStore.CopyOf(trailer)));
    }
}

int64_t TPDFXRefReader::FindBackward(std::string_view keyword, int64_t end, int64_t overlap) {
    int64_t start = end - kSearchWindow;
    while (true) {
        const int64_t from = std::max<int64_t>(start, 0);
        const std::string window = ReadAt(std::min(kSearchWindow, end - from), from);
        const size_t found = window.rfind(keyword);
        if (found != std::string::npos) {
            return from + static_cast<int64_t>(found);
        }
        if (from == 0) {
            return -1;
        }
        start -= kSearchWindow - overlap;
    }
}

int64_t TPDFXRefReader::FindForward(std::string_view keyword, int64_t position) {
    const int64_t end = Stream.Size() - BaseOffset;
    constexpr int64_t kChunk = 65536;
    while (position < end) {
        const std::string chunk = ReadAt(kChunk, position);
        const size_t found = chunk.find(keyword);
        if (found != std::string::npos) {
            return position + static_cast<int64_t>(found);
        }
        if (static_cast<int64_t>(chunk.size()) < kChunk) {
            break;
        }
        position += kChunk - static_cast<int64_t>(keyword.size()) + 1;
    }
    return end;
}

int64_t TPDFXRefReader::FindStartXRef() {
    const int64_t size = Stream.Size() - BaseOffset;
    const std::string tail = ReadAt(10, size - 10);
    const int64_t tailStart = std::max<int64_t>(size - 10, 0);
    int64_t end = -1;
    const size_t marker = tail.find("%%E");
    if (marker != std::string::npos && tail.compare(marker, 5, "%%EOF") != 0) {
        end = tailStart + static_cast<int64_t>(tail.rfind("%%E"));
    } else {
        end = FindBackward("%%EOF", size, 4);
    }
    if (end < 0) {
        return 0;
    }
    const int64_t keyword = FindBackward("startxref", end, 8);
    if (keyword < 0) {
        return 0;
    }
    const std::string between = ReadAt(end - (keyword + 9), keyword + 9);
    int64_t result = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i <= between.size(); ++i) {
        if (i < between.size() && between[i] != '\r' && between[i] != '\n' && between[i] != 0) {
            continue;
        }
        if (i > lineStart) {
            std::string_view line =
                TrimText(std::string_view(between).substr(lineStart, i - lineStart));
            line = TrimText(line.substr(0, line.find('%')));
            result = ParseInt64(line).value_or(0);
        }
        lineStart = i + 1;
    }
    return result;
}

bool TPDFXRefReader::ReadSection(int64_t offset) {
    if (!Visited.insert(offset).second || depth_ >= kMaxChainDepth) {
        return false;
    }
    DepthGuard guard(depth_);
    const int64_t back = offset < 10 ? offset : 10;
    int64_t windowStart = offset - back;
    std::string window = ReadAt(40, windowStart);
    auto none = [&window] {
        return window.find("txref") == std::string::npos &&
               window.find("xref") == std::string::npos && window.find(" obj") == std::string::npos;
    };
    for (int64_t attempt = 1; attempt <= 10 && none(); ++attempt) {
        const std::string run = ReadAt(attempt * 2048, offset);
        size_t filler = 0;
        // Blanks of any kind count as filler, not only NUL and LF: sections are also found
        // after a run of spaces or CR LF pairs.
        while (filler + 1 < run.size() && IsPdfWhitespace(run[filler])) {
            ++filler;
        }
        windowStart = offset + static_cast<int64_t>(filler) - (back - 1);
        window = ReadAt(40, windowStart);
    }
    const size_t txref = window.find("txref");
    const size_t xref = window.find("xref");
    const size_t obj = window.find(" obj");
    const bool xrefCounts =
        xref != std::string::npos && !(txref != std::string::npos && xref == txref + 1);
    if (!xrefCounts && obj != std::string::npos) {
        return ReadXRefStream(windowStart + static_cast<int64_t>(obj) + 4);
    }
    if (xrefCounts && (obj == std::string::npos || obj > xref)) {
        return ReadXRefTable(windowStart + static_cast<int64_t>(xref) + 4);
    }
    return false;
}

bool TPDFXRefReader::ReadSubsectionHeader(Subsection& subsection) {
    const std::string text = ReadAt(20, subsection.position);
    if (text.substr(0, 3).find('%') != std::string::npos ||
        text.find("trailer") != std::string::npos) {
        return false;
    }
    ByteCursor cursor(text);
    auto nonDigit = [](char c) { return !IsDigit(c); };
    auto finish = [&](bool result) {
        subsection.position += static_cast<int64_t>(cursor.Position());
        return result;
    };
    cursor.SkipWhile(nonDigit);
    const std::string_view first = cursor.TakeWhile(IsDigit);
    if (cursor.AtEnd()) {
        return finish(false);
    }
    cursor.Advance();
    cursor.SkipWhile(nonDigit);
    if (cursor.AtEnd()) {
        return finish(false);
    }
    const std::string_view count = cursor.TakeWhile(IsDigit);
    if (!cursor.AtEnd()) {
        cursor.Advance();
        cursor.SkipWhile(nonDigit);
    }
    subsection.first = ParseInt64(first).value_or(-1);
    subsection.count = ParseInt64(count).value_or(0);
    return finish(subsection.first >= 0 && subsection.count > 0);
}

bool TPDFXRefReader::ReadXRefTable(int64_t position) {
    const int64_t fileSize = Stream.Size();
    Subsection subsection{position, 0, 0};
    while (ReadSubsectionHeader(subsection)) {
        // The entries present bound the table, not the count written in the header.
        const int64_t count = std::min(subsection.count, fileSize / 18 + 1);
        std::string text = ReadAt(count * kTableEntrySize, subsection.position) + "trailer";
        int64_t first = std::min<int64_t>(subsection.first, int64_t{1} << 40);
        const std::string_view view(text);
        if (first == 1 && view.size() > 17 && EntryField(view.substr(0, 10)) == 0 &&
            EntryField(view.substr(11, 5)) == 65535) {
            first = 0;
        }
        size_t i = 0;
        for (int64_t n = first; n < first + count; ++n) {
            if (i + 17 >= text.size()) {
                return false;
            }
            const int64_t offset = EntryField(view.substr(i, 10));
            const int64_t generation = EntryField(view.substr(i + 11, 5));
            Report(n, static_cast<int32_t>(generation), text[i + 17], offset);
            i += 18;
            while (i < text.size() && (text[i] == ' ' || text[i] == '\n' || text[i] == '\r')) {
                ++i;
            }
        }
        subsection.position += static_cast<int64_t>(i);
    }
    return ReadTableTrailer(FindForward("trailer", subsection.position));
}

bool TPDFXRefReader::ReadTableTrailer(int64_t position) {
    for (int64_t attempt = 1; attempt <= 5; ++attempt) {
        const std::string text = ReadAt(attempt * 2048, position);
        const size_t keyword = text.find("trailer");
        if (keyword == std::string::npos) {
            continue;
        }
        const std::string_view rest = std::string_view(text).substr(keyword + 7);
        if (rest.find("<<") == std::string_view::npos ||
            rest.find(">>") == std::string_view::npos) {
            continue;
        }
        TPDFStructure scratch;
        auto* trailer = As<TPDFDictionary>(&scratch.Parse(rest));
        bool result = true;
        if (trailer != nullptr) {
            ReportTrailer(*trailer);
            if (auto* stream = As<TPDFNumeric>(trailer->GetValue(kXRefStm))) {
                Hybrid = true;
                ReadSection(ToOffset(stream->Value));
            }
            if (auto* prev = As<TPDFNumeric>(trailer->GetValue(kPrev))) {
                result = ReadSection(ToOffset(prev->Value));
            }
        }
        if (result) {
            return true;
        }
    }
    return false;
}

void TPDFXRefReader::ReportStreamEntries(
    const std::string& data, const FieldWidths& widths,
    const std::vector<std::pair<int64_t, int64_t>>& subsections, int64_t own,
    int64_t dataPosition) {
    const auto [w1, w2, w3] = widths;
    const int64_t entrySize = ConsumedWidth(w1) + ConsumedWidth(w2) + ConsumedWidth(w3);
    // Entries end with the data; entries of no width would never end.
    if (entrySize == 0) {
        return;
    }
    ByteCursor cursor(data);
    for (const auto& [first, count] : subsections) {
        const int64_t last = first + std::min<int64_t>(count, static_cast<int64_t>(data.size()));
        for (int64_t n = first; n < last; ++n) {
            if (static_cast<size_t>(entrySize) > cursor.Remaining()) {
                return;
            }
            const uint64_t type = w1 == 0 ? 1 : ReadField(cursor, w1);
            const auto field2 = static_cast<int64_t>(ReadField(cursor, w2));
            const auto field3 = static_cast<int64_t>(ReadField(cursor, w3));
            switch (type) {
                case 0:
                    Report(n, field3, 'f', field2);
                    break;
                case 1:
                    Report(n, w3 > 0 ? field3 : 0, 'n',
                           n == own ? CheckOwnOffset(n, field2, dataPosition) : field2);
                    break;
                case 2:
                    Report(n, field3, 'c', field2);
                    break;
                default:
                    Report(n, 0, ' ', 0);
                    break;
            }
        }
    }
}

// A cross-reference stream whose entry for itself holds its own number instead of its offset:
// unless that number is what stands at the offset, the stream's data start is reported.
int64_t TPDFXRefReader::CheckOwnOffset(int64_t own, int64_t offset, int64_t dataPosition) {
    if (own <= 0 || offset != own) {
        return offset;
    }
    const std::string digits = std::to_string(own);
    return ReadAt(static_cast<int64_t>(digits.size()), offset) == digits ? offset : dataPosition;
}

bool TPDFXRefReader::ReadXRefStream(int64_t position) {
    HasXRefStream = true;
    const int64_t end = Stream.Size() - BaseOffset;
    int64_t chunk = kStreamStep;
    std::string text = ReadAt(chunk, position);
    // The read doubles rather than growing by a fixed step, so a keyword that never comes costs
    // a linear read instead of a quadratic one.
    while (!IsXRefStreamText(text) && position + chunk < end) {
        chunk *= 2;
        text = ReadAt(chunk, position);
    }
    TPDFStructure scratch;
    int64_t consumed = 0;
    auto* dictionary = As<TPDFDictionary>(&scratch.ParseAt(text, 1, consumed));
    if (dictionary == nullptr || dictionary->GetTypeName() != "XRef" ||
        As<TPDFNumeric>(dictionary->GetValue(kSize)) == nullptr) {
        return false;
    }
    const int64_t own = OwnObjectNumber(ReadAt(21, position - 21));

    std::vector<std::pair<int64_t, int64_t>> subsections;
    auto numberAt = [](TPDFArray& array, int32_t i) {
        auto* number = As<TPDFNumeric>(array.Item(i));
        return number != nullptr ? ToOffset(number->Value) : 0;
    };
    if (auto* index = As<TPDFArray>(dictionary->GetValue(kIndex))) {
        for (int32_t i = 0; i + 1 < index->Count(); i += 2) {
            subsections.emplace_back(numberAt(*index, i), numberAt(*index, i + 1));
        }
    } else {
        subsections.emplace_back(0, ToOffset(As<TPDFNumeric>(dictionary->GetValue(kSize))->Value));
    }
    auto* prevNumber = As<TPDFNumeric>(dictionary->GetValue(kPrev));
    const int64_t prev = prevNumber != nullptr ? ToOffset(prevNumber->Value) : 0;

    auto* widths = As<TPDFArray>(dictionary->GetValue(kW));
    if (widths != nullptr && widths->Count() >= 3) {
        const int64_t w1 = numberAt(*widths, 0);
        const int64_t w2 = numberAt(*widths, 1);
        const int64_t w3 = numberAt(*widths, 2);
        const size_t keyword = text.find("stream", static_cast<size_t>(consumed));
        size_t dataStart = std::string::npos;
        if (keyword != std::string::npos) {
            ByteCursor afterKeyword(text, keyword + 6);
            if (afterKeyword.SkipStreamLineEnd()) {
                dataStart = afterKeyword.Position();
            }
        }
        auto* length = As<TPDFNumeric>(dictionary->GetValue(kLength));
        if (dataStart != std::string::npos && length != nullptr) {
            const int64_t dataPosition = position + static_cast<int64_t>(dataStart);
            TPDFStream& stream =
                scratch.NewStreamFrom(ReadAt(ToOffset(length->Value), dataPosition), *dictionary);
            ReportStreamEntries(stream.GetDecodedData(), {w1, w2, w3}, subsections, own,
                                dataPosition);
        }
    }
    ReportTrailer(*dictionary);
    return prev < 1 ? true : ReadSection(prev);
}

}  // namespace foldant

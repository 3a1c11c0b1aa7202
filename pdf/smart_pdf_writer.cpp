#include "pdf/smart_pdf_writer.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

// Output is handed to the target in blocks of about this size; larger texts go straight through.
constexpr size_t kBlockSize = size_t{1} << 20;
// The offset records grow this many at a time, once fewer than kOffsetSlack are left.
constexpr size_t kOffsetStep = 100;
constexpr size_t kOffsetSlack = 10;
constexpr char kHeaderComment[] = {'%', '\xE2', '\xE3', '\xCF', '\xD3', '\n'};

}  // namespace

namespace {

// The value in decimal with leading zeros to `width` digits; a wider value keeps all its digits.
// Written by hand because a table of thousands of entries made formatting its slowest part.
void AppendPadded(std::string& out, int64_t value, int width) {
    char digits[24];
    int count = 0;
    const bool negative = value < 0;
    uint64_t rest = negative ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    do {
        digits[count++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (negative) {
        out += '-';
        --width;
    }
    out.append(static_cast<size_t>(std::max(width - count, 0)), '0');
    while (count > 0) {
        out += digits[--count];
    }
}

void AppendXRefEntry(std::string& table, int64_t first, int64_t second, char kind) {
    AppendPadded(table, first, 10);
    table += ' ';
    AppendPadded(table, second, 5);
    table += ' ';
    table += kind;
    table += " \n";
}

}  // namespace

std::string XRefEntryText(int64_t first, int64_t second, char kind) {
    std::string line;
    AppendXRefEntry(line, first, second, kind);
    return line;
}

TSmartPDFWriter::TSmartPDFWriter(TByteStream& target)
    : Target(target), position_(std::max<int64_t>(target.Position(), 0)) {}

TSmartPDFWriter::~TSmartPDFWriter() {
    try {
        Flush();
    } catch (const std::exception&) {
    }
}

void TSmartPDFWriter::Put(std::string_view bytes) {
    position_ += static_cast<int64_t>(bytes.size());
    if (pending_.capacity() < kBlockSize) {
        pending_.reserve(kBlockSize);
    }
    if (pending_.size() + bytes.size() <= kBlockSize) {
        pending_.append(bytes);
        return;
    }
    Flush();
    if (bytes.size() >= kBlockSize) {
        HandOver(bytes);
    } else {
        pending_.append(bytes);
    }
}

void TSmartPDFWriter::Flush() {
    if (pending_.empty()) {
        return;
    }
    HandOver(pending_);
    // The block keeps its room, so it is not grown again from nothing for every block.
    pending_.clear();
}

void TSmartPDFWriter::HandOver(std::string_view bytes) {
    const auto count = static_cast<int64_t>(bytes.size());
    if (writeFailed_ || Target.Write(bytes.data(), count) != count) {
        writeFailed_ = true;
    }
}

void TSmartPDFWriter::WriteHeader(std::string_view version) {
    std::string line = "%PDF-";
    line += version;
    line += '\n';
    Put(line);
    Put(std::string_view(kHeaderComment, sizeof kHeaderComment));
}

void TSmartPDFWriter::WriteObject(int32_t number, int32_t generation, std::string_view text) {
    Numbers.push_back(number);
    Generations.push_back(generation);
    const int64_t start = position_;
    if (Offsets.size() < Numbers.size() + kOffsetSlack) {
        Offsets.resize(Numbers.size() + kOffsetStep);
    }
    Offsets[Numbers.size() - 1] = start;
    std::string line = std::to_string(number);
    line += ' ';
    line += std::to_string(generation);
    line += " obj\n";
    Put(line);
    Put(text);
    if (text.empty() || text.back() != '\n') {
        Put("\n");
    }
    Put("endobj\n");
    Lengths.push_back(static_cast<int32_t>(position_ - start));
}

std::vector<size_t> TSmartPDFWriter::RecordsByNumber() const {
    std::vector<size_t> order(Numbers.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [this](size_t a, size_t b) { return Numbers[a] < Numbers[b]; });
    order.erase(std::unique(order.begin(), order.end(),
                            [this](size_t a, size_t b) { return Numbers[a] == Numbers[b]; }),
                order.end());
    order.erase(std::remove_if(order.begin(), order.end(),
                               [this](size_t record) { return Numbers[record] < 0; }),
                order.end());
    return order;
}

void TSmartPDFWriter::WriteXRefAndTrailer(TPDFDictionary& trailer, bool fullTable,
                                          int64_t baseOffset) {
    const int64_t tableStart = position_ + baseOffset;
    Put("xref\n");
    const std::vector<size_t> order = RecordsByNumber();
    if (fullTable) {
        WriteFullTable(order, baseOffset);
        const int32_t highest = order.empty() ? 0 : Numbers[order.back()];
        trailer.DeleteKey(kSize);
        trailer.Add(kSize, trailer.Owner.NewNumber(static_cast<double>(highest) + 1));
    } else {
        WriteSubsections(order, baseOffset);
    }
    Put("trailer\n");
    const std::string text = trailer.WriteToText();
    Put(text);
    if (text.empty() || text.back() != '\n') {
        Put("\n");
    }
    Put("startxref\n" + std::to_string(tableStart) + "\n%%EOF\n");
    Flush();
}

// Subsections over the runs of consecutive written numbers; the first one always starts at 0
// with the free head, and a gap only starts a new subsection. Generations are written in full.
void TSmartPDFWriter::WriteSubsections(const std::vector<size_t>& order, int64_t baseOffset) {
    size_t i = 0;
    if (i < order.size() && Numbers[order[i]] == 0) {
        ++i;
    }
    int64_t start = 0;
    for (;;) {
        const size_t runBegin = i;
        int64_t last = start;
        if (start != 0) {
            ++i;
        }
        while (i < order.size() && Numbers[order[i]] == last + 1) {
            ++last;
            ++i;
        }
        std::string table = std::to_string(start) + ' ' + std::to_string(last - start + 1) + '\n';
        table.reserve(table.size() + static_cast<size_t>(last - start + 1) * 20);
        if (start == 0) {
            AppendXRefEntry(table, 0, 65535, 'f');
        }
        for (size_t k = runBegin; k < i; ++k) {
            const size_t record = order[k];
            AppendXRefEntry(table, Offsets[record] + baseOffset, Generations[record], 'n');
        }
        Put(table);
        if (i >= order.size()) {
            return;
        }
        start = Numbers[order[i]];
    }
}

// One section 0..M; each free entry names the next free number below M, as the classic free
// list does, and carries generation 1 (65535 for the head).
void TSmartPDFWriter::WriteFullTable(const std::vector<size_t>& order, int64_t baseOffset) {
    const int64_t highest = order.empty() ? 0 : Numbers[order.back()];
    std::vector<int64_t> records(static_cast<size_t>(highest) + 1, -1);
    for (size_t record : order) {
        records[static_cast<size_t>(Numbers[record])] = static_cast<int64_t>(record);
    }
    std::vector<int64_t> nextFree(records.size(), 0);
    int64_t following = 0;
    for (int64_t k = highest; k >= 0; --k) {
        nextFree[static_cast<size_t>(k)] = following;
        if (records[static_cast<size_t>(k)] < 0 && k < highest) {
            following = k;
        }
    }
    std::string table = "0 " + std::to_string(highest + 1) + '\n';
    table.reserve(table.size() + records.size() * 20);
    for (int64_t k = 0; k <= highest; ++k) {
        const int64_t record = records[static_cast<size_t>(k)];
        if (record < 0 || k == 0) {
            AppendXRefEntry(table, nextFree[static_cast<size_t>(k)], k == 0 ? 65535 : 1, 'f');
        } else {
            const auto r = static_cast<size_t>(record);
            AppendXRefEntry(table, Offsets[r] + baseOffset, Generations[r], 'n');
        }
    }
    Put(table);
}

}  // namespace foldant

#include <algorithm>

#include "pdf/pdf_filters.h"
#include "pdf/pdf_lexical.h"

namespace foldant {

namespace {

constexpr uint64_t kMaxGroupValue = 0xFFFFFFFFull;

uint64_t Base85Value(std::string_view group) {
    uint64_t value = 0;
    for (char c : group) {
        value = value * 85 + static_cast<uint64_t>(static_cast<unsigned char>(c) - 33);
    }
    return value;
}

void AppendBigEndian(std::string& out, uint64_t value, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        out += static_cast<char>((value >> (24 - 8 * i)) & 0xFF);
    }
}

}  // namespace

std::string RunLengthDecode(const std::string& bytes) {
    std::string out;
    out.reserve(4096);
    size_t i = 0;
    while (i < bytes.size()) {
        const auto length = static_cast<uint8_t>(bytes[i++]);
        if (length == 128) {
            break;
        }
        if (length < 128) {
            const size_t n = std::min<size_t>(length + 1u, bytes.size() - i);
            out.append(bytes, i, n);
            i += n;
        } else if (i < bytes.size()) {
            out.append(static_cast<size_t>(257 - length), bytes[i]);
            ++i;
        }
    }
    return out;
}

std::string ASCII85Decode(const std::string& bytes) {
    std::string filtered;
    filtered.reserve(bytes.size());
    size_t endPosition = std::string::npos;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c >= '!' && c <= 'u') {
            filtered += c;
        } else if (c == 'z') {
            filtered.append(5, '!');
        } else if (c == '~') {
            filtered += c;
            if (i + 1 < bytes.size() && bytes[i + 1] == '>' && endPosition == std::string::npos) {
                filtered += '>';
                ++i;
                endPosition = filtered.size();
            }
        }
    }
    if (endPosition != std::string::npos) {
        filtered.resize(endPosition);
    }
    if (filtered.size() >= 2 && filtered.compare(filtered.size() - 2, 2, "~>") == 0) {
        filtered.resize(filtered.size() - 2);
    }
    // Data without its end marker is decoded as if the marker were there.
    filtered.erase(std::remove(filtered.begin(), filtered.end(), '~'), filtered.end());

    std::string out;
    out.reserve(filtered.size() / 5 * 4 + 4);
    size_t i = 0;
    for (; i + 5 <= filtered.size(); i += 5) {
        const uint64_t value = Base85Value(std::string_view(filtered).substr(i, 5));
        AppendBigEndian(out, value > kMaxGroupValue ? 0 : value, 4);
    }
    const size_t rest = filtered.size() - i;
    if (rest >= 2) {
        std::string group = filtered.substr(i);
        group.append(5 - rest, 'u');
        const uint64_t value = Base85Value(group);
        AppendBigEndian(out, value >= kMaxGroupValue ? 0 : value, rest - 1);
    }
    return out;
}

std::string ASCIIHexDecode(const std::string& bytes) {
    std::string kept;
    kept.reserve(bytes.size());
    for (char c : bytes) {
        if (IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            kept += c;
        }
    }
    if (kept.size() % 2 != 0) {
        kept += '0';
    }
    std::string out;
    out.reserve(kept.size() / 2);
    for (size_t i = 0; i < kept.size(); i += 2) {
        const int high = HexValue(kept[i]);
        const int low = HexValue(kept[i + 1]);
        out += high < 0 || low < 0 ? '\0' : static_cast<char>(high * 16 + low);
    }
    return out;
}

}  // namespace foldant

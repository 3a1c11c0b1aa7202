#include "pdf/object_body.h"

#include <cmath>

#include "pdf/byte_cursor.h"
#include "pdf/pdf_keys.h"

namespace foldant {

namespace {

bool IsStreamBlank(char c) {
    return c == 0 || c == 9 || c == 12 || c == 32;
}

// The number of line-end bytes right before 0-based `end` (CR LF, CR or LF).
size_t LineEndBefore(std::string_view text, size_t end) {
    if (end >= 2 && text[end - 2] == '\r' && text[end - 1] == '\n') {
        return 2;
    }
    return end >= 1 && (text[end - 1] == '\n' || text[end - 1] == '\r') ? 1 : 0;
}

}  // namespace

std::string_view ObjectBodyView(std::string_view region) {
    // "endobj" before the first "obj" means the first "obj" is the tail of that "endobj".
    size_t obj = region.find("obj");
    if (obj != std::string_view::npos && obj >= 3 && region.compare(obj - 3, 6, "endobj") == 0) {
        region.remove_prefix(obj + 3);
        obj = region.find("obj");
    }
    if (obj == std::string_view::npos) {
        return {};
    }
    return region.substr(obj + 3);
}

std::string ExtractObjectBody(std::string_view region) {
    return std::string(ObjectBodyView(region));
}

bool LocateStreamData(std::string_view body, int64_t& start, int64_t& length,
                      const TPDFStructure::ResolveReference& resolve) {
    start = 0;
    length = 0;
    if (body.find("stream") == std::string_view::npos) {
        return false;
    }
    TPDFStructure scratch;
    scratch.OnResolveReference = resolve;
    int64_t consumed = 0;
    auto* dictionary = As<TPDFDictionary>(&scratch.ParseAt(body, 1, consumed));
    // 0-based from here on.
    size_t pos = static_cast<size_t>(consumed);
    if (body.size() - std::min(pos, body.size()) < 13 || dictionary == nullptr) {
        return false;
    }
    // A "stream" keyword after this object's "endobj" belongs to a later object.
    const size_t keyword = body.find("stream", pos);
    if (keyword == std::string_view::npos ||
        body.substr(pos, keyword - pos).find("endobj") != std::string_view::npos) {
        return false;
    }
    ByteCursor afterKeyword(body, keyword + 6);
    if (!afterKeyword.SkipStreamLineEnd()) {
        return false;
    }
    pos = afterKeyword.Position();
    auto* declared = As<TPDFNumeric>(dictionary->GetValue(kLength, true));
    if (declared == nullptr || !(std::fabs(declared->Value) < 2147483648.0)) {
        return false;
    }
    int64_t dataLength = static_cast<int64_t>(std::nearbyint(declared->Value));
    if (dataLength < 0) {
        return false;
    }
    size_t end = pos + static_cast<size_t>(dataLength);
    bool overshoot = false;
    if (end > body.size()) {
        overshoot = true;
        size_t k = body.size() >= 2 ? body.size() - 2 : 0;
        const size_t lowest = body.size() >= 21 ? body.size() - 21 : 0;
        while (k > lowest && body.compare(k, 9, "endstream") != 0) {
            --k;
        }
        end = k;
    }
    if (end < body.size() && IsStreamBlank(body[end])) {
        ++end;
    }
    if (end < body.size() && body[end] == 'n') {
        --end;
    }
    if (end < body.size() && body[end] == '\r') {
        ++end;
    }
    if (end < body.size() && body[end] == '\n') {
        ++end;
    }
    size_t found = body.find("endstream", std::min(end, body.size()));
    if (found == std::string_view::npos) {
        for (int step = 0; step < 21 && end > 0; ++step) {
            --end;
            if (body.compare(end, 9, "endstream") == 0) {
                found = end;
                break;
            }
        }
        if (found == std::string_view::npos) {
            return false;
        }
    }
    if (found > end) {
        dataLength += static_cast<int64_t>(found - end);
    } else if (overshoot || pos + static_cast<size_t>(dataLength) > found) {
        // A Length beyond the keyword would take "endstream" itself as data: the data ends
        // at the line end before the keyword instead.
        size_t dataEnd = found - LineEndBefore(body, found);
        dataLength = dataEnd > pos ? static_cast<int64_t>(dataEnd - pos) : 0;
    }
    start = static_cast<int64_t>(pos) + 1;
    length = dataLength;
    return true;
}

}  // namespace foldant

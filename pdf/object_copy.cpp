#include "pdf/object_copy.h"

#include <limits>
#include <vector>

namespace foldant {

namespace {

constexpr int kMaxDepth = 200;
// Beyond this the reader takes a reference for none.
constexpr int64_t kMaxObjectNumber = 8388607;

bool IsWhite(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\f' || c == '\0';
}

bool IsDelimiter(char c) {
    switch (c) {
        case '(':
        case ')':
        case '<':
        case '>':
        case '[':
        case ']':
        case '{':
        case '}':
        case '/':
        case '%':
            return true;
        default:
            return false;
    }
}

bool IsRegular(char c) {
    return !IsWhite(c) && !IsDelimiter(c);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

class RenumberingScan {
  public:
    RenumberingScan(std::string_view text, int32_t offset, const StreamLengthLookup& lengthOf)
        : text_(text), offset_(offset), lengthOf_(lengthOf) {
        out_.reserve(text.size() + 16);
    }

    std::optional<std::string> Run() {
        SkipWhite();
        if (!StartsWith("<<") && !StartsWith("[")) {
            return std::nullopt;
        }
        if (!Value(0)) {
            return std::nullopt;
        }
        size_t after = pos_;
        while (after < text_.size() && IsWhite(text_[after])) {
            ++after;
        }
        if (text_.substr(after, 6) == "stream") {
            return StreamData(after + 6);
        }
        return std::move(out_);
    }

  private:
    // The data after the "stream" keyword that ends at `keywordEnd`, appended as the long way
    // writes it: one line end before the data and one before "endstream".
    std::optional<std::string> StreamData(size_t keywordEnd) {
        const std::optional<int64_t> length = DeclaredLength();
        if (!length || *length < 0) {
            return std::nullopt;
        }
        size_t start = keywordEnd;
        if (text_.substr(start, 2) == "\r\n") {
            start += 2;
        } else if (start < text_.size() && text_[start] == '\n') {
            start += 1;
        } else {
            return std::nullopt;
        }
        if (static_cast<uint64_t>(*length) > text_.size() - start) {
            return std::nullopt;
        }
        const auto size = static_cast<size_t>(*length);
        size_t end = start + size;
        if (text_.substr(end, 2) == "\r\n") {
            end += 2;
        } else if (end < text_.size() && (text_[end] == '\n' || text_[end] == '\r')) {
            end += 1;
        }
        if (text_.substr(end, 9) != "endstream") {
            return std::nullopt;
        }
        out_.reserve(out_.size() + size + 24);
        out_ += "\nstream\n";
        out_.append(text_.substr(start, size));
        out_ += "\nendstream";
        return std::move(out_);
    }

    // The top dictionary's Length: a whole number as written, or the value of the object a
    // reference names.
    std::optional<int64_t> DeclaredLength() const {
        if (lengthValue_.empty()) {
            return std::nullopt;
        }
        const size_t end = RegularEnd(0, lengthValue_);
        const std::string_view first = lengthValue_.substr(0, end);
        if (!AllDigits(first) || first.size() > 12) {
            return std::nullopt;
        }
        int64_t value = 0;
        for (char c : first) {
            value = value * 10 + (c - '0');
        }
        if (end == lengthValue_.size()) {
            return value;
        }
        if (!lengthOf_ || value > kMaxObjectNumber) {
            return std::nullopt;
        }
        return lengthOf_(static_cast<int32_t>(value));
    }

    static size_t RegularEnd(size_t from, std::string_view text) {
        while (from < text.size() && IsRegular(text[from])) {
            ++from;
        }
        return from;
    }

    bool StartsWith(std::string_view prefix) const {
        return text_.substr(pos_, prefix.size()) == prefix;
    }

    // Copies white space and comments.
    void SkipWhite() {
        const size_t start = pos_;
        while (pos_ < text_.size()) {
            if (IsWhite(text_[pos_])) {
                ++pos_;
            } else if (text_[pos_] == '%') {
                while (pos_ < text_.size() && text_[pos_] != '\n' && text_[pos_] != '\r') {
                    ++pos_;
                }
            } else {
                break;
            }
        }
        out_.append(text_.substr(start, pos_ - start));
    }

    void Copy(size_t end) {
        out_.append(text_.substr(pos_, end - pos_));
        pos_ = end;
    }

    bool Value(int depth) {
        if (depth > kMaxDepth || pos_ >= text_.size()) {
            return false;
        }
        const char c = text_[pos_];
        if (StartsWith("<<")) {
            return Dictionary(depth);
        }
        if (c == '[') {
            return Array(depth);
        }
        if (c == '(') {
            return LiteralString();
        }
        if (c == '<') {
            return HexString();
        }
        if (c == '/') {
            return Name();
        }
        if (IsDigit(c) || c == '-' || c == '+' || c == '.') {
            return NumberOrReference();
        }
        return Keyword();
    }

    bool Dictionary(int depth) {
        Copy(pos_ + 2);
        for (;;) {
            SkipWhite();
            if (pos_ >= text_.size()) {
                return false;
            }
            if (StartsWith(">>")) {
                Copy(pos_ + 2);
                return true;
            }
            const size_t keyStart = pos_;
            if (text_[pos_] != '/' || !Name()) {
                return false;
            }
            const bool length = depth == 0 && text_.substr(keyStart, pos_ - keyStart) == "/Length";
            SkipWhite();
            const size_t valueStart = pos_;
            if (pos_ >= text_.size() || StartsWith(">>") || !Value(depth + 1)) {
                return false;
            }
            if (length) {
                lengthValue_ = text_.substr(valueStart, pos_ - valueStart);
            }
        }
    }

    bool Array(int depth) {
        Copy(pos_ + 1);
        for (;;) {
            SkipWhite();
            if (pos_ >= text_.size()) {
                return false;
            }
            if (text_[pos_] == ']') {
                Copy(pos_ + 1);
                return true;
            }
            if (!Value(depth + 1)) {
                return false;
            }
        }
    }

    bool LiteralString() {
        size_t i = pos_ + 1;
        int open = 1;
        while (i < text_.size()) {
            const char c = text_[i];
            if (c == '\\') {
                i += 2;
                continue;
            }
            if (c == '(') {
                ++open;
            } else if (c == ')' && --open == 0) {
                Copy(i + 1);
                return true;
            }
            ++i;
        }
        return false;
    }

    bool HexString() {
        size_t i = pos_ + 1;
        while (i < text_.size() && text_[i] != '>') {
            const char c = text_[i];
            const bool hex = IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
            if (!hex && !IsWhite(c)) {
                return false;
            }
            ++i;
        }
        if (i >= text_.size()) {
            return false;
        }
        Copy(i + 1);
        return true;
    }

    bool Name() {
        size_t i = pos_ + 1;
        while (i < text_.size() && IsRegular(text_[i])) {
            ++i;
        }
        Copy(i);
        return true;
    }

    size_t RegularEnd(size_t from) const { return RegularEnd(from, text_); }

    static bool AllDigits(std::string_view token) {
        if (token.empty()) {
            return false;
        }
        for (char c : token) {
            if (!IsDigit(c)) {
                return false;
            }
        }
        return true;
    }

    static bool IsNumber(std::string_view token) {
        size_t i = token[0] == '-' || token[0] == '+' ? 1 : 0;
        bool digits = false;
        bool point = false;
        for (; i < token.size(); ++i) {
            if (IsDigit(token[i])) {
                digits = true;
            } else if (token[i] == '.' && !point) {
                point = true;
            } else {
                return false;
            }
        }
        return digits;
    }

    bool NumberOrReference() {
        const size_t end = RegularEnd(pos_);
        const std::string_view first = text_.substr(pos_, end - pos_);
        if (!IsNumber(first)) {
            return false;
        }
        if (AllDigits(first) && TryReference(first, end)) {
            return true;
        }
        Copy(end);
        return true;
    }

    // "N G R" with plain white space between the parts.
    bool TryReference(std::string_view number, size_t end) {
        size_t i = end;
        while (i < text_.size() && IsWhite(text_[i])) {
            ++i;
        }
        const size_t generationStart = i;
        const size_t generationEnd = RegularEnd(i);
        if (generationEnd == generationStart ||
            !AllDigits(text_.substr(generationStart, generationEnd - generationStart))) {
            return false;
        }
        i = generationEnd;
        while (i < text_.size() && IsWhite(text_[i])) {
            ++i;
        }
        if (i >= text_.size() || text_[i] != 'R' || RegularEnd(i) != i + 1) {
            return false;
        }
        int64_t value = 0;
        for (char c : number) {
            value = value * 10 + (c - '0');
            if (value > kMaxObjectNumber) {
                return false;
            }
        }
        value += offset_;
        if (value > std::numeric_limits<int32_t>::max() || value < 0) {
            return false;
        }
        out_ += std::to_string(value);
        pos_ = end;
        Copy(i + 1);
        return true;
    }

    bool Keyword() {
        const size_t end = RegularEnd(pos_);
        const std::string_view word = text_.substr(pos_, end - pos_);
        if (word != "true" && word != "false" && word != "null") {
            return false;
        }
        Copy(end);
        return true;
    }

    std::string_view text_;
    int32_t offset_;
    const StreamLengthLookup& lengthOf_;
    size_t pos_ = 0;
    std::string out_;
    // The top dictionary's Length as written: a number, or "N G R".
    std::string_view lengthValue_;
};

}  // namespace

std::optional<std::string> CopyRenumbered(std::string_view body, int32_t offset,
                                          const StreamLengthLookup& lengthOf) {
    return RenumberingScan(body, offset, lengthOf).Run();
}

}  // namespace foldant

#include "pdf/object_copy.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <vector>

#include "pdf/pdf_keys.h"
#include "pdf/pdf_lexical.h"

namespace foldant {

namespace {

constexpr int kMaxDepth = 200;

enum CharClass : uint8_t { kRegular, kWhite, kDelimiter };

// The class of every byte, looked up once per byte of every object copied.
constexpr std::array<CharClass, 256> kCharClasses = [] {
    std::array<CharClass, 256> classes{};
    for (unsigned char c : {' ', '\n', '\r', '\t', '\f', '\0'}) {
        classes[c] = kWhite;
    }
    for (unsigned char c : {'(', ')', '<', '>', '[', ']', '{', '}', '/', '%'}) {
        classes[c] = kDelimiter;
    }
    return classes;
}();

bool IsWhite(char c) {
    return kCharClasses[static_cast<unsigned char>(c)] == kWhite;
}

bool IsRegular(char c) {
    return kCharClasses[static_cast<unsigned char>(c)] == kRegular;
}

// Adds a fixed offset to every object number.
class OffsetRewriter final : public TReferenceRewriter {
  public:
    explicit OffsetRewriter(int32_t offset) : offset_(offset) {}
    bool Rewrite(int64_t number, int64_t /*generation*/, std::string_view rest,
                 std::string& out) override {
        const int64_t value = number + offset_;
        if (value > std::numeric_limits<int32_t>::max() || value < 0) {
            return false;
        }
        out += std::to_string(value);
        out += rest;
        return true;
    }

  private:
    int32_t offset_;
};

class ReferenceScan {
  public:
    ReferenceScan(std::string_view text, TReferenceRewriter& rewriter, ScanScope scope,
                  const StreamLengthLookup* lengthOf = nullptr)
        : text_(text), rewriter_(rewriter), scope_(scope), lengthOf_(lengthOf) {
        out_.reserve(text.size() + 16);
    }

    std::optional<std::string> Run() {
        SkipWhite();
        const bool container = StartsWith("<<") || StartsWith("[");
        if (!container && scope_ == ScanScope::kContainers) {
            return std::nullopt;
        }
        if (!Value(0)) {
            return std::nullopt;
        }
        size_t after = pos_;
        while (after < text_.size() && IsWhite(text_[after])) {
            ++after;
        }
        if (text_.substr(after, 6) == "stream" && lengthOf_ != nullptr) {
            return StreamData(after + 6);
        }
        if (text_.substr(after, 6) == "stream") {
            // The data is taken as it stands; only its dictionary holds references.
            if (scope_ != ScanScope::kWholeObjects || !StartsWith("<<", start_)) {
                return std::nullopt;
            }
            Copy(text_.size());
        }
        Flush(pos_);
        return std::move(out_);
    }

  private:
    // The data after the "stream" keyword that ends at `keywordEnd`, appended as the long way
    // writes it: one line end before the data and one before "endstream".
    std::optional<std::string> StreamData(size_t keywordEnd) {
        const std::optional<int64_t> length = DeclaredLength();
        if (!length || *length < 0 || !StartsWith("<<", start_)) {
            return std::nullopt;
        }
        size_t start = keywordEnd;
        if (StartsWith("\r\n", start)) {
            start += 2;
        } else if (StartsWith("\n", start)) {
            start += 1;
        } else {
            return std::nullopt;
        }
        if (static_cast<uint64_t>(*length) > text_.size() - start) {
            return std::nullopt;
        }
        const auto size = static_cast<size_t>(*length);
        size_t end = start + size;
        if (StartsWith("\r\n", end)) {
            end += 2;
        } else if (StartsWith("\n", end) || StartsWith("\r", end)) {
            end += 1;
        }
        if (!StartsWith("endstream", end)) {
            return std::nullopt;
        }
        Flush(pos_);
        out_.reserve(out_.size() + size + 24);
        out_ += "\nstream\n";
        out_.append(text_.substr(start, size));
        out_ += "\nendstream";
        return std::move(out_);
    }

    // The outermost dictionary's Length: a whole number as written, or the value of the object
    // a reference names.
    std::optional<int64_t> DeclaredLength() const {
        size_t end = 0;
        while (end < lengthValue_.size() && IsRegular(lengthValue_[end])) {
            ++end;
        }
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
        if (!*lengthOf_ || value > kMaxObjectNumber) {
            return std::nullopt;
        }
        return (*lengthOf_)(static_cast<int32_t>(value));
    }

    bool StartsWith(std::string_view prefix) const { return StartsWith(prefix, pos_); }
    bool StartsWith(std::string_view prefix, size_t at) const {
        return text_.substr(at, prefix.size()) == prefix;
    }

    // Passes white space and comments, which are copied with the tokens around them.
    void SkipWhite() {
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
    }

    // Passes a token that is copied as written. The bytes are copied in one piece up to the next
    // reference that is rewritten, rather than token by token.
    void Copy(size_t end) { pos_ = end; }

    void Flush(size_t end) {
        out_.append(text_.substr(copied_, end - copied_));
        copied_ = end;
    }

    bool Value(int depth) {
        if (depth > kMaxDepth || pos_ >= text_.size()) {
            return false;
        }
        if (depth == 0) {
            start_ = pos_;
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
            const size_t keyStart = pos_ + 1;
            if (text_[pos_] != '/' || !Name()) {
                return false;
            }
            const std::string_view key = text_.substr(keyStart, pos_ - keyStart);
            SkipWhite();
            const size_t valueStart = pos_;
            if (pos_ >= text_.size() || StartsWith(">>") || !Value(depth + 1)) {
                return false;
            }
            if (depth == 0 && key == kLength) {
                lengthValue_ = text_.substr(valueStart, pos_ - valueStart);
            }
            if (depth == 0) {
                const bool name = text_[valueStart] == '/';
                rewriter_.TopLevelKey(
                    key, name ? text_.substr(valueStart + 1, pos_ - valueStart - 1) : "");
                rewriter_.TopLevelValue(key, text_.substr(valueStart, pos_ - valueStart));
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

    size_t RegularEnd(size_t from) const {
        while (from < text_.size() && IsRegular(text_[from])) {
            ++from;
        }
        return from;
    }

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
        int64_t generation = 0;
        for (char c : text_.substr(generationStart, generationEnd - generationStart)) {
            generation = std::min<int64_t>(generation * 10 + (c - '0'), int64_t{kMaxGeneration});
        }
        Flush(pos_);
        if (!rewriter_.Rewrite(value, generation, text_.substr(end, i + 1 - end), out_)) {
            return false;
        }
        pos_ = i + 1;
        copied_ = pos_;
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
    TReferenceRewriter& rewriter_;
    ScanScope scope_;
    // Set for the join's copy, which takes stream data whose length fits.
    const StreamLengthLookup* lengthOf_;
    // The outermost dictionary's Length as written: a number, or "N G R".
    std::string_view lengthValue_;
    size_t pos_ = 0;
    // Where the bytes not yet copied to `out_` start.
    size_t copied_ = 0;
    // Where the outermost value starts.
    size_t start_ = 0;
    std::string out_;
};

}  // namespace

std::optional<std::string> CopyRenumbered(std::string_view body, int32_t offset,
                                          const StreamLengthLookup* lengthOf) {
    OffsetRewriter rewriter(offset);
    return ReferenceScan(body, rewriter, ScanScope::kContainers, lengthOf).Run();
}

std::optional<std::string> CopyRewritten(std::string_view body, TReferenceRewriter& rewriter,
                                         ScanScope scope) {
    return ReferenceScan(body, rewriter, scope).Run();
}

}  // namespace foldant

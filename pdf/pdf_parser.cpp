#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <unordered_map>

#include "pdf/pdf_lexical.h"
#include "pdf/pdf_objects.h"

namespace foldant {

namespace {

// Deeper nesting of arrays and dictionaries ends the construct, so hostile input cannot exhaust
// the stack.
constexpr int kMaxNesting = 256;

int32_t TruncateToInt32(double value) {
    double truncated = std::trunc(value);
    if (!(truncated >= -2147483648.0 && truncated <= 2147483647.0)) {
        throw std::range_error("object number out of range");
    }
    return static_cast<int32_t>(truncated);
}

// One recursive scan over the text. Positions are 0-based here; `pos_` may stand one past the
// end.
class ObjectScanner {
  public:
    ObjectScanner(std::string_view text, TPDFStructure& store) : text_(text), store_(store) {}

    size_t Position() const { return pos_; }
    void SetPosition(size_t pos) { pos_ = pos; }

    // Blanks and comments, never the last character of the text.
    void Skip() {
        while (pos_ + 1 < text_.size() && (IsPdfWhitespace(text_[pos_]) || text_[pos_] == '%')) {
            while (pos_ + 1 < text_.size() && IsPdfWhitespace(text_[pos_])) {
                ++pos_;
            }
            while (pos_ + 1 < text_.size() && text_[pos_] == '%') {
                while (pos_ + 1 < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') {
                    ++pos_;
                }
            }
        }
    }

    TPDFObject* Scan() {
        TPDFObject* object = Dispatch();
        if (object != nullptr) {
            object->SetChanged(false);
        }
        return object;
    }

  private:
    size_t Avail() const { return text_.size() - pos_; }
    bool StartsWith(std::string_view prefix) const {
        return text_.substr(pos_, prefix.size()) == prefix;
    }

    TPDFObject* Dispatch() {
        if (pos_ >= text_.size()) {
            return nullptr;
        }
        const char c = text_[pos_];
        if (Avail() >= 4 && StartsWith("<<")) {
            return Nested([this] { return ScanDictionary(); });
        }
        if (Avail() >= 2 && c == '[') {
            return Nested([this] { return ScanArray(); });
        }
        if (c == 't' && IsKeyword("true")) {
            pos_ += 4;
            return &store_.NewBoolean(true);
        }
        if (c == 'f' && IsKeyword("false")) {
            pos_ += 5;
            return &store_.NewBoolean(false);
        }
        if (c == 'n' && IsKeyword("null")) {
            pos_ += 4;
            return &store_.NewNull();
        }
        if (c == '-' || c == '.' || IsDigit(c)) {
            return ScanNumberOrReference();
        }
        if (Avail() >= 2 && c == '(') {
            return ScanLiteralString();
        }
        if (Avail() >= 2 && c == '<') {
            return ScanHexString();
        }
        if (Avail() >= 2 && c == '/') {
            return ScanName();
        }
        return nullptr;
    }

    template <class F>
    TPDFObject* Nested(F scan) {
        if (depth_ >= kMaxNesting) {
            return nullptr;
        }
        ++depth_;
        TPDFObject* object = scan();
        --depth_;
        return object;
    }

    bool IsKeyword(std::string_view keyword) const {
        if (!StartsWith(keyword)) {
            return false;
        }
        size_t end = pos_ + keyword.size();
        return end == text_.size() || IsPdfWhitespace(text_[end]) || IsPdfDelimiter(text_[end]);
    }

    TPDFObject* ScanDictionary() {
        pos_ += 2;
        TPDFDictionary& dictionary = store_.NewDictionary();
        // Large dictionaries look their keys up in a hash index, so that a dictionary of many
        // keys costs its own size rather than its size squared.
        std::unordered_map<std::string_view, size_t> keys;
        TPDFObject* key = nullptr;
        TPDFObject* value = nullptr;
        do {
            Skip();
            key = Scan();
            Skip();
            value = Scan();
            auto* name = As<TPDFName>(key);
            if (name != nullptr && value != nullptr) {
                SetEntry(dictionary, keys, *name, *value);
            }
        } while (value != nullptr && As<TPDFName>(key) != nullptr);
        if (pos_ + 1 < text_.size() && StartsWith(">>")) {
            pos_ += 2;
        }
        return &dictionary;
    }

    static void SetEntry(TPDFDictionary& dictionary,
                         std::unordered_map<std::string_view, size_t>& keys, TPDFName& name,
                         TPDFObject& value) {
        constexpr size_t kIndexedFrom = 16;
        auto& entries = dictionary.Entries;
        if (keys.empty() && entries.size() < kIndexedFrom) {
            dictionary.SetEntry(name, value);
            return;
        }
        if (keys.empty()) {
            for (size_t i = 0; i < entries.size(); ++i) {
                keys.emplace(entries[i].first->Value, i);
            }
        }
        auto [found, added] = keys.emplace(name.Value, entries.size());
        if (added) {
            entries.emplace_back(&name, &value);
        } else {
            entries[found->second] = {&name, &value};
        }
    }

    TPDFObject* ScanArray() {
        pos_ += 1;
        TPDFArray& array = store_.NewArray();
        while (true) {
            Skip();
            TPDFObject* item = Scan();
            if (item == nullptr) {
                break;
            }
            array.Add(*item);
            if (array.Count() == 1 && item->TypeTag == TPDFIndRef::kTag &&
                pos_ + 1 < text_.size() && text_[pos_] != ']') {
                array.Reserve(CountReferencesAhead());
            }
        }
        if (pos_ < text_.size() && text_[pos_] == ']') {
            pos_ += 1;
        }
        return &array;
    }

    int32_t CountReferencesAhead() const {
        int32_t count = 0;
        for (size_t i = pos_ + 1; i < text_.size() && text_[i] != ']'; ++i) {
            count += text_[i] == 'R' ? 1 : 0;
        }
        return count;
    }

    static std::string CompleteNumberText(std::string_view token) {
        std::string text(token);
        if (!text.empty() && text.front() == '.') {
            text.insert(0, 1, '0');
        }
        if (!text.empty() && text.back() == '.') {
            text += '0';
        }
        return text;
    }

    TPDFNumeric& NumberFromText(double value) {
        TPDFNumeric& number = store_.NewNumber(value);
        number.FromFile = true;
        return number;
    }

    TPDFObject* ScanNumberOrReference() {
        size_t i = pos_;
        int dots = text_[i] == '.' ? 1 : 0;
        bool exponent = false;
        ++i;
        while (i < text_.size()) {
            char c = text_[i];
            if (c == '.' && dots == 0) {
                ++dots;
            } else if (c == 'E') {
                exponent = true;
            } else if (!IsDigit(c)) {
                break;
            }
            ++i;
        }
        if (exponent) {
            i = pos_ + 1;
            while (i < text_.size() &&
                   (IsDigit(text_[i]) || text_[i] == '.' || text_[i] == '-' || text_[i] == 'E')) {
                ++i;
            }
        }
        const std::string_view raw = text_.substr(pos_, i - pos_);
        double value = 0;
        if (!exponent && dots == 0 && raw.size() <= 8) {
            value = ParseInt32(raw).value_or(0);
            pos_ = i;
            if (TPDFObject* reference = TryReference(value)) {
                return reference;
            }
            return &NumberFromText(value);
        }
        const std::string token = CompleteNumberText(raw);
        if (exponent) {
            size_t e = token.find('E');
            value = ReadDecimal(std::string_view(token).substr(0, e));
            if (auto power = ParseInt32(std::string_view(token).substr(e + 1))) {
                value *= PowerOfTen(*power);
            }
        } else if (dots == 0 && token.size() <= 8) {
            value = ParseInt32(token).value_or(0);
        } else {
            value = ReadDecimal(token);
        }
        pos_ = i;
        if (dots > 0) {
            return &NumberFromText(value);
        }
        if (TPDFObject* reference = TryReference(value)) {
            return reference;
        }
        return &NumberFromText(value);
    }

    TPDFObject* TryReference(double first) {
        const size_t remembered = pos_;
        Skip();
        if (pos_ < text_.size() && IsDigit(text_[pos_])) {
            size_t i = pos_;
            int dots = 0;
            while (i < text_.size() && (IsDigit(text_[i]) || (text_[i] == '.' && dots == 0))) {
                dots += text_[i] == '.' ? 1 : 0;
                ++i;
            }
            const std::string_view raw = text_.substr(pos_, i - pos_);
            const double second =
                dots == 0 ? ParseInt32(raw).value_or(0) : ReadDecimal(CompleteNumberText(raw));
            pos_ = i;
            Skip();
            if (pos_ < text_.size() && text_[pos_] == 'R') {
                pos_ += 1;
                return &store_.NewReference(TruncateToInt32(first), TruncateToInt32(second));
            }
        }
        pos_ = remembered;
        return nullptr;
    }

    TPDFObject* ScanLiteralString() {
        size_t i = pos_ + 1;
        int64_t depth = 1;
        while (i < text_.size()) {
            const char c = text_[i];
            if (c == '(') {
                ++depth;
            } else if (c == ')') {
                if (--depth == 0) {
                    break;
                }
            } else if (c == '\\' && i + 3 <= text_.size() &&
                       (text_[i + 1] == '(' || text_[i + 1] == ')' || text_[i + 1] == '\\')) {
                ++i;
            }
            ++i;
        }
        if (depth != 0) {
            return nullptr;
        }
        std::string content = DecodeLiteral(text_.substr(pos_ + 1, i - pos_ - 1));
        pos_ = i + 1;
        return &store_.NewString(std::move(content), TPDFString::kLiteral);
    }

    static std::string DecodeLiteral(std::string_view raw) {
        std::string out;
        out.reserve(raw.size());
        size_t i = 0;
        while (i < raw.size()) {
            const char c = raw[i];
            if (c == '\r') {
                out += '\n';
                i += (i + 1 < raw.size() && raw[i + 1] == '\n') ? 2 : 1;
                continue;
            }
            if (c != '\\' || i + 1 >= raw.size()) {
                out += c;
                ++i;
                continue;
            }
            const char next = raw[i + 1];
            i += 2;
            switch (next) {
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case '(':
                case ')':
                case '\\':
                    out += next;
                    break;
                case '\n':
                    break;
                case '\r':
                    if (i < raw.size() && raw[i] == '\n') {
                        ++i;
                    }
                    break;
                default:
                    if (IsDigit(next)) {
                        int value = next - '0';
                        for (int k = 0; k < 2 && i < raw.size() && IsDigit(raw[i]); ++k, ++i) {
                            value = value * 8 + (raw[i] - '0');
                        }
                        out += static_cast<char>(value & 255);
                    } else {
                        out += '\\';
                        out += next;
                    }
            }
        }
        return out;
    }

    TPDFObject* ScanHexString() {
        size_t close = text_.find('>', pos_ + 1);
        std::string_view raw;
        if (close == std::string_view::npos) {
            raw = text_.substr(pos_ + 1, text_.size() - 1 - (pos_ + 1));
            pos_ = text_.size();
        } else {
            raw = text_.substr(pos_ + 1, close - pos_ - 1);
            pos_ = close + 1;
        }
        std::string bytes;
        bytes.reserve(raw.size() / 2 + 1);
        int high = -1;
        for (char c : raw) {
            int digit = HexValue(c);
            if (digit < 0) {
                continue;
            }
            if (high < 0) {
                high = digit;
            } else {
                bytes += static_cast<char>(high * 16 + digit);
                high = -1;
            }
        }
        if (high >= 0) {
            bytes += static_cast<char>(high * 16);
        }
        return &store_.NewString(std::move(bytes), TPDFString::kHexadecimal);
    }

    TPDFObject* ScanName() {
        size_t end = pos_ + 1;
        while (end < text_.size() && !IsPdfWhitespace(text_[end]) && !IsPdfDelimiter(text_[end])) {
            ++end;
        }
        std::string_view raw = text_.substr(pos_ + 1, end - pos_ - 1);
        std::string name;
        name.reserve(raw.size());
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '#' && i + 2 < raw.size() && HexValue(raw[i + 1]) >= 0 &&
                HexValue(raw[i + 2]) >= 0) {
                name += static_cast<char>(HexValue(raw[i + 1]) * 16 + HexValue(raw[i + 2]));
                i += 2;
            } else {
                name += raw[i];
            }
        }
        pos_ = end;
        return &store_.NewName(std::move(name));
    }

    std::string_view text_;
    TPDFStructure& store_;
    size_t pos_ = 0;
    int depth_ = 0;
};

}  // namespace

TPDFObject& TPDFStructure::ParseAt(std::string_view text, int64_t start, int64_t& consumed) {
    consumed = 0;
    if (text.empty()) {
        return NewNull();
    }
    TPDFObject* result = nullptr;
    try {
        ObjectScanner scanner(text, *this);
        const auto first = static_cast<size_t>(std::max<int64_t>(start - 1, 0));
        scanner.SetPosition(std::min(first, text.size()));
        scanner.Skip();
        result = scanner.Scan();
        consumed = std::max<int64_t>(0, static_cast<int64_t>(scanner.Position()) - (start - 1));
    } catch (const std::exception&) {
        result = nullptr;
        consumed = 0;
    }
    return result != nullptr ? *result : NewNull();
}

}  // namespace foldant

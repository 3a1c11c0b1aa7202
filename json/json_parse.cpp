#include <exception>
#include <optional>

#include "json/json_number.h"
#include "json/json_text.h"
#include "platform/windows1252.h"

namespace foldant {
namespace {

// Raised inside the parser for a bad escape, a number out of range or too deep a nesting;
// ParseJsonText turns it into "no result".
struct Unparsable {};

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    return (c | 0x20) - 'a' + 10;
}

// Walks the bytes between the quotes of a string: onBytes receives each stretch without a
// backslash, onUnit the UTF-16 code unit of each escape. A \u escape takes up to four
// hexadecimal characters; an unknown escape gives nothing.
template <typename OnBytes, typename OnUnit>
void WalkString(std::string_view raw, OnBytes&& onBytes, OnUnit&& onUnit) {
    size_t start = 0;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\') {
            continue;
        }
        onBytes(raw.substr(start, i - start));
        if (++i == raw.size()) {
            return;
        }
        start = i + 1;
        switch (char c = raw[i]) {
            case '"':
            case '\'':
            case '/':
            case '\\':
                onUnit(static_cast<char16_t>(c));
                break;
            case 'b':
                onUnit(u'\b');
                break;
            case 'f':
                onUnit(u'\f');
                break;
            case 'n':
                onUnit(u'\n');
                break;
            case 'r':
                onUnit(u'\r');
                break;
            case 't':
                onUnit(u'\t');
                break;
            case 'u': {
                std::string_view digits = raw.substr(i + 1, 4);
                if (digits.empty()) {
                    throw Unparsable{};
                }
                char16_t code = 0;
                for (char d : digits) {
                    if (!IsHexDigit(d)) {
                        throw Unparsable{};
                    }
                    code = static_cast<char16_t>(code * 16 + HexValue(d));
                }
                onUnit(code);
                i += digits.size();
                start = i + 1;
                break;
            }
            default:
                break;
        }
    }
    onBytes(raw.substr(start));
}

// Escapes give their characters directly. The other bytes are UTF-8 when all of them form
// UTF-8, and Windows-1252 otherwise, so that the text this model prints (raw Windows-1252 bytes
// beside the escape of the euro sign) reads back unchanged, and so does UTF-8 text.
std::u16string DecodeString(std::string_view raw) {
    bool utf8 = true;
    WalkString(
        raw, [&](std::string_view bytes) { utf8 = utf8 && IsValidUtf8(bytes); }, [](char16_t) {});
    std::u16string out;
    out.reserve(raw.size());
    WalkString(
        raw, [&](std::string_view bytes) { out += utf8 ? Utf8ToUtf16(bytes) : AnsiToUtf16(bytes); },
        [&](char16_t unit) { out.push_back(unit); });
    return out;
}

class Parser {
  public:
    explicit Parser(std::string_view text, size_t start) : text_(text), pos_(start) {}

    std::unique_ptr<TQvCustomJSON> ParseValue() {
        SkipWhitespace();
        size_t start = pos_;
        std::unique_ptr<TQvCustomJSON> value = ParseBoolean();
        if (!value) {
            value = ParseNull();
        }
        if (!value) {
            value = ParseNumber();
        }
        if (!value) {
            value = ParseString();
        }
        if (!value) {
            value = ParseList();
        }
        if (!value) {
            value = ParseObject();
        }
        if (!value) {
            pos_ = start;
        }
        return value;
    }

  private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool Next(char c) const { return !AtEnd() && text_[pos_] == c; }
    bool NextIs(std::string_view word) const { return text_.substr(pos_, word.size()) == word; }

    void SkipWhitespace() {
        while (!AtEnd() && static_cast<unsigned char>(text_[pos_]) <= 32) {
            ++pos_;
        }
    }

    std::unique_ptr<TQvCustomJSON> ParseBoolean() {
        if (NextIs("true")) {
            pos_ += 4;
            return std::make_unique<TUxJSONboolean>(true);
        }
        if (NextIs("false")) {
            pos_ += 5;
            return std::make_unique<TUxJSONboolean>(false);
        }
        return nullptr;
    }

    std::unique_ptr<TQvCustomJSON> ParseNull() {
        if (!NextIs("null")) {
            return nullptr;
        }
        pos_ += 4;
        return std::make_unique<TUxJSONnull>();
    }

    std::unique_ptr<TQvCustomJSON> ParseNumber() {
        size_t length = ScanNumber(text_, pos_);
        if (length == 0) {
            return nullptr;
        }
        auto value = ConvertNumber(text_.substr(pos_, length));
        if (!value) {
            throw Unparsable{};
        }
        pos_ += length;
        return std::make_unique<TUxJSONnumber>(*value);
    }

    // The position of the quote that closes the string opened just before pos, skipping every
    // byte that follows a backslash.
    std::optional<size_t> ClosingQuote(size_t pos) const {
        while (pos < text_.size()) {
            if (text_[pos] == '\\') {
                pos += 2;
            } else if (text_[pos] == '"') {
                return pos;
            } else {
                ++pos;
            }
        }
        return std::nullopt;
    }

    std::optional<std::u16string> ParseRawString() {
        if (!Next('"')) {
            return std::nullopt;
        }
        auto close = ClosingQuote(pos_ + 1);
        if (!close) {
            return std::nullopt;
        }
        std::string_view raw = text_.substr(pos_ + 1, *close - pos_ - 1);
        std::u16string value = DecodeString(raw);
        pos_ = *close + 1;
        return value;
    }

    std::unique_ptr<TQvCustomJSON> ParseString() {
        auto value = ParseRawString();
        if (!value) {
            return nullptr;
        }
        return std::make_unique<TUxJSONstring>(std::move(*value));
    }

    void Enter() {
        if (++depth_ > TQvJSONText::kMaxDepth) {
            throw Unparsable{};
        }
    }

    std::unique_ptr<TQvCustomJSON> ParseList() {
        if (!Next('[')) {
            return nullptr;
        }
        Enter();
        ++pos_;
        auto list = std::make_unique<TQvSONList>();
        while (auto item = ParseValue()) {
            list->AddItem(std::move(item));
            SkipWhitespace();
            if (Next(',')) {
                ++pos_;
            }
        }
        --depth_;
        SkipWhitespace();
        if (!Next(']')) {
            return nullptr;
        }
        ++pos_;
        return list;
    }

    std::unique_ptr<TQvCustomJSON> ParseObject() {
        if (!Next('{')) {
            return nullptr;
        }
        Enter();
        ++pos_;
        auto object = std::make_unique<TQvJSON>();
        while (ParseMember(*object)) {
            SkipWhitespace();
            if (Next(',')) {
                ++pos_;
            }
        }
        --depth_;
        SkipWhitespace();
        if (!Next('}')) {
            return nullptr;
        }
        ++pos_;
        return object;
    }

    bool ParseMember(TQvJSON& object) {
        size_t start = pos_;
        SkipWhitespace();
        auto name = ParseRawString();
        SkipWhitespace();
        if (!name || !Next(':')) {
            pos_ = start;
            return false;
        }
        ++pos_;
        auto value = ParseValue();
        if (!value) {
            pos_ = start;
            return false;
        }
        object.AddMember(std::move(*name), std::move(value));
        return true;
    }

    std::string_view text_;
    size_t pos_;
    int depth_ = 0;
};

}  // namespace

std::unique_ptr<TQvCustomJSON> TQvJSONText::ParseJsonText(std::string_view text) {
    size_t start = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    if (start >= text.size()) {
        return nullptr;
    }
    try {
        return Parser(text, start).ParseValue();
    } catch (const Unparsable&) {
        return nullptr;
    } catch (const std::exception&) {
        return nullptr;
    }
}

}  // namespace foldant

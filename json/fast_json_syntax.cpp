#include "json/fast_json_syntax.h"

#include "json/json_error.h"
#include "json/json_number.h"
#include "platform/windows1252.h"

namespace foldant::fast_json {
namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

// The position just after the quote that closes the stretch opened at text[pos].
size_t SkipQuoted(std::string_view text, size_t pos) {
    ++pos;
    while (pos < text.size()) {
        if (text[pos] == '\\') {
            pos += 2;
        } else if (text[pos] == '"') {
            return pos + 1;
        } else {
            ++pos;
        }
    }
    return text.size();
}

// The position just after the bracket that closes the stretch opened at text[pos]. A counter
// instead of recursion keeps deeply nested text from exhausting the stack.
size_t SkipBracketed(std::string_view text, size_t pos) {
    size_t open = 1;
    ++pos;
    while (pos < text.size() && open > 0) {
        char c = text[pos];
        if (c == '"') {
            pos = SkipQuoted(text, pos);
            continue;
        }
        if (c == '[' || c == '{') {
            ++open;
        } else if (c == ']' || c == '}') {
            --open;
        }
        ++pos;
    }
    return pos;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')) {
        return (c | 0x20) - 'a' + 10;
    }
    return -1;
}

// A character of the code page gives its byte, any other its lowest eight bits.
char ByteForCode(unsigned code) {
    auto byte = UnicodeToCp1252(code);
    return static_cast<char>(byte ? *byte : code & 0xFF);
}

}  // namespace

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> CutAtSeparators(std::string_view text, char separator) {
    std::vector<std::string_view> pieces;
    size_t start = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        char c = text[pos];
        if (c == '"') {
            pos = SkipQuoted(text, pos);
        } else if (c == '[' || c == '{') {
            pos = SkipBracketed(text, pos);
        } else if (c == separator) {
            pieces.push_back(Trim(text.substr(start, pos - start)));
            start = ++pos;
        } else {
            ++pos;
        }
    }
    std::string_view rest = Trim(text.substr(start));
    if (!rest.empty()) {
        pieces.push_back(rest);
    }
    return pieces;
}

bool IsQuoted(std::string_view piece) {
    return piece.size() > 1 && piece.front() == '"' && piece.back() == '"';
}

Classified Classify(std::string_view piece) {
    if (piece.size() > 1) {
        char first = piece.front();
        char last = piece.back();
        if (first == '{' && last == '}') {
            return {PieceKind::Object};
        }
        if (first == '[' && last == ']') {
            return {PieceKind::Array};
        }
        if (IsQuoted(piece)) {
            return {PieceKind::String};
        }
        if (EqualsIgnoringAsciiCase(piece, "null")) {
            return {PieceKind::Null};
        }
        if (EqualsIgnoringAsciiCase(piece, "true") || EqualsIgnoringAsciiCase(piece, "false")) {
            return {PieceKind::Boolean};
        }
    }
    if (auto number = TextToNumber(piece)) {
        return {PieceKind::Number, *number};
    }
    return {};
}

std::string Unescape(std::string_view inside, const char* className) {
    std::string out;
    out.reserve(inside.size());
    for (size_t i = 0; i < inside.size(); ++i) {
        if (inside[i] != '\\') {
            out.push_back(inside[i]);
            continue;
        }
        if (++i == inside.size()) {
            break;
        }
        switch (char c = inside[i]) {
            case 'b':
                out.push_back('\b');
                break;
            case 'f':
                out.push_back('\f');
                break;
            case 'n':
                out.push_back('\n');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'u': {
                std::string_view digits = inside.substr(i + 1);
                if (digits.size() < 4) {
                    out.append(digits);
                    return out;
                }
                unsigned code = 0;
                for (char d : digits.substr(0, 4)) {
                    int value = HexValue(d);
                    if (value < 0) {
                        throw JsonError(std::string("<") + className + ">InvalidHexNumber");
                    }
                    code = code * 16 + static_cast<unsigned>(value);
                }
                out.push_back(ByteForCode(code));
                i += 4;
                break;
            }
            default:
                out.push_back(c);
        }
    }
    return out;
}

void AppendEscaped(std::string& out, std::string_view bytes) {
    static const char kHex[] = "0123456789abcdef";
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        switch (byte) {
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\r':
                out += "\\r";
                break;
            case '"':
            case '/':
            case '\\':
                out += '\\';
                out += c;
                break;
            default:
                if (byte < 32 || byte >= 128) {
                    char16_t code = Cp1252ToUnicode(byte);
                    out += "\\u";
                    out += kHex[(code >> 12) & 15];
                    out += kHex[(code >> 8) & 15];
                    out += kHex[(code >> 4) & 15];
                    out += kHex[code & 15];
                } else {
                    out += c;
                }
        }
    }
}

}  // namespace foldant::fast_json

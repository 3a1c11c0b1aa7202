#include "script/script_lexer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "script/script_text.h"

namespace foldant {
namespace {

constexpr std::array<std::string_view, 41> kReservedWords = {
    "and",  "array",  "begin",   "case",  "const",     "div",      "do",    "downto", "else",
    "end",  "except", "finally", "for",   "forward",   "function", "if",    "in",     "mod",
    "nil",  "not",    "of",      "or",    "procedure", "program",  "raise", "repeat", "shl",
    "shr",  "then",   "to",      "try",   "type",      "until",    "uses",  "var",    "while",
    "with", "xor",    "record",  "class", "goto"};

bool IsIdentifierStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    std::vector<Token> Run() {
        std::vector<Token> tokens;
        for (;;) {
            SkipBlanksAndComments();
            Token token;
            token.position = position_;
            if (AtEnd()) {
                tokens.push_back(token);
                return tokens;
            }
            char c = Peek();
            if (IsIdentifierStart(c)) {
                ReadWord(token);
            } else if (IsDigit(c) || c == '$') {
                ReadNumber(token);
            } else if (c == '\'' || c == '#') {
                ReadString(token);
            } else {
                ReadSymbol(token);
            }
            tokens.push_back(std::move(token));
        }
    }

  private:
    bool AtEnd() const { return pos_ >= text_.size(); }
    char Peek(size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    void Advance() {
        if (text_[pos_] == '\n') {
            ++position_.line;
            position_.column = 1;
        } else if (text_[pos_] == '\r') {
            if (Peek(1) != '\n') {
                ++position_.line;
                position_.column = 1;
            }
        } else {
            ++position_.column;
        }
        ++pos_;
    }

    [[noreturn]] void Fail(SourcePosition at, const std::string& message) const {
        throw ScriptCompileError(at, message);
    }

    void SkipBlanksAndComments() {
        while (!AtEnd()) {
            char c = Peek();
            if (static_cast<unsigned char>(c) <= ' ') {
                Advance();
            } else if (c == '/' && Peek(1) == '/') {
                while (!AtEnd() && Peek() != '\n' && Peek() != '\r') {
                    Advance();
                }
            } else if (c == '{') {
                SkipComment("}");
            } else if (c == '(' && Peek(1) == '*') {
                SkipComment("*)");
            } else {
                return;
            }
        }
    }

    void SkipComment(std::string_view closing) {
        SourcePosition start = position_;
        size_t end = text_.find(closing, pos_ + (closing.size() == 1 ? 1 : 2));
        if (end == std::string_view::npos) {
            Fail(start, "Unterminated comment");
        }
        while (pos_ < end + closing.size()) {
            Advance();
        }
    }

    void ReadWord(Token& token) {
        size_t start = pos_;
        while (!AtEnd() && (IsIdentifierStart(Peek()) || IsDigit(Peek()))) {
            Advance();
        }
        token.spelling = std::string(text_.substr(start, pos_ - start));
        token.text = AsciiLowerCase(token.spelling);
        token.kind = IsReservedWord(token.text) ? TokenKind::Keyword : TokenKind::Identifier;
    }

    void ReadNumber(Token& token) {
        size_t start = pos_;
        if (Peek() == '$') {
            Advance();
            uint64_t value = 0;
            size_t digits = 0;
            while (!AtEnd() && IsHexDigit(Peek())) {
                char c = Peek();
                int digit = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
                if (value >> 60 != 0) {
                    Fail(token.position, "Number out of range");
                }
                value = value * 16 + static_cast<uint64_t>(digit);
                ++digits;
                Advance();
            }
            if (digits == 0) {
                Fail(token.position, "Invalid number");
            }
            token.kind = TokenKind::Integer;
            token.integer = static_cast<int64_t>(value);
            token.spelling = std::string(text_.substr(start, pos_ - start));
            return;
        }
        bool real = false;
        while (!AtEnd() && IsDigit(Peek())) {
            Advance();
        }
        if (Peek() == '.' && IsDigit(Peek(1))) {
            real = true;
            Advance();
            while (!AtEnd() && IsDigit(Peek())) {
                Advance();
            }
        }
        if ((Peek() == 'e' || Peek() == 'E') &&
            (IsDigit(Peek(1)) || ((Peek(1) == '+' || Peek(1) == '-') && IsDigit(Peek(2))))) {
            real = true;
            Advance();
            Advance();
            while (!AtEnd() && IsDigit(Peek())) {
                Advance();
            }
        }
        token.spelling = std::string(text_.substr(start, pos_ - start));
        if (real) {
            token.kind = TokenKind::Real;
            token.real = std::strtod(token.spelling.c_str(), nullptr);
            if (!std::isfinite(token.real)) {
                Fail(token.position, "Number out of range");
            }
            return;
        }
        auto value = ParseInteger(token.spelling);
        if (!value) {
            Fail(token.position, "Number out of range");
        }
        token.kind = TokenKind::Integer;
        token.integer = *value;
    }

    // 'it''s'#13#10'next' is one string: quoted parts and character codes run together.
    void ReadString(Token& token) {
        size_t start = pos_;
        std::string value;
        while (Peek() == '\'' || Peek() == '#') {
            if (Peek() == '\'') {
                SourcePosition quote = position_;
                Advance();
                for (;;) {
                    if (AtEnd() || Peek() == '\n' || Peek() == '\r') {
                        Fail(quote, "Unterminated string");
                    }
                    if (Peek() == '\'') {
                        if (Peek(1) == '\'') {
                            value += '\'';
                            Advance();
                            Advance();
                            continue;
                        }
                        Advance();
                        break;
                    }
                    value += Peek();
                    Advance();
                }
            } else {
                SourcePosition hash = position_;
                Advance();
                size_t digitsStart = pos_;
                if (Peek() == '$') {
                    Advance();
                    while (!AtEnd() && IsHexDigit(Peek())) {
                        Advance();
                    }
                } else {
                    while (!AtEnd() && IsDigit(Peek())) {
                        Advance();
                    }
                }
                auto code = ParseInteger(text_.substr(digitsStart, pos_ - digitsStart));
                if (!code || *code < 0 || *code > 255) {
                    Fail(hash, "Invalid character code");
                }
                value += static_cast<char>(*code);
            }
        }
        token.kind = TokenKind::String;
        token.text = std::move(value);
        token.spelling = std::string(text_.substr(start, pos_ - start));
    }

    void ReadSymbol(Token& token) {
        static constexpr std::array<std::string_view, 7> kPairs = {
            ":=", "<>", "<=", ">=", "..", "(.", ".)"};
        std::string_view rest = text_.substr(pos_);
        for (std::string_view pair : kPairs) {
            if (rest.substr(0, 2) == pair) {
                token.kind = TokenKind::Symbol;
                token.text = pair == "(." ? "[" : pair == ".)" ? "]" : std::string(pair);
                token.spelling = std::string(pair);
                Advance();
                Advance();
                return;
            }
        }
        static constexpr std::string_view kSingles = "+-*/=<>()[],;:.^@";
        char c = Peek();
        if (kSingles.find(c) == std::string_view::npos) {
            Fail(token.position, "Illegal character in input file: '" + std::string(1, c) + "'");
        }
        token.kind = TokenKind::Symbol;
        token.text = std::string(1, c);
        token.spelling = token.text;
        Advance();
    }

    std::string_view text_;
    size_t pos_ = 0;
    SourcePosition position_;
};

}  // namespace

ScriptCompileError::ScriptCompileError(SourcePosition position, const std::string& message)
    : std::runtime_error("Line " + std::to_string(position.line) + ", column " +
                         std::to_string(position.column) + ": " + message),
      position_(position) {}

bool IsReservedWord(std::string_view lowerCaseWord) {
    return std::find(kReservedWords.begin(), kReservedWords.end(), lowerCaseWord) !=
           kReservedWords.end();
}

std::vector<Token> Tokenize(std::string_view text) {
    return Lexer(text).Run();
}

}  // namespace foldant

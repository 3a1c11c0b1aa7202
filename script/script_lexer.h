#pragma once

// Splits script text into tokens. Identifiers and keywords are compared without case; the token
// keeps the lower-cased spelling for that and the original for messages.

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace foldant {

struct SourcePosition {
    int line = 1;
    int column = 1;
};

// A compile failure, located at the token that caused it. what() reads
// "Line 3, column 7: Unknown identifier 'Foo'".
class ScriptCompileError : public std::runtime_error {
  public:
    ScriptCompileError(SourcePosition position, const std::string& message);
    SourcePosition Position() const { return position_; }

  private:
    SourcePosition position_;
};

enum class TokenKind { Identifier, Keyword, Integer, Real, String, Symbol, EndOfText };

struct Token {
    TokenKind kind = TokenKind::EndOfText;
    std::string text;  // lower-cased for identifiers and keywords, the value for strings
    std::string spelling;
    int64_t integer = 0;
    double real = 0;
    SourcePosition position;

    bool Is(TokenKind k, std::string_view t) const { return kind == k && text == t; }
    bool IsSymbol(std::string_view t) const { return Is(TokenKind::Symbol, t); }
    bool IsKeyword(std::string_view t) const { return Is(TokenKind::Keyword, t); }
};

bool IsReservedWord(std::string_view lowerCaseWord);

// The whole text as tokens, ending with one EndOfText token.
std::vector<Token> Tokenize(std::string_view text);

}  // namespace foldant

#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace platform::jet::query {

// The words and symbols of Access SQL. Names in brackets lose them; strings and dates lose their
// delimiters (a doubled quote inside a string is one quote).
struct Token {
    enum class Kind { Word, BracketedName, Number, String, Date, Symbol, End };
    Kind kind = Kind::End;
    std::string text;
    std::size_t offset = 0;  // where it starts in the SQL text

    bool isWord(std::string_view word) const;  // a bare word, ignoring case
    bool isSymbol(std::string_view symbol) const { return kind == Kind::Symbol && text == symbol; }
};

// Reading through tokens for the parsers: never past the End token that closes every list.
class TokenCursor {
  public:
    TokenCursor(const std::vector<Token>& tokens, std::size_t& position)
        : tokens_(tokens), position_(position) {}

    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(position_ + ahead, tokens_.size() - 1)];
    }
    const Token& next() {
        const Token& token = peek();
        if (position_ < tokens_.size() - 1) ++position_;
        return token;
    }

    // After an opening parenthesis: reads up to and past the one that closes it, answering where that
    // one stands in the text. Raises QueryError when the text ends first.
    std::size_t skipParenthesised();

  protected:
    const std::vector<Token>& tokens_;
    std::size_t& position_;
};

// Raises QueryError on an unterminated string, name or date, or a character Access SQL does not use.
std::vector<Token> tokenize(std::string_view sql);

}  // namespace platform::jet::query

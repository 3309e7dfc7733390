#pragma once

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

// Raises QueryError on an unterminated string, name or date, or a character Access SQL does not use.
std::vector<Token> tokenize(std::string_view sql);

}  // namespace platform::jet::query

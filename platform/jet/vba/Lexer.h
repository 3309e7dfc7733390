#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform::jet::vba {

enum class TokenKind { Identifier, Keyword, Number, String, Date, Operator, EndOfLine, EndOfFile };

struct Token {
    TokenKind kind = TokenKind::EndOfFile;
    std::string text;
    int line = 0;
};

std::vector<Token> tokenize(std::string_view source);

}  // namespace platform::jet::vba

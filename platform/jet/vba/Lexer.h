#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::jet::vba {

// Report code as read from the file: VBA source, already decoded to UTF-8, lines ending in CR LF or LF.
enum class TokenKind {
    Identifier,  // a name or keyword; [bracketed names] come without their brackets
    Integer,     // decimal, &H hex or &O octal
    Real,
    String,
    Date,        // #...#, the text between the signs
    Operator,    // ( ) , . ! = <> < > <= >= + - * / \ ^ & : ; :=
    EndOfLine,   // end of a logical line: continuations (" _") are joined
    EndOfFile,
};

struct Token {
    TokenKind kind = TokenKind::EndOfFile;
    std::string text;
    int line = 0;            // 1-based physical line where the token starts
    std::size_t begin = 0;   // its bytes in the source
    std::size_t end = 0;
    bool spaceBefore = false;  // "Me.Line (x, y)" against "Me.Line(x, y)"
};

// The tokens of the source; never fails: a stray character becomes an operator token of its own,
// which the parser then names.
std::vector<Token> tokenize(std::string_view source);

// Case-insensitive comparison of ASCII names, as VBA compares identifiers.
bool sameName(std::string_view a, std::string_view b);
std::string lowerName(std::string_view name);

}  // namespace platform::jet::vba

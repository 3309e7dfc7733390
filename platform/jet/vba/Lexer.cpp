#include "platform/jet/vba/Lexer.h"

#include <cctype>

#include "base/AsciiCase.h"

namespace platform::jet::vba {
namespace {

bool isIdentifierStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool isIdentifierPart(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

// A date literal holds digits, separators, month names and AM/PM; anything else after '#' is not one.
bool isDateCharacter(unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '-' || c == ':' || c == ' ' || c == ',' || c == '.';
}

}  // namespace

bool sameName(std::string_view a, std::string_view b) { return base::equalIgnoringCase(a, b); }

std::string lowerName(std::string_view name) {
    return base::lowerAscii(name);
}

std::vector<Token> tokenize(std::string_view s) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    int line = 1;
    bool space = false;
    auto add = [&](TokenKind kind, std::string text, std::size_t begin) {
        tokens.push_back(Token{kind, std::move(text), line, begin, i, space});
        space = false;
    };
    auto endLine = [&](std::size_t at) {
        if (!tokens.empty() && tokens.back().kind != TokenKind::EndOfLine)
            tokens.push_back(Token{TokenKind::EndOfLine, "", line, at, at, false});
    };
    auto atStatementStart = [&] {
        return tokens.empty() || tokens.back().kind == TokenKind::EndOfLine ||
               (tokens.back().kind == TokenKind::Operator && tokens.back().text == ":");
    };
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t begin = i;
        if (c == '\r' || c == '\n') {
            endLine(i);
            if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
            ++i;
            ++line;
            space = false;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\f' || c == 0) {
            ++i;
            space = true;
            continue;
        }
        // A continuation: " _" at the end of a physical line joins the next.
        if (c == '_' && space) {
            std::size_t j = i + 1;
            while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
            if (j >= s.size() || s[j] == '\r' || s[j] == '\n') {
                if (j < s.size() && s[j] == '\r') ++j;
                if (j < s.size() && s[j] == '\n') ++j;
                i = j;
                ++line;
                continue;
            }
        }
        if (c == '\'') {
            while (i < s.size() && s[i] != '\r' && s[i] != '\n') {
                // A comment continues over " _" line ends too.
                if (s[i] == '_' && i > 0 && s[i - 1] == ' ') {
                    std::size_t j = i + 1;
                    while (j < s.size() && (s[j] == ' ' || s[j] == '\t')) ++j;
                    if (j < s.size() && (s[j] == '\r' || s[j] == '\n')) {
                        if (s[j] == '\r' && j + 1 < s.size() && s[j + 1] == '\n') ++j;
                        i = j + 1;
                        ++line;
                        continue;
                    }
                }
                ++i;
            }
            continue;
        }
        if (isIdentifierStart(c)) {
            while (i < s.size() && isIdentifierPart(static_cast<unsigned char>(s[i]))) ++i;
            // Type characters: Left$, Count%, Total&, Amount@, x!, y#.
            if (i < s.size() && (s[i] == '$' || s[i] == '%' || s[i] == '@')) ++i;
            // Total& is a Long, but a&b and x &H10 are not.
            else if (i < s.size() && s[i] == '&' &&
                     (i + 1 >= s.size() || !(std::isalnum(static_cast<unsigned char>(s[i + 1])) || s[i + 1] == '_')))
                ++i;
            std::string word(s.substr(begin, i - begin));
            if (sameName(word, "Rem") && atStatementStart()) {
                while (i < s.size() && s[i] != '\r' && s[i] != '\n') ++i;
                continue;
            }
            add(TokenKind::Identifier, std::move(word), begin);
            continue;
        }
        if (c == '[') {
            std::size_t j = s.find(']', i + 1);
            const std::size_t eol = s.find_first_of("\r\n", i + 1);
            if (j != std::string_view::npos && (eol == std::string_view::npos || j < eol)) {
                i = j + 1;
                add(TokenKind::Identifier, std::string(s.substr(begin + 1, j - begin - 1)), begin);
                continue;
            }
        }
        if (std::isdigit(c) || (c == '.' && i + 1 < s.size() && std::isdigit(static_cast<unsigned char>(s[i + 1])) &&
                                (tokens.empty() || tokens.back().kind == TokenKind::Operator ||
                                 tokens.back().kind == TokenKind::EndOfLine || space))) {
            bool real = false;
            while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
            if (i < s.size() && s[i] == '.') {
                real = true;
                ++i;
                while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
            }
            if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
                std::size_t j = i + 1;
                if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
                if (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
                    real = true;
                    i = j;
                    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i;
                }
            }
            std::string text(s.substr(begin, i - begin));
            for (char& ch : text)
                if (ch == 'D' || ch == 'd') ch = 'E';
            if (i < s.size() && (s[i] == '!' || s[i] == '#' || s[i] == '@')) {
                real = real || s[i] != '@';
                ++i;
            } else if (i < s.size() && (s[i] == '%' || s[i] == '&')) {
                ++i;
            }
            add(real ? TokenKind::Real : TokenKind::Integer, std::move(text), begin);
            continue;
        }
        if (c == '&' && i + 1 < s.size() && (s[i + 1] == 'H' || s[i + 1] == 'h' || s[i + 1] == 'O' || s[i + 1] == 'o')) {
            const bool hex = s[i + 1] == 'H' || s[i + 1] == 'h';
            std::size_t j = i + 2;
            while (j < s.size() && (hex ? std::isxdigit(static_cast<unsigned char>(s[j])) : (s[j] >= '0' && s[j] <= '7')))
                ++j;
            if (j > i + 2) {
                std::string text = (hex ? "&H" : "&O") + std::string(s.substr(i + 2, j - i - 2));
                i = j;
                if (i < s.size() && (s[i] == '&' || s[i] == '%')) ++i;
                add(TokenKind::Integer, std::move(text), begin);
                continue;
            }
        }
        if (c == '"') {
            std::string text;
            ++i;
            while (i < s.size() && s[i] != '\r' && s[i] != '\n') {
                if (s[i] == '"') {
                    if (i + 1 < s.size() && s[i + 1] == '"') {
                        text += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += s[i++];
            }
            add(TokenKind::String, std::move(text), begin);
            continue;
        }
        if (c == '#') {
            std::size_t j = i + 1;
            while (j < s.size() && isDateCharacter(static_cast<unsigned char>(s[j]))) ++j;
            if (j < s.size() && s[j] == '#' && j > i + 1) {
                i = j + 1;
                add(TokenKind::Date, std::string(s.substr(begin + 1, j - begin - 1)), begin);
                continue;
            }
        }
        static constexpr std::string_view kPairs[] = {"<>", "<=", ">=", ":=", "=<", "=>"};
        bool paired = false;
        for (std::string_view pair : kPairs) {
            if (s.substr(i, 2) == pair) {
                i += 2;
                std::string text(pair);
                if (text == "=<") text = "<=";
                if (text == "=>") text = ">=";
                add(TokenKind::Operator, std::move(text), begin);
                paired = true;
                break;
            }
        }
        if (paired) continue;
        ++i;
        add(TokenKind::Operator, std::string(1, static_cast<char>(c)), begin);
    }
    endLine(s.size());
    tokens.push_back(Token{TokenKind::EndOfFile, "", line, s.size(), s.size(), false});
    return tokens;
}

}  // namespace platform::jet::vba

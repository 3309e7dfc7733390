#include "platform/jet/query/SqlLexer.h"

#include <cctype>

#include "base/AsciiCase.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {
namespace {

bool isWordCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' ||
           static_cast<unsigned char>(c) >= 0x80;  // letters outside ASCII, in UTF-8
}

}  // namespace

bool Token::isWord(std::string_view word) const {
    return kind == Kind::Word && base::equalIgnoringCase(text, word);
}

std::size_t TokenCursor::skipParenthesised() {
    for (int depth = 1;;) {
        const Token& t = next();
        if (t.kind == Token::Kind::End) throw QueryError("The SQL text ends too early.");
        depth += t.isSymbol("(") ? 1 : t.isSymbol(")") ? -1 : 0;
        if (depth == 0) return t.offset;
    }
}

std::vector<Token> tokenize(std::string_view sql) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    const auto unterminated = [&](const char* what, std::size_t at) {
        throw QueryError("The SQL text has an unterminated " + std::string(what) + " at '" +
                         std::string(sql.substr(at, 20)) + "'.");
    };
    while (i < sql.size()) {
        const char c = sql[i];
        const std::size_t start = i;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '[' || c == '`') {
            const char close = c == '[' ? ']' : '`';
            const auto end = sql.find(close, i + 1);
            if (end == std::string_view::npos) unterminated("name", start);
            tokens.push_back(
                {Token::Kind::BracketedName, std::string(sql.substr(i + 1, end - i - 1)), start});
            i = end + 1;
        } else if (c == '"' || c == '\'') {
            std::string text;
            for (++i;; ++i) {
                if (i >= sql.size()) unterminated("string", start);
                if (sql[i] == c) {
                    if (i + 1 < sql.size() && sql[i + 1] == c) {
                        text += c;
                        ++i;
                        continue;
                    }
                    break;
                }
                text += sql[i];
            }
            ++i;
            tokens.push_back({Token::Kind::String, text, start});
        } else if (c == '#') {
            const auto end = sql.find('#', i + 1);
            if (end == std::string_view::npos) unterminated("date", start);
            tokens.push_back({Token::Kind::Date, std::string(sql.substr(i + 1, end - i - 1)), start});
            i = end + 1;
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i + 1])))) {
            while (i < sql.size() && (std::isdigit(static_cast<unsigned char>(sql[i])) || sql[i] == '.')) ++i;
            if (i < sql.size() && (sql[i] == 'e' || sql[i] == 'E')) {
                std::size_t j = i + 1;
                if (j < sql.size() && (sql[j] == '+' || sql[j] == '-')) ++j;
                if (j < sql.size() && std::isdigit(static_cast<unsigned char>(sql[j]))) {
                    i = j;
                    while (i < sql.size() && std::isdigit(static_cast<unsigned char>(sql[i]))) ++i;
                }
            }
            tokens.push_back({Token::Kind::Number, std::string(sql.substr(start, i - start)), start});
        } else if (isWordCharacter(c)) {
            while (i < sql.size() && isWordCharacter(sql[i])) ++i;
            tokens.push_back({Token::Kind::Word, std::string(sql.substr(start, i - start)), start});
        } else {
            const std::string_view two = sql.substr(i, 2);
            if (two == "<>" || two == "<=" || two == ">=") {
                tokens.push_back({Token::Kind::Symbol, std::string(two), start});
                i += 2;
            } else if (std::string_view("(),.!&+-*/\\^=<>;").find(c) != std::string_view::npos) {
                tokens.push_back({Token::Kind::Symbol, std::string(1, c), start});
                ++i;
            } else {
                throw QueryError("The SQL text has a character Access SQL does not use: '" +
                                 std::string(1, c) + "'.");
            }
        }
    }
    tokens.push_back({Token::Kind::End, "", sql.size()});
    return tokens;
}

}  // namespace platform::jet::query

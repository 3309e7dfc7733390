#include "Description.h"

#include <charconv>
#include <cmath>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>

#include "DescriptionTokens.h"
#include "ReportDescription.h"
#include "Timestamps.h"

namespace mkmdb {
namespace {

// Splits a line into blank-separated words and double-quoted strings; '#' outside a string starts a
// comment.
std::vector<Token> tokenize(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < line.size()) {
        const char c = line[i];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++i;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Token token{true, {}};
            for (++i;; ++i) {
                if (i >= line.size()) throw Error("a string is not closed");
                if (line[i] == '"') break;
                if (line[i] != '\\') {
                    token.text += line[i];
                    continue;
                }
                if (++i >= line.size()) throw Error("a string is not closed");
                switch (line[i]) {
                    case '"':
                        token.text += '"';
                        break;
                    case '\\':
                        token.text += '\\';
                        break;
                    case 'n':
                        token.text += '\n';
                        break;
                    case 't':
                        token.text += '\t';
                        break;
                    default:
                        throw Error(std::string("unknown escape \\") + line[i]);
                }
            }
            ++i;
            if (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '#')
                throw Error("a string must be followed by a blank");
            tokens.push_back(std::move(token));
        } else {
            Token token;
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '"')
                token.text += line[i++];
            tokens.push_back(std::move(token));
        }
    }
    return tokens;
}

std::optional<ColumnType> columnTypeNamed(std::string_view name) {
    if (name == "Text") return ColumnType::Text;
    if (name == "Long") return ColumnType::Long;
    if (name == "Double") return ColumnType::Double;
    if (name == "DateTime") return ColumnType::DateTime;
    if (name == "YesNo") return ColumnType::YesNo;
    if (name == "Decimal") return ColumnType::Decimal;
    return std::nullopt;
}

// "-12.5" in the column's scale's units; none when it has more digits than the column holds.
std::optional<DecimalUnits> parseDecimal(std::string_view text, const Column& column) {
    DecimalUnits decimal;
    decimal.negative = !text.empty() && text[0] == '-';
    text.remove_prefix(decimal.negative);
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || static_cast<int>(fraction.size()) > column.scale ||
        static_cast<int>(whole.size()) > column.precision - column.scale)
        return std::nullopt;
    std::string digits(whole);
    digits += fraction;
    digits.append(static_cast<std::size_t>(column.scale) - fraction.size(), '0');
    for (const char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        decimal.units = decimal.units * 10 + static_cast<unsigned>(c - '0');
    }
    return decimal;
}

Value parseValue(const Token& token, const Column& column) {
    const auto wrong = [&](const char* expected) -> Error {
        return Error("column \"" + column.name + "\": expected " + expected + ", found \"" + token.text +
                     "\"");
    };
    if (!token.quoted && token.text == "null") {
        if (column.type == ColumnType::YesNo) throw wrong("yes or no (a Yes/No value is never null)");
        return Null{};
    }
    switch (column.type) {
        case ColumnType::Text:
            if (!token.quoted) throw wrong("text in double quotes or null");
            return token.text;
        case ColumnType::Long:
            if (const auto number = parseNumber<std::int32_t>(token.text); number && !token.quoted)
                return *number;
            throw wrong("a whole number from -2147483648 to 2147483647");
        case ColumnType::Double:
            if (const auto number = parseNumber<double>(token.text);
                number && !token.quoted && std::isfinite(*number))
                return *number;
            throw wrong("a number");
        case ColumnType::DateTime:
            if (!token.quoted)
                if (const auto time = parseTimestamp(token.text)) return *time;
            throw wrong("a date as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS");
        case ColumnType::Decimal:
            if (const auto decimal = parseDecimal(token.text, column); decimal && !token.quoted)
                return *decimal;
            throw wrong(("a number of at most " + std::to_string(column.precision) + " digits, " +
                         std::to_string(column.scale) + " of them after the point")
                            .c_str());
        case ColumnType::YesNo:
            if (!token.quoted && (token.text == "yes" || token.text == "true")) return true;
            if (!token.quoted && (token.text == "no" || token.text == "false")) return false;
            throw wrong("yes or no");
    }
    throw wrong("a value");
}

class Parser {
  public:
    void statement(const std::vector<Token>& tokens) {
        if (tokens.empty()) return;
        if (tokens[0].quoted) throw Error("a line must begin with a keyword");
        const auto& keyword = tokens[0].text;
        // A query's parts follow it; any other statement ends them.
        if (inQuery_ && queryPart(keyword, tokens)) return;
        inQuery_ = false;
        // So do a report's design statements.
        if (reportStatements_.take(tokens)) return;
        if (keyword == "query") return query(tokens);
        if (keyword == "password") return password(tokens);
        if (keyword == "created") return created(tokens);
        if (keyword == "encryption") return encryption(tokens);
        if (keyword == "table") return table(tokens);
        if (keyword == "column") return column(tokens);
        if (keyword == "row") return row(tokens);
        if (keyword == "report") return report(tokens);
        if (keyword == "link") return link(tokens);
        throw Error("unknown keyword \"" + keyword + "\"");
    }

    Database take() { return std::move(database_); }

  private:
    void password(const std::vector<Token>& tokens) {
        if (passwordSeen_) throw Error("the password is given twice");
        database_.password = quotedArgument(tokens, 1, "the password");
        expectCount(tokens, 2);
        passwordSeen_ = true;
    }

    void encryption(const std::vector<Token>& tokens) {
        static const std::map<std::string, Encryption, std::less<>> kinds{
            {"encoding", Encryption::JetEncoding},
            {"rc4", Encryption::Rc4CryptoApi},
            {"standard", Encryption::StandardAes},
            {"agile", Encryption::Agile}};
        const auto kind = tokens.size() < 2 || tokens[1].quoted ? kinds.end() : kinds.find(tokens[1].text);
        if (kind == kinds.end())
            throw Error("expected encoding, rc4, standard or agile after \"encryption\"");
        if (database_.encryption != Encryption::None) throw Error("the encryption is given twice");
        expectCount(tokens, 2);
        database_.encryption = kind->second;
    }

    void created(const std::vector<Token>& tokens) {
        if (tokens.size() < 2 || tokens[1].quoted) throw Error("expected a date after \"created\"");
        const auto time = parseTimestamp(tokens[1].text);
        if (!time) throw Error("expected a date as YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS");
        expectCount(tokens, 2);
        database_.created = *time;
    }

    void link(const std::vector<Token>& tokens) {
        LinkedTable link;
        link.name = quotedArgument(tokens, 1, "the linked table's name");
        link.database = quotedArgument(tokens, 2, "the path of the database it is linked from");
        link.foreignName = quotedArgument(tokens, 3, "the table's name in that database");
        expectCount(tokens, 4);
        database_.links.push_back(std::move(link));
    }

    void table(const std::vector<Token>& tokens) {
        Table table;
        table.name = quotedArgument(tokens, 1, "the table's name");
        expectCount(tokens, 2);
        database_.tables.push_back(std::move(table));
    }

    Table& currentTable(const char* what) {
        if (database_.tables.empty()) throw Error(std::string(what) + " before any \"table\"");
        return database_.tables.back();
    }

    void column(const std::vector<Token>& tokens) {
        auto& table = currentTable("a column");
        if (!table.rows.empty()) throw Error("columns must come before the table's rows");
        Column column;
        column.name = quotedArgument(tokens, 1, "the column's name");
        if (tokens.size() < 3 || tokens[2].quoted) throw Error("expected the column's type");
        const auto type = columnTypeNamed(tokens[2].text);
        if (!type)
            throw Error("unknown column type \"" + tokens[2].text +
                        "\" (Text, Long, Double, DateTime, YesNo, Decimal)");
        column.type = *type;
        if (column.type == ColumnType::Text && tokens.size() > 3) {
            const auto length = parseNumber<int>(tokens[3].text);
            if (tokens[3].quoted || !length || *length < 1 || *length > 255)
                throw Error("a Text column's length is a number from 1 to 255");
            column.maxLength = *length;
            expectCount(tokens, 4);
        } else if (column.type == ColumnType::Decimal && tokens.size() > 3) {
            const auto precision = parseNumber<int>(tokens[3].text);
            const auto scale = tokens.size() > 4 ? parseNumber<int>(tokens[4].text) : std::optional(0);
            if (tokens[3].quoted || !precision || *precision < 1 || *precision > 28 || !scale || *scale < 0 ||
                *scale > *precision)
                throw Error("a Decimal column's precision is 1 to 28 digits, its scale 0 to the precision");
            column.precision = *precision;
            column.scale = *scale;
            expectCount(tokens, tokens.size() > 4 ? 5 : 4);
        } else {
            expectCount(tokens, 3);
        }
        table.columns.push_back(std::move(column));
    }

    void row(const std::vector<Token>& tokens) {
        auto& table = currentTable("a row");
        if (tokens.size() - 1 != table.columns.size())
            throw Error("the row has " + std::to_string(tokens.size() - 1) + " values; table \"" +
                        table.name + "\" has " + std::to_string(table.columns.size()) + " columns");
        std::vector<Value> values;
        values.reserve(table.columns.size());
        for (std::size_t i = 0; i < table.columns.size(); ++i)
            values.push_back(parseValue(tokens[i + 1], table.columns[i]));
        table.rows.push_back(std::move(values));
    }

    void report(const std::vector<Token>& tokens) {
        database_.reports.push_back(quotedArgument(tokens, 1, "the report's name"));
        expectCount(tokens, 2);
        reportStatements_.begin(database_.reports.back());
    }

    void query(const std::vector<Token>& tokens) {
        Query query;
        query.name = quotedArgument(tokens, 1, "the query's name");
        expectCount(tokens, 2);
        database_.queries.push_back(std::move(query));
        inQuery_ = true;
    }

    // `"text" [as "alias"]` from the token at index on; answers the alias.
    static std::string optionalAlias(const std::vector<Token>& tokens, std::size_t index) {
        if (tokens.size() <= index) return {};
        if (tokens[index].quoted || tokens[index].text != "as") throw Error("expected as \"alias\"");
        const auto& alias = quotedArgument(tokens, index + 1, "the alias");
        expectCount(tokens, index + 2);
        return alias;
    }

    static void setOnce(std::string& part, const std::vector<Token>& tokens, const char* what) {
        if (!part.empty()) throw Error(std::string("the query's ") + what + " is given twice");
        part = quotedArgument(tokens, 1, what);
        if (part.empty()) throw Error(std::string("the query's ") + what + " is empty");
        expectCount(tokens, 2);
    }

    bool queryPart(const std::string& keyword, const std::vector<Token>& tokens) {
        Query& query = database_.queries.back();
        if (keyword == "from") {
            const auto& name = quotedArgument(tokens, 1, "a table's or query's name");
            query.sources.push_back({name, optionalAlias(tokens, 2)});
        } else if (keyword == "column") {
            const auto& expression = quotedArgument(tokens, 1, "the column's expression");
            query.columns.push_back({expression, optionalAlias(tokens, 2)});
        } else if (keyword == "join") {
            static const std::map<std::string, JoinKind, std::less<>> kinds{
                {"inner", JoinKind::Inner}, {"left", JoinKind::Left}, {"right", JoinKind::Right}};
            const auto kind =
                tokens.size() < 2 || tokens[1].quoted ? kinds.end() : kinds.find(tokens[1].text);
            if (kind == kinds.end()) throw Error("expected inner, left or right after \"join\"");
            QueryJoin join{kind->second,
                           quotedArgument(tokens, 2, "the left side's name"),
                           quotedArgument(tokens, 3, "the right side's name"),
                           {}};
            if (tokens.size() < 5 || tokens[4].quoted || tokens[4].text != "on")
                throw Error("expected on \"condition\" after the joined names");
            join.on = quotedArgument(tokens, 5, "the join's condition");
            expectCount(tokens, 6);
            query.joins.push_back(std::move(join));
        } else if (keyword == "where") {
            setOnce(query.where, tokens, "where");
        } else if (keyword == "group") {
            query.groupBy.push_back(quotedArgument(tokens, 1, "the expression to group by"));
            expectCount(tokens, 2);
        } else if (keyword == "having") {
            setOnce(query.having, tokens, "having");
        } else if (keyword == "order") {
            QueryOrder order{quotedArgument(tokens, 1, "the expression to sort by"), false};
            if (tokens.size() > 2) {
                if (tokens[2].quoted || (tokens[2].text != "ascending" && tokens[2].text != "descending"))
                    throw Error("expected ascending or descending after the sort expression");
                order.descending = tokens[2].text == "descending";
                expectCount(tokens, 3);
            }
            query.orderBy.push_back(std::move(order));
        } else if (keyword == "top") {
            if (query.top != 0) throw Error("the query's top is given twice");
            const auto count = tokens.size() < 2 || tokens[1].quoted
                                   ? std::nullopt
                                   : parseNumber<std::int32_t>(tokens[1].text);
            if (!count || *count < 1) throw Error("expected a number above 0 after \"top\"");
            query.top = *count;
            if (tokens.size() > 2) {
                if (tokens[2].quoted || tokens[2].text != "percent")
                    throw Error("expected percent after the number");
                query.topPercent = true;
                expectCount(tokens, 3);
            }
        } else if (keyword == "distinct") {
            if (query.distinct) throw Error("the query's distinct is given twice");
            query.distinct = true;
            expectCount(tokens, 1);
        } else {
            return false;
        }
        return true;
    }

    Database database_;
    ReportStatements reportStatements_{database_};
    bool passwordSeen_ = false;
    bool inQuery_ = false;
};

}  // namespace

Database parseDescription(std::string_view text, std::string_view sourceName) {
    Parser parser;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const auto end = text.find('\n');
        const auto line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        try {
            parser.statement(tokenize(line));
        } catch (const Error& error) {
            throw Error(std::string(sourceName) + ":" + std::to_string(lineNumber) + ": " + error.what());
        }
    }
    return parser.take();
}

Database readDescriptionFile(const std::filesystem::path& path) {
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) throw Error("\"" + path.string() + "\" is a folder");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Error("cannot read \"" + path.string() + "\"");
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) throw Error("cannot read \"" + path.string() + "\"");
    return parseDescription(contents.str(), path.string());
}

}  // namespace mkmdb

#include "platform/jet/query/ExpressionTranslator.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>

#include "base/AsciiCase.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {
namespace {

constexpr int kMaxNesting = 100;  // far deeper than any real expression; keeps the stack bounded

bool isWhole(ColumnType type) {
    return type == ColumnType::Integer || type == ColumnType::Boolean;
}

bool isNumber(ColumnType type) {
    return isWhole(type) || type == ColumnType::Double || type == ColumnType::Currency ||
           type == ColumnType::Date || type == ColumnType::Decimal;
}

// A Currency expression in ten-thousandths, whatever the expression's own type.
std::string scaled(const Translated& e) {
    if (e.type == ColumnType::Currency) return e.sql;
    if (isWhole(e.type)) return "(" + e.sql + " * 10000)";
    return "access_ccur(" + e.sql + ")";
}

std::string kind(const Translated& e) {
    return std::to_string(static_cast<int>(e.type));
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (char c : text) {
        result += c;
        if (c == '\'') result += '\'';
    }
    return result + "'";
}

// A number written so that SQLite reads back the same double.
Translated dateLiteral(double days) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.17g", days);
    std::string sql = buffer;
    if (sql.find_first_of(".e") == std::string::npos) sql += ".0";
    return {sql, ColumnType::Date};
}

// The text a quoted literal's SQL holds; none for anything else.
std::optional<std::string> literalText(const Translated& e) {
    if (e.sql.size() < 2 || e.sql.front() != '\'' || e.sql.back() != '\'') return std::nullopt;
    std::string text;
    for (std::size_t i = 1; i + 1 < e.sql.size(); ++i) {
        if (e.sql[i] == '\'' && e.sql[++i] != '\'') return std::nullopt;  // two literals joined
        text += e.sql[i];
    }
    return text;
}

// The type two branches (IIf, Nz) or operands share, and their SQL in it.
struct Unified {
    std::string left, right;
    ColumnType type;
};

Unified unify(const Translated& a, const Translated& b) {
    const bool aNull = a.sql == "NULL", bNull = b.sql == "NULL";
    if (a.type == b.type || bNull) return {a.sql, b.sql, a.type};
    if (aNull) return {a.sql, b.sql, b.type};
    if ((a.type == ColumnType::Currency && isWhole(b.type)) ||
        (b.type == ColumnType::Currency && isWhole(a.type)))
        return {scaled(a), scaled(b), ColumnType::Currency};
    // A whole number beside a Decimal is one (Nz([Amount], 0)): SQLite holds both alike.
    if ((a.type == ColumnType::Decimal && isWhole(b.type)) ||
        (b.type == ColumnType::Decimal && isWhole(a.type)))
        return {a.sql, b.sql, ColumnType::Decimal};
    const ColumnType type = isNumber(a.type) && isNumber(b.type) ? ColumnType::Double : ColumnType::Unknown;
    return {plainValue(a), plainValue(b), type};
}

ColumnType arithmeticType(ColumnType a, ColumnType b) {
    if (isWhole(a) && isWhole(b)) return ColumnType::Integer;
    if (isNumber(a) && isNumber(b)) return ColumnType::Double;
    return ColumnType::Unknown;
}

// Functions evaluated by the functions registered with SQLite: arguments as plain values.
struct PlainFunction {
    int minArguments, maxArguments;
    ColumnType result;
};

const std::map<std::string, PlainFunction>& plainFunctions() {
    static const std::map<std::string, PlainFunction> functions = {
        {"left", {2, 2, ColumnType::Text}},        {"right", {2, 2, ColumnType::Text}},
        {"mid", {2, 3, ColumnType::Text}},         {"trim", {1, 1, ColumnType::Text}},
        {"ltrim", {1, 1, ColumnType::Text}},       {"rtrim", {1, 1, ColumnType::Text}},
        {"ucase", {1, 1, ColumnType::Text}},       {"lcase", {1, 1, ColumnType::Text}},
        {"len", {1, 1, ColumnType::Integer}},      {"instr", {2, 4, ColumnType::Integer}},
        {"space", {1, 1, ColumnType::Text}},       {"chr", {1, 1, ColumnType::Text}},
        {"asc", {1, 1, ColumnType::Integer}},      {"val", {1, 1, ColumnType::Double}},
        {"year", {1, 1, ColumnType::Integer}},     {"month", {1, 1, ColumnType::Integer}},
        {"day", {1, 1, ColumnType::Integer}},      {"hour", {1, 1, ColumnType::Integer}},
        {"minute", {1, 1, ColumnType::Integer}},   {"second", {1, 1, ColumnType::Integer}},
        {"weekday", {1, 2, ColumnType::Integer}},  {"datepart", {2, 4, ColumnType::Integer}},
        {"dateserial", {3, 3, ColumnType::Date}},  {"dateadd", {3, 3, ColumnType::Date}},
        {"datediff", {3, 5, ColumnType::Integer}}, {"datevalue", {1, 1, ColumnType::Date}},
        {"monthname", {1, 2, ColumnType::Text}},   {"clng", {1, 1, ColumnType::Integer}},
        {"cint", {1, 1, ColumnType::Integer}},     {"cdbl", {1, 1, ColumnType::Double}},
        {"csng", {1, 1, ColumnType::Double}},      {"cdate", {1, 1, ColumnType::Date}},
        {"cbool", {1, 1, ColumnType::Boolean}},    {"int", {1, 1, ColumnType::Double}},
        {"fix", {1, 1, ColumnType::Double}},       {"round", {1, 2, ColumnType::Double}},
        {"sgn", {1, 1, ColumnType::Integer}},      {"sqr", {1, 1, ColumnType::Double}},
        {"date", {0, 0, ColumnType::Date}},        {"now", {0, 0, ColumnType::Date}},
        {"time", {0, 0, ColumnType::Date}},        {"replace", {3, 6, ColumnType::Text}},
        {"strconv", {2, 2, ColumnType::Text}},     {"string", {2, 2, ColumnType::Text}},
        {"strreverse", {1, 1, ColumnType::Text}},  {"weekdayname", {1, 3, ColumnType::Text}},
        {"timeserial", {3, 3, ColumnType::Date}},  {"isnumeric", {1, 1, ColumnType::Boolean}},
        {"exp", {1, 1, ColumnType::Double}},       {"log", {1, 1, ColumnType::Double}},
        {"sin", {1, 1, ColumnType::Double}},       {"cos", {1, 1, ColumnType::Double}},
        {"tan", {1, 1, ColumnType::Double}},       {"atn", {1, 1, ColumnType::Double}},
        {"str", {1, 1, ColumnType::Text}},
    };
    return functions;
}

class Parser : TokenCursor {
  public:
    Parser(const std::vector<Token>& tokens, std::size_t& position, std::string_view text,
           const TranslationContext& context)
        : TokenCursor(tokens, position),
          text_(text),
          resolve_(context.resolve),
          subquery_(context.subquery),
          aggregateFilter_(context.aggregateFilter),
          parameter_(context.parameter),
          code_(context.code) {}

    Translated expression(int minPrecedence = 0) {
        if (++depth_ > kMaxNesting) throw QueryError("The expression is nested too deeply.");
        Translated left = prefix();
        for (;;) {
            const int precedence = infixPrecedence();
            if (precedence < 0 || precedence < minPrecedence) break;
            left = infix(std::move(left), precedence);
        }
        --depth_;
        return left;
    }

  private:
    enum Precedence {
        Or = 1,
        And = 2,
        Not = 3,
        Compare = 4,
        Concat = 5,
        Add = 6,
        Mod = 7,
        IntDiv = 8,
        Mul = 9,
        Negate = 10,
        Power = 11
    };

    void expectSymbol(std::string_view symbol) {
        if (!peek().isSymbol(symbol)) unexpected();
        next();
    }
    [[noreturn]] void unexpected() const {
        const Token& token = peek();
        if (token.kind == Token::Kind::End) throw QueryError("The expression ends too early.");
        throw QueryError("The expression cannot be read at '" + token.text + "'.");
    }

    int infixPrecedence() const {
        const Token& t = peek();
        if (t.kind == Token::Kind::Symbol) {
            if (t.text == "=" || t.text == "<>" || t.text == "<" || t.text == ">" || t.text == "<=" ||
                t.text == ">=")
                return Compare;
            if (t.text == "&") return Concat;
            if (t.text == "+" || t.text == "-") return Add;
            if (t.text == "\\") return IntDiv;
            if (t.text == "*" || t.text == "/") return Mul;
            if (t.text == "^") return Power;
            return -1;
        }
        if (t.isWord("or")) return Or;
        if (t.isWord("and")) return And;
        if (t.isWord("mod")) return Mod;
        if (t.isWord("like") || t.isWord("is") || t.isWord("between") || t.isWord("in")) return Compare;
        if (t.isWord("not") && (peek(1).isWord("like") || peek(1).isWord("between") || peek(1).isWord("in")))
            return Compare;
        if (t.isWord("xor") || t.isWord("eqv") || t.isWord("imp"))
            throw QueryError("The operator " + t.text + " is not supported.");
        return -1;
    }

    Translated prefix() {
        const Token& t = peek();
        if (t.isWord("not")) {
            next();
            const Translated operand = expression(Compare);
            return {"(NOT " + plainValue(operand) + ")", ColumnType::Boolean};
        }
        if (t.isSymbol("-") || t.isSymbol("+")) {
            const bool negate = next().text == "-";
            Translated operand = expression(Negate);
            if (negate) operand.sql = "(-" + operand.sql + ")";
            return operand;
        }
        return primary();
    }

    Translated primary() {
        const Token& t = next();
        switch (t.kind) {
            case Token::Kind::Number: {
                const bool whole = t.text.find_first_of(".eE") == std::string::npos;
                return {t.text, whole ? ColumnType::Integer : ColumnType::Double};
            }
            case Token::Kind::String:
                return {quoted(t.text), ColumnType::Text};
            case Token::Kind::Date: {
                const auto days = parseDate(t.text);
                if (!days) throw QueryError("The date #" + t.text + "# cannot be read.");
                return dateLiteral(*days);
            }
            case Token::Kind::Symbol:
                if (t.text == "(") {
                    if (peek().isWord("select")) return subquery(true);
                    Translated inner = expression();
                    expectSymbol(")");
                    return {"(" + inner.sql + ")", inner.type};
                }
                --position_;
                unexpected();
            case Token::Kind::Word:
                if (t.isWord("true") || t.isWord("yes")) return {"-1", ColumnType::Boolean};
                if (t.isWord("false") || t.isWord("no")) return {"0", ColumnType::Boolean};
                if (t.isWord("null")) return {"NULL", ColumnType::Unknown};
                if (peek().isSymbol("(")) return function(t.text);
                [[fallthrough]];
            case Token::Kind::BracketedName:
                return name(t);
            case Token::Kind::End:
                --position_;
                unexpected();
        }
        unexpected();
    }

    Translated name(const Token& first) {
        std::vector<std::string> parts{first.text};
        std::string written = first.kind == Token::Kind::BracketedName ? "[" + first.text + "]" : first.text;
        while ((peek().isSymbol(".") || peek().isSymbol("!")) &&
               (peek(1).kind == Token::Kind::Word || peek(1).kind == Token::Kind::BracketedName)) {
            written += next().text;
            const Token& part = next();
            parts.push_back(part.text);
            written += part.kind == Token::Kind::BracketedName ? "[" + part.text + "]" : part.text;
        }
        std::optional<Translated> column;
        if (parts.size() == 1)
            column = resolve_("", parts[0]);
        else if (parts.size() == 2)
            column = resolve_(parts[0], parts[1]);
        // [Orders.OrderID]: Jet reads a table and a column written inside one pair of brackets.
        for (std::size_t dot = parts[0].find('.');
             !column && parts.size() == 1 && first.kind == Token::Kind::BracketedName &&
             dot != std::string::npos;
             dot = parts[0].find('.', dot + 1))
            column = resolve_(parts[0].substr(0, dot), parts[0].substr(dot + 1));
        // Printed outside Access no temporary variable is set: each reads as Null.
        if (!column && parts.size() == 2 && base::equalIgnoringCase(parts[0], "TempVars"))
            return base::equalIgnoringCase(parts[1], "Item") && peek().isSymbol("(")
                       ? tempVariable()
                       : Translated{"NULL", ColumnType::Unknown};
        if (!column && parameter_) column = parameter_(written);
        if (!column)
            throw QueryError("It asks for a value for " + written +
                             " (a parameter, or a name it does not know).");
        return *column;
    }

    std::vector<Translated> arguments() {
        expectSymbol("(");
        std::vector<Translated> result;
        if (peek().isSymbol(")")) {
            next();
            return result;
        }
        for (;;) {
            result.push_back(expression());
            if (peek().isSymbol(")")) break;
            expectSymbol(",");
        }
        next();
        return result;
    }

    // Switch(condition, value, ...): the value of the first true condition; Choose(index, value, ...): the
    // index-th value (rounded as CInt rounds). Null when none applies.
    static Translated choice(bool isSwitch, const std::string& written, const std::vector<Translated>& args) {
        if (args.size() < 2 || (isSwitch && args.size() % 2 != 0))
            throw QueryError("The function " + written + " is given " + std::to_string(args.size()) +
                             " arguments.");
        std::vector<Translated> values;
        for (std::size_t i = 1; i < args.size(); i += isSwitch ? 2 : 1) values.push_back(args[i]);
        ColumnType type = values[0].type;
        for (const Translated& value : values)
            if (value.type != type && value.sql != "NULL")
                type = isNumber(type) && isNumber(value.type) ? ColumnType::Double : ColumnType::Unknown;
        const auto as = [&](const Translated& value) {
            return value.type == type || value.sql == "NULL" ? value.sql : plainValue(value);
        };
        std::string sql = isSwitch ? "(CASE" : "(CASE access_cint(" + plainValue(args[0]) + ")";
        for (std::size_t i = 0; i < values.size(); ++i)
            sql += isSwitch ? " WHEN " + plainValue(args[2 * i]) + " THEN " + as(values[i])
                            : " WHEN " + std::to_string(i + 1) + " THEN " + as(values[i]);
        return {sql + " END)", type};
    }

    // FormatNumber, FormatPercent, FormatCurrency and FormatDateTime as the Format they stand for, with
    // the region's defaults; settings given otherwise than as written whole numbers are refused.
    static Translated formatted(const std::string& name, const std::string& written,
                                const std::vector<Translated>& args) {
        const bool dates = name == "formatdatetime";
        if (args.empty() || args.size() > (dates ? 2u : 5u))
            throw QueryError("The function " + written + " is given " + std::to_string(args.size()) +
                             " arguments.");
        const auto setting = [&](std::size_t i) -> long {
            if (i >= args.size()) return -1;
            char* end = nullptr;
            const std::string& sql = args[i].sql;
            const long value = std::strtol(sql.c_str() + (sql.starts_with("(-") ? 1 : 0), &end, 10);
            if (sql.empty() || !end || (*end != '\0' && *end != ')') || value < -2 || value > 15)
                throw QueryError("The function " + written +
                                 " is given a setting that is not taken into account.");
            return value;
        };
        std::string format;
        if (dates) {
            static const char* const names[] = {"General Date", "Long Date", "Short Date", "Long Time",
                                                "Short Time"};
            const long style = std::max(setting(1), 0L);
            if (style > 4) throw QueryError("The function " + written + " is given a format it lacks.");
            format = names[style];
        } else {
            for (std::size_t i = 2; i < args.size(); ++i)
                if (setting(i) != -2)  // only the region's default for leading digits, parentheses, grouping
                    throw QueryError("The function " + written +
                                     " is given a setting that is not taken into account.");
            const long digits = setting(1) < 0 ? 2 : setting(1);
            if (name == "formatcurrency" && digits != 2)
                throw QueryError("The function " + written + " is given decimals other than the region's.");
            format = name == "formatcurrency"
                         ? "Currency"
                         : "#,##0" +
                               (digits > 0 ? "." + std::string(static_cast<std::size_t>(digits), '0') : "") +
                               (name == "formatpercent" ? "%" : "");
        }
        return {"access_format(" + plainValue(args[0]) + ", " + kind(args[0]) + ", " + quoted(format) + ")",
                ColumnType::Text};
    }

    // TempVars("Name") or TempVars.Item("Name"), Null as TempVars!Name is.
    Translated tempVariable() {
        if (arguments().size() != 1) throw QueryError("TempVars takes the name of one variable.");
        return {"NULL", ColumnType::Unknown};
    }

    Translated function(std::string written) {
        std::string name = base::lowerAscii(written);
        if (name.ends_with('$')) name.pop_back();
        if (name == "count" && peek(1).isSymbol("*") && peek(2).isSymbol(")")) {
            position_ += 3;
            return {filtered("count(*)"), ColumnType::Integer};
        }
        if (name == "tempvars") return tempVariable();
        if (name == "exists" && peek(1).isWord("select")) {
            next();
            return {"(EXISTS " + subquery(false).sql + ")", ColumnType::Boolean};
        }
        const std::vector<Translated> args = arguments();
        const auto count = [&](std::size_t min, std::size_t max) {
            if (args.size() < min || args.size() > max)
                throw QueryError("The function " + written + " is given " + std::to_string(args.size()) +
                                 " arguments.");
        };
        const auto aggregate = [&](const char* sqlite) -> Translated {
            count(1, 1);
            return {filtered(std::string(sqlite) + "(" + args[0].sql + ")"), args[0].type};
        };
        if (name == "iif") {
            // Without a third argument a false condition gives Null (the Access 2007 template relies on it).
            count(2, 3);
            const Unified branches = unify(args[1], args.size() == 3 ? args[2] : Translated{"NULL"});
            return {"(CASE WHEN " + plainValue(args[0]) + " THEN " + branches.left + " ELSE " +
                        branches.right + " END)",
                    branches.type};
        }
        if (name == "nz") {
            count(1, 2);
            const Translated fallback =
                args.size() == 2 ? args[1]
                                 : Translated{args[0].type == ColumnType::Text ? "''" : "0", args[0].type};
            const Unified both = unify(args[0], fallback);
            return {"coalesce(" + both.left + ", " + both.right + ")", both.type};
        }
        if (name == "switch" || name == "choose") return choice(name == "switch", written, args);
        if (name == "formatnumber" || name == "formatpercent" || name == "formatcurrency" ||
            name == "formatdatetime")
            return formatted(name, written, args);
        if (name == "isdate") {
            count(1, 1);
            return {"access_isdate(" + plainValue(args[0]) + ", " + kind(args[0]) + ")", ColumnType::Boolean};
        }
        if (name == "stdev" || name == "stdevp" || name == "var" || name == "varp") {
            count(1, 1);
            return {filtered("access_" + name + "(" + plainValue(args[0]) + ")"), ColumnType::Double};
        }
        if (name == "isnull") {
            count(1, 1);
            return {"(" + args[0].sql + " IS NULL)", ColumnType::Boolean};
        }
        if (name == "ccur") {
            count(1, 1);
            return {scaled(args[0]), ColumnType::Currency};
        }
        if (name == "cstr") {
            count(1, 1);
            return {"access_cstr(" + plainValue(args[0]) + ", " + kind(args[0]) + ")", ColumnType::Text};
        }
        if (name == "cvar") {
            count(1, 1);
            return args[0];
        }
        if (name == "cdec") {
            // A number written out keeps every digit (a report's value written back into an expression);
            // anything else is computed in doubles.
            std::string written = args.size() == 1 ? args[0].sql : "";
            std::erase_if(written, [](char c) { return c == '(' || c == ')'; });
            if (const auto exact = decimalOfText(written)) return literal(*exact);
            name = "cdbl";
        }
        // Byte is read as the nearest of the types kept here.
        if (name == "cbyte") name = "cint";
        if (name == "format") {
            count(1, 4);
            // The first day of the week and the first week of the year (the third and fourth arguments)
            // matter only to a format's week tokens; beside a written format without any, they change
            // nothing. Anything else would be drawn with weeks counted otherwise than asked.
            if (args.size() > 2 &&
                !(args[1].sql.starts_with('\'') && args[1].sql.find_first_of("wW") == std::string::npos))
                throw QueryError("The function " + written +
                                 " is given a first day of the week or week of the year, "
                                 "which is not taken into account here.");
            return {"access_format(" + plainValue(args[0]) + ", " + kind(args[0]) + ", " +
                        (args.size() >= 2 ? plainValue(args[1]) : "''") + ")",
                    ColumnType::Text};
        }
        if (name == "abs") {
            count(1, 1);
            return {"abs(" + args[0].sql + ")", args[0].type};
        }
        if (name == "min") return aggregate("min");
        if (name == "max") return aggregate("max");
        if (name == "first") return aggregate("access_first");
        if (name == "last") return aggregate("access_last");
        if (name == "count") {
            count(1, 1);
            return {filtered("count(" + args[0].sql + ")"), ColumnType::Integer};
        }
        if (name == "sum") {
            count(1, 1);
            if (args[0].type == ColumnType::Currency || isWhole(args[0].type))
                return {filtered("sum(" + args[0].sql + ")"),
                        args[0].type == ColumnType::Currency ? ColumnType::Currency : ColumnType::Integer};
            if (args[0].type == ColumnType::Decimal)
                return {filtered("access_decimal_sum(" + args[0].sql + ")"), ColumnType::Decimal};
            return {filtered("sum(" + plainValue(args[0]) + ")"), ColumnType::Double};
        }
        if (name == "avg") {
            count(1, 1);
            if (args[0].type == ColumnType::Currency)
                return {"access_ccur(" + filtered("avg(" + args[0].sql + ")") + " / 10000.0)",
                        ColumnType::Currency};
            return {filtered("avg(" + plainValue(args[0]) + ")"), ColumnType::Double};
        }
        const auto found = plainFunctions().find(name);
        if (found == plainFunctions().end()) {
            if (code_ && code_->has(written)) return codeCall(written, args);
            throw QueryError("The function " + written + " is not supported.");
        }
        count(static_cast<std::size_t>(found->second.minArguments),
              static_cast<std::size_t>(found->second.maxArguments));
        std::string sql = "access_" + name + "(";
        for (std::size_t i = 0; i < args.size(); ++i) sql += (i ? ", " : "") + plainValue(args[i]);
        return {sql + ")", found->second.result};
    }

    // A function of the database's code: each argument with its kind, so that dates and money reach the
    // code as themselves.
    Translated codeCall(const std::string& written, const std::vector<Translated>& args) const {
        std::string sql = "access_code(" + quoted(written);
        for (const Translated& arg : args) sql += ", " + plainValue(arg) + ", " + kind(arg);
        return {sql + ")", code_->resultType(written)};
    }

    Translated infix(Translated left, int precedence) {
        const Token op = next();
        if (op.isWord("is")) {
            const bool negated = peek().isWord("not");
            if (negated) next();
            if (!peek().isWord("null")) unexpected();
            next();
            return {"(" + left.sql + (negated ? " IS NOT NULL)" : " IS NULL)"), ColumnType::Boolean};
        }
        bool negated = false;
        Token word = op;
        if (op.isWord("not")) {
            negated = true;
            word = next();
        }
        const std::string notText = negated ? "NOT " : "";
        if (word.isWord("like")) {
            const Translated pattern = expression(Compare + 1);
            return {"(" + notText + "access_like(" + plainValue(left) + ", " + plainValue(pattern) + "))",
                    ColumnType::Boolean};
        }
        if (word.isWord("between")) {
            const Translated low = expression(Compare + 1);
            if (!peek().isWord("and")) unexpected();
            next();
            const Translated high = expression(Compare + 1);
            const bool exact =
                left.type == ColumnType::Currency && low.type == left.type && high.type == left.type;
            const auto side = [&](const Translated& e) { return exact ? e.sql : plainValue(e); };
            return {"(" + side(left) + collation(left) + " " + notText + "BETWEEN " + side(low) + " AND " +
                        side(high) + ")",
                    ColumnType::Boolean};
        }
        if (word.isWord("in")) {
            if (peek(1).isWord("select")) {
                next();
                const Translated rows = subquery(true);
                return {"(" + plainValue(left) + collation(left) + " " + notText + "IN " + rows.sql + ")",
                        ColumnType::Boolean};
            }
            const std::vector<Translated> list = arguments();
            std::string sql = "(" + plainValue(left) + collation(left) + " " + notText + "IN (";
            for (std::size_t i = 0; i < list.size(); ++i) sql += (i ? ", " : "") + plainValue(list[i]);
            return {sql + "))", ColumnType::Boolean};
        }
        if (word.isWord("and") || word.isWord("or")) {
            const Translated right = expression(precedence + 1);
            return {
                "(" + plainValue(left) + (word.isWord("and") ? " AND " : " OR ") + plainValue(right) + ")",
                ColumnType::Boolean};
        }
        Translated right = expression(precedence + 1);
        if (precedence == Compare) {
            left = textAsDate(std::move(left), right);
            right = textAsDate(std::move(right), left);
            const bool exact = left.type == ColumnType::Currency && right.type == ColumnType::Currency;
            const std::string collate =
                left.type == ColumnType::Text || right.type == ColumnType::Text ? " COLLATE NOCASE" : "";
            return {"(" + (exact ? left.sql : plainValue(left)) + " " + word.text + " " +
                        (exact ? right.sql : plainValue(right)) + collate + ")",
                    ColumnType::Boolean};
        }
        return arithmetic(word, left, right);
    }

    // Jet reads a text compared with a date as a date ("WHERE Due = '10/31/97'").
    static Translated textAsDate(Translated e, const Translated& other) {
        const auto text = literalText(e);
        if (other.type != ColumnType::Date || e.type != ColumnType::Text || !text) return e;
        const auto days = parseDate(*text);
        if (!days) throw QueryError("The text '" + *text + "' is compared with a date but is none.");
        return dateLiteral(*days);
    }

    static std::string collation(const Translated& e) {
        return e.type == ColumnType::Text ? " COLLATE NOCASE" : "";
    }

    // Jet adds, subtracts and multiplies money and any other number as money: the other is rounded to
    // ten-thousandths first (a Single's 0.15 is 0.15, not 0.150000006), the product after.
    static bool moneyWith(const Translated& money, const Translated& other) {
        return money.type == ColumnType::Currency && isNumber(other.type) && other.type != ColumnType::Date;
    }
    static Translated asMoney(const Translated& e) { return {scaled(e), ColumnType::Currency}; }

    static Translated arithmetic(const Token& op, const Translated& a, const Translated& b) {
        const bool aCurrency = a.type == ColumnType::Currency, bCurrency = b.type == ColumnType::Currency;
        const std::string& o = op.text;
        if (o == "&")
            return {"access_concat(" + plainValue(a) + ", " + kind(a) + ", " + plainValue(b) + ", " +
                        kind(b) + ")",
                    ColumnType::Text};
        if (o == "+" || o == "-") {
            if (o == "+" && a.type == ColumnType::Text && b.type == ColumnType::Text)
                return {"(" + a.sql + " || " + b.sql + ")", ColumnType::Text};
            if (moneyWith(a, b) || moneyWith(b, a))
                return {"(" + scaled(a) + " " + o + " " + scaled(b) + ")", ColumnType::Currency};
            ColumnType type = arithmeticType(a.type, b.type);
            if (a.type == ColumnType::Date && isNumber(b.type) && b.type != ColumnType::Date)
                type = ColumnType::Date;
            if (o == "+" && b.type == ColumnType::Date && isNumber(a.type)) type = ColumnType::Date;
            return {"(" + plainValue(a) + " " + o + " " + plainValue(b) + ")", type};
        }
        if (o == "*") {
            if (aCurrency && isWhole(b.type))
                return {"(" + a.sql + " * " + b.sql + ")", ColumnType::Currency};
            if (bCurrency && isWhole(a.type))
                return {"(" + a.sql + " * " + b.sql + ")", ColumnType::Currency};
            if (moneyWith(a, b) || moneyWith(b, a))
                return {"access_ccur(" + plainValue(asMoney(a)) + " * " + plainValue(asMoney(b)) + ")",
                        ColumnType::Currency};
            return {"(" + plainValue(a) + " * " + plainValue(b) + ")", arithmeticType(a.type, b.type)};
        }
        if (o == "/") return {"(" + plainValue(a) + " * 1.0 / " + plainValue(b) + ")", ColumnType::Double};
        if (o == "\\")
            return {"access_intdiv(" + plainValue(a) + ", " + plainValue(b) + ")", ColumnType::Integer};
        if (op.isWord("mod"))
            return {"access_mod(" + plainValue(a) + ", " + plainValue(b) + ")", ColumnType::Integer};
        return {"access_power(" + plainValue(a) + ", " + plainValue(b) + ")", ColumnType::Double};
    }

    // The rows an aggregate takes: each aggregate takes only the rows of one crosstab column.
    std::string filtered(std::string aggregate) const {
        return aggregateFilter_.empty() ? aggregate : aggregate + " FILTER (WHERE " + aggregateFilter_ + ")";
    }

    // The sub-query whose "(" is the token before the cursor, as the callback translates it; the cursor
    // ends after its ")".
    Translated subquery(bool oneColumn) {
        if (!subquery_) throw QueryError("Sub-queries are not supported here.");
        const std::size_t start = peek().offset;
        const std::size_t end = skipParenthesised();
        return subquery_(text_.substr(start, end - start), oneColumn);
    }

    std::string_view text_;
    const NameResolver& resolve_;
    const SubqueryCompiler& subquery_;
    const std::string& aggregateFilter_;
    const ParameterResolver& parameter_;
    const CodeFunctions* code_;
    int depth_ = 0;
};

}  // namespace

Translated literal(const Value& value) {
    if (value.holds<bool>()) return {value.get<bool>() ? "-1" : "0", ColumnType::Boolean};
    if (value.holds<std::int64_t>()) return {std::to_string(value.get<std::int64_t>()), ColumnType::Integer};
    if (value.holds<double>()) return {"(" + dateLiteral(value.get<double>()).sql + ")", ColumnType::Double};
    if (value.holds<Currency>())
        return {std::to_string(value.get<Currency>().tenThousandths), ColumnType::Currency};
    if (value.holds<Date>()) return {"(" + dateLiteral(value.get<Date>().days).sql + ")", ColumnType::Date};
    if (value.holds<Decimal>()) {
        const StoredDecimal stored = storedDecimal(value.get<Decimal>());
        return {stored.whole ? "(" + std::to_string(stored.integer) + ")"
                             : "(" + dateLiteral(stored.real).sql + ")",
                ColumnType::Decimal};
    }
    if (value.holds<std::string>()) return {quoted(value.get<std::string>()), ColumnType::Text};
    if (value.holds<Binary>()) throw QueryError("A binary value cannot stand in an expression.");
    return {"NULL", ColumnType::Unknown};
}

std::string plainValue(const Translated& expression) {
    return expression.type == ColumnType::Currency ? "(" + expression.sql + " / 10000.0)" : expression.sql;
}

Translated translateExpression(std::string_view expression, const TranslationContext& context) {
    const std::vector<Token> tokens = tokenize(expression);
    std::size_t position = 0;
    Translated result = Parser(tokens, position, expression, context).expression();
    if (tokens[position].kind != Token::Kind::End)
        throw QueryError("The expression cannot be read at '" + tokens[position].text + "'.");
    return result;
}

std::set<std::string> calledNames(std::string_view expression) {
    std::set<std::string> names;
    for (std::size_t at = 0; at < expression.size();) {
        const char c = expression[at];
        const auto closing = [&](char end) {
            const std::size_t found = expression.find(end, at + 1);
            return found == std::string_view::npos ? expression.size() : found + 1;
        };
        if (c == '"' || c == '\'') {
            at = closing(c);
        } else if (c == '[') {
            at = closing(']');
        } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
            const std::size_t start = at;
            while (at < expression.size() &&
                   (std::isalnum(static_cast<unsigned char>(expression[at])) || expression[at] == '_'))
                ++at;
            std::size_t next = at;
            while (next < expression.size() && expression[next] == ' ') ++next;
            if (next < expression.size() && expression[next] == '(')
                names.insert(base::lowerAscii(std::string(expression.substr(start, at - start))));
        } else {
            ++at;
        }
    }
    return names;
}

}  // namespace platform::jet::query

#include <cctype>

#include "platform/jet/query/RecordSource.h"
#include "platform/jet/query/SelectQuery.h"
#include "platform/jet/query/SqlLexer.h"

namespace platform::jet::query {
namespace {

constexpr int kMaxNesting = 100;

// Reads one statement, slicing expressions out of the text by their tokens' places; the expressions
// themselves are translated later, against the sources.
struct TokenList {
    explicit TokenList(std::string_view sql) : tokenList(tokenize(sql)) {}
    std::vector<Token> tokenList;
    std::size_t position = 0;
};

class SelectParser : TokenList, TokenCursor {
  public:
    explicit SelectParser(std::string_view sql)
        : TokenList(sql), TokenCursor(tokenList, position), sql_(sql) {}

    SelectQuery statement() {
        std::optional<Crosstab> crosstab;
        if (peek().isWord("transform")) {
            next();
            crosstab.emplace();
            crosstab->value = expression(true);
            if (peek().isWord("as")) next(), crosstab->valueAlias = nameToken();
        }
        SelectQuery query = select();
        while (peek().isWord("union")) {
            next();
            query.unionAll = peek().isWord("all");
            if (query.unionAll) next();
            query.unionWith.push_back(select());
        }
        if (peek().isWord("order")) query.orderBy = orderBy();
        if (crosstab) {
            expectWord("pivot");
            pivot(*crosstab);
            query.crosstab = std::move(crosstab);
        }
        while (peek().isSymbol(";")) next();
        if (peek().kind != Token::Kind::End) unexpected();
        return query;
    }

    // The heading and, after IN, the fixed list of headings.
    void pivot(Crosstab& crosstab) {
        crosstab.pivot = expression(false, true);
        if (peek().isWord("in")) {
            next();
            if (!peek().isSymbol("(")) unexpected();
            next();
            for (;;) {
                crosstab.headings.push_back(expression());
                if (!peek().isSymbol(",")) break;
                next();
            }
            if (!peek().isSymbol(")")) unexpected();
            next();
        }
    }

    void wholePivot(Crosstab& crosstab) {
        pivot(crosstab);
        if (peek().kind != Token::Kind::End) unexpected();
    }

  private:
    void expectWord(std::string_view word) {
        if (!peek().isWord(word)) unexpected();
        next();
    }
    [[noreturn]] void unexpected() const {
        if (peek().kind == Token::Kind::End) throw QueryError("The SQL text ends too early.");
        throw QueryError("The SQL text cannot be read at '" + std::string(sql_.substr(peek().offset, 30)) +
                         "'.");
    }

    bool atClauseEnd() const {
        const Token& t = peek();
        return t.kind == Token::Kind::End || t.isSymbol(";") || t.isSymbol(")") || t.isWord("from") ||
               t.isWord("where") || t.isWord("group") || t.isWord("having") || t.isWord("order") ||
               t.isWord("union") || t.isWord("pivot") || t.isWord("select");
    }

    // INNER, LEFT or RIGHT starting a join rather than calling Left() or Right().
    bool startsJoin() const {
        return (peek().isWord("inner") || peek().isWord("left") || peek().isWord("right")) &&
               (peek(1).isWord("join") || peek(1).isWord("outer"));
    }

    // The text of one expression, up to a comma, a clause or (when stopAtAs) an AS at the outer level.
    std::string expression(bool stopAtAs = false, bool stopAtIn = false) {
        const std::size_t start = peek().offset;
        int depth = 0;
        while (peek().kind != Token::Kind::End) {
            const Token& t = peek();
            if (depth == 0 && (t.isSymbol(",") || atClauseEnd() || (stopAtAs && t.isWord("as")) ||
                               (stopAtIn && t.isWord("in")) || t.isWord("asc") || t.isWord("desc") ||
                               t.isWord("on") || t.isWord("join") || startsJoin()))
                break;
            if (t.isSymbol("(")) ++depth;
            if (t.isSymbol(")")) --depth;
            next();
        }
        const std::string text(sql_.substr(start, peek().offset - start));
        if (text.find_first_not_of(" \t\r\n") == std::string::npos) unexpected();
        return text;
    }

    std::string nameToken() {
        const Token& t = next();
        if (t.kind != Token::Kind::Word && t.kind != Token::Kind::BracketedName) {
            --position_;
            unexpected();
        }
        return t.text;
    }

    SelectQuery select() {
        if (peek().isWord("parameters")) throw QueryError("The SQL text asks for parameter values.");
        if (peek().isSymbol("(")) {  // a parenthesised part of a union
            next();
            SelectQuery inner = select();
            if (!peek().isSymbol(")")) unexpected();
            next();
            return inner;
        }
        if (peek().isWord("table")) {  // TABLE name: all of a table, as a part of a union
            next();
            SelectQuery whole;
            whole.columns.push_back({"*", ""});
            auto table = std::make_shared<FromItem>();
            table->table = nameToken();
            whole.from.push_back(table);
            return whole;
        }
        if (!peek().isWord("select"))
            throw QueryError("Only select queries can give a report's rows; the SQL text begins with '" +
                             peek().text + "'.");
        next();
        SelectQuery query;
        if (peek().isWord("distinct"))
            query.distinct = true, next();
        else if (peek().isWord("distinctrow") || peek().isWord("all"))
            next();
        if (peek().isWord("top")) {
            next();
            if (peek().kind != Token::Kind::Number) unexpected();
            query.top = std::stoll(next().text);
            if (peek().isWord("percent")) query.topPercent = true, next();
        }
        for (;;) {
            SelectColumn column;
            column.expression = expression(true);
            if (peek().isWord("as")) {
                next();
                column.alias = nameToken();
            }
            query.columns.push_back(column);
            if (!peek().isSymbol(",")) break;
            next();
        }
        expectWord("from");
        for (;;) {
            query.from.push_back(joined(0));
            if (!peek().isSymbol(",")) break;
            next();
        }
        if (peek().isWord("where")) next(), query.where = expression();
        if (peek().isWord("group")) {
            next();
            expectWord("by");
            for (;;) {
                query.groupBy.push_back(expression());
                if (!peek().isSymbol(",")) break;
                next();
            }
        }
        if (peek().isWord("having")) next(), query.having = expression();
        return query;
    }

    std::vector<OrderTerm> orderBy() {
        expectWord("order");
        expectWord("by");
        std::vector<OrderTerm> terms;
        for (;;) {
            OrderTerm term{expression()};
            if (peek().isWord("desc"))
                term.descending = true, next();
            else if (peek().isWord("asc"))
                next();
            terms.push_back(term);
            if (!peek().isSymbol(",")) break;
            next();
        }
        return terms;
    }

    std::shared_ptr<const FromItem> joined(int depth) {
        if (depth > kMaxNesting) throw QueryError("The SQL text nests its joins too deeply.");
        auto left = item(depth);
        for (;;) {
            FromItem::Join kind;
            if (peek().isWord("inner"))
                kind = FromItem::Join::Inner;
            else if (peek().isWord("left"))
                kind = FromItem::Join::Left;
            else if (peek().isWord("right"))
                kind = FromItem::Join::Right;
            else
                break;
            next();
            if (peek().isWord("outer")) next();
            expectWord("join");
            auto right = item(depth);
            expectWord("on");
            auto join = std::make_shared<FromItem>();
            join->join = kind;
            join->left = left;
            join->right = right;
            join->on = expression();
            left = join;
        }
        return left;
    }

    std::shared_ptr<const FromItem> item(int depth) {
        if (peek().isSymbol("(") && peek(1).isWord("select")) {
            next();
            auto derived = std::make_shared<FromItem>();
            const std::size_t start = peek().offset;
            derived->subquery = std::string(sql_.substr(start, skipParenthesised() - start));
            if (peek().isWord("as")) next();
            derived->alias = nameToken();  // Access names every derived table
            return derived;
        }
        if (peek().isSymbol("(")) {
            next();
            auto inner = joined(depth + 1);
            if (!peek().isSymbol(")")) unexpected();
            next();
            return inner;
        }
        auto table = std::make_shared<FromItem>();
        table->table = nameToken();
        if (peek().isSymbol(".")) unexpected();  // another database's table
        if (peek().isWord("as")) {
            next();
            table->alias = nameToken();
        } else if (peek().kind == Token::Kind::BracketedName ||
                   (peek().kind == Token::Kind::Word && !atClauseEnd() && !peek().isWord("inner") &&
                    !peek().isWord("left") && !peek().isWord("right") && !peek().isWord("on"))) {
            table->alias = nameToken();
        }
        return table;
    }

    std::string_view sql_;
};

}  // namespace

SelectQuery parseSelect(std::string_view sql) {
    return SelectParser(sql).statement();
}

void parsePivot(std::string_view text, Crosstab& into) {
    SelectParser(text).wholePivot(into);
}

}  // namespace platform::jet::query

#include "platform/jet/vba/Parser.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

#include "platform/jet/vba/Lexer.h"

namespace platform::jet::vba {
namespace {

// Hostile code may nest without end; past this the rest of the statement is not read.
constexpr int kMaxNesting = 200;
// Past this many lines not understood a module is damaged beyond use and the rest of it is not read, so
// that a hostile text takes no longer to read than a real one.
constexpr int kMaxUnreadLines = 1000;

constexpr auto lower = lowerName;

struct ParseFailure {
    std::string message;
};

class Parser {
  public:
    explicit Parser(std::string_view source) : source_(source), tokens_(tokenize(source)) {}

    Module parse(std::string_view name) {
        Module module;
        module.name = std::string(name);
        while (!at(TokenKind::EndOfFile)) {
            if (skipSeparators() || tooDamaged()) continue;
            const std::size_t start = pos_;
            try {
                if (isWord("Attribute") || isWord("Option")) {
                    if (isWord("Option") && isWord("Explicit", 1)) module.optionExplicit = true;
                    skipLine();
                    continue;
                }
                if (startsProcedure()) {
                    module.procedures.push_back(parseProcedure(module));
                    continue;
                }
                if (isWord("Enum") || ((isWord("Private") || isWord("Public")) && isWord("Enum", 1))) {
                    module.declarations.push_back(parseEnum());
                    continue;
                }
                if (isWord("Declare") || ((isWord("Private") || isWord("Public")) && isWord("Declare", 1))) {
                    readDeclare(module);
                    continue;
                }
                if (isWord("Type") || ((isWord("Private") || isWord("Public")) && isWord("Type", 1))) {
                    module.types.push_back(parseType());
                    continue;
                }
                module.declarations.push_back(parseStatement());
            } catch (const ParseFailure& failure) {
                pos_ = start;
                module.declarations.push_back(unsupportedLine(failure.message));
            }
        }
        if (abandonedAt_)
            module.problems.push_back("line " + std::to_string(abandonedAt_) + " on: not read, as " +
                                      std::to_string(kMaxUnreadLines) + " lines before it were not understood");
        return module;
    }

  private:
    std::string_view source_;
    std::vector<Token> tokens_;
    std::size_t pos_ = 0;
    int depth_ = 0;
    int unreadLines_ = 0;
    int abandonedAt_ = 0;  // the line where reading stopped

    // True once too many lines were not understood: reading jumps to the end.
    bool tooDamaged() {
        if (unreadLines_ < kMaxUnreadLines) return false;
        if (!at(TokenKind::EndOfFile)) {
            if (!abandonedAt_) abandonedAt_ = peek().line;
            pos_ = tokens_.size() - 1;
        }
        return true;
    }

    // One level more of statements or expressions being read, within kMaxNesting.
    struct Deeper {
        Parser& parser;
        explicit Deeper(Parser& p) : parser(p) {
            if (++parser.depth_ > kMaxNesting) {
                --parser.depth_;
                parser.fail("nested too deeply");
            }
        }
        ~Deeper() { --parser.depth_; }
        Deeper(const Deeper&) = delete;
        Deeper& operator=(const Deeper&) = delete;
    };

    const Token& peek(std::size_t ahead = 0) const {
        return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
    }
    bool at(TokenKind kind, std::size_t ahead = 0) const { return peek(ahead).kind == kind; }
    bool isWord(std::string_view word, std::size_t ahead = 0) const {
        return at(TokenKind::Identifier, ahead) && sameName(peek(ahead).text, word);
    }
    bool isOperator(std::string_view op, std::size_t ahead = 0) const {
        return at(TokenKind::Operator, ahead) && peek(ahead).text == op;
    }
    const Token& next() {
        const Token& token = peek();
        if (pos_ < tokens_.size() - 1) ++pos_;
        return token;
    }
    bool accept(std::string_view word) {
        if (isWord(word)) {
            next();
            return true;
        }
        return false;
    }
    bool acceptOperator(std::string_view op) {
        if (isOperator(op)) {
            next();
            return true;
        }
        return false;
    }
    [[noreturn]] void fail(const std::string& what) const { throw ParseFailure{what}; }
    // Reads what closes a block statement once its body is read. A wrong or missing end leaves the
    // statement unsupported where it stands instead of failing: read again from its start, each
    // enclosing block would read the body again, and blocks left open would take time doubling with
    // each level.
    template <typename ReadEnd>
    void closeBlock(Statement& s, ReadEnd readEnd) {
        try {
            readEnd();
        } catch (const ParseFailure& failure) {
            s.kind = Statement::Kind::Unsupported;
            s.text = failure.message;
            // Failed within a line (a Case's value, "Next j, i"): the rest of it goes with the statement.
            if (pos_ > 0 && tokens_[pos_ - 1].kind != TokenKind::EndOfLine) skipLine();
            s.body.clear();
            s.blocks.clear();
            s.cases.clear();
        }
    }
    void expectOperator(std::string_view op) {
        if (!acceptOperator(op)) fail("expected \"" + std::string(op) + "\"");
    }
    void expectWord(std::string_view word) {
        if (!accept(word)) fail("expected " + std::string(word));
    }
    std::string identifier() {
        if (!at(TokenKind::Identifier)) fail("expected a name");
        return next().text;
    }
    bool atStatementEnd() const {
        return at(TokenKind::EndOfLine) || at(TokenKind::EndOfFile) || isOperator(":") ||
               (isWord("Else") && !oneLineIfDepth_.empty());
    }
    bool skipSeparators() {
        bool skipped = false;
        while (at(TokenKind::EndOfLine) || isOperator(":")) {
            next();
            skipped = true;
        }
        return skipped;
    }
    void skipLine() {
        while (!at(TokenKind::EndOfLine) && !at(TokenKind::EndOfFile)) next();
    }
    std::string textOf(std::size_t first, std::size_t last) const {
        if (last <= first) return {};
        std::string_view raw = source_.substr(tokens_[first].begin, tokens_[last - 1].end - tokens_[first].begin);
        std::string out;
        bool space = false;
        for (std::size_t i = 0; i < raw.size(); ++i) {
            const char c = raw[i];
            // Continuations and line ends read as one space.
            if (c == '_' && i + 1 < raw.size() && (raw[i + 1] == '\r' || raw[i + 1] == '\n') && space) continue;
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                space = true;
                continue;
            }
            if (space && !out.empty()) out += ' ';
            space = false;
            out += c;
        }
        return out;
    }

    std::unique_ptr<Statement> unsupportedLine(const std::string& why) {
        ++unreadLines_;
        auto statement = std::make_unique<Statement>();
        statement->kind = Statement::Kind::Unsupported;
        statement->line = peek().line;
        const std::size_t first = pos_;
        while (!at(TokenKind::EndOfLine) && !at(TokenKind::EndOfFile) && !isOperator(":")) next();
        statement->source = textOf(first, pos_);
        statement->text = why;
        return statement;
    }

    // An Enum's members as constants: each one more than the one before unless given.
    std::unique_ptr<Statement> parseEnum() {
        auto s = std::make_unique<Statement>();
        s->kind = Statement::Kind::Declare;
        s->line = peek().line;
        s->text = "const";
        s->isPublic = !accept("Private");
        accept("Public");
        expectWord("Enum");
        s->source = "Enum " + identifier();
        std::string previous;
        for (;;) {
            skipSeparators();
            if (at(TokenKind::EndOfFile)) fail("Enum without End Enum");
            if (accept("End")) {
                expectWord("Enum");
                return s;
            }
            Declared member;
            member.name = identifier();
            member.type = "long";
            if (acceptOperator("=")) {
                member.value = parseExpression();
            } else if (previous.empty()) {
                member.value = make(Expression::Kind::Literal, "0");
                member.value->literalKind = static_cast<int>(TokenKind::Integer);
            } else {
                member.value = make(Expression::Kind::Binary, "+");
                member.value->left = make(Expression::Kind::Name, previous);
                member.value->right = make(Expression::Kind::Literal, "1");
                member.value->right->literalKind = static_cast<int>(TokenKind::Integer);
            }
            previous = member.name;
            s->declared.push_back(std::move(member));
        }
    }

    // "[Private] Declare [PtrSafe] Function Name Lib "library" ...": a procedure outside the database,
    // known by name so that a call to it stops saying so.
    void readDeclare(Module& module) {
        if (!accept("Private")) accept("Public");
        expectWord("Declare");
        accept("PtrSafe");
        if (!accept("Function")) expectWord("Sub");
        std::string name = lower(identifier());
        expectWord("Lib");
        if (!at(TokenKind::String)) fail("expected a library");
        module.externals.emplace_back(std::move(name), next().text);
        skipLine();
    }

    bool startsProcedure() const {
        std::size_t i = 0;
        while (isWord("Public", i) || isWord("Private", i) || isWord("Friend", i) || isWord("Static", i) ||
               isWord("Global", i))
            ++i;
        return isWord("Sub", i) || isWord("Function", i) ||
               (isWord("Property", i) && (isWord("Get", i + 1) || isWord("Let", i + 1) || isWord("Set", i + 1)));
    }

    std::unique_ptr<Procedure> parseProcedure(Module& module) {
        auto procedure = std::make_unique<Procedure>();
        procedure->line = peek().line;
        while (isWord("Public") || isWord("Private") || isWord("Friend") || isWord("Static") || isWord("Global")) {
            const std::string& word = next().text;
            if (sameName(word, "Static")) procedure->isStatic = true;
            if (sameName(word, "Private")) procedure->isPrivate = true;
        }
        procedure->kind = lower(next().text);
        if (procedure->kind == "property") procedure->kind += " " + lower(next().text);
        procedure->name = identifier();
        if (acceptOperator("(")) {
            while (!isOperator(")") && !atStatementEnd()) {
                Parameter parameter;
                for (;;) {
                    if (accept("Optional")) parameter.optional = true;
                    else if (accept("ByVal")) parameter.byVal = true;
                    else if (accept("ByRef")) parameter.byVal = false;
                    else if (accept("ParamArray")) parameter.paramArray = true;
                    else break;
                }
                parameter.name = identifier();
                if (acceptOperator("(")) {
                    expectOperator(")");
                    parameter.isArray = true;
                }
                parameter.type = parseAsType();
                if (acceptOperator("=")) parameter.defaultValue = parseExpression();
                procedure->parameters.push_back(std::move(parameter));
                if (!acceptOperator(",")) break;
            }
            expectOperator(")");
        }
        procedure->returnType = parseAsType();
        const std::string end = procedure->kind.substr(0, procedure->kind.find(' '));
        procedure->body = parseBlock({});
        if (isWord("End") && isWord(end, 1)) {
            next();
            next();
        } else {
            module.problems.push_back("line " + std::to_string(procedure->line) + ": " + procedure->name +
                                      " has no End " + end);
        }
        return procedure;
    }

    std::string parseAsType(bool* isNew = nullptr) {
        if (!accept("As")) return "variant";
        const bool made = accept("New");
        if (isNew) *isNew = made;
        std::string type = lower(identifier());
        while (acceptOperator(".")) type = lower(identifier());  // DAO.Recordset is a Recordset
        if (acceptOperator("*")) parsePrimary();                 // String * 10
        return type;
    }

    // True at a statement that ends the block being read (its owner reads it).
    bool atBlockEnd() const {
        if (at(TokenKind::EndOfFile)) return true;
        if (isWord("End") && (isWord("If", 1) || isWord("Select", 1) || isWord("With", 1) || isWord("Sub", 1) ||
                              isWord("Function", 1) || isWord("Property", 1)))
            return true;
        if (isWord("Else") || isWord("ElseIf") || isWord("Case") || isWord("Next") || isWord("Loop") ||
            isWord("Wend"))
            return true;
        return startsProcedure();
    }

    Block parseBlock(std::initializer_list<std::string_view>) {
        Block block;
        for (;;) {
            skipSeparators();
            tooDamaged();
            if (atBlockEnd()) return block;
            const std::size_t start = pos_;
            try {
                block.push_back(parseStatement());
            } catch (const ParseFailure& failure) {
                pos_ = start;
                block.push_back(unsupportedLine(failure.message));
            }
            if (block.back()->kind != Statement::Kind::Label && !atStatementEnd() && !atBlockEnd()) {
                // Something follows that the statement did not read.
                auto rest = unsupportedLine("unexpected \"" + peek().text + "\"");
                rest->source = textOf(start, pos_);
                rest->line = tokens_[start].line;
                block.back() = std::move(rest);
            }
        }
    }

    std::unique_ptr<Statement> parseStatement() {
        const Deeper deeper(*this);
        const std::size_t first = pos_;
        auto statement = std::make_unique<Statement>();
        statement->line = peek().line;
        parseStatementBody(*statement);
        // A block statement is named by its first line: "If x Then", not all it holds.
        std::size_t last = first;
        while (last < pos_ && tokens_[last].kind != TokenKind::EndOfLine) ++last;
        if (statement->source.empty()) statement->source = textOf(first, last);
        return statement;
    }

    void parseStatementBody(Statement& s) {
        using K = Statement::Kind;
        const Token& token = peek();
        // Line numbers and labels, at the start of a line.
        const bool lineStart = pos_ == 0 || tokens_[pos_ - 1].kind == TokenKind::EndOfLine;
        if (lineStart && token.kind == TokenKind::Integer) {
            s.kind = K::Label;
            s.text = next().text;
            return;
        }
        if (lineStart && token.kind == TokenKind::Identifier && isOperator(":", 1) && !isKeyword(token.text)) {
            s.kind = K::Label;
            s.text = lower(next().text);
            return;
        }
        if (isOperator("#")) {
            // #If, #Else, #Const: conditional compilation, read as if every branch were there.
            s.kind = K::Skipped;
            while (!at(TokenKind::EndOfLine) && !at(TokenKind::EndOfFile)) next();
            return;
        }
        if (token.kind != TokenKind::Identifier && !isOperator(".") && !isOperator("!")) fail("not a statement");
        const std::string word = lower(token.text);
        if (word == "dim" || word == "const" || word == "redim" || word == "global" ||
            ((word == "private" || word == "public" || word == "static") && !startsProcedure())) {
            parseDeclaration(s);
            return;
        }
        if (word == "if") return parseIf(s);
        if (word == "select") return parseSelect(s);
        if (word == "for") return parseFor(s);
        if (word == "do") return parseDo(s);
        if (word == "while") {
            next();
            s.kind = K::While;
            s.value = parseExpression();
            s.body = parseBlock({});
            closeBlock(s, [&] { expectWord("Wend"); });
            return;
        }
        if (word == "with") {
            next();
            s.kind = K::With;
            s.value = parseExpression();
            s.body = parseBlock({});
            closeBlock(s, [&] {
                expectWord("End");
                expectWord("With");
            });
            return;
        }
        if (word == "exit") {
            next();
            s.kind = K::Exit;
            s.text = lower(identifier());
            return;
        }
        if (word == "on") {
            next();
            if (accept("Local")) {}
            expectWord("Error");
            s.kind = K::OnError;
            if (accept("Resume")) {
                expectWord("Next");
                s.text = "resume next";
            } else {
                expectWord("GoTo");
                if (acceptOperator("-")) {
                    next();
                    s.text = "goto -1";
                } else if (at(TokenKind::Integer) && peek().text == "0") {
                    next();
                    s.text = "goto 0";
                } else {
                    s.text = lower(next().text);
                }
            }
            return;
        }
        if (word == "resume") {
            next();
            s.kind = K::Resume;
            if (!atStatementEnd()) s.text = lower(next().text);
            return;
        }
        if (word == "goto") {
            next();
            s.kind = K::GoTo;
            s.text = lower(next().text);
            return;
        }
        if (word == "stop" || (word == "end" && (isOperator(":", 1) || at(TokenKind::EndOfLine, 1)))) {
            next();
            s.kind = K::Stop;
            return;
        }
        if (word == "option" || word == "beep" || word == "doevents" ||
            (word == "debug" && isOperator(".", 1))) {
            s.kind = K::Skipped;
            while (!atStatementEnd()) next();
            return;
        }
        if (word == "set" || word == "let") {
            next();
            s.flag = word == "set";
            s.kind = K::Assign;
            s.target = parsePostfix(false);
            expectOperator("=");
            s.value = parseExpression();
            return;
        }
        if (word == "call") {
            next();
            s.kind = K::Call;
            s.target = parsePostfix(false);
            return;
        }
        if (word == "end" || word == "type" || word == "enum" || word == "declare" || word == "return" ||
            word == "gosub")
            fail("\"" + token.text + "\" is not run");
        // Files, the registry, other programs: named and skipped, never run.
        for (std::string_view outside : {"Open", "Close", "Input", "Put", "Get", "Write", "Kill", "MkDir", "RmDir",
                                         "ChDir", "ChDrive", "FileCopy", "Name", "SaveSetting", "DeleteSetting",
                                         "SendKeys", "AppActivate", "Lock", "Unlock", "Reset", "SetAttr"})
            if ((sameName(word, outside) && !isOperator("=", 1) && !isOperator(".", 1)) ||
                (word == "line" && isWord("Input", 1))) {
                s.kind = K::Outside;
                s.text = word == "line" ? "Line Input" : std::string(outside);
                while (!atStatementEnd()) next();
                return;
            }
        // An assignment or a call, or drawing on a report.
        const std::size_t first = pos_;
        ExpressionPtr target = parsePostfix(true);
        const std::string method = drawingMethod(*target);
        if (!method.empty() && (isOperator("(") || isWord("Step") || isOperator("-"))) {
            parseDrawing(s, std::move(target), method);
            return;
        }
        if (isPrint(*target)) {
            s.kind = K::Print;
            s.target = target->kind == Expression::Kind::Member ? std::move(target->left) : nullptr;
            while (!atStatementEnd()) {
                if (acceptOperator(";") || acceptOperator(",")) continue;
                s.conditions.push_back(parseExpression());
            }
            return;
        }
        if (acceptOperator("=")) {
            s.kind = K::Assign;
            s.target = std::move(target);
            s.value = parseExpression();
            return;
        }
        s.kind = K::Call;
        if (atStatementEnd()) {
            s.target = std::move(target);
            return;
        }
        // A call without parentheses: "DrawRectangles", "MsgBox "Text", vbOKOnly".
        auto call = std::make_unique<Expression>();
        call->kind = Expression::Kind::Call;
        call->left = std::move(target);
        parseArguments(call->arguments, false);
        s.target = std::move(call);
        (void)first;
    }

    // Statement words that a colon after does not make a label: "Do: n = n + 1".
    static bool isKeyword(std::string_view word) {
        for (std::string_view keyword : {"Do", "Loop", "Else", "Wend", "Next", "End", "Exit", "Resume", "Stop", "Beep",
                                         "Return", "DoEvents", "Debug"})
            if (sameName(word, keyword)) return true;
        return false;
    }

    static std::string drawingMethod(const Expression& target) {
        std::string_view name;
        if (target.kind == Expression::Kind::Member) name = target.text;
        else if (target.kind == Expression::Kind::Name) name = target.text;
        for (std::string_view method : {"Line", "Circle", "PSet"})
            if (sameName(name, method)) return lower(method);
        return {};
    }
    static bool isPrint(const Expression& target) {
        return (target.kind == Expression::Kind::Member || target.kind == Expression::Kind::Name) &&
               sameName(target.text, "Print");
    }

    ExpressionPtr parsePoint() {
        auto point = std::make_unique<Expression>();
        point->kind = Expression::Kind::Point;
        point->flag = accept("Step");
        expectOperator("(");
        point->left = parseExpression();
        expectOperator(",");
        point->right = parseExpression();
        expectOperator(")");
        return point;
    }

    // Line [[Step](x1, y1)]-[Step](x2, y2)[, color][, B[F]]; Circle [Step](x, y), radius[, color, start,
    // end, aspect]; PSet [Step](x, y)[, color]. Arguments: the points, then the rest (B or BF as a Name).
    void parseDrawing(Statement& s, ExpressionPtr target, const std::string& method) {
        s.kind = Statement::Kind::Draw;
        s.text = method;
        s.target = target->kind == Expression::Kind::Member ? std::move(target->left) : nullptr;
        if (method == "line") {
            if (isOperator("-")) s.from = nullptr;
            else s.from = parsePoint();
            expectOperator("-");
            s.to = parsePoint();
        } else {
            s.from = parsePoint();
        }
        while (acceptOperator(",")) {
            if (isOperator(",") || atStatementEnd()) {
                s.conditions.push_back(nullptr);
                continue;
            }
            s.conditions.push_back(parseExpression());
        }
    }

    void parseDeclaration(Statement& s) {
        s.kind = Statement::Kind::Declare;
        bool isConst = false;
        for (;;) {
            if (isWord("Public") || isWord("Global")) s.isPublic = true;
            if (accept("Dim") || accept("Private") || accept("Public") || accept("Global")) continue;
            if (accept("Static")) {
                s.declaredStatic = true;
                continue;
            }
            if (accept("Const")) {
                isConst = true;
                continue;
            }
            if (accept("ReDim")) {
                s.text = "redim";
                if (accept("Preserve")) s.flag = true;
                continue;
            }
            if (accept("WithEvents")) continue;
            break;
        }
        if (isConst) s.text = "const";
        if (isWord("Declare")) fail("external procedures are not run");
        do {
            Declared declared = parseDeclared();
            if (acceptOperator("=")) declared.value = parseExpression();
            s.declared.push_back(std::move(declared));
        } while (acceptOperator(","));
    }

    // A name, its array bounds and its type, as Dim and a Type's fields give them.
    Declared parseDeclared() {
        Declared declared;
        declared.name = identifier();
        if (acceptOperator("(")) {
            declared.isArray = true;
            while (!isOperator(")")) {
                ExpressionPtr bound = parseExpression();
                if (accept("To")) declared.bounds.emplace_back(std::move(bound), parseExpression());
                else declared.bounds.emplace_back(nullptr, std::move(bound));
                if (!acceptOperator(",")) break;
            }
            expectOperator(")");
        }
        declared.type = parseAsType(&declared.isNew);
        return declared;
    }

    // "[Private] Type Name", a field on each line, "End Type".
    Module::RecordType parseType() {
        if (!accept("Private")) accept("Public");
        expectWord("Type");
        Module::RecordType type{identifier(), {}};
        for (;;) {
            skipSeparators();
            if (at(TokenKind::EndOfFile)) fail("Type without End Type");
            if (accept("End")) {
                expectWord("Type");
                return type;
            }
            type.fields.push_back(parseDeclared());
            if (!atStatementEnd()) fail("unexpected \"" + peek().text + "\"");
        }
    }

    std::vector<int> oneLineIfDepth_;

    void parseIf(Statement& s) {
        s.kind = Statement::Kind::If;
        next();
        s.conditions.push_back(parseExpression());
        expectWord("Then");
        if (!at(TokenKind::EndOfLine) && !at(TokenKind::EndOfFile)) {
            // One line: If c Then a: b Else c: d
            oneLineIfDepth_.push_back(1);
            struct Pop {
                std::vector<int>& v;
                ~Pop() { v.pop_back(); }
            } pop{oneLineIfDepth_};
            s.blocks.push_back(parseLineBlock());
            if (accept("Else")) s.blocks.push_back(parseLineBlock());
            return;
        }
        s.blocks.push_back(parseBlock({}));
        closeBlock(s, [&] {
            for (;;) {
                if (accept("ElseIf")) {
                    s.conditions.push_back(parseExpression());
                    expectWord("Then");
                    s.blocks.push_back(parseBlock({}));
                } else if (isWord("Else")) {
                    next();
                    s.blocks.push_back(parseBlock({}));
                } else {
                    break;
                }
            }
            expectWord("End");
            expectWord("If");
        });
    }

    // The statements of a one-line If's branch, up to Else or the line's end.
    Block parseLineBlock() {
        Block block;
        for (;;) {
            while (acceptOperator(":")) {}
            if (at(TokenKind::EndOfLine) || at(TokenKind::EndOfFile) || isWord("Else")) return block;
            if (at(TokenKind::Integer)) {  // "If x Then 100" is GoTo 100
                auto go = std::make_unique<Statement>();
                go->kind = Statement::Kind::GoTo;
                go->line = peek().line;
                go->text = next().text;
                block.push_back(std::move(go));
                continue;
            }
            block.push_back(parseStatement());
            if (!atStatementEnd()) fail("unexpected \"" + peek().text + "\"");
        }
    }

    void parseSelect(Statement& s) {
        s.kind = Statement::Kind::Select;
        next();
        expectWord("Case");
        s.value = parseExpression();
        skipSeparators();
        closeBlock(s, [&] { parseCases(s); });
    }

    void parseCases(Statement& s) {
        while (accept("Case")) {
            CaseBlock block;
            if (!accept("Else")) {
                do {
                    CaseClause clause;
                    if (accept("Is")) {
                        clause.kind = CaseClause::Kind::Is;
                        if (!at(TokenKind::Operator)) fail("expected a comparison after Is");
                        clause.comparison = next().text;
                        clause.from = parseExpression();
                    } else {
                        clause.from = parseExpression();
                        if (accept("To")) {
                            clause.kind = CaseClause::Kind::Range;
                            clause.to = parseExpression();
                        }
                    }
                    block.clauses.push_back(std::move(clause));
                } while (acceptOperator(","));
            }
            block.body = parseBlock({});
            s.cases.push_back(std::move(block));
        }
        expectWord("End");
        expectWord("Select");
    }

    void parseFor(Statement& s) {
        next();
        if (accept("Each")) {
            s.kind = Statement::Kind::ForEach;
            s.text = identifier();
            expectWord("In");
            s.value = parseExpression();
        } else {
            s.kind = Statement::Kind::For;
            s.text = identifier();
            expectOperator("=");
            s.from = parseExpression();
            expectWord("To");
            s.to = parseExpression();
            if (accept("Step")) s.step = parseExpression();
        }
        s.body = parseBlock({});
        closeBlock(s, [&] {
            expectWord("Next");
            // "Next i" closes this loop; "Next j, i" closing two at once is not read.
            if (at(TokenKind::Identifier)) {
                next();
                if (isOperator(",")) fail("\"Next\" closing several loops is not read");
            }
        });
    }

    void parseDo(Statement& s) {
        s.kind = Statement::Kind::Do;
        next();
        if (isWord("While") || isWord("Until")) {
            s.until = sameName(next().text, "Until");
            s.value = parseExpression();
        }
        s.body = parseBlock({});
        closeBlock(s, [&] {
            expectWord("Loop");
            if (isWord("While") || isWord("Until")) {
                if (s.value) fail("a Do loop tested at both ends");
                s.until = sameName(next().text, "Until");
                s.pre = false;
                s.value = parseExpression();
            }
        });
    }

    // Call arguments: in parentheses or, for a call statement, up to the statement's end.
    void parseArguments(std::vector<Argument>& arguments, bool parenthesized) {
        auto done = [&] { return parenthesized ? isOperator(")") : atStatementEnd(); };
        if (done()) return;
        for (;;) {
            Argument argument;
            if (at(TokenKind::Identifier) && isOperator(":=", 1)) {
                argument.name = lower(next().text);
                next();
            }
            if (!isOperator(",") && !done()) {
                accept("ByVal");
                argument.value = parseExpression();
            }
            arguments.push_back(std::move(argument));
            if (!acceptOperator(",")) break;
        }
    }

    ExpressionPtr make(Expression::Kind kind, std::string text = {}) {
        auto e = std::make_unique<Expression>();
        e->kind = kind;
        e->text = std::move(text);
        return e;
    }

    ExpressionPtr parseExpression() {
        const Deeper deeper(*this);
        return parseBinary(0);
    }

    // Binary operators by precedence, lowest first.
    static int precedence(const Token& token) {
        if (token.kind == TokenKind::Identifier) {
            const std::string word = lower(token.text);
            if (word == "imp") return 1;
            if (word == "eqv") return 2;
            if (word == "xor") return 3;
            if (word == "or") return 4;
            if (word == "and") return 5;
            if (word == "like" || word == "is" || word == "between" || word == "in") return 7;
            if (word == "mod") return 10;
            return -1;
        }
        if (token.kind != TokenKind::Operator) return -1;
        const std::string& op = token.text;
        if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") return 7;
        if (op == "&") return 8;
        if (op == "+" || op == "-") return 9;
        if (op == "\\") return 11;
        if (op == "*" || op == "/") return 12;
        if (op == "^") return 14;
        return -1;
    }

    ExpressionPtr parseBinary(int minimum) {
        ExpressionPtr left = parseUnary();
        for (int steps = 0;; ++steps) {
            const int p = precedence(peek());
            if (p < 0 || p < minimum) return left;
            // Each operator nests the tree one deeper, as parentheses do.
            if (depth_ + steps > kMaxNesting) fail("an expression too long");
            std::string op = lower(next().text);
            if ((op == "is" && (isWord("Null") || (isWord("Not") && isWord("Null", 1)))) || op == "between" ||
                op == "in") {
                left = accessComparison(op, std::move(left));
                continue;
            }
            ExpressionPtr right = parseBinary(p + 1);
            auto node = make(Expression::Kind::Binary, op);
            node->left = std::move(left);
            node->right = std::move(right);
            left = std::move(node);
        }
    }

    // Access's own comparisons, as macros' conditions write them: "x Is [Not] Null" (IsNull, where VBA's Is
    // compares objects only), "x Between a And b" and "x In (a, b, ...)", which VBA does not have. The last
    // two keep their bounds or list as arguments, so that x is read once.
    ExpressionPtr accessComparison(const std::string& op, ExpressionPtr operand) {
        if (op == "is") {
            const bool negated = accept("Not");
            next();  // Null
            auto test = make(Expression::Kind::Call);
            test->left = make(Expression::Kind::Name, "IsNull");
            test->flag = true;
            test->arguments.push_back({std::move(operand), {}});
            if (!negated) return test;
            auto node = make(Expression::Kind::Unary, "not");
            node->left = std::move(test);
            return node;
        }
        auto node = make(Expression::Kind::Binary, op);
        node->left = std::move(operand);
        if (op == "between") {
            node->arguments.push_back({parseBinaryAtLeast(6), {}});  // above And, which ends it
            expectWord("And");
            node->arguments.push_back({parseBinaryAtLeast(6), {}});
            return node;
        }
        expectOperator("(");
        do node->arguments.push_back({parseExpression(), {}});
        while (acceptOperator(","));
        expectOperator(")");
        return node;
    }

    ExpressionPtr parseUnary() {
        if (isWord("Not")) {
            next();
            auto node = make(Expression::Kind::Unary, "not");
            node->left = parseBinaryAtLeast(6);
            return node;
        }
        if (isOperator("-") || isOperator("+")) {
            const std::string op = next().text;
            auto node = make(Expression::Kind::Unary, op);
            node->left = parseBinaryAtLeast(13);  // -2 ^ 2 is -(2 ^ 2)
            return node;
        }
        if (isWord("TypeOf")) {
            next();
            auto node = make(Expression::Kind::TypeOfIs);
            node->left = parsePostfix(false);
            expectWord("Is");
            node->text = lower(identifier());
            while (acceptOperator(".")) node->text = lower(identifier());
            return node;
        }
        return parsePostfix(false);
    }
    ExpressionPtr parseBinaryAtLeast(int minimum) {
        const Deeper deeper(*this);
        return parseBinary(minimum);
    }

    ExpressionPtr parsePrimary() {
        const Token& token = peek();
        switch (token.kind) {
        case TokenKind::Integer:
        case TokenKind::Real:
        case TokenKind::String:
        case TokenKind::Date: {
            auto e = make(Expression::Kind::Literal, token.text);
            e->literalKind = static_cast<int>(token.kind);
            next();
            return e;
        }
        case TokenKind::Identifier: {
            const std::string word = lower(token.text);
            if (word == "me") {
                next();
                return make(Expression::Kind::Me);
            }
            if (word == "nothing") {
                next();
                return make(Expression::Kind::Nothing);
            }
            if (word == "new") {
                next();
                std::string type = identifier();
                while (acceptOperator(".")) type = identifier();  // VBA.Collection is a Collection
                return make(Expression::Kind::New, type);
            }
            next();
            return make(Expression::Kind::Name, token.text);
        }
        case TokenKind::Operator:
            if (token.text == "(") {
                next();
                ExpressionPtr inner = parseExpression();
                expectOperator(")");
                return inner;
            }
            if (token.text == "." || token.text == "!") return make(Expression::Kind::Name, "");  // With's object
            break;
        default:
            break;
        }
        fail(token.kind == TokenKind::EndOfLine || token.kind == TokenKind::EndOfFile
                 ? "the statement ends early"
                 : "unexpected \"" + token.text + "\"");
    }

    // A name with its members, bang names and calls. At a statement's start, "Name (x)" with a space
    // is the start of the arguments of a call without parentheses.
    ExpressionPtr parsePostfix(bool statementStart) {
        ExpressionPtr e = parsePrimary();
        for (int steps = 0;; ++steps) {
            if (steps > kMaxNesting) fail("a name too long");
            if (isOperator(".") || isOperator("!")) {
                const bool bang = next().text == "!";
                auto member = make(bang ? Expression::Kind::Bang : Expression::Kind::Member);
                if (!at(TokenKind::Identifier)) fail("expected a name after \"" + std::string(bang ? "!" : ".") + "\"");
                member->text = next().text;
                member->left = std::move(e);
                e = std::move(member);
                continue;
            }
            if (isOperator("(")) {
                if (statementStart && (e->kind == Expression::Kind::Name || e->kind == Expression::Kind::Member) &&
                    (peek().spaceBefore || !drawingMethod(*e).empty()))
                    return e;
                next();
                auto call = make(Expression::Kind::Call);
                call->flag = true;
                call->left = std::move(e);
                parseArguments(call->arguments, true);
                expectOperator(")");
                e = std::move(call);
                continue;
            }
            return e;
        }
    }
};

}  // namespace

Module parseModule(std::string_view name, std::string_view source) {
    Parser parser(source);
    return parser.parse(name);
}

}  // namespace platform::jet::vba

#pragma once

// The parsed form of a module: its declarations and procedures as plain trees.

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::jet::vba {

struct Expression;
using ExpressionPtr = std::unique_ptr<Expression>;

struct Argument {
    ExpressionPtr value;  // null where the argument is left out: "Line (0, 0)-(9, 9), , B"
    std::string name;     // "Buttons:=vbYesNo"
};

struct Expression {
    enum class Kind {
        Literal,   // text holds the token; literalKind says how to read it
        Name,      // a variable, constant, function or object: text
        Me,
        Nothing,
        Member,    // object.text
        Bang,      // object!text
        Call,      // target(arguments): a call, an index or a default member
        Unary,     // text: "-", "Not"
        Binary,    // text: the operator, lower case for words ("and", "mod", "like", "is", ...)
        TypeOfIs,  // TypeOf object Is text
        Point,     // [Step](x, y) of Line, Circle and PSet: step in flag
        New,       // New text: an object of that class
    };
    Kind kind = Kind::Literal;
    int literalKind = 0;  // a TokenKind for literals
    std::string text;
    ExpressionPtr left;   // the object, the target or the operand
    ExpressionPtr right;
    std::vector<Argument> arguments;
    bool flag = false;    // a Point's Step; a Call written with parentheses
};

struct Statement;
using Block = std::vector<std::unique_ptr<Statement>>;

struct Declared {
    std::string name;
    std::string type;  // lower case: "integer", "string", "variant" (also when not given), "control", ...
    bool isArray = false;
    bool isNew = false;  // As New: its object is made where it is first used
    std::vector<std::pair<ExpressionPtr, ExpressionPtr>> bounds;  // lower (may be null) and upper per dimension
    ExpressionPtr value;  // a Const's value
};

struct CaseClause {
    enum class Kind { Value, Range, Is };
    Kind kind = Kind::Value;
    std::string comparison;  // for Is: "=", "<>", "<", ...
    ExpressionPtr from, to;
};

struct CaseBlock {
    std::vector<CaseClause> clauses;  // empty for Case Else
    Block body;
};

struct Statement {
    enum class Kind {
        Declare,      // Dim, Static, Const, Private, Public, ReDim (flag: Preserve)
        Assign,       // target = value; flag for Set
        Call,         // call: a Call expression or a name or member
        If,           // conditions[i] selects blocks[i]; an Else is the last block without condition
        Select,
        For,          // name = from To to Step step
        ForEach,      // name In collection
        Do,           // condition tested before (pre) or after; until negates
        While,
        With,
        Exit,         // text: "sub", "function", "for", "do", "property"
        OnError,      // text: "resume next", "goto 0", "goto -1" or the label
        Resume,       // text: "", "next" or the label
        GoTo,         // text: the label
        Label,        // text: the label or line number
        Draw,         // Line, Circle, PSet on an object: text the method, arguments as given
        Print,        // object.Print items
        Stop,         // Stop, End: the procedure ends
        Skipped,      // Option, Attribute, Debug.Print, Beep, DoEvents: nothing to do
        Outside,      // a statement on files, the registry or other programs (text): noted, not run
        Unsupported,  // a statement the interpreter does not run: stops the procedure when reached
    };
    Kind kind = Kind::Skipped;
    int line = 0;
    std::string source;  // the statement's text, for messages
    std::string text;
    bool flag = false;
    bool declaredStatic = false;
    bool isPublic = false;  // a module's Public or Global declaration, an Enum not Private
    ExpressionPtr target, value, from, to, step;
    std::vector<ExpressionPtr> conditions;
    std::vector<Block> blocks;
    std::vector<CaseBlock> cases;
    std::vector<Declared> declared;
    bool until = false, pre = true;
    Block body;
};

struct Parameter {
    std::string name;
    std::string type;
    bool byVal = false;
    bool optional = false;
    bool paramArray = false;
    bool isArray = false;
    ExpressionPtr defaultValue;
};

struct Procedure {
    std::string name;
    std::string kind;  // "sub", "function", "property get", "property let", "property set"
    bool isStatic = false;
    bool isPrivate = false;  // reached from its own module only (expressions and queries never)
    std::string returnType;
    std::vector<Parameter> parameters;
    Block body;
    int line = 0;
};

struct Module {
    std::string name;
    Block declarations;  // module level Dim, Const, Private, Public, Global
    std::vector<std::unique_ptr<Procedure>> procedures;
    std::vector<std::string> problems;  // what did not parse, with its line
    // Type blocks: each a record's fields.
    struct RecordType {
        std::string name;
        std::vector<Declared> fields;
    };
    std::vector<RecordType> types;
    // Procedures of libraries outside the database (Declare), by lower-case name: the library's.
    std::vector<std::pair<std::string, std::string>> externals;
    bool optionExplicit = false;        // a name never declared is no variable
    bool standard = true;               // false for a class module (a report's or form's own among them)
};

}  // namespace platform::jet::vba

#pragma once

// What report code works on: its values, and the objects the host gives it (the report as Me, its
// controls and sections, the domain functions, the built-in functions). The host implements the
// interfaces; nothing here reaches outside the report.

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/query/Value.h"

namespace platform::jet::vba {

using query::Value;

class Object;
struct Array;

// A VBA Variant: Empty (a variable never assigned), a value (Null among them), an object (null for
// Nothing), an array, or a missing optional argument.
struct Variant {
    enum class Kind { Empty, Scalar, Object, Array, Missing };
    Kind kind = Kind::Empty;
    Value value;
    std::shared_ptr<Object> object;
    std::shared_ptr<Array> array;

    Variant() = default;
    Variant(Value v) : kind(Kind::Scalar), value(std::move(v)) {}  // NOLINT: values read as Variants
    static Variant of(std::shared_ptr<Object> o) {
        Variant v;
        v.kind = Kind::Object;
        v.object = std::move(o);
        return v;
    }
    bool isEmpty() const { return kind == Kind::Empty; }
    bool isNull() const { return kind == Kind::Scalar && value.isNull(); }
    bool isObject() const { return kind == Kind::Object; }
};

struct Array {
    std::vector<std::pair<long, long>> bounds;  // lower and upper per dimension
    std::vector<Variant> items;
    std::string type;  // each element's declared type
};

// An object report code can hold: the report, a control, a section, a collection. Members are found by
// name without regard to case; an answer of none means the object has no such member, which stops the
// procedure as code the interpreter cannot follow.
class Object {
  public:
    virtual ~Object() = default;
    virtual std::string typeName() const = 0;  // "TextBox", "Section", "Report", ...
    // A property, or a method called with arguments.
    virtual std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) = 0;
    virtual bool set(std::string_view name, const std::vector<Variant>& arguments, const Variant& value) = 0;
    // The default member: what "object(key)" and "object!key" mean.
    virtual std::optional<Variant> item(const Variant& key) { (void)key; return std::nullopt; }
    virtual bool setItem(const Variant& key, const Variant& value) { (void)key; (void)value; return false; }
    // What the object stands for in an expression (a control's Value); none when it is no value.
    virtual std::optional<Value> defaultValue() { return std::nullopt; }
    // What For Each walks over; none when it is no collection.
    virtual std::optional<std::vector<Variant>> elements() { return std::nullopt; }
    // A method's parameters in order, for arguments passed by name (Key:="x"); none takes no names.
    virtual std::vector<std::string_view> parameterNames(std::string_view method) const {
        (void)method;
        return {};
    }
};

// Thrown by an object for a call the report must not make, such as a write to the database: the
// statement is skipped and noted ("Recordset.AddNew writes to the database"), as calls reaching outside
// the report are.
struct SkippedCall {
    std::string what;
};

// A control of the report as its host keeps it. Properties are read and written by Access's names
// (Visible, Value, Caption, ForeColor, BackColor, BackStyle, FontBold, FontItalic, Left, Top, Width,
// Height, CanGrow, ...); none where the control has no such property.
class ReportControl {
  public:
    virtual ~ReportControl() = default;
    virtual std::string name() const = 0;
    virtual std::string controlType() const = 0;  // "TextBox", "Label", "Rectangle", "Line", ...
    virtual std::optional<Value> property(std::string_view name) const = 0;
    virtual bool setProperty(std::string_view name, const Value& value) = 0;
};

// A section: Visible, Height, BackColor, KeepTogether, ... and its controls.
class ReportSection {
  public:
    virtual ~ReportSection() = default;
    virtual std::optional<Value> property(std::string_view name) const = 0;
    virtual bool setProperty(std::string_view name, const Value& value) = 0;
    virtual std::vector<ReportControl*> controls() = 0;
};

// A point of Line, Circle or PSet as the code gives it: Step makes it relative to the last point drawn.
struct DrawPoint {
    double x = 0, y = 0;
    bool step = false;
};

struct LineDrawing {
    std::optional<DrawPoint> from;  // none: from the last point drawn
    DrawPoint to;
    std::optional<Value> color;     // none: the report's ForeColor
    bool box = false, filled = false;
};

struct CircleDrawing {
    DrawPoint center;
    double radius = 0;
    std::optional<Value> color;
    std::optional<double> start, end, aspect;
};

// The report running the code, as Me. Its properties include Page, Pages, FormatCount, PrintCount,
// MoveLayout, NextRecord, PrintSection, ScaleMode, ForeColor, DrawWidth, CurrentX, CurrentY.
class ReportHost {
  public:
    virtual ~ReportHost() = default;
    virtual std::string name() const = 0;
    virtual ReportControl* control(std::string_view name) = 0;
    virtual std::vector<ReportControl*> controls() = 0;
    // By number (0 the detail, acHeader 1, ...) or by name; null for none.
    virtual ReportSection* section(const Value& indexOrName) = 0;
    // A field of the record source that no control shows (Me!Field); none for none.
    virtual std::optional<Value> field(std::string_view name) = 0;
    virtual std::optional<Value> property(std::string_view name) = 0;
    virtual bool setProperty(std::string_view name, const Value& value) = 0;
    virtual void drawLine(const LineDrawing& line) = 0;
    virtual void drawCircle(const CircleDrawing& circle) = 0;
    virtual void drawPoint(const DrawPoint& point, const std::optional<Value>& color) = 0;
    virtual void print(std::string_view text) = 0;
    // Any other method of the report (TextWidth, TextHeight, Scale, ...); none when it has none such.
    virtual std::optional<Value> callMethod(std::string_view name, const std::vector<Value>& arguments) {
        (void)name;
        (void)arguments;
        return std::nullopt;
    }
    // A DoCmd action the host runs (OpenForm of a parameter dialog, CancelEvent); false when it does
    // not, and the call is then noted and skipped.
    virtual bool doCmd(std::string_view action, const std::vector<Value>& arguments) {
        (void)action;
        (void)arguments;
        return false;
    }
    // An object of the application the host answers (Forms, Reports, Screen); null for none.
    virtual std::shared_ptr<Object> applicationObject(std::string_view name) {
        (void)name;
        return nullptr;
    }
};

// DLookup, DCount, DSum, DAvg, DMin, DMax, DFirst, DLast over the database's tables and queries;
// none when the host cannot answer (the procedure stops there).
class DomainFunctions {
  public:
    virtual ~DomainFunctions() = default;
    virtual std::optional<Value> aggregate(std::string_view function, const Value& expression, const Value& domain,
                                           const Value& criteria) = 0;
};

// The database as DAO shows it to code, read-only: CurrentDb's OpenRecordset and QueryDefs, and
// CurrentProject's file. Each may throw std::exception saying why it cannot answer, which code sees as a
// run-time error.
class DatabaseRows {
  public:
    virtual ~DatabaseRows() = default;
    // The rows of a table, a saved query or SQL text.
    virtual query::RowSet rows(const std::string& source) = 0;
    // A saved query's SQL; none when it is not known (the code then stops there).
    virtual std::optional<std::string> querySql(const std::string& name) {
        (void)name;
        return std::nullopt;
    }
    // The database file's path as the user gave it; none when it is not known here.
    virtual std::optional<std::string> filePath() { return std::nullopt; }
    // Whether the form is open as the report prints: a dialog whose controls the run was given values for.
    virtual bool formOpen(const std::string& form) {
        (void)form;
        return false;
    }
};

// Access's built-in functions (Left, Format, DateAdd, CInt, ...), the same the query engine runs:
// none for a function it does not have. May throw std::exception for an invalid call, which code
// sees as run-time error 5.
class FunctionLibrary {
  public:
    virtual ~FunctionLibrary() = default;
    virtual std::optional<Value> call(std::string_view name, const std::vector<Value>& arguments) = 0;
};

}  // namespace platform::jet::vba

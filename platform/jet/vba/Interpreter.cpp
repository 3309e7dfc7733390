#include "platform/jet/vba/Interpreter.h"

#include <algorithm>
#include <charconv>
#include <cctype>
#include <cmath>
#include <set>
#include <unordered_map>

#include "base/DayNumbers.h"
#include "platform/jet/vba/Collection.h"
#include "platform/jet/vba/Dao.h"
#include "platform/jet/vba/Lexer.h"
#include "platform/jet/vba/Parser.h"
#include "platform/jet/vba/ReportObjects.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

// Names as the interpreter keys them: lower case, Left$ as Left.
std::string lower(std::string_view text) {
    std::string out = lowerName(text);
    if (!out.empty() && out.back() == '$') out.pop_back();
    return out;
}

// Ends the procedure: code the interpreter does not follow, or a limit reached. Not trappable.
struct Stopped {
    std::string reason;
};
// A call reaching outside the report: its statement is skipped and noted.
struct Skipped {
    std::string what;
};

struct Slot {
    Variant value;
    std::string type = "variant";
    bool constant = false;
    bool autoNew = false;  // As New: an object of its type is made when it is used holding none
};
using SlotPtr = std::shared_ptr<Slot>;

enum class Flow { Normal, ExitProcedure, ExitFor, ExitDo, GoTo, Resume, ResumeNext, End };

struct Frame {
    const Procedure* procedure = nullptr;
    std::size_t module = 0;
    std::unordered_map<std::string, SlotPtr> locals;
    std::vector<Variant> with;
    enum class OnError { None, ResumeNext, GoTo } onError = OnError::None;
    std::string handler;
    bool inHandler = false;
    std::string label;  // the label a GoTo or Resume seeks
    const Block* errorBlock = nullptr;
    std::size_t errorIndex = 0;
    const Statement* current = nullptr;
    long lineNumber = 0;  // of the last numbered line run, for Erl
};

// Constants code uses without declaring them.
const std::unordered_map<std::string, Value>& constants() {
    static const std::unordered_map<std::string, Value> table = [] {
        std::unordered_map<std::string, Value> t;
        auto whole = [&](const char* name, std::int64_t v) { t.emplace(name, Value(v)); };
        t.emplace("true", Value(true));
        t.emplace("false", Value(false));
        t.emplace("null", Value());
        t.emplace("vbcrlf", Value(std::string("\r\n")));
        t.emplace("vbnewline", Value(std::string("\r\n")));
        t.emplace("vbcr", Value(std::string("\r")));
        t.emplace("vblf", Value(std::string("\n")));
        t.emplace("vbtab", Value(std::string("\t")));
        t.emplace("vbnullstring", Value(std::string()));
        t.emplace("vbnullchar", Value(std::string(1, '\0')));
        for (auto [name, v] : std::initializer_list<std::pair<const char*, std::int64_t>>{
                 {"vbblack", 0},         {"vbred", 0xFF},          {"vbgreen", 0xFF00},     {"vbyellow", 0xFFFF},
                 {"vbblue", 0xFF0000},   {"vbmagenta", 0xFF00FF}, {"vbcyan", 0xFFFF00},    {"vbwhite", 0xFFFFFF},
                 {"vbokonly", 0},        {"vbokcancel", 1},        {"vbabortretryignore", 2}, {"vbyesnocancel", 3},
                 {"vbyesno", 4},         {"vbretrycancel", 5},     {"vbcritical", 16},      {"vbquestion", 32},
                 {"vbexclamation", 48},  {"vbinformation", 64},    {"vbdefaultbutton1", 0}, {"vbdefaultbutton2", 256},
                 {"vbdefaultbutton3", 512}, {"vbok", 1},          {"vbcancel", 2},         {"vbabort", 3},
                 {"vbretry", 4},         {"vbignore", 5},          {"vbyes", 6},            {"vbno", 7},
                 {"vbsunday", 1},        {"vbmonday", 2},          {"vbtuesday", 3},        {"vbwednesday", 4},
                 {"vbthursday", 5},      {"vbfriday", 6},          {"vbsaturday", 7},       {"vbusesystemdayofweek", 0},
                 {"vbfirstjan1", 1},     {"vbbinarycompare", 0},   {"vbtextcompare", 1},    {"vbdatabasecompare", 2},
                 {"vbuppercase", 1},     {"vblowercase", 2},       {"vbpropercase", 3},     {"vbtwips", 1},
                 {"vbpoints", 2},        {"vbpixels", 3},          {"vbcharacters", 4},     {"vbinches", 5},
                 {"vbmillimeters", 6},   {"vbcentimeters", 7},     {"vbempty", 0},          {"vbnull", 1},
                 {"vbinteger", 2},       {"vblong", 3},            {"vbsingle", 4},         {"vbdouble", 5},
                 {"vbcurrency", 6},      {"vbdate", 7},            {"vbstring", 8},         {"vbobject", 9},
                 {"vbboolean", 11},      {"vbvariant", 12},        {"vbdecimal", 14},       {"vbbyte", 17},
                 {"vbarray", 8192},      {"acdetail", 0},          {"acheader", 1},         {"acfooter", 2},
                 {"acpageheader", 3},    {"acpagefooter", 4},      {"acgrouplevel1header", 5},
                 {"acgrouplevel1footer", 6}, {"acgrouplevel2header", 7}, {"acgrouplevel2footer", 8},
                 {"acnormal", 0},        {"acdesign", 1},          {"acpreview", 2},        {"acviewnormal", 0},
                 {"acviewdesign", 1},    {"acviewpreview", 2},     {"acdialog", 3},         {"acwindownormal", 0},
                 {"achidden", 1},        {"acicon", 2},            {"actextbox", 109},      {"aclabel", 100},
                 {"acrectangle", 101},   {"acline", 102},          {"accheckbox", 106},     {"accombobox", 111},
                 {"acform", 2},          {"acreport", 3},          {"actable", 0},          {"acquery", 1},
                 {"accurviewdesign", 0}, {"accurviewformbrowse", 1}, {"accurviewdatasheet", 2},
                 // DAO's, for OpenRecordset and Execute.
                 {"dbopentable", 1},     {"dbopendynaset", 2},     {"dbopensnapshot", 4},   {"dbopenforwardonly", 8},
                 {"dbopendynamic", 16},  {"dbdenywrite", 1},       {"dbdenyread", 2},       {"dbreadonly", 4},
                 {"dbappendonly", 8},    {"dbfailonerror", 128},   {"dbseechanges", 512},   {"dbpessimistic", 2},
                 {"dboptimistic", 3}})
            whole(name, v);
        return t;
    }();
    return table;
}

// Names that reach outside the report: files, the shell, the registry, automation, the keyboard.
bool reachesOutside(const std::string& name) {
    static const std::set<std::string> names = {
        "createobject", "getobject", "shell", "environ", "dir", "filelen", "filedatetime", "freefile", "curdir",
        "getsetting", "getallsettings", "savesetting", "deletesetting", "sendkeys", "kill", "filecopy",
        "mkdir", "rmdir", "appactivate", "callbyname", "loadpicture", "savepicture", "dde", "ddeinitiate",
        "followhyperlink", "hyperlink"};
    return names.count(name) != 0;
}

// The answer MsgBox gives without a user: its default button.
std::int64_t defaultAnswer(std::int64_t buttons) {
    static const std::vector<std::vector<std::int64_t>> answers = {{1}, {1, 2}, {3, 4, 5}, {6, 7, 2}, {6, 7}, {4, 2}};
    const auto set = static_cast<std::size_t>(buttons & 0xF);
    if (set >= answers.size()) return 1;
    const auto index = static_cast<std::size_t>((buttons >> 8) & 0x3);
    const auto& row = answers[set];
    return row[std::min(index, row.size() - 1)];
}

class ErrObject : public Object {
  public:
    long number = 0;
    std::string description;
    long line = 0;  // Erl: the last line number passed before the error, 0 where the code has none
    // As Access clears it at each On Error, Resume, Exit Sub and Exit Function, and at Err.Clear.
    void clear() {
        number = 0;
        description.clear();
        line = 0;
    }
    std::string typeName() const override { return "ErrObject"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lower(name);
        if (n == "number") return Variant(Value(static_cast<std::int64_t>(number)));
        if (n == "description") return Variant(Value(description));
        if (n == "source") return Variant(Value(std::string("Report code")));
        if (n == "clear") {
            clear();
            return Variant();
        }
        if (n == "raise" && !arguments.empty()) {
            const long code = static_cast<long>(std::clamp<std::int64_t>(toWhole(arguments[0]), -2147483648LL, 2147483647LL));
            std::string text = arguments.size() > 2 && !arguments[2].isEmpty() && arguments[2].kind != Variant::Kind::Missing
                                   ? toText(arguments[2])
                                   : "";
            if (text.empty()) {
                try {
                    raise(code);
                } catch (const RuntimeError& e) {
                    text = e.description;
                }
            }
            throw RuntimeError{code, text};
        }
        return std::nullopt;
    }
    bool set(std::string_view name, const std::vector<Variant>&, const Variant& value) override {
        if (sameName(name, "Number")) number = static_cast<long>(std::clamp<std::int64_t>(toWhole(value), -2147483648LL, 2147483647LL));
        else if (sameName(name, "Description")) description = toText(value);
        else return false;
        return true;
    }
    std::optional<Value> defaultValue() override { return Value(static_cast<std::int64_t>(number)); }
};

// Nothing of the host: code run without a report or domain still runs what does not need them.
struct ArgumentIn {
    Variant value;
    SlotPtr reference;  // a variable passed ByRef
    bool missing = false;
    std::string name;
};

// A variable of a module's Type: its fields by name. Assignment copies it whole, as VBA copies records.
class Record : public Object {
  public:
    struct Field {
        std::string name, type;
        Variant value;
    };
    Record(std::string type, std::vector<Field> fields) : type_(std::move(type)), fields_(std::move(fields)) {}
    std::string typeName() const override { return type_; }
    std::size_t size() const { return fields_.size(); }

    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        Field* f = find(name);
        if (!f) return std::nullopt;
        if (arguments.empty()) return f->value;
        if (f->value.kind != Variant::Kind::Array) return std::nullopt;
        return f->value.array->items[offset(*f->value.array, arguments)];
    }
    bool set(std::string_view name, const std::vector<Variant>& arguments, const Variant& value) override {
        Field* f = find(name);
        if (!f) return false;
        if (arguments.empty()) {
            f->value = assigned(value, f->type);
        } else {
            if (f->value.kind != Variant::Kind::Array) return false;
            Array& array = *f->value.array;
            array.items[offset(array, arguments)] = assigned(value, array.type);
        }
        return true;
    }

    static Variant copied(const Variant& v) {
        if (v.kind == Variant::Kind::Array && v.array) {
            Variant out = v;
            out.array = std::make_shared<Array>(*v.array);
            for (Variant& item : out.array->items) item = copied(item);
            return out;
        }
        if (auto* record = dynamic_cast<Record*>(v.object.get())) {
            auto copy = std::make_shared<Record>(*record);
            for (Field& f : copy->fields_) f.value = copied(f.value);
            return Variant::of(copy);
        }
        return v;
    }
    // What a field or variable of the type holds after "= value".
    static Variant assigned(const Variant& value, const std::string& type) {
        if (auto* record = dynamic_cast<Record*>(value.object.get())) {
            if (type != "variant" && type != lower(record->typeName())) raise(13);
            return copied(value);
        }
        if (value.kind == Variant::Kind::Array) return value;
        return type == "variant" ? valueOf(value) : coerce(value, type);
    }

    static std::size_t offset(const Array& array, const std::vector<Variant>& indexes) {
        if (indexes.size() != array.bounds.size()) raise(9);
        std::size_t at = 0;
        for (std::size_t d = 0; d < indexes.size(); ++d) {
            const double i = std::nearbyint(toDouble(indexes[d]));
            const auto [low, high] = array.bounds[d];
            if (i < low || i > high) raise(9);
            at = at * static_cast<std::size_t>(high - low + 1) + static_cast<std::size_t>(i - low);
        }
        return at;
    }

  private:
    Field* find(std::string_view name) {
        for (Field& f : fields_)
            if (sameName(f.name, name)) return &f;
        return nullptr;
    }
    std::string type_;
    std::vector<Field> fields_;
};

}  // namespace

constexpr std::size_t kMaxMacroTexts = 4096;
// Notes outlive each call's budget: a message box's text of megabytes, noted again and again, would
// otherwise hold them all.
constexpr std::size_t kMaxNoteBytes = 1000;

struct Interpreter::State {
    struct ModuleState {
        Module module;
        std::unordered_map<std::string, SlotPtr> variables;
        std::set<std::string> publicNames;
        bool isReport = false;
    };
    std::vector<ModuleState> modules;
    std::unordered_map<std::string, std::pair<std::size_t, const Procedure*>> procedures;
    std::map<const Procedure*, std::unordered_map<std::string, SlotPtr>> statics;
    Services services;
    RunLimits limits;
    std::shared_ptr<Object> me;
    std::shared_ptr<ErrObject> err = std::make_shared<ErrObject>();
    std::shared_ptr<Object> tempVars = tempVariables();
    std::vector<std::string> notes;
    std::set<std::string> noted;
    // Macros' expressions and targets, each parsed once into a procedure of a module of their own, which
    // reaches the report's members as the report's own module does.
    std::size_t macroModule = 0;
    std::unordered_map<std::string, Module> macroTexts;
    std::vector<Frame*> frames;
    std::uint64_t statements = 0;
    std::uint64_t runStatements = 0;  // never reset: the run's budget
    std::size_t made = 0;
    int nesting = 0;
    // Where the innermost statement of a call that failed is: set as the failure leaves it.
    struct Failure {
        bool set = false;
        std::string procedure, source;
        int line = 0;
    } failure;
    void failedAt(const Frame& frame, const Statement& s) {
        if (failure.set) return;
        failure = {true, frame.procedure ? frame.procedure->name : std::string(), s.source, s.line};
    }

    struct Nest {
        State& state;
        explicit Nest(State& s) : state(s) {
            if (++state.nesting > state.limits.maxNesting) {
                --state.nesting;
                throw Stopped{"nested too deeply"};
            }
        }
        ~Nest() { --state.nesting; }
        Nest(const Nest&) = delete;
        Nest& operator=(const Nest&) = delete;
    };

    CallResult run(const Procedure& procedure, std::size_t module, std::vector<Value>& arguments, bool noteStop);
    const Procedure* macroProcedure(std::string_view text, bool target);

    void note(std::string text) {
        if (text.size() > kMaxNoteBytes) {
            std::size_t cut = kMaxNoteBytes;
            while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;  // a whole character
            text = text.substr(0, cut) + "...";
        }
        if (notes.size() < 200 && noted.insert(text).second) notes.push_back(std::move(text));
    }

    // ---- names ----

    SlotPtr variable(Frame& frame, const std::string& name) {
        SlotPtr slot = declaredVariable(frame, name);
        if (slot && slot->autoNew && !(slot->value.isObject() && slot->value.object)) slot->value = newObject(slot->type);
        return slot;
    }
    SlotPtr declaredVariable(Frame& frame, const std::string& name) {
        if (auto it = frame.locals.find(name); it != frame.locals.end()) return it->second;
        auto& own = modules[frame.module].variables;
        if (auto it = own.find(name); it != own.end()) return it->second;
        for (auto& m : modules)
            if (m.publicNames.count(name)) return m.variables[name];
        return nullptr;
    }

    // New of a class: VBA's Collection; class modules and outside classes are not made here.
    static Variant newObject(const std::string& type) {
        if (sameName(type, "collection")) return Variant::of(newCollection());
        throw Stopped{"New " + type + " makes an object of a class the report's code cannot make"};
    }

    const Procedure* procedure(const std::string& name, std::size_t* module = nullptr) {
        auto it = procedures.find(name);
        if (it == procedures.end()) return nullptr;
        if (module) *module = it->second.first;
        return it->second.second;
    }

    bool implicitMe(const Frame& frame) const { return me && modules[frame.module].isReport; }

    // ---- declarations ----

    // A new variable's value: Empty, 0 or "" as its type has it, or a record of a module's Type.
    Variant initial(const std::string& type) {
        const Module::RecordType* record = nullptr;
        for (const auto& m : modules)
            for (const auto& t : m.module.types)
                if (lower(t.name) == type) record = &t;
        if (!record) return initialValue(type);
        // A Type holding itself, as VBA does not allow, would never end.
        struct Deeper {
            int& depth;
            ~Deeper() { --depth; }
        } deeper{++recordDepth};
        if (recordDepth > 16) throw Stopped{"the Type " + record->name + " holds itself"};
        std::vector<Record::Field> fields;
        for (const Declared& d : record->fields) fields.push_back({d.name, d.type, newValue(d, nullptr)});
        work(fields.size() * sizeof(Record::Field));
        return Variant::of(std::make_shared<Record>(record->name, std::move(fields)));
    }
    int recordDepth = 0;

    Variant newValue(const Declared& d, Frame* frame) {
        if (!d.isArray) return initial(d.type);
        auto array = std::make_shared<Array>();
        array->type = d.type;
        if (!d.bounds.empty()) dimension(*array, d.bounds, frame, false);
        Variant v;
        v.kind = Variant::Kind::Array;
        v.array = array;
        return v;
    }

    void dimension(Array& array, const std::vector<std::pair<ExpressionPtr, ExpressionPtr>>& bounds, Frame* frame,
                   bool preserve) {
        std::vector<std::pair<long, long>> b;
        std::size_t count = 1;
        for (const auto& [low, high] : bounds) {
            const long l = low ? static_cast<long>(std::clamp<std::int64_t>(toWhole(evaluate(*low, frame)), -1000000000, 1000000000)) : 0;
            const long h = static_cast<long>(std::clamp<std::int64_t>(toWhole(evaluate(*high, frame)), -1000000000, 1000000000));
            if (h < l - 1 || h - l + 1 > static_cast<long>(limits.maxArrayElements)) raise(9);
            count *= static_cast<std::size_t>(h - l + 1);
            if (count > limits.maxArrayElements) throw Stopped{"an array larger than " + std::to_string(limits.maxArrayElements) + " elements"};
            b.emplace_back(l, h);
        }
        work(count * sizeof(Variant));
        std::vector<Variant> items(count, initial(array.type));
        if (items.size() > 0 && items[0].isObject())
            for (Variant& item : items) item = Record::copied(item);  // each element a record of its own
        if (preserve)
            for (std::size_t i = 0; i < std::min(count, array.items.size()); ++i) items[i] = array.items[i];
        array.bounds = std::move(b);
        array.items = std::move(items);
    }

    void declare(const Statement& s, Frame* frame, std::unordered_map<std::string, SlotPtr>& into, bool isPublic,
                 std::set<std::string>* publicNames) {
        for (const Declared& d : s.declared) {
            const std::string name = lower(d.name);
            if (s.text == "redim") {
                SlotPtr slot = frame ? variable(*frame, name) : nullptr;
                if (!slot) {
                    slot = std::make_shared<Slot>();
                    into[name] = slot;
                }
                if (slot->value.kind != Variant::Kind::Array || !slot->value.array) {
                    slot->value.kind = Variant::Kind::Array;
                    slot->value.array = std::make_shared<Array>();
                    slot->value.array->type = d.type;
                }
                dimension(*slot->value.array, d.bounds, frame, s.flag);
                continue;
            }
            auto slot = std::make_shared<Slot>();
            slot->type = d.type;
            slot->autoNew = d.isNew;
            if (s.text == "const") {
                slot->value = d.value ? coerce(evaluate(*d.value, frame), d.type) : Variant();
                slot->constant = true;
            } else {
                slot->value = newValue(d, frame);
            }
            into[name] = slot;
            if (isPublic && publicNames) publicNames->insert(name);
        }
    }

    // ---- expressions ----

    Variant evaluate(const Expression& e, Frame* frame) {
        Nest nest(*this);
        using K = Expression::Kind;
        switch (e.kind) {
        case K::Literal: return literal(e);
        case K::Me:
            if (!me) throw Stopped{"Me is no report here"};
            return Variant::of(me);
        case K::Nothing: return Variant::of(nullptr);
        case K::New: return newObject(e.text);
        case K::Name: return name(e, frame);
        case K::Member: {
            if (e.left->kind == K::Name && !frame) throw Stopped{"a module's declarations use an object"};
            if (e.left->kind == K::Name && sameName(e.left->text, "DoCmd")) return doCmd(e.text, {}, frame);
            const Variant object = objectOf(*e.left, frame);
            if (auto v = object.object->get(e.text, {})) return *v;
            throw Stopped{object.object->typeName() + " has no member " + e.text};
        }
        case K::Bang: {
            const Variant object = objectOf(*e.left, frame);
            if (auto v = object.object->item(Value(e.text))) return *v;
            throw Stopped{object.object->typeName() + " has no item " + e.text};
        }
        case K::Call: return call(e, frame);
        case K::Unary: return unary(e.text, evaluate(*e.left, frame));
        case K::Binary: {
            if (e.text == "between" || e.text == "in") return accessComparison(e, frame);
            const Variant a = evaluate(*e.left, frame);
            const Variant b = evaluate(*e.right, frame);
            return charged(binary(e.text, a, b));
        }
        case K::TypeOfIs: {
            const Variant object = evaluate(*e.left, frame);
            if (!object.isObject()) raise(424);
            if (!object.object) raise(91);
            const std::string type = lower(object.object->typeName());
            return Value(type == e.text || e.text == "control" || e.text == "object");
        }
        case K::Point: break;
        }
        throw Stopped{"a point where a value belongs"};
    }

    // x Between a And b, x In (a, b, ...): x read once; Null as the comparisons make it.
    Variant accessComparison(const Expression& e, Frame* frame) {
        const Variant x = evaluate(*e.left, frame);
        const auto operand = [&](std::size_t i) { return evaluate(*e.arguments[i].value, frame); };
        if (e.text == "between")
            return binary("and", binary(">=", x, operand(0)), binary("<=", x, operand(1)));
        Variant found = Value(false);
        for (std::size_t i = 0; i < e.arguments.size(); ++i) found = binary("or", found, binary("=", x, operand(i)));
        return found;
    }

    static Variant literal(const Expression& e) {
        switch (static_cast<TokenKind>(e.literalKind)) {
        case TokenKind::String: return Value(e.text);
        case TokenKind::Integer: {
            std::int64_t v = 0;
            if (e.text.size() > 2 && e.text[0] == '&') {
                const int base = e.text[1] == 'H' ? 16 : 8;
                const unsigned long long u = std::strtoull(e.text.c_str() + 2, nullptr, base);
                // &HFFFF is -1, as a 16-bit Integer literal; &HFFFFFFFF too, as a Long.
                if (e.text.size() <= 6 && u <= 0xFFFF) v = static_cast<std::int16_t>(u);
                else v = static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
            } else {
                const double d = std::strtod(e.text.c_str(), nullptr);
                if (d > 9.2e18) return Value(d);
                v = static_cast<std::int64_t>(d);
            }
            return Value(v);
        }
        case TokenKind::Real: return Value(std::strtod(e.text.c_str(), nullptr));
        case TokenKind::Date:
            if (auto day = base::parseDate(e.text)) return Value(query::Date{*day});
            raise(13);
        default: break;
        }
        return Variant();
    }

    Variant withObject(Frame* frame) {
        if (!frame || frame->with.empty()) throw Stopped{"\".\" outside a With block"};
        return frame->with.back();
    }

    // An expression that must be an object.
    Variant objectOf(const Expression& e, Frame* frame) {
        Variant v = e.kind == Expression::Kind::Name && e.text.empty() ? withObject(frame) : evaluate(e, frame);
        if (!v.isObject()) raise(424);
        if (!v.object) raise(91);
        return v;
    }

    Variant name(const Expression& e, Frame* frame) {
        if (e.text.empty()) return withObject(frame);
        const std::string n = lower(e.text);
        if (frame)
            if (SlotPtr slot = variable(*frame, n)) return charged(slot->value);
        if (!frame)
            for (auto& m : modules)
                if (auto it = m.variables.find(n); it != m.variables.end()) return charged(it->second->value);
        if (auto it = constants().find(n); it != constants().end()) return it->second;
        if (n == "empty") return Variant();
        if (n == "err") return Variant::of(err);
        if (n == "erl") return Variant(Value(static_cast<std::int64_t>(err->line)));
        if (!frame) throw Stopped{"unknown name " + e.text};
        std::vector<ArgumentIn> none;
        return callNamed(e.text, none, frame, false);
    }

    Variant call(const Expression& e, Frame* frame) {
        const Expression& target = *e.left;
        using K = Expression::Kind;
        if (!frame) throw Stopped{"a module's declarations call " + target.text};
        if (target.kind == K::Name && !target.text.empty()) {
            const std::string n = lower(target.text);
            // An array variable indexed.
            if (SlotPtr slot = variable(*frame, n); slot && slot->value.kind == Variant::Kind::Array) {
                return element(*slot->value.array, e.arguments, frame);
            }
            if (SlotPtr slot = variable(*frame, n); slot && slot->value.isObject() && slot->value.object) {
                std::vector<Variant> args = values(e.arguments, frame);
                if (args.size() == 1)
                    if (auto v = slot->value.object->item(args[0])) return *v;
                throw Stopped{target.text + " is indexed as it cannot be"};
            }
            std::vector<ArgumentIn> args = arguments(e.arguments, frame, procedure(n) != nullptr);
            return callNamed(target.text, args, frame, true);
        }
        if (target.kind == K::Member) {
            if (target.left->kind == K::Name && sameName(target.left->text, "DoCmd"))
                return doCmd(target.text, values(e.arguments, frame), frame);
            const Variant object = objectOf(*target.left, frame);
            const std::vector<Variant> args = placed(*object.object, target.text, e.arguments, frame);
            if (auto v = object.object->get(target.text, args)) return *v;
            throw Stopped{object.object->typeName() + " has no member " + target.text};
        }
        // A default member: Me("Name"), Me.Section(0).Controls(1), Forms("X")
        const Variant object = evaluate(target, frame);
        if (object.kind == Variant::Kind::Array) return element(*object.array, e.arguments, frame);
        if (!object.isObject()) raise(13);
        if (!object.object) raise(91);
        const std::vector<Variant> args = values(e.arguments, frame);
        if (args.size() == 1)
            if (auto v = object.object->item(args[0])) return *v;
        throw Stopped{object.object->typeName() + " has no such item"};
    }

    std::vector<Variant> values(const std::vector<Argument>& in, Frame* frame) {
        std::vector<Variant> out;
        for (const Argument& a : in) {
            if (a.value) out.push_back(evaluate(*a.value, frame));
            else {
                Variant missing;
                missing.kind = Variant::Kind::Missing;
                out.push_back(missing);
            }
        }
        return out;
    }

    // A method's arguments where its parameters stand, those passed by name among them; Missing between.
    std::vector<Variant> placed(const Object& object, const std::string& method, const std::vector<Argument>& in,
                                Frame* frame) {
        std::vector<Variant> out = values(in, frame);
        if (std::none_of(in.begin(), in.end(), [](const Argument& a) { return !a.name.empty(); })) return out;
        const std::vector<std::string_view> names = object.parameterNames(method);
        std::vector<Variant> at;
        for (std::size_t i = 0; i < in.size(); ++i) {
            std::size_t place = i;
            if (!in[i].name.empty()) {
                const auto named = std::find_if(names.begin(), names.end(),
                                                [&](std::string_view n) { return sameName(n, in[i].name); });
                if (named == names.end())
                    throw Stopped{object.typeName() + "." + method + " has no argument named " + in[i].name};
                place = static_cast<std::size_t>(named - names.begin());
            }
            if (at.size() <= place) {
                Variant missing;
                missing.kind = Variant::Kind::Missing;
                at.resize(place + 1, missing);
            }
            at[place] = out[i];
        }
        return at;
    }

    std::vector<ArgumentIn> arguments(const std::vector<Argument>& in, Frame* frame, bool byReference) {
        std::vector<ArgumentIn> out;
        for (const Argument& a : in) {
            ArgumentIn arg;
            arg.name = a.name;
            if (!a.value) {
                arg.missing = true;
            } else if (byReference && a.value->kind == Expression::Kind::Name && !a.value->text.empty()) {
                arg.reference = variable(*frame, lower(a.value->text));
                if (arg.reference && arg.reference->constant) arg.reference = nullptr;
                arg.value = arg.reference ? arg.reference->value : evaluate(*a.value, frame);
            } else {
                arg.value = evaluate(*a.value, frame);
            }
            out.push_back(std::move(arg));
        }
        return out;
    }

    static std::size_t offset(const Array& array, const std::vector<Variant>& indexes) {
        return Record::offset(array, indexes);
    }

    Variant element(Array& array, const std::vector<Argument>& args, Frame* frame) {
        return array.items[offset(array, values(args, frame))];
    }

    static Value plain(const Variant& v) {
        if (v.kind == Variant::Kind::Missing) return Value();
        const Variant x = valueOf(v);
        return x.isEmpty() ? Value(std::string()) : x.value;
    }
    static bool given(const std::vector<Variant>& args, std::size_t i) {
        return i < args.size() && args[i].kind != Variant::Kind::Missing;
    }

    Variant doCmd(const std::string& action, const std::vector<Variant>& args, Frame*) {
        std::vector<Value> plainArgs;
        for (const Variant& a : args) plainArgs.push_back(plain(a));
        if (services.report && services.report->doCmd(action, plainArgs)) return Variant();
        throw Skipped{"DoCmd." + action};
    }

    Variant callNamed(const std::string& original, std::vector<ArgumentIn>& args, Frame* frame, bool parenthesized) {
        const std::string n = lower(original);
        std::size_t module = 0;
        if (const Procedure* p = procedure(n, &module)) return invoke(*p, module, args);
        for (const auto& m : modules)
            for (const auto& [name, library] : m.module.externals)
                if (name == n) throw Stopped{original + " is a procedure of " + library + ", outside the database"};
        if (reachesOutside(n)) throw Skipped{original};
        std::vector<Variant> vs;
        for (const ArgumentIn& a : args) {
            if (a.missing) {
                Variant m;
                m.kind = Variant::Kind::Missing;
                vs.push_back(m);
            } else {
                vs.push_back(a.value);
            }
        }
        if (auto v = intrinsic(n, vs, original)) return *v;
        if (n == "docmd") throw Skipped{"DoCmd"};
        if (auto object = databaseObject(n, original)) {
            if (vs.size() == 1)
                if (auto v = object->item(vs[0])) return *v;
            if (vs.empty()) return Variant::of(object);
            raise(450);
        }
        if (services.functions) {
            std::vector<Value> plainArgs;
            for (const Variant& a : vs) plainArgs.push_back(charged(plain(a)).value);
            std::optional<Value> result;
            try {
                result = services.functions->call(n, plainArgs);
            } catch (const RuntimeError&) {
                throw;
            } catch (const std::exception& e) {
                throw RuntimeError{5, e.what()};
            }
            if (result) return charged(*result);
        }
        if (implicitMe(*frame)) {
            if (auto v = me->get(original, vs)) return *v;
            if (vs.empty())
                if (auto v = me->item(Value(original))) return *v;
        }
        std::shared_ptr<Object> object = services.report ? services.report->applicationObject(original) : nullptr;
        if (!object && n == "tempvars") object = tempVars;
        if (!object) object = noneOpen(n);
        if (object) {
            if (vs.size() == 1)
                if (auto v = object->item(vs[0])) return *v;
            if (vs.empty()) return Variant::of(object);
        }
        if (!parenthesized && args.empty() && !modules[frame->module].module.optionExplicit) {
            // A variable never declared: Empty, as modules without Option Explicit have it.
            auto slot = std::make_shared<Slot>();
            frame->locals[n] = slot;
            return slot->value;
        }
        throw Stopped{"unknown " + std::string(parenthesized || !args.empty() ? "function " : "name ") + original};
    }

    // CurrentDb, DBEngine, CurrentProject and Application (when the host has none of its own); null for
    // other names.
    std::shared_ptr<Object> databaseObject(const std::string& n, const std::string& original) {
        if (n == "application") {
            if (services.report)
                if (auto own = services.report->applicationObject(original)) return own;
            return applicationObject(services.database, services.report, tempVars);
        }
        if (n != "currentdb" && n != "dbengine" && n != "currentproject") return nullptr;
        if (!services.database) throw Stopped{original + " has no database to ask"};
        return daoObject(n, *services.database);
    }

    // Functions of the language itself rather than of Access's expressions.
    std::optional<Variant> intrinsic(const std::string& n, const std::vector<Variant>& a, const std::string& original) {
        auto need = [&](std::size_t count) {
            if (a.size() < count) raise(5);
        };
        if (n == "isnull") return need(1), Variant(Value(a[0].isNull() || (a[0].isObject() && a[0].object && valueOf(a[0]).isNull())));
        if (n == "isempty") return need(1), Variant(Value(a[0].isEmpty()));
        if (n == "ismissing") return need(1), Variant(Value(a[0].kind == Variant::Kind::Missing));
        if (n == "isobject") return need(1), Variant(Value(a[0].isObject()));
        if (n == "isarray") return need(1), Variant(Value(a[0].kind == Variant::Kind::Array));
        if (n == "isnumeric") return need(1), Variant(Value(isNumeric(a[0].isObject() ? valueOf(a[0]) : a[0])));
        if (n == "typename") return need(1), Variant(Value(typeName(a[0])));
        if (n == "vartype") return need(1), Variant(Value(static_cast<std::int64_t>(varType(a[0]))));
        if (n == "ubound" || n == "lbound") {
            need(1);
            if (a[0].kind != Variant::Kind::Array) raise(13);
            const std::int64_t d = given(a, 1) ? toWhole(a[1]) : 1;
            if (d < 1 || d > static_cast<std::int64_t>(a[0].array->bounds.size())) raise(9);
            const auto [low, high] = a[0].array->bounds[static_cast<std::size_t>(d - 1)];
            return Variant(Value(static_cast<std::int64_t>(n == "ubound" ? high : low)));
        }
        if (n == "array") {
            auto array = std::make_shared<Array>();
            array->type = "variant";
            array->items = a;
            array->bounds = {{0, static_cast<long>(a.size()) - 1}};
            Variant v;
            v.kind = Variant::Kind::Array;
            v.array = array;
            return v;
        }
        if (n == "rgb") {
            need(3);
            std::int64_t c = 0;
            for (int i = 2; i >= 0; --i)
                c = c * 256 + std::clamp<std::int64_t>(toWhole(a[static_cast<std::size_t>(i)]), 0, 255);
            return Variant(Value(c));
        }
        if (n == "qbcolor") {
            need(1);
            static const std::int64_t colors[] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
            const std::int64_t i = toWhole(a[0]);
            if (i < 0 || i > 15) raise(5);
            return Variant(Value(colors[i]));
        }
        if (n == "nz") {
            need(1);
            const Variant v = a[0].isObject() ? valueOf(a[0]) : a[0];
            if (!v.isNull() && !v.isEmpty()) return v;
            return given(a, 1) ? a[1] : Variant(Value(std::int64_t{0}));
        }
        if (n == "iif") {
            need(3);
            const Variant c = valueOf(a[0]);
            return !c.isNull() && toBool(c) ? a[1] : a[2];
        }
        if (n == "msgbox") {
            const std::int64_t buttons = given(a, 1) ? toWhole(a[1]) : 0;
            const std::int64_t answer = defaultAnswer(buttons);
            const Variant prompt = given(a, 0) ? valueOf(a[0]) : Variant();
            note("MsgBox \"" + (prompt.isNull() ? std::string("Null") : toText(prompt)) + "\" answered " +
                 std::to_string(answer));
            return Variant(Value(answer));
        }
        if (n == "inputbox") {
            note("InputBox answered with its default");
            return given(a, 2) ? a[2] : Variant(Value(std::string()));
        }
        static const std::set<std::string> conversions = {"cint", "clng", "cdbl", "csng", "cstr", "cbool",
                                                          "ccur", "cdate", "cbyte", "cvar", "cdec"};
        if (conversions.count(n)) {
            need(1);
            const Variant v = valueOf(a[0]);
            if (n == "cvar") return v;
            if (v.isNull()) raise(94);
            static const std::unordered_map<std::string, std::string> types = {
                {"cint", "integer"}, {"clng", "long"},       {"cdbl", "double"}, {"csng", "single"},
                {"cstr", "string"},  {"cbool", "boolean"},   {"ccur", "currency"}, {"cdate", "date"},
                {"cbyte", "byte"},   {"cdec", "double"}};
            return coerce(v, types.at(n));
        }
        static const std::set<std::string> domain = {"dlookup", "dcount", "dsum", "davg", "dmin", "dmax", "dfirst", "dlast"};
        if (domain.count(n)) {
            need(2);
            if (!services.domain) throw Stopped{original + " has no database to ask"};
            const Value criteria = given(a, 2) ? plain(a[2]) : Value();
            if (auto v = services.domain->aggregate(original, plain(a[0]), plain(a[1]), criteria)) return Variant(*v);
            throw Stopped{original + " could not be answered"};
        }
        return std::nullopt;
    }

    // ---- assignment ----

    void assign(const Expression& target, const Variant& value, Frame& frame, bool isSet) {
        using K = Expression::Kind;
        if (isSet && value.kind != Variant::Kind::Object) raise(424);
        if (target.kind == K::Name && !target.text.empty()) {
            const std::string n = lower(target.text);
            SlotPtr slot = variable(frame, n);
            if (!slot && implicitMe(frame) && me->set(target.text, {}, value)) return;
            if (!slot) {
                if (modules[frame.module].module.optionExplicit) throw Stopped{"unknown name " + target.text};
                // Undeclared: a new Variant, as modules without Option Explicit allow.
                slot = std::make_shared<Slot>();
                frame.locals[n] = slot;
            }
            if (slot->constant) throw Stopped{"assignment to the constant " + target.text};
            store(*slot, value, isSet);
            return;
        }
        if (target.kind == K::Member) {
            const Variant object = objectOf(*target.left, &frame);
            const bool whole = isSet || dynamic_cast<Record*>(value.object.get());  // a record into a record's field
            if (!object.object->set(target.text, {}, whole ? value : valueOf(value)))
                throw Stopped{object.object->typeName() + "." + target.text + " cannot be set"};
            return;
        }
        if (target.kind == K::Bang) {
            const Variant object = objectOf(*target.left, &frame);
            if (!object.object->setItem(Value(target.text), valueOf(value)))
                throw Stopped{object.object->typeName() + "!" + target.text + " cannot be set"};
            return;
        }
        if (target.kind == K::Call && target.left->kind == K::Name && !target.left->text.empty()) {
            SlotPtr slot = variable(frame, lower(target.left->text));
            if (slot && slot->value.kind == Variant::Kind::Array) {
                Array& array = *slot->value.array;
                Variant& cell = array.items[offset(array, values(target.arguments, &frame))];
                cell = isSet ? value : coerce(valueOf(value), array.type);
                return;
            }
            // An object's default member set by key, as TempVars("Name") = value is.
            if (target.arguments.size() == 1 && (!slot || slot->value.kind == Variant::Kind::Object)) {
                const Variant object = objectOf(*target.left, &frame);
                const auto key = values(target.arguments, &frame);
                if (object.object->setItem(key[0], valueOf(value))) return;
            }
        }
        if (target.kind == K::Call && target.left->kind == K::Member) {
            const Variant object = objectOf(*target.left->left, &frame);
            if (object.object->set(target.left->text, values(target.arguments, &frame), valueOf(value))) return;
        }
        throw Stopped{"cannot assign to this"};
    }

    void store(Slot& slot, const Variant& value, bool isSet) {
        if (auto* record = dynamic_cast<Record*>(value.object.get()); record && !isSet) {
            work(record->size() * sizeof(Record::Field));
            slot.value = Record::assigned(value, slot.type);
            return;
        }
        if (isSet || value.kind == Variant::Kind::Array) {
            slot.value = value;
            return;
        }
        if (slot.type == "variant") {
            // A Variant keeps the value, not the object: x = Me!Total holds the control's value.
            slot.value = value.isObject() ? valueOf(value) : value;
            return;
        }
        slot.value = coerce(value, slot.type);
    }

    // ---- procedures ----

    Variant invoke(const Procedure& p, std::size_t module, std::vector<ArgumentIn>& args) {
        if (static_cast<int>(frames.size()) >= limits.maxCallDepth)
            throw Stopped{"calls nested deeper than " + std::to_string(limits.maxCallDepth)};
        Nest nest(*this);
        Frame frame;
        frame.procedure = &p;
        frame.module = module;
        // Named arguments go to their parameter; the rest in order.
        std::vector<ArgumentIn*> bound(p.parameters.size(), nullptr);
        std::vector<ArgumentIn*> rest;
        std::size_t position = 0;
        for (ArgumentIn& a : args) {
            if (!a.name.empty()) {
                bool found = false;
                for (std::size_t i = 0; i < p.parameters.size(); ++i)
                    if (lower(p.parameters[i].name) == a.name) {
                        bound[i] = &a;
                        found = true;
                    }
                if (!found) raise(448);
                continue;
            }
            if (position < p.parameters.size() && !p.parameters[position].paramArray) bound[position++] = &a;
            else rest.push_back(&a);
        }
        for (std::size_t i = 0; i < p.parameters.size(); ++i) {
            const Parameter& parameter = p.parameters[i];
            const std::string n = lower(parameter.name);
            if (parameter.paramArray) {
                auto array = std::make_shared<Array>();
                array->type = "variant";
                for (ArgumentIn* a : rest) array->items.push_back(a->value);
                array->bounds = {{0, static_cast<long>(array->items.size()) - 1}};
                auto slot = std::make_shared<Slot>();
                slot->value.kind = Variant::Kind::Array;
                slot->value.array = array;
                frame.locals[n] = slot;
                continue;
            }
            ArgumentIn* a = bound[i];
            if (!a || a->missing) {
                if (!parameter.optional) raise(449);
                auto slot = std::make_shared<Slot>();
                slot->type = parameter.type;
                if (parameter.defaultValue) slot->value = coerce(evaluate(*parameter.defaultValue, &frame), parameter.type);
                else if (parameter.type == "variant") slot->value.kind = Variant::Kind::Missing;
                else slot->value = initial(parameter.type);
                frame.locals[n] = slot;
                continue;
            }
            if (a->reference && !parameter.byVal) {
                frame.locals[n] = a->reference;
                continue;
            }
            auto slot = std::make_shared<Slot>();
            slot->type = parameter.isArray ? "variant" : parameter.type;
            store(*slot, a->value, a->value.isObject() && parameter.type != "variant");
            frame.locals[n] = slot;
        }
        if (!rest.empty() && (p.parameters.empty() || !p.parameters.back().paramArray)) raise(450);
        const std::string self = lower(p.name);
        if (p.kind == "function" || p.kind == "property get") {
            auto result = std::make_shared<Slot>();
            result->type = p.returnType;
            result->value = initial(p.returnType);
            frame.locals[self] = result;
        }
        frames.push_back(&frame);
        struct Pop {
            std::vector<Frame*>& frames;
            ~Pop() { frames.pop_back(); }
        } pop{frames};
        const Flow flow = runBody(p.body, frame);
        if (flow == Flow::End) throw Stopped{"End"};
        if (auto it = frame.locals.find(self); it != frame.locals.end() && (p.kind == "function" || p.kind == "property get"))
            return it->second->value;
        return Variant();
    }

    Flow runBody(const Block& body, Frame& frame) {
        for (;;) {
            const Flow flow = run(body, frame, 0, true);
            if (flow == Flow::GoTo) throw Stopped{"no label " + frame.label + " to go to"};
            if (flow == Flow::ResumeNext || flow == Flow::Resume) {
                // Resumes within the procedure's own statements only.
                if (frame.errorBlock != &body) throw Stopped{"Resume into a block"};
                const std::size_t from = frame.errorIndex + (flow == Flow::ResumeNext ? 1 : 0);
                const Flow after = run(body, frame, from, true);
                if (after == Flow::ResumeNext || after == Flow::Resume || after == Flow::GoTo) {
                    if (after != Flow::GoTo && frame.errorBlock != &body) throw Stopped{"Resume into a block"};
                    if (after == Flow::GoTo) throw Stopped{"no label " + frame.label + " to go to"};
                    continue;  // resumes again from the statement that failed
                }
                return after;
            }
            return flow;
        }
    }

    static std::size_t findLabel(const Block& block, const std::string& label) {
        for (std::size_t i = 0; i < block.size(); ++i)
            if (block[i]->kind == Statement::Kind::Label && lower(block[i]->text) == label) return i;
        return block.size();
    }

    Flow run(const Block& block, Frame& frame, std::size_t from, bool top) {
        Nest nest(*this);
        for (std::size_t i = from; i < block.size(); ++i) {
            const Statement& s = *block[i];
            Flow flow = Flow::Normal;
            try {
                flow = execute(s, frame);
            } catch (const RuntimeError& e) {
                err->number = e.number;
                err->description = e.description;
                err->line = frame.lineNumber;
                if (frame.onError == Frame::OnError::ResumeNext) {
                    failure = {};
                    continue;
                }
                if (frame.onError == Frame::OnError::GoTo && !frame.inHandler) {
                    failure = {};
                    frame.inHandler = true;
                    frame.errorBlock = &block;
                    frame.errorIndex = i;
                    frame.label = frame.handler;
                    flow = Flow::GoTo;
                } else {
                    failedAt(frame, s);
                    throw;
                }
            } catch (const Stopped&) {
                failedAt(frame, s);
                throw;
            } catch (const Skipped& skipped) {
                note("\"" + s.source + "\" (line " + std::to_string(s.line) + ") skipped: " + skipped.what +
                     " reaches outside the report");
                continue;
            } catch (const SkippedCall& skipped) {
                note("\"" + s.source + "\" (line " + std::to_string(s.line) + ") skipped: " + skipped.what);
                continue;
            }
            if (flow == Flow::GoTo) {
                const std::size_t at = findLabel(block, frame.label);
                if (at == block.size()) return flow;
                i = at;  // the loop steps past the label
                continue;
            }
            if (flow == Flow::Resume || flow == Flow::ResumeNext) {
                if (frame.errorBlock == &block && !top) {
                    i = frame.errorIndex - (flow == Flow::ResumeNext ? 0 : 1);
                    continue;
                }
                return flow;
            }
            if (flow != Flow::Normal) return flow;
        }
        return Flow::Normal;
    }

    // Text a statement makes or copies (an operator's result, a variable read, a function's arguments and
    // result) counts towards the call's bytes: reading a long text over and over stops as making it does.
    Variant charged(Variant v) {
        if (v.kind == Variant::Kind::Scalar && v.value.holds<std::string>()) {
            const std::size_t size = v.value.get<std::string>().size();
            if (size > limits.maxTextBytes)
                throw Stopped{"text longer than " + std::to_string(limits.maxTextBytes) + " bytes"};
            work(size);
        }
        return v;
    }

    // Bytes of text and arrays made in one call: copying large text over and over stops as a loop does.
    void work(std::size_t bytes) {
        made += bytes;
        if (made > limits.bytesPerCall) throw Stopped{"makes more than " + std::to_string(limits.bytesPerCall) + " bytes"};
    }

    void count() {
        if (++statements > limits.statementsPerCall)
            throw Stopped{"runs past " + std::to_string(limits.statementsPerCall) + " statements"};
        if (runStatements >= limits.statementsPerRun)
            throw Stopped{"the report's code has run " + std::to_string(limits.statementsPerRun) +
                          " statements in all, the most one report may"};
        ++runStatements;
    }

    bool condition(const Expression& e, Frame& frame) {
        const Variant v = valueOf(evaluate(e, &frame));
        return !v.isNull() && toBool(v);  // Null is not True
    }

    Flow execute(const Statement& s, Frame& frame) {
        using K = Statement::Kind;
        count();
        frame.current = &s;
        switch (s.kind) {
        case K::Skipped:
        case K::Label: {
            long number = 0;
            const char* end = s.text.data() + s.text.size();
            if (auto [at, error] = std::from_chars(s.text.data(), end, number); error == std::errc() && at == end)
                frame.lineNumber = number;
            return Flow::Normal;
        }
        case K::Unsupported: throw Stopped{s.text};
        case K::Outside: throw Skipped{s.text};
        case K::Stop: return Flow::End;
        case K::Declare: {
            if (s.declaredStatic || frame.procedure->isStatic) {
                auto& kept = statics[frame.procedure];
                for (const Declared& d : s.declared) {
                    const std::string n = lower(d.name);
                    if (!kept.count(n)) {
                        auto slot = std::make_shared<Slot>();
                        slot->type = d.type;
                        slot->autoNew = d.isNew;
                        slot->value = newValue(d, &frame);
                        kept[n] = slot;
                    }
                    frame.locals[n] = kept[n];
                }
                return Flow::Normal;
            }
            declare(s, &frame, frame.locals, false, nullptr);
            return Flow::Normal;
        }
        case K::Assign: assign(*s.target, evaluate(*s.value, &frame), frame, s.flag); return Flow::Normal;
        case K::Call: {
            const Expression& e = *s.target;
            if (e.kind == Expression::Kind::Call && e.left->kind == Expression::Kind::Name && !e.left->text.empty()) {
                std::vector<ArgumentIn> args = arguments(e.arguments, &frame, true);
                callNamed(e.left->text, args, &frame, e.flag);
                return Flow::Normal;
            }
            evaluate(e, &frame);
            return Flow::Normal;
        }
        case K::If:
            for (std::size_t b = 0; b < s.blocks.size(); ++b)
                if (b >= s.conditions.size() || condition(*s.conditions[b], frame)) return run(s.blocks[b], frame, 0, false);
            return Flow::Normal;
        case K::Select: {
            const Variant subject = valueOf(evaluate(*s.value, &frame));
            for (const CaseBlock& c : s.cases) {
                bool match = c.clauses.empty();
                for (const CaseClause& clause : c.clauses) {
                    if (match) break;
                    const Variant from = evaluate(*clause.from, &frame);
                    Variant r;
                    if (clause.kind == CaseClause::Kind::Value) r = binary("=", subject, from);
                    else if (clause.kind == CaseClause::Kind::Is) r = binary(clause.comparison, subject, from);
                    else {
                        r = binary(">=", subject, from);
                        if (!r.isNull() && toBool(r)) r = binary("<=", subject, evaluate(*clause.to, &frame));
                    }
                    match = !r.isNull() && toBool(r);
                }
                if (match) return run(c.body, frame, 0, false);
            }
            return Flow::Normal;
        }
        case K::For: return forLoop(s, frame);
        case K::ForEach: {
            const Variant collection = evaluate(*s.value, &frame);
            std::vector<Variant> items;
            if (collection.kind == Variant::Kind::Array) items = collection.array->items;
            else if (collection.isObject() && collection.object) {
                auto elements = collection.object->elements();
                if (!elements) throw Stopped{collection.object->typeName() + " is no collection"};
                items = std::move(*elements);
            } else {
                raise(424);
            }
            const Expression name{Expression::Kind::Name, 0, s.text, nullptr, nullptr, {}, false};
            for (const Variant& item : items) {
                count();
                assign(name, item, frame, item.isObject());
                const Flow flow = run(s.body, frame, 0, false);
                if (flow == Flow::ExitFor) break;
                if (flow != Flow::Normal) return flow;
            }
            return Flow::Normal;
        }
        case K::Do:
            for (;;) {
                count();
                if (s.value && s.pre && condition(*s.value, frame) == s.until) break;
                const Flow flow = run(s.body, frame, 0, false);
                if (flow == Flow::ExitDo) break;
                if (flow != Flow::Normal) return flow;
                if (s.value && !s.pre && condition(*s.value, frame) == s.until) break;
            }
            return Flow::Normal;
        case K::While:
            while (condition(*s.value, frame)) {
                count();
                const Flow flow = run(s.body, frame, 0, false);
                if (flow != Flow::Normal) return flow;
            }
            return Flow::Normal;
        case K::With: {
            Variant object = evaluate(*s.value, &frame);
            if (!object.isObject()) raise(424);
            if (!object.object) raise(91);
            frame.with.push_back(object);
            struct Pop {
                std::vector<Variant>& with;
                ~Pop() { with.pop_back(); }
            } pop{frame.with};
            return run(s.body, frame, 0, false);
        }
        case K::Exit:
            if (s.text == "for") return Flow::ExitFor;
            if (s.text == "do") return Flow::ExitDo;
            err->clear();
            return Flow::ExitProcedure;
        case K::OnError:
            err->clear();
            if (s.text == "resume next") frame.onError = Frame::OnError::ResumeNext;
            else if (s.text == "goto 0") frame.onError = Frame::OnError::None;
            else if (s.text == "goto -1") frame.inHandler = false;
            else {
                frame.onError = Frame::OnError::GoTo;
                frame.handler = s.text;
            }
            return Flow::Normal;
        case K::Resume:
            if (!frame.inHandler) raise(20);
            frame.inHandler = false;
            err->clear();
            if (s.text.empty() || s.text == "0") return Flow::Resume;
            if (s.text == "next") return Flow::ResumeNext;
            frame.label = s.text;
            return Flow::GoTo;
        case K::GoTo: frame.label = lower(s.text); return Flow::GoTo;
        case K::Draw: draw(s, frame); return Flow::Normal;
        case K::Print: {
            ReportHost* host = drawingHost(s.target.get(), frame);
            std::string text;
            for (const auto& item : s.conditions) {
                const Variant v = valueOf(evaluate(*item, &frame));
                text += v.isNull() ? "Null" : toText(v);
            }
            host->print(text);
            return Flow::Normal;
        }
        }
        return Flow::Normal;
    }

    Flow forLoop(const Statement& s, Frame& frame) {
        const Expression name{Expression::Kind::Name, 0, s.text, nullptr, nullptr, {}, false};
        const Variant start = valueOf(evaluate(*s.from, &frame));
        const double end = toDouble(evaluate(*s.to, &frame));
        const double step = s.step ? toDouble(evaluate(*s.step, &frame)) : 1.0;
        assign(name, start, frame, false);
        SlotPtr slot = variable(frame, lower(s.text));
        // The counter named a control or a property of the report, as VBA does not allow.
        if (!slot) throw Stopped{"the For counter " + s.text + " is no variable"};
        for (;;) {
            count();
            const double at = toDouble(slot->value);
            if (step >= 0 ? at > end : at < end) break;
            const Flow flow = run(s.body, frame, 0, false);
            if (flow == Flow::ExitFor) break;
            if (flow != Flow::Normal) return flow;
            store(*slot, binary("+", slot->value, Value(step == std::trunc(step) && std::fabs(step) < 1e15
                                                             ? Variant(Value(static_cast<std::int64_t>(step))).value
                                                             : Value(step))),
                  false);
        }
        return Flow::Normal;
    }

    ReportHost* drawingHost(const Expression* target, Frame& frame) {
        if (target) {
            const Variant object = evaluate(*target, &frame);
            if (!object.isObject() || object.object != me) throw Stopped{"drawing on something other than the report"};
        } else if (!implicitMe(frame)) {
            throw Stopped{"drawing outside a report's module"};
        }
        if (!services.report) throw Stopped{"drawing without a report"};
        return services.report;
    }

    DrawPoint point(const Expression& e, Frame& frame) {
        return DrawPoint{toDouble(evaluate(*e.left, &frame)), toDouble(evaluate(*e.right, &frame)), e.flag};
    }

    void draw(const Statement& s, Frame& frame) {
        ReportHost* host = drawingHost(s.target.get(), frame);
        auto optionalValue = [&](std::size_t i) -> std::optional<Value> {
            if (i >= s.conditions.size() || !s.conditions[i]) return std::nullopt;
            const Variant v = valueOf(evaluate(*s.conditions[i], &frame));
            return v.isEmpty() ? Value(std::int64_t{0}) : v.value;
        };
        auto optionalNumber = [&](std::size_t i) -> std::optional<double> {
            if (auto v = optionalValue(i)) return toDouble(*v);
            return std::nullopt;
        };
        if (s.text == "line") {
            LineDrawing line;
            if (s.from) line.from = point(*s.from, frame);
            line.to = point(*s.to, frame);
            line.color = optionalValue(0);
            if (s.conditions.size() > 1 && s.conditions[1]) {
                const Expression& flag = *s.conditions[1];
                if (flag.kind != Expression::Kind::Name) throw Stopped{"Line's last argument is not B or BF"};
                const std::string f = lower(flag.text);
                if (f != "b" && f != "bf") throw Stopped{"Line's last argument is not B or BF"};
                line.box = true;
                line.filled = f == "bf";
            }
            host->drawLine(line);
        } else if (s.text == "circle") {
            CircleDrawing circle;
            circle.center = point(*s.from, frame);
            const auto radius = optionalNumber(0);
            if (!radius) raise(5);
            circle.radius = *radius;
            circle.color = optionalValue(1);
            circle.start = optionalNumber(2);
            circle.end = optionalNumber(3);
            circle.aspect = optionalNumber(4);
            host->drawCircle(circle);
        } else {
            host->drawPoint(point(*s.from, frame), optionalValue(0));
        }
    }
};

Interpreter::Interpreter(std::vector<Module> modules, Services services, RunLimits limits)
    : state_(std::make_unique<State>()) {
    State& st = *state_;
    st.services = services;
    st.limits = limits;
    if (services.report) st.me = reportObject(*services.report);
    for (Module& module : modules) {
        State::ModuleState m;
        const std::string name = lower(module.name);
        m.isReport = name.rfind("report_", 0) == 0;
        for (const std::string& problem : module.problems) st.note(module.name + ": " + problem);
        m.module = std::move(module);
        st.modules.push_back(std::move(m));
    }
    for (std::size_t i = 0; i < st.modules.size(); ++i) {
        for (const auto& p : st.modules[i].module.procedures) {
            const std::string n = lower(p->name);
            // A report's own procedures come first; Property Let does not hide its Get.
            if (!st.procedures.count(n) || st.modules[i].isReport) st.procedures[n] = {i, p.get()};
        }
    }
    // Module-level declarations, once: constants and variables alive for the whole report.
    for (std::size_t i = 0; i < st.modules.size(); ++i) {
        auto& m = st.modules[i];
        for (const auto& statement : m.module.declarations) {
            const Statement& s = *statement;
            try {
                if (s.kind == Statement::Kind::Declare) {
                    st.declare(s, nullptr, m.variables, s.isPublic, &m.publicNames);
                } else if (s.kind == Statement::Kind::Unsupported) {
                    st.note(m.module.name + ": \"" + s.source + "\" (line " + std::to_string(s.line) +
                            ") is not run: " + s.text);
                }
            } catch (const RuntimeError& e) {
                st.note(m.module.name + ": \"" + s.source + "\" (line " + std::to_string(s.line) + "): " + e.description);
            } catch (const Stopped& e) {
                st.note(m.module.name + ": \"" + s.source + "\" (line " + std::to_string(s.line) + "): " + e.reason);
            } catch (const Skipped& e) {
                st.note(m.module.name + ": \"" + s.source + "\" (line " + std::to_string(s.line) + ") skipped: " + e.what);
            }
        }
    }
    // Macros' expressions: Access's Yes, No, On and Off besides VBA's constants, and a name that is no
    // control, field or function stops them rather than read as Empty.
    State::ModuleState macros;
    macros.module.name = "Macro";
    macros.module.optionExplicit = true;
    macros.isReport = true;
    for (const auto& [word, truth] : {std::pair{"yes", true}, {"no", false}, {"on", true}, {"off", false}}) {
        auto slot = std::make_shared<Slot>();
        slot->type = "boolean";
        slot->value = Value(truth);
        slot->constant = true;
        macros.variables[word] = slot;
    }
    st.macroModule = st.modules.size();
    st.modules.push_back(std::move(macros));
}

Interpreter::~Interpreter() = default;

bool Interpreter::hasProcedure(std::string_view name) const { return state_->procedure(lower(name)) != nullptr; }

std::optional<FunctionInfo> Interpreter::function(std::string_view name) const {
    const auto found = state_->procedures.find(lower(name));
    if (found == state_->procedures.end() || found->second.second->kind != "function") return std::nullopt;
    const auto& module = state_->modules[found->second.first];
    FunctionInfo info;
    info.inReportModule = module.isReport;
    info.inStandardModule =
        module.module.standard && !module.isReport && !lower(module.module.name).starts_with("form_");
    info.isPrivate = found->second.second->isPrivate;
    info.returnType = found->second.second->returnType;
    return info;
}

const std::vector<std::string>& Interpreter::notes() const { return state_->notes; }

CallResult Interpreter::call(std::string_view procedure) {
    std::vector<Value> none;
    return call(procedure, none);
}

CallResult Interpreter::call(std::string_view name, std::vector<Value>& arguments) {
    std::size_t module = 0;
    const Procedure* p = state_->procedure(lower(name), &module);
    if (!p) return {};
    return state_->run(*p, module, arguments, true);
}

// A macro's expression or target as the only statement of a procedure of the macros' module; null when
// the text is not one expression (a ":" or a line break cannot slip a statement in).
const Procedure* Interpreter::State::macroProcedure(std::string_view text, bool target) {
    std::string flat(text);
    for (char& c : flat)
        if (c == '\r' || c == '\n') c = ' ';
    const std::string key = (target ? "=" : "?") + flat;
    auto found = macroTexts.find(key);
    if (found == macroTexts.end()) {
        if (macroTexts.size() >= kMaxMacroTexts && frames.empty()) macroTexts.clear();
        const std::string source = target ? "Sub Assignment_(Value_)\n" + flat + " = Value_\nEnd Sub\n"
                                          : "Function Expression_()\nExpression_ = " + flat + "\nEnd Function\n";
        found = macroTexts.emplace(key, parseModule("Macro", source)).first;
    }
    const Module& parsed = found->second;
    if (!parsed.problems.empty() || parsed.procedures.size() != 1) return nullptr;
    const Procedure& p = *parsed.procedures[0];
    if (p.body.size() != 1 || p.body[0]->kind != Statement::Kind::Assign || p.body[0]->flag) return nullptr;
    const Statement& s = *p.body[0];
    const Expression& side = target ? *s.value : *s.target;
    if (side.kind != Expression::Kind::Name || !sameName(side.text, target ? "Value_" : "Expression_"))
        return nullptr;
    return &p;
}

CallResult Interpreter::evaluate(std::string_view expression) {
    std::string_view text = expression;
    while (!text.empty() && (text.front() == ' ' || text.front() == '=')) text.remove_prefix(1);
    const Procedure* p = state_->macroProcedure(text, false);
    std::vector<Value> none;
    if (!p) return {true, false, Value(), "\"" + std::string(text) + "\"", "it is not an expression"};
    CallResult result = state_->run(*p, state_->macroModule, none, false);
    if (!result.completed) result.stoppedAt = "\"" + std::string(text) + "\"";
    return result;
}

CallResult Interpreter::assign(std::string_view target, const Value& value) {
    const Procedure* p = state_->macroProcedure(target, true);
    std::vector<Value> arguments{value};
    if (!p) return {true, false, Value(), "\"" + std::string(target) + "\"", "it is nothing a value can be set to"};
    CallResult result = state_->run(*p, state_->macroModule, arguments, false);
    if (!result.completed) result.stoppedAt = "\"" + std::string(target) + "\"";
    return result;
}

void Interpreter::note(std::string text) {
    state_->note(std::move(text));
}

CallResult Interpreter::State::run(const Procedure& procedure, std::size_t module, std::vector<Value>& arguments,
                                   bool noteStop) {
    State& st = *this;
    const Procedure* p = &procedure;
    CallResult result;
    result.found = true;
    // A call made while another runs (a query's function while code reads a recordset) shares its
    // budget and depth, and leaves where the outer one stops to the outer one.
    const bool nested = !st.frames.empty();
    const State::Failure outer = st.failure;
    if (!nested) {
        st.statements = 0;
        st.made = 0;
        st.nesting = 0;
    }
    std::vector<SlotPtr> slots;
    std::vector<ArgumentIn> args;
    for (const Value& v : arguments) {
        auto slot = std::make_shared<Slot>();
        // The host's variable has the parameter's type: Cancel As Integer set to True reads -1.
        if (slots.size() < p->parameters.size() && !p->parameters[slots.size()].paramArray)
            slot->type = p->parameters[slots.size()].type;
        slot->value = v;
        try {
            slot->value = coerce(Variant(v), slot->type);
        } catch (const RuntimeError&) {
        }
        slots.push_back(slot);
        ArgumentIn a;
        a.value = v;
        a.reference = slot;
        args.push_back(std::move(a));
    }
    st.failure = {};
    auto stop = [&](const std::string& reason) {
        const State::Failure& at = st.failure;
        result.stoppedAt = at.set ? at.procedure + " stops at \"" + at.source + "\" (line " + std::to_string(at.line) + ")"
                                  : p->name + " stops";
        result.reason = reason;
        if (noteStop) st.note(result.stoppedAt + ": " + reason);
    };
    try {
        const Variant v = st.invoke(*p, module, args);
        const Variant value = v.isObject() || v.kind == Variant::Kind::Array ? Variant(Value()) : valueOf(v);
        result.value = value.isEmpty() ? Value() : value.value;
        result.completed = true;
    } catch (const Stopped& e) {
        stop(e.reason);
    } catch (const RuntimeError& e) {
        stop("run-time error " + std::to_string(e.number) + ": " + e.description);
    } catch (const Skipped& e) {
        stop(e.what + " reaches outside the report");
    } catch (const SkippedCall& e) {
        stop(e.what);
    }
    if (nested) st.failure = outer;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const Variant& v = slots[i]->value;
        if (v.kind == Variant::Kind::Scalar) arguments[i] = v.value;
        else if (v.isEmpty()) arguments[i] = Value();
    }
    return result;
}

}  // namespace platform::jet::vba

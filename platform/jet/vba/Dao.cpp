#include "platform/jet/vba/Dao.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "base/AsciiCase.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::vba {
namespace {

using base::lowerAscii;

constexpr long kNoCurrentRecord = 3021;
constexpr long kItemNotFound = 3265;
constexpr long kObjectClosed = 3420;
constexpr long kCannotRead = 3078;  // DAO's "cannot find the input table or query"

bool isSqlText(std::string_view source) {
    const std::string start = lowerAscii(source.substr(0, std::min<std::size_t>(source.size(), 12)));
    const auto first = start.find_first_not_of(" \t\r\n(");
    return first != std::string::npos &&
           (start.compare(first, 6, "select") == 0 || start.compare(first, 9, "transform") == 0);
}

Variant number(std::int64_t n) {
    return Variant(Value(n));
}

class Recordset;

// A column of a recordset: its value is the current record's, read when asked.
class Field : public Object {
  public:
    Field(std::shared_ptr<Recordset> rows, std::size_t column) : rows_(std::move(rows)), column_(column) {}
    std::string typeName() const override { return "Field"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>&) override;
    bool set(std::string_view name, const std::vector<Variant>&, const Variant&) override {
        if (base::equalIgnoringCase(name, "Value")) throw SkippedCall{"a recordset's field written"};
        return false;
    }
    std::optional<Value> defaultValue() override;

  private:
    std::shared_ptr<Recordset> rows_;
    std::size_t column_;
};

class Recordset : public Object, public std::enable_shared_from_this<Recordset> {
  public:
    // countsAll: a table opened as a table answers RecordCount with all its rows; a query's records
    // count as they are reached, as DAO's dynasets and snapshots do.
    Recordset(query::RowSet rows, bool countsAll) : rows_(std::move(rows)), countsAll_(countsAll) {
        reached_ = rows_.rows.empty() ? 0 : 1;
    }
    std::string typeName() const override { return "Recordset2"; }

    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if (n == "close") {
            closed_ = true;
            return Variant();
        }
        open();
        if (n == "addnew" || n == "edit" || n == "update" || n == "delete" || n == "cancelupdate")
            throw SkippedCall{"Recordset." + std::string(name) + " writes to the database"};
        const auto size = static_cast<std::int64_t>(rows_.rows.size());
        if (n == "eof") return Variant(Value(size == 0 || at_ >= size));
        if (n == "bof") return Variant(Value(size == 0 || at_ < 0));
        if (n == "recordcount") return number(countsAll_ ? size : reached_);
        if (n == "absoluteposition") return number(current() ? at_ : -1);
        if (n == "fields") {
            if (arguments.empty()) return Variant::of(fields());
            if (auto f = item(arguments[0])) return f;
            raise(kItemNotFound);
        }
        if (n == "movenext" || n == "moveprevious") {
            if (n == "movenext" ? at_ >= size || size == 0 : at_ < 0 || size == 0) raise(kNoCurrentRecord);
            move(at_ + (n == "movenext" ? 1 : -1));
            return Variant();
        }
        if (n == "movefirst" || n == "movelast") {
            if (size == 0) raise(kNoCurrentRecord);
            move(n == "movefirst" ? 0 : size - 1);
            return Variant();
        }
        if (n == "move" && !arguments.empty()) {
            const std::int64_t to = at_ + toWhole(arguments[0]);
            if (!current() || to < -1 || to > size) raise(kNoCurrentRecord);
            move(to);
            return Variant();
        }
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    bool setItem(const Variant&, const Variant&) override { throw SkippedCall{"a recordset's field written"}; }

    // rs(0), rs("Name"), rs!Name: the field.
    std::optional<Variant> item(const Variant& key) override {
        open();
        const Variant k = valueOf(key);
        if (k.value.holds<std::string>()) {
            const std::string wanted = lowerAscii(k.value.get<std::string>());
            for (std::size_t i = 0; i < rows_.columns.size(); ++i)
                if (lowerAscii(rows_.columns[i]) == wanted) return Variant::of(std::make_shared<Field>(shared_from_this(), i));
            raise(kItemNotFound);
        }
        const std::int64_t i = toWhole(k);
        if (i < 0 || i >= static_cast<std::int64_t>(rows_.columns.size())) raise(kItemNotFound);
        return Variant::of(std::make_shared<Field>(shared_from_this(), static_cast<std::size_t>(i)));
    }

    std::string columnName(std::size_t column) const { return rows_.columns[column]; }
    std::size_t columnCount() const { return rows_.columns.size(); }
    Value valueAt(std::size_t column) {
        open();
        if (!current()) raise(kNoCurrentRecord);
        const auto& row = rows_.rows[static_cast<std::size_t>(at_)];
        return column < row.size() ? row[column] : Value();
    }

  private:
    bool current() const { return at_ >= 0 && at_ < static_cast<std::int64_t>(rows_.rows.size()); }
    void open() const {
        if (closed_) raise(kObjectClosed);
    }
    void move(std::int64_t to) {
        at_ = to;
        if (current()) reached_ = std::max(reached_, at_ + 1);
    }
    std::shared_ptr<Object> fields();

    query::RowSet rows_;
    bool countsAll_;
    std::int64_t at_ = 0, reached_ = 0;
    bool closed_ = false;
};

std::optional<Variant> Field::get(std::string_view name, const std::vector<Variant>&) {
    const std::string n = lowerAscii(name);
    if (n == "name") return Variant(Value(rows_->columnName(column_)));
    if (n == "value") return Variant(rows_->valueAt(column_));
    return std::nullopt;
}

std::optional<Value> Field::defaultValue() {
    return rows_->valueAt(column_);
}

// A recordset's Fields: Count, and each by name or number.
class Fields : public Object {
  public:
    explicit Fields(std::shared_ptr<Recordset> rows) : rows_(std::move(rows)) {}
    std::string typeName() const override { return "Fields"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if (n == "count") return number(static_cast<std::int64_t>(rows_->columnCount()));
        if (n == "item" && arguments.size() == 1) return item(arguments[0]);
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    std::optional<Variant> item(const Variant& key) override { return rows_->item(key); }
    std::optional<std::vector<Variant>> elements() override {
        std::vector<Variant> all;
        for (std::size_t i = 0; i < rows_->columnCount(); ++i)
            all.push_back(*rows_->item(Variant(Value(static_cast<std::int64_t>(i)))));
        return all;
    }

  private:
    std::shared_ptr<Recordset> rows_;
};

std::shared_ptr<Object> Recordset::fields() {
    return std::make_shared<Fields>(shared_from_this());
}

// A saved query: its Name and SQL.
class QueryDef : public Object {
  public:
    QueryDef(std::string name, std::string sql) : name_(std::move(name)), sql_(std::move(sql)) {}
    std::string typeName() const override { return "QueryDef"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>&) override {
        if (base::equalIgnoringCase(name, "Name")) return Variant(Value(name_));
        if (base::equalIgnoringCase(name, "SQL")) return Variant(Value(sql_));
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }

  private:
    std::string name_, sql_;
};

// The rows of a source, a failure to read them being the code's run-time error.
query::RowSet rowsOf(DatabaseRows& database, const std::string& source) {
    try {
        return database.rows(source);
    } catch (const std::exception& error) {
        throw RuntimeError{kCannotRead, error.what()};
    }
}

// A collection code reads by key, through Item(key) as through its default member; code sets nothing in it.
class ReadOnlyItems : public Object {
  public:
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (base::equalIgnoringCase(name, "Item") && arguments.size() == 1) return item(arguments[0]);
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
};

class QueryDefs : public ReadOnlyItems {
  public:
    explicit QueryDefs(DatabaseRows& database) : database_(database) {}
    std::string typeName() const override { return "QueryDefs"; }
    // A query whose SQL is not known here stops the code rather than pass for one the database lacks.
    std::optional<Variant> item(const Variant& key) override {
        const std::string name = toText(key);
        if (auto sql = database_.querySql(name)) return Variant::of(std::make_shared<QueryDef>(name, *sql));
        return std::nullopt;
    }

  private:
    DatabaseRows& database_;
};

class Database : public Object {
  public:
    explicit Database(DatabaseRows& database) : database_(database) {}
    std::string typeName() const override { return "Database"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if (n == "close") return Variant();
        if (n == "execute" || n == "createquerydef" || n == "createtabledef" || n == "createrelation")
            throw SkippedCall{"Database." + std::string(name) + " writes to the database"};
        if (n == "name") {
            if (auto path = database_.filePath()) return Variant(Value(*path));
            return std::nullopt;
        }
        if (n == "querydefs") {
            auto all = std::make_shared<QueryDefs>(database_);
            if (arguments.size() == 1) return all->item(arguments[0]);
            return Variant::of(all);
        }
        if (n == "openrecordset" && !arguments.empty()) {
            const std::string source = toText(arguments[0]);
            // A table opened without a type opens as a table, whose RecordCount is all its rows.
            constexpr std::int64_t kOpenTable = 1;
            const bool typed = arguments.size() > 1 && arguments[1].kind != Variant::Kind::Missing;
            const bool countsAll = typed ? toWhole(arguments[1]) == kOpenTable : !isSqlText(source);
            return Variant::of(std::make_shared<Recordset>(rowsOf(database_, source), countsAll));
        }
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }

  private:
    DatabaseRows& database_;
};

// What stands between DBEngine and the database: DBEngine(0) is the workspace, DBEngine(0)(0) the
// database open in it.
class Indexed : public Object {
  public:
    Indexed(std::string type, std::shared_ptr<Object> first) : type_(std::move(type)), first_(std::move(first)) {}
    std::string typeName() const override { return type_; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if ((n == "workspaces" || n == "databases") && arguments.size() == 1) return item(arguments[0]);
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    std::optional<Variant> item(const Variant& key) override {
        if (toWhole(key) != 0) raise(kItemNotFound);
        return Variant::of(first_);
    }

  private:
    std::string type_;
    std::shared_ptr<Object> first_;
};

// A form of CurrentProject.AllForms: its Name, IsLoaded and CurrentView (form view when open).
class AccessObject : public Object {
  public:
    AccessObject(std::string name, bool open) : name_(std::move(name)), open_(open) {}
    std::string typeName() const override { return "AccessObject"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (!arguments.empty()) return std::nullopt;
        const std::string n = lowerAscii(name);
        if (n == "name") return Variant(Value(name_));
        if (n == "isloaded") return Variant(Value(open_));
        if (n == "currentview") return number(open_ ? 1 : 0);
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }

  private:
    std::string name_;
    bool open_;
};

class AllForms : public ReadOnlyItems {
  public:
    explicit AllForms(DatabaseRows& database) : database_(database) {}
    std::string typeName() const override { return "AllForms"; }
    std::optional<Variant> item(const Variant& key) override {
        if (key.kind != Variant::Kind::Scalar || !key.value.holds<std::string>()) return std::nullopt;
        const std::string name = toText(key);
        return Variant::of(std::make_shared<AccessObject>(name, database_.formOpen(name)));
    }

  private:
    DatabaseRows& database_;
};

class CurrentProject : public Object {
  public:
    explicit CurrentProject(DatabaseRows& database) : database_(database) {}
    std::string typeName() const override { return "CurrentProject"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if (n == "allforms") {
            auto forms = std::make_shared<AllForms>(database_);
            if (arguments.size() == 1) return forms->item(arguments[0]);
            return Variant::of(forms);
        }
        if (n != "name" && n != "fullname" && n != "path") return std::nullopt;
        // Not known: the procedure stops here rather than show a path the user never gave.
        const auto path = database_.filePath();
        if (!path) return std::nullopt;
        return Variant(Value(*query::databaseFileMember(n, *path)));
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }

  private:
    DatabaseRows& database_;
};

class NoneOpen : public ReadOnlyItems {
  public:
    explicit NoneOpen(bool forms) : forms_(forms) {}
    std::string typeName() const override { return forms_ ? "Forms" : "Reports"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        if (base::equalIgnoringCase(name, "Count")) return number(0);
        return ReadOnlyItems::get(name, arguments);
    }
    std::optional<Variant> item(const Variant& key) override {
        throw RuntimeError{forms_ ? 2450 : 2451, std::string("Microsoft Access can't find the ") +
                                                     (forms_ ? "form '" : "report '") + toText(key) +
                                                     "' referred to in a macro expression or Visual Basic code."};
    }
    std::optional<std::vector<Variant>> elements() override { return std::vector<Variant>{}; }

  private:
    bool forms_;
};

class TempVars : public Object {
  public:
    std::string typeName() const override { return "TempVars"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        const std::string n = lowerAscii(name);
        if (n == "count" && arguments.empty()) return number(static_cast<std::int64_t>(names_.size()));
        if (n == "item" && arguments.size() == 1) return item(arguments[0]);
        if (n == "add" && arguments.size() == 2) {
            setItem(arguments[0], arguments[1]);
            return Variant();
        }
        if (n == "remove" && arguments.size() == 1) {
            const auto at = find(arguments[0]);
            if (at != names_.size()) {
                names_.erase(names_.begin() + static_cast<std::ptrdiff_t>(at));
                values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(at));
            }
            return Variant();
        }
        if (n == "removeall" && arguments.empty()) {
            names_.clear();
            values_.clear();
            return Variant();
        }
        return std::nullopt;
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
    std::optional<Variant> item(const Variant& key) override {
        const std::size_t at = find(key);
        return at == names_.size() ? Variant(Value()) : values_[at];
    }
    bool setItem(const Variant& key, const Variant& value) override {
        if (value.kind == Variant::Kind::Object || value.kind == Variant::Kind::Array) raise(kTypeMismatch);
        const std::size_t at = find(key);
        if (at != names_.size()) {
            values_[at] = value;
            return true;
        }
        if (names_.size() >= kMostTempVars) raise(kOutOfMemory);
        names_.push_back(toText(key));
        values_.push_back(value);
        return true;
    }
    std::optional<std::vector<Variant>> elements() override { return values_; }

  private:
    static constexpr std::size_t kMostTempVars = 255;  // as many as Access keeps
    static constexpr long kTypeMismatch = 13, kOutOfMemory = 7;
    // By name without regard to case, or by number from 0; past the end for none.
    std::size_t find(const Variant& key) const {
        if (key.kind == Variant::Kind::Scalar && !key.value.holds<std::string>()) {
            const auto index = toWhole(key);
            return index >= 0 && static_cast<std::size_t>(index) < names_.size() ? static_cast<std::size_t>(index)
                                                                                 : names_.size();
        }
        const std::string name = toText(key);
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (base::equalIgnoringCase(names_[i], name)) return i;
        return names_.size();
    }
    std::vector<std::string> names_;
    std::vector<Variant> values_;
};

class Application : public Object {
  public:
    Application(DatabaseRows* database, ReportHost* report, std::shared_ptr<Object> tempVars)
        : database_(database), report_(report), tempVars_(std::move(tempVars)) {}
    std::string typeName() const override { return "Application"; }
    std::optional<Variant> get(std::string_view name, const std::vector<Variant>& arguments) override {
        std::shared_ptr<Object> object = database_ ? daoObject(lowerAscii(name), *database_) : nullptr;
        if (!object && tempVars_ && base::equalIgnoringCase(name, "TempVars")) object = tempVars_;
        if (!object && report_) object = report_->applicationObject(name);
        if (!object) object = noneOpen(lowerAscii(name));
        if (!object) return std::nullopt;
        if (arguments.size() == 1) return object->item(arguments[0]);
        return Variant::of(object);
    }
    bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }

  private:
    DatabaseRows* database_;
    ReportHost* report_;
    std::shared_ptr<Object> tempVars_;
};

}  // namespace

std::shared_ptr<Object> tempVariables() { return std::make_shared<TempVars>(); }

std::shared_ptr<Object> applicationObject(DatabaseRows* database, ReportHost* report,
                                          std::shared_ptr<Object> tempVars) {
    return std::make_shared<Application>(database, report, std::move(tempVars));
}

std::shared_ptr<Object> noneOpen(std::string_view name) {
    if (name != "forms" && name != "reports") return nullptr;
    return std::make_shared<NoneOpen>(name == "forms");
}

std::shared_ptr<Object> daoObject(std::string_view name, DatabaseRows& database) {
    if (name == "currentdb") return std::make_shared<Database>(database);
    if (name == "dbengine")
        return std::make_shared<Indexed>(
            "DBEngine", std::make_shared<Indexed>("Workspace", std::make_shared<Database>(database)));
    if (name == "currentproject") return std::make_shared<CurrentProject>(database);
    return nullptr;
}

}  // namespace platform::jet::vba

#include "platform/jet/query/QueryEngine.h"

#include <cctype>
#include <cmath>

#include "platform/jet/query/AccessFunctions.h"
#include "base/AsciiCase.h"

namespace platform::jet::query {
namespace {

constexpr int kStepsPerCheck = 10'000;
constexpr std::size_t kMaxQueryNesting = 50;

int bind(sqlite3_stmt* statement, int index, const Value& value) {
    const auto& data = value.data;
    if (std::holds_alternative<bool>(data))
        return sqlite3_bind_int(statement, index, std::get<bool>(data) ? -1 : 0);
    if (std::holds_alternative<std::int64_t>(data))
        return sqlite3_bind_int64(statement, index, std::get<std::int64_t>(data));
    if (std::holds_alternative<double>(data))
        return sqlite3_bind_double(statement, index, std::get<double>(data));
    if (std::holds_alternative<Currency>(data))
        return sqlite3_bind_int64(statement, index, std::get<Currency>(data).tenThousandths);
    if (std::holds_alternative<Date>(data))
        return sqlite3_bind_double(statement, index, std::get<Date>(data).days);
    if (std::holds_alternative<Decimal>(data)) {
        const StoredDecimal stored = storedDecimal(std::get<Decimal>(data));
        return stored.whole ? sqlite3_bind_int64(statement, index, stored.integer)
                            : sqlite3_bind_double(statement, index, stored.real);
    }
    if (std::holds_alternative<std::string>(data)) {
        const auto& text = std::get<std::string>(data);
        return sqlite3_bind_text64(statement, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    }
    if (std::holds_alternative<Binary>(data)) {
        const auto& bytes = std::get<Binary>(data).bytes;
        return sqlite3_bind_blob64(statement, index, bytes.data(), bytes.size(), SQLITE_TRANSIENT);
    }
    return sqlite3_bind_null(statement, index);
}

// A result as Access keeps it: SQLite's storage read with the type the column's expression has.
Value resultValue(sqlite3_stmt* statement, int index, ColumnType type) {
    const int storage = sqlite3_column_type(statement, index);
    if (storage == SQLITE_NULL) return {};
    if (storage == SQLITE_TEXT) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, index));
        return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(statement, index)));
    }
    if (storage == SQLITE_BLOB) {
        const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_column_blob(statement, index));
        return Binary{std::vector<std::uint8_t>(bytes, bytes + sqlite3_column_bytes(statement, index))};
    }
    const double number = sqlite3_column_double(statement, index);
    switch (type) {
        case ColumnType::Currency:
            return Currency{storage == SQLITE_INTEGER ? sqlite3_column_int64(statement, index)
                                                      : static_cast<std::int64_t>(std::nearbyint(number))};
        case ColumnType::Date:
            return Date{number};
        case ColumnType::Boolean:
            return number != 0;
        case ColumnType::Double:
            return number;
        case ColumnType::Decimal: {
            if (storage == SQLITE_INTEGER) return Decimal{sqlite3_column_int64(statement, index), 0};
            const auto decimal = decimalOfStored(number);
            return decimal ? Value(*decimal) : Value(number);
        }
        default:
            if (storage == SQLITE_INTEGER)
                return static_cast<std::int64_t>(sqlite3_column_int64(statement, index));
            return number;
    }
}

// A file system for SQLite that has no files: the engine's database lives in memory, and sorting or
// grouping that outgrows memory must fail rather than spill into temporary files outside the folder
// the user chose.
sqlite3_vfs* memoryOnlyFileSystem() {
    static sqlite3_vfs vfs = [] {
        sqlite3_vfs copy = *sqlite3_vfs_find(nullptr);
        copy.zName = "calvenor-memory-only";
        copy.pNext = nullptr;
        copy.xOpen = [](sqlite3_vfs*, sqlite3_filename, sqlite3_file*, int, int*) { return SQLITE_CANTOPEN; };
        return copy;
    }();
    static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    return registered ? &vfs : nullptr;
}

std::string capitalised(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

QueryEngine::QueryEngine(const QueryLimits& limits, Loader loader)
    : limits_(limits), loader_(std::move(loader)), heapLimit_(static_cast<sqlite3_int64>(limits.maxBytes)) {
    sqlite3* opened = nullptr;
    const sqlite3_vfs* fileSystem = memoryOnlyFileSystem();
    const int code = fileSystem
                         ? sqlite3_open_v2(":memory:", &opened, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                           fileSystem->zName)
                         : SQLITE_CANTOPEN;
    database_.reset(opened);
    if (code != SQLITE_OK || !registerAccessFunctions(opened) || !registerCodeFunctions(opened, &codeCalls_))
        throw QueryError("The query engine cannot start.");
    sqlite3_progress_handler(
        opened, kStepsPerCheck,
        [](void* self) -> int {
            auto& left = static_cast<QueryEngine*>(self)->stepsLeft_;
            if (left == 0) return 1;
            --left;
            return 0;
        },
        this);
}

QueryEngine::~QueryEngine() {
    insert_.reset();
    database_.reset();
}

void QueryEngine::fail(int code, const std::string& description) {
    if (!codeCalls_.failure.empty()) {
        const std::string why = std::move(codeCalls_.failure);
        codeCalls_.failure.clear();
        throw CodeFailure("Computing " + description + " failed: " + why);
    }
    if (code == SQLITE_INTERRUPT)
        throw QueryError("Computing " + description + " took more steps than allowed; it was stopped.");
    if (code == SQLITE_NOMEM || code == SQLITE_CANTOPEN || code == SQLITE_FULL)
        throw QueryError("Computing " + description + " needs more memory than allowed (" +
                         std::to_string(limits_.maxBytes / (1024 * 1024)) + " MB).");
    throw QueryError("Computing " + description + " failed: " + sqlite3_errmsg(database_.get()));
}

SqliteStatement QueryEngine::prepare(const std::string& sql, const std::string& description) {
    sqlite3_stmt* statement = nullptr;
    const int code =
        sqlite3_prepare_v2(database_.get(), sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
    SqliteStatement owned(statement);
    if (code != SQLITE_OK) fail(code, description);
    return owned;
}

void QueryEngine::execute(const std::string& sql, const std::string& description) {
    stepsLeft_ = limits_.maxSteps / kStepsPerCheck;
    codeCalls_.failure.clear();
    SqliteStatement statement = prepare(sql, description);
    const int code = sqlite3_step(statement.get());
    if (code != SQLITE_DONE && code != SQLITE_ROW) fail(code, description);
}

void QueryEngine::beginTable(const std::string& name, const std::vector<Column>& columns) {
    std::string definition, placeholders;
    for (const Column& column : columns) {
        definition += (definition.empty() ? "" : ", ") + quoteName(column.name) +
                      (column.key ? " INTEGER PRIMARY KEY" : "");
        placeholders += placeholders.empty() ? "?" : ", ?";
    }
    const std::string description = "the table '" + name + "'";
    if (columns.empty()) throw QueryError("The table '" + name + "' has no columns.");
    execute("CREATE TABLE " + quoteName(name) + " (" + definition + ")", description);
    execute("BEGIN", description);
    insert_ = prepare("INSERT INTO " + quoteName(name) + " VALUES (" + placeholders + ")", description);
    tableName_ = name;
    tableColumns_ = columns;
    tableRows_ = 0;
}

void QueryEngine::insertRow(const std::vector<Value>& row) {
    if (++tableRows_ > limits_.maxRowsPerTable)
        throw QueryError("The table '" + tableName_ + "' holds more than " +
                         std::to_string(limits_.maxRowsPerTable) + " rows.");
    sqlite3_stmt* statement = insert_.get();
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);  // a short row leaves the rest Null, not the row before's
    for (std::size_t i = 0; i < row.size() && i < tableColumns_.size(); ++i)
        if (const int code = bind(statement, static_cast<int>(i) + 1, row[i]); code != SQLITE_OK)
            fail(code, "the table '" + tableName_ + "'");
    if (const int code = sqlite3_step(statement); code != SQLITE_DONE)
        fail(code, "the table '" + tableName_ + "'");
}

void QueryEngine::endTable() {
    insert_.reset();
    execute("COMMIT", "the table '" + tableName_ + "'");
    loaded_[base::lowerAscii(tableName_)] = tableColumns_;
}

CompiledQuery QueryEngine::compile(const SelectQuery& query, const std::string& description) {
    try {
        return compileSelect(query, *this);
    } catch (const QueryError& error) {
        // Messages about a table or query name it already; the others are about this one.
        const std::string message = error.what();
        if (message.starts_with("The query '") || message.starts_with("The table '") ||
            message.starts_with("There is no ") || message.starts_with("Computing "))
            throw;
        throw QueryError(capitalised(description) + " cannot be computed. " + message);
    }
}

void QueryEngine::addQuery(const std::string& name, const SelectQuery& query) {
    const std::size_t asked = undeclared_.size();
    CompiledQuery compiled = compile(query, "the query '" + name + "'");
    viewParameters_[base::lowerAscii(name)].assign(undeclared_.begin() + static_cast<std::ptrdiff_t>(asked),
                                             undeclared_.end());
    execute("CREATE VIEW " + quoteName(name) + " AS " + compiled.sql, "the query '" + name + "'");
    loaded_[base::lowerAscii(name)] = std::move(compiled.columns);
}

const std::vector<Column>& QueryEngine::columnsOf(const std::string& name) {
    const std::string k = base::lowerAscii(name);
    if (const auto found = loaded_.find(k); found != loaded_.end()) {
        // A query already made a view asks for its parameters again in each query using it.
        if (const auto asked = viewParameters_.find(k); asked != viewParameters_.end())
            undeclared_.insert(undeclared_.end(), asked->second.begin(), asked->second.end());
        return found->second;
    }
    if (loading_.count(k)) throw QueryError("The query '" + name + "' is based on itself.");
    if (loading_.size() >= kMaxQueryNesting)
        throw QueryError("The query '" + name + "' is nested in too many other queries.");
    loading_.insert(k);
    try {
        loader_(*this, name);
    } catch (...) {
        loading_.erase(k);
        throw;
    }
    loading_.erase(k);
    const auto found = loaded_.find(k);
    if (found == loaded_.end()) throw QueryError("There is no table or query named '" + name + "'.");
    return found->second;
}

void QueryEngine::setReportProperties(std::map<std::string, Value> properties) {
    reportProperties_.clear();
    for (auto& [name, value] : properties) reportProperties_[base::lowerAscii(name)] = std::move(value);
}

std::optional<Value> QueryEngine::reportProperty(const std::string& name) const {
    const auto found = reportProperties_.find(base::lowerAscii(name));
    if (found == reportProperties_.end()) return std::nullopt;
    return found->second;
}

void QueryEngine::declareParameters(const std::vector<Parameter>& declared) {
    for (const Parameter& parameter : declared) {
        const std::string key = parameterKey(parameter.name);
        bool known = false;
        for (const Parameter& other : declared_) known = known || parameterKey(other.name) == key;
        if (!known) declared_.push_back(parameter);
    }
}

std::vector<Parameter> QueryEngine::parametersAsked() const {
    std::vector<Parameter> asked = declared_;
    for (const Parameter& parameter : undeclared_) {
        bool known = false;
        for (const Parameter& other : asked)
            known = known || parameterKey(other.name) == parameterKey(parameter.name);
        if (!known) asked.push_back(parameter);
    }
    return asked;
}

std::optional<Translated> QueryEngine::parameter(const std::string& name) {
    const std::string key = parameterKey(name);
    Parameter asked{name, 0};
    for (const Parameter& parameter : declared_)
        if (parameterKey(parameter.name) == key) asked = parameter;
    undeclared_.push_back(asked);
    const std::string* text = parameterValues_.find(name);
    // Compiled with Null in its place: select names every parameter missing at once.
    return text ? literal(parameterValue(asked, *text)) : Translated{"NULL", ColumnType::Unknown};
}

std::vector<Parameter> QueryEngine::parametersOf(const SelectQuery& query, const std::string& description) {
    undeclared_.clear();
    compile(query, description);
    return parametersAsked();
}

RowSet QueryEngine::select(const SelectQuery& query, const std::string& description) {
    // What this query asks for: names an earlier one asked for may be report properties since.
    undeclared_.clear();
    const CompiledQuery compiled = compile(query, description);
    std::string missing;
    for (const Parameter& parameter : parametersAsked())
        if (!parameterValues_.find(parameter.name)) missing += (missing.empty() ? "" : ", ") + parameter.name;
    if (!missing.empty())
        throw QueryError(capitalised(description) + " asks for parameter values (" + missing + ").");
    return rowsOf(compiled, description);
}

RowSet QueryEngine::rowsOf(const CompiledQuery& compiled, const std::string& description) {
    SqliteStatement statement = prepare(compiled.sql, description);
    RowSet result;
    for (const Column& column : compiled.columns) result.columns.push_back(column.name);
    stepsLeft_ = limits_.maxSteps / kStepsPerCheck;
    codeCalls_.failure.clear();
    std::size_t resultBytes = 0;
    for (;;) {
        const int code = sqlite3_step(statement.get());
        if (code == SQLITE_DONE) break;
        if (code != SQLITE_ROW) fail(code, description);
        if (result.rows.size() >= limits_.maxResultRows)
            throw QueryError(capitalised(description) + " gives more than " +
                             std::to_string(limits_.maxResultRows) + " rows.");
        std::vector<Value> row;
        row.reserve(compiled.columns.size());
        for (std::size_t i = 0; i < compiled.columns.size(); ++i) {
            row.push_back(resultValue(statement.get(), static_cast<int>(i), compiled.columns[i].type));
            resultBytes += sizeof(Value);
            if (row.back().holds<std::string>()) resultBytes += row.back().get<std::string>().size();
            if (row.back().holds<Binary>()) resultBytes += row.back().get<Binary>().bytes.size();
        }
        if (resultBytes > limits_.maxBytes)
            throw QueryError(capitalised(description) + " gives more data than allowed (" +
                             std::to_string(limits_.maxBytes / (1024 * 1024)) + " MB).");
        result.rows.push_back(std::move(row));
    }
    return result;
}

}  // namespace platform::jet::query

#include "platform/jet/query/RecordSource.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>

#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/query/QueryEngine.h"
#include "platform/jet/query/SavedQuery.h"
#include "platform/jet/query/TableReader.h"
#include "platform/jet/tables/PageFile.h"
#include "platform/jet/tables/ScopedMdb.h"

namespace platform::jet::query {
namespace {

constexpr long kTableDefinitionPageMask = 0x00FFFFFF;  // a table's Id holds its definition page
enum ObjectType { LocalTable = 1, Query = 5, LinkedTable = 6, LinkedOdbcTable = 4 };

struct CatalogueEntry {
    std::string name;
    long id = 0, flags = 0;
    int type = 0;
    std::string database;     // a linked table's: the file it is linked from
    std::string foreignName;  // and its name there
};

std::int64_t wholeNumber(const Value& value) {
    if (value.holds<std::int64_t>()) return value.get<std::int64_t>();
    if (value.holds<std::string>()) return std::strtoll(value.get<std::string>().c_str(), nullptr, 10);
    return 0;
}

std::string textOf(const Value& value) {
    return value.holds<std::string>() ? value.get<std::string>() : std::string();
}

// The values of named columns of a table's rows, as read by the reader.
class NamedColumns {
  public:
    explicit NamedColumns(std::vector<std::string> wanted) : wanted_(std::move(wanted)) {}
    void columns(const std::vector<Column>& columns) {
        for (const auto& name : wanted_) {
            std::optional<std::size_t> index;
            for (std::size_t i = 0; i < columns.size(); ++i)
                if (base::lowerAscii(columns[i].name) == base::lowerAscii(name)) index = i;
            if (!index) throw QueryError("The database's catalogue lacks the column " + name + ".");
            indexes_.push_back(*index);
        }
    }
    const Value& operator()(const std::vector<Value>& row, std::size_t wanted) const {
        return row[indexes_[wanted]];
    }
    // Only these columns are read: the others may hold long values (designs, attachments' files).
    std::function<bool(const std::string&)> filter() const {
        return [this](const std::string& name) {
            for (const auto& wanted : wanted_)
                if (base::lowerAscii(wanted) == base::lowerAscii(name)) return true;
            return false;
        };
    }

  private:
    std::vector<std::string> wanted_;
    std::vector<std::size_t> indexes_;
};

// The objects of one database, and the rows of its saved queries, read once each when first needed.
class Database {
  public:
    Database(MdbHandle* database, const QueryLimits& limits)
        : reader_(database, limits.maxRowsPerTable, limits.maxBytes) {
        NamedColumns columns({"Id", "Name", "Type", "Flags", "Database", "ForeignName"});
        reader_.read(
            "MSysObjects", page::kCatalogueDefinitionPage,
            [&](const std::vector<Column>& described) { columns.columns(described); },
            [&](std::vector<Value>&& row) {
                CatalogueEntry entry{textOf(columns(row, 1)),
                                     static_cast<long>(wholeNumber(columns(row, 0))),
                                     static_cast<long>(wholeNumber(columns(row, 3))),
                                     static_cast<int>(wholeNumber(columns(row, 2))),
                                     textOf(columns(row, 4)),
                                     textOf(columns(row, 5))};
                if (entry.type == LocalTable) tableNames_.emplace(entry.id, entry.name);
                if (entry.type == LocalTable || entry.type == Query || entry.type == LinkedTable ||
                    entry.type == LinkedOdbcTable)
                    objects_.emplace(base::lowerAscii(entry.name), entry);
            },
            columns.filter());
        reader_.readComplexColumnsWith([this](std::uint32_t complexId) { return complexColumn(complexId); });
    }

    const CatalogueEntry* find(std::string_view name) const {
        const auto found = objects_.find(base::lowerAscii(name));
        return found == objects_.end() ? nullptr : &found->second;
    }

    // Loads the table under the name it is known by where it is read (a linked table's in the database
    // linking it).
    // columnsOnly: no row is read, for a query that is only compiled.
    void loadTable(QueryEngine& engine, const CatalogueEntry& table, const std::string& as,
                   bool columnsOnly) {
        struct ColumnsRead {};
        try {
            reader_.read(
                table.name, static_cast<std::uint32_t>(table.id & kTableDefinitionPageMask),
                [&](const std::vector<Column>& columns) {
                    engine.beginTable(as, columns);
                    if (columnsOnly) throw ColumnsRead{};
                },
                [&](std::vector<Value>&& row) { engine.insertRow(row); });
        } catch (const ColumnsRead&) {
        }
        engine.endTable();
    }

    const std::vector<QueryRow>& queryRows(long queryId) {
        if (!queryRows_) readQueryRows();
        static const std::vector<QueryRow> none;
        const auto found = queryRows_->find(queryId);
        return found == queryRows_->end() ? none : found->second;
    }

  private:
    struct ComplexColumnEntry {
        std::string column;
        long typeTable = 0, flatTable = 0;
    };

    // A multi-value column lists its values, an attachment column its files' names, as Access shows
    // them; a memo's version history is hidden. Their rows are in the column's own hidden table, under
    // the key the table's row holds.
    ComplexColumn complexColumn(std::uint32_t complexId) {
        // A column's values are kept in plain tables; one naming a table with such columns again is damage.
        if (readingComplexValues_)
            throw QueryError(
                "The values of a multi-value or attachment column are kept in a table that has "
                "such columns itself.");
        if (!complexColumns_) readComplexColumns();
        const auto entry = complexColumns_->find(complexId);
        const auto typeTable =
            entry == complexColumns_->end() ? tableNames_.end() : tableNames_.find(entry->second.typeTable);
        const auto flatTable =
            entry == complexColumns_->end() ? tableNames_.end() : tableNames_.find(entry->second.flatTable);
        if (typeTable == tableNames_.end() || flatTable == tableNames_.end())
            throw QueryError("The database's catalogue lacks a multi-value or attachment column's values.");
        ComplexColumn complex;
        if (base::lowerAscii(typeTable->second).starts_with("msyscomplextypevh_")) {
            complex.hidden = true;
            return complex;
        }
        const bool attachments = base::lowerAscii(typeTable->second) == "msyscomplextype_attachment";
        NamedColumns columns({"_" + entry->second.column, attachments ? "FileName" : "Value"});
        readingComplexValues_ = true;
        const struct Done {
            bool& flag;
            ~Done() { flag = false; }
        } done{readingComplexValues_};
        reader_.read(
            flatTable->second, static_cast<std::uint32_t>(flatTable->first & kTableDefinitionPageMask),
            [&](const std::vector<Column>& described) { columns.columns(described); },
            [&](std::vector<Value>&& row) {
                const Value& value = columns(row, 1);
                if (value.isNull()) return;
                std::string& listed = complex.values[wholeNumber(columns(row, 0))];
                listed += (listed.empty() ? "" : ", ") + displayText(value);
            },
            columns.filter());
        return complex;
    }

    void readComplexColumns() {
        complexColumns_.emplace();
        const CatalogueEntry* table = find("MSysComplexColumns");
        if (!table || table->type != LocalTable) return;
        NamedColumns columns({"ComplexID", "ColumnName", "ComplexTypeObjectID", "FlatTableID"});
        reader_.read(
            table->name, static_cast<std::uint32_t>(table->id & kTableDefinitionPageMask),
            [&](const std::vector<Column>& described) { columns.columns(described); },
            [&](std::vector<Value>&& row) {
                complexColumns_->emplace(static_cast<std::uint32_t>(wholeNumber(columns(row, 0))),
                                         ComplexColumnEntry{textOf(columns(row, 1)),
                                                            static_cast<long>(wholeNumber(columns(row, 2))),
                                                            static_cast<long>(wholeNumber(columns(row, 3)))});
            },
            columns.filter());
    }

    void readQueryRows() {
        queryRows_.emplace();
        const CatalogueEntry* table = find("MSysQueries");
        if (!table || table->type != LocalTable) throw QueryError("The database keeps no saved queries.");
        NamedColumns columns({"ObjectId", "Attribute", "Expression", "Flag", "Name1", "Name2"});
        reader_.read(
            table->name, static_cast<std::uint32_t>(table->id & kTableDefinitionPageMask),
            [&](const std::vector<Column>& described) { columns.columns(described); },
            [&](std::vector<Value>&& row) {
                (*queryRows_)[static_cast<long>(wholeNumber(columns(row, 0)))].push_back(
                    {static_cast<int>(wholeNumber(columns(row, 1))), textOf(columns(row, 2)),
                     static_cast<int>(wholeNumber(columns(row, 3))), textOf(columns(row, 4)),
                     textOf(columns(row, 5))});
            },
            columns.filter());
    }

    TableReader reader_;
    std::map<std::string, CatalogueEntry> objects_;  // by lower-case name
    std::map<long, std::string> tableNames_;         // local tables by Id
    std::optional<std::map<std::uint32_t, ComplexColumnEntry>> complexColumns_;
    bool readingComplexValues_ = false;
    std::optional<std::map<long, std::vector<QueryRow>>> queryRows_;
};

// The folder of the file libmdb reads: where a linked database is looked for when the path its link
// keeps does not exist (a Windows path, or a folder moved). Empty for a decrypted copy in memory.
std::filesystem::path folderOf(MdbHandle* mdb) {
    if (!mdb || !mdb->f || !mdb->f->stream) return {};
    std::error_code error;
    const auto path =
        std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fileno(mdb->f->stream)), error);
    if (error || !std::filesystem::is_regular_file(path, error)) return {};
    return path.parent_path();
}

// The file a link names: the path it keeps, else a file of the same name (letter case aside, as
// Windows compares names) in the folder given.
std::optional<std::filesystem::path> linkedFile(const std::string& stored,
                                                const std::filesystem::path& folder) {
    std::error_code error;
    if (!stored.empty() && std::filesystem::is_regular_file(stored, error))
        return std::filesystem::path(stored);
    const std::string name = base::lowerAscii(stored.substr(stored.find_last_of("\\/") + 1));
    if (name.empty() || folder.empty()) return std::nullopt;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error))
        if (base::lowerAscii(entry->path().filename().string()) == name && entry->is_regular_file(error))
            return entry->path();
    return std::nullopt;
}

// Why a file is no database we can read, before libmdb opens it: not one at all, or its pages encrypted
// (a decrypted copy needs its password, which only the program asks for). Empty when it can be read.
std::string unreadableDatabase(const std::filesystem::path& path) {
    const auto file = helper::PageFile::open(path.c_str());
    auto first = file ? file->read(0) : std::nullopt;
    if (!first || first->size() < header::kEncryptionInfoOffset) return "is no Access database";
    const std::string_view signature(reinterpret_cast<const char*>(first->data()) + header::kSignatureOffset,
                                     header::kJetSignature.size());
    if (signature != header::kJetSignature && signature != header::kAceSignature)
        return "is no Access database";
    const bool jet3 = (*first)[header::kVersionOffset] == header::kJet3Version;
    header::applyHeaderCipher(*first, jet3 ? header::kJet3EncryptedLength : header::kEncryptedLength);
    if (base::getU32(*first, header::kPageKeyOffset) != 0 ||
        (!jet3 && base::getU16(*first, header::kEncryptionInfoLengthOffset) != 0))
        return "is encrypted";
    return {};
}

bool isSqlText(std::string_view source) {
    const std::string start = base::lowerAscii(source.substr(0, 12));
    return start.starts_with("select") || start.starts_with("parameters") || start.starts_with("transform") ||
           start.starts_with("(");
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

namespace {

// What is done with the record source's query in an engine reading the database: its rows read, or its
// parameters listed (no values: its tables' rows are not read).
template <typename Result>
Result withRecordSource(
    MdbHandle* mdb, std::string_view recordSource, const QueryLimits& limits, const ParameterValues* values,
    CodeFunctions* code, const std::function<Result(QueryEngine&, const SelectQuery&, const std::string&)>& what) {
    const bool columnsOnly = values == nullptr;
    std::string_view source = trimmed(recordSource);
    if (source.empty()) throw QueryError("The report has no record source.");
    Database database(mdb, limits);
    // The databases linked tables are read from, each opened once.
    struct Linked {
        helper::ScopedMdb mdb;
        std::unique_ptr<Database> database;
    };
    std::map<std::string, Linked> linked;
    const auto loadLinkedTable = [&](QueryEngine& into, const CatalogueEntry& link) {
        const std::string named = "The table '" + link.name + "' is linked from the database " +
                                  (link.database.empty() ? "it names" : link.database);
        const auto path = linkedFile(link.database, folderOf(mdb));
        if (!path) throw QueryError(named + ", which cannot be found.");
        Linked& other = linked[path->string()];
        if (!other.database) {
            if (const std::string why = unreadableDatabase(*path); !why.empty())
                throw QueryError(named + ", which " + why + ".");
            other.mdb.reset(mdb_open(path->c_str(), MDB_NOFLAGS));
            if (!other.mdb) throw QueryError(named + ", which cannot be opened.");
            try {
                other.database = std::make_unique<Database>(other.mdb.get(), limits);
            } catch (const QueryError& error) {
                throw QueryError(named + ", which cannot be read: " + error.what());
            }
        }
        const std::string foreign = link.foreignName.empty() ? link.name : link.foreignName;
        const CatalogueEntry* table = other.database->find(foreign);
        // A link always names a table of its own database: Access links a linked table to its source.
        if (!table || table->type != LocalTable)
            throw QueryError(named + ", which holds no table '" + foreign + "'.");
        other.database->loadTable(into, *table, link.name, columnsOnly);
    };
    QueryEngine engine(limits, [&](QueryEngine& into, const std::string& name) {
        const CatalogueEntry* object = database.find(name);
        if (!object) throw QueryError("There is no table or query named '" + name + "'.");
        if (object->type == LinkedOdbcTable)
            throw QueryError("The table '" + name +
                             "' is linked from an ODBC data source, which is not read.");
        if (object->type == LinkedTable) return loadLinkedTable(into, *object);
        if (object->type == LocalTable) return database.loadTable(into, *object, object->name, columnsOnly);
        const auto& rows = database.queryRows(object->id);
        into.declareParameters(savedQueryParameters(rows));
        into.addQuery(object->name, rebuildSavedQuery(object->name, object->flags, rows));
    });
    if (values) engine.setParameterValues(*values);
    engine.setCodeFunctions(code);
    if (isSqlText(source)) {
        SelectQuery query;
        try {
            engine.declareParameters(takeParametersClause(source));
            query = parseSelect(source);
        } catch (const QueryError& error) {
            throw QueryError("The record source's SQL text cannot be read: " + std::string(error.what()));
        }
        return what(engine, query, "the record source's SQL text");
    }
    if (source.size() >= 2 && source.front() == '[' && source.back() == ']')
        source = source.substr(1, source.size() - 2);
    const std::string name(source);
    engine.columnsOf(name);  // loads it, or says why not
    SelectQuery all;
    all.columns.push_back({"*", ""});
    auto table = std::make_shared<FromItem>();
    table->table = name;
    all.from.push_back(table);
    return what(engine, all, "the record source '" + name + "'");
}

}  // namespace

RowSet readRecordSource(MdbHandle* mdb, std::string_view recordSource, const QueryLimits& limits,
                        const ParameterValues& values, CodeFunctions* code) {
    return withRecordSource<RowSet>(
        mdb, recordSource, limits, &values, code,
        [](QueryEngine& engine, const SelectQuery& query, const std::string& description) {
            return engine.select(query, description);
        });
}

RowSet readRecordSource(MdbHandle* mdb, std::string_view recordSource, const QueryLimits& limits) {
    return readRecordSource(mdb, recordSource, limits, ParameterValues{});
}

std::vector<Parameter> recordSourceParameters(MdbHandle* mdb, std::string_view recordSource,
                                              const QueryLimits& limits, CodeFunctions* code) {
    return withRecordSource<std::vector<Parameter>>(
        mdb, recordSource, limits, nullptr, code,
        [](QueryEngine& engine, const SelectQuery& query, const std::string& description) {
            return engine.parametersOf(query, description);
        });
}

}  // namespace platform::jet::query

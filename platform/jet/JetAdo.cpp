#include "platform/jet/JetAdo.h"

#include <optional>
#include <vector>

#include "base/AsciiCase.h"
#include "platform/Failure.h"
#include "platform/jet/ConnectionString.h"
#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"

namespace platform::jet {
namespace {

// ADO passes a provider's failures on with E_FAIL and the provider's description.
constexpr long kProviderFailure = -2147467259;
constexpr long kBadInitializationString = -2147217805;

[[noreturn]] void failClosed() {
    throw Failure("Operation is not allowed when the object is closed.", 3704);
}

class SchemaRecordset : public ado::Recordset {
  public:
    explicit SchemaRecordset(std::vector<SchemaTable> rows) : rows_(std::move(rows)) {}

    bool eof() override {
        requireOpen();
        return position_ >= rows_.size();
    }

    std::string field(std::string_view name) override {
        requireOpen();
        auto column = columnOf(name);
        if (!column)
            throw Failure(
                "Item cannot be found in the collection corresponding to the requested name or ordinal.",
                3265);
        requireCurrentRow();
        if (*column == Column::Type) return rows_[position_].type;
        if (*column == Column::Name) return rows_[position_].name;
        return {};  // the catalogue's other columns are Null here
    }

    void moveNext() override {
        requireOpen();
        requireCurrentRow();
        ++position_;
    }

    void close() override {
        requireOpen();
        open_ = false;
    }

  private:
    enum class Column { Type, Name, Other };

    static std::optional<Column> columnOf(std::string_view name) {
        std::string field(name);
        if (base::equalIgnoringCase(field, "TABLE_TYPE")) return Column::Type;
        if (base::equalIgnoringCase(field, "TABLE_NAME")) return Column::Name;
        for (const char* other : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_GUID", "DESCRIPTION",
                                  "TABLE_PROPID", "DATE_CREATED", "DATE_MODIFIED"})
            if (base::equalIgnoringCase(field, other)) return Column::Other;
        return std::nullopt;
    }

    void requireOpen() const {
        if (!open_) failClosed();
    }
    void requireCurrentRow() const {
        if (position_ >= rows_.size())
            throw Failure(
                "Either BOF or EOF is True, or the current record has been deleted. Requested operation "
                "requires a current record.",
                3021);
    }

    std::vector<SchemaTable> rows_;
    std::size_t position_ = 0;
    bool open_ = true;
};

class JetConnection : public ado::Connection {
  public:
    explicit JetConnection(const EngineOptions& options) : options_(options) {}

    void open(std::string_view connectionString) override {
        if (database_) throw Failure("Operation is not allowed when the object is open.", 3705);
        auto settings = ConnectionString::parse(connectionString);
        if (!settings)
            throw Failure("Format of the initialization string does not conform to the OLE DB specification.",
                          kBadInitializationString);
        auto formats = acceptedFormats(settings->value("Provider").value_or(""));
        if (!formats)
            throw Failure("Provider cannot be found. It may not be properly installed.",
                          ado::kProviderNotFound);
        std::string path = settings->value("Data Source").value_or("");
        std::string password = settings->value("Jet OLEDB:Database Password").value_or("");
        try {
            database_ = openDatabaseFile(path, password, *formats, options_);
        } catch (const DatabaseError& error) {
            throw Failure(error.what(), kProviderFailure);
        }
    }

    std::unique_ptr<ado::Recordset> openSchema(int schema) override {
        if (!database_) failClosed();
        if (schema != ado::kSchemaTables)
            throw Failure("Object or provider is not capable of performing requested operation.", 3251);
        return std::make_unique<SchemaRecordset>(schemaTables(database_->objects));
    }

    void close() override {
        if (!database_) failClosed();
        database_.reset();
    }

  private:
    // Which files the named provider reads; empty for a provider that is not installed.
    static std::optional<AcceptedFormats> acceptedFormats(const std::string& provider) {
        if (base::equalIgnoringCase(provider, "Microsoft.Jet.OLEDB.4.0")) return AcceptedFormats::JetOnly;
        if (base::equalIgnoringCase(provider, "Microsoft.ACE.OLEDB.12.0")) return AcceptedFormats::JetAndAce;
        return std::nullopt;
    }

    EngineOptions options_;
    std::optional<DatabaseFile> database_;
};

}  // namespace

JetAdo::JetAdo(EngineOptions options) : options_(std::move(options)) {}

std::unique_ptr<ado::Connection> JetAdo::createConnection() {
    return std::make_unique<JetConnection>(options_);
}

}  // namespace platform::jet

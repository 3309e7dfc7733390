#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace platform {

// ADO, reached by its programmatic identifier "ADODB.Connection". Every operation raises Failure with
// the provider's description (and ADO's error number where it has one) when it fails.
namespace ado {

inline constexpr int kSchemaTables = 20;  // adSchemaTables
inline constexpr long kProviderNotFound = 3706;

class Recordset {
  public:
    virtual ~Recordset() = default;
    virtual bool eof() = 0;
    // The current row's value of the named field, as text.
    virtual std::string field(std::string_view name) = 0;
    virtual void moveNext() = 0;
    virtual void close() = 0;
};

class Connection {
  public:
    virtual ~Connection() = default;
    // Opens the data source the OLE DB connection string names ("Provider=...;Data Source=...").
    virtual void open(std::string_view connectionString) = 0;
    // For kSchemaTables one row per catalogue entry, with the fields "TABLE_TYPE" and "TABLE_NAME".
    virtual std::unique_ptr<Recordset> openSchema(int schema) = 0;
    virtual void close() = 0;
};

class Ado {
  public:
    virtual ~Ado() = default;
    // Creates an "ADODB.Connection"; fails when the data-access components are missing.
    virtual std::unique_ptr<Connection> createConnection() = 0;
};

}  // namespace ado
}  // namespace platform

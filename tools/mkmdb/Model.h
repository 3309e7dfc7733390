#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "Report.h"

// What an Access database file we write holds: user tables with typed columns and their rows, the
// names of its reports, and its password. Text is UTF-8 here; the writer stores it as UTF-16.
namespace mkmdb {

// Anything wrong with a description or with writing the file. The message names the culprit.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ColumnType { Text, Long, Double, DateTime, YesNo, Decimal };

// A Date/Time value: days since 1899-12-30, the fraction being the time of day.
struct Timestamp {
    double days = 0;
    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

struct Null {
    friend bool operator==(const Null&, const Null&) = default;
};

// A Decimal value: the whole number of its column's scale's units (up to 28 digits) and its sign.
struct DecimalUnits {
    bool negative = false;
    unsigned __int128 units = 0;
    friend bool operator==(const DecimalUnits&, const DecimalUnits&) = default;
};

// One cell. Text takes std::string, Long std::int32_t, Double double, DateTime Timestamp, YesNo bool,
// Decimal DecimalUnits;
// Null fits every column but YesNo, whose value Access keeps in the row's null bits.
using Value = std::variant<Null, std::string, std::int32_t, double, Timestamp, bool, DecimalUnits>;

struct Column {
    std::string name;
    ColumnType type = ColumnType::Text;
    int maxLength = 255;  // Text only: characters (UTF-16 code units), 1 to 255
    int precision = 18, scale = 0;  // Decimal only: digits in all (1 to 28), and after the point
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
    // Further rows made one at a time as the file is written, after `rows`, so that a table of
    // millions of rows is never held whole: makeRow(i, row) fills the row numbered i (from 0) in place.
    std::size_t madeRows = 0;
    std::function<void(std::size_t, std::vector<Value>&)> makeRow{};
};

// A saved select query in the parts Access keeps in MSysQueries, each expression in Access's SQL.
struct QuerySource {
    std::string name;  // a table or another query
    std::string alias;
};

struct QueryColumn {
    std::string expression;
    std::string alias;
};

enum class JoinKind { Inner = 1, Left = 2, Right = 3 };  // the values of the join row's Flag

struct QueryJoin {
    JoinKind kind = JoinKind::Inner;
    std::string left, right;  // sources, by alias where they have one
    std::string on;
};

struct QueryOrder {
    std::string expression;
    bool descending = false;
};

struct Query {
    std::string name;
    std::vector<QuerySource> sources;
    std::vector<QueryColumn> columns;
    std::vector<QueryJoin> joins;
    std::string where;
    std::vector<std::string> groupBy;
    std::string having;
    std::vector<QueryOrder> orderBy;
    bool distinct = false;
    std::int32_t top = 0;  // 0: all rows
    bool topPercent = false;
};

// How the pages after the header are protected. Jet's encoding keeps the file a Jet 4 one; the Office
// encryptions make it an ACE file (Access 2010) whose password is the encryption's.
enum class Encryption { None, JetEncoding, Rc4CryptoApi, StandardAes, Agile };

// A table linked from another Access database: the path the link keeps and the table's name there.
struct LinkedTable {
    std::string name;
    std::string database;
    std::string foreignName;
};

struct Database {
    std::vector<Table> tables;
    std::vector<std::string> reports;  // in the order the catalogue lists them
    std::string password;              // empty: none; at most 20 characters
    Timestamp created{45292.375};      // 2024-01-01 09:00; fixed so that builds are reproducible
    // Reports deleted since: their rows follow the others', marked deleted as Access marks them.
    std::vector<std::string> deletedReports;
    Encryption encryption = Encryption::None;
    std::uint32_t spinCount = 100000;  // agile only: the hash rounds of the password's key
    std::vector<Query> queries{};      // saved queries, in the order the catalogue lists them
    // The designs of reports, by name. A report without one is only its catalogue entry: Access would
    // find no design for it.
    std::map<std::string, Report> designs{};
    std::vector<LinkedTable> links{};
};

// The longest object name Access accepts, in characters.
inline constexpr int kMaxObjectNameLength = 64;
inline constexpr int kMaxPasswordLength = 20;

}  // namespace mkmdb

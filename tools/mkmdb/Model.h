#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

// What an Access database file we write holds: user tables with typed columns and their rows, the
// names of its reports, and its password. Text is UTF-8 here; the writer stores it as UTF-16.
namespace mkmdb {

// Anything wrong with a description or with writing the file. The message names the culprit.
class Error : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class ColumnType { Text, Long, Double, DateTime, YesNo };

// A Date/Time value: days since 1899-12-30, the fraction being the time of day.
struct Timestamp {
    double days = 0;
    friend bool operator==(const Timestamp&, const Timestamp&) = default;
};

struct Null {
    friend bool operator==(const Null&, const Null&) = default;
};

// One cell. Text takes std::string, Long std::int32_t, Double double, DateTime Timestamp, YesNo bool;
// Null fits every column but YesNo, whose value Access keeps in the row's null bits.
using Value = std::variant<Null, std::string, std::int32_t, double, Timestamp, bool>;

struct Column {
    std::string name;
    ColumnType type = ColumnType::Text;
    int maxLength = 255;  // Text only: characters (UTF-16 code units), 1 to 255
};

struct Table {
    std::string name;
    std::vector<Column> columns;
    std::vector<std::vector<Value>> rows;
};

// How the pages after the header are protected. Jet's encoding keeps the file a Jet 4 one; the Office
// encryptions make it an ACE file (Access 2010) whose password is the encryption's.
enum class Encryption { None, JetEncoding, Rc4CryptoApi, StandardAes, Agile };

struct Database {
    std::vector<Table> tables;
    std::vector<std::string> reports;  // in the order the catalogue lists them
    std::string password;              // empty: none; at most 20 characters
    Timestamp created{45292.375};      // 2024-01-01 09:00; fixed so that builds are reproducible
    // Reports deleted since: their rows follow the others', marked deleted as Access marks them.
    std::vector<std::string> deletedReports;
    Encryption encryption = Encryption::None;
    std::uint32_t spinCount = 100000;  // agile only: the hash rounds of the password's key
};

// The longest object name Access accepts, in characters.
inline constexpr int kMaxObjectNameLength = 64;
inline constexpr int kMaxPasswordLength = 20;

}  // namespace mkmdb

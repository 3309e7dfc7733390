#pragma once

// The values the query engine answers with, its bounds and its error: plain C++, no libmdb, so that the code
// drawing or evaluating rows does not see the database library.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#include "platform/jet/query/Decimal.h"

namespace platform::jet::query {

// An amount of money as Access keeps it: a whole number of ten-thousandths, so that sums stay exact.
struct Currency {
    std::int64_t tenThousandths = 0;
    auto operator<=>(const Currency&) const = default;
};

// A date and time as Access keeps it: days since 1899-12-30, the time of day as the fraction.
struct Date {
    double days = 0;
    auto operator<=>(const Date&) const = default;
};

struct Binary {
    std::vector<std::uint8_t> bytes;
    auto operator<=>(const Binary&) const = default;
};

// One value as Access keeps it: Null, Boolean, whole numbers, Double, Currency, Decimal, Date, Text,
// Binary.
struct Value {
    using Data = std::variant<std::monostate, bool, std::int64_t, double, Currency, Date, std::string, Binary,
                              Decimal>;
    Data data;

    Value() = default;
    template <typename T>
    requires std::is_constructible_v<Data, T&&> Value(T&& value) : data(std::forward<T>(value)) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(data); }
    template <typename T>
    bool holds() const {
        return std::holds_alternative<T>(data);
    }
    template <typename T>
    const T& get() const {
        return std::get<T>(data);
    }
    bool operator==(const Value&) const = default;
};

// For looking at rows: unformatted but readable ("Null", "True", "12.5", "1996-07-04 00:00:00", ...).
std::string displayText(const Value& value);

struct RowSet {
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
};

// Bounds no real report reaches; past them the query stops with a clear message.
struct QueryLimits {
    std::size_t maxRowsPerTable = 1'000'000;
    std::size_t maxResultRows = 1'000'000;
    std::size_t maxBytes = 512u * 1024 * 1024;  // memory of the query engine
    std::uint64_t maxSteps = 1'000'000'000;     // SQLite's steps for one query: seconds of work
};

// What could not be read or answered, with a message naming the table or query.
class QueryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace platform::jet::query

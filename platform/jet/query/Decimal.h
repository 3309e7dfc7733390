#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::jet::query {

// A Decimal as Access keeps it: a whole number of up to 28 digits (96 bits and a sign) and how many of
// its digits lie after the point. Kept without trailing zeros after the point, so that equal amounts are
// equal values.
struct Decimal {
    __int128 unscaled = 0;
    int scale = 0;
    bool operator==(const Decimal&) const = default;
};

// The amount with its scale's trailing zeros dropped (1.50 is 1.5); a negative scale made whole.
// None when it does not fit 38 digits.
std::optional<Decimal> normalizedDecimal(__int128 unscaled, int scale);

// Exact text: "-1234567890123456789.12", "0.5", "0"; the point is '.'.
std::string decimalText(const Decimal& value);

// A plain decimal number ("12.50", "-3", ".5"), exact; none for anything else or past 38 digits.
std::optional<Decimal> decimalOfText(std::string_view text);

// The nearest double, for arithmetic and functions, which Access does in doubles too.
double decimalAsDouble(const Decimal& value);

// The sum, exact; none when it does not fit 38 digits.
std::optional<Decimal> decimalSum(const Decimal& a, const Decimal& b);

// SQLite has no decimal type. A Decimal is stored there as a whole number when it is one that fits 64
// bits (exact), otherwise as a double: its nearest when it has up to 15 significant digits (distinct
// ones have distinct doubles, in the same order); a longer one is remembered by its double, which is
// its nearest unless that is another's, then the next free one beside it. So distinct Decimals compare,
// sort and group apart, in order except among values within a few units of a double's last place, and
// the exact value is given back where a result is a stored Decimal unchanged (selected, sorted,
// grouped, Min, Max, a sum). A double no Decimal was stored as (arithmetic) reads as its 15 significant
// digits. A long Decimal compared with a literal of more than 15 digits may miss it when it was moved.
struct StoredDecimal {
    bool whole = false;  // stored as `integer`, else as `real`
    long long integer = 0;
    double real = 0;
};
// How a Decimal is stored, remembering its double.
StoredDecimal storedDecimal(const Decimal& value);
// The Decimal a stored double stands for; none for one beyond 38 digits or no number.
std::optional<Decimal> decimalOfStored(double stored);

}  // namespace platform::jet::query

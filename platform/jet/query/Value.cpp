#include <algorithm>
#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unordered_map>

#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/Value.h"

namespace platform::jet::query {

std::string displayText(const Value& value) {
    char buffer[64];
    if (value.isNull()) return "Null";
    if (value.holds<bool>()) return value.get<bool>() ? "True" : "False";
    if (value.holds<std::int64_t>()) return std::to_string(value.get<std::int64_t>());
    if (value.holds<double>()) {
        std::snprintf(buffer, sizeof buffer, "%.15g", value.get<double>());
        return buffer;
    }
    if (value.holds<Currency>()) {
        // Exact: the ten-thousandths as a decimal, without trailing zeros.
        const std::int64_t amount = value.get<Currency>().tenThousandths;
        const std::uint64_t magnitude =
            amount < 0 ? 0 - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
        std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ".%04" PRIu64, amount < 0 ? "-" : "",
                      magnitude / 10000, magnitude % 10000);
        std::string text = buffer;
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
        return text;
    }
    if (value.holds<Decimal>()) return decimalText(value.get<Decimal>());
    if (value.holds<Date>()) {
        const CivilTime t = civilTime(value.get<Date>().days);
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
        return buffer;
    }
    if (value.holds<std::string>()) return value.get<std::string>();
    return "(" + std::to_string(value.get<Binary>().bytes.size()) + " bytes)";
}

}  // namespace platform::jet::query

namespace platform::jet::query {
namespace {

constexpr int kMaxDigits = 38;  // what 128 bits hold whole

__int128 powerOfTen(int n) {
    __int128 p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

unsigned __int128 magnitude(__int128 n) {
    return n < 0 ? 0 - static_cast<unsigned __int128>(n) : static_cast<unsigned __int128>(n);
}

std::string digitsOf(unsigned __int128 n) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    return digits;
}

// The exact values behind stored doubles, one for each double.
struct ExactDecimals {
    std::mutex mutex;
    std::unordered_map<std::uint64_t, Decimal> byDouble;
};
ExactDecimals& exactDecimals() {
    static ExactDecimals exact;
    return exact;
}
constexpr std::size_t kMaxRemembered = 4'000'000;  // past it, further ones are read as their double
constexpr int kMostSteps = 64;                     // doubles tried on a value's side of its nearest

}  // namespace

std::optional<Decimal> normalizedDecimal(__int128 unscaled, int scale) {
    if (scale < 0) {
        if (-scale > kMaxDigits ||
            magnitude(unscaled) > magnitude(powerOfTen(kMaxDigits) / powerOfTen(-scale)))
            return std::nullopt;
        return Decimal{unscaled * powerOfTen(-scale), 0};
    }
    while (scale > 0 && unscaled % 10 == 0) unscaled /= 10, --scale;
    if (scale > kMaxDigits || digitsOf(magnitude(unscaled)).size() > kMaxDigits) return std::nullopt;
    return Decimal{unscaled == 0 ? 0 : unscaled, unscaled == 0 ? 0 : scale};
}

std::string decimalText(const Decimal& value) {
    std::string digits = digitsOf(magnitude(value.unscaled));
    const auto scale = static_cast<std::size_t>(std::max(value.scale, 0));
    if (digits.size() <= scale) digits.insert(0, scale + 1 - digits.size(), '0');
    if (scale > 0) digits.insert(digits.size() - scale, ".");
    return (value.unscaled < 0 ? "-" : "") + digits;
}

std::optional<Decimal> decimalOfText(std::string_view text) {
    std::size_t at = 0;
    const bool negative = !text.empty() && (text[0] == '-' || text[0] == '+') && text[at++] == '-';
    __int128 unscaled = 0;
    int scale = 0, digits = 0;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (digits > 0 || c != '0') ++digits;
            if (digits > kMaxDigits) return std::nullopt;
            unscaled = unscaled * 10 + (c - '0');
            scale += point;
        } else {
            return std::nullopt;
        }
    }
    if (text.size() == static_cast<std::size_t>(negative) + point) return std::nullopt;  // no digit
    return normalizedDecimal(negative ? -unscaled : unscaled, scale);
}

double decimalAsDouble(const Decimal& value) {
    return std::strtod(decimalText(value).c_str(), nullptr);
}

std::optional<Decimal> decimalSum(const Decimal& a, const Decimal& b) {
    const int scale = std::max(a.scale, b.scale);
    const auto widened = [scale](const Decimal& d) -> std::optional<__int128> {
        const __int128 factor = powerOfTen(scale - d.scale);
        __int128 result = 0;
        if (__builtin_mul_overflow(d.unscaled, factor, &result)) return std::nullopt;
        return result;
    };
    const auto left = widened(a), right = widened(b);
    __int128 sum = 0;
    if (!left || !right || __builtin_add_overflow(*left, *right, &sum)) return std::nullopt;
    return normalizedDecimal(sum, scale);
}

// The decimal of so many significant digits nearest the double.
std::optional<Decimal> significantDigits(double stored, int digits) {
    if (!std::isfinite(stored)) return std::nullopt;
    char text[40];
    std::snprintf(text, sizeof text, "%.*g", digits, stored);
    // %g may write an exponent: read it as the plain digits it stands for.
    const std::string plain = text;
    if (const auto e = plain.find('e'); e != std::string::npos) {
        const auto mantissa = decimalOfText(plain.substr(0, e));
        if (!mantissa) return std::nullopt;
        return normalizedDecimal(mantissa->unscaled, mantissa->scale - std::atoi(plain.c_str() + e + 1));
    }
    return decimalOfText(plain);
}

// How a double no Decimal was stored as reads: its 15 significant digits.
std::optional<Decimal> fifteenDigits(double stored) {
    return significantDigits(stored, 15);
}

StoredDecimal storedDecimal(const Decimal& value) {
    if (value.scale == 0 && value.unscaled >= INT64_MIN && value.unscaled <= INT64_MAX)
        return {true, static_cast<long long>(value.unscaled), 0};
    const double nearest = decimalAsDouble(value);
    // Up to 15 digits the double gives the value back by itself.
    if (fifteenDigits(nearest) == value) return {false, 0, nearest};
    // A longer one is remembered by its double; where that double is another's, or reads back by itself
    // as a shorter decimal, by the next free one on its side of that other: distinct values stay
    // distinct, their order off only among values within a few units of the double's last place.
    ExactDecimals& exact = exactDecimals();
    const std::lock_guard lock(exact.mutex);
    double real = nearest;
    std::optional<bool> above;
    for (int step = 0; step < kMostSteps; ++step) {
        std::optional<Decimal> other;
        if (const auto found = exact.byDouble.find(std::bit_cast<std::uint64_t>(real));
            found != exact.byDouble.end())
            other = found->second;
        else if (const auto shorter = fifteenDigits(real); shorter && decimalAsDouble(*shorter) == real)
            other = shorter;
        if (other == value) return {false, 0, real};
        if (!other) {
            if (exact.byDouble.size() >= kMaxRemembered) break;
            exact.byDouble.emplace(std::bit_cast<std::uint64_t>(real), value);
            return {false, 0, real};
        }
        if (!above) {
            const auto difference = decimalSum(value, Decimal{-other->unscaled, other->scale});
            above = difference && difference->unscaled > 0;
        }
        real = std::nextafter(real, *above ? INFINITY : -INFINITY);
    }
    return {false, 0, nearest};
}

std::optional<Decimal> decimalOfStored(double stored) {
    {
        ExactDecimals& exact = exactDecimals();
        const std::lock_guard lock(exact.mutex);
        const auto found = exact.byDouble.find(std::bit_cast<std::uint64_t>(stored));
        if (found != exact.byDouble.end()) return found->second;
    }
    return fifteenDigits(stored);
}

}  // namespace platform::jet::query

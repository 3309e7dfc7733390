#include "platform/jet/query/AccessFunctions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>
#include <type_traits>

#include "base/Utf8.h"
#include "platform/jet/query/AccessFormat.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {
namespace {

using Args = sqlite3_value**;

constexpr double kLongestText = 65535;  // characters Space and String make at most

bool isNull(sqlite3_value* v) {
    return sqlite3_value_type(v) == SQLITE_NULL;
}

std::string text(sqlite3_value* v) {
    const auto* bytes = sqlite3_value_text(v);
    return bytes ? std::string(reinterpret_cast<const char*>(bytes),
                               static_cast<std::size_t>(sqlite3_value_bytes(v)))
                 : std::string();
}

// A number as Access converts one: numbers as they are, text that reads as a number or a date.
std::optional<double> number(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return sqlite3_value_double(v);
        case SQLITE_TEXT: {
            const std::string t = text(v);
            char* end = nullptr;
            const double n = std::strtod(t.c_str(), &end);
            if (!t.empty() && end && std::string_view(end).find_first_not_of(' ') == std::string_view::npos)
                return n;
            return parseDate(t);
        }
        default:
            return std::nullopt;
    }
}

// The value as the translated SQL hands it over: a plain value with the kind its expression has.
Value valueOf(sqlite3_value* v, ColumnType kind) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_TEXT:
            return text(v);
        case SQLITE_BLOB: {
            const auto* bytes = static_cast<const std::uint8_t*>(sqlite3_value_blob(v));
            return Binary{std::vector<std::uint8_t>(bytes, bytes + sqlite3_value_bytes(v))};
        }
        default:
            break;
    }
    const double n = sqlite3_value_double(v);
    switch (kind) {
        case ColumnType::Currency:
            return Currency{static_cast<std::int64_t>(std::nearbyint(n * 10000))};
        case ColumnType::Date:
            return Date{n};
        case ColumnType::Boolean:
            return n != 0;
        case ColumnType::Decimal:
            if (sqlite3_value_type(v) == SQLITE_INTEGER) return Decimal{sqlite3_value_int64(v), 0};
            if (const auto decimal = decimalOfStored(n)) return *decimal;
            return n;
        default:
            if (sqlite3_value_type(v) == SQLITE_INTEGER)
                return static_cast<std::int64_t>(sqlite3_value_int64(v));
            return n;
    }
}

void resultText(sqlite3_context* context, const std::string& value) {
    sqlite3_result_text(context, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

// Whether any argument is Null, in which case the result is Null as well.
bool anyNull(int count, Args args) {
    for (int i = 0; i < count; ++i)
        if (isNull(args[i])) return true;
    return false;
}

template <typename Body>
void guarded(sqlite3_context* context, Body body) {
    try {
        body();
    } catch (const std::exception& error) {
        sqlite3_result_error(context, error.what(), -1);
    }
}

double requireNumber(sqlite3_value* v, const char* function) {
    const auto n = number(v);
    if (!n)
        throw QueryError(std::string("The function ") + function +
                         " was given a value that is not a number.");
    return *n;
}

// UTF-8 text by characters, as Access counts them; a byte that begins none counts as one.
std::vector<std::string> characters(std::string_view text) {
    std::vector<std::string> result;
    while (!text.empty()) {
        const auto character = base::decodeUtf8(text);
        const std::size_t length = character ? character->length : 1;
        result.emplace_back(text.substr(0, length));
        text.remove_prefix(length);
    }
    return result;
}

std::string join(const std::vector<std::string>& parts, std::size_t from, std::size_t count) {
    std::string result;
    for (std::size_t i = from; i < parts.size() && i < from + count; ++i) result += parts[i];
    return result;
}

std::int64_t bankers(double value) {
    return static_cast<std::int64_t>(std::nearbyint(value));
}

// Like with Access's wildcards: * any run, ? one character, # one digit, [abc], [a-z], [!abc]; letters
// compare without regard to case.
// Whether the pattern's element at pi (a character, ?, # or a [class]) matches the character c; next
// is set to the element after it.
bool matchesOne(const std::string& c, const std::vector<std::string>& p, std::size_t pi, std::size_t& next) {
    next = pi + 1;
    const std::string& token = p[pi];
    if (token == "?") return true;
    if (token == "#") return c.size() == 1 && std::isdigit(static_cast<unsigned char>(c[0]));
    if (token != "[") return base::lowerAscii(token) == base::lowerAscii(c);
    std::size_t end = pi + 1;
    while (end < p.size() && p[end] != "]") ++end;
    if (end == p.size()) return false;
    next = end + 1;
    std::size_t k = pi + 1;
    const bool negate = k < end && p[k] == "!";
    if (negate) ++k;
    bool matched = false;
    const std::string lowered = base::lowerAscii(c);
    for (; k < end; ++k) {
        if (k + 2 < end && p[k + 1] == "-") {
            matched = matched || (base::lowerAscii(p[k]) <= lowered && lowered <= base::lowerAscii(p[k + 2]));
            k += 2;
        } else {
            matched = matched || base::lowerAscii(p[k]) == lowered;
        }
    }
    return matched != negate;
}

// Like with Access's wildcards: * any run, ? one character, # one digit, [abc], [a-z], [!abc]; letters
// compare without regard to case. Backtracks only to the last *, so any pattern takes time linear in
// the text times the pattern, never more.
bool like(const std::vector<std::string>& s, const std::vector<std::string>& p) {
    std::size_t si = 0, pi = 0;
    std::optional<std::size_t> star;  // the element after the last * met
    std::size_t starText = 0;         // where the text stood when it was met
    while (si < s.size()) {
        std::size_t next = 0;
        if (pi < p.size() && p[pi] == "*") {
            star = ++pi;
            starText = si;
        } else if (pi < p.size() && matchesOne(s[si], p, pi, next)) {
            pi = next;
            ++si;
        } else if (star) {
            pi = *star;
            si = ++starText;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == "*") ++pi;
    return pi == p.size();
}

// Intervals of DatePart, DateAdd and DateDiff.
std::string interval(sqlite3_value* v) {
    return base::lowerAscii(text(v));
}

double addMonths(double date, std::int64_t months) {
    const CivilTime t = civilTime(date);
    const std::int64_t total = t.year * 12 + (t.month - 1) + months;
    const int year = static_cast<int>(total / 12), month = static_cast<int>(total % 12) + 1;
    const int lastDay = civilTime(dayNumber(year, month + 1, 0)).day;
    const double time = std::fabs(date - std::trunc(date));
    return withTime(dayNumber(year, month, std::min(t.day, lastDay)), time);
}

int datePart(const std::string& unit, double date) {
    const CivilTime t = civilTime(date);
    if (unit == "yyyy") return t.year;
    if (unit == "q") return (t.month - 1) / 3 + 1;
    if (unit == "m") return t.month;
    if (unit == "y") return static_cast<int>(std::floor(date) - dayNumber(t.year, 1, 1)) + 1;
    if (unit == "d") return t.day;
    if (unit == "w") return t.weekday;
    if (unit == "ww") {
        const double first = dayNumber(t.year, 1, 1);
        return static_cast<int>((std::floor(date) - first + civilTime(first).weekday - 1) / 7) + 1;
    }
    if (unit == "h") return t.hour;
    if (unit == "n") return t.minute;
    if (unit == "s") return t.second;
    throw QueryError("The date interval \"" + unit + "\" is not known.");
}

std::int64_t dateDiff(const std::string& unit, double from, double to) {
    const CivilTime a = civilTime(from), b = civilTime(to);
    if (unit == "yyyy") return b.year - a.year;
    if (unit == "q") return (b.year - a.year) * 4 + ((b.month - 1) / 3 - (a.month - 1) / 3);
    if (unit == "m") return (b.year - a.year) * 12 + (b.month - a.month);
    if (unit == "d" || unit == "y") return static_cast<std::int64_t>(std::floor(to) - std::floor(from));
    if (unit == "w") return static_cast<std::int64_t>((std::floor(to) - std::floor(from)) / 7);
    if (unit == "ww") {
        const auto sunday = [](double d) { return std::floor(d) - (civilTime(d).weekday - 1); };
        return static_cast<std::int64_t>((sunday(to) - sunday(from)) / 7);
    }
    const auto seconds = [](double d) { return static_cast<std::int64_t>(std::llround(d * 86400.0)); };
    if (unit == "h") return seconds(to) / 3600 - seconds(from) / 3600;
    if (unit == "n") return seconds(to) / 60 - seconds(from) / 60;
    if (unit == "s") return seconds(to) - seconds(from);
    throw QueryError("The date interval \"" + unit + "\" is not known.");
}

double dateAdd(const std::string& unit, double count, double date) {
    const auto n = static_cast<std::int64_t>(std::trunc(count));
    if (unit == "yyyy") return addMonths(date, n * 12);
    if (unit == "q") return addMonths(date, n * 3);
    if (unit == "m") return addMonths(date, n);
    if (unit == "y" || unit == "d" || unit == "w") return date + static_cast<double>(n);
    if (unit == "ww") return date + 7.0 * static_cast<double>(n);
    if (unit == "h") return date + static_cast<double>(n) / 24.0;
    if (unit == "n") return date + static_cast<double>(n) / 1440.0;
    if (unit == "s") return date + static_cast<double>(n) / 86400.0;
    throw QueryError("The date interval \"" + unit + "\" is not known.");
}

double now() {
    const std::time_t seconds = std::time(nullptr);
    std::tm local{};
    localtime_r(&seconds, &local);
    return withTime(dayNumber(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                    timeOfDay(local.tm_hour, local.tm_min, local.tm_sec));
}

using Scalar = void (*)(sqlite3_context*, int, Args);

struct ScalarFunction {
    const char* name;
    int arguments;  // -1: any number
    Scalar body;
    bool deterministic = true;
    const char* detail = nullptr;  // DatePart's interval for the date parts, else the function's name
};

// A conversion of one number: Null gives Null, a value that is no number an error naming the function.
template <auto convert>
void convertNumber(sqlite3_context* context, int, Args args) {
    if (isNull(args[0])) return sqlite3_result_null(context);
    guarded(context, [&] {
        const auto result =
            convert(requireNumber(args[0], static_cast<const char*>(sqlite3_user_data(context))));
        if constexpr (std::is_integral_v<decltype(result)>)
            sqlite3_result_int64(context, result);
        else
            sqlite3_result_double(context, result);
    });
}

// Year(), Month(), ... as DatePart with the interval the function was registered with.
void datePartOf(sqlite3_context* context, int, Args args) {
    if (isNull(args[0])) return sqlite3_result_null(context);
    guarded(context, [&] {
        const auto* interval = static_cast<const char*>(sqlite3_user_data(context));
        sqlite3_result_int(context, datePart(interval, requireNumber(args[0], "DatePart")));
    });
}

#define NULL_IN_NULL_OUT              \
    if (anyNull(count, args)) {       \
        sqlite3_result_null(context); \
        return;                       \
    }

void accessCStr(sqlite3_context* context, int count, Args args) {
    if (anyNull(1, args)) return sqlite3_result_null(context);
    (void)count;
    resultText(context,
               formatValue(valueOf(args[0], static_cast<ColumnType>(sqlite3_value_int(args[1]))), ""));
}

void accessFormat(sqlite3_context* context, int, Args args) {
    resultText(context, formatValue(valueOf(args[0], static_cast<ColumnType>(sqlite3_value_int(args[1]))),
                                    text(args[2])));
}

void accessConcat(sqlite3_context* context, int, Args args) {
    // Null joins as nothing.
    resultText(context,
               formatValue(valueOf(args[0], static_cast<ColumnType>(sqlite3_value_int(args[1]))), "") +
                   formatValue(valueOf(args[2], static_cast<ColumnType>(sqlite3_value_int(args[3]))), ""));
}

void accessLike(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    sqlite3_result_int(context, like(characters(text(args[0])), characters(text(args[1]))) ? -1 : 0);
}

void accessLeft(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double n = requireNumber(args[1], "Left");
        if (n < 0) throw QueryError("The function Left was given a negative length.");
        resultText(context, join(characters(text(args[0])), 0, static_cast<std::size_t>(n)));
    });
}

void accessRight(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double n = requireNumber(args[1], "Right");
        if (n < 0) throw QueryError("The function Right was given a negative length.");
        const auto chars = characters(text(args[0]));
        const std::size_t take = std::min(chars.size(), static_cast<std::size_t>(n));
        resultText(context, join(chars, chars.size() - take, take));
    });
}

void accessMid(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double start = requireNumber(args[1], "Mid");
        if (start < 1) throw QueryError("The function Mid was given a start before the first character.");
        const double length = count > 2 ? requireNumber(args[2], "Mid") : 1e18;
        if (length < 0) throw QueryError("The function Mid was given a negative length.");
        resultText(context, join(characters(text(args[0])), static_cast<std::size_t>(start) - 1,
                                 static_cast<std::size_t>(std::min(length, 1e18))));
    });
}

void accessTrim(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    std::string s = text(args[0]);
    s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    s.erase(s.find_last_not_of(' ') + 1);
    resultText(context, s);
}

void accessLTrim(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    std::string s = text(args[0]);
    s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    resultText(context, s);
}

void accessRTrim(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    std::string s = text(args[0]);
    s.erase(s.find_last_not_of(' ') + 1);
    resultText(context, s);
}

void accessUCase(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    resultText(context, base::upperAscii(text(args[0])));
}

void accessLCase(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    resultText(context, base::lowerAscii(text(args[0])));
}

void accessLen(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    sqlite3_result_int64(context, static_cast<std::int64_t>(characters(text(args[0])).size()));
}

void accessInStr(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        // InStr([start,] text, sought[, compare]): the sought text's place, counted from 1; 0 if absent.
        const bool hasStart = count >= 3;
        const double start = hasStart ? requireNumber(args[0], "InStr") : 1;
        if (start < 1) throw QueryError("The function InStr was given a start before the first character.");
        const std::string haystack = base::lowerAscii(text(args[hasStart ? 1 : 0]));
        const std::string needle = base::lowerAscii(text(args[hasStart ? 2 : 1]));
        // Characters before the start, then the search by bytes; the answer counts characters.
        const auto chars = characters(haystack);
        const auto skipped = static_cast<std::size_t>(start) - 1;
        if (skipped > chars.size()) return sqlite3_result_int64(context, 0);
        const std::size_t from = join(chars, 0, skipped).size();
        const std::size_t found = haystack.find(needle, from);
        if (found != std::string::npos)
            return sqlite3_result_int64(
                context, static_cast<std::int64_t>(characters(haystack.substr(0, found)).size()) + 1);
        sqlite3_result_int64(context, 0);
    });
}

void accessReplace(sqlite3_context* context, int count, Args args) {
    guarded(context, [&] {
        // Replace(text, sought, replacement[, start[, count[, compare]]]): Access refuses Null in any.
        if (anyNull(count, args)) throw QueryError("The function Replace was given a Null value.");
        const double start = count >= 4 ? requireNumber(args[3], "Replace") : 1;
        const double most = count >= 5 ? requireNumber(args[4], "Replace") : -1;
        if (!(start >= 1) || !(most >= -1))
            throw QueryError("The function Replace was given a start or count out of range.");
        // What comes back begins at the start, as in Access.
        const auto chars = characters(text(args[0]));
        const auto skipped = static_cast<std::size_t>(std::min(start - 1, static_cast<double>(chars.size())));
        const std::string original = join(chars, skipped, chars.size() - skipped);
        const std::string sought = text(args[1]), replacement = text(args[2]);
        // Text comparison unless asked for binary (0), as in a database's own expressions.
        const bool binary = count >= 6 && requireNumber(args[5], "Replace") == 0;
        const std::string haystack = binary ? original : base::lowerAscii(original);
        const std::string needle = binary ? sought : base::lowerAscii(sought);
        std::string result;
        std::size_t from = 0;
        for (double done = 0; !needle.empty() && (most < 0 || done < most); ++done) {
            const std::size_t found = haystack.find(needle, from);
            if (found == std::string::npos) break;
            result += original.substr(from, found - from) + replacement;
            from = found + needle.size();
        }
        resultText(context, result + original.substr(from));
    });
}

void accessStrConv(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        // StrConv's case conversions: 1 upper, 2 lower, 3 each word's first letter; the conversions
        // between character sets (64, 128) leave text in UTF-8 as it is.
        const double conversion = requireNumber(args[1], "StrConv");
        std::string s = text(args[0]);
        if (conversion == 1) return resultText(context, base::upperAscii(s));
        if (conversion == 2) return resultText(context, base::lowerAscii(s));
        if (conversion == 64 || conversion == 128) return resultText(context, s);
        if (conversion != 3) throw QueryError("The function StrConv was given a conversion it lacks.");
        s = base::lowerAscii(s);
        bool wordStart = true;
        for (char& c : s) {
            if (wordStart) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            wordStart =
                c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == '\0';
        }
        resultText(context, s);
    });
}

void accessString(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double n = requireNumber(args[0], "String");
        if (!(n >= 0 && n <= kLongestText)) throw QueryError("The function String was given a bad length.");
        std::string character;
        if (sqlite3_value_type(args[1]) == SQLITE_TEXT) {
            const auto chars = characters(text(args[1]));
            if (chars.empty()) throw QueryError("The function String was given no character.");
            character = chars[0];
        } else {
            const auto code = bankers(requireNumber(args[1], "String"));
            character = std::string(1, static_cast<char>(code & 0x7F));
        }
        std::string result;
        for (auto i = static_cast<std::size_t>(n); i > 0; --i) result += character;
        resultText(context, result);
    });
}

void accessStr(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        // Str: a number's text with room for its sign, a space where it has none.
        const double n = requireNumber(args[0], "Str");
        const bool whole = n == std::trunc(n) && std::fabs(n) < 1e15;
        const std::string digits = formatValue(whole ? Value(static_cast<std::int64_t>(n)) : Value(n), "");
        resultText(context, n >= 0 ? " " + digits : digits);
    });
}

void accessStrReverse(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    auto chars = characters(text(args[0]));
    std::reverse(chars.begin(), chars.end());
    resultText(context, join(chars, 0, chars.size()));
}

void accessWeekdayName(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double day = requireNumber(args[0], "WeekdayName");
        const double first = count > 2 ? requireNumber(args[2], "WeekdayName") : 1;
        if (!(day >= 1 && day < 8) || !(first >= 0 && first < 8))
            throw QueryError("The function WeekdayName was given no day of the week.");
        const bool abbreviate = count > 1 && sqlite3_value_double(args[1]) != 0;
        // 2 January 2000 was a Sunday, day 1 when the week starts on Sunday (1, or 0: the system's).
        const int offset = static_cast<int>(day) - 1 + (first >= 1 ? static_cast<int>(first) - 1 : 0);
        resultText(context,
                   formatValue(Date{dayNumber(2000, 1, 2 + offset % 7)}, abbreviate ? "ddd" : "dddd"));
    });
}

void accessTimeSerial(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double seconds = bankers(requireNumber(args[0], "TimeSerial")) * 3600.0 +
                               bankers(requireNumber(args[1], "TimeSerial")) * 60.0 +
                               bankers(requireNumber(args[2], "TimeSerial"));
        sqlite3_result_double(context, seconds / 86400.0);
    });
}

void accessIsNumeric(sqlite3_context* context, int, Args args) {
    bool numeric =
        sqlite3_value_type(args[0]) == SQLITE_INTEGER || sqlite3_value_type(args[0]) == SQLITE_FLOAT;
    if (sqlite3_value_type(args[0]) == SQLITE_TEXT) {
        const std::string t = text(args[0]);
        char* end = nullptr;
        std::strtod(t.c_str(), &end);
        numeric = t.find_first_not_of(' ') != std::string::npos && end &&
                  std::string_view(end).find_first_not_of(' ') == std::string_view::npos;
    }
    sqlite3_result_int(context, numeric ? -1 : 0);
}

void accessIsDate(sqlite3_context* context, int, Args args) {
    // A date, or a text that reads as one; numbers are not dates.
    const bool date = sqlite3_value_type(args[0]) == SQLITE_TEXT
                          ? parseDate(text(args[0])).has_value()
                          : sqlite3_value_type(args[0]) != SQLITE_NULL &&
                                static_cast<ColumnType>(sqlite3_value_int(args[1])) == ColumnType::Date;
    sqlite3_result_int(context, date ? -1 : 0);
}

void accessSpace(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    resultText(
        context,
        std::string(static_cast<std::size_t>(std::clamp(sqlite3_value_double(args[0]), 0.0, kLongestText)),
                    ' '));
}

void accessChr(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    const int code = sqlite3_value_int(args[0]);
    std::string s;
    if (code >= 0 && code < 0x800) base::appendUtf8(s, static_cast<char32_t>(code));
    resultText(context, s);
}

void accessAsc(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    const std::string s = text(args[0]);
    sqlite3_result_int(context, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

void accessVal(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    sqlite3_result_double(context, std::strtod(text(args[0]).c_str(), nullptr));
}

void accessMonthName(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const double month = requireNumber(args[0], "MonthName");
        if (month < 1 || month >= 13) throw QueryError("The function MonthName was given no month.");
        const bool abbreviate = count > 1 && sqlite3_value_int(args[1]) != 0;
        resultText(context, formatValue(Date{dayNumber(2000, static_cast<int>(month), 1)},
                                        abbreviate ? "mmm" : "mmmm"));
    });
}

void accessDatePart(sqlite3_context* context, int count, Args args) {
    if (anyNull(2, args)) return sqlite3_result_null(context);
    (void)count;
    guarded(context, [&] {
        sqlite3_result_int(context, datePart(interval(args[0]), requireNumber(args[1], "DatePart")));
    });
}

void accessDateSerial(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const auto whole = [](double n) { return static_cast<int>(std::clamp(n, -1e6, 1e6)); };
        int year = whole(requireNumber(args[0], "DateSerial"));
        if (year >= 0 && year < 30)
            year += 2000;
        else if (year >= 30 && year < 100)
            year += 1900;
        sqlite3_result_double(context, dayNumber(year, whole(requireNumber(args[1], "DateSerial")),
                                                 whole(requireNumber(args[2], "DateSerial"))));
    });
}

void accessDateAdd(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        sqlite3_result_double(context, dateAdd(interval(args[0]), requireNumber(args[1], "DateAdd"),
                                               requireNumber(args[2], "DateAdd")));
    });
}

void accessDateDiff(sqlite3_context* context, int count, Args args) {
    if (anyNull(3, args)) return sqlite3_result_null(context);
    (void)count;
    guarded(context, [&] {
        sqlite3_result_int64(context, dateDiff(interval(args[0]), requireNumber(args[1], "DateDiff"),
                                               requireNumber(args[2], "DateDiff")));
    });
}

void accessRound(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        // Half to even, as Access rounds.
        const double places = count > 1 ? std::clamp(requireNumber(args[1], "Round"), 0.0, 15.0) : 0;
        const double scale = std::pow(10.0, std::trunc(places));
        sqlite3_result_double(context, std::nearbyint(requireNumber(args[0], "Round") * scale) / scale);
    });
}

void accessSgn(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    const double n = sqlite3_value_double(args[0]);
    sqlite3_result_int(context, (n > 0) - (n < 0));
}

void accessSqr(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    sqlite3_result_double(context, std::sqrt(sqlite3_value_double(args[0])));
}

void accessIntDiv(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const std::int64_t divisor = bankers(requireNumber(args[1], "\\"));
        if (divisor == 0) throw QueryError("Division by zero.");
        sqlite3_result_int64(context, bankers(requireNumber(args[0], "\\")) / divisor);
    });
}

void accessMod(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        const std::int64_t divisor = bankers(requireNumber(args[1], "Mod"));
        if (divisor == 0) throw QueryError("Division by zero.");
        sqlite3_result_int64(context, bankers(requireNumber(args[0], "Mod")) % divisor);
    });
}

void accessPower(sqlite3_context* context, int count, Args args) {
    NULL_IN_NULL_OUT
    guarded(context, [&] {
        sqlite3_result_double(context, std::pow(requireNumber(args[0], "^"), requireNumber(args[1], "^")));
    });
}

void accessDate(sqlite3_context* context, int, Args) {
    sqlite3_result_double(context, std::trunc(now()));
}

void accessNow(sqlite3_context* context, int, Args) {
    sqlite3_result_double(context, now());
}

void accessTime(sqlite3_context* context, int, Args) {
    sqlite3_result_double(context, now() - std::trunc(now()));
}

double toSingle(double x) {
    return static_cast<double>(static_cast<float>(x));
}

std::int64_t toBoolean(double x) {
    return x != 0 ? -1 : 0;
}

double naturalLog(double x) {
    if (!(x > 0)) throw QueryError("The function Log was given a number that is not positive.");
    return std::log(x);
}

// One line a function: its SQL name, its number of arguments (-1: any), what computes it, and for the
// conversions and date parts what they are registered with.
const ScalarFunction kScalars[] = {
    {"access_ccur", 1, convertNumber<+[](double x) { return bankers(x * 10000.0); }>, true, "CCur"},
    {"access_clng", 1, convertNumber<+[](double x) { return bankers(x); }>, true, "CLng"},
    {"access_cint", 1, convertNumber<+[](double x) { return bankers(x); }>, true, "CInt"},
    {"access_cdbl", 1, convertNumber<+[](double x) { return x; }>, true, "CDbl"},
    {"access_csng", 1, convertNumber<toSingle>, true, "CSng"},
    {"access_cbool", 1, convertNumber<toBoolean>, true, "CBool"},
    {"access_cdate", 1, convertNumber<+[](double x) { return x; }>, true, "CDate"},
    {"access_datevalue", 1, convertNumber<+[](double x) { return std::trunc(x); }>, true, "DateValue"},
    {"access_cstr", 2, accessCStr},
    {"access_format", 3, accessFormat},
    {"access_concat", 4, accessConcat},
    {"access_like", 2, accessLike},
    {"access_left", 2, accessLeft},
    {"access_right", 2, accessRight},
    {"access_mid", -1, accessMid},
    {"access_trim", 1, accessTrim},
    {"access_ltrim", 1, accessLTrim},
    {"access_rtrim", 1, accessRTrim},
    {"access_ucase", 1, accessUCase},
    {"access_lcase", 1, accessLCase},
    {"access_len", 1, accessLen},
    {"access_instr", -1, accessInStr},
    {"access_replace", -1, accessReplace},
    {"access_strconv", 2, accessStrConv},
    {"access_string", 2, accessString},
    {"access_str", 1, accessStr},
    {"access_strreverse", 1, accessStrReverse},
    {"access_weekdayname", -1, accessWeekdayName},
    {"access_timeserial", 3, accessTimeSerial},
    {"access_isnumeric", 1, accessIsNumeric},
    {"access_isdate", 2, accessIsDate},
    {"access_exp", 1, convertNumber<+[](double x) { return std::exp(x); }>, true, "Exp"},
    {"access_log", 1, convertNumber<naturalLog>, true, "Log"},
    {"access_sin", 1, convertNumber<+[](double x) { return std::sin(x); }>, true, "Sin"},
    {"access_cos", 1, convertNumber<+[](double x) { return std::cos(x); }>, true, "Cos"},
    {"access_tan", 1, convertNumber<+[](double x) { return std::tan(x); }>, true, "Tan"},
    {"access_atn", 1, convertNumber<+[](double x) { return std::atan(x); }>, true, "Atn"},
    {"access_space", 1, accessSpace},
    {"access_chr", 1, accessChr},
    {"access_asc", 1, accessAsc},
    {"access_val", 1, accessVal},
    {"access_year", 1, datePartOf, true, "yyyy"},
    {"access_month", 1, datePartOf, true, "m"},
    {"access_day", 1, datePartOf, true, "d"},
    {"access_hour", 1, datePartOf, true, "h"},
    {"access_minute", 1, datePartOf, true, "n"},
    {"access_second", 1, datePartOf, true, "s"},
    {"access_weekday", -1, datePartOf, true, "w"},
    {"access_monthname", -1, accessMonthName},
    {"access_datepart", -1, accessDatePart},
    {"access_dateserial", 3, accessDateSerial},
    {"access_dateadd", 3, accessDateAdd},
    {"access_datediff", -1, accessDateDiff},
    {"access_int", 1, convertNumber<+[](double x) { return std::floor(x); }>, true, "Int"},
    {"access_fix", 1, convertNumber<+[](double x) { return std::trunc(x); }>, true, "Fix"},
    {"access_round", -1, accessRound},
    {"access_sgn", 1, accessSgn},
    {"access_sqr", 1, accessSqr},
    {"access_intdiv", 2, accessIntDiv},
    {"access_mod", 2, accessMod},
    {"access_power", 2, accessPower},
    {"access_date", 0, accessDate, false},
    {"access_now", 0, accessNow, false},
    {"access_time", 0, accessTime, false},
};

#undef NULL_IN_NULL_OUT

// First and Last: the value of the group's first or last row as read.
struct Kept {
    sqlite3_value* value;
};

template <bool last>
void keepStep(sqlite3_context* context, int, Args args) {
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, sizeof(Kept)));
    if (!kept) return sqlite3_result_error_nomem(context);
    if (kept->value && !last) return;
    sqlite3_value_free(kept->value);
    kept->value = sqlite3_value_dup(args[0]);
}

// StDev, StDevP, Var and VarP: Welford's running mean and sum of squares, exact enough for long columns.
struct Spread {
    std::int64_t count;
    double mean, squares;
};

void spreadStep(sqlite3_context* context, int, Args args) {
    if (isNull(args[0])) return;
    auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, sizeof(Spread)));
    if (!spread) return sqlite3_result_error_nomem(context);
    const auto n = number(args[0]);
    if (!n) return sqlite3_result_error(context, "StDev and Var take numbers only.", -1);
    ++spread->count;
    const double delta = *n - spread->mean;
    spread->mean += delta / static_cast<double>(spread->count);
    spread->squares += delta * (*n - spread->mean);
}

// The registered name says which: "p" for a population's, "stdev" for the square root.
void spreadFinal(sqlite3_context* context) {
    auto* spread = static_cast<Spread*>(sqlite3_aggregate_context(context, 0));
    const std::string_view which = static_cast<const char*>(sqlite3_user_data(context));
    const bool population = which.ends_with('p');
    const std::int64_t divisor = spread ? spread->count - (population ? 0 : 1) : 0;
    if (divisor <= 0) return sqlite3_result_null(context);  // Access: Null for too few values
    const double variance = spread->squares / static_cast<double>(divisor);
    sqlite3_result_double(context, which.starts_with("stdev") ? std::sqrt(variance) : variance);
}

// Sum of Decimals: exact while the sum fits 38 digits, then in doubles as Sum of Doubles.
// (SQLite's aggregate memory is aligned for 8 bytes only: the exact sum is kept in two halves.)
struct DecimalSum {
    bool any, inexact;
    std::int64_t high;
    std::uint64_t low;
    int scale;
    double approximate;

    Decimal exact() const {
        return {static_cast<__int128>((static_cast<unsigned __int128>(high) << 64) | low), scale};
    }
    void keep(const Decimal& sum) {
        high = static_cast<std::int64_t>(sum.unscaled >> 64);
        low = static_cast<std::uint64_t>(sum.unscaled);
        scale = sum.scale;
    }
};

void decimalSumStep(sqlite3_context* context, int, Args args) {
    if (isNull(args[0])) return;
    auto* sum = static_cast<DecimalSum*>(sqlite3_aggregate_context(context, sizeof(DecimalSum)));
    if (!sum) return sqlite3_result_error_nomem(context);
    const Value value = valueOf(args[0], ColumnType::Decimal);
    const auto* decimal = std::get_if<Decimal>(&value.data);
    const auto n = number(args[0]);
    if (!n) return sqlite3_result_error(context, "Sum takes numbers only.", -1);
    sum->any = true;
    sum->approximate += *n;
    const std::optional<Decimal> exact = decimal ? decimalSum(sum->exact(), *decimal) : std::nullopt;
    if (exact)
        sum->keep(*exact);
    else
        sum->inexact = true;
}

void decimalSumFinal(sqlite3_context* context) {
    auto* sum = static_cast<DecimalSum*>(sqlite3_aggregate_context(context, 0));
    if (!sum || !sum->any) return sqlite3_result_null(context);
    if (sum->inexact) return sqlite3_result_double(context, sum->approximate);
    const StoredDecimal stored = storedDecimal(sum->exact());
    if (stored.whole) return sqlite3_result_int64(context, stored.integer);
    sqlite3_result_double(context, stored.real);
}

void keepFinal(sqlite3_context* context) {
    auto* kept = static_cast<Kept*>(sqlite3_aggregate_context(context, 0));
    if (!kept || !kept->value) return sqlite3_result_null(context);
    sqlite3_result_value(context, kept->value);
    sqlite3_value_free(kept->value);
    kept->value = nullptr;
}

}  // namespace

bool registerAccessFunctions(sqlite3* database) {
    for (const ScalarFunction& f : kScalars) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        if (sqlite3_create_function_v2(database, f.name, f.arguments, flags, const_cast<char*>(f.detail),
                                       f.body, nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
    }
    for (const char* spread : {"stdev", "stdevp", "var", "varp"})
        if (sqlite3_create_function_v2(database, ("access_" + std::string(spread)).c_str(), 1, SQLITE_UTF8,
                                       const_cast<char*>(spread), nullptr, spreadStep, spreadFinal,
                                       nullptr) != SQLITE_OK)
            return false;
    return sqlite3_create_function_v2(database, "access_decimal_sum", 1, SQLITE_UTF8, nullptr, nullptr,
                                      decimalSumStep, decimalSumFinal, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(database, "access_first", 1, SQLITE_UTF8, nullptr, nullptr,
                                      keepStep<false>, keepFinal, nullptr) == SQLITE_OK &&
           sqlite3_create_function_v2(database, "access_last", 1, SQLITE_UTF8, nullptr, nullptr,
                                      keepStep<true>, keepFinal, nullptr) == SQLITE_OK;
}

}  // namespace platform::jet::query

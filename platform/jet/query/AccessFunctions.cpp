#include "platform/jet/query/AccessFunctions.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "base/Utf8.h"
#include "platform/jet/query/AccessFormat.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/ColumnType.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {
namespace {

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
    if (unit == "ww") return base::weekOfYear(t);
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


// Access's functions over plain values: the SQL the engine runs and report code call the same ones.

using Args = std::span<const Value>;

// A value's text as Access converts one: numbers and dates as CStr writes them.
std::string textOf(const Value& v) {
    if (const auto* s = std::get_if<std::string>(&v.data)) return *s;
    if (v.holds<Binary>()) {
        const auto& bytes = v.get<Binary>().bytes;
        return std::string(bytes.begin(), bytes.end());
    }
    return formatValue(v, "");
}

// A number as Access converts one: numbers as they are, text that reads as a number or a date.
std::optional<double> numberOf(const Value& v) {
    return std::visit(
        [](const auto& x) -> std::optional<double> {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, bool>) return x ? -1.0 : 0.0;
            else if constexpr (std::is_same_v<T, std::int64_t> || std::is_same_v<T, double>)
                return static_cast<double>(x);
            else if constexpr (std::is_same_v<T, Currency>)
                return static_cast<double>(x.tenThousandths) / 10000.0;
            else if constexpr (std::is_same_v<T, Date>) return x.days;
            else if constexpr (std::is_same_v<T, Decimal>) return decimalAsDouble(x);
            else if constexpr (std::is_same_v<T, std::string>) {
                char* end = nullptr;
                const double n = std::strtod(x.c_str(), &end);
                if (!x.empty() && end && std::string_view(end).find_first_not_of(' ') == std::string_view::npos)
                    return n;
                return parseDate(x);
            } else
                return std::nullopt;
        },
        v.data);
}

double requireNumber(const Value& v, const char* function) {
    const auto n = numberOf(v);
    if (!n)
        throw QueryError(std::string("The function ") + function +
                         " was given a value that is not a number.");
    return *n;
}

std::string interval(const Value& v) {
    return base::lowerAscii(textOf(v));
}


// A conversion of one number; a value that is no number is an error naming the function.
#define NUMBER_FUNCTION(NAME, EXPRESSION)                 \
    [](Args args) -> Value {                              \
        [[maybe_unused]] const double x = requireNumber(args[0], NAME); \
        return EXPRESSION;                                \
    }

std::string trimmed(std::string s, bool left, bool right) {
    if (left) s.erase(0, std::min(s.find_first_not_of(' '), s.size()));
    if (right) s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

Value accessLike(Args args) {
    return like(characters(textOf(args[0])), characters(textOf(args[1])));
}

Value accessLeft(Args args) {
    const double n = requireNumber(args[1], "Left");
    if (n < 0) throw QueryError("The function Left was given a negative length.");
    return join(characters(textOf(args[0])), 0, static_cast<std::size_t>(std::min(n, 1e18)));
}

Value accessRight(Args args) {
    const double n = requireNumber(args[1], "Right");
    if (n < 0) throw QueryError("The function Right was given a negative length.");
    const auto chars = characters(textOf(args[0]));
    const std::size_t take = static_cast<std::size_t>(std::min(static_cast<double>(chars.size()), n));
    return join(chars, chars.size() - take, take);
}

Value accessMid(Args args) {
    const double start = requireNumber(args[1], "Mid");
    if (start < 1) throw QueryError("The function Mid was given a start before the first character.");
    const double length = args.size() > 2 ? requireNumber(args[2], "Mid") : 1e18;
    if (length < 0) throw QueryError("The function Mid was given a negative length.");
    return join(characters(textOf(args[0])), static_cast<std::size_t>(std::min(start, 1e18)) - 1,
                static_cast<std::size_t>(std::min(length, 1e18)));
}

Value accessInStr(Args args) {
    // InStr([start,] text, sought[, compare]): the sought text's place, counted from 1; 0 if absent.
    const bool hasStart = args.size() >= 3;
    const double start = hasStart ? requireNumber(args[0], "InStr") : 1;
    if (start < 1) throw QueryError("The function InStr was given a start before the first character.");
    const std::string haystack = base::lowerAscii(textOf(args[hasStart ? 1 : 0]));
    const std::string needle = base::lowerAscii(textOf(args[hasStart ? 2 : 1]));
    // Characters before the start, then the search by bytes; the answer counts characters.
    const auto chars = characters(haystack);
    const auto skipped = static_cast<std::size_t>(std::min(start, 1e18)) - 1;
    if (skipped > chars.size()) return std::int64_t{0};
    const std::size_t found = haystack.find(needle, join(chars, 0, skipped).size());
    if (found == std::string::npos) return std::int64_t{0};
    return static_cast<std::int64_t>(characters(haystack.substr(0, found)).size()) + 1;
}

Value accessReplace(Args args) {
    // Replace(text, sought, replacement[, start[, count[, compare]]]): Access refuses Null in any.
    for (const Value& a : args)
        if (a.isNull()) throw QueryError("The function Replace was given a Null value.");
    const double start = args.size() >= 4 ? requireNumber(args[3], "Replace") : 1;
    const double most = args.size() >= 5 ? requireNumber(args[4], "Replace") : -1;
    if (!(start >= 1) || !(most >= -1))
        throw QueryError("The function Replace was given a start or count out of range.");
    // What comes back begins at the start, as in Access.
    const auto chars = characters(textOf(args[0]));
    const auto skipped = static_cast<std::size_t>(std::min(start - 1, static_cast<double>(chars.size())));
    const std::string original = join(chars, skipped, chars.size() - skipped);
    const std::string sought = textOf(args[1]), replacement = textOf(args[2]);
    // Text comparison unless asked for binary (0), as in a database's own expressions.
    const bool binary = args.size() >= 6 && requireNumber(args[5], "Replace") == 0;
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
    return result + original.substr(from);
}

Value accessStrConv(Args args) {
    // StrConv's case conversions: 1 upper, 2 lower, 3 each word's first letter; the conversions
    // between character sets (64, 128) leave text in UTF-8 as it is.
    const double conversion = requireNumber(args[1], "StrConv");
    std::string s = textOf(args[0]);
    if (conversion == 1) return base::upperAscii(s);
    if (conversion == 2) return base::lowerAscii(s);
    if (conversion == 64 || conversion == 128) return s;
    if (conversion != 3) throw QueryError("The function StrConv was given a conversion it lacks.");
    s = base::lowerAscii(s);
    bool wordStart = true;
    for (char& c : s) {
        if (wordStart) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        wordStart = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v' || c == '\0';
    }
    return s;
}

Value accessString(Args args) {
    const double n = requireNumber(args[0], "String");
    if (!(n >= 0 && n <= kLongestText)) throw QueryError("The function String was given a bad length.");
    std::string character;
    if (args[1].holds<std::string>()) {
        const auto chars = characters(args[1].get<std::string>());
        if (chars.empty()) throw QueryError("The function String was given no character.");
        character = chars[0];
    } else {
        const auto code = bankers(requireNumber(args[1], "String"));
        character = std::string(1, static_cast<char>(code & 0x7F));
    }
    std::string result;
    for (auto i = static_cast<std::size_t>(n); i > 0; --i) result += character;
    return result;
}

Value accessStr(Args args) {
    // Str: a number's text with room for its sign, a space where it has none.
    const double n = requireNumber(args[0], "Str");
    const bool isWhole = n == std::trunc(n) && std::fabs(n) < 1e15;
    const std::string digits = formatValue(isWhole ? Value(static_cast<std::int64_t>(n)) : Value(n), "");
    return n >= 0 ? " " + digits : digits;
}

Value accessStrReverse(Args args) {
    auto chars = characters(textOf(args[0]));
    std::reverse(chars.begin(), chars.end());
    return join(chars, 0, chars.size());
}

Value accessWeekdayName(Args args) {
    const double day = requireNumber(args[0], "WeekdayName");
    const double first = args.size() > 2 ? requireNumber(args[2], "WeekdayName") : 1;
    if (!(day >= 1 && day < 8) || !(first >= 0 && first < 8))
        throw QueryError("The function WeekdayName was given no day of the week.");
    const bool abbreviate = args.size() > 1 && numberOf(args[1]).value_or(0) != 0;
    // 2 January 2000 was a Sunday, day 1 when the week starts on Sunday (1, or 0: the system's).
    const int offset = static_cast<int>(day) - 1 + (first >= 1 ? static_cast<int>(first) - 1 : 0);
    return formatValue(Date{dayNumber(2000, 1, 2 + offset % 7)}, abbreviate ? "ddd" : "dddd");
}

Value accessTimeSerial(Args args) {
    const auto part = [&](std::size_t i) {
        return static_cast<double>(bankers(std::clamp(requireNumber(args[i], "TimeSerial"), -1e12, 1e12)));
    };
    return Date{(part(0) * 3600.0 + part(1) * 60.0 + part(2)) / 86400.0};
}

Value accessIsNumeric(Args args) {
    const Value& v = args[0];
    if (const auto* t = std::get_if<std::string>(&v.data)) {
        char* end = nullptr;
        std::strtod(t->c_str(), &end);
        return t->find_first_not_of(' ') != std::string::npos && end &&
               std::string_view(end).find_first_not_of(' ') == std::string_view::npos;
    }
    return !v.isNull() && !v.holds<Binary>() && !v.holds<Date>();
}

Value accessIsDate(Args args) {
    // A date, or a text that reads as one; numbers are not dates.
    if (const auto* t = std::get_if<std::string>(&args[0].data)) return parseDate(*t).has_value();
    return args[0].holds<Date>();
}

Value accessSpace(Args args) {
    return std::string(
        static_cast<std::size_t>(std::clamp(numberOf(args[0]).value_or(0), 0.0, kLongestText)), ' ');
}

Value accessChr(Args args) {
    const double code = numberOf(args[0]).value_or(-1);
    std::string s;
    if (code >= 0 && code < 0x800) base::appendUtf8(s, static_cast<char32_t>(code));
    return s;
}

Value accessAsc(Args args) {
    const std::string s = textOf(args[0]);
    return static_cast<std::int64_t>(s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

Value accessVal(Args args) {
    return std::strtod(textOf(args[0]).c_str(), nullptr);
}

Value accessMonthName(Args args) {
    const double month = requireNumber(args[0], "MonthName");
    if (month < 1 || month >= 13) throw QueryError("The function MonthName was given no month.");
    const bool abbreviate = args.size() > 1 && numberOf(args[1]).value_or(0) != 0;
    return formatValue(Date{dayNumber(2000, static_cast<int>(month), 1)}, abbreviate ? "mmm" : "mmmm");
}

// Year(), Month(), ... as DatePart with their interval.
template <const char* unit>
Value datePartOf(Args args) {
    return static_cast<std::int64_t>(datePart(unit, requireNumber(args[0], "DatePart")));
}

constexpr char kYear[] = "yyyy", kMonth[] = "m", kDay[] = "d", kHour[] = "h", kMinute[] = "n",
               kSecond[] = "s", kWeekday[] = "w";

Value accessDatePart(Args args) {
    return static_cast<std::int64_t>(datePart(interval(args[0]), requireNumber(args[1], "DatePart")));
}

Value accessDateSerial(Args args) {
    const auto part = [&](std::size_t i) {
        return static_cast<int>(std::clamp(requireNumber(args[i], "DateSerial"), -1e6, 1e6));
    };
    int year = part(0);
    if (year >= 0 && year < 30)
        year += 2000;
    else if (year >= 30 && year < 100)
        year += 1900;
    return Date{dayNumber(year, part(1), part(2))};
}

Value accessDateAdd(Args args) {
    return Date{dateAdd(interval(args[0]), requireNumber(args[1], "DateAdd"), requireNumber(args[2], "DateAdd"))};
}

Value accessDateDiff(Args args) {
    return dateDiff(interval(args[0]), requireNumber(args[1], "DateDiff"), requireNumber(args[2], "DateDiff"));
}

Value accessRound(Args args) {
    // Half to even, as Access rounds.
    const double places = args.size() > 1 ? std::clamp(requireNumber(args[1], "Round"), 0.0, 15.0) : 0;
    const double scale = std::pow(10.0, std::trunc(places));
    return std::nearbyint(requireNumber(args[0], "Round") * scale) / scale;
}

Value accessSgn(Args args) {
    const double n = requireNumber(args[0], "Sgn");
    return static_cast<std::int64_t>((n > 0) - (n < 0));
}

// \ and Mod: both sides rounded to whole numbers first, as Access does.
template <bool remainder>
Value wholeDivision(Args args) {
    const char* name = remainder ? "Mod" : "\\";
    const auto side = [&](std::size_t i) { return bankers(std::clamp(requireNumber(args[i], name), -9e18, 9e18)); };
    const std::int64_t divisor = side(1), dividend = side(0);
    if (divisor == 0) throw QueryError("Division by zero.");
    if (divisor == -1) return remainder ? std::int64_t{0} : -dividend;
    return remainder ? dividend % divisor : dividend / divisor;
}

Value accessPower(Args args) {
    return std::pow(requireNumber(args[0], "^"), requireNumber(args[1], "^"));
}

Value accessCStr(Args args) {
    return formatValue(args[0], "");
}

Value accessFormat(Args args) {
    return formatValue(args[0], args.size() > 1 && !args[1].isNull() ? textOf(args[1]) : std::string());
}

Value accessConcat(Args args) {
    // Null joins as nothing.
    return formatValue(args[0], "") + formatValue(args[1], "");
}

double toSingle(double x) {
    return static_cast<double>(static_cast<float>(x));
}

double naturalLog(double x) {
    if (!(x > 0)) throw QueryError("The function Log was given a number that is not positive.");
    return std::log(x);
}

constexpr int kAll = 255;  // Null in any argument gives Null

// One line a function: its name, its fewest and most arguments, how many leading arguments give Null
// when Null, what computes it; whether it answers the same for the same arguments, whether report
// code calls it by name (the operators' are the language's own there), and how many leading
// arguments the translated SQL hands over each followed by its ColumnType.
const AccessFunction kFunctions[] = {
    {"ccur", 1, 1, 1, [](Args a) -> Value { return Currency{bankers(requireNumber(a[0], "CCur") * 10000.0)}; }},
    {"clng", 1, 1, 1, NUMBER_FUNCTION("CLng", bankers(x))},
    {"cint", 1, 1, 1, NUMBER_FUNCTION("CInt", bankers(x))},
    {"cdbl", 1, 1, 1, NUMBER_FUNCTION("CDbl", x)},
    {"csng", 1, 1, 1, NUMBER_FUNCTION("CSng", toSingle(x))},
    {"cbool", 1, 1, 1, NUMBER_FUNCTION("CBool", x != 0)},
    {"cdate", 1, 1, 1, NUMBER_FUNCTION("CDate", Date{x})},
    {"datevalue", 1, 1, 1, NUMBER_FUNCTION("DateValue", Date{std::trunc(x)})},
    {"cstr", 1, 1, 1, accessCStr, true, true, 1},
    {"format", 1, 2, 0, accessFormat, true, true, 1},
    {"concat", 2, 2, 0, accessConcat, true, false, 2},
    {"like", 2, 2, kAll, accessLike, true, false},
    {"left", 2, 2, kAll, accessLeft},
    {"right", 2, 2, kAll, accessRight},
    {"mid", 2, 3, kAll, accessMid},
    {"trim", 1, 1, kAll, [](Args a) -> Value { return trimmed(textOf(a[0]), true, true); }},
    {"ltrim", 1, 1, kAll, [](Args a) -> Value { return trimmed(textOf(a[0]), true, false); }},
    {"rtrim", 1, 1, kAll, [](Args a) -> Value { return trimmed(textOf(a[0]), false, true); }},
    {"ucase", 1, 1, kAll, [](Args a) -> Value { return base::upperAscii(textOf(a[0])); }},
    {"lcase", 1, 1, kAll, [](Args a) -> Value { return base::lowerAscii(textOf(a[0])); }},
    {"len", 1, 1, kAll,
     [](Args a) -> Value { return static_cast<std::int64_t>(characters(textOf(a[0])).size()); }},
    {"instr", 2, 4, kAll, accessInStr},
    {"replace", 3, 6, 0, accessReplace},
    {"strconv", 2, 2, kAll, accessStrConv},
    {"string", 2, 2, kAll, accessString},
    {"str", 1, 1, kAll, accessStr},
    {"strreverse", 1, 1, kAll, accessStrReverse},
    {"weekdayname", 1, 3, kAll, accessWeekdayName},
    {"timeserial", 3, 3, kAll, accessTimeSerial},
    {"isnumeric", 1, 1, 0, accessIsNumeric},
    {"isdate", 1, 1, 0, accessIsDate, true, true, 1},
    {"exp", 1, 1, 1, NUMBER_FUNCTION("Exp", std::exp(x))},
    {"log", 1, 1, 1, NUMBER_FUNCTION("Log", naturalLog(x))},
    {"sin", 1, 1, 1, NUMBER_FUNCTION("Sin", std::sin(x))},
    {"cos", 1, 1, 1, NUMBER_FUNCTION("Cos", std::cos(x))},
    {"tan", 1, 1, 1, NUMBER_FUNCTION("Tan", std::tan(x))},
    {"atn", 1, 1, 1, NUMBER_FUNCTION("Atn", std::atan(x))},
    {"space", 1, 1, kAll, accessSpace},
    {"chr", 1, 1, kAll, accessChr},
    {"asc", 1, 1, kAll, accessAsc},
    {"val", 1, 1, kAll, accessVal},
    {"year", 1, 1, 1, datePartOf<kYear>},
    {"month", 1, 1, 1, datePartOf<kMonth>},
    {"day", 1, 1, 1, datePartOf<kDay>},
    {"hour", 1, 1, 1, datePartOf<kHour>},
    {"minute", 1, 1, 1, datePartOf<kMinute>},
    {"second", 1, 1, 1, datePartOf<kSecond>},
    {"weekday", 1, 2, 1, datePartOf<kWeekday>},
    {"monthname", 1, 2, kAll, accessMonthName},
    {"datepart", 2, 4, 2, accessDatePart},
    {"dateserial", 3, 3, kAll, accessDateSerial},
    {"dateadd", 3, 3, kAll, accessDateAdd},
    {"datediff", 3, 5, 3, accessDateDiff},
    {"int", 1, 1, 1, NUMBER_FUNCTION("Int", std::floor(x))},
    {"fix", 1, 1, 1, NUMBER_FUNCTION("Fix", std::trunc(x))},
    {"abs", 1, 1, 1, NUMBER_FUNCTION("Abs", std::fabs(x))},
    {"round", 1, 2, kAll, accessRound},
    {"sgn", 1, 1, kAll, accessSgn},
    {"sqr", 1, 1, kAll, NUMBER_FUNCTION("Sqr", std::sqrt(x))},
    {"intdiv", 2, 2, kAll, wholeDivision<false>, true, false},
    {"mod", 2, 2, kAll, wholeDivision<true>, true, false},
    {"power", 2, 2, kAll, accessPower, true, false},
    {"date", 0, 0, 0, [](Args) -> Value { return Date{std::trunc(now())}; }, false},
    {"now", 0, 0, 0, [](Args) -> Value { return Date{now()}; }, false},
    {"time", 0, 0, 0, [](Args) -> Value { return Date{now() - std::trunc(now())}; }, false},
};

#undef NUMBER_FUNCTION

// First and Last: the value of the group's first or last row as read.
struct Kept {
    sqlite3_value* value;
};

template <bool last>
void keepStep(sqlite3_context* context, int, sqlite3_value** args) {
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

void spreadStep(sqlite3_context* context, int, sqlite3_value** args) {
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

void decimalSumStep(sqlite3_context* context, int, sqlite3_value** args) {
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

// A value as the SQL's result: money in ten-thousandths where the SQL keeps it so, else its amount.
void setResult(sqlite3_context* context, const Value& value, bool moneyScaled = true) {
    std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>) sqlite3_result_null(context);
            else if constexpr (std::is_same_v<T, bool>) sqlite3_result_int(context, x ? -1 : 0);
            else if constexpr (std::is_same_v<T, std::int64_t>) sqlite3_result_int64(context, x);
            else if constexpr (std::is_same_v<T, double>) sqlite3_result_double(context, x);
            else if constexpr (std::is_same_v<T, Currency>) {
                if (moneyScaled) sqlite3_result_int64(context, x.tenThousandths);
                else sqlite3_result_double(context, static_cast<double>(x.tenThousandths) / 10000.0);
            } else if constexpr (std::is_same_v<T, Date>) sqlite3_result_double(context, x.days);
            else if constexpr (std::is_same_v<T, Decimal>) sqlite3_result_double(context, decimalAsDouble(x));
            else if constexpr (std::is_same_v<T, std::string>)
                sqlite3_result_text(context, x.data(), static_cast<int>(x.size()), SQLITE_TRANSIENT);
            else
                sqlite3_result_blob(context, x.bytes.data(), static_cast<int>(x.bytes.size()), SQLITE_TRANSIENT);
        },
        value.data);
}

// The arguments the translated SQL hands over: the first kinded ones each followed by its ColumnType.
std::vector<Value> argumentsOf(int count, sqlite3_value** argv, int kinded) {
    std::vector<Value> args;
    int i = 0;
    for (int k = 0; k < kinded && i + 1 < count; ++k, i += 2)
        args.push_back(valueOf(argv[i], static_cast<ColumnType>(sqlite3_value_int(argv[i + 1]))));
    for (; i < count; ++i) args.push_back(valueOf(argv[i], ColumnType::Unknown));
    return args;
}

// The SQLite side of every function: arguments converted to values once (with the kinds the SQL hands
// over), the result back; an invalid call is the query's error.
void callFromSql(sqlite3_context* context, int count, sqlite3_value** argv) {
    const auto& function = *static_cast<const AccessFunction*>(sqlite3_user_data(context));
    try {
        setResult(context, function(argumentsOf(count, argv, function.kinded)));
    } catch (const std::exception& error) {
        sqlite3_result_error(context, error.what(), -1);
    }
}

// access_code('Name', value, kind, ...): a function of the database's code. Money comes back scaled
// only where the function declares Currency, as the SQL then expects.
void callCodeFromSql(sqlite3_context* context, int count, sqlite3_value** argv) {
    auto& calls = *static_cast<CodeCalls*>(sqlite3_user_data(context));
    if (count < 1 || !calls.code) return sqlite3_result_error(context, "No code is given to call.", -1);
    const std::string name = text(argv[0]);
    std::string why;
    try {
        const std::vector<Value> args = argumentsOf(count - 1, argv + 1, (count - 1) / 2);
        if (const auto result = calls.code->call(name, args))
            return setResult(context, *result, calls.code->resultType(name) == ColumnType::Currency);
        why = "The function " + name + " of the database's code stopped.";
    } catch (const std::exception& error) {
        why = error.what();
    }
    calls.failure = why;
    sqlite3_result_error(context, why.c_str(), -1);
}

}  // namespace

Value AccessFunction::operator()(std::span<const Value> arguments) const {
    const auto count = static_cast<int>(arguments.size());
    if (count < fewest || count > most)
        throw QueryError("The function " + std::string(name) + " was given " + std::to_string(count) +
                         " arguments.");
    for (int i = 0; i < std::min(count, nullFirst); ++i)
        if (arguments[static_cast<std::size_t>(i)].isNull()) return {};
    return body(arguments);
}

const AccessFunction* findAccessFunction(std::string_view name) {
    for (const AccessFunction& f : kFunctions)
        if (f.name == name) return &f;
    return nullptr;
}

bool registerCodeFunctions(sqlite3* database, CodeCalls* calls) {
    return sqlite3_create_function_v2(database, "access_code", -1, SQLITE_UTF8, calls, callCodeFromSql, nullptr,
                                      nullptr, nullptr) == SQLITE_OK;
}

bool registerAccessFunctions(sqlite3* database) {
    for (const AccessFunction& f : kFunctions) {
        const int flags = SQLITE_UTF8 | (f.deterministic ? SQLITE_DETERMINISTIC : 0);
        const int sqlFewest = f.fewest + f.kinded, sqlMost = f.most + f.kinded;
        if (sqlite3_create_function_v2(database, ("access_" + std::string(f.name)).c_str(),
                                       sqlFewest == sqlMost ? sqlFewest : -1, flags,
                                       const_cast<AccessFunction*>(&f), callFromSql, nullptr, nullptr,
                                       nullptr) != SQLITE_OK)
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

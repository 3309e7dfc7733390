#include "platform/jet/vba/Values.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "base/AsciiCase.h"
#include "base/DayNumbers.h"
#include "platform/jet/vba/Lexer.h"

namespace platform::jet::vba {
namespace {

constexpr auto lower = lowerName;

const char* describe(long number) {
    switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 11: return "Division by zero";
    case 13: return "Type mismatch";
    case 20: return "Resume without error";
    case 91: return "Object variable or With block variable not set";
    case 94: return "Invalid use of Null";
    case 424: return "Object required";
    case 438: return "Object doesn't support this property or method";
    default: return "Application-defined or object-defined error";
    }
}

double decimalDouble(const query::Decimal& d) {
    long double v = static_cast<long double>(d.unscaled);
    for (int i = 0; i < d.scale; ++i) v /= 10;
    return static_cast<double>(v);
}

// Banker's rounding, as CInt and assignment to whole-number variables round.
double roundEven(double x) {
    const double r = std::nearbyint(x);  // the default rounding mode rounds half to even
    return r;
}

std::optional<double> numberOfText(std::string_view text) {
    std::string t(text);
    const auto first = t.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    t = t.substr(first, t.find_last_not_of(" \t") - first + 1);
    if (t.size() > 2 && t[0] == '&' && (t[1] == 'H' || t[1] == 'h')) {
        char* end = nullptr;
        const unsigned long long v = std::strtoull(t.c_str() + 2, &end, 16);
        if (*end != 0) return std::nullopt;
        return static_cast<double>(v);
    }
    std::string plain;
    for (char c : t)
        if (c != ',') plain += c;  // thousands separators, as Val does not but CDbl does
    if (plain.empty() || plain.find_first_of("xXnNiI") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(plain.c_str(), &end);
    if (end == plain.c_str() || *end != 0 || errno == ERANGE) return std::nullopt;
    return v;
}

bool isWhole(const Variant& v) {
    return v.kind == Variant::Kind::Scalar && (v.value.holds<std::int64_t>() || v.value.holds<bool>());
}

std::int64_t wholeOf(const Variant& v) {
    if (v.value.holds<bool>()) return v.value.get<bool>() ? -1 : 0;
    return v.value.get<std::int64_t>();
}

// Access's dates run from the year 100 to 9999; a day outside them overflows, as in VBA.
Value dateResult(double days) {
    if (!(days >= -657434.0 && days < 2958466.0)) raise(6);
    return Value(query::Date{days});
}

Variant numberResult(double x) {
    if (!std::isfinite(x)) raise(6);
    return Value(x);
}

// Whole numbers stay whole while they fit; past 64 bits they become Double, as Long overflows into
// a Variant's Double in Access's expressions.
Variant wholeResult(long double x) {
    if (x >= -9.2e18L && x <= 9.2e18L) return Value(static_cast<std::int64_t>(x));
    return numberResult(static_cast<double>(x));
}

std::string dateText(double days) {
    const base::CivilTime t = base::civilTime(days);
    char buffer[64];
    const double whole = std::trunc(days);
    const bool hasTime = days != whole;
    const bool hasDate = whole != 0;
    std::string out;
    if (hasDate || !hasTime) {
        std::snprintf(buffer, sizeof buffer, "%d/%d/%d", t.month, t.day, t.year);
        out = buffer;
    }
    if (hasTime) {
        const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
        std::snprintf(buffer, sizeof buffer, "%s%d:%02d:%02d %s", out.empty() ? "" : " ", hour12, t.minute, t.second,
                      t.hour < 12 ? "AM" : "PM");
        out += buffer;
    }
    return out;
}

int compareText(std::string_view a, std::string_view b) {
    if (base::precedesIgnoringCase(a, b)) return -1;
    return base::precedesIgnoringCase(b, a) ? 1 : 0;
}

bool isText(const Variant& v) { return v.kind == Variant::Kind::Scalar && v.value.holds<std::string>(); }

// Like's wildcards: * ? # [list] [!list], case-insensitive.
bool like(std::string_view s, std::string_view p) {
    std::size_t si = 0, pi = 0, starP = std::string_view::npos, starS = 0;
    auto matchOne = [&](std::size_t& pj, char c) -> bool {
        const char pc = p[pj];
        if (pc == '?') {
            ++pj;
            return true;
        }
        if (pc == '#') {
            ++pj;
            return std::isdigit(static_cast<unsigned char>(c)) != 0;
        }
        if (pc == '[') {
            const std::size_t close = p.find(']', pj + 1);
            if (close == std::string_view::npos) return false;
            std::string_view set = p.substr(pj + 1, close - pj - 1);
            pj = close + 1;
            bool negate = !set.empty() && set[0] == '!';
            if (negate) set.remove_prefix(1);
            bool found = false;
            const int lc = std::tolower(static_cast<unsigned char>(c));
            for (std::size_t k = 0; k < set.size(); ++k) {
                if (k + 2 < set.size() && set[k + 1] == '-') {
                    if (lc >= std::tolower(static_cast<unsigned char>(set[k])) &&
                        lc <= std::tolower(static_cast<unsigned char>(set[k + 2])))
                        found = true;
                    k += 2;
                } else if (lc == std::tolower(static_cast<unsigned char>(set[k]))) {
                    found = true;
                }
            }
            return found != negate;
        }
        ++pj;
        return std::tolower(static_cast<unsigned char>(pc)) == std::tolower(static_cast<unsigned char>(c));
    };
    while (si < s.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = ++pi;
            starS = si;
            continue;
        }
        std::size_t pj = pi;
        if (pi < p.size() && matchOne(pj, s[si])) {
            pi = pj;
            ++si;
            continue;
        }
        if (starP == std::string_view::npos) return false;
        pi = starP;
        si = ++starS;
    }
    while (pi < p.size() && p[pi] == '*') ++pi;
    return pi == p.size();
}

}  // namespace

void raise(long number) { throw RuntimeError{number, describe(number)}; }

Variant valueOf(const Variant& v) {
    if (v.kind == Variant::Kind::Object) {
        if (!v.object) raise(91);
        if (auto value = v.object->defaultValue()) return *value;
        raise(13);
    }
    if (v.kind == Variant::Kind::Array || v.kind == Variant::Kind::Missing) raise(13);
    return v;
}

double toDouble(const Variant& in) {
    const Variant v = valueOf(in);
    if (v.isEmpty()) return 0;
    const Value& x = v.value;
    if (x.isNull()) raise(94);
    if (x.holds<bool>()) return x.get<bool>() ? -1 : 0;
    if (x.holds<std::int64_t>()) return static_cast<double>(x.get<std::int64_t>());
    if (x.holds<double>()) {
        if (!std::isfinite(x.get<double>())) raise(6);
        return x.get<double>();
    }
    if (x.holds<query::Currency>()) return static_cast<double>(x.get<query::Currency>().tenThousandths) / 10000.0;
    if (x.holds<query::Decimal>()) return decimalDouble(x.get<query::Decimal>());
    if (x.holds<query::Date>()) return x.get<query::Date>().days;
    if (x.holds<std::string>()) {
        if (auto n = numberOfText(x.get<std::string>())) return *n;
        if (auto d = base::parseDate(x.get<std::string>())) return *d;
    }
    raise(13);
}

std::int64_t toWhole(const Variant& v) {
    const double d = roundEven(toDouble(v));
    if (!(std::fabs(d) <= 9.2e18)) raise(6);
    return static_cast<std::int64_t>(d);
}

bool isNumeric(const Variant& in) {
    if (in.isEmpty()) return true;
    if (in.kind != Variant::Kind::Scalar || in.value.isNull()) return false;
    if (in.value.holds<std::string>()) return numberOfText(in.value.get<std::string>()).has_value();
    return !in.value.holds<query::Binary>() && !in.value.holds<query::Date>();
}

std::string toText(const Variant& in) {
    const Variant v = valueOf(in);
    if (v.isEmpty()) return "";
    const Value& x = v.value;
    if (x.isNull()) raise(94);
    if (x.holds<std::string>()) return x.get<std::string>();
    if (x.holds<bool>()) return x.get<bool>() ? "True" : "False";
    if (x.holds<std::int64_t>()) return std::to_string(x.get<std::int64_t>());
    if (x.holds<query::Date>()) return dateText(x.get<query::Date>().days);
    if (x.holds<query::Binary>()) {
        const auto& bytes = x.get<query::Binary>().bytes;
        return std::string(bytes.begin(), bytes.end());
    }
    const double d = toDouble(v);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", d);
    std::string out = buffer;
    // 1.5E+20 as VBA writes it: no leading zeros in the exponent.
    if (const auto e = out.find('E'); e != std::string::npos) {
        std::size_t digits = e + 2;
        while (digits + 1 < out.size() && out[digits] == '0') out.erase(digits, 1);
    }
    return out;
}

bool toBool(const Variant& in) {
    const Variant v = valueOf(in);
    if (v.isEmpty()) return false;
    if (v.value.isNull()) raise(94);
    if (v.value.holds<bool>()) return v.value.get<bool>();
    if (v.value.holds<std::string>()) {
        const std::string t = lower(v.value.get<std::string>());
        if (t == "true") return true;
        if (t == "false") return false;
    }
    return toDouble(v) != 0;
}

Variant initialValue(std::string_view type) {
    if (type == "integer" || type == "long" || type == "byte" || type == "longlong" || type == "longptr")
        return Value(std::int64_t{0});
    if (type == "single" || type == "double") return Value(0.0);
    if (type == "currency") return Value(query::Currency{});
    if (type == "decimal") return Value(query::Decimal{});
    if (type == "string") return Value(std::string());
    if (type == "boolean") return Value(false);
    if (type == "date") return Value(query::Date{});
    if (type == "variant" || type.empty()) return Variant();
    return Variant::of(nullptr);  // an object type: Nothing
}

Variant coerce(const Variant& in, std::string_view type) {
    if (type == "variant" || type.empty()) return in;
    if (type == "object" || (initialValue(type).kind == Variant::Kind::Object)) {
        if (in.kind != Variant::Kind::Object) raise(13);
        return in;
    }
    const Variant v = valueOf(in);
    if (v.isNull()) raise(94);
    auto whole = [&](double low, double high) {
        const double r = roundEven(toDouble(v));
        if (r < low || r > high) raise(6);
        return Variant(Value(static_cast<std::int64_t>(r)));
    };
    if (type == "integer") return whole(-32768, 32767);
    if (type == "long" || type == "longptr") return whole(-2147483648.0, 2147483647.0);
    if (type == "byte") return whole(0, 255);
    if (type == "longlong") return whole(-9.2e18, 9.2e18);
    if (type == "single") return Value(static_cast<double>(static_cast<float>(toDouble(v))));
    if (type == "double" || type == "decimal") return Value(toDouble(v));
    if (type == "currency") {
        const double x = roundEven(toDouble(v) * 10000.0);
        if (std::fabs(x) > 9.2e18) raise(6);
        return Value(query::Currency{static_cast<std::int64_t>(x)});
    }
    if (type == "string") return Value(toText(v));
    if (type == "boolean") return Value(toBool(v));
    if (type == "date") return dateResult(toDouble(v));
    return v;
}

std::string typeName(const Variant& v) {
    switch (v.kind) {
    case Variant::Kind::Empty: return "Empty";
    case Variant::Kind::Missing: return "Error";
    case Variant::Kind::Array: return "Variant()";
    case Variant::Kind::Object: return v.object ? v.object->typeName() : "Nothing";
    case Variant::Kind::Scalar: break;
    }
    const Value& x = v.value;
    if (x.isNull()) return "Null";
    if (x.holds<bool>()) return "Boolean";
    if (x.holds<std::int64_t>()) {
        const auto n = x.get<std::int64_t>();
        return n >= -32768 && n <= 32767 ? "Integer" : "Long";
    }
    if (x.holds<double>()) return "Double";
    if (x.holds<query::Currency>()) return "Currency";
    if (x.holds<query::Decimal>()) return "Decimal";
    if (x.holds<query::Date>()) return "Date";
    if (x.holds<std::string>()) return "String";
    return "Byte()";
}

int varType(const Variant& v) {
    const std::string name = typeName(v);
    static const std::pair<const char*, int> kTypes[] = {
        {"Empty", 0},    {"Null", 1},   {"Integer", 2}, {"Long", 3},    {"Double", 5},    {"Currency", 6},
        {"Date", 7},     {"String", 8}, {"Error", 10},  {"Boolean", 11}, {"Decimal", 14}, {"Byte()", 8209},
        {"Variant()", 8204}};
    for (const auto& [n, t] : kTypes)
        if (name == n) return t;
    return 9;  // an object
}

Variant unary(std::string_view op, const Variant& in) {
    const Variant a = valueOf(in);
    if (a.isNull()) return a;
    if (op == "not") {
        if (a.kind == Variant::Kind::Scalar && a.value.holds<bool>()) return Value(!a.value.get<bool>());
        return Value(~toWhole(a));
    }
    if (op == "+") return a.isEmpty() ? Variant(Value(std::int64_t{0})) : a;
    if (isWhole(a)) return wholeResult(-static_cast<long double>(wholeOf(a)));
    if (a.isEmpty()) return Value(std::int64_t{0});
    if (a.value.holds<query::Currency>()) return Value(query::Currency{-a.value.get<query::Currency>().tenThousandths});
    if (a.value.holds<query::Date>()) return dateResult(-a.value.get<query::Date>().days);
    return numberResult(-toDouble(a));
}

Variant binary(std::string_view op, const Variant& inA, const Variant& inB) {
    if (op == "is") {
        if (inA.kind != Variant::Kind::Object || inB.kind != Variant::Kind::Object) raise(424);
        return Value(inA.object == inB.object);
    }
    const Variant a = valueOf(inA);
    const Variant b = valueOf(inB);
    if (op == "&") {
        if (a.isNull() && b.isNull()) return Value();
        return Value((a.isNull() ? std::string() : toText(a)) + (b.isNull() ? std::string() : toText(b)));
    }
    // And, Or with Null: Null And False is False, Null Or True is True.
    if (op == "and" || op == "or" || op == "xor" || op == "eqv" || op == "imp") {
        const bool bothBool = (a.isNull() || (a.kind == Variant::Kind::Scalar && a.value.holds<bool>())) &&
                              (b.isNull() || (b.kind == Variant::Kind::Scalar && b.value.holds<bool>()));
        if (a.isNull() || b.isNull()) {
            const Variant& other = a.isNull() ? b : a;
            if (op == "and" && !other.isNull() && toDouble(other) == 0) return bothBool ? Value(false) : Value(std::int64_t{0});
            if (op == "or" && !other.isNull() && toDouble(other) != 0 && bothBool) return Value(true);
            return Value();
        }
        const std::int64_t x = toWhole(a), y = toWhole(b);
        std::int64_t r = 0;
        if (op == "and") r = x & y;
        else if (op == "or") r = x | y;
        else if (op == "xor") r = x ^ y;
        else if (op == "eqv") r = ~(x ^ y);
        else r = ~x | y;
        if (bothBool) return Value(r != 0);
        return Value(r);
    }
    if (op == "like") {
        if (a.isNull() || b.isNull()) return Value();
        return Value(like(toText(a), toText(b)));
    }
    if (op == "=" || op == "<>" || op == "<" || op == ">" || op == "<=" || op == ">=") {
        if (a.isNull() || b.isNull()) return Value();
        int c = 0;
        const bool textA = isText(a) || (a.isEmpty() && isText(b));
        const bool textB = isText(b) || (b.isEmpty() && isText(a));
        if (textA && textB) {
            c = compareText(toText(a), toText(b));
        } else if (textA != textB) {
            // A number against text: numerically when the text is a number, else the number is less.
            const Variant& text = textA ? a : b;
            if (numberOfText(toText(text))) {
                const double x = toDouble(a), y = toDouble(b);
                c = x < y ? -1 : (x > y ? 1 : 0);
            } else {
                c = textA ? 1 : -1;
            }
        } else {
            const double x = toDouble(a), y = toDouble(b);
            c = x < y ? -1 : (x > y ? 1 : 0);
        }
        bool r = false;
        if (op == "=") r = c == 0;
        else if (op == "<>") r = c != 0;
        else if (op == "<") r = c < 0;
        else if (op == ">") r = c > 0;
        else if (op == "<=") r = c <= 0;
        else r = c >= 0;
        return Value(r);
    }
    if (a.isNull() || b.isNull()) return Value();
    if (op == "+" && (isText(a) || a.isEmpty()) && (isText(b) || b.isEmpty()) && !(a.isEmpty() && b.isEmpty()))
        return Value(toText(a) + toText(b));
    const auto holds = [](const Variant& v, auto tag) {
        return v.kind == Variant::Kind::Scalar && v.value.holds<decltype(tag)>();
    };
    if (op == "+" || op == "-" || op == "*") {
        if ((isWhole(a) || a.isEmpty()) && (isWhole(b) || b.isEmpty())) {
            const long double x = a.isEmpty() ? 0 : wholeOf(a), y = b.isEmpty() ? 0 : wholeOf(b);
            return wholeResult(op == "+" ? x + y : (op == "-" ? x - y : x * y));
        }
        const double x = toDouble(a), y = toDouble(b);
        const double r = op == "+" ? x + y : (op == "-" ? x - y : x * y);
        const bool dateA = holds(a, query::Date{}), dateB = holds(b, query::Date{});
        if ((dateA || dateB) && op != "*" && !(op == "-" && dateA && dateB)) return dateResult(r);
        if ((holds(a, query::Currency{}) || holds(b, query::Currency{})) && !holds(a, double{}) && !holds(b, double{})) {
            const double t = roundEven(r * 10000.0);
            if (std::fabs(t) > 9.2e18) raise(6);
            return Value(query::Currency{static_cast<std::int64_t>(t)});
        }
        return numberResult(r);
    }
    if (op == "/") {
        const double y = toDouble(b);
        if (y == 0) raise(11);
        return numberResult(toDouble(a) / y);
    }
    if (op == "\\" || op == "mod") {
        const double x = roundEven(toDouble(a)), y = roundEven(toDouble(b));
        if (y == 0) raise(11);
        if (std::fabs(x) > 9.2e18 || std::fabs(y) > 9.2e18) raise(6);
        const auto xi = static_cast<std::int64_t>(x), yi = static_cast<std::int64_t>(y);
        if (yi == -1) return Value(op == "mod" ? std::int64_t{0} : -xi);
        return Value(op == "mod" ? xi % yi : xi / yi);
    }
    if (op == "^") return numberResult(std::pow(toDouble(a), toDouble(b)));
    raise(5);
}

}  // namespace platform::jet::vba

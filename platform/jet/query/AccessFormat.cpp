#include "platform/jet/query/AccessFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "base/Utf8.h"
#include "base/AsciiCase.h"
#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/Region.h"

namespace platform::jet::query {
namespace {

std::string twoDigits(int n) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

// The format's sections, split at semicolons outside quotes.
std::vector<std::string> sections(std::string_view format) {
    std::vector<std::string> result(1);
    bool quoted = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '"') quoted = !quoted;
        if (c == '\\' && i + 1 < format.size()) {
            result.back() += format.substr(i, 2);
            ++i;
            continue;
        }
        if (c == ';' && !quoted)
            result.emplace_back();
        else
            result.back() += c;
    }
    return result;
}

// Digits with the decimal point after `point` of them, rounded half away from zero to the decimals:
// whole part and fraction.
std::pair<std::string, std::string> roundedDigits(std::string digits, int point, int decimals) {
    if (point < 0) {
        digits.insert(0, static_cast<std::size_t>(-point), '0');
        point = 0;
    }
    if (static_cast<int>(digits.size()) < point + decimals + 1)
        digits.append(static_cast<std::size_t>(point + decimals + 1) - digits.size(), '0');
    const bool roundUp = digits[static_cast<std::size_t>(point + decimals)] >= '5';
    digits.resize(static_cast<std::size_t>(point + decimals));
    if (roundUp) {
        int i = static_cast<int>(digits.size()) - 1;
        for (; i >= 0 && digits[static_cast<std::size_t>(i)] == '9'; --i)
            digits[static_cast<std::size_t>(i)] = '0';
        if (i >= 0)
            ++digits[static_cast<std::size_t>(i)];
        else
            digits.insert(0, "1"), ++point;
    }
    std::string whole = digits.substr(0, static_cast<std::size_t>(point));
    whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
    return {whole, digits.substr(static_cast<std::size_t>(point))};
}

// The digits of |value| rounded to the decimals, from its 15 significant digits as Access sees a Double,
// or from all of an exact Decimal's.
std::pair<std::string, std::string> decimalDigits(double value, const Decimal* exact, int decimals) {
    if (exact) {
        std::string digits = decimalText(*exact);
        if (digits[0] == '-') digits.erase(0, 1);
        const auto dot = digits.find('.');
        const int point = static_cast<int>(dot == std::string::npos ? digits.size() : dot);
        if (dot != std::string::npos) digits.erase(dot, 1);
        return roundedDigits(digits, point - std::min(exact->scale, 0), decimals);
    }
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string mantissa;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p))) mantissa += *p;
    return roundedDigits(mantissa, std::atoi(p + 1) + 1, decimals);
}

std::string generalNumber(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15G", value);
    std::string text = buffer;
    const auto exponent = text.find('E');
    std::string mantissa = text.substr(0, exponent);
    if (mantissa.find('.') != std::string::npos) {
        mantissa.erase(mantissa.find_last_not_of('0') + 1);
        if (mantissa.back() == '.') mantissa.pop_back();
    }
    if (const auto point = mantissa.find('.'); point != std::string::npos)
        mantissa.replace(point, 1, currentRegion().decimal);
    if (exponent == std::string::npos) return mantissa == "-0" ? "0" : mantissa;
    const int power = std::atoi(text.c_str() + exponent + 1);
    return mantissa + (power < 0 ? "E-" : "E+") + twoDigits(std::abs(power));
}

std::string withThousands(const std::string& whole) {
    std::string result;
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0) result += currentRegion().thousands;
        result += whole[i];
    }
    return result;
}

// A section's digit placeholders, point, commas, exponent and literal text, in order.
struct NumberToken {
    enum Kind { Zero, Hash, Point, Comma, Exponent, Literal } kind;
    std::string text;  // the literal; for an exponent its letter and sign ("E+", "e-")
};

std::vector<NumberToken> numberTokens(std::string_view section) {
    std::vector<NumberToken> tokens;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (c == '0' || c == '#') {
            tokens.push_back({c == '0' ? NumberToken::Zero : NumberToken::Hash, {}});
        } else if (c == '.') {
            tokens.push_back({NumberToken::Point, {}});
        } else if (c == ',') {
            tokens.push_back({NumberToken::Comma, {}});
        } else if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
                   (section[i + 1] == '+' || section[i + 1] == '-')) {
            tokens.push_back({NumberToken::Exponent, std::string(section.substr(i++, 2))});
        } else if (c == '"') {
            const auto end = section.find('"', i + 1);
            tokens.push_back(
                {NumberToken::Literal,
                 std::string(section.substr(
                     i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1))});
            i = end == std::string_view::npos ? section.size() : end;
        } else if (c == '\\' && i + 1 < section.size()) {
            tokens.push_back({NumberToken::Literal, std::string(1, section[++i])});
        } else {
            tokens.push_back({NumberToken::Literal, std::string(1, c)});
        }
    }
    return tokens;
}

bool isPlaceholder(const NumberToken& token) {
    return token.kind == NumberToken::Zero || token.kind == NumberToken::Hash;
}

// A custom numeric section: placeholders 0 and #, a decimal point, commas (between digits: thousands
// separators; right of the last whole digit: thousands scaled away), %, E+/E-, and literal text
// ("quoted", \c, or any other character) anywhere, as "000-00-0000" puts it between the digits.
// An exact Decimal is formatted from all its digits; `value` is its double.
std::string formatNumberSection(double value, std::string_view section, const Decimal* exactValue = nullptr) {
    std::vector<NumberToken> tokens = numberTokens(section);
    const auto pointAt = std::find_if(tokens.begin(), tokens.end(),
                                      [](const NumberToken& t) { return t.kind == NumberToken::Point; });
    const auto exponentAt = std::find_if(
        tokens.begin(), tokens.end(), [](const NumberToken& t) { return t.kind == NumberToken::Exponent; });
    const auto wholeEnd = std::min(pointAt, exponentAt);
    int wholePlaces = 0, wholeZeros = 0, decimals = 0, decimalZeros = 0, scale = 0;
    bool thousands = false, percent = false;
    for (auto t = tokens.begin(); t != tokens.end(); ++t) {
        if (t->kind == NumberToken::Literal && t->text == "%") percent = true;
        if (t < wholeEnd && isPlaceholder(*t)) {
            ++wholePlaces;
            if (t->kind == NumberToken::Zero) ++wholeZeros;
        } else if (t > pointAt && t < exponentAt && pointAt != tokens.end() && isPlaceholder(*t)) {
            ++decimals;
            if (t->kind == NumberToken::Zero) decimalZeros = decimals;
        } else if (t->kind == NumberToken::Comma) {
            const bool afterDigit = std::any_of(tokens.begin(), t, isPlaceholder);
            auto next = t;
            while (next != tokens.end() && next->kind == NumberToken::Comma) ++next;
            if (!afterDigit || t > wholeEnd) {
                t->kind = NumberToken::Literal, t->text = ",";
            } else if (next < wholeEnd && isPlaceholder(*next)) {
                thousands = true;
            } else {
                ++scale;
            }
        }
    }
    if (percent) value *= 100;
    value /= std::pow(1000.0, scale);
    std::optional<Decimal> exact;
    if (exactValue)
        exact = normalizedDecimal(exactValue->unscaled, exactValue->scale - (percent ? 2 : 0) + 3 * scale);
    if (exponentAt != tokens.end()) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*E", decimals, std::fabs(value));
        std::string text = buffer;
        const auto e = text.find('E');
        const int power = std::atoi(text.c_str() + e + 1);
        const auto exponentZeros = std::count_if(
            exponentAt, tokens.end(), [](const NumberToken& t) { return t.kind == NumberToken::Zero; });
        std::string exponentDigits = std::to_string(std::abs(power));
        if (static_cast<long>(exponentDigits.size()) < exponentZeros)
            exponentDigits.insert(0, static_cast<std::size_t>(exponentZeros) - exponentDigits.size(), '0');
        text = text.substr(0, e) + exponentAt->text[0] +
               (power < 0 ? "-" : (exponentAt->text[1] == '+' ? "+" : "")) + exponentDigits;
        if (const auto dot = text.find('.'); dot != std::string::npos)
            text.replace(dot, 1, currentRegion().decimal);
        std::string prefix, suffix;
        const auto firstPlaceholder = std::find_if(tokens.begin(), tokens.end(), isPlaceholder);
        for (auto t = tokens.begin(); t != tokens.end(); ++t)
            if (t->kind == NumberToken::Literal) (t < firstPlaceholder ? prefix : suffix) += t->text;
        return prefix + text + suffix;
    }
    auto [whole, fraction] = decimalDigits(value, exact ? &*exact : nullptr, decimals);
    if (static_cast<int>(whole.size()) < wholeZeros)
        whole.insert(0, static_cast<std::size_t>(wholeZeros) - whole.size(), '0');
    while (static_cast<int>(fraction.size()) > decimalZeros && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    // The whole digits fill the placeholders from the right; any beyond them go before the first.
    std::string result;
    int wholeSeen = 0, decimalSeen = 0;
    for (auto t = tokens.begin(); t != tokens.end(); ++t) {
        if (t < wholeEnd && isPlaceholder(*t)) {
            if (wholeSeen == 0) {
                const std::size_t extra = whole.size() > static_cast<std::size_t>(wholePlaces)
                                              ? whole.size() - static_cast<std::size_t>(wholePlaces)
                                              : 0;
                if (thousands) {
                    result += withThousands(whole);
                    whole.clear();
                } else {
                    result += whole.substr(0, extra);
                    whole.erase(0, extra);
                }
            }
            const int fromRight = wholePlaces - 1 - wholeSeen++;
            if (fromRight < static_cast<int>(whole.size()))
                result += whole[whole.size() - 1 - static_cast<std::size_t>(fromRight)];
        } else if (isPlaceholder(*t)) {
            if (decimalSeen < static_cast<int>(fraction.size()))
                result += fraction[static_cast<std::size_t>(decimalSeen)];
            ++decimalSeen;
        } else if (t->kind == NumberToken::Point) {
            if (wholePlaces == 0) result += thousands ? withThousands(whole) : whole;
            result += currentRegion().decimal;
        } else if (t->kind == NumberToken::Literal) {
            result += t->text;
        }
    }
    return result;
}

// Where a section's "*x" fill goes, while the section is formatted.
constexpr char kFillMark = '\x01';

// The bytes of the UTF-8 character starting at `at`; a byte that begins none is one.
std::size_t characterLength(std::string_view text, std::size_t at) {
    if (at >= text.size()) return 0;
    const auto character = base::decodeUtf8(text.substr(at));
    return character ? character->length : 1;
}

std::optional<std::uint32_t> namedColor(std::string_view name) {
    static constexpr std::pair<std::string_view, std::uint32_t> kColors[] = {
        {"black", 0x000000}, {"blue", 0x0000FF},    {"green", 0x00FF00},  {"cyan", 0x00FFFF},
        {"red", 0xFF0000},   {"magenta", 0xFF00FF}, {"yellow", 0xFFFF00}, {"white", 0xFFFFFF}};
    for (const auto& [known, rgb] : kColors)
        if (base::equalIgnoringCase(known, name)) return rgb;
    return std::nullopt;
}

// A section with what it asks of the drawing taken out: its [color], its "!" and its "*x" (a mark
// where the fill goes). Quoted and escaped characters stay as they are.
FormattedValue decorated(std::string_view section, std::string& body) {
    FormattedValue drawing;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (c == '"') {
            const auto end = std::min(section.find('"', i + 1), section.size() - 1);
            body += section.substr(i, end - i + 1);
            i = end;
        } else if (c == '\\' && i + 1 < section.size()) {
            body += section.substr(i, 1 + characterLength(section, i + 1));
            i += characterLength(section, i + 1);
        } else if (const auto end = section.find(']', i); c == '[' && end != std::string_view::npos &&
                                                          namedColor(section.substr(i + 1, end - i - 1))) {
            drawing.color = namedColor(section.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '!') {
            drawing.leftAligned = true;
        } else if (c == '*' && i + 1 < section.size()) {
            if (drawing.fill.empty()) {
                drawing.fill = section.substr(i + 1, characterLength(section, i + 1));
                body += kFillMark;
            }
            i += characterLength(section, i + 1);
        } else {
            body += c;
        }
    }
    return drawing;
}

// Formats a value with one section: `format(body, leftAligned)` gives the text, the section the rest.
template <typename Formatter>
FormattedValue withSection(std::string_view section, Formatter format) {
    std::string body;
    FormattedValue result = decorated(section, body);
    result.text = format(std::string_view(body), result.leftAligned);
    if (const auto mark = result.text.find(kFillMark); mark != std::string::npos) {
        result.text.erase(mark, 1);
        result.fillAt = mark;
    } else {
        result.fill.clear();
    }
    return result;
}

// The sections of a number format: positive, negative (without its sign), zero; an empty one is the
// first's.
FormattedValue formatNumber(double value, const std::vector<std::string>& parts,
                            const Decimal* exact = nullptr) {
    const bool negative = value < 0;
    // A section shows the magnitude; the sign is the section's or added below.
    const std::optional<Decimal> magnitude =
        exact ? std::optional(Decimal{exact->unscaled < 0 ? -exact->unscaled : exact->unscaled, exact->scale})
              : std::nullopt;
    const auto numberIn = [&magnitude](double number) {
        return [number, &magnitude](std::string_view body, bool) {
            return formatNumberSection(number, body, magnitude ? &*magnitude : nullptr);
        };
    };
    if (value == 0 && parts.size() >= 3 && !parts[2].empty()) return withSection(parts[2], numberIn(0));
    if (negative && parts.size() >= 2 && !parts[1].empty()) return withSection(parts[1], numberIn(-value));
    FormattedValue result = withSection(parts[0], numberIn(std::fabs(value)));
    // A negative amount that rounds to zero shows no sign.
    if (negative && result.text.find_first_of("123456789") != std::string::npos) {
        result.text.insert(0, "-");
        if (!result.fill.empty()) ++result.fillAt;
    }
    return result;
}

// A day or month as a format's run of letters asks: 4, 04, its short name, or its name.
std::string calendarPart(std::size_t run, int number, const std::string& shortName, const std::string& name) {
    if (run == 1) return std::to_string(number);
    if (run == 2) return twoDigits(number);
    if (run == 3) return shortName;
    return name;
}

// A custom date section: d dd ddd dddd ddddd dddddd, w, m mm mmm mmmm (minutes after h), q, y yy yyyy,
// h hh, n nn, s ss, ttttt, AM/PM am/pm A/P a/p AMPM, c, and literal text.
std::string formatDateSection(double days, std::string_view section) {
    const Region& region = currentRegion();
    const CivilTime t = civilTime(days);
    const bool twelveHour = base::lowerAscii(section).find("am/pm") != std::string::npos ||
                            base::lowerAscii(section).find("a/p") != std::string::npos ||
                            base::lowerAscii(section).find("ampm") != std::string::npos;
    const int hour = twelveHour ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;
    std::string result;
    bool afterHour = false;
    for (std::size_t i = 0; i < section.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(section[i])));
        std::size_t run = 1;
        while (i + run < section.size() && std::tolower(static_cast<unsigned char>(section[i + run])) == c)
            ++run;
        const std::string rest = base::lowerAscii(section.substr(i));
        if (rest.starts_with("am/pm")) {
            const bool keepCase = section[i] == 'A';
            result += t.hour < 12 ? (keepCase ? "AM" : "am") : (keepCase ? "PM" : "pm");
            i += 5;
        } else if (rest.starts_with("a/p")) {
            result += t.hour < 12 ? (section[i] == 'A' ? "A" : "a") : (section[i] == 'A' ? "P" : "p");
            i += 3;
        } else if (rest.starts_with("ampm")) {
            result += t.hour < 12 ? region.am : region.pm;
            i += 4;
        } else if (c == '"') {
            const auto end = section.find('"', i + 1);
            result +=
                section.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
            i = end == std::string_view::npos ? section.size() : end + 1;
        } else if (c == '\\' && i + 1 < section.size()) {
            result += section[i + 1];
            i += 2;
        } else if (c == 'd') {
            const auto weekday = static_cast<std::size_t>(t.weekday - 1);
            if (run == 5)
                result += formatDateSection(std::trunc(days), region.shortDate);
            else if (run > 5)
                result += formatDateSection(std::trunc(days), region.longDate);
            else
                result += calendarPart(run, t.day, region.shortWeekdays[weekday], region.weekdays[weekday]);
            i += run;
        } else if (c == 'm' && (afterHour && run <= 2)) {
            result += run == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
            i += run;
        } else if (c == 'm') {
            const auto month = static_cast<std::size_t>(t.month - 1);
            result += calendarPart(run, t.month, region.shortMonths[month], region.months[month]);
            i += run;
        } else if (c == 'y') {
            if (run >= 3)
                result += std::to_string(t.year);
            else if (run == 2)
                result += twoDigits(t.year % 100);
            else
                result += std::to_string(static_cast<int>(std::trunc(days) - dayNumber(t.year, 1, 1)) + 1);
            i += run;
        } else if (c == 'q') {
            result += std::to_string((t.month - 1) / 3 + 1);
            i += 1;
        } else if (c == 'w') {
            result += run == 1
                          ? std::to_string(t.weekday)
                          : std::to_string(static_cast<int>((std::trunc(days) - dayNumber(t.year, 1, 1) +
                                                             civilTime(dayNumber(t.year, 1, 1)).weekday - 1) /
                                                            7) +
                                           1);
            i += run;
        } else if (c == 'h') {
            result += run == 1 ? std::to_string(hour) : twoDigits(hour);
            i += run;
        } else if (c == 'n') {
            result += run == 1 ? std::to_string(t.minute) : twoDigits(t.minute);
            i += run;
        } else if (c == 's') {
            result += run == 1 ? std::to_string(t.second) : twoDigits(t.second);
            i += run;
        } else if (c == 't' && run >= 5) {
            result += formatDateSection(days, region.longTime);
            i += run;
        } else if (c == '/') {
            result += region.dateSeparator;
            i += 1;
        } else if (c == ':') {
            result += region.timeSeparator;
            i += 1;
        } else if (c == 'c') {
            result += formatValue(Value(Date{days}), "General Date");
            i += 1;
        } else {
            result += section[i];
            i += 1;
        }
        // An m right after an hour (separators between) means minutes.
        if (c == 'h')
            afterHour = true;
        else if (std::isalpha(static_cast<unsigned char>(c)))
            afterHour = false;
    }
    return result;
}

// The format codes of a format: its characters outside quotes that no backslash makes literal.
std::string formatCodes(std::string_view format) {
    std::string codes;
    bool quoted = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '"')
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (format[i] == '\\')
            ++i;
        else
            codes += format[i];
    }
    return codes;
}

// Whether a custom format is about dates: it has date or time letters outside quotes and no digit
// placeholders.
bool isDateFormat(std::string_view format) {
    const std::string codes = base::lowerAscii(formatCodes(format));
    if (codes.find_first_of("0#") != std::string::npos) return false;
    for (const char c : codes)
        if (std::isalpha(static_cast<unsigned char>(c)) &&
            std::string_view("dmyhnsqwcapt").find(c) == std::string_view::npos)
            return false;
    return codes.find_first_of("dmyhnsqwc") != std::string::npos;
}

std::optional<double> numberOf(const Value& value) {
    if (value.holds<bool>()) return value.get<bool>() ? -1.0 : 0.0;
    if (value.holds<std::int64_t>()) return static_cast<double>(value.get<std::int64_t>());
    if (value.holds<double>()) return value.get<double>();
    if (value.holds<Currency>()) return static_cast<double>(value.get<Currency>().tenThousandths) / 10000.0;
    if (value.holds<Decimal>()) return decimalAsDouble(value.get<Decimal>());
    if (value.holds<Date>()) return value.get<Date>().days;
    if (value.holds<std::string>()) {
        const std::string& text = value.get<std::string>();
        char* end = nullptr;
        const double number = std::strtod(text.c_str(), &end);
        if (!text.empty() && end && *end == '\0') return number;
    }
    return std::nullopt;
}

const Decimal* exactOf(const Value& value) {
    return std::get_if<Decimal>(&value.data);
}

std::string generalText(const Value& value) {
    if (value.isNull()) return "";
    if (value.holds<bool>()) return value.get<bool>() ? "True" : "False";
    if (value.holds<std::string>()) return value.get<std::string>();
    if (value.holds<Binary>()) return "";
    if (value.holds<Date>()) return formatValue(value, "General Date");
    if (value.holds<Decimal>()) {
        // All its digits, as Access shows a Decimal.
        std::string text = decimalText(value.get<Decimal>());
        if (const auto point = text.find('.'); point != std::string::npos)
            text.replace(point, 1, currentRegion().decimal);
        return text;
    }
    return generalNumber(*numberOf(value));
}

// A text section: @ shows a character or a space, & a character or nothing, filled from the right
// (from the left after "!"); < and > force lower and upper case; the rest is literal text. Characters
// beyond the placeholders go before the first (after the last when filled from the left); a section
// without placeholders shows its literal text and then the whole text.
std::string formatTextSection(const std::string& text, std::string_view section, bool fromLeft) {
    struct Piece {
        std::string literal;
        char placeholder = 0;  // '@' or '&'; 0 for literal text
    };
    std::vector<Piece> pieces;
    std::size_t placeholders = 0;
    bool upper = false, lower = false;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (c == '"') {
            const auto end = section.find('"', i + 1);
            pieces.push_back(
                {std::string(section.substr(i + 1, end == std::string_view::npos ? end : end - i - 1))});
            i = end == std::string_view::npos ? section.size() : end;
        } else if (c == '\\' && i + 1 < section.size()) {
            pieces.push_back({std::string(section.substr(i + 1, characterLength(section, i + 1)))});
            i += characterLength(section, i + 1);
        } else if (c == '@' || c == '&') {
            pieces.push_back({{}, c});
            ++placeholders;
        } else if (c == '<' || c == '>') {
            (c == '>' ? upper : lower) = true;
        } else {
            pieces.push_back({std::string(1, c)});
        }
    }
    const std::string cased = upper ? base::upperAscii(text) : lower ? base::lowerAscii(text) : text;
    std::vector<std::string> characters;
    for (std::size_t i = 0; i < cased.size(); i += characterLength(cased, i))
        characters.push_back(cased.substr(i, characterLength(cased, i)));
    std::string result;
    if (placeholders == 0) {
        for (const auto& piece : pieces) result += piece.literal;
        return result + cased;
    }
    const std::size_t extra = characters.size() > placeholders ? characters.size() - placeholders : 0;
    std::size_t seen = 0;
    for (const auto& piece : pieces) {
        if (!piece.placeholder) {
            result += piece.literal;
            continue;
        }
        if (seen == 0 && !fromLeft)
            for (std::size_t i = 0; i < extra; ++i) result += characters[i];
        // The character of this placeholder, counted from the left or from the right.
        const auto index =
            static_cast<std::ptrdiff_t>(seen++) + (fromLeft ? 0
                                                            : static_cast<std::ptrdiff_t>(characters.size()) -
                                                                  static_cast<std::ptrdiff_t>(placeholders));
        if (index >= 0 && index < static_cast<std::ptrdiff_t>(characters.size()))
            result += characters[static_cast<std::size_t>(index)];
        else if (piece.placeholder == '@')
            result += ' ';
        if (seen == placeholders && fromLeft)
            for (std::size_t i = placeholders; i < characters.size(); ++i) result += characters[i];
    }
    return result;
}

// Whether a custom format is about text: it has @, &, < or > outside quotes, and no digit placeholders.
bool isTextFormat(std::string_view format) {
    const std::string codes = formatCodes(format);
    return codes.find_first_of("0#") == std::string::npos && codes.find_first_of("@&<>") != std::string::npos;
}

FormattedValue formatAsText(const std::string& text, const std::vector<std::string>& parts) {
    const bool empty = text.empty() && parts.size() >= 2;
    return withSection(parts[empty ? 1 : 0], [&](std::string_view body, bool fromLeft) {
        return formatTextSection(text, body, fromLeft);
    });
}

// The Euro format: the region's Currency format with the euro sign for its own.
std::string euroFormat(const Region& region) {
    std::string format = region.currency;
    if (region.currencySymbol.empty()) return "\u20AC#,##0.00;-\u20AC#,##0.00";
    for (auto at = format.find(region.currencySymbol); at != std::string::npos;
         at = format.find(region.currencySymbol, at + 3))
        format.replace(at, region.currencySymbol.size(), "\u20AC");
    return format;
}

// A named number format as custom sections in the current region; empty for other names.
std::string namedNumberFormat(std::string_view name) {
    const Region& region = currentRegion();
    if (base::equalIgnoringCase(name, "Currency")) return region.currency;
    if (base::equalIgnoringCase(name, "Euro")) return euroFormat(region);
    if (base::equalIgnoringCase(name, "Fixed")) return "0.00";
    if (base::equalIgnoringCase(name, "Standard")) return "#,##0.00";
    if (base::equalIgnoringCase(name, "Percent")) return "0.00%";
    if (base::equalIgnoringCase(name, "Scientific")) return "0.00E+00";
    return {};
}

FormattedValue plain(std::string text) {
    FormattedValue result;
    result.text = std::move(text);
    return result;
}

}  // namespace

FormattedValue formatForDisplay(const Value& value, std::string_view format) {
    const std::string name = base::lowerAscii(format);
    const auto parts = sections(format);
    if (value.isNull()) {
        if (isTextFormat(format)) return parts.size() >= 2 ? formatAsText("", parts) : plain("");
        if (parts.size() >= 4)
            return withSection(parts[3],
                               [](std::string_view body, bool) { return formatNumberSection(0, body); });
        return plain("");
    }
    if (name.empty() || name == "general number") return plain(generalText(value));
    auto number = numberOf(value);
    const Region& region = currentRegion();
    if (number) {
        if (name == "yes/no") return plain(*number != 0 ? "Yes" : "No");
        if (name == "true/false") return plain(*number != 0 ? "True" : "False");
        if (name == "on/off") return plain(*number != 0 ? "On" : "Off");
        if (const std::string named = namedNumberFormat(name); !named.empty())
            return formatNumber(*number, sections(named), exactOf(value));
    }
    if (isTextFormat(format)) return formatAsText(generalText(value), parts);
    std::string firstBody;
    decorated(parts[0], firstBody);
    if (name == "general date" || name == "long date" || name == "medium date" || name == "short date" ||
        name == "long time" || name == "medium time" || name == "short time" ||
        (isDateFormat(firstBody) && (value.holds<Date>() || number ||
                                     (value.holds<std::string>() && parseDate(value.get<std::string>()))))) {
        std::optional<double> days =
            value.holds<std::string>() ? parseDate(value.get<std::string>()) : number;
        // Access's dates run from the year 100 to 9999; a number beyond them is no date.
        if (!days) return plain(generalText(value));
        if (!(*days >= -657434.0 && *days < 2958466.0)) return plain(generalNumber(*days));
        if (name == "general date") {
            const double whole = std::trunc(*days);
            if (*days == whole) return plain(formatDateSection(*days, region.shortDate));
            if (whole == 0) return plain(formatDateSection(*days, region.longTime));
            return plain(formatDateSection(*days, region.shortDate + " " + region.longTime));
        }
        if (name == "long date") return plain(formatDateSection(*days, region.longDate));
        if (name == "medium date") return plain(formatDateSection(*days, "dd-mmm-yy"));
        if (name == "short date") return plain(formatDateSection(*days, region.shortDate));
        if (name == "long time") return plain(formatDateSection(*days, region.longTime));
        if (name == "medium time") return plain(formatDateSection(*days, "hh:nn AM/PM"));
        if (name == "short time") return plain(formatDateSection(*days, "hh:nn"));
        return withSection(parts[0],
                           [&](std::string_view body, bool) { return formatDateSection(*days, body); });
    }
    // Text that is no number shows as it is.
    if (!number) return plain(generalText(value));
    return formatNumber(*number, parts, exactOf(value));
}

std::string formatValue(const Value& value, std::string_view format) {
    return formatForDisplay(value, format).text;
}

std::string withDecimalPlaces(std::string_view format, int places) {
    std::string written = namedNumberFormat(format);
    if (written.empty() || places < 0 || places > 15) return {};
    const std::string decimals = places > 0 ? "." + std::string(static_cast<std::size_t>(places), '0') : "";
    // In each section the first 0 outside quotes is the last whole digit: its decimals follow it.
    bool quoted = false, placed = false;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const char c = written[i];
        if (c == '"') quoted = !quoted;
        if (c == ';') placed = false;
        if (quoted || placed || c != '0') continue;
        std::size_t end = i + 1;
        if (end < written.size() && written[end] == '.')
            while (++end < written.size() && written[end] == '0') {
            }
        written.replace(i + 1, end - i - 1, decimals);
        i += decimals.size();
        placed = true;
    }
    return written;
}

}  // namespace platform::jet::query

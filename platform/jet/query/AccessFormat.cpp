#include "platform/jet/query/AccessFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "platform/jet/query/AsciiCase.h"
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

// The digits of |value| rounded half away from zero to the decimals, from its 15 significant digits as
// Access sees a Double: whole part and fraction.
std::pair<std::string, std::string> decimalDigits(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
    std::string mantissa;
    const char* p = buffer;
    for (; *p && *p != 'e'; ++p)
        if (std::isdigit(static_cast<unsigned char>(*p))) mantissa += *p;
    const int exponent = std::atoi(p + 1);
    // Digits with the decimal point after `point` of them.
    std::string digits = mantissa;
    int point = exponent + 1;
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

// A custom numeric section: placeholders 0 and #, a decimal point, thousands commas, %, E+/E-, and
// literal text ("quoted", \c, or any other character) before, between or after the digits.
std::string formatNumberSection(double value, std::string_view section) {
    int wholeZeros = 0, decimals = 0, decimalZeros = 0;
    bool point = false, thousands = false, percent = false, seenDigit = false;
    std::optional<std::size_t> exponentAt;
    std::string prefix, suffix;
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        std::string literal;
        if (exponentAt) break;
        if (c == '0' || c == '#') {
            seenDigit = true;
            if (point) {
                ++decimals;
                if (c == '0') decimalZeros = decimals;
            } else if (c == '0') {
                ++wholeZeros;
            }
            continue;
        }
        if (c == '.' && !point) {
            point = true;
            seenDigit = true;
            continue;
        }
        if (c == ',' && seenDigit && !point) {
            thousands = true;
            continue;
        }
        if ((c == 'E' || c == 'e') && i + 1 < section.size() &&
            (section[i + 1] == '+' || section[i + 1] == '-')) {
            exponentAt = i;
            continue;
        }
        if (c == '"') {
            const auto end = section.find('"', i + 1);
            literal =
                section.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1);
            i = end == std::string_view::npos ? section.size() : end;
        } else if (c == '\\' && i + 1 < section.size()) {
            literal = section[++i];
        } else {
            if (c == '%') percent = true;
            literal = c;
        }
        (seenDigit ? suffix : prefix) += literal;
    }
    if (percent) value *= 100;
    if (exponentAt) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, "%.*E", decimals, std::fabs(value));
        std::string text = buffer;
        const auto e = text.find('E');
        const int power = std::atoi(text.c_str() + e + 1);
        const bool plus = section[*exponentAt + 1] == '+';
        std::string exponentDigits = section.substr(*exponentAt + 2).find("00") == 0
                                         ? twoDigits(std::abs(power))
                                         : std::to_string(std::abs(power));
        text = text.substr(0, e) + "E" + (power < 0 ? "-" : (plus ? "+" : "")) + exponentDigits;
        if (const auto dot = text.find('.'); dot != std::string::npos)
            text.replace(dot, 1, currentRegion().decimal);
        return prefix + text + suffix;
    }
    auto [whole, fraction] = decimalDigits(value, decimals);
    if (static_cast<int>(whole.size()) < wholeZeros)
        whole.insert(0, static_cast<std::size_t>(wholeZeros) - whole.size(), '0');
    while (static_cast<int>(fraction.size()) > decimalZeros && !fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (thousands) whole = withThousands(whole);
    std::string number = whole;
    const std::string& decimal = currentRegion().decimal;
    if (point && (!fraction.empty() || decimals == 0)) number += decimal + fraction;
    if (point && decimals == 0 && whole.empty() && fraction.empty()) number = decimal;
    return prefix + number + suffix;
}

std::string formatNumber(double value, const std::vector<std::string>& parts) {
    const bool negative = value < 0;
    if (value == 0 && parts.size() >= 3 && !parts[2].empty()) return formatNumberSection(0, parts[2]);
    if (negative && parts.size() >= 2 && !parts[1].empty()) return formatNumberSection(-value, parts[1]);
    std::string text = formatNumberSection(std::fabs(value), parts[0]);
    // A negative amount that rounds to zero shows no sign.
    if (negative && text.find_first_of("123456789") != std::string::npos) text.insert(0, "-");
    return text;
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
    const bool twelveHour = lowerAscii(section).find("am/pm") != std::string::npos ||
                            lowerAscii(section).find("a/p") != std::string::npos ||
                            lowerAscii(section).find("ampm") != std::string::npos;
    const int hour = twelveHour ? (t.hour % 12 == 0 ? 12 : t.hour % 12) : t.hour;
    std::string result;
    bool afterHour = false;
    for (std::size_t i = 0; i < section.size();) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(section[i])));
        std::size_t run = 1;
        while (i + run < section.size() && std::tolower(static_cast<unsigned char>(section[i + run])) == c)
            ++run;
        const std::string rest = lowerAscii(section.substr(i));
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

// Whether a custom format is about dates: it has date or time letters outside quotes and no digit
// placeholders.
bool isDateFormat(std::string_view format) {
    bool quoted = false, letters = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
        if (c == '"') quoted = !quoted;
        if (quoted) continue;
        if (c == '\\') {
            ++i;
            continue;
        }
        if (c == '0' || c == '#') return false;
        if (std::string_view("dmyhnsqwc").find(c) != std::string_view::npos)
            letters = true;
        else if (std::isalpha(static_cast<unsigned char>(c)) && c != 'a' && c != 'p' && c != 't')
            return false;
    }
    return letters;
}

std::optional<double> numberOf(const Value& value) {
    if (value.holds<bool>()) return value.get<bool>() ? -1.0 : 0.0;
    if (value.holds<std::int64_t>()) return static_cast<double>(value.get<std::int64_t>());
    if (value.holds<double>()) return value.get<double>();
    if (value.holds<Currency>()) return static_cast<double>(value.get<Currency>().tenThousandths) / 10000.0;
    if (value.holds<Date>()) return value.get<Date>().days;
    if (value.holds<std::string>()) {
        const std::string& text = value.get<std::string>();
        char* end = nullptr;
        const double number = std::strtod(text.c_str(), &end);
        if (!text.empty() && end && *end == '\0') return number;
    }
    return std::nullopt;
}

std::string generalText(const Value& value) {
    if (value.isNull()) return "";
    if (value.holds<bool>()) return value.get<bool>() ? "True" : "False";
    if (value.holds<std::string>()) return value.get<std::string>();
    if (value.holds<Binary>()) return "";
    if (value.holds<Date>()) return formatValue(value, "General Date");
    return generalNumber(*numberOf(value));
}

std::string formatText(const std::string& text, std::string_view format) {
    if (format.find('>') != std::string_view::npos) return upperAscii(text);
    if (format.find('<') != std::string_view::npos) return lowerAscii(text);
    return text;
}

}  // namespace

std::string formatValue(const Value& value, std::string_view format) {
    const std::string name = lowerAscii(format);
    if (value.isNull()) {
        const auto parts = sections(format);
        return parts.size() >= 4 ? formatNumberSection(0, parts[3]) : "";
    }
    if (name.empty() || name == "general number") return generalText(value);
    auto number = numberOf(value);
    if (number) {
        if (name == "yes/no") return *number != 0 ? "Yes" : "No";
        if (name == "true/false") return *number != 0 ? "True" : "False";
        if (name == "on/off") return *number != 0 ? "On" : "Off";
        if (name == "currency") return formatNumber(*number, sections(currentRegion().currency));
        if (name == "euro") return formatNumber(*number, {"€#,##0.00", "(€#,##0.00)"});
        if (name == "fixed") return formatNumber(*number, {"0.00"});
        if (name == "standard") return formatNumber(*number, {"#,##0.00"});
        if (name == "percent") return formatNumber(*number, {"0.00%"});
        if (name == "scientific") return formatNumber(*number, {"0.00E+00"});
    }
    if (name == "general date" || name == "long date" || name == "medium date" || name == "short date" ||
        name == "long time" || name == "medium time" || name == "short time" ||
        (isDateFormat(format) && (value.holds<Date>() || number))) {
        std::optional<double> days =
            value.holds<std::string>() ? parseDate(value.get<std::string>()) : number;
        if (!days) return generalText(value);
        const Region& region = currentRegion();
        if (name == "general date") {
            const double whole = std::trunc(*days);
            if (*days == whole) return formatDateSection(*days, region.shortDate);
            if (whole == 0) return formatDateSection(*days, region.longTime);
            return formatDateSection(*days, region.shortDate + " " + region.longTime);
        }
        if (name == "long date") return formatDateSection(*days, region.longDate);
        if (name == "medium date") return formatDateSection(*days, "dd-mmm-yy");
        if (name == "short date") return formatDateSection(*days, region.shortDate);
        if (name == "long time") return formatDateSection(*days, region.longTime);
        if (name == "medium time") return formatDateSection(*days, "hh:nn AM/PM");
        if (name == "short time") return formatDateSection(*days, "hh:nn");
        return formatDateSection(*days, sections(format)[0]);
    }
    if (!number || value.holds<std::string>()) {
        if (value.holds<std::string>() && number && format.find_first_of("0#") != std::string_view::npos)
            return formatNumber(*number, sections(format));
        return formatText(generalText(value), format);
    }
    if (format.find_first_of("0#") == std::string_view::npos &&
        format.find_first_of("<>@") != std::string_view::npos)
        return formatText(generalText(value), format);
    return formatNumber(*number, sections(format));
}

}  // namespace platform::jet::query

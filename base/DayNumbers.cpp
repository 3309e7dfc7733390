#include "base/DayNumbers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

namespace base {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
long long daysFromEpoch(long long y, long long m, long long d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromEpoch(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

constexpr long long kEpochOfDayZero = -25569;  // 1899-12-30 counted from 1970-01-01

}  // namespace

CivilTime civilTime(double days) {
    CivilTime time;
    // A stored double may hold any number; beyond a billion days (millions of years past any date
    // Access shows) the arithmetic below would overflow, so such numbers stop there.
    constexpr double kFarthestDay = 1e9;
    days = std::isfinite(days) ? std::clamp(days, -kFarthestDay, kFarthestDay) : 0.0;
    const double whole = std::trunc(days);
    double fraction = std::fabs(days - whole);
    long long seconds = std::llround(fraction * 86400.0);
    long long dayNumber = static_cast<long long>(whole);
    if (seconds >= 86400) {  // rounding reached the next midnight: the time counts forward on either side
        seconds -= 86400;
        ++dayNumber;
    }
    civilFromEpoch(dayNumber + kEpochOfDayZero, time.year, time.month, time.day);
    time.hour = static_cast<int>(seconds / 3600);
    time.minute = static_cast<int>(seconds / 60 % 60);
    time.second = static_cast<int>(seconds % 60);
    // 1899-12-30 was a Saturday.
    time.weekday = static_cast<int>(((dayNumber + 6) % 7 + 7) % 7) + 1;
    return time;
}

double dayNumber(int year, int month, int day) {
    long long y = year, m = month - 1;
    y += m >= 0 ? m / 12 : (m - 11) / 12;
    m = ((m % 12) + 12) % 12;
    return static_cast<double>(daysFromEpoch(y, m + 1, 1) + (day - 1) - kEpochOfDayZero);
}

double timeOfDay(int hour, int minute, int second) {
    return (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

double withTime(double date, double time) {
    return date < 0 ? date - time : date + time;
}

int weekOfYear(const CivilTime& time) {
    const double firstDay = dayNumber(time.year, 1, 1);
    const double day = dayNumber(time.year, time.month, time.day);
    return static_cast<int>((day - firstDay + civilTime(firstDay).weekday - 1) / 7) + 1;
}

namespace {

const std::array<std::string_view, 12> kMonthNames = {"january",   "february", "march",    "april",
                                                      "may",       "june",     "july",     "august",
                                                      "september", "october",  "november", "december"};

int monthByName(std::string_view word) {
    if (word.size() < 3) return 0;
    for (std::size_t i = 0; i < kMonthNames.size(); ++i)
        if (kMonthNames[i].starts_with(word)) return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace

std::optional<double> parseDate(std::string_view text) {
    // Split into numbers and words, remembering the separators that tell a time from a date.
    std::vector<std::string> parts;
    std::vector<char> separators;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)) || std::isalpha(static_cast<unsigned char>(c))) {
            const bool digits = std::isdigit(static_cast<unsigned char>(c));
            std::string part;
            while (i < text.size() && (digits ? std::isdigit(static_cast<unsigned char>(text[i]))
                                              : std::isalpha(static_cast<unsigned char>(text[i])) != 0))
                part += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i++])));
            parts.push_back(part);
            separators.push_back(i < text.size() ? text[i] : '\0');
        } else if (c == ' ' || c == '/' || c == '-' || c == ':' || c == ',' || c == '.') {
            ++i;
        } else {
            return std::nullopt;
        }
    }
    std::vector<int> dateNumbers, timeNumbers;
    int month = 0;
    bool pm = false, am = false;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        const std::string& part = parts[p];
        if (std::isdigit(static_cast<unsigned char>(part[0]))) {
            if (part.size() > 4) return std::nullopt;
            const bool isTime = separators[p] == ':' || (p > 0 && separators[p - 1] == ':');
            (isTime ? timeNumbers : dateNumbers).push_back(std::stoi(part));
        } else if (part == "am" || part == "pm") {
            (part == "pm" ? pm : am) = true;
        } else if (int named = monthByName(part); named && !month) {
            month = named;
            dateNumbers.push_back(-1);  // the month's place
        } else {
            return std::nullopt;
        }
    }
    int year = 0, day = 0;
    if (dateNumbers.empty()) {
        if (timeNumbers.empty()) return std::nullopt;
        year = 1899, month = 12, day = 30;
    } else if (dateNumbers.size() != 3) {
        return std::nullopt;
    } else if (month) {  // "July 4, 1996", "4-Jul-96", "1996 July 4"
        std::vector<int> rest;
        for (int n : dateNumbers)
            if (n >= 0) rest.push_back(n);
        if (rest[0] > 31)
            year = rest[0], day = rest[1];
        else
            day = rest[0], year = rest[1];
    } else if (dateNumbers[0] > 31) {  // year first
        year = dateNumbers[0], month = dateNumbers[1], day = dateNumbers[2];
    } else {  // month first, as in SQL text
        month = dateNumbers[0], day = dateNumbers[1], year = dateNumbers[2];
    }
    if (!dateNumbers.empty() && year < 100) year += year < 30 ? 2000 : 1900;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 100 || year > 9999) return std::nullopt;
    if (civilTime(dayNumber(year, month, day)).month != month) return std::nullopt;  // 2/30
    int hour = timeNumbers.size() > 0 ? timeNumbers[0] : 0;
    const int minute = timeNumbers.size() > 1 ? timeNumbers[1] : 0;
    const int second = timeNumbers.size() > 2 ? timeNumbers[2] : 0;
    if (timeNumbers.size() > 3 || hour > 23 || minute > 59 || second > 59) return std::nullopt;
    if ((pm || am) && (hour < 1 || hour > 12)) return std::nullopt;
    if (pm && hour != 12) hour += 12;
    if (am && hour == 12) hour = 0;
    return withTime(dayNumber(year, month, day), timeOfDay(hour, minute, second));
}

}  // namespace base

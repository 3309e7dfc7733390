#include "base/DayNumbers.h"

#include <algorithm>
#include <cmath>

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

}  // namespace base

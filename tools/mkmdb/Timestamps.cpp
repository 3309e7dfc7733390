#include "Timestamps.h"

#include <string>

#include "base/DayNumbers.h"

namespace mkmdb {

Timestamp timestampOf(int year, int month, int day, int hour, int minute, int second) {
    const double days = base::dayNumber(year, month, day);
    // The day number carries months and days over; a date that is no date comes back as another.
    const base::CivilTime date = base::civilTime(days);
    if (month < 1 || day < 1 || date.year != year || date.month != month || date.day != day || days < 0 ||
        year > 9999)
        throw Error("no such date: " + std::to_string(year) + "-" + std::to_string(month) + "-" +
                    std::to_string(day));
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        throw Error("no such time of day: " + std::to_string(hour) + ":" + std::to_string(minute) + ":" +
                    std::to_string(second));
    return Timestamp{base::withTime(days, base::timeOfDay(hour, minute, second))};
}

namespace {

// Reads `width` decimal digits at `at`; nothing unless all are digits.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

}  // namespace

std::optional<Timestamp> parseTimestamp(std::string_view text) {
    if (text.size() != 10 && text.size() != 16 && text.size() != 19) return std::nullopt;
    const auto year = digits(text, 0, 4), month = digits(text, 5, 2), day = digits(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-') return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (text.size() > 10) {
        const auto h = digits(text, 11, 2), m = digits(text, 14, 2);
        if (text[10] != 'T' || text[13] != ':' || !h || !m) return std::nullopt;
        hour = *h, minute = *m;
        if (text.size() == 19) {
            const auto s = digits(text, 17, 2);
            if (text[16] != ':' || !s) return std::nullopt;
            second = *s;
        }
    }
    return timestampOf(*year, *month, *day, hour, minute, second);
}

}  // namespace mkmdb

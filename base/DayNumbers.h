#pragma once

#include <optional>
#include <string_view>

namespace base {

// Calendar arithmetic on the day numbers Access keeps (the same as OLE Automation's dates): the one
// place that converts between them and calendar dates.

// A moment as a calendar shows it.
struct CivilTime {
    int year = 1899, month = 12, day = 30;
    int hour = 0, minute = 0, second = 0;
    int weekday = 7;  // 1 Sunday .. 7 Saturday, as Access counts
};

// Access keeps a moment as days since 1899-12-30; the fraction is the time of day, also for days before
// that date (-1.25 is 1899-12-29 06:00).
CivilTime civilTime(double days);

// The day number of a calendar date. Months and days out of range carry over, as DateSerial does
// (month 13 is January of the next year, day 0 the last day of the month before).
double dayNumber(int year, int month, int day);

// Adds a time of day (fraction of a day, same sign convention) to a day number.
double withTime(double date, double timeOfDay);

double timeOfDay(int hour, int minute, int second);

// The week of the year a date falls in, weeks starting on Sunday and the first holding January 1st,
// as Access's DatePart("ww") counts by default.
int weekOfYear(const CivilTime& time);

// A date as Access reads one in SQL text, in code's #...# literals and from text: "7/4/1996", "1996-07-04",
// "July 4, 1996", "4-Jul-96", with an optional time "10:30:00 PM". Empty when it is no date.
std::optional<double> parseDate(std::string_view text);

}  // namespace base

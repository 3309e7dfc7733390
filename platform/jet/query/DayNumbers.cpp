#include "platform/jet/query/DayNumbers.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace platform::jet::query {
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

}  // namespace platform::jet::query

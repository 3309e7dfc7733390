#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::jet::query {

// The regional settings Access formats values with: separators, the named date, time and currency
// formats (written in Access's own format notation, "/" and ":" standing for the separators), and the
// names of months and days; and the paper a report without a printer setting of its own prints on. Access
// takes them from the machine; a helper takes them from its database (see render/ReportRegion).
struct Region {
    std::string language = "en-US";  // the region's language tag, for the names of months and days
    std::string decimal = ".", thousands = ",";
    std::string dateSeparator = "/", timeSeparator = ":";
    std::string shortDate = "m/d/yyyy";
    std::string longDate = "dddd, mmmm d, yyyy";
    std::string longTime = "h:nn:ss AMPM";  // AMPM: the region's own am and pm texts
    std::string am = "AM", pm = "PM";
    std::string currency = "$#,##0.00;($#,##0.00)";  // the Currency format's sections
    std::string currencySymbol = "$";                // as it stands in them
    int paperSize = 1;  // the region's paper, a Windows DMPAPER_ value: 1 Letter, 9 A4
    std::array<std::string, 12> months = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    std::array<std::string, 12> shortMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 7> weekdays = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                           "Thursday", "Friday", "Saturday"};  // from Sunday
    std::array<std::string, 7> shortWeekdays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
};

// English (United States), as Windows sets it up: the region of every file that does not say another.
inline const Region kUnitedStates{};

// The region Windows sets up for the language of a Windows ANSI code page (874 Thai, 932 Japanese, 936
// Chinese (China), 949 Korean, 950 Chinese (Taiwan), 1250 Polish, 1251 Russian, 1252 English (United
// States), 1253 Greek, 1254 Turkish, 1255 Hebrew, 1256 Arabic (Saudi Arabia), 1257 Lithuanian, 1258
// Vietnamese): separators, the date, time and currency formats and the paper. Its names of months and
// days are English: its language tag says where to take them from. None for any other code page.
std::optional<Region> windowsRegion(std::uint16_t codePage);

// The code page whose region a database's values are formatted in: the one its header names, unless that
// code page's script is not Latin and none of the database's own names (given as UTF-8) is written in it.
// Access records the code page of the machine a file was made on; an English database made on a Japanese
// machine is still printed by English users. 0 (no region of its own) then.
std::uint16_t regionCodePage(std::uint16_t codePage, const std::vector<std::string>& names);

// The region values are formatted in; English (United States) until a helper chooses its database's.
const Region& currentRegion();
void useRegion(const Region& region);

}  // namespace platform::jet::query

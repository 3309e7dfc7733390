#pragma once

#include <array>
#include <string>

namespace platform::jet::query {

// The regional settings Access formats values with: separators, the named date, time and currency
// formats (written in Access's own format notation, "/" and ":" standing for the separators), and the
// names of months and days; and the paper a report without a printer setting of its own prints on. Access
// takes them from the machine; a helper takes them from its database (see render/ReportRegion) and keeps them
// for its whole run.
struct Region {
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

// The region values are formatted in; English (United States) until a helper chooses its database's.
const Region& currentRegion();
void useRegion(const Region& region);

}  // namespace platform::jet::query

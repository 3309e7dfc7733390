#pragma once

#include <optional>
#include <string_view>

#include "base/DayNumbers.h"

namespace platform::jet::query {

// The calendar arithmetic of Access's day numbers, by the engine's names.
using base::CivilTime;
using base::civilTime;
using base::dayNumber;
using base::timeOfDay;
using base::withTime;

// A date as Access reads one in SQL text or from text: "7/4/1996", "1996-07-04", "July 4, 1996",
// "4-Jul-96", with an optional time "10:30:00 PM". Empty when it is no date.
std::optional<double> parseDate(std::string_view text);

}  // namespace platform::jet::query

#pragma once

#include "base/DayNumbers.h"

namespace platform::jet::query {

// The calendar arithmetic of Access's day numbers, by the engine's names.
using base::CivilTime;
using base::civilTime;
using base::dayNumber;
using base::parseDate;
using base::timeOfDay;
using base::withTime;

}  // namespace platform::jet::query

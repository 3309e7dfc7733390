#pragma once

#include <optional>
#include <string_view>

#include "Model.h"

namespace mkmdb {

// The Date/Time value of a calendar date and time of day. Throws Error for an impossible date or time,
// or one before 1899-12-30 (whose encoding readers disagree about) or after 9999-12-31.
Timestamp timestampOf(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS"; nothing when the text is not one of them.
// Throws Error when it has the form but names an impossible date.
std::optional<Timestamp> parseTimestamp(std::string_view text);

}  // namespace mkmdb

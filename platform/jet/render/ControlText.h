#pragma once

#include <string>
#include <string_view>

#include "platform/jet/query/AccessFormat.h"

namespace platform::jet::render {

// A text box's value as it shows it: in its Format, with its DecimalPlaces (255: as the format says)
// for numbers in a named number format other than the general one.
std::string controlText(const query::Value& value, std::string_view format, int decimalPlaces);

// The same with the color, alignment and fill its format's section asks for.
query::FormattedValue formattedControlText(const query::Value& value, std::string_view format, int decimalPlaces);

}  // namespace platform::jet::render

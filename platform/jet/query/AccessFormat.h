#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/jet/query/Value.h"

namespace platform::jet::query {

// A value as a control's Format property shows it: the text, and what the chosen section asks of the
// drawing besides.
struct FormattedValue {
    std::string text;
    std::optional<std::uint32_t> color;  // the section's [Red], [Blue], ... as 0xRRGGBB
    bool leftAligned = false;            // the section's "!"
    // The section's "*x": `fill` repeated at byte `fillAt` of the text until it fills the control.
    std::string fill;
    std::size_t fillAt = 0;
};

// A value as Access's Format function and a control's Format property show it, in the current region
// (Region.h): the named formats ("Currency", "Short Date", "Percent", "Yes/No", ...) and custom ones
// ("#,##0.00;(#,##0.00)", "mmmm yyyy", "dd-mmm-yy hh:nn", ">", "@@@-@@@@", "0;0[Red];\"Zero\";\"None\"")
// with their sections for positive, negative, zero and Null numbers, for text and empty text, or for
// Yes and No. An empty format gives the general text ("7/4/1996", "12.5", "True").
FormattedValue formatForDisplay(const Value& value, std::string_view format);

// The text alone, as the Format function gives it.
std::string formatValue(const Value& value, std::string_view format);

// A named number format ("Currency", "Euro", "Fixed", "Standard", "Percent", "Scientific") as custom
// sections with `places` decimals, as a control's DecimalPlaces asks (0 to 15); empty for any other format
// (General Number and custom ones keep theirs).
std::string withDecimalPlaces(std::string_view format, int places);

}  // namespace platform::jet::query

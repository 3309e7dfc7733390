#include "platform/jet/render/ControlText.h"

#include "platform/jet/query/AccessFormat.h"

namespace platform::jet::render {
namespace {

bool isNumber(const query::Value& value) {
    return value.holds<std::int64_t>() || value.holds<double>() || value.holds<query::Currency>() ||
           value.holds<query::Decimal>();
}

}  // namespace

query::FormattedValue formattedControlText(const query::Value& value, std::string_view format,
                                           int decimalPlaces) {
    // A Currency field shows as money unless its control says otherwise, as the field's own Format
    // (which Access's table design sets for it) would have it.
    if (format.empty() && value.holds<query::Currency>()) format = "Currency";
    if (decimalPlaces >= 0 && decimalPlaces <= 15 && isNumber(value)) {
        if (const std::string written = query::withDecimalPlaces(format, decimalPlaces); !written.empty())
            return query::formatForDisplay(value, written);
    }
    return query::formatForDisplay(value, format);
}

std::string controlText(const query::Value& value, std::string_view format, int decimalPlaces) {
    return formattedControlText(value, format, decimalPlaces).text;
}

}  // namespace platform::jet::render

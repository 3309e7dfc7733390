#include "platform/jet/render/ControlText.h"

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/AsciiCase.h"
#include "platform/jet/query/Region.h"

namespace platform::jet::render {
namespace {

bool isNumber(const query::Value& value) {
    return value.holds<std::int64_t>() || value.holds<double>() || value.holds<query::Currency>();
}

// The named number format with the decimal places written out; empty for formats they do not change.
std::string withDecimals(std::string_view format, int places) {
    const std::string decimals = places > 0 ? "." + std::string(static_cast<std::size_t>(places), '0') : "";
    const std::string name = query::lowerAscii(format);
    if (name == "fixed") return "0" + decimals;
    if (name == "standard") return "#,##0" + decimals;
    if (name == "currency") {
        std::string sections = query::currentRegion().currency;
        for (auto at = sections.find("0.00"); at != std::string::npos; at = sections.find("0.00", at + 1))
            sections.replace(at, 4, "0" + decimals);
        return sections;
    }
    if (name == "euro") return "\u20AC#,##0" + decimals + ";(\u20AC#,##0" + decimals + ")";
    if (name == "percent") return "0" + decimals + "%";
    return {};
}

}  // namespace

query::FormattedValue formattedControlText(const query::Value& value, std::string_view format, int decimalPlaces) {
    // A Currency field shows as money unless its control says otherwise, as the field's own Format
    // (which Access's table design sets for it) would have it.
    if (format.empty() && value.holds<query::Currency>()) format = "Currency";
    if (decimalPlaces >= 0 && decimalPlaces <= 15 && isNumber(value)) {
        if (const std::string written = withDecimals(format, decimalPlaces); !written.empty())
            return query::formatForDisplay(value, written);
    }
    return query::formatForDisplay(value, format);
}

std::string controlText(const query::Value& value, std::string_view format, int decimalPlaces) {
    return formattedControlText(value, format, decimalPlaces).text;
}

}  // namespace platform::jet::render

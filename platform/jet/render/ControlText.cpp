#include "platform/jet/render/ControlText.h"

#include "platform/jet/query/AccessFormat.h"
#include "platform/jet/query/AsciiCase.h"

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
    if (name == "currency") return "$#,##0" + decimals + ";($#,##0" + decimals + ")";
    if (name == "euro") return "\u20AC#,##0" + decimals + ";(\u20AC#,##0" + decimals + ")";
    if (name == "percent") return "0" + decimals + "%";
    return {};
}

}  // namespace

std::string controlText(const query::Value& value, std::string_view format, int decimalPlaces) {
    if (decimalPlaces >= 0 && decimalPlaces <= 15 && isNumber(value)) {
        if (const std::string written = withDecimals(format, decimalPlaces); !written.empty())
            return query::formatValue(value, written);
    }
    return query::formatValue(value, format);
}

}  // namespace platform::jet::render

#include <cinttypes>
#include <cstdio>

#include "platform/jet/query/DayNumbers.h"
#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {

std::string displayText(const Value& value) {
    char buffer[64];
    if (value.isNull()) return "Null";
    if (value.holds<bool>()) return value.get<bool>() ? "True" : "False";
    if (value.holds<std::int64_t>()) return std::to_string(value.get<std::int64_t>());
    if (value.holds<double>()) {
        std::snprintf(buffer, sizeof buffer, "%.15g", value.get<double>());
        return buffer;
    }
    if (value.holds<Currency>()) {
        // Exact: the ten-thousandths as a decimal, without trailing zeros.
        const std::int64_t amount = value.get<Currency>().tenThousandths;
        const std::uint64_t magnitude =
            amount < 0 ? 0 - static_cast<std::uint64_t>(amount) : static_cast<std::uint64_t>(amount);
        std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ".%04" PRIu64, amount < 0 ? "-" : "",
                      magnitude / 10000, magnitude % 10000);
        std::string text = buffer;
        text.erase(text.find_last_not_of('0') + 1);
        if (text.back() == '.') text.pop_back();
        return text;
    }
    if (value.holds<Date>()) {
        const CivilTime t = civilTime(value.get<Date>().days);
        std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                      t.minute, t.second);
        return buffer;
    }
    if (value.holds<std::string>()) return value.get<std::string>();
    return "(" + std::to_string(value.get<Binary>().bytes.size()) + " bytes)";
}

}  // namespace platform::jet::query

#pragma once

#include <string>
#include <string_view>

#include "platform/jet/query/RecordSource.h"

namespace platform::jet::query {

// A value as Access's Format function and a control's Format property show it, in the English (United
// States) settings: the named formats ("Currency", "Short Date", "Percent", "Yes/No", ...) and custom
// ones ("#,##0.00;(#,##0.00)", "mmmm yyyy", "dd-mmm-yy hh:nn", ">"), with up to four sections. An
// empty format gives the general text ("7/4/1996", "12.5", "True"). Null gives "" unless the
// format's fourth section says otherwise.
std::string formatValue(const Value& value, std::string_view format);

}  // namespace platform::jet::query

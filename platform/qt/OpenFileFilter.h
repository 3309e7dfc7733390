#pragma once

#include <QStringList>
#include <string_view>

namespace platform::qt {

// The open dialog's filter list, "description|pattern|description|pattern|" (a final "|" allowed,
// several patterns of one entry separated by ";"), as Qt name filters "description (pattern pattern)".
QStringList openFileNameFilters(std::string_view filter);

}  // namespace platform::qt

#pragma once

#include <QIcon>

namespace platform::qt {

// The program's own icon, at every size it is drawn in (compiled into the program as a Qt resource).
QIcon programIcon();

}  // namespace platform::qt

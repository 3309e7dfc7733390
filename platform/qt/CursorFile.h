#pragma once

#include <QCursor>
#include <string>

namespace platform::qt {

// A Windows cursor file (.cur) as a pointer, with the hotspot the file names: Qt reads the picture
// but not the hotspot. Raises Failure when the file cannot be read or holds no cursor.
QCursor loadCursorFile(const std::string& path);

}  // namespace platform::qt

#include "platform/qt/ProgramIcon.h"

#include <QDir>

// The compiled-in resource lives in a static library: naming its initialiser keeps the linker from
// leaving it out of the program.
static void loadIconResource() {
    Q_INIT_RESOURCE(calvenor_icons);
}

namespace platform::qt {

// Every drawn size, so that the window manager, the task switcher and the title bar each take a crisp
// one instead of scaling a single picture.
QIcon programIcon() {
    loadIconResource();
    QIcon icon;
    const QDir folder{QStringLiteral(":/calvenor/icons")};
    for (const QString& name : folder.entryList({QStringLiteral("calvenor-*.png")}, QDir::Files)) {
        icon.addFile(folder.filePath(name));
    }
    return icon;
}

}  // namespace platform::qt

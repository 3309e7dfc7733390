#include "platform/qt/CursorFile.h"

#include <QFile>
#include <QPixmap>
#include <algorithm>

#include "platform/Failure.h"
#include "platform/qt/QtText.h"

namespace platform::qt {
namespace {

constexpr long kFileNotFound = 53;
constexpr long kInvalidPicture = 481;

unsigned word(const QByteArray& bytes, int offset) {
    return static_cast<unsigned char>(bytes[offset]) | static_cast<unsigned char>(bytes[offset + 1]) << 8;
}

}  // namespace

QCursor loadCursorFile(const std::string& path) {
    QFile file{toQString(path)};
    if (!file.open(QIODevice::ReadOnly)) throw Failure{"File not found", kFileNotFound};
    const QByteArray bytes = file.readAll();

    // The directory: reserved 0, type 2 (cursor), at least one image whose entry holds the hotspot.
    constexpr int kDirectorySize = 6 + 16;
    if (bytes.size() < kDirectorySize || word(bytes, 0) != 0 || word(bytes, 2) != 2 || word(bytes, 4) == 0) {
        throw Failure{"Invalid picture", kInvalidPicture};
    }
    QPixmap picture;
    if (!picture.loadFromData(bytes, "ICO") || picture.isNull())
        throw Failure{"Invalid picture", kInvalidPicture};
    const int hotX = static_cast<int>(word(bytes, 10));
    const int hotY = static_cast<int>(word(bytes, 12));
    return QCursor{picture, std::min(hotX, picture.width() - 1), std::min(hotY, picture.height() - 1)};
}

}  // namespace platform::qt

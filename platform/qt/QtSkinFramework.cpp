#include "platform/qt/QtSkinFramework.h"

#include <QFile>

#include "platform/Failure.h"
#include "platform/qt/QtText.h"
#include "platform/qt/QtWindow.h"

namespace platform::qt {
namespace {

constexpr qint64 kLargestSkin = 1 << 20;  // a style sheet, not a file to read whatever its size

}  // namespace

void QtSkinFramework::loadSkin(std::string_view skinFile, std::string_view /*iniFileName*/) {
    QFile file{toQString(skinFile)};
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargestSkin)
        throw Failure{"The skin file '" + std::string{skinFile} + "' cannot be loaded."};
    styleSheet_ = QString::fromUtf8(file.readAll());
    loaded_ = true;
}

std::int32_t QtSkinFramework::property(int id) {
    const auto found = properties_.find(id);
    return found == properties_.end() ? 0 : found->second;
}

void QtSkinFramework::setProperty(int id, std::int32_t value) {
    properties_[id] = value;
}

void QtSkinFramework::applyWindow(Window& window) {
    if (!loaded_) throw Failure{"No skin has been loaded."};
    auto* qtWindow = dynamic_cast<QtWindow*>(&window);
    if (qtWindow == nullptr) throw Failure{errors::kInvalidArgumentText, errors::kInvalidArgument};
    qtWindow->widget().setStyleSheet(styleSheet_);
}

}  // namespace platform::qt

#pragma once

#include <QString>
#include <map>

#include "platform/SkinFramework.h"

namespace platform::qt {

// The skin engine of the Linux edition: a skin file is a Qt style sheet, applied to the window it is
// given; the numbered properties are kept for whoever asks but change nothing here.
class QtSkinFramework final : public SkinFramework {
  public:
    void loadSkin(std::string_view skinFile, std::string_view iniFileName) override;
    std::int32_t property(int id) override;
    void setProperty(int id, std::int32_t value) override;
    void applyWindow(Window& window) override;

  private:
    QString styleSheet_;
    bool loaded_ = false;
    std::map<int, std::int32_t> properties_;
};

}  // namespace platform::qt

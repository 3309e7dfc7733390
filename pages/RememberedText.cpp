#include "pages/RememberedText.h"

#include <exception>

#include "app/Settings.h"
#include "platform/Ui.h"

namespace calvenor {

void RememberedText::save(const platform::TextBox& box) {
    std::string problem;
    try {
        settings_.SaveSetting(key_, box.text());
        failing_ = false;
        return;
    } catch (const std::exception& e) {
        if (!box.changeIsTyped()) throw;  // the statement that set the text reports it
        problem = e.what();
    }
    if (failing_) return;
    failing_ = true;
    ui_.messageBox("The setting \"" + key_ + "\" could not be saved.\r\n\r\n" + problem, "",
                   platform::MessageButtons::Ok, platform::MessageIcon::Exclamation);
}

}  // namespace calvenor

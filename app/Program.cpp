#include "app/Program.h"

#include "app/Product.h"
#include "app/ShellUtilities.h"
#include "app/Trap.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/Ui.h"

namespace calvenor {

Program::Program(const Services& services)
    : services_(services), errors_(services.ui), settings_(services.registry) {}

Program::~Program() = default;

void Program::start() {
    form1_ = std::make_unique<Form1>(Form1::Services{services_.ui, services_.shell, services_.files,
                                                     settings_, errors_, services_.ado, services_.access,
                                                     longCommands_, [this]() -> Form2& { return form2(); }});
    Form_Load();
    form1_->window().show();
}

Form2& Program::form2() {
    if (!form2_) {
        form2_ = std::make_unique<Form2>(Form2::Services{services_.ui,
                                                         services_.shell,
                                                         services_.files,
                                                         settings_,
                                                         errors_,
                                                         services_.registry,
                                                         services_.access,
                                                         longCommands_,
                                                         form1_->window(),
                                                         {form1_->Text1(), form1_->Text2()}});
        form2_->Form_Load();
    }
    return *form2_;
}

void Program::Form_Load() {
    Trap trap{"in Ostrevan2021/08/31.Form1.Form_Load ", errors_};
    auto& form = *form1_;
    trap.step(104, [&] { form.window().setCaption(product::kTitle); });
    trap.step(104, [&] { SetAppTitle(services_.ui); });
    std::string cursorFile;
    if (trap.test(124, [&] {
            cursorFile = ProgramFile(services_.shell, services_.files, "\\HAND-M.CUR");
            return FileExists(services_.files, cursorFile);
        })) {
        trap.step(126, [&] { form.window().setMouseIcon(cursorFile); });
    }
    trap.step(128, [&] { form.Text1().setText(settings_.GetSetting(Settings::kDatabase, "")); });
    trap.step(130, [&] { form.Text2().setText(settings_.GetSetting(Settings::kPassword, "")); });
}

}  // namespace calvenor

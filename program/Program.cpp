#include "program/Program.h"

#include "program/Main.h"
#include "app/Product.h"
#include "app/ShellUtilities.h"
#include "app/Trap.h"
#include "catalogue/Access1.h"
#include "catalogue/ODBCProvider.h"
#include "export/PdfPrinterCheck.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/Failure.h"
#include "platform/Ui.h"

namespace calvenor {

Program::Program(const Services& services)
    : services_(services), errors_(services.ui), settings_(services.registry) {
    if (!services_.randomFraction) services_.randomFraction = timeSeededFractions();
}

Program::~Program() = default;

void Program::start(const std::optional<std::string>& database) {
    form1_ = std::make_unique<Form1>(Form1::Services{services_.ui, services_.shell, services_.files,
                                                     settings_, errors_, services_.ado, services_.access,
                                                     longCommands_, [this]() -> Form2& { return form2(); }});
    if (!Form_Load(database)) return;
    if (form2_ && form2_->window().isVisible()) return;  // the report list took the first page's place
    form1_->window().show();
    if (passwordAwaited_) form1_->Text2().setFocus();
}

bool Program::opensWithoutPassword(const std::string& database) {
    try {
        return GetTableNames(services_.ado, services_.files, database, "").has_value();
    } catch (const platform::Failure&) {
        return false;  // a wrong password, or a file that does not open at all: "Next >" tells which
    }
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
                                                         services_.printerValues,
                                                         services_.drawn,
                                                         services_.preview,
                                                         longCommands_,
                                                         form1_->window(),
                                                         {form1_->Text1(), form1_->Text2()}});
        form2_->Form_Load();
    }
    return *form2_;
}

bool Program::Form_Load(const std::optional<std::string>& database) {
    Trap trap{handlerLocation("Form1", "Form_Load"), errors_};
    auto& form = *form1_;
    auto& ui = services_.ui;
    trap.step(100, [&] { ApplySkin(services_.shell, services_.files, services_.skin, form.window()); });
    trap.step(102, [&] { VisitHomePageAtRandom(services_.shell, services_.randomFraction); });
    trap.step(104, [&] { form.window().setCaption(product::kTitle); });
    trap.step(104, [&] { form.window().setProgramIcon(); });
    trap.step(104, [&] { SetAppTitle(ui); });
    std::string cursorFile;
    if (trap.test(124, [&] {
            cursorFile = ProgramFile(services_.shell, services_.files, "\\HAND-M.CUR");
            return FileExists(services_.files, cursorFile);
        })) {
        trap.step(126, [&] { form.window().setMouseIcon(cursorFile); });
    }
    trap.step(128, [&] { form.Text1().setText(settings_.GetSetting(Settings::kDatabase, "")); });
    // Its change handler stores it, as it stores a typed one.
    if (database) trap.step(129, [&] { form.Text1().setText(*database); });
    trap.step(130, [&] { form.Text2().setText(settings_.GetSetting(Settings::kPassword, "")); });
    bool dataProvider = true;
    trap.step(132, [&] { dataProvider = CheckDataProvider(services_.ado, ui, services_.shell); });
    if (!dataProvider) {
        ui.endProgram();
        return false;
    }
    if (database) {
        // The remembered password belongs to the remembered database: the one given goes on by itself
        // only when it needs none, and "Next >" then opens it with none.
        if (trap.test(133, [&] { return opensWithoutPassword(*database); })) {
            trap.step(135, [&] { form.Text2().setText(""); });
            trap.step(136, [&] { form.PushButton3_Click(); });
        } else {
            passwordAwaited_ = FileExists(services_.files, *database);
        }
    } else if (trap.test(134, [&] { return FileExists(services_.files, form.Text1().text()); })) {
        // "Next >" reports its own failures, under its own location.
        trap.step(136, [&] { form.PushButton3_Click(); });
    }
    trap.step(138, [&] { CheckPdfPrinter(services_.printers, ui); });
    return true;
}

}  // namespace calvenor

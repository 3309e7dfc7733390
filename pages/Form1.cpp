// Form1 — the database selection page (see Form1.h).
#include "pages/Form1.h"

#include "app/ErrorReport.h"
#include "app/Settings.h"
#include "app/ShellUtilities.h"
#include "app/Text.h"
#include "app/Trap.h"
#include "catalogue/Access1.h"
#include "pages/Form2.h"
#include "pages/PageStyle.h"

namespace calvenor {

using platform::ControlKind;
using platform::ControlLayout;
using platform::kWhite;
using namespace pages;

namespace {

// The page's layout table, in twips; positions are relative to the container (Frame1 holds Label5 to
// Text2). Names, captions and tab indices are the ones the page's handlers and users know.
// clang-format off
constexpr platform::WindowLayout kForm1{"Form1", 8040, 2100, kArial9, kWhite};
constexpr auto kTextBoxColor = platform::kWindowBackground;
constexpr ControlLayout kFrame1     {"Frame1",      ControlKind::Frame,      "Access Database",              { 120,  120, 7800, 1335}, 4, kArial9Bold, kWhite};
constexpr ControlLayout kLabel5     {"Label5",      ControlKind::Label,      "MDB or ACCDB File:",           { 240,  345, 1935,  255}, 5, kArial9Bold, kWhite};
constexpr ControlLayout kText1      {"Text1",       ControlKind::TextBox,    "",                             {2280,  300, 4695,  345}, 0, kArial9Bold, kTextBoxColor};
constexpr ControlLayout kPushButton5{"PushButton5", ControlKind::PushButton, "...",                          {7080,  300,  450,  345}, 1, kButtonFont, kWhite};
constexpr ControlLayout kLblPassword{"lblPassword", ControlKind::Label,      "Password (if required):",      { 240,  840, 1950,  225}, 6, kArial9Bold, kWhite};
constexpr ControlLayout kText2      {"Text2",       ControlKind::TextBox,    "",                             {2280,  800, 5265,  345}, 2, kArial9Bold, kTextBoxColor, true};
constexpr ControlLayout kPushButton1{"PushButton1", ControlKind::PushButton, "Load Sample/Example Database", { 120, 1590, 3960,  405}, 7, kButtonFont, kWhite};
constexpr ControlLayout kPushButton3{"PushButton3", ControlKind::PushButton, "Next >",                       {4200, 1575, 3720,  405}, 3, kButtonFont, kWhite};
// clang-format on

// Windows' open-file flags: open-as-read-only ticked, Explorer style, long names.
constexpr std::uint32_t kOpenFlags = 0x280001;
constexpr char kDatabaseFilter[] =
    "All Microsoft Databases (*.mdb,*.accdb)|*.*db|Microsoft Database (*.mdb)|*.mdb|"
    "Microsoft 2007 Database (*.accdb)|*.accdb|";

void selectAll(platform::TextBox& box) {
    box.setSelection(0, static_cast<int>(characterCount(box.text())));
}

}  // namespace

Form1::Form1(const Services& services)
    : services_(services),
      window_(services.ui.createWindow(kForm1)),
      frame1_(window_->addFrame(kFrame1)),
      text1_(frame1_.addTextBox(kText1)),
      pushButton5_(frame1_.addPushButton(kPushButton5)),
      text2_(frame1_.addTextBox(kText2)),
      pushButton1_(window_->addPushButton(kPushButton1)),
      pushButton3_(window_->addPushButton(kPushButton3)),
      database_(services.settings, services.ui, Settings::kDatabase),
      password_(services.settings, services.ui, Settings::kPassword) {
    frame1_.addLabel(kLabel5);
    frame1_.addLabel(kLblPassword);

    pushButton1_.onClick = [this] { PushButton1_Click(); };
    pushButton3_.onClick = [this] { PushButton3_Click(); };
    pushButton5_.onClick = [this] { PushButton5_Click(); };
    text1_.onChange = [this] { Text1_Change(); };
    text2_.onChange = [this] { Text2_Change(); };
    text1_.onGotFocus = [this] { Text1_GotFocus(); };
    text2_.onGotFocus = [this] { Text2_GotFocus(); };
    window_->onUnload = [this] { Form_Unload(); };

    showPointerOnMouseMove(*window_, {&pushButton1_, &pushButton3_, &pushButton5_},
                           {window_.get(), &frame1_, &text1_, &text2_});
}

void Form1::PushButton1_Click() {
    Trap trap{handlerLocation("Form1", "PushButton1_Click"), services_.errors};
    trap.step(
        100, [&] { text1_.setText(ProgramFile(services_.shell, services_.files, "\\Samples\\sample.mdb")); });
}

void Form1::PushButton3_Click() {
    auto turn = services_.longCommands.take();
    if (!turn) return;
    Trap trap{handlerLocation("Form1", "PushButton3_Click"), services_.errors};
    std::optional<std::vector<std::string>> tables;
    trap.step(100, [&] {
        tables = GetTableNames(services_.ado, services_.files, text1_.text(), {text1_, text2_});
    });
    if (trap.test(102, [&] { return !tables; })) {
        trap.step(104, [&] { tables.reset(); });
        return;
    }
    trap.step(106, [&] {
        LoadReportNames(services_.access, services_.ui, services_.reportListPage().ListView1(), text1_.text(),
                        text2_.text());
    });
    trap.step(108, [&] { services_.reportListPage().window().show(); });
    trap.step(110, [&] { window_->hide(); });
}

void Form1::PushButton5_Click() {
    Trap trap{handlerLocation("Form1", "PushButton5_Click"), services_.errors};
    auto& dialog = commonDialog1_;
    trap.step(100, [&] { dialog.fileName.clear(); });
    trap.step(102, [&] { dialog.flags = kOpenFlags; });
    trap.step(104, [&] { dialog.dialogTitle = "Select Access Database"; });
    trap.step(106, [&] { dialog.filter = kDatabaseFilter; });
    trap.step(108, [&] { services_.ui.showOpen(*window_, dialog); });
    if (trap.test(110, [&] { return !dialog.fileName.empty(); })) {
        trap.step(112, [&] { text1_.setText(dialog.fileName); });
    }
}

void Form1::Text1_Change() {
    database_.save(text1_);
}

void Form1::Text2_Change() {
    password_.save(text2_);
}

void Form1::Text1_GotFocus() {
    selectAll(text1_);
}

void Form1::Text2_GotFocus() {
    selectAll(text2_);
}

void Form1::Form_Unload() {
    services_.ui.endProgram();
}

}  // namespace calvenor

// Form2 — the report list page (see Form2.h).
#include "pages/Form2.h"

#include "app/ErrorReport.h"
#include "app/Product.h"
#include "app/Settings.h"
#include "app/ShellUtilities.h"
#include "app/Trap.h"
#include "catalogue/ReportSelection.h"
#include "export/AddFolder.h"
#include "export/ExportRun.h"
#include "pages/PageStyle.h"
#include "platform/ReportPreview.h"

namespace calvenor {

using platform::ControlKind;
using platform::ControlLayout;
using platform::kWhite;
using namespace pages;

namespace {

// The page's layout table, in twips; positions are relative to the window, except Text1's and
// PushButton7's, which are relative to Frame2. Top to bottom: "< Back", the list, two rows of
// selection commands, the output folder, the export.
// clang-format off
constexpr platform::WindowLayout kForm2{"Form2", 8040, 5610, kArial9Bold, kWhite};
constexpr auto kFieldColor = platform::kWindowBackground;
constexpr ControlLayout kListView1  {"ListView1",   ControlKind::ListView,   "",                                 { 120,  630, 7800, 2475}, 0, kArial9Bold, kFieldColor};
constexpr ControlLayout kPushButton1{"PushButton1", ControlKind::PushButton, "Check All",                        { 120, 3200, 3840,  405}, 1, kButtonFont, kWhite};
constexpr ControlLayout kPushButton4{"PushButton4", ControlKind::PushButton, "Uncheck All",                      {4080, 3200, 3840,  405}, 2, kButtonFont, kWhite};
constexpr ControlLayout kPushButton6{"PushButton6", ControlKind::PushButton, "Check Entries Containing X Chars", { 120, 3710, 3840,  405}, 3, kButtonFont, kWhite};
constexpr ControlLayout kPushButton5{"PushButton5", ControlKind::PushButton, "Check Entries Not Containing X",   {4080, 3710, 3840,  405}, 4, kButtonFont, kWhite};
constexpr ControlLayout kText1      {"Text1",       ControlKind::TextBox,    "",                                 { 225,  300, 6660,  345}, 5, kArial9Bold, kFieldColor};
constexpr ControlLayout kPushButton7{"PushButton7", ControlKind::PushButton, "...",                              {6960,  300,  600,  345}, 6, kButtonFont, kWhite};
constexpr ControlLayout kPushButton3{"PushButton3", ControlKind::PushButton, "Save Checked Reports As PDF",      { 120, 5145, 7800,  405}, 7, kButtonFont, kWhite};
constexpr ControlLayout kPushButton2{"PushButton2", ControlKind::PushButton, "< Back",                           { 120,  120, 7800,  405}, 8, kButtonFont, kWhite};
constexpr ControlLayout kFrame2     {"Frame2",      ControlKind::Frame,      "Save PDF Files To This Folder",    { 120, 4200, 7800,  825}, 9, kArial9Bold, kWhite};
// clang-format on

constexpr int kReportNameWidth = 7000;  // twips

}  // namespace

Form2::Form2(const Services& services)
    : services_(services),
      window_(services.ui.createWindow(kForm2)),
      pushButton2_(window_->addPushButton(kPushButton2)),
      listView1_(window_->addListView(kListView1)),
      pushButton1_(window_->addPushButton(kPushButton1)),
      pushButton4_(window_->addPushButton(kPushButton4)),
      pushButton6_(window_->addPushButton(kPushButton6)),
      pushButton5_(window_->addPushButton(kPushButton5)),
      frame2_(window_->addFrame(kFrame2)),
      text1_(frame2_.addTextBox(kText1)),
      pushButton7_(frame2_.addPushButton(kPushButton7)),
      pushButton3_(window_->addPushButton(kPushButton3)),
      location_(services.settings, services.ui, Settings::kLocation) {
    pushButton1_.onClick = [this] { PushButton1_Click(); };
    pushButton2_.onClick = [this] { PushButton2_Click(); };
    pushButton3_.onClick = [this] { PushButton3_Click(); };
    pushButton4_.onClick = [this] { PushButton4_Click(); };
    pushButton5_.onClick = [this] { PushButton5_Click(); };
    pushButton6_.onClick = [this] { PushButton6_Click(); };
    pushButton7_.onClick = [this] { PushButton7_Click(); };
    text1_.onChange = [this] { Text1_Change(); };
    if (services_.preview) {
        listView1_.onDoubleClick = [this] { ListView1_DblClick(); };
        listView1_.addMenuCommand("Preview") = [this] { mnuPreview_Click(); };
    }
    window_->onUnload = [this] { Form_Unload(); };

    // The output folder field has no pointer of its own to set.
    showPointerOnMouseMove(*window_,
                           {&pushButton1_, &pushButton2_, &pushButton3_, &pushButton4_, &pushButton5_,
                            &pushButton6_, &pushButton7_},
                           {window_.get(), &listView1_, &frame2_});
}

void Form2::Form_Load() {
    Trap trap{handlerLocation("Form2", "Form_Load"), services_.errors};
    auto& window = *window_;
    trap.step(100, [&] { SetFormColors(window); });
    trap.step(102, [&] { window.setProgramIcon(); });
    std::string cursorFile;
    if (trap.test(106, [&] {
            cursorFile = ProgramFile(services_.shell, services_.files, "\\HAND-M.CUR");
            return FileExists(services_.files, cursorFile);
        })) {
        trap.step(108, [&] { window.setMouseIcon(cursorFile); });
    }
    trap.step(110, [&] { window.setCaption(product::kTitle); });
    trap.step(112, [&] { listView1_.addColumn("Report Name"); });
    trap.step(114, [&] { listView1_.setColumnWidth(1, kReportNameWidth); });
    trap.step(116, [&] {
        text1_.setText(services_.settings.GetSetting(Settings::kLocation,
                                                     GetDesktopFolder(services_.shell, services_.files)));
    });
}

void Form2::PushButton1_Click() {
    Trap trap{handlerLocation("Form2", "PushButton1_Click"), services_.errors};
    MarkAllReports(trap, listView1_, true);
}

void Form2::PushButton2_Click() {
    Trap trap{handlerLocation("Form2", "PushButton2_Click"), services_.errors};
    trap.step(100, [&] { services_.databasePage.show(); });
    trap.step(102, [&] { window_->hide(); });
}

void Form2::PushButton3_Click() {
    auto turn = services_.longCommands.take();
    if (!turn) return;
    Trap trap{handlerLocation("Form2", "PushButton3_Click"), services_.errors};
    SaveCheckedReports(
        trap, {services_.ui, services_.files, services_.registry, services_.access, services_.printerValues,
               services_.drawn, *window_, listView1_, text1_, services_.database});
}

void Form2::PushButton4_Click() {
    Trap trap{handlerLocation("Form2", "PushButton4_Click"), services_.errors};
    MarkAllReports(trap, listView1_, false);
}

void Form2::PushButton5_Click() {
    Trap trap{handlerLocation("Form2", "PushButton5_Click"), services_.errors};
    CheckReportsByName(trap, services_.ui, listView1_, NameFilter::NotContaining);
}

void Form2::PushButton6_Click() {
    Trap trap{handlerLocation("Form2", "PushButton6_Click"), services_.errors};
    CheckReportsByName(trap, services_.ui, listView1_, NameFilter::Containing);
}

void Form2::PushButton7_Click() {
    Trap trap{handlerLocation("Form2", "PushButton7_Click"), services_.errors};
    ChooseOutputFolder(trap, services_.ui, services_.files, services_.settings, *window_, text1_);
}

void Form2::Text1_Change() {
    location_.save(text1_);
}

void Form2::ListView1_DblClick() {
    Trap trap{handlerLocation("Form2", "ListView1_DblClick"), services_.errors};
    PreviewSelectedReport(trap);
}

void Form2::mnuPreview_Click() {
    Trap trap{handlerLocation("Form2", "mnuPreview_Click"), services_.errors};
    PreviewSelectedReport(trap);
}

void Form2::PreviewSelectedReport(Trap& trap) {
    std::string report;
    trap.step(100, [&] {
        if (const int item = listView1_.selectedItem(); item > 0) report = listView1_.itemText(item);
    });
    if (report.empty()) return;  // none selected: a double click on the list's empty space
    // The database the fields name now, as the export opens it.
    trap.step(102, [&] {
        services_.preview->preview(services_.database.path.text(), services_.database.password.text(),
                                   report);
    });
}

void Form2::Form_Unload() {
    services_.ui.endProgram();
}

}  // namespace calvenor

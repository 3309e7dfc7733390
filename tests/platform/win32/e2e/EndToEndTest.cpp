// The Windows edition as a whole under Wine: the real program, started as a user starts it, driven
// through its windows, against the stand-in Access and ADO servers and a registered PDF printer.
// Arguments: the program, the stand-in servers' folder, the folder for screenshots of the pages.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "export/PdfPrinter.h"
#include "platform/win32/WideText.h"
#include "tests/platform/win32/TemporaryFolder.h"
#include "tests/platform/win32/e2e/RunningProgram.h"
#include "tests/platform/win32/servers/DatabaseDescription.h"
#include "tests/platform/win32/servers/Registration.h"

namespace {

using calvenor::e2e::RunningProgram;
using calvenor::stand_in::InstalledPrinter;
using calvenor::stand_in::RegisteredServers;
using namespace calvenor::e2e;
using platform::win32::toUtf8;
using platform::win32::toWide;

std::wstring program, serverFolder, screenshots;

constexpr wchar_t kSettings[] = L"Software\\VB and VBA Program Settings\\Drevmark\\Calvenor";
constexpr wchar_t kNext[] = L"Next >";
constexpr wchar_t kSave[] = L"Save Checked Reports As PDF";

// The test runs under Wine, whose drive Z: is the Unix root: the build's paths arrive as Unix paths.
std::wstring windowsPath(const char* argument) {
    std::wstring path = toWide(argument);
    if (!path.starts_with(L'/')) return path;
    for (auto& c : path)
        if (c == L'/') c = L'\\';
    return L"Z:" + path;
}

std::string contentOf(const std::string& path) {
    std::ifstream file(std::filesystem::path(toWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

bool isPasswordBox(HWND box) {
    return (GetWindowLongW(box, GWL_STYLE) & ES_PASSWORD) != 0;
}

HWND textBox(HWND page, bool password) {
    for (HWND box : childrenOf(page, L"Edit"))
        if (isPasswordBox(box) == password) return box;
    throw std::runtime_error("no such text box");
}

class EndToEnd : public ::testing::Test {
  protected:
    // Each run starts as a first run: no remembered database, password or folder, no printer values.
    void SetUp() override { forgetEverything(); }
    void TearDown() override { forgetEverything(); }

    static void forgetEverything() {
        RegDeleteTreeW(HKEY_CURRENT_USER, kSettings);
        RegDeleteTreeW(HKEY_CURRENT_USER, toWide(calvenor::pdf_printer::kKey).c_str());
    }

    void describe(const std::string& contents) {
        std::ofstream(std::filesystem::path(toWide(database_))) << "stand-in database\n" << contents;
    }

    // Types the database and its password on the first page and presses "Next >".
    static void openDatabase(HWND firstPage, const std::string& path, const std::string& password) {
        type(textBox(firstPage, false), toWide(path));
        type(textBox(firstPage, true), toWide(password));
        click(childOf(firstPage, L"Button", kNext));
    }

    // Answers the dialog that must come now, and gives its message.
    static std::wstring answerDialog(const RunningProgram& running, const std::wstring& caption) {
        HWND dialog = running.waitForDialog();
        EXPECT_EQ(textOf(dialog), caption);
        std::wstring message = messageOf(dialog);
        answerOk(dialog);
        waitUntil([&] { return !IsWindow(dialog); }, 10s, "the dialog to close");
        return message;
    }

    // Runs the export into the output folder and answers its "Done.".
    void saveInto(const RunningProgram& running, HWND listPage) {
        type(childOf(listPage, L"Edit"), toWide(output_));
        click(childOf(listPage, L"Button", kSave));
        EXPECT_EQ(answerDialog(running, L"Calvenor"), L"Done.");
    }

    static void closeProgram(const RunningProgram& running, HWND page) {
        PostMessageW(page, WM_CLOSE, 0, 0);
        EXPECT_TRUE(running.waitForExit(10s)) << "the program did not end when its page was closed";
    }

    static void screenshot(HWND page, const wchar_t* name) {
        if (screenshots.empty()) return;
        // Painting comes last in a window's queue: once it has answered and had a moment, it is drawn.
        RedrawWindow(page, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        answers(page, 2s);
        Sleep(300);
        std::filesystem::create_directories(screenshots);
        EXPECT_TRUE(saveScreenshot(page, screenshots + L"\\" + name)) << toUtf8(name);
    }

    test_support::TemporaryFolder folder_;
    std::string database_ = folder_ / "Sales.mdb";
    std::string output_ = folder_ / "PDF files";
};

TEST_F(EndToEnd, SavesTheCheckedReportsThroughThePdfPrinter) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder);
    describe(
        "password: pa ss\nreport: Sales by Month\nreport: Stock (all)\nreport: Draft\n"
        "delay: OpenReport | 1000\n");
    std::filesystem::create_directories(toWide(output_));

    RunningProgram running(program);
    HWND firstPage = running.waitForPage(kNext);
    EXPECT_FALSE(running.hasVisibleDialog()) << "the PDF printer is installed: start-up has nothing to say";
    screenshot(firstPage, L"database-selection-page.bmp");
    openDatabase(firstPage, database_, "pa ss");

    HWND listPage = running.waitForPage(kSave);
    HWND list = childOf(listPage, L"SysListView32");
    EXPECT_EQ(running.listItems(list),
              (std::vector<std::wstring>{L"Sales by Month", L"Stock (all)", L"Draft"}));
    EXPECT_EQ(running.checkMarks(list), (std::vector<bool>{true, true, true}));
    screenshot(listPage, L"report-list-page.bmp");

    // Uncheck all; check the first by its box; the filter adds the one whose name holds "(ALL".
    click(childOf(listPage, L"Button", L"Uncheck All"));
    waitUntil(
        [&] {
            return running.checkMarks(list) == std::vector<bool>{false, false, false};
        },
        10s, "Uncheck All");
    running.setCheckMark(list, 0, true);
    click(childOf(listPage, L"Button", L"Check Entries Containing X Chars"));
    HWND inputBox = running.waitForDialog();
    type(childOf(inputBox, L"Edit"), L"(ALL");
    answerOk(inputBox);
    waitUntil(
        [&] {
            return running.checkMarks(list) == std::vector<bool>{true, true, false};
        },
        10s, "the filter");

    // While Access prints, the caption says which report and how far; then it is the page's own again.
    const std::wstring caption = textOf(listPage);
    type(childOf(listPage, L"Edit"), toWide(output_));
    click(childOf(listPage, L"Button", kSave));
    for (const std::wstring& progress : {caption + L" \u2014 saving 1 of 2: Sales by Month",
                                         caption + L" \u2014 saving 2 of 2: Stock (all)"}) {
        waitUntil([&] { return textOf(listPage) == progress; }, 20s, "the caption " + toUtf8(progress));
    }
    EXPECT_EQ(answerDialog(running, L"Calvenor"), L"Done.");
    EXPECT_EQ(textOf(listPage), caption);
    const std::string sales = output_ + "\\Sales by Month.pdf", stock = output_ + "\\Stock (all).pdf";
    EXPECT_NE(contentOf(sales).find("(Sales by Month) Tj"), std::string::npos);
    EXPECT_NE(contentOf(stock).find("(Stock \\(all\\)) Tj"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(toWide(output_ + "\\Draft.pdf")));
    wchar_t lastFile[MAX_PATH] = {};
    DWORD size = sizeof lastFile;
    RegGetValueW(HKEY_CURRENT_USER, toWide(calvenor::pdf_printer::kKey).c_str(), L"OutputFile", RRF_RT_REG_SZ,
                 nullptr, lastFile, &size);
    EXPECT_EQ(toUtf8(lastFile), stock) << "the printer's key keeps the last report's file";
    closeProgram(running, listPage);
}

// The sample database ships beside the program: the sample button names it, and "Next >" lists what
// Access finds in it (the stand-in reads the real file's catalogue).
TEST_F(EndToEnd, TheSampleButtonNamesTheSampleBesideTheProgramAndNextListsItsReports) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder);

    RunningProgram running(program);
    HWND firstPage = running.waitForPage(kNext);
    HWND databaseBox = textBox(firstPage, false);
    click(childOf(firstPage, L"Button", L"Load Sample/Example Database"));
    waitUntil([&] { return !textOf(databaseBox).empty(); }, 10s, "the sample's path");
    const std::wstring sample = textOf(databaseBox);
    const auto besideProgram = std::filesystem::path(program).parent_path() / L"Samples" / L"sample.mdb";
    EXPECT_EQ(_wcsicmp(sample.c_str(), besideProgram.c_str()), 0) << toUtf8(sample);
    EXPECT_TRUE(std::filesystem::is_regular_file(sample)) << toUtf8(sample);
    const auto served = calvenor::stand_in::readDescription(sample);
    ASSERT_TRUE(served.description) << "the stand-ins cannot read the sample";
    ASSERT_FALSE(served.description->reports.empty()) << "a sample without reports proves nothing";

    click(childOf(firstPage, L"Button", kNext));
    HWND listPage = running.waitForPage(kSave);
    EXPECT_EQ(running.listItems(childOf(listPage, L"SysListView32")), served.description->reports);
    closeProgram(running, listPage);
}

TEST_F(EndToEnd, AWrongPasswordIsReportedAndTheFirstPageStays) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder);
    describe("password: pa ss\nreport: Sales by Month\n");

    RunningProgram running(program);
    HWND firstPage = running.waitForPage(kNext);
    openDatabase(firstPage, database_, "pass");
    const std::wstring report = answerDialog(running, L"Application Error");
    EXPECT_TRUE(report.starts_with(L"Not a valid password.\r\n")) << toUtf8(report);
    EXPECT_NE(report.find(L"Form1.PushButton3_Click at line 100"), std::wstring::npos) << toUtf8(report);
    EXPECT_TRUE(IsWindowVisible(firstPage));
    EXPECT_FALSE(running.visiblePage(kSave));
    closeProgram(running, firstPage);
}

TEST_F(EndToEnd, WithoutAccessTheReportNamesTheMissingClassAndTheListStaysEmpty) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder, RegisteredServers::Serve::AdoOnly);
    describe("report: Sales by Month\n");

    RunningProgram running(program);
    openDatabase(running.waitForPage(kNext), database_, "");
    const std::wstring report = answerDialog(running, L"Application Error");
    EXPECT_TRUE(
        report.starts_with(L"Cannot create {73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}: Class not registered\r\n"))
        << toUtf8(report);
    EXPECT_NE(report.find(L"at line 106"), std::wstring::npos) << toUtf8(report);
    HWND listPage = running.waitForPage(kSave);
    EXPECT_TRUE(running.listItems(childOf(listPage, L"SysListView32")).empty());
    closeProgram(running, listPage);
}

TEST_F(EndToEnd, WithoutThePdfPrinterStartUpSaysHowToAddItAndAccessWritesThePdfs) {
    RegisteredServers registered(serverFolder);
    describe("report: Sales by Month\nreport: Stock\nprinter: Office Laser\n");
    std::filesystem::create_directories(toWide(output_));

    RunningProgram running(program);
    const std::wstring advice = answerDialog(running, L"Calvenor");
    EXPECT_TRUE(
        advice.starts_with(L"Drevmark PDF Writer is not installed. Please follow these instructions:"))
        << toUtf8(advice);
    openDatabase(running.waitForPage(kNext), database_, "");
    HWND listPage = running.waitForPage(kSave);
    saveInto(running, listPage);
    EXPECT_NE(contentOf(output_ + "\\Sales by Month.pdf").find("(Sales by Month) Tj"), std::string::npos);
    EXPECT_NE(contentOf(output_ + "\\Stock.pdf").find("(Stock) Tj"), std::string::npos);
    closeProgram(running, listPage);
}

// Access answering late must not freeze the page: its window keeps taking messages meanwhile.
TEST_F(EndToEnd, ThePageKeepsAnsweringWhileAccessIsSlow) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder);
    describe("report: Sales by Month\ndelay: OpenCurrentDatabase | 3000\n");
    const std::filesystem::path delaying = toWide(database_ + ".delaying");

    RunningProgram running(program);
    HWND firstPage = running.waitForPage(kNext);
    openDatabase(firstPage, database_, "");
    waitUntil([&] { return std::filesystem::exists(delaying); }, 20s, "Access to be slow");
    int asked = 0;
    for (; std::filesystem::exists(delaying); Sleep(100)) {
        ++asked;
        EXPECT_TRUE(answers(firstPage, 1s)) << "no answer to question " << asked;
    }
    EXPECT_GE(asked, 5) << "the page was asked too seldom to prove anything";
    closeProgram(running, running.waitForPage(kSave));
}

// Closing the page while Access is busy ends the program, and the Access it started goes with it: no
// hidden Access is left behind holding the database.
TEST_F(EndToEnd, ClosingThePageWhileAccessIsBusyQuitsThatAccess) {
    InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    RegisteredServers registered(serverFolder);
    describe("report: Sales by Month\ndelay: OpenCurrentDatabase | 2000\n");
    const std::filesystem::path delaying = toWide(database_ + ".delaying"),
                                quit = toWide(database_ + ".quit");

    RunningProgram running(program);
    HWND firstPage = running.waitForPage(kNext);
    openDatabase(firstPage, database_, "");
    waitUntil([&] { return std::filesystem::exists(delaying); }, 20s, "Access to be busy");
    closeProgram(running, firstPage);
    waitUntil([&] { return std::filesystem::exists(quit); }, 10s, "Access to be told to quit");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: %s <program> <stand-in servers' folder> [<screenshot folder>]\n", argv[0]);
        return 2;
    }
    program = windowsPath(argv[1]);
    serverFolder = windowsPath(argv[2]);
    if (argc > 3) screenshots = windowsPath(argv[3]);
    return RUN_ALL_TESTS();
}

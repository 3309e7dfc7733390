// The program's own ADO and Access layers against the stand-in servers, reached through the same
// CoCreateInstance as the real ones: out of process, over COM's marshalling.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "export/PdfPrinter.h"
#include "platform/Failure.h"
#include "platform/win32/WideText.h"
#include "platform/win32/WinRegistry.h"
#include "platform/win32/com/ComApartment.h"
#include "platform/win32/com/Dispatch.h"
#include "platform/win32/com/WinAccess.h"
#include "platform/win32/com/WinAdo.h"
#include "tests/platform/win32/TemporaryFolder.h"
#include "tests/platform/win32/servers/Registration.h"

namespace {

using platform::Failure;
using platform::win32::toWide;
using namespace platform::win32::com;
namespace access = platform::access;

std::string contentOf(const std::string& path) {
    std::ifstream file(std::filesystem::path(toWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

class StandInServers : public ::testing::Test {
  protected:
    void SetUp() override {
        std::ofstream(std::filesystem::path(toWide(database_))) << "stand-in database\n"
                                                                   "password: pa ss\n"
                                                                   "table: Customers\n"
                                                                   "table: MSysObjects | SYSTEM TABLE\n"
                                                                   "table: Orders\n"
                                                                   "report: Sales by Month\n"
                                                                   "report: Stock (all)\n"
                                                                   "printer: Office Laser\n";
    }

    std::string connectionString(const std::string& password) const {
        return "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + database_ +
               ";JET OLEDB:Database Password=" + password;
    }

    std::unique_ptr<access::Application> openedAccess() {
        auto application = access_.createApplication();
        application->openCurrentDatabase(database_, false, "pa ss");
        return application;
    }

    // Points the PDF printer at `path`, as the export does before each report.
    void pointPdfPrinterAt(const std::string& path) {
        auto key = platform::win32::WinRegistry().createKey(calvenor::pdf_printer::kKey);
        key->writeString(calvenor::pdf_printer::kOutputFile, path);
        key->writeString(calvenor::pdf_printer::kBypassSaveAs, "1");
    }

    ComApartment apartment_;
    calvenor::stand_in::RegisteredServers servers_;
    test_support::TemporaryFolder folder_;
    std::string database_ = folder_ / "Sales.mdb";
    WinAdo ado_;
    WinAccess access_;
};

TEST_F(StandInServers, AdoListsTheCatalogueInOrderWithEachRowsType) {
    auto connection = ado_.createConnection();
    connection->open(connectionString("pa ss"));
    auto rows = connection->openSchema(20);
    std::vector<std::string> seen;
    for (; !rows->eof(); rows->moveNext())
        seen.push_back(rows->field("TABLE_TYPE") + ":" + rows->field("TABLE_NAME"));
    rows->close();
    connection->close();
    EXPECT_EQ(seen,
              (std::vector<std::string>{"TABLE:Customers", "SYSTEM TABLE:MSysObjects", "TABLE:Orders"}));
}

TEST_F(StandInServers, AdoOpenFailsWithTheProvidersTextAndNumber) {
    struct Case {
        std::string connection;
        std::string description;
        long number;
    };
    const std::string missing = folder_ / "Gone.mdb";
    const Case cases[] = {
        {connectionString("pass"), "Not a valid password.", static_cast<long>(0x80040E4D)},
        {connectionString(""), "Not a valid password.", static_cast<long>(0x80040E4D)},
        {"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing + ";JET OLEDB:Database Password=pa ss",
         "Could not find file '" + missing + "'.", E_FAIL},
        {"Provider=Microsoft.ACE.OLEDB.16.0;Data Source=" + database_ + ";JET OLEDB:Database Password=pa ss",
         "Provider cannot be found. It may not be properly installed.", 3706},
    };
    // A connection that failed to open stays closed and can be opened again.
    auto connection = ado_.createConnection();
    for (const auto& [text, description, number] : cases) {
        try {
            connection->open(text);
            ADD_FAILURE() << "opened " << text;
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.description(), description) << text;
            EXPECT_EQ(failure.number(), number) << text;
        }
    }
}

TEST_F(StandInServers, AccessListsTheReportsInTheDatabasesOrder) {
    auto application = openedAccess();
    std::vector<std::string> names;
    for (const auto& report : application->allReports()) names.push_back(report->name());
    EXPECT_EQ(names, (std::vector<std::string>{"Sales by Month", "Stock (all)"}));
    application->closeCurrentDatabase();
    application->quit(access::QuitOption::SaveAll);
}

TEST_F(StandInServers, AccessRefusesAWrongOrOmittedPasswordWithItsOwnText) {
    auto application = access_.createApplication();
    for (const std::string password : {"pass", ""}) {
        try {
            application->openCurrentDatabase(database_, false, password);
            ADD_FAILURE() << "opened with '" << password << "'";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.description(), "Not a valid password.");
            EXPECT_EQ(failure.number(), 3031);
        }
    }
}

TEST_F(StandInServers, PrintingOnThePdfPrinterWritesTheFileItsKeyNames) {
    calvenor::stand_in::InstalledPrinter pdfPrinter(toWide(calvenor::pdf_printer::kDeviceName));
    auto application = openedAccess();
    std::vector<std::string> names;
    access::PrinterRef pdf;
    for (auto& printer : application->printers()) {
        names.push_back(printer->deviceName());
        if (names.back() == calvenor::pdf_printer::kDeviceName) pdf = printer;
    }
    // The system's printers (a print server may add more), then the database's own.
    ASSERT_TRUE(pdf);
    EXPECT_EQ(names.back(), "Office Laser");

    // On another printer nothing reaches a file; on the PDF printer the report does.
    const std::string path = folder_ / "Stock (all).pdf";
    pointPdfPrinterAt(path);
    application->setPrinter(application->printers().back());
    application->openReport("Stock (all)", access::ReportView::Normal, access::WindowMode::Normal);
    EXPECT_FALSE(std::filesystem::exists(toWide(path)));
    application->setPrinter(pdf);
    EXPECT_EQ(application->printer()->deviceName(), calvenor::pdf_printer::kDeviceName);
    application->openReport("Stock (all)", access::ReportView::Normal, access::WindowMode::Normal);
    const std::string pdfText = contentOf(path);
    EXPECT_TRUE(pdfText.starts_with("%PDF-1.4")) << pdfText;
    EXPECT_NE(pdfText.find("(Stock \\(all\\)) Tj"), std::string::npos) << pdfText;
    EXPECT_TRUE(pdfText.ends_with("%%EOF\n"));
}

TEST_F(StandInServers, OutputToWritesThePdfItselfAndRefusesAnUnknownReport) {
    auto application = openedAccess();
    const std::string path = folder_ / "Sales by Month.pdf";
    application->outputReport("Sales by Month", access::kFormatPdf, path);
    EXPECT_NE(contentOf(path).find("(Sales by Month) Tj"), std::string::npos);
    try {
        application->outputReport("Nothing", access::kFormatPdf, folder_ / "Nothing.pdf");
        ADD_FAILURE() << "output an unknown report";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 2103);
        EXPECT_NE(failure.description().find("'Nothing'"), std::string::npos) << failure.description();
    }
}

// An omitted optional argument must come as VT_ERROR/DISP_E_PARAMNOTFOUND; an empty value is a filter.
TEST_F(StandInServers, OpenReportTakesOnlyProperlyOmittedArguments) {
    auto application = createObject("{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}");
    Dispatch access(std::move(application));
    access.call("OpenCurrentDatabase",
                arguments(ScopedVariant::text(database_), ScopedVariant::boolean(false),
                          ScopedVariant::text("pa ss")));
    auto doCmd = access.getObject("DoCmd");
    auto openWith = [&](ScopedVariant filter) {
        doCmd.call("OpenReport", arguments(ScopedVariant::text("Sales by Month"), ScopedVariant::number(2),
                                           std::move(filter), ScopedVariant::missing(),
                                           ScopedVariant::number(0), ScopedVariant::missing()));
    };
    EXPECT_NO_THROW(openWith(ScopedVariant::missing()));
    try {
        openWith(ScopedVariant{});
        ADD_FAILURE() << "an empty filter passed as omitted";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(), "Type mismatch");
    }
    access.call("Quit", arguments(ScopedVariant::number(1)));
}

TEST_F(StandInServers, APreviewIsAccesssOwnPrintPreviewInAVisibleAccessInFrontQuitAtTheEnd) {
    const std::string previews = database_ + ".preview";
    {
        WinReportPreview preview;
        preview.preview(database_, "pa ss", "sales by month");
        preview.preview(database_, "pa ss", "Stock (all)");  // the database open already stays open
        EXPECT_EQ(contentOf(previews), "Sales by Month|visible\nStock (all)|visible\n");
        const HWND access = FindWindowW(L"STATIC", L"Microsoft Access");
        ASSERT_NE(access, nullptr);
        EXPECT_TRUE(IsWindowVisible(access));
        EXPECT_EQ(GetForegroundWindow(), access);
        try {
            preview.preview(database_, "pa ss", "Missing");
            ADD_FAILURE() << "a report the database does not have was previewed";
        } catch (const Failure& failure) {
            EXPECT_NE(failure.description().find("'Missing'"), std::string::npos) << failure.description();
        }
        EXPECT_FALSE(std::filesystem::exists(toWide(database_ + ".quit")));
    }
    EXPECT_TRUE(std::filesystem::exists(toWide(database_ + ".quit"))) << "Access is quit with the program";
}

// While Access is slow to answer, the caller's thread still takes messages sent to its windows.
TEST_F(StandInServers, ASlowServerLeavesTheCallersWindowAnswering) {
    HWND window = CreateWindowExW(0, L"STATIC", L"caller", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(window);
    std::ofstream(std::filesystem::path(toWide(database_)), std::ios::app) << "delay: Printers | 2500\n";
    auto application = openedAccess();
    std::atomic<bool> answered = false;
    std::thread asker([&] {
        Sleep(500);
        DWORD_PTR reply = 0;
        answered = SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &reply) != 0;
    });
    application->printers();  // delayed by the description
    asker.join();
    DestroyWindow(window);
    EXPECT_TRUE(answered);
}

}  // namespace

#include <functional>

#include "platform/Failure.h"
#include "platform/win32/com/WinAccess.h"
#include "platform/win32/com/WinAdo.h"
#include "tests/platform/win32/com/AutomationFixture.h"

namespace calvenor::test {
namespace {

using platform::Failure;
using platform::win32::com::WinAccess;
using platform::win32::com::WinAdo;
using Log = std::vector<std::string>;
namespace access = platform::access;
namespace ado = platform::ado;

using AdoTest = AutomationTest;
using AccessTest = AutomationTest;

TEST_F(AdoTest, WalksTheTablesSchemaFieldByField) {
    auto& connection = object("connection");
    auto& recordset = object("recordset");
    auto& fields = object("fields");
    auto& type = object("type");
    auto& name = object("name");
    connection.reply("OpenSchema", returnsObject(recordset));
    recordset.reply("EOF", inTurn({returnsBool(false), returnsBool(true)}));
    recordset.reply("Fields", returnsObject(fields));
    fields.reply("Item", [&](const std::vector<VARIANT>& arguments, VARIANT* result, EXCEPINFO* error) {
        const bool wantsType = arguments.size() == 1 && arguments[0].vt == VT_BSTR &&
                               std::wstring(arguments[0].bstrVal) == L"TABLE_TYPE";
        return returnsObject(wantsType ? type : name)(arguments, result, error);
    });
    type.reply("Value", returnsText("TABLE"));
    name.reply("Value", returnsNull());

    WinAdo ado([&] { return reference(connection); });
    auto opened = ado.createConnection();
    opened->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\sales.mdb");
    auto rows = opened->openSchema(ado::kSchemaTables);
    ASSERT_FALSE(rows->eof());
    EXPECT_EQ(rows->field("TABLE_TYPE"), "TABLE");
    EXPECT_EQ(rows->field("TABLE_NAME"), "");  // Null reads as empty
    rows->moveNext();
    EXPECT_TRUE(rows->eof());
    rows->close();
    opened->close();
    EXPECT_EQ(
        log,
        (Log{
            "connection.call Open(text:Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\sales.mdb)",
            "connection.call OpenSchema(long:20)",
            "recordset.get EOF()",
            "recordset.get Fields()",
            "fields.get Item(text:TABLE_TYPE)",
            "type.get Value()",
            "recordset.get Fields()",
            "fields.get Item(text:TABLE_NAME)",
            "name.get Value()",
            "recordset.call MoveNext()",
            "recordset.get EOF()",
            "recordset.call Close()",
            "connection.call Close()",
        }));
}

TEST_F(AdoTest, AMissingProviderFailsWithAdosNumber) {
    auto& connection = object("connection");
    connection.reply("Open", raises("Provider cannot be found. It may not be properly installed.",
                                    MAKE_HRESULT(1, FACILITY_CONTROL, 3706)));
    WinAdo ado([&] { return reference(connection); });
    auto opened = ado.createConnection();
    try {
        opened->open("Provider=Nobody;Data Source=x.mdb");
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ado::kProviderNotFound);
        EXPECT_EQ(failure.description(), "Provider cannot be found. It may not be properly installed.");
    }
}

// An Access application of recording objects: two reports, two printers, the default one current.
class AccessScene {
  public:
    explicit AccessScene(const std::function<RecordingObject&(const char*)>& create) {
        application = &create("access");
        auto& project = create("project");
        auto& reports = create("reports");
        auto& sales = create("sales");
        auto& stock = create("stock");
        auto& printers = create("printers");
        pdf = &create("pdf");
        paper = &create("paper");
        doCmd = &create("docmd");
        application->reply("CurrentProject", returnsObject(project));
        project.reply("AllReports", returnsObject(reports));
        reports.reply("Count", returnsNumber(2));
        reports.reply("Item", returnsItem({&sales, &stock}));
        sales.reply("Name", returnsText("Sales by Region"));
        stock.reply("Name", returnsText("Stock"));
        application->reply("Printers", returnsObject(printers));
        printers.reply("Count", returnsNumber(2));
        printers.reply("Item", returnsItem({paper, pdf}));
        paper->reply("DeviceName", returnsText("Paper"));
        pdf->reply("DeviceName", returnsText("PDF"));
        application->reply("Printer", returnsObject(*paper));
        application->reply("DoCmd", returnsObject(*doCmd));
    }
    RecordingObject* application;
    RecordingObject* pdf;
    RecordingObject* paper;
    RecordingObject* doCmd;
};

class AccessCallsTest : public AutomationTest {
  protected:
    AccessScene scene{[this](const char* label) -> RecordingObject& { return object(label); }};
    WinAccess access{[this] { return reference(*scene.application); }};
};

TEST_F(AccessCallsTest, MakesTheDocumentedCallsInOrder) {
    {
        auto application = access.createApplication();
        application->openCurrentDatabase("C:\\data\\sales.mdb", false, "");
        std::vector<std::string> names;
        for (const auto& report : application->allReports()) names.push_back(report->name());
        EXPECT_EQ(names, (Log{"Sales by Region", "Stock"}));
        const auto current = application->printer();
        EXPECT_EQ(current->deviceName(), "Paper");
        auto printers = application->printers();
        ASSERT_EQ(printers.size(), 2u);
        EXPECT_EQ(printers[1]->deviceName(), "PDF");
        application->setPrinter(printers[1]);
        application->openReport("Stock", access::ReportView::Normal, access::WindowMode::Normal);
        application->outputReport("Sales by Region", access::kFormatPdf, "C:\\out\\Sales by Region.pdf");
        application->closeCurrentDatabase();
        application->quit(access::QuitOption::SaveAll);
    }
    EXPECT_EQ(log, (Log{
                       "access.call OpenCurrentDatabase(text:C:\\data\\sales.mdb, bool:false, text:)",
                       "access.get CurrentProject()",
                       "project.get AllReports()",
                       "reports.get Count()",
                       "reports.get Item(long:0)",
                       "reports.get Item(long:1)",
                       "sales.get Name()",
                       "stock.get Name()",
                       "access.get Printer()",
                       "paper.get DeviceName()",
                       "access.get Printers()",
                       "printers.get Count()",
                       "printers.get Item(long:0)",
                       "printers.get Item(long:1)",
                       "pdf.get DeviceName()",
                       "access.putref Printer(object:pdf)",
                       "access.get DoCmd()",
                       "docmd.call OpenReport(text:Stock, long:0, missing, missing, long:0, missing)",
                       "access.get DoCmd()",
                       "docmd.call OutputTo(long:3, text:Sales by Region, text:PDF Format (*.pdf), "
                       "text:C:\\out\\Sales by Region.pdf, missing, missing, missing, missing)",
                       "access.call CloseCurrentDatabase()",
                       "access.call Quit(long:1)",  // once: not again on release
                   }));
}

TEST_F(AccessCallsTest, AnApplicationNeverQuitQuitsWhenReleased) {
    scene.application->reply("OpenCurrentDatabase", raises("Could not find file 'x.mdb'.", E_FAIL));
    {
        auto application = access.createApplication();
        EXPECT_THROW(application->openCurrentDatabase("x.mdb", false, "secret"), Failure);
    }
    EXPECT_EQ(log, (Log{"access.call OpenCurrentDatabase(text:x.mdb, bool:false, text:secret)",
                        "access.call Quit(long:1)"}));
}

TEST_F(AccessCallsTest, AFailingQuitOnReleaseIsSwallowed) {
    scene.application->reply("Quit", raises("The server has gone.", E_FAIL));
    EXPECT_NO_THROW(access.createApplication().reset());
    EXPECT_EQ(log, (Log{"access.call Quit(long:1)"}));
}

TEST_F(AccessCallsTest, OnlyItsOwnPrintersCanBeMadeCurrent) {
    struct Elsewhere : access::Printer {
        std::string deviceName() override { return "elsewhere"; }
    };
    auto application = access.createApplication();
    try {
        application->setPrinter(std::make_shared<Elsewhere>());
        ADD_FAILURE() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), platform::errors::kInvalidArgument);
    }
    application->quit(access::QuitOption::SaveAll);
    EXPECT_EQ(log, (Log{"access.call Quit(long:1)"}));
}

}  // namespace
}  // namespace calvenor::test

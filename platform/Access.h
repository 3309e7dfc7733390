#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Microsoft Access automation: the Application object (class 73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9)
// and the few of its members the program calls. Every call raises Failure with Access's own
// description when it fails, or when it is made in a state where Access refuses it (no database open).
namespace access {

enum class ReportView { Normal = 0 };   // acViewNormal: print at once on the current printer
enum class WindowMode { Normal = 0 };   // acWindowNormal
enum class QuitOption { SaveAll = 1 };  // acQuitSaveAll
inline constexpr char kFormatPdf[] = "PDF Format (*.pdf)";  // acFormatPDF

class Printer {
  public:
    virtual ~Printer() = default;
    virtual std::string deviceName() = 0;
};
using PrinterRef = std::shared_ptr<Printer>;

// One entry of CurrentProject.AllReports.
class AccessObject {
  public:
    virtual ~AccessObject() = default;
    virtual std::string name() = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    virtual void openCurrentDatabase(std::string_view path, bool exclusive, std::string_view password) = 0;
    // CurrentProject.AllReports, in the collection's own order.
    virtual std::vector<std::unique_ptr<AccessObject>> allReports() = 0;
    virtual PrinterRef printer() = 0;
    virtual void setPrinter(const PrinterRef& printer) = 0;
    virtual std::vector<PrinterRef> printers() = 0;
    // DoCmd.OpenReport; FilterName, WhereCondition and OpenArgs omitted.
    virtual void openReport(std::string_view reportName, ReportView view, WindowMode mode) = 0;
    // DoCmd.OutputTo acOutputReport, with the format and the output file.
    virtual void outputReport(std::string_view reportName, std::string_view format,
                              std::string_view outputFile) = 0;
    virtual void closeCurrentDatabase() = 0;
    virtual void quit(QuitOption option) = 0;
};

class Access {
  public:
    virtual ~Access() = default;
    // Starts a new, hidden instance; it ends when quit, or when the object is released.
    virtual std::unique_ptr<Application> createApplication() = 0;
};

}  // namespace access
}  // namespace platform

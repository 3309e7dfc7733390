#include "platform/win32/com/WinAccess.h"

#include <utility>

#include "platform/Failure.h"
#include "platform/win32/com/Dispatch.h"

namespace platform::win32::com {

namespace {

constexpr char kApplicationClass[] = "{73A4C9C1-D68D-11D0-98BF-00A0C90DC8D9}";
constexpr long kOutputReport = 3;  // acOutputReport
constexpr long kViewPreview = 2;   // acViewPreview
constexpr long kWindowNormal = 0;  // acWindowNormal
constexpr long kQuitPrompt = 0;    // acQuitPrompt: what its user changed there is theirs to keep

class WinPrinter : public access::Printer {
  public:
    explicit WinPrinter(Dispatch printer) : printer_(std::move(printer)) {}
    std::string deviceName() override { return printer_.get("DeviceName").asText(); }
    const ComPtr<IDispatch>& object() const { return printer_.object(); }

  private:
    Dispatch printer_;
};

class WinReport : public access::AccessObject {
  public:
    explicit WinReport(Dispatch report) : report_(std::move(report)) {}
    std::string name() override { return report_.get("Name").asText(); }

  private:
    Dispatch report_;
};

// Each member of a collection that counts from 0 (Item(0) ... Item(Count - 1)).
template <class Member>
std::vector<std::unique_ptr<Member>> membersOf(Dispatch collection) {
    const long count = collection.get("Count").asNumber();
    std::vector<std::unique_ptr<Member>> members;
    for (long index = 0; index < count; ++index)
        members.push_back(
            std::make_unique<Member>(collection.getObject("Item", arguments(ScopedVariant::number(index)))));
    return members;
}

class WinApplication : public access::Application {
  public:
    explicit WinApplication(Dispatch application) : application_(std::move(application)) {}
    WinApplication(const WinApplication&) = delete;
    WinApplication& operator=(const WinApplication&) = delete;
    // A hidden Access left running would keep the database open: it goes with us unless it was told to.
    ~WinApplication() override {
        if (quit_) return;
        try {
            quit(access::QuitOption::SaveAll);
        } catch (...) {  // nothing may leave a destructor
            // Already gone, or refusing; releasing our reference is all that is left to do.
        }
    }

    void openCurrentDatabase(std::string_view path, bool exclusive, std::string_view password) override {
        // The password goes even when empty: a database without one ignores it.
        application_.call("OpenCurrentDatabase",
                          arguments(ScopedVariant::text(path), ScopedVariant::boolean(exclusive),
                                    ScopedVariant::text(password)));
    }

    std::vector<std::unique_ptr<access::AccessObject>> allReports() override {
        auto reports = membersOf<WinReport>(application_.getObject("CurrentProject").getObject("AllReports"));
        return {std::make_move_iterator(reports.begin()), std::make_move_iterator(reports.end())};
    }

    access::PrinterRef printer() override {
        return std::make_shared<WinPrinter>(application_.getObject("Printer"));
    }

    void setPrinter(const access::PrinterRef& printer) override {
        const auto* ours = dynamic_cast<const WinPrinter*>(printer.get());
        if (!ours) throw Failure(errors::kInvalidArgumentText, errors::kInvalidArgument);
        application_.putRef("Printer", ScopedVariant::object(ours->object()));
    }

    std::vector<access::PrinterRef> printers() override {
        auto printers = membersOf<WinPrinter>(application_.getObject("Printers"));
        return {std::make_move_iterator(printers.begin()), std::make_move_iterator(printers.end())};
    }

    void openReport(std::string_view reportName, access::ReportView view, access::WindowMode mode) override {
        // ReportName, View, FilterName, WhereCondition, WindowMode, OpenArgs.
        application_.getObject("DoCmd").call(
            "OpenReport",
            arguments(ScopedVariant::text(reportName), ScopedVariant::number(static_cast<long>(view)),
                      ScopedVariant::missing(), ScopedVariant::missing(),
                      ScopedVariant::number(static_cast<long>(mode)), ScopedVariant::missing()));
    }

    void outputReport(std::string_view reportName, std::string_view format,
                      std::string_view outputFile) override {
        // ObjectType, ObjectName, OutputFormat, OutputFile; AutoStart, TemplateFile, Encoding and
        // OutputQuality left to Access.
        application_.getObject("DoCmd").call(
            "OutputTo",
            arguments(ScopedVariant::number(kOutputReport), ScopedVariant::text(reportName),
                      ScopedVariant::text(format), ScopedVariant::text(outputFile), ScopedVariant::missing(),
                      ScopedVariant::missing(), ScopedVariant::missing(), ScopedVariant::missing()));
    }

    void closeCurrentDatabase() override { application_.call("CloseCurrentDatabase"); }

    void quit(access::QuitOption option) override {
        // Asked once: after a failed Quit the server may be half gone, and asking again could hang.
        quit_ = true;
        application_.call("Quit", arguments(ScopedVariant::number(static_cast<long>(option))));
    }

  private:
    Dispatch application_;
    bool quit_ = false;
};

}  // namespace

WinAccess::WinAccess() : WinAccess(factoryOf(kApplicationClass)) {}

WinAccess::WinAccess(ObjectFactory createApplication) : factory_(std::move(createApplication)) {}

std::unique_ptr<access::Application> WinAccess::createApplication() {
    return std::make_unique<WinApplication>(Dispatch(factory_()));
}

WinReportPreview::WinReportPreview() : WinReportPreview(factoryOf(kApplicationClass)) {}

WinReportPreview::WinReportPreview(ObjectFactory createApplication)
    : factory_(std::move(createApplication)) {}

WinReportPreview::~WinReportPreview() {
    if (!application_) return;
    try {
        application_->call("Quit", arguments(ScopedVariant::number(kQuitPrompt)));
    } catch (...) {  // nothing may leave a destructor
        // Closed by its user already: releasing our reference is all that is left to do.
    }
}

void WinReportPreview::preview(const std::string& database, const std::string& password,
                               const std::string& report) {
    if (application_) {
        try {
            application_->get("Visible");
        } catch (const Failure&) {
            application_.reset();  // its user closed it: a new one takes its place
            database_.reset();
        }
    }
    if (!application_) application_.emplace(factory_());
    const std::pair<std::string, std::string> wanted{database, password};
    if (database_ != wanted) {
        if (database_) application_->call("CloseCurrentDatabase");
        database_.reset();
        application_->call("OpenCurrentDatabase",
                           arguments(ScopedVariant::text(database), ScopedVariant::boolean(false),
                                     ScopedVariant::text(password)));
        database_ = wanted;
    }
    application_->put("Visible", ScopedVariant::boolean(true));
    // ReportName, View, FilterName, WhereCondition, WindowMode, OpenArgs.
    application_->getObject("DoCmd").call(
        "OpenReport",
        arguments(ScopedVariant::text(report), ScopedVariant::number(kViewPreview), ScopedVariant::missing(),
                  ScopedVariant::missing(), ScopedVariant::number(kWindowNormal), ScopedVariant::missing()));
    // The preview is Access's window: in front of ours, which the user has just double-clicked in and so
    // may hand the foreground on.
    try {
        const auto window =
            reinterpret_cast<HWND>(static_cast<INT_PTR>(application_->get("hWndAccessApp").asNumber()));
        if (window != nullptr && IsWindow(window)) {
            if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
            AllowSetForegroundWindow(ASFW_ANY);
            SetForegroundWindow(window);
        }
    } catch (const Failure&) {
        // The preview is open all the same, only perhaps behind our window.
    }
}

}  // namespace platform::win32::com

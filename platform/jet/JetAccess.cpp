#include "platform/jet/JetAccess.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "base/AsciiCase.h"
#include "platform/Failure.h"
#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/jet/print/PdfWriterPrinter.h"
#include "platform/jet/print/PrintRenderer.h"
#include "platform/jet/process/ChildProcess.h"
#include "platform/jet/query/ParameterKey.h"
#include "platform/posix/AtomicFile.h"
#include "platform/posix/OutputFolder.h"

namespace platform::jet {
namespace {

constexpr char kRememberedAnswers[] =
    "Software\\VB and VBA Program Settings\\Drevmark\\Calvenor\\Parameter Values";

// The name as Access's box shows it: "[Forms]![Dialog]![Start]" as "Forms!Dialog!Start".
std::string shownName(std::string name) {
    name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return c == '[' || c == ']'; }),
               name.end());
    return name;
}

std::string readRemembered(Registry& registry, const std::string& name) {
    try {
        if (auto key = registry.openKey(kRememberedAnswers)) return key->readString(name).value_or("");
    } catch (const Failure&) {
    }
    return {};
}

// Asks for each needed value that neither the given values nor the answers hold, each answer added to
// answers and remembered for the database file as the next run's starting text. False when the user
// cancels.
bool askForMissingValues(ParameterPrompt& prompt, Registry& registry, const std::string& database,
                         const std::vector<std::pair<std::string, std::string>>& needed,
                         const std::vector<std::pair<std::string, std::string>>& given,
                         std::vector<std::pair<std::string, std::string>>& answers) {
    const auto known = [&](const std::string& written) {
        const auto named = [&](const auto& value) {
            return query::parameterKey(value.first) == query::parameterKey(written);
        };
        return std::any_of(given.begin(), given.end(), named) ||
               std::any_of(answers.begin(), answers.end(), named);
    };
    for (const auto& [written, type] : needed) {
        if (known(written)) continue;
        const std::string name = shownName(written);
        const std::string remembered = database + '|' + name;  // per database file
        auto answer = prompt.ask(name, type, readRemembered(registry, remembered));
        if (!answer) return false;
        answers.emplace_back(written, *answer);
        try {
            registry.createKey(kRememberedAnswers)->writeString(remembered, *answer);
        } catch (const Failure&) {
            // Only the next run's starting text is lost.
        }
    }
    return true;
}

class NamedPrinter : public access::Printer {
  public:
    explicit NamedPrinter(std::string name) : name_(std::move(name)) {}
    std::string deviceName() override { return name_; }

  private:
    std::string name_;
};

class Report : public access::AccessObject {
  public:
    explicit Report(std::string name) : name_(std::move(name)) {}
    std::string name() override { return name_; }

  private:
    std::string name_;
};

class JetApplication : public access::Application {
  public:
    JetApplication(Registry& registry, PrintQueues& queues, const EngineOptions& options,
                   PrinterValuesLock* printerValues, ParameterPrompt* prompt, DrawnNotes& notes)
        : registry_(registry),
          queues_(queues),
          options_(options),
          printerValues_(printerValues),
          prompt_(prompt),
          notes_(notes),
          renderer_(options) {}

    void openCurrentDatabase(std::string_view path, bool /*exclusive: the file is only read*/,
                             std::string_view password) override {
        requireRunning();
        if (database_) throw Failure("You already have the database open.", 7867);
        try {
            database_ = openDatabaseFile(path, password, AcceptedFormats::JetAndAce, options_);
            reports_ = reportNames(database_->objects);
            password_ = password;
        } catch (const DatabaseError& error) {
            if (error.problem() == DatabaseProblem::FileNotFound)
                throw Failure("Access can't open the database '" + std::string(path) +
                                  "' because it is missing, or opened exclusively by another user.",
                              7866);
            throw Failure(error.what(), error.engineNumber());
        }
    }

    std::vector<std::unique_ptr<access::AccessObject>> allReports() override {
        requireRunning();
        if (!database_)
            throw Failure("The expression you entered refers to an object that is closed or doesn't exist.",
                          2467);
        std::vector<std::unique_ptr<access::AccessObject>> reports;
        for (const auto& name : reports_) reports.push_back(std::make_unique<Report>(name));
        return reports;
    }

    access::PrinterRef printer() override {
        requireRunning();
        return std::make_shared<NamedPrinter>(printerList().defaultName);
    }

    void setPrinter(const access::PrinterRef& printer) override {
        requireRunning();
        if (!printer) throw Failure(errors::kInvalidArgumentText, errors::kInvalidArgument);
        std::string name = printer->deviceName();
        auto& printers = printerList();
        if (std::find(printers.names.begin(), printers.names.end(), name) == printers.names.end())
            throw Failure(errors::kInvalidArgumentText, errors::kInvalidArgument);
        printers.defaultName = name;
    }

    std::vector<access::PrinterRef> printers() override {
        requireRunning();
        std::vector<access::PrinterRef> printers;
        for (const auto& name : printerList().names) printers.push_back(std::make_shared<NamedPrinter>(name));
        return printers;
    }

    void openReport(std::string_view reportName, access::ReportView, access::WindowMode) override {
        requireRunning();
        requireDatabaseFor("OpenReport");
        auto report = findReport(reportName);
        if (!report)
            throw Failure(
                "The report name '" + std::string(reportName) +
                    "' you entered in either the property sheet or macro is misspelled or refers to a "
                    "report that doesn't exist.",
                2103);
        const std::string printerName = printerList().defaultName;
        if (printerName != kPdfWriterName) {
            releasePrinterValues();
            queues_.print(printerName, *report, render(*report).pdf);
            return;
        }
        std::string outputFile;
        try {
            outputFile = PdfWriterPrinter(registry_).takeOutputFile();
        } catch (...) {
            releasePrinterValues();
            throw;
        }
        releasePrinterValues();
        const RenderedReport rendered = render(*report);
        PdfWriterPrinter::write(outputFile, rendered.pdf);
        notes_.record(outputFile, rendered.note);
    }

    void outputReport(std::string_view reportName, std::string_view format,
                      std::string_view outputFile) override {
        requireRunning();
        requireDatabaseFor("OutputTo");
        auto report = findReport(reportName);
        if (!report) throw Failure("Access can't find the object '" + std::string(reportName) + "'.", 2059);
        if (!base::equalIgnoringCase(std::string(format), access::kFormatPdf))
            throw Failure(
                "The format in which you are attempting to output the current object is not available.",
                2282);
        const std::filesystem::path path{std::string(outputFile)};
        if (!path.is_absolute() || !path.has_filename() ||
            posix::outputFolderProblem(path.parent_path().string()))
            throw Failure("Access can't save the output data to the file you've selected.", 2302);
        const RenderedReport rendered = render(*report);
        try {
            posix::writeFileAtomically(std::string(outputFile), rendered.pdf, posix::FileAccess::Ordinary,
                                       posix::Overwrite::Replace);
        } catch (const Failure&) {
            throw Failure("Access can't save the output data to the file you've selected.", 2302);
        }
        notes_.record(std::string(outputFile), rendered.note);
    }

    void closeCurrentDatabase() override {
        requireRunning();
        database_.reset();  // with no database open this does nothing, as in Access
        forgetReadableDatabase();
    }

    void quit(access::QuitOption) override {
        requireRunning();
        database_.reset();
        forgetReadableDatabase();
        ended_ = true;
    }

    // What the report's record sources ask for, as the renderer reads them from the open database.
    std::vector<ReportParameter> parametersOf(const std::string& report) {
        requireRunning();
        requireDatabaseFor("OpenReport");
        const auto name = findReport(report);
        if (!name) throw Failure("Access can't find the object '" + report + "'.", 2059);
        useReadableDatabase();
        std::vector<ReportParameter> parameters;
        for (auto& [parameterName, type] : renderer_.parameters(*name))
            parameters.push_back({std::move(parameterName), std::move(type)});
        return parameters;
    }

  private:
    void releasePrinterValues() {
        if (printerValues_ != nullptr) printerValues_->release();
    }

    void requireRunning() const {
        if (ended_) throw Failure("The object invoked has disconnected from its clients.", -2147417848);
    }

    void requireDatabaseFor(const char* action) const {
        if (!database_)
            throw Failure(std::string("The command or action '") + action + "' isn't available now.", 2046);
    }

    // The report's name as the database stores it; Access matches object names ignoring letter case.
    std::optional<std::string> findReport(std::string_view name) const {
        const std::string wanted(name);
        auto found = std::lower_bound(reports_.begin(), reports_.end(), wanted, base::precedesIgnoringCase);
        if (found != reports_.end() && base::equalIgnoringCase(*found, wanted)) return *found;
        return std::nullopt;
    }

    // The report drawn by the renderer, which reads it from the open database: the file checked as at
    // its opening, or its decrypted copy, opened at the first job. A file that can no longer be read
    // leaves the renderer without it, and the document says so.
    RenderedReport render(const std::string& report) {
        useReadableDatabase();
        if (prompt_ != nullptr) askForParameters(report);
        return renderer_.render(report);
    }

    // Asks for each value the report needs that neither the given values nor an earlier answer of this
    // application hold, then hands the renderer all of them. Cancelling fails the report.
    void askForParameters(const std::string& report) {
        std::vector<std::pair<std::string, std::string>> needed;
        try {
            needed = renderer_.parameters(report);
        } catch (const Failure&) {
            return;  // the render says what cannot be worked out
        }
        const std::size_t before = answers_.size();
        if (!askForMissingValues(*prompt_, registry_, database_->path, needed, options_.parameterValues,
                                 answers_))
            throw Failure("cancelled");
        if (answers_.size() == before) return;
        auto values = options_.parameterValues;
        values.insert(values.end(), answers_.begin(), answers_.end());
        renderer_.useParameterValues(std::move(values));
    }

    void useReadableDatabase() {
        if (!readable_) {
            try {
                readable_ =
                    openReadableDatabase(database_->path, password_, AcceptedFormats::JetAndAce, options_);
            } catch (const DatabaseError&) {
                readable_.reset();
            }
        }
        if (readable_) {
            auto environment = textConversionEnvironment(readable_->header);
            environment.push_back(std::string{kDatabasePathVariable} + "=" + database_->path);
            renderer_.useDatabase(readable_->descriptor.get(), std::move(environment));
        }
        else
            renderer_.useDatabase(-1, {});
    }

    void forgetReadableDatabase() {
        renderer_.stop();
        renderer_.useDatabase(-1, {});
        readable_.reset();
        password_.clear();
        if (!answers_.empty()) renderer_.useParameterValues(options_.parameterValues);
        answers_.clear();  // a database opened next asks afresh
    }

    // Asked once per instance, when first needed: the print server is not bothered for a listing.
    PrinterList& printerList() {
        if (!printers_) printers_ = installedPrinters(queues_);
        return *printers_;
    }

    Registry& registry_;
    PrintQueues& queues_;
    EngineOptions options_;
    PrinterValuesLock* printerValues_;
    ParameterPrompt* prompt_;
    DrawnNotes& notes_;
    std::vector<std::pair<std::string, std::string>> answers_;  // this run's, in the order asked
    std::optional<DatabaseFile> database_;
    std::string password_;                      // the open database's, for the renderer's reading
    std::optional<ReadableDatabase> readable_;  // what the renderer reads, once it has been asked to
    std::vector<std::string> reports_;          // the open database's, ordered as reportNames orders them
    std::optional<PrinterList> printers_;       // defaultName: the current printer
    PrintRenderer renderer_;                    // one helper serves every job until quit or release
    bool ended_ = false;
};

}  // namespace

JetAccess::JetAccess(Registry& registry, PrintQueues& queues, EngineOptions options,
                     PrinterValuesLock* printerValues)
    : registry_(registry), queues_(queues), options_(std::move(options)), printerValues_(printerValues) {}

std::unique_ptr<access::Application> JetAccess::createApplication() {
    return std::make_unique<JetApplication>(registry_, queues_, options_, printerValues_, prompt_, notes_);
}

void DrawnNotes::record(const std::string& path, std::string note) {
    notes_[path] = std::move(note);
}

std::optional<std::string> DrawnNotes::take(const std::string& path) {
    auto found = notes_.find(path);
    if (found == notes_.end()) return std::nullopt;
    std::optional<std::string> note;
    if (!found->second.empty()) note = std::move(found->second);
    notes_.erase(found);
    return note;
}

void JetAccess::giveValues(std::vector<std::pair<std::string, std::string>> values) {
    options_.parameterValues = std::move(values);
}

std::optional<std::vector<std::pair<std::string, std::string>>> JetAccess::valuesFor(
    const std::string& database, const std::vector<std::pair<std::string, std::string>>& needed) {
    auto values = options_.parameterValues;
    if (prompt_ == nullptr) return values;
    std::vector<std::pair<std::string, std::string>> answers;
    if (!askForMissingValues(*prompt_, registry_, database, needed, values, answers)) return std::nullopt;
    values.insert(values.end(), answers.begin(), answers.end());
    return values;
}

std::vector<ReportParameters::Listed> JetAccess::listParameters(const std::string& database,
                                                                const std::string& password,
                                                                const std::vector<std::string>& reports) {
    JetApplication application(registry_, queues_, options_, printerValues_, nullptr, notes_);
    application.openCurrentDatabase(database, false, password);
    std::vector<Listed> listed;
    for (const std::string& report : reports) {
        try {
            listed.push_back({application.parametersOf(report), {}});
        } catch (const Failure& failure) {
            listed.push_back({{}, failure.what()});
        }
    }
    application.quit(access::QuitOption::SaveAll);
    return listed;
}

}  // namespace platform::jet

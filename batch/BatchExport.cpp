#include "batch/BatchExport.h"

#include <algorithm>
#include <exception>
#include <variant>

#include "app/ShellUtilities.h"
#include "app/Text.h"
#include "batch/Arguments.h"
#include "batch/Password.h"
#include "batch/StatusLines.h"
#include "batch/StreamReporting.h"
#include "catalogue/Access1.h"
#include "catalogue/ReportSelection.h"
#include "export/PdfPrinter.h"
#include "export/PdfPrinterCheck.h"
#include "export/SaveReports.h"
#include "platform/FileSystem.h"
#include "platform/ReportParameters.h"

namespace calvenor::batch {
namespace {

constexpr char kProgram[] = "calvenor-export";

// Every report of the database, the chosen ones checked, and the fixed folder and database of the
// command line. The whole list decides the file names, as in the wizard.
class ChosenReports : public ExportChoice {
  public:
    ChosenReports(const std::vector<std::string>& reports, std::vector<bool> chosen, std::string folder,
                  std::string database, std::string password)
        : reports_(reports),
          chosen_(std::move(chosen)),
          folder_(std::move(folder)),
          database_(std::move(database)),
          password_(std::move(password)) {}
    std::string databasePath() const override { return database_; }
    std::string databasePassword() const override { return password_; }
    std::string folder() const override { return folder_; }
    int reportCount() const override { return static_cast<int>(reports_.size()); }
    bool isChecked(int position) const override { return chosen_.at(index(position)); }
    std::string reportName(int position) const override { return reports_.at(index(position)); }

  private:
    static std::size_t index(int position) { return static_cast<std::size_t>(position - 1); }

    const std::vector<std::string>& reports_;
    std::vector<bool> chosen_;
    std::string folder_, database_, password_;
};

// A run that cannot go on: the message, then the status.
struct Stop {
    std::string message;
};

std::string passwordFor(const Options& options, const Environment& environment) {
    if (options.passwordFile) {
        auto password = readPasswordFile(*options.passwordFile);
        if (!password) throw Stop{"cannot read the password file " + *options.passwordFile};
        return *password;
    }
    return environment.variable(kPasswordVariable).value_or("");
}

// Which reports of the database's the options choose. Every option adds reports, as the wizard's
// commands add check marks; without one, every report is chosen.
std::vector<bool> chooseReports(const Options& options, const std::vector<std::string>& reports,
                                const std::string& database) {
    if (!options.choosesReports()) return std::vector<bool>(reports.size(), true);
    std::vector<bool> chosen(reports.size(), false);
    for (const auto& wanted : options.reports) {
        // Access tells report names apart without regard to letter case.
        const std::string key = lowerCase(wanted);
        bool found = false;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            if (lowerCase(reports[i]) == key) chosen[i] = found = true;
        }
        if (!found) throw Stop{"the database " + database + " has no report named " + printableName(wanted)};
    }
    std::vector<ReportNameFilter> filters;
    for (const auto& x : options.containing) filters.emplace_back(NameFilter::Containing, x);
    for (const auto& x : options.notContaining) filters.emplace_back(NameFilter::NotContaining, x);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        for (const auto& filter : filters) chosen[i] = chosen[i] || filter.matches(reports[i]);
    }
    return chosen;
}

// Proves that the database opens, as "Next >" does, then lists its reports through Access.
std::vector<std::string> listReports(const Services& services, const std::string& database,
                                     const std::string& password) {
    try {
        if (!GetTableNames(services.ado, services.files, database, password))
            throw Stop{"the database " + database + " does not exist"};
        std::vector<std::string> reports;
        ListReportNames(
            services.access, database, password, [] {},
            [&](std::string name) { reports.push_back(std::move(name)); });
        return reports;
    } catch (const std::exception& e) {
        throw Stop{"the database " + database + " did not open: " + printableName(e.what())};
    }
}

// Where the wizard's start-up explains how to install the PDF printer, a run says in one line that
// Access writes the files itself; it asks nothing and goes on.
void noteMissingPdfPrinter(const Services& services, StatusLines& status) {
    try {
        if (IsPdfPrinterInstalled(services.printers)) return;
        status.line(std::string{"note: the printer \""} + pdf_printer::kDeviceName +
                    "\" is not installed; Access writes the PDF files itself");
    } catch (const std::exception& e) {
        status.line(std::string{"note: the printers cannot be listed: "} + printableName(e.what()));
    }
}

// The output folder, made when it does not exist yet, and proven to take files before anything is drawn.
std::string prepareFolder(const Options& options, const Services& services, const Environment& environment,
                          StatusLines& status) {
    const std::string folder = environment.fullPath(*options.output);
    if (!services.files.examine(folder)) {
        try {
            services.files.createFolder(folder);
        } catch (const std::exception& e) {
            throw Stop{"the output folder " + folder + " cannot be created: " + e.what()};
        }
        status.line("created the folder " + folder);
    }
    if (const auto problem = services.files.outputFolderProblem(folder))
        throw Stop{"the output folder " + folder + " cannot take the PDF files: " + problem->reason};
    return folder;
}

int save(const Options& options, const Services& services, const Environment& environment,
         std::ostream& errors) {
    const std::string database = environment.fullPath(options.database);
    const std::string password = passwordFor(options, environment);
    const auto reports = listReports(services, database, password);
    auto chosen = chooseReports(options, reports, database);
    const auto total = std::count(chosen.begin(), chosen.end(), true);
    if (total == 0) throw Stop{"no report of " + database + " is chosen"};

    StatusLines status{errors, environment.errorsToTerminal};
    const std::string folder = prepareFolder(options, services, environment, status);
    noteMissingPdfPrinter(services, status);
    if (services.parameters)
        services.parameters->giveValues(options.parameters);
    else if (!options.parameters.empty())
        status.line("note: Access asks for the parameter values itself; --parameter is not used");
    StreamReporting reporting{status, environment.clock};
    const ChosenReports choice{reports, std::move(chosen), folder, database, password};
    SaveReports({services.files, services.registry, services.access, services.printerValues, services.drawn},
                choice, reporting);
    if (reporting.wasFolderRefused())
        throw Stop{"the output folder " + folder + " cannot take the PDF files"};
    if (!reporting.wasDone()) throw Stop{"the database " + database + " did not open"};
    const int failed = reporting.count(ReportOutcome::Failed);
    // Where Access prints every report nothing is ever approximated, and the line does not say so.
    const std::string approximated =
        services.drawn != nullptr
            ? std::to_string(reporting.count(ReportOutcome::Approximated)) + " approximated, "
            : "";
    status.line(std::to_string(total) + (total == 1 ? " report" : " reports") + " to " + folder + " in " +
                reporting.elapsed() + ": " + std::to_string(reporting.count(ReportOutcome::Saved)) +
                " saved, " + approximated + std::to_string(failed) + " failed");
    return failed == 0 && reporting.otherFailures() == 0 ? kAllSaved : kSomeFailed;
}

// The names of the reports the options choose (every report without an option), in the database's order.
std::vector<std::string> chosenNames(const Options& options, const Services& services,
                                     const std::string& database, const std::string& password) {
    const auto reports = listReports(services, database, password);
    const auto chosen = chooseReports(options, reports, database);
    if (options.choosesReports() && std::find(chosen.begin(), chosen.end(), true) == chosen.end())
        throw Stop{"no report of " + database + " is chosen"};
    std::vector<std::string> names;
    for (std::size_t i = 0; i < reports.size(); ++i)
        if (chosen[i]) names.push_back(reports[i]);
    return names;
}

int list(const Options& options, const Services& services, const Environment& environment,
         std::ostream& out) {
    const std::string database = environment.fullPath(options.database);
    for (const auto& name : chosenNames(options, services, database, passwordFor(options, environment)))
        out << printableName(name) << '\n';
    out << std::flush;
    return kAllSaved;
}

// Each chosen report's name, then a line for each parameter it asks for: a tab, its name, a tab, its type.
int listParameters(const Options& options, const Services& services, const Environment& environment,
                   std::ostream& out) {
    if (!services.parameters)
        throw Stop{"--list-parameters lists nothing here: Access asks for the parameter values itself"};
    const std::string database = environment.fullPath(options.database);
    const std::string password = passwordFor(options, environment);
    const auto names = chosenNames(options, services, database, password);
    std::vector<platform::ReportParameters::Listed> listed;
    try {
        listed = services.parameters->listParameters(database, password, names);
    } catch (const std::exception& e) {
        throw Stop{"the database " + database + " did not open: " + printableName(e.what())};
    }
    int status = kAllSaved;
    for (std::size_t i = 0; i < names.size() && i < listed.size(); ++i) {
        out << printableName(names[i]) << '\n';
        if (!listed[i].problem.empty()) {
            out << "\tcannot be listed: " << printableName(listed[i].problem) << '\n';
            status = kSomeFailed;
        }
        for (const auto& parameter : listed[i].parameters)
            out << '\t' << printableName(parameter.name) << '\t' << parameter.type << '\n';
    }
    out << std::flush;
    return status;
}

}  // namespace

int runBatchExport(const std::vector<std::string>& arguments, const Services& services,
                   const Environment& environment, std::ostream& out, std::ostream& errors) {
    const Command command = parseArguments(arguments);
    if (std::holds_alternative<ShowHelp>(command)) {
        out << usageText() << std::flush;
        return kAllSaved;
    }
    if (std::holds_alternative<ShowVersion>(command)) {
        out << kProgram << ' ' << CALVENOR_VERSION << '\n' << std::flush;
        return kAllSaved;
    }
    if (const auto* error = std::get_if<UsageError>(&command)) {
        errors << kProgram << ": " << error->message << "\nTry '" << kProgram << " --help'.\n" << std::flush;
        return kCannotRun;
    }
    const auto& options = std::get<Options>(command);
    try {
        if (options.listParameters) return listParameters(options, services, environment, out);
        return options.list ? list(options, services, environment, out)
                            : save(options, services, environment, errors);
    } catch (const Stop& stop) {
        errors << kProgram << ": " << stop.message << '\n' << std::flush;
        return kCannotRun;
    }
}

}  // namespace calvenor::batch

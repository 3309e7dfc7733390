#include "batch/Arguments.h"

#include <string_view>

namespace calvenor::batch {
namespace {

// The options that take a value, and where the value goes.
std::vector<std::string>* listFor(Options& options, std::string_view name) {
    if (name == "--report") return &options.reports;
    if (name == "--containing") return &options.containing;
    if (name == "--not-containing") return &options.notContaining;
    return nullptr;
}

std::optional<std::string>* singleFor(Options& options, std::string_view name) {
    if (name == "--output") return &options.output;
    if (name == "--password-file") return &options.passwordFile;
    return nullptr;
}

}  // namespace

Command parseArguments(const std::vector<std::string>& arguments) {
    Options options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument == "-" || !argument.starts_with("-")) {
            positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") return ShowHelp{};
        if (argument == "--version") return ShowVersion{};
        if (argument == "--list") {
            options.list = true;
            continue;
        }
        if (argument == "--list-parameters") {
            options.listParameters = true;
            continue;
        }
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        if (name == "--password")
            return UsageError{
                "the password is never given on the command line, where other users can see it: "
                "set CALVENOR_PASSWORD or use --password-file FILE"};
        auto* list = listFor(options, name);
        auto* single = singleFor(options, name);
        const bool parameter = name == "--parameter";
        if (list == nullptr && single == nullptr && !parameter) return UsageError{"unknown option " + name};
        std::string value;
        if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return UsageError{name + " needs a value"};
        }
        if (parameter) {
            // NAME=VALUE: the name ends at the first "=", so a value may hold one.
            const std::size_t split = value.find('=');
            if (split == std::string::npos || value.find_first_not_of(" []", 0) >= split)
                return UsageError{"--parameter takes NAME=VALUE, not " + value};
            options.parameters.emplace_back(value.substr(0, split), value.substr(split + 1));
        } else if (list != nullptr) {
            list->push_back(std::move(value));
        } else if (*single) {
            return UsageError{name + " is given twice"};
        } else {
            *single = std::move(value);
        }
    }
    if (positional.empty()) return UsageError{"no database named"};
    if (positional.size() > 1) return UsageError{"one database at a time; also named: " + positional[1]};
    options.database = positional.front();
    if (options.database.empty()) return UsageError{"the database's name is empty"};
    if (options.list && options.listParameters)
        return UsageError{"--list and --list-parameters do not go together"};
    if (!options.list && !options.listParameters && !options.output)
        return UsageError{"--output DIR is needed to save reports"};
    if (options.output && options.output->empty()) return UsageError{"--output names no folder"};
    return options;
}

std::string usageText() {
    return R"(Usage: calvenor-export DATABASE --output DIR [--report NAME]... [--containing X]...
                       [--not-containing X]... [--password-file FILE]
       calvenor-export DATABASE --list [--password-file FILE]
       calvenor-export DATABASE --list-parameters [--report NAME]... [--password-file FILE]
       calvenor-export --help | --version

Saves reports of the Access database DATABASE (.mdb, .accdb) as PDF files in the folder DIR, one file
per report named after it, as the Calvenor wizard's "Save Checked Reports As PDF" does.

  --output DIR          the folder the PDF files go into (made when missing)
  --report NAME         save the report of that name (letter case ignored); may be repeated
  --containing X        save the reports whose names contain X (letter case ignored); may be repeated
  --not-containing X    save the reports whose names do not contain X; may be repeated
  --list                print the database's report names, one per line, and save nothing
  --password-file FILE  the database password is the first line of FILE
  --parameter NAME=VALUE
                        the value of a parameter the reports' record sources ask for, as Access
                        asks for it in its "Enter Parameter Value" box; may be repeated
  --list-parameters     print the parameters each chosen report asks for, and save nothing
  --help, --version     print this text, or the version, and stop

The options that choose reports add to one another; without any of them every report is saved.
Reports are saved in the database's own order, each once.

The password comes from --password-file, else from the environment variable CALVENOR_PASSWORD, else
it is empty. It is never taken from the command line, where other users of the machine could read it.

--list prints each name as it is, except that a backslash is printed as \\, a tab as \t, a carriage
return as \r and a line feed as \n, so that every name is one line.

A report's record source (or a subreport's) may ask for parameter values: [Beginning Date], or
[Forms]![Sales by Year Dialog]![BeginningDate] for a form that is not open. Each --parameter gives one
for every report of the run; names are compared without regard to letter case and brackets, and
Forms!X!Y is [Forms]![X]![Y]. A value is read as the query declares its type: a date as the
database's region writes dates (or between #, month first), a number, or text. A report asking for a
parameter not given is approximated: drawn without its rows, naming what it asks for. On Windows
Access itself asks for the values, in its own box, and --parameter is not used.

--list-parameters prints each chosen report's name (as --list prints it) on a line, then one line for
each parameter it asks for: a tab, the parameter's name, a tab and its type ("Date/Time", "Text",
"Value" when nothing declares one). A report whose parameters cannot be worked out has a line
"<tab>cannot be listed: REASON" instead.

Nothing is ever asked and no window opens, so the program can run as a scheduled task:
  - a file that is already in DIR under a report's name is replaced (on Linux whole: the new file
    is written beside it and renamed over it, so no reader ever sees half a file);
  - a report name that no file name can hold is made safe (and one that would be hidden or empty
    starts with "_"), and two reports never share a file; a report's file name depends on the
    database's whole report list, never on which reports a run saves;
  - without the "Drevmark PDF Writer" printer Access writes the PDF files itself (a note says so;
    no installation steps are shown), and nothing is printed on paper;
  - a missing database driver is reported as an error; no download page is offered;
  - a missing output folder is created, with its parents (readable by you only on Linux), and a
    line says so; a folder that cannot take the files (not writable, on Linux also a path that is
    not absolute or has "." or ".." in it) is an error before anything is drawn.
The wizard's remembered settings (database, password, folders) are neither read nor changed.

Progress goes to the standard error: one line rewritten in place on a terminal, plain lines otherwise.
Each report ends one of three ways:
  - saved: its PDF file holds the report as designed;
  - approximated (the Linux edition, which draws reports without Access): saved, with something left
    out that cannot be drawn there (forms, program code, rows its record source could not give);
    named on a line "approximated: NAME: WHAT IS LEFT OUT";
  - failed: no PDF file was written for it, and an older file of its name is left as it was; named on
    a line "failed: NAME: step N: REASON".
The last line counts them: "N reports to DIR in m:ss: N saved, N approximated, N failed" (where
Access prints the reports, nothing is approximated and the line leaves that count out).

Exit status: 0 every chosen report was saved; 1 some report or another step of the run failed;
2 bad usage, the database did not open, or no report was chosen (or a --report named none).
)";
}

}  // namespace calvenor::batch

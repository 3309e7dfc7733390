#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace calvenor::batch {

// What the command line asks for.
struct Options {
    std::string database;
    std::optional<std::string> output;
    std::vector<std::string> reports;        // --report, each a whole name
    std::vector<std::string> containing;     // --containing
    std::vector<std::string> notContaining;  // --not-containing
    std::optional<std::string> passwordFile;
    bool list = false;
    std::vector<std::pair<std::string, std::string>> parameters{};  // --parameter NAME=VALUE, in order
    bool listParameters = false;

    // Whether any option chose reports; without one every report is saved.
    bool choosesReports() const { return !reports.empty() || !containing.empty() || !notContaining.empty(); }
};

struct ShowHelp {};
struct ShowVersion {};
// A command line that cannot be run, and why.
struct UsageError {
    std::string message;
};

using Command = std::variant<Options, ShowHelp, ShowVersion, UsageError>;

// The arguments after the program's name. "--name value" and "--name=value" both serve; "--" ends the
// options, so that a database whose name starts with "-" can still be named.
Command parseArguments(const std::vector<std::string>& arguments);

// What --help prints.
std::string usageText();

}  // namespace calvenor::batch

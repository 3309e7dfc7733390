#pragma once

#include <string>
#include <vector>

namespace mkmdb::testing {

struct ProgramResult {
    int exitCode = -1;  // -1: it could not be started, or did not exit normally
    std::string output;
    std::string errors;
};

// Runs a program (found on PATH unless the first argument holds a '/') and collects what it prints.
ProgramResult runProgram(const std::vector<std::string>& arguments);

// Whether a program of that name is on PATH.
bool programExists(const std::string& name);

}  // namespace mkmdb::testing

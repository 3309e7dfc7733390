#pragma once

#include <string>

namespace calvenor::stand_in {

// The folder of the running test program, where the stand-in servers are built.
std::wstring folderOfThisProgram();

// Registers the stand-in Access and ADO classes for as long as the object lives and removes them after,
// leftovers of an interrupted run included. Wine reads classes only from HKEY_CLASSES_ROOT, not from the
// user's Software\Classes, so they go there; the Wine prefix is the test run's own.
class RegisteredServers {
  public:
    enum class Serve { AccessAndAdo, AdoOnly };
    // `folder` holds the servers' files.
    explicit RegisteredServers(const std::wstring& folder = folderOfThisProgram(),
                               Serve serve = Serve::AccessAndAdo);
    RegisteredServers(const RegisteredServers&) = delete;
    RegisteredServers& operator=(const RegisteredServers&) = delete;
    ~RegisteredServers();

    static void remove();
};

// A printer that Windows lists among the installed ones, for as long as the object lives: Wine keeps its
// printers in the registry and lists every one found there.
class InstalledPrinter {
  public:
    explicit InstalledPrinter(std::wstring deviceName);
    InstalledPrinter(const InstalledPrinter&) = delete;
    InstalledPrinter& operator=(const InstalledPrinter&) = delete;
    ~InstalledPrinter();

    static void remove(const std::wstring& deviceName);

  private:
    std::wstring deviceName_;
};

}  // namespace calvenor::stand_in

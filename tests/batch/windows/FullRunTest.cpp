// calvenor-export.exe as a whole under Wine, started as a scheduled task starts it, against the stand-in
// Access and ADO servers and, where a case says so, a registered PDF printer.
// Arguments: the program, the stand-in servers' folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "export/PdfPrinter.h"
#include "platform/win32/WideText.h"
#include "tests/platform/win32/TemporaryFolder.h"
#include "tests/platform/win32/servers/Registration.h"

namespace {

using calvenor::stand_in::InstalledPrinter;
using calvenor::stand_in::RegisteredServers;
using platform::win32::toUtf8;
using platform::win32::toWide;

std::wstring program, serverFolder;

// Under Wine the build's paths arrive as Unix paths; drive Z: is the Unix root.
std::wstring windowsPath(const char* argument) {
    std::wstring path = toWide(argument);
    if (!path.starts_with(L'/')) return path;
    for (auto& c : path) {
        if (c == L'/') c = L'\\';
    }
    return L"Z:" + path;
}

std::string contentOf(const std::string& path) {
    std::ifstream file(std::filesystem::path(toWide(path)), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

struct Finished {
    DWORD status;
    std::string errors;
};

// Runs the program with the arguments, its error stream into a file; waits for its end.
Finished runProgram(const std::wstring& commandLine, const std::string& errorsFile) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE errors = CreateFileW(toWide(errorsFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = startup.hStdOutput = errors;
    PROCESS_INFORMATION process{};
    std::wstring line = L"\"" + program + L"\" " + commandLine;
    const BOOL started = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
    CloseHandle(errors);
    if (!started) return {~DWORD{0}, "cannot start the program"};
    DWORD status = ~DWORD{0};
    if (WaitForSingleObject(process.hProcess, 60'000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {status, contentOf(errorsFile)};
}

TEST(BatchOnWindows, SavesThroughTheStandInAccessAndSaysWhatFailed) {
    struct Case {
        const char* what;
        bool pdfPrinter;
        const wchar_t* password;
        std::string description;  // beside the reports
        DWORD status;
        std::string said;
        std::vector<std::string> saved;
    };
    const std::vector<Case> cases{
        {"every report through the PDF printer",
         true,
         L"pa ss",
         "",
         0,
         "2 saved, 0 failed",
         {"Sales by Month", "Stock (all)"}},
        {"without the PDF printer Access writes the files itself",
         false,
         L"pa ss",
         "printer: Office Laser\n",
         0,
         "Access writes the PDF files itself",
         {"Sales by Month", "Stock (all)"}},
        {"a wrong password", true, L"pass", "", 2, "did not open: Not a valid password.", {}},
        {"a report that cannot be printed",
         true,
         L"pa ss",
         "fail: OpenReport | The printer is out of paper.\n",
         1,
         "failed: Sales by Month: step 148: The printer is out of paper.",
         {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test_support::TemporaryFolder folder;
        const std::string database = folder / "Sales.mdb", output = folder / "PDF files";
        std::filesystem::create_directories(toWide(output));
        std::ofstream(std::filesystem::path(toWide(database)))
            << "stand-in database\npassword: pa ss\nreport: Sales by Month\nreport: Stock (all)\n"
            << c.description;
        std::optional<InstalledPrinter> pdfPrinter;
        if (c.pdfPrinter) pdfPrinter.emplace(toWide(calvenor::pdf_printer::kDeviceName));
        RegisteredServers registered(serverFolder);
        SetEnvironmentVariableW(L"CALVENOR_PASSWORD", c.password);

        const auto finished = runProgram(
            L"\"" + toWide(database) + L"\" --output \"" + toWide(output) + L"\"", folder / "errors.txt");
        EXPECT_EQ(finished.status, c.status) << finished.errors;
        EXPECT_NE(finished.errors.find(c.said), std::string::npos) << finished.errors;
        for (const auto& report : c.saved) {
            EXPECT_NE(contentOf(output + "\\" + report + ".pdf").find("Tj"), std::string::npos) << report;
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, toWide(calvenor::pdf_printer::kKey).c_str());
    }
    SetEnvironmentVariableW(L"CALVENOR_PASSWORD", nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: batch_windows_tests PROGRAM SERVER-FOLDER\n");
        return 2;
    }
    program = windowsPath(argv[1]);
    serverFolder = windowsPath(argv[2]);
    return RUN_ALL_TESTS();
}

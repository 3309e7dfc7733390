#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/posix/PosixFileSystem.h"
#include "program/Program.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUi.h"
#include "tests/support/NoPrintQueues.h"

// The real handlers over the Linux engine and real files, for the tests of "Next >" and the export.
namespace calvenor::engine_tests {

inline platform::jet::EngineOptions engineOptions() {
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    return options;
}

// The program over the real engine and real files; the windows and the settings in memory.
struct EngineProgram {
    fakes::FakeUi ui;
    fakes::FakeShell shell;
    platform::posix::PosixFileSystem files;
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    platform::jet::JetAdo ado{engineOptions()};
    platform::jet::JetAccess access{registry, queues, engineOptions()};
    fakes::FakePrinters printers;
    fakes::FakeSkin skin;
    fakes::FakePrinterValuesLock printerValues;
    Program program{
        {ui, shell, files, registry, ado, access, printers, skin, printerValues, &access, [] { return 0.5; }}};

    EngineProgram() { program.start(); }

    EngineProgram(const EngineProgram&) = delete;
    EngineProgram& operator=(const EngineProgram&) = delete;

    // "Next >" on the path and password; the reports listed, or nullopt while the first page stays.
    std::optional<std::vector<std::string>> next(const std::string& path, const std::string& password) {
        auto& form1 = ui.window("Form1");
        form1.textBox("Text1").setText(path);
        form1.textBox("Text2").setText(password);
        form1.button("PushButton3").click();
        if (form1.isVisible()) return std::nullopt;
        return ui.window("Form2").listView("ListView1").shown();
    }
    std::vector<std::string> reports() const {
        std::vector<std::string> result;
        for (const auto& m : ui.messages) result.push_back(m.text.substr(0, m.text.find("\r\r")));
        return result;
    }
};

}  // namespace calvenor::engine_tests

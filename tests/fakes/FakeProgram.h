#pragma once

#include "program/Program.h"
#include "tests/fakes/FakeDatabase.h"
#include "tests/fakes/FakeDevices.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeShell.h"
#include "tests/fakes/FakeUi.h"

namespace fakes {

// The whole program over in-memory platform doubles, its windows on the given ui (the fake one, or a
// real toolkit's for the tests of a backend).
template <class UiType>
struct ProgramOverFakes {
    UiType ui;
    FakeShell shell;
    FakeFileSystem files;
    FakeRegistry registry;
    FakeAdo ado;
    FakeAccess access;
    FakePrinters printers;
    FakeSkin skin;
    FakePrinterValuesLock printerValues;
    FakeDrawnReports drawn;
    FakeReportPreview preview;
    double fraction = 0.5;  // what the random source draws: never the one start in a hundred
    calvenor::Program program{{ui, shell, files, registry, ado, access, printers, skin, printerValues, &drawn,
                               [this] { return fraction; }, &preview}};

    static constexpr char kSettingsKey[] = "Software\\VB and VBA Program Settings\\Drevmark\\Calvenor";
    std::optional<std::string> setting(std::string_view name) const {
        return registry.value(kSettingsKey, name);
    }
    // The values written under one setting, in order.
    std::vector<std::string> writesOf(std::string_view name) const {
        std::vector<std::string> values;
        for (const auto& w : registry.writes) {
            if (w.name == name) values.push_back(w.value);
        }
        return values;
    }
};

using FakeProgram = ProgramOverFakes<FakeUi>;

}  // namespace fakes

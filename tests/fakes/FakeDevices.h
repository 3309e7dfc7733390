#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/DrawnReports.h"
#include "platform/Failure.h"
#include "platform/PrinterValuesLock.h"
#include "platform/Printers.h"
#include "platform/ReportPreview.h"
#include "platform/SkinFramework.h"
#include "platform/Ui.h"

namespace fakes {

// The installed printers: the PDF printer among others, unless a test says otherwise.
struct FakePrinters : platform::Printers {
    std::vector<std::string> names{"Office Laser", "Drevmark PDF Writer"};
    std::vector<std::string> deviceNames() override { return names; }
};

// A skin engine that logs its calls ("load FILE|INI", "get 1", "set 1=3", "apply WINDOW").
struct FakeSkin : platform::SkinFramework {
    std::vector<std::string> calls;
    std::int32_t options = 2;
    bool refuseSkins = false;  // loading fails while set

    void loadSkin(std::string_view file, std::string_view ini) override {
        calls.push_back("load " + std::string{file} + "|" + std::string{ini});
        if (refuseSkins) throw platform::Failure{"The skin file is damaged."};
    }
    std::int32_t property(int id) override {
        calls.push_back("get " + std::to_string(id));
        return id == 1 ? options : 0;
    }
    void setProperty(int id, std::int32_t value) override {
        calls.push_back("set " + std::to_string(id) + "=" + std::to_string(value));
        if (id == 1) options = value;
    }
    void applyWindow(platform::Window& window) override {
        calls.push_back("apply " + std::string{window.name()});
    }
};

// The printer values' lock, its turns told in a journal when a test gives one ("lock", "unlock").
struct FakePrinterValuesLock : platform::PrinterValuesLock {
    std::vector<std::string>* journal = nullptr;
    bool held = false;
    void acquire(const std::function<void()>&) override {
        if (journal != nullptr) journal->push_back("lock");
        held = true;
    }
    void release() override {
        if (held && journal != nullptr) journal->push_back("unlock");
        held = false;
    }
};

// What the drawn reports' files say: a note for each path a test names, nothing for the rest.
struct FakeDrawnReports : platform::DrawnReports {
    std::map<std::string, std::string> notes;
    std::optional<std::string> approximationNote(const std::string& path) override {
        auto found = notes.find(path);
        if (found == notes.end()) return std::nullopt;
        return found->second;
    }
};

// The previews asked for, each as "DATABASE|PASSWORD|REPORT"; fails them while failure is set.
struct FakeReportPreview : platform::ReportPreview {
    std::vector<std::string> shown;
    std::optional<std::string> failure;
    void preview(const std::string& database, const std::string& password,
                 const std::string& report) override {
        if (failure) throw platform::Failure{*failure};
        shown.push_back(database + "|" + password + "|" + report);
    }
};

}  // namespace fakes

#pragma once

#include <string>
#include <vector>

#include "platform/Failure.h"
#include "platform/Printers.h"
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

}  // namespace fakes

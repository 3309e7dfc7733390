#pragma once

#include <memory>

#include "app/ErrorReport.h"
#include "app/Settings.h"

namespace platform {
class FileSystem;
class Registry;
class Shell;
class Ui;
}  // namespace platform

namespace calvenor {

class Form1;

// The program: its main window, the database selection page, and the start-up sequence that dresses it.
class Program {
  public:
    struct Services {
        platform::Ui& ui;
        platform::Shell& shell;
        platform::FileSystem& files;
        platform::Registry& registry;
    };

    explicit Program(const Services& services);
    ~Program();

    // Creates the main window, runs its start-up sequence and shows it.
    void start();

    Form1& form1() { return *form1_; }

  private:
    void Form_Load();

    Services services_;
    ErrorReport errors_;
    Settings settings_;
    std::unique_ptr<Form1> form1_;
};

}  // namespace calvenor

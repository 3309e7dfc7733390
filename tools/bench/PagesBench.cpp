// Times the pages on Qt's offscreen platform over the real engine, as a user meets them: "Next >" on
// the large benchmark database until its list is filled and painted, the selection commands on a long
// list, and what doEvents costs the enumeration.
//
//   pages_bench [RUNS]   (5 runs by default; the first "Next >" also creates the report list page)

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTreeView>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DatabaseFile.h"
#include "Fixtures.h"
#include "pages/Form1.h"
#include "pages/Form2.h"
#include "platform/Shell.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/print/InstalledPrinters.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/qt/QtSkinFramework.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtWindow.h"
#include "program/Program.h"
#include "tests/fakes/FakeDevices.h"

namespace {

namespace fs = std::filesystem;

constexpr int kReports = 10'000;
constexpr int kRows = 100'000;
constexpr int kLongList = 30'000;

// The scratch folder: the database, the settings and the desktop of the run.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "pages-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
        path_ = pattern;
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

struct NoPrintQueues : platform::jet::PrintQueues {
    List list() override { return {}; }
    void print(const std::string&, const std::string&, std::string_view) override {}
};

// The shell of the run: the program folder is the build folder, the desktop the scratch folder.
class BenchShell : public platform::Shell {
  public:
    explicit BenchShell(std::string desktop) : desktop_(std::move(desktop)) {}
    std::string programFolder() override { return CALVENOR_HELPER_DIR; }
    std::string desktopFolder() override { return desktop_; }
    void openWebPage(std::string_view) override {}
    void runCommand(std::string_view, int) override {}

  private:
    std::string desktop_;
};

// The Qt windows and dialogs, except that the input box answers at once: the benchmark times the
// commands, not a person typing.
class AnsweringUi : public platform::Ui {
  public:
    explicit AnsweringUi(platform::qt::QtUi& ui) : ui_(ui) {}
    std::string answer;

    std::unique_ptr<platform::Window> createWindow(const platform::WindowLayout& layout) override {
        return ui_.createWindow(layout);
    }
    void setApplicationTitle(std::string_view title) override { ui_.setApplicationTitle(title); }
    std::string applicationTitle() const override { return ui_.applicationTitle(); }
    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override {
        std::fprintf(stderr, "pages_bench: unexpected message: %.*s\n", int(text.size()), text.data());
        return ui_.messageBox(text, caption, buttons, icon);
    }
    void showOpen(platform::Window& owner, platform::OpenFileDialog& dialog) override {
        ui_.showOpen(owner, dialog);
    }
    std::string inputBox(std::string_view) override { return answer; }
    std::string browseForFolder(platform::Window& owner, std::string_view prompt,
                                std::string_view startFolder) override {
        return ui_.browseForFolder(owner, prompt, startFolder);
    }
    void doEvents() override { ui_.doEvents(); }
    void endProgram() override { ui_.endProgram(); }

  private:
    platform::qt::QtUi& ui_;
};

// Counts the paints of a widget.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

QWidget& widgetOf(platform::Window& window) {
    return dynamic_cast<platform::qt::QtWindow&>(window).widget();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double millisecondsOf(const std::function<void()>& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

// Until the list has painted itself once more: the filled list as the user sees it.
void waitForPaint(QWidget& rows, PaintCounter& counter) {
    const int before = counter.paints;
    rows.update();
    QElapsedTimer waited;
    waited.start();
    while (counter.paints == before) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        if (waited.elapsed() > 10'000) throw std::runtime_error("the list never painted");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ScratchFolder scratch;
    QApplication application{argc, argv};
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string database = (scratch.path() / "bench.mdb").string();
    const double writing = millisecondsOf([&] {
        mkmdb::writeDatabaseFile(mkmdb::fixtures::largeDatabase(kReports, kRows), database,
                                 mkmdb::Overwrite::Refuse);
    });

    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    platform::qt::QtUi qtUi;
    AnsweringUi ui{qtUi};
    BenchShell shell{scratch.path().string()};
    platform::posix::PosixFileSystem files;
    platform::posix::FileRegistry registry{(scratch.path() / "settings").string()};
    NoPrintQueues queues;
    platform::jet::JetAdo ado{options};
    platform::jet::JetAccess access{registry, queues, options};
    platform::jet::InstalledPrinters printers{queues};
    platform::qt::QtSkinFramework skin;
    fakes::FakePrinterValuesLock printerValues;
    calvenor::Program program{
        {ui, shell, files, registry, ado, access, printers, skin, printerValues, &access, [] { return 0.5; }}};
    program.start();
    program.form1().Text1().setText(database);
    auto& next = *widgetOf(program.form1().window()).findChild<QPushButton*>("PushButton3");

    // The engine alone, for comparison: what Access's side of the enumeration costs.
    std::vector<double> engine;
    for (int run = 0; run < runs; ++run) {
        engine.push_back(millisecondsOf([&] {
            auto application = access.createApplication();
            application->openCurrentDatabase(database, false, "");
            if (application->allReports().size() != std::size_t(kReports)) std::abort();
            application->closeCurrentDatabase();
            application->quit(platform::access::QuitOption::SaveAll);
        }));
    }

    // "Next >" until the list shows its rows; then "< Back" for the next run.
    std::vector<double> nextTimes;
    PaintCounter counter;
    for (int run = 0; run < runs; ++run) {
        QWidget* rows = nullptr;
        nextTimes.push_back(millisecondsOf([&] {
            next.click();
            auto& form2 = program.form2();
            auto& list = *widgetOf(form2.window()).findChild<QTreeView*>("ListView1");
            rows = list.viewport();
            if (run == 0) rows->installEventFilter(&counter);
            waitForPaint(*rows, counter);
        }));
        if (program.form2().ListView1().count() != kReports) {
            std::fprintf(stderr, "pages_bench: the list has %d items\n", program.form2().ListView1().count());
            return 1;
        }
        widgetOf(program.form2().window()).findChild<QPushButton*>("PushButton2")->click();  // "< Back"
        QApplication::processEvents();
    }

    // The selection commands on a long list, each from all items unchecked, until the list has painted.
    next.click();
    auto& form2 = program.form2();
    auto& list = form2.ListView1();
    auto& rows = *widgetOf(form2.window()).findChild<QTreeView*>("ListView1")->viewport();
    list.clear();
    for (int i = 1; i <= kLongList; ++i) list.add("Report " + std::to_string(100'000 + i).substr(1));
    QApplication::processEvents();
    struct Command {
        const char* name;
        const char* button;
        const char* x;
    };
    const Command commands[] = {
        {"Check Entries Containing X Chars, X = \"5\"", "PushButton6", "5"},
        {"Check Entries Containing X Chars, X = \"\" (all)", "PushButton6", ""},
        {"Check Entries Not Containing X, X = \"5\"", "PushButton5", "5"},
        {"Check All", "PushButton1", ""},
    };
    auto& uncheckAll = *widgetOf(form2.window()).findChild<QPushButton*>("PushButton4");
    std::vector<std::pair<const Command*, double>> commandTimes;
    int checkedAfterFirst = 0;
    for (const Command& command : commands) {
        auto& button = *widgetOf(form2.window()).findChild<QPushButton*>(command.button);
        ui.answer = command.x;
        std::vector<double> times;
        for (int run = 0; run < runs; ++run) {
            uncheckAll.click();
            QApplication::processEvents();
            times.push_back(millisecondsOf([&] {
                button.click();
                waitForPaint(rows, counter);
            }));
        }
        if (&command == &commands[0]) {
            for (int i = 1; i <= kLongList; ++i) checkedAfterFirst += list.checked(i) ? 1 : 0;
        }
        commandTimes.emplace_back(&command, median(times));
    }

    // The enumeration's loop on a visible list: one item added and checked per report, with doEvents
    // as it is, and with the event queue served at every call.
    const auto fill = [&](const std::function<void()>& yield) {
        return millisecondsOf([&] {
            list.clear();
            for (int i = 1; i <= kReports; ++i) {
                yield();
                list.add("Report " + std::to_string(i));
                list.setChecked(i, true);
            }
            waitForPaint(rows, counter);
        });
    };
    const double throttled = fill([&] { qtUi.doEvents(); });
    const double everyCall = fill([] { QCoreApplication::processEvents(); });
    constexpr int kIdleCalls = 200'000;
    const double idleDoEvents = millisecondsOf([&] {
        for (int i = 0; i < kIdleCalls; ++i) qtUi.doEvents();
    });
    const double idleProcessEvents = millisecondsOf([&] {
        for (int i = 0; i < kIdleCalls; ++i) QCoreApplication::processEvents();
    });

    std::printf("database: %d reports, %d rows (written in %.0f ms)\n", kReports, kRows, writing);
    std::printf("medians over %d runs, in milliseconds:\n", runs);
    std::printf("  Access stand-in: open, list the reports, close        %8.1f\n", median(engine));
    std::printf("  \"Next >\" to the painted list, first (creates the page) %8.1f   goal <= 300\n",
                nextTimes.front());
    std::printf("  \"Next >\" to the painted list, median                   %8.1f   goal <= 300\n",
                median(nextTimes));
    std::printf("on %d items, from all unchecked to the painted list (first: %d items checked):\n", kLongList,
                checkedAfterFirst);
    for (const auto& [command, time] : commandTimes)
        std::printf("  %-50s %8.1f   goal <= 50\n", command->name, time);
    std::printf("filling %d items on the visible page (add + check + yield each):\n", kReports);
    std::printf("  with doEvents                                          %8.1f\n", throttled);
    std::printf("  with the event queue served at every item              %8.1f\n", everyCall);
    std::printf("one call with nothing pending, in microseconds:\n");
    std::printf("  doEvents                                               %8.3f\n",
                idleDoEvents * 1000 / kIdleCalls);
    std::printf("  QCoreApplication::processEvents                        %8.3f\n",
                idleProcessEvents * 1000 / kIdleCalls);
    qtUi.endProgram();
    return 0;
}

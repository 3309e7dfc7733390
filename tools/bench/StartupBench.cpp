// How long the real program takes from its start to its first page painted, and how much memory it
// has taken by then (VmHWM), run by run on an X display (Xvfb will do; start it with -br, a black root):
//
//     xvfb-run -a -s "-screen 0 1280x1024x24 -br" startup_bench [RUNS]
//
// Two ways in: the first page (no remembered database), and the report list that start-up brings up
// by itself for a remembered database that exists (the sample database beside the program). Each run
// has a private HOME, XDG_CONFIG_HOME and XDG_RUNTIME_DIR, so the user's own settings are never read or
// touched.
//
// "Painted" is seen from outside, as a user sees it: the program's window named "Calvenor" is mapped
// and its content is no longer one flat colour (an unpainted window shows the black root or a plain
// background; a painted page shows its captions on a light background).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "base/UniqueHandle.h"
#include "platform/posix/FileRegistry.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr auto kRunLimit = std::chrono::seconds(20);
constexpr char kCaption[] = "Calvenor";

// XDestroyImage is a macro: its address is taken through a function.
void destroyImage(XImage* image) {
    XDestroyImage(image);
}
using ScopedDisplay = base::Unique<Display*, XCloseDisplay>;
using ScopedImage = base::Unique<XImage*, destroyImage>;

// A window can go between the event that names it and the request that asks about it.
int ignoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

class ScratchHome {
  public:
    ScratchHome() {
        std::string pattern = (fs::temp_directory_path() / "startup_bench.XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create " + pattern);
        path_ = pattern;
    }
    ScratchHome(const ScratchHome&) = delete;
    ScratchHome& operator=(const ScratchHome&) = delete;
    ~ScratchHome() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string home() const { return path_.string(); }
    std::string configHome() const { return (path_ / "config").string(); }

  private:
    fs::path path_;
};

// The program, started with a private home; ended (and waited for) when the object goes.
class RunningProgram {
  public:
    RunningProgram(const std::string& program, const ScratchHome& home) : pid_(::fork()) {
        if (pid_ < 0) throw std::runtime_error("cannot fork");
        if (pid_ == 0) {
            ::setenv("HOME", home.home().c_str(), 1);
            ::setenv("XDG_CONFIG_HOME", home.configHome().c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", home.home().c_str(), 1);  // private (0700), as a session's is
            ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;
    ~RunningProgram() {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_t pid() const { return pid_; }

  private:
    pid_t pid_;
};

bool hasCaption(Display* display, Window window) {
    char* name = nullptr;
    if (XFetchName(display, window, &name) == 0 || name == nullptr) return false;
    const bool matches = std::string{name} == kCaption;
    XFree(name);
    return matches;
}

// More than one colour, and mostly light: captions on a page's background.
bool isPainted(Display* display, Window window) {
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(display, window, &attributes) == 0 || attributes.map_state != IsViewable)
        return false;
    ScopedImage image{XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                                static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap)};
    if (!image) return false;
    const unsigned long first = XGetPixel(image.get(), 0, 0);
    bool severalColours = false;
    long light = 0;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image.get(), x, y);
            severalColours = severalColours || pixel != first;
            const unsigned long r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
            light += (r + g + b) / 3 > 160;
        }
    }
    return severalColours && light * 2 > static_cast<long>(attributes.width) * attributes.height;
}

long peakMemoryKiB(pid_t pid) {
    std::ifstream status{"/proc/" + std::to_string(pid) + "/status"};
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

struct Run {
    double milliseconds;
    long peakKiB;
};

// Waits for the next X event, or for the deadline; false at the deadline.
bool nextEvent(Display* display, XEvent& event, Clock::time_point deadline) {
    while (XPending(display) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        ::poll(&connection, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
    }
    XNextEvent(display, &event);
    return true;
}

Run runOnce(Display* display, const std::string& program,
            const std::optional<std::string>& rememberedDatabase) {
    ScratchHome home;
    if (rememberedDatabase) {
        platform::posix::FileRegistry registry{home.configHome() + "/calvenor/registry"};
        calvenor::Settings{registry}.SaveSetting(calvenor::Settings::kDatabase, *rememberedDatabase);
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    const auto started = Clock::now();
    RunningProgram running{program, home};
    const auto deadline = started + kRunLimit;
    std::vector<Window> mapped;
    for (;;) {
        // Until a window is mapped, wait for the events that tell; then look at it every millisecond.
        const auto waitUntil = mapped.empty() ? deadline : Clock::now() + std::chrono::milliseconds(1);
        XEvent event{};
        if (nextEvent(display, event, waitUntil) && event.type == MapNotify &&
            hasCaption(display, event.xmap.window))
            mapped.push_back(event.xmap.window);
        for (const Window window : mapped) {
            if (!isPainted(display, window)) continue;
            const double milliseconds =
                std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            return {milliseconds, peakMemoryKiB(running.pid())};
        }
        if (Clock::now() > deadline) throw std::runtime_error("no window of the program was painted in time");
    }
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5)];
}

void report(const char* path, const std::vector<Run>& runs) {
    std::vector<double> times, peaks;
    for (const Run& run : runs) {
        times.push_back(run.milliseconds);
        peaks.push_back(static_cast<double>(run.peakKiB) / 1024.0);
    }
    std::printf(
        "%-40s median %6.1f ms (fastest %6.1f, slowest %6.1f); peak memory median %5.1f MB, largest %5.1f "
        "MB\n",
        path, percentile(times, 0.5), percentile(times, 0.0), percentile(times, 1.0), percentile(peaks, 0.5),
        percentile(peaks, 1.0));
}

}  // namespace

int main(int argc, char* argv[]) try {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const std::string program = CALVENOR_PROGRAM;
    const std::string sample = fs::path{program}.parent_path() / "Samples" / "sample.mdb";
    if (!fs::exists(sample))
        throw std::runtime_error("no sample database at " + sample + ": build sample_database");
    ScopedDisplay display{XOpenDisplay(nullptr)};
    if (!display)
        throw std::runtime_error("no X display: run under xvfb-run -a -s \"-screen 0 1280x1024x24 -br\"");
    XSetErrorHandler(ignoreXErrors);

    std::printf("%s, %d runs each\n", program.c_str(), runs);
    runOnce(display.get(), program,
            std::nullopt);  // the files the program loads are in the cache from now on
    struct Path {
        const char* name;
        std::optional<std::string> rememberedDatabase;
    };
    for (const Path& path : {Path{"first page (no remembered database)", std::nullopt},
                             Path{"report list of the remembered sample", sample}}) {
        std::vector<Run> results;
        for (int run = 0; run < runs; ++run)
            results.push_back(runOnce(display.get(), program, path.rememberedDatabase));
        report(path.name, results);
    }
    return 0;
} catch (const std::exception& e) {
    std::fprintf(stderr, "startup_bench: %s\n", e.what());
    return 1;
}

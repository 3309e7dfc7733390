// The report list's preview on Linux: for every report of a database (Northwind unless named), the time
// from asking for it (opening the file, starting the helper, its parameters) to its first page picture,
// and to its last, with the pictures' size.
//
//   preview_bench [DATABASE [PASSWORD [DPI]]]
#include <poll.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/qt/PreviewDrawing.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string database = argc > 1 ? argv[1] : CALVENOR_TESTDATA "/northwind-jet4.mdb";
    const std::string password = argc > 2 ? argv[2] : "";
    const int dotsPerInch = argc > 3 ? std::atoi(argv[3]) : 96;  // the preview's on a screen of 96 dpi
    platform::jet::EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    std::vector<std::string> reports;
    try {
        reports = platform::jet::reportNames(
            platform::jet::openDatabaseFile(database, password, platform::jet::AcceptedFormats::JetAndAce,
                                            options)
                .objects);
    } catch (const std::exception& error) {
        std::printf("%s cannot be read: %s\n", database.c_str(), error.what());
        return 1;
    }
    std::printf("%s at %d dots per inch\n  %-36s %6s %9s %9s %9s %8s\n", database.c_str(), dotsPerInch,
                "report", "pages", "asked ms", "first ms", "last ms", "KB/page");
    for (const auto& report : reports) {
        const auto start = Clock::now();
        try {
            platform::qt::PreviewDrawing drawing(options, database, password);
            drawing.parameters(report);  // asked as the preview asks; none given: drawn without rows then
            const double asked = millisecondsSince(start);
            drawing.draw(report, dotsPerInch, {});
            double first = -1;
            std::size_t pages = 0, bytes = 0;
            std::string ending;
            while (drawing.descriptor() >= 0) {
                pollfd ready{drawing.descriptor(), POLLIN, 0};
                ::poll(&ready, 1, 1000);
                auto news = drawing.read();
                for (const auto& page : news.pages) bytes += page.compressed.size();
                if (first < 0 && !news.pages.empty()) first = millisecondsSince(start);
                pages += news.pages.size();
                if (news.failure) ending = " failed: " + *news.failure;
                if (!news.note.empty()) ending = " approximated: " + news.note.substr(0, 60);
            }
            std::printf("  %-36s %6zu %9.0f %9.0f %9.0f %8.0f%s\n", report.c_str(), pages, asked, first,
                        millisecondsSince(start), pages ? double(bytes) / 1024 / double(pages) : 0.0,
                        ending.c_str());
        } catch (const std::exception& error) {
            std::printf("  %-36s not drawn: %s\n", report.c_str(), error.what());
        }
    }
    return 0;
}

// Times drawing every report of the shared Northwind file through the renderer helper, as the PDF
// writer prints them: pages per second over the whole run and the slowest report; at the end, the
// helper's peak memory. With a folder, the documents are also saved there, one per report, to be
// looked at.
//
//   render_bench [RUNS [FOLDER]]   (3 runs by default)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "platform/jet/Catalogue.h"
#include "platform/jet/CatalogueReader.h"
#include "platform/jet/DatabaseFile.h"
#include "platform/jet/PrintRenderer.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;
using namespace platform::jet;

// The pages of a document Qt wrote: its page objects, not the page tree's node.
int pagesIn(const std::string& pdf) {
    int pages = 0;
    for (std::size_t at = pdf.find("/Type /Page"); at != std::string::npos;
         at = pdf.find("/Type /Page", at + 1))
        if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
    return pages;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::string folder = argc > 2 ? argv[2] : "";
    const std::string file = std::string(CALVENOR_TESTDATA) + "/northwind-jet4.mdb";
    if (!fs::exists(file)) {
        std::printf("no %s\n", file.c_str());
        return 1;
    }
    EngineOptions options;
    options.helperFolder = CALVENOR_HELPER_DIR;
    const auto reports = reportNames(openDatabaseFile(file, "", AcceptedFormats::JetAndAce, options).objects);
    const ReadableDatabase database = openReadableDatabase(file, "", AcceptedFormats::JetAndAce, options);
    auto helper = std::make_unique<PrintRenderer>(options);
    PrintRenderer& renderer = *helper;
    renderer.useDatabase(database.descriptor.get(), textConversionEnvironment(database.header));
    renderer.render(reports.front());  // Qt's start is not a report's

    for (int run = 0; run < runs; ++run) {
        int pages = 0;
        double slowest = 0;
        std::string slowestName;
        const auto start = Clock::now();
        for (const auto& report : reports) {
            const auto reportStart = Clock::now();
            const std::string pdf = renderer.render(report);
            const double seconds = std::chrono::duration<double>(Clock::now() - reportStart).count();
            if (seconds > slowest) slowest = seconds, slowestName = report;
            pages += pagesIn(pdf);
            if (!folder.empty()) std::ofstream(fs::path(folder) / (report + ".pdf"), std::ios::binary) << pdf;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::printf("run %d: %zu reports, %d pages in %.2f s: %.0f pages/s; slowest %s %.2f s\n", run + 1,
                    reports.size(), pages, seconds, pages / seconds, slowestName.c_str(), slowest);
    }
    // The helper ends with its renderer; the largest of the ended children is the renderer helper
    // (the catalogue reader is smaller).
    helper.reset();
    rusage usage{};
    if (::getrusage(RUSAGE_CHILDREN, &usage) == 0)
        std::printf("peak memory of the renderer helper: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    return 0;
}

#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/jet/file/EngineOptions.h"

namespace platform::jet {

// A report as the renderer drew it: its PDF document, and what the drawing left out of what Access would
// print (empty when nothing), in words read on after "approximated: ".
struct RenderedReport {
    std::string pdf;
    std::string note;
};

// The renderer helper serving one Access application instance. It is started at the first job and
// fed every job after it, so that a run of many reports starts a process and Qt once, not once per
// report. A helper that fails a job (crashes, is killed, runs out of time, says too much or answers
// out of turn) is ended and fails that job alone: the next job starts a fresh one. One that ended
// between jobs is replaced before the next job, which does not notice.
class PrintRenderer {
  public:
    explicit PrintRenderer(EngineOptions options);
    ~PrintRenderer();
    PrintRenderer(const PrintRenderer&) = delete;
    PrintRenderer& operator=(const PrintRenderer&) = delete;

    // The database the reports are read from: a descriptor the helper is handed as its descriptor 4
    // (not owned; -1 for none) and the environment it reads the file's texts with. A different one
    // ends the helper, so that the next job starts one reading it.
    void useDatabase(int descriptor, std::vector<std::string> environment);

    // The report as a whole PDF document, within the options' time limit. Raises Failure when it cannot
    // be rendered.
    RenderedReport render(const std::string& report);

    // What the report's record sources ask for: each parameter's name and type, in the order Access asks.
    // Raises Failure when they cannot be worked out.
    std::vector<std::pair<std::string, std::string>> parameters(const std::string& report);

    // The values the record sources of every report rendered from now on are given.
    void useParameterValues(std::vector<std::pair<std::string, std::string>> values) {
        options_.parameterValues = std::move(values);
    }

    // Ends the helper, if one runs, leaving no process and no descriptor behind.
    void stop();

  private:
    class Helper;

    EngineOptions options_;
    int database_ = -1;
    std::vector<std::string> databaseEnvironment_;
    std::unique_ptr<Helper> helper_;  // none until the first job, and after stop()
};

// Whether the bytes are a whole PDF document: they start as one and end with its end-of-file marker
// (and at most blanks after it). A helper that died halfway gives neither.
bool isWholePdf(std::string_view pdf);

}  // namespace platform::jet

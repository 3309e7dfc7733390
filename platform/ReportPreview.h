#pragma once

#include <string>

namespace platform {

// Shows one report of a database as it would print, in a window of its own beside the pages: on Linux
// the pages our renderer draws, on Windows Access's own print preview. It returns once the preview is
// on its way; the preview reports its own failures in its window, and nothing it does changes the
// report list or the stored settings. Several may be open at once.
class ReportPreview {
  public:
    virtual ~ReportPreview() = default;
    virtual void preview(const std::string& database, const std::string& password,
                         const std::string& report) = 0;
};

}  // namespace platform

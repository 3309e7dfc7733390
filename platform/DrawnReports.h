#pragma once

#include <optional>
#include <string>

namespace platform {

// Where the program draws the reports itself rather than having Access print them, the PDF file of each
// says whether it is all that Access would print. Absent where Access prints.
class DrawnReports {
  public:
    virtual ~DrawnReports() = default;
    // What the report's PDF file at the path left out (charts, rows that could not be read, ...);
    // nothing when it is drawn as designed.
    virtual std::optional<std::string> approximationNote(const std::string& path) = 0;
};

}  // namespace platform

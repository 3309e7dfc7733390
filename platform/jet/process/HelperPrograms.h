#pragma once

#include <string>
#include <string_view>

namespace platform::jet {

// The helper programs that do the risky or heavy work out of the program's own process.
inline constexpr char kReaderProgram[] = "calvenor-jet";      // reads database files with libmdb
inline constexpr char kRendererProgram[] = "calvenor-print";  // renders print jobs as PDF

// The folder of the running program (from /proc/self/exe); empty when it cannot be found.
std::string runningProgramFolder();

// The helper's full path: in the given folder, or beside the running program when the folder is empty.
std::string helperProgramPath(std::string_view helperFolder, std::string_view name);

}  // namespace platform::jet

#pragma once

#include <chrono>
#include <string>

namespace platform::jet {

struct EngineOptions {
    // Where the helper programs are; empty: beside the running program.
    std::string helperFolder;
    // How long a helper may take for one database file or one print job before it is stopped.
    std::chrono::milliseconds timeLimit{10000};
};

}  // namespace platform::jet

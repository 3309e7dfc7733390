#pragma once

#include <string>

namespace platform::jet::design {

// One Visual Basic module of a database: a standard module ("modRpt"), or a form's, report's or class's
// ("Report_Sales by Year"). The source is UTF-8 with its lines as stored (CR LF), Attribute lines and all.
struct CodeModule {
    std::string name;
    bool standard = true;
    std::string source;
};

}  // namespace platform::jet::design

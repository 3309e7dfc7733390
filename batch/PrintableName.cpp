#include "batch/PrintableName.h"

namespace calvenor::batch {

std::string printableName(std::string_view name) {
    std::string line;
    line.reserve(name.size());
    for (const char c : name) {
        switch (c) {
            case '\\':
                line += "\\\\";
                break;
            case '\t':
                line += "\\t";
                break;
            case '\r':
                line += "\\r";
                break;
            case '\n':
                line += "\\n";
                break;
            default:
                line += c;
        }
    }
    return line;
}

}  // namespace calvenor::batch

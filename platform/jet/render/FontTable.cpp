#include "platform/jet/render/FontTable.h"

#include <array>
#include <utility>

#include "platform/jet/query/AsciiCase.h"

namespace platform::jet::render {

std::string substituteFamily(std::string_view accessFont) {
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 11> kFamilies{{
        {"arial", "Liberation Sans"},
        {"arial narrow", "Liberation Sans Narrow"},
        {"helvetica", "Liberation Sans"},
        {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"},
        {"ms serif", "Liberation Serif"},
        {"courier new", "Liberation Mono"},
        {"courier", "Liberation Mono"},
        {"lucida console", "Liberation Mono"},
        {"calibri", "Carlito"},
        {"cambria", "Caladea"},
    }};
    const std::string wanted = query::lowerAscii(accessFont);
    for (const auto& [access, debian] : kFamilies)
        if (wanted == access) return std::string(debian);
    return "Liberation Sans";  // MS Sans Serif, Tahoma, Verdana and the rest
}

}  // namespace platform::jet::render

#include "platform/jet/render/FontTable.h"

#include <array>

#include "base/AsciiCase.h"

namespace platform::jet::render {
namespace {

struct Family {
    std::string_view access, debian;
    bool sameWidths;
};

constexpr std::array<Family, 15> kFamilies{{
    {"arial", "Liberation Sans", true},
    {"arial narrow", "Liberation Sans Narrow", true},
    {"helvetica", "Liberation Sans", true},
    {"times new roman", "Liberation Serif", true},
    {"times", "Liberation Serif", true},
    {"ms serif", "Liberation Serif", false},
    {"courier new", "Liberation Mono", true},
    {"courier", "Liberation Mono", true},
    {"lucida console", "Liberation Mono", false},
    {"calibri", "Carlito", true},
    {"cambria", "Caladea", true},
    // The wide humanist faces, and the condensed display faces, which would overflow their labels in
    // a face of normal width.
    {"verdana", "DejaVu Sans", false},
    {"tahoma", "DejaVu Sans Condensed", false},
    {"haettenschweiler", "Liberation Sans Narrow", false},
    {"impact", "Liberation Sans Narrow", false},
}};

}  // namespace

FontStandIn fontStandIn(std::string_view accessFont) {
    const std::string wanted = base::lowerAscii(accessFont);
    for (const auto& family : kFamilies)
        if (wanted == family.access) return {std::string(family.debian), family.sameWidths};
    return {"Liberation Sans", false};  // MS Sans Serif, Segoe UI and the rest
}

}  // namespace platform::jet::render

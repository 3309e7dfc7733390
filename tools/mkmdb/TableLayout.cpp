#include "TableLayout.h"

namespace mkmdb {

bool isFixedSize(jet4::JetType type) {
    using jet4::JetType;
    switch (type) {
        case JetType::Text:
        case JetType::Binary:
        case JetType::Memo:
        case JetType::Ole:
            return false;
        default:
            return true;
    }
}

TableLayout layOutColumns(const std::vector<ColumnDeclaration>& declarations) {
    TableLayout layout;
    std::uint16_t fixedOffset = 0;
    for (const auto& declaration : declarations) {
        ColumnLayout column{.declaration = declaration,
                            .number = static_cast<std::uint16_t>(layout.columns.size())};
        column.fixed = isFixedSize(declaration.type) && !declaration.variable;
        if (!column.fixed) {
            column.varIndex = layout.varColumnCount++;
        } else {
            column.varIndex = layout.varColumnCount;
            if (declaration.type != jet4::JetType::Bool) {
                column.fixedOffset = fixedOffset;
                fixedOffset = static_cast<std::uint16_t>(fixedOffset + declaration.length);
            }
        }
        layout.columns.push_back(column);
    }
    return layout;
}

}  // namespace mkmdb

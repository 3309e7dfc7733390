#include "TableDefinition.h"

#include "Bytes.h"
#include "Model.h"
#include "Utf16.h"

namespace mkmdb {
namespace {

constexpr std::uint8_t kUserTable = 0x4E;
constexpr std::uint8_t kSystemTable = 0x53;
constexpr std::uint8_t kFixedColumnFlag = 0x01;
constexpr std::uint8_t kNullableColumnFlag = 0x02;
constexpr std::size_t kHeaderSize = 8;

void appendColumnDescriptor(Bytes& to, const ColumnLayout& column) {
    to.push_back(static_cast<std::uint8_t>(column.declaration.type));
    appendU32(to, jet4::kDefinitionTag);
    appendU16(to, column.number);
    appendU16(to, column.varIndex);
    appendU16(to, column.number);
    if (column.declaration.type == jet4::JetType::Numeric)
        to.insert(to.end(), {column.declaration.precision, column.declaration.scale});
    else
        appendU16(to, jet4::kGeneralSortOrder);
    appendU16(to, 0);  // sort order version
    to.push_back(static_cast<std::uint8_t>((column.fixed ? kFixedColumnFlag : 0) | kNullableColumnFlag));
    to.push_back(0);  // text is stored uncompressed
    appendU32(to, 0);
    appendU16(to, column.fixedOffset);
    appendU16(to, column.declaration.length);
}

}  // namespace

void writeTableDefinition(std::span<std::uint8_t> page, const TableDefinition& definition) {
    const auto& columns = definition.layout->columns;
    Bytes block;
    appendU32(block, 0);  // length of the definition, set below
    appendU32(block, jet4::kDefinitionTag);
    appendU32(block, definition.rowCount);
    appendU32(block, 0);  // next autonumber value
    appendU32(block, 1);  // autonumber flag
    appendU32(block, 0);  // next complex-column autonumber
    appendU32(block, 0);
    appendU32(block, 0);
    block.push_back(definition.system ? kSystemTable : kUserTable);
    appendU16(block, static_cast<std::uint16_t>(columns.size()));  // most columns a row has
    appendU16(block, definition.layout->varColumnCount);
    appendU16(block, static_cast<std::uint16_t>(columns.size()));
    appendU32(block, 0);  // logical indexes
    appendU32(block, 0);  // index entries
    appendU32(block, definition.usedPagesMap);
    appendU32(block, definition.freePagesMap);
    for (const auto& column : columns) appendColumnDescriptor(block, column);
    for (const auto& column : columns) {
        const auto name = toUtf16(column.declaration.name, "a column name");
        appendU16(block, static_cast<std::uint16_t>(name.size() * 2));
        appendUtf16Le(block, name);
    }
    appendU16(block, 0xFFFF);  // no long-value column maps

    const std::size_t length = kHeaderSize + block.size();
    if (length > page.size())
        throw Error("table \"" + std::string(definition.name) +
                    "\" has too many columns for one definition page");
    putU32(block, 0, static_cast<std::uint32_t>(length));

    page[0] = jet4::kTableDefinitionPage;
    page[1] = 0x01;
    putU16(page, 2, static_cast<std::uint16_t>(page.size() - length - kHeaderSize));
    putU32(page, 4, 0);  // no continuation page
    std::copy(block.begin(), block.end(), page.begin() + kHeaderSize);
}

}  // namespace mkmdb

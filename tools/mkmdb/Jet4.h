#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/jet/file/JetFormat.h"

// Layout constants of the Jet 4 file format (Access 2000-2003 .mdb files) that only the writer needs; the
// facts the reader shares are in platform/jet/file/JetFormat.h, and named here as the writer uses them.
namespace mkmdb::jet4 {

inline constexpr std::size_t kPageSize = platform::jet::page::kJet4Layout.pageSize;

inline constexpr std::uint8_t kDataPage = platform::jet::page::kData;
inline constexpr std::uint8_t kTableDefinitionPage = platform::jet::page::kTableDefinition;
inline constexpr std::uint8_t kUsageBitmapPage = platform::jet::page::kUsageBitmap;

// Data pages: type, 0x01, free space (2), owning table's definition page (4), unknown (4), row count
// (2), then one 2-byte offset per row; rows fill the page from its end.
inline constexpr std::size_t kDataRowCountOffset = platform::jet::page::kJet4Layout.rowCountOffset;
inline constexpr std::size_t kDataPageHeaderSize = kDataRowCountOffset + 2;
inline constexpr std::uint16_t kRowDeletedByAccess = platform::jet::page::kRowDeletedByAccess;
// Row numbers in page/row references are one byte.
inline constexpr int kMaxRowsPerPage = 255;
inline constexpr std::size_t kMaxRowSize = kPageSize - kDataPageHeaderSize - 2;

// A page/row reference: page number in the upper three bytes, row number in the lowest.
inline constexpr std::uint32_t pageRow(std::uint32_t page, int row) {
    return (page << 8) | static_cast<std::uint32_t>(row);
}
inline constexpr std::uint32_t kMaxPageNumber = 0xFFFFFF;

// Column types as the table definition stores them.
enum class JetType : std::uint8_t {
    Bool = 0x01,
    Byte = 0x02,
    Integer = 0x03,
    Long = 0x04,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0A,
    Ole = 0x0B,
    Memo = 0x0C,
    Numeric = 0x10,  // Decimal
    // Fixed 3,992 bytes of binary data; only MSysAccessObjects has such a column.
    StorageChunk = 0x11,
};

// An unexplained 32-bit value Access repeats in the table definition header and in every column
// descriptor of the files it writes; we store the same.
inline constexpr std::uint32_t kDefinitionTag = 0x0659;
// "General" sort order (1033), the collation of Access 2000-2007.
inline constexpr std::uint16_t kGeneralSortOrder = 0x0409;
inline constexpr std::uint16_t kCodePage1252 = 0x04E4;

}  // namespace mkmdb::jet4

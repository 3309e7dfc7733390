#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "platform/jet/tables/PageFile.h"

namespace platform::jet::helper {

// A row's place: its data page and its number in that page's row table.
struct RowPlace {
    std::uint32_t page = 0;
    std::uint16_t row = 0;
    auto operator<=>(const RowPlace&) const = default;
};

// The rows of one table as its pages hold them, found by our own bounds-checked reading before libmdb
// reads the table. libmdb passes over what it cannot read without a word (a page cut off, a row
// outside its page) and delivers rows that were deleted; this tells which rows it must deliver.
class TableRows {
  public:
    // Reads the structure of the table defined on the page. Empty when it is damaged: a definition or
    // data page outside the file or of another kind or table, a usage map naming a page outside the
    // file, a row reaching outside its page, or moved data that cannot be found. More than maxRows
    // row places is damage too. Each page is read once. (The row count in the definition is not
    // compared: Access does not always keep it exact.)
    static std::optional<TableRows> read(const PageFile& file, std::uint32_t definitionPage,
                                         std::size_t maxRows);

    enum class Verdict { Keep, Drop, Damaged };
    // What to make of the row libmdb read at the place: keep a row of the table met for the first
    // time, drop a deleted one; anything else is damage.
    Verdict take(RowPlace place);
    // Whether every row of the table has been kept.
    bool complete() const { return kept_ == expected_; }

    // DeletedOrMovedData: marked deleted alone, as both a deleted row and a moved row's data are.
    enum class State : std::uint8_t { Expected, Kept, Deleted, DeletedOrMovedData, MovedAway };
    struct Slot {
        RowPlace place;
        State state;
    };

  private:
    TableRows(std::vector<Slot> slots, std::size_t expected)
        : slots_(std::move(slots)), expected_(expected) {}

    std::vector<Slot> slots_;  // ordered by place
    std::size_t expected_;
    std::size_t kept_ = 0;

    friend class TableStructureReader;
};

// What a table's definition says of one column beyond what libmdb tells (Jet 4 and later files).
struct ColumnFacts {
    std::uint16_t number = 0;  // libmdb's col_num
    std::uint8_t extraFlags = 0;
    // A multi-value, attachment or version history column's key in MSysComplexColumns.
    std::uint32_t complexId = 0;

    // A Decimal's scale: the second of the bytes the key takes in other columns, after its precision
    // (libmdb's col_scale names the precision).
    int decimalScale() const { return static_cast<int>((complexId >> 8) & 0xFF); }

    // Access 2010's calculated columns keep each value behind a header of their own.
    bool calculated() const { return (extraFlags & 0xC0) != 0; }
};

// The columns the table's definition (with its continuation pages) describes; empty when it is damaged,
// and no columns at all for a Jet 3 file, whose columns hold nothing libmdb does not read.
std::optional<std::vector<ColumnFacts>> readColumnFacts(const PageFile& file, std::uint32_t definitionPage);

// Whether the tables the catalogue names lie inside the file: a file cut short loses the pages at its
// end, which need not be the catalogue's. Reads each table's definition and usage map, not its data.
class TableBounds {
  public:
    explicit TableBounds(const PageFile& file) : file_(file) {}
    // False when the table's definition is not a definition page inside the file, or its usage map is
    // malformed or names a page outside the file.
    bool liesInsideFile(std::uint32_t definitionPage);

  private:
    const PageFile& file_;
    std::map<std::uint32_t, PageFile::Page> mapPages_;  // tables share the pages of their usage maps
};

}  // namespace platform::jet::helper

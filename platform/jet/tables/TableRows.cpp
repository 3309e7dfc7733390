#include "platform/jet/tables/TableRows.h"

#include <algorithm>
#include <map>
#include <set>
#include <span>

#include "base/LittleEndian.h"

namespace platform::jet::helper {
namespace {

using Page = PageFile::Page;
using Bytes = std::span<const std::uint8_t>;

// One entry of a data page's row table: the row's flags and the bytes it spans.
struct RowEntry {
    std::uint16_t flags;
    std::size_t start, end;
};

// The page's row table; empty when the table or a row reaches outside the page or rows overlap.
std::optional<std::vector<RowEntry>> rowTable(const Page& page, const page::Layout& layout) {
    const std::size_t count = base::getU16(page, layout.rowCountOffset);
    const std::size_t tableEnd = layout.rowCountOffset + 2 + 2 * count;
    if (tableEnd > page.size()) return std::nullopt;
    std::vector<RowEntry> rows;
    rows.reserve(count);
    std::size_t end = page.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint16_t offset = base::getU16(page, layout.rowCountOffset + 2 + 2 * i);
        const std::size_t start = offset & page::kRowOffsetMask;
        if (start < tableEnd || start > end) return std::nullopt;
        rows.push_back({static_cast<std::uint16_t>(offset & ~page::kRowOffsetMask), start, end});
        end = start;
    }
    return rows;
}

// The definition page of a table; empty when it is outside the file, of another kind, or goes on over
// further pages that leave the file or come back on themselves.
std::optional<Page> readDefinition(const PageFile& file, std::uint32_t number) {
    auto definition = file.read(number);
    if (!definition || (*definition)[0] != page::kTableDefinition) return std::nullopt;
    std::set<std::uint32_t> seen{number};
    for (std::uint32_t next = base::getU32(*definition, page::kContinuationOffset); next != 0;) {
        auto continuation = file.read(next);
        if (!continuation || (*continuation)[0] != page::kTableDefinition || !seen.insert(next).second)
            return std::nullopt;
        next = base::getU32(*continuation, page::kContinuationOffset);
    }
    return definition;
}

// The definition's bytes as one run: continuation pages add theirs after their own header. A few pages
// hold any table Access makes (255 columns and their indexes); a longer chain is damage.
std::optional<std::vector<std::uint8_t>> definitionBytes(const PageFile& file, std::uint32_t number) {
    constexpr std::size_t kContinuationHeader = 8, kMaxPages = 64;
    auto definition = readDefinition(file, number);  // checks the chain
    if (!definition) return std::nullopt;
    std::vector<std::uint8_t> bytes = std::move(*definition);
    std::size_t pages = 1;
    for (std::uint32_t next = base::getU32(bytes, page::kContinuationOffset); next != 0;) {
        auto continuation = file.read(next);
        if (!continuation || ++pages > kMaxPages) return std::nullopt;
        bytes.insert(bytes.end(), continuation->begin() + kContinuationHeader, continuation->end());
        next = base::getU32(*continuation, page::kContinuationOffset);
    }
    return bytes;
}

// The bytes of the usage-map row the definition names on its map page (already read); empty when the
// page is no data page or the row is not inside it.
std::optional<Bytes> usageMapRow(const Page& mapPage, const page::Layout& layout, std::uint32_t reference) {
    if (mapPage[0] != page::kData) return std::nullopt;
    const auto rows = rowTable(mapPage, layout);
    if (!rows || page::rowOf(reference) >= rows->size()) return std::nullopt;
    const RowEntry& row = (*rows)[page::rowOf(reference)];
    return Bytes(mapPage).subspan(row.start, row.end - row.start);
}

// Calls visit(page) for each page a usage map names, in ascending order, as libmdb walks them. False
// when the map is malformed, names a page outside the file, or visit answers false. Bitmap pages are
// read once each.
template <typename Visit>
bool forEachMappedPage(const PageFile& file, Bytes map, Visit visit) {
    const auto visitMarked = [&](std::uint64_t firstPage, Bytes bitmap) {
        for (std::size_t byte = 0; byte < bitmap.size(); ++byte) {
            if (bitmap[byte] == 0) continue;
            for (int bit = 0; bit < 8; ++bit) {
                if (!(bitmap[byte] & (1 << bit))) continue;
                const std::uint64_t number = firstPage + 8 * byte + static_cast<std::size_t>(bit);
                if (number >= file.pageCount() || !visit(static_cast<std::uint32_t>(number))) return false;
            }
        }
        return true;
    };
    if (map.empty()) return false;
    if (map[0] == page::kInlineMap) return map.size() >= 5 && visitMarked(base::getU32(map, 1), map.subspan(5));
    if (map[0] != page::kBitmapPagesMap) return false;
    std::set<std::uint32_t> bitmapPages;
    for (std::size_t entry = 0; 1 + 4 * entry + 4 <= map.size(); ++entry) {
        const std::uint32_t number = base::getU32(map, 1 + 4 * entry);
        if (number == 0) continue;
        auto bitmap = file.read(number);
        if (!bitmap || (*bitmap)[0] != page::kUsageBitmap || !bitmapPages.insert(number).second ||
            !visitMarked(entry * file.layout().pagesPerBitmapPage(),
                         Bytes(*bitmap).subspan(page::kBitmapPageHeader)))
            return false;
    }
    return true;
}

bool precedes(const TableRows::Slot& slot, const RowPlace& place) {
    return slot.place < place;
}

}  // namespace

// Reads one table's pages in the order libmdb will: its definition, its usage map, then each data page
// the map names.
class TableStructureReader {
  public:
    TableStructureReader(const PageFile& file, std::uint32_t definitionPage, std::size_t maxRows)
        : file_(file), definitionPage_(definitionPage), maxRows_(maxRows) {}

    std::optional<TableRows> read() {
        auto definition = readDefinition(file_, definitionPage_);
        if (!definition) return std::nullopt;
        const std::uint32_t mapReference = base::getU32(*definition, file_.layout().usageMapOffset);
        auto mapPage = file_.read(page::pageOf(mapReference));
        if (!mapPage) return std::nullopt;
        auto map = usageMapRow(*mapPage, file_.layout(), mapReference);
        if (!map ||
            !forEachMappedPage(file_, *map, [this](std::uint32_t number) { return readDataPage(number); }) ||
            !resolveMovedRows())
            return std::nullopt;
        const auto expected =
            static_cast<std::size_t>(std::count_if(slots_.begin(), slots_.end(), [](const auto& slot) {
                return slot.state == TableRows::State::Expected;
            }));
        return TableRows(std::move(slots_), expected);
    }

  private:
    bool readDataPage(std::uint32_t number) {
        auto page = file_.read(number);
        if (!page || (*page)[0] != page::kData || base::getU32(*page, page::kOwnerOffset) != definitionPage_)
            return false;
        auto rows = rowTable(*page, file_.layout());
        if (!rows || slots_.size() + rows->size() > maxRows_) return false;
        for (std::size_t i = 0; i < rows->size(); ++i) {
            const RowEntry& row = (*rows)[i];
            const RowPlace place{number, static_cast<std::uint16_t>(i)};
            switch (row.flags) {
                case 0:
                    if (row.start == row.end) return false;  // libmdb would pass over it
                    slots_.push_back({place, TableRows::State::Expected});
                    break;
                case page::kOverflowRow:
                    if (row.end - row.start < 4) return false;
                    moves_.push_back(base::getU32(*page, row.start));
                    slots_.push_back({place, TableRows::State::MovedAway});
                    break;
                case page::kDeletedRow:
                    slots_.push_back({place, TableRows::State::DeletedOrMovedData});
                    break;
                case page::kRowDeletedByAccess:
                    slots_.push_back({place, TableRows::State::Deleted});
                    break;
                default:
                    return false;
            }
        }
        return true;
    }

    // A moved row's data must be on one of the table's pages, marked deleted, and claimed only once.
    bool resolveMovedRows() {
        for (const std::uint32_t reference : moves_) {
            const RowPlace target{page::pageOf(reference), page::rowOf(reference)};
            auto found = std::lower_bound(slots_.begin(), slots_.end(), target, precedes);
            // The first claim makes it an expected row; a second one finds it so.
            if (found == slots_.end() || found->place != target ||
                found->state != TableRows::State::DeletedOrMovedData)
                return false;
            found->state = TableRows::State::Expected;
        }
        return true;
    }

    const PageFile& file_;
    std::uint32_t definitionPage_;
    std::size_t maxRows_;
    std::vector<TableRows::Slot> slots_;  // pages are read in ascending order: ordered by place
    std::vector<std::uint32_t> moves_;    // where moved rows went
};

std::optional<TableRows> TableRows::read(const PageFile& file, std::uint32_t definitionPage,
                                         std::size_t maxRows) {
    return TableStructureReader(file, definitionPage, maxRows).read();
}

TableRows::Verdict TableRows::take(RowPlace place) {
    auto found = std::lower_bound(slots_.begin(), slots_.end(), place, precedes);
    if (found == slots_.end() || found->place != place) return Verdict::Damaged;
    switch (found->state) {
        case State::Expected:
            found->state = State::Kept;
            ++kept_;
            return Verdict::Keep;
        case State::Deleted:
        case State::DeletedOrMovedData:
            return Verdict::Drop;
        case State::Kept:
        case State::MovedAway:
            break;
    }
    return Verdict::Damaged;
}

std::optional<std::vector<ColumnFacts>> readColumnFacts(const PageFile& file, std::uint32_t definitionPage) {
    if (file.layout().pageSize != page::kJet4Layout.pageSize) return std::vector<ColumnFacts>{};
    // Jet 4's definition: the column count, the count of real indexes, then 12 bytes per real index and
    // 25 per column.
    constexpr std::size_t kColumnCount = 0x2D, kRealIndexCount = 0x33, kIndexesStart = 0x3F;
    constexpr std::size_t kIndexEntry = 12, kColumnEntry = 25;
    const auto bytes = definitionBytes(file, definitionPage);
    if (!bytes || bytes->size() < kIndexesStart) return std::nullopt;
    const std::size_t columns = base::getU16(*bytes, kColumnCount);
    const std::uint64_t start = kIndexesStart + std::uint64_t{base::getU32(*bytes, kRealIndexCount)} * kIndexEntry;
    if (start + columns * kColumnEntry > bytes->size()) return std::nullopt;
    std::vector<ColumnFacts> facts;
    for (std::size_t i = 0; i < columns; ++i) {
        const auto entry =
            std::span<const std::uint8_t>(*bytes).subspan(start + i * kColumnEntry, kColumnEntry);
        // The column's number, its extra flags and (in the bytes a number's precision and scale take) the
        // key of a complex column.
        facts.push_back({base::getU16(entry, 5), entry[16], base::getU32(entry, 11)});
    }
    return facts;
}

bool TableBounds::liesInsideFile(std::uint32_t definitionPage) {
    auto definition = readDefinition(file_, definitionPage);
    if (!definition) return false;
    const std::uint32_t mapReference = base::getU32(*definition, file_.layout().usageMapOffset);
    auto mapPage = mapPages_.find(page::pageOf(mapReference));
    if (mapPage == mapPages_.end()) {
        auto page = file_.read(page::pageOf(mapReference));
        if (!page) return false;
        mapPage = mapPages_.emplace(page::pageOf(mapReference), std::move(*page)).first;
    }
    auto map = usageMapRow(mapPage->second, file_.layout(), mapReference);
    return map && forEachMappedPage(file_, *map, [](std::uint32_t) { return true; });
}

}  // namespace platform::jet::helper

#include "platform/jet/tables/CheckedTable.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "base/LittleEndian.h"

namespace platform::jet::helper {
namespace {

// The bytes of the row at the place: from its offset up to the previous row's start (or the page's end).
std::optional<std::pair<std::size_t, std::size_t>> rowBounds(const PageFile::Page& page,
                                                             const page::Layout& layout, std::uint16_t row) {
    const std::size_t count = base::getU16(page, layout.rowCountOffset);
    if (row >= count || layout.rowCountOffset + 2 + 2 * count > page.size()) return std::nullopt;
    const auto offsetOf = [&](std::size_t i) {
        return static_cast<std::size_t>(base::getU16(page, layout.rowCountOffset + 2 + 2 * i) &
                                        page::kRowOffsetMask);
    };
    const std::size_t start = offsetOf(row);
    const std::size_t end = row == 0 ? page.size() : offsetOf(row - 1u);
    if (start >= end || end > page.size()) return std::nullopt;
    return std::make_pair(start, end);
}

}  // namespace

std::unique_ptr<CheckedTable> CheckedTable::open(MdbHandle* mdb, const PageFile& file,
                                                 const std::string& name, std::uint32_t definitionPage,
                                                 std::size_t maxRows) {
    auto rows = TableRows::read(file, definitionPage, maxRows);
    auto facts = readColumnFacts(file, definitionPage);
    if (!rows || !facts) return nullptr;
    auto table = std::make_unique<CheckedTable>(Key{}, mdb, file,
                                                std::move(*rows));  // stays put: libmdb keeps &entry_
    std::strncpy(table->entry_.object_name, name.c_str(), MDB_MAX_OBJ_NAME);
    table->facts_ = std::move(*facts);
    table->entry_.object_type = MDB_TABLE;
    table->entry_.table_pg = definitionPage;
    table->table_.reset(mdb_read_table(&table->entry_));
    if (!table->table_ || !mdb_read_columns(table->table_.get())) return nullptr;
    mdb_rewind_table(table->table_.get());
    return table;
}

MdbColumn* CheckedTable::column(const std::string& name) const {
    for (unsigned i = 0; i < table_->num_cols; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table_->columns, i));
        if (g_ascii_strcasecmp(column->name, name.c_str()) == 0) return column;
    }
    return nullptr;
}

bool CheckedTable::bind(const std::string& name) {
    Binding& binding = bindings_[name];
    binding.buffer.assign(entry_.mdb->bind_size + 1, '\0');
    return mdb_bind_column_by_name(table_.get(), const_cast<gchar*>(name.c_str()), binding.buffer.data(),
                                   &binding.length) >= 0;
}

std::string CheckedTable::text(const std::string& name) const {
    const auto found = bindings_.find(name);
    if (found == bindings_.end() || found->second.length <= 0) return {};
    const auto& buffer = found->second.buffer;
    return std::string(buffer.data(),
                       strnlen(buffer.data(), std::min<std::size_t>(found->second.length, buffer.size())));
}

std::vector<std::uint8_t> CheckedTable::longValue(const std::string& name) const {
    MdbColumn* found = column(name);
    const auto binding = bindings_.find(name);
    if (!found || binding == bindings_.end() || binding->second.length <= 0) return {};
    std::size_t size = 0;
    void* value = mdb_ole_read_full(entry_.mdb, found, &size);
    if (!value) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::uint8_t*>(value),
                                    static_cast<std::uint8_t*>(value) + size);
    g_free(value);
    return bytes;
}

std::optional<std::vector<std::uint8_t>> CheckedTable::rawValue(const std::string& name) const {
    const MdbColumn* found = column(name);
    if (!found || file_.layout().pageSize != page::kJet4Layout.pageSize) return std::nullopt;
    const auto page = file_.read(place_.page);
    if (!page) return std::nullopt;
    const auto bounds = rowBounds(*page, file_.layout(), place_.row);
    if (!bounds) return std::nullopt;
    const std::span<const std::uint8_t> row(page->data() + bounds->first, bounds->second - bounds->first);
    // A row: its column count, the fixed columns, the variable ones, their offsets from the end backwards,
    // their count, and a null mask (a set bit: the column has a value).
    if (row.size() < 2) return std::nullopt;
    const std::size_t columns = base::getU16(row, 0);
    const std::size_t maskSize = (columns + 7) / 8;
    if (static_cast<std::size_t>(found->col_num) >= columns || row.size() < 2 + maskSize + 2)
        return std::nullopt;
    const std::size_t maskAt = row.size() - maskSize;
    if (!(row[maskAt + found->col_num / 8] & (1u << (found->col_num % 8))))
        return std::vector<std::uint8_t>{};
    std::size_t start = 0, end = 0;
    if (found->is_fixed) {
        start = 2 + static_cast<std::size_t>(found->fixed_offset);
        end = start + static_cast<std::size_t>(found->col_size);
    } else {
        const std::size_t variable = base::getU16(row, maskAt - 2);
        if (found->var_col_num >= variable || maskAt < 2 + 2 * (variable + 1) + 2) return std::nullopt;
        const auto offset = [&](std::size_t i) {
            return static_cast<std::size_t>(base::getU16(row, maskAt - 4 - 2 * i));
        };
        start = offset(found->var_col_num);
        end = offset(found->var_col_num + 1);
    }
    if (start > end || end > maskAt) return std::nullopt;
    return std::vector<std::uint8_t>(row.begin() + static_cast<std::ptrdiff_t>(start),
                                     row.begin() + static_cast<std::ptrdiff_t>(end));
}

const ColumnFacts* CheckedTable::facts(const MdbColumn& column) const {
    for (const ColumnFacts& facts : facts_)
        if (facts.number == column.col_num) return &facts;
    return nullptr;
}

std::optional<std::vector<std::uint8_t>> CheckedTable::longValueBytes(std::span<const std::uint8_t> reference,
                                                                      std::size_t maxBytes) const {
    // The reference: the length with its kind in the top two bits, then where the data lies.
    constexpr std::size_t kReferenceSize = 12;
    constexpr std::uint32_t kInline = 0x80000000, kSinglePage = 0x40000000;
    if (reference.size() < kReferenceSize) return std::nullopt;
    const std::uint32_t word = base::getU32(reference, 0);
    const std::size_t length = word & ~(kInline | kSinglePage);
    const std::uint32_t kind = word & (kInline | kSinglePage);
    if (length > maxBytes) return std::nullopt;
    if (kind == kInline) {
        if (reference.size() < kReferenceSize + length) return std::nullopt;
        return std::vector<std::uint8_t>(
            reference.begin() + kReferenceSize,
            reference.begin() + static_cast<std::ptrdiff_t>(kReferenceSize + length));
    }
    if (kind != kSinglePage && kind != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    std::set<std::uint32_t> seen;
    // Each link of a chain starts with the reference of the next one.
    for (std::uint32_t at = base::getU32(reference, 4); bytes.size() < length;) {
        if (!seen.insert(at).second) return std::nullopt;
        const auto page = file_.read(page::pageOf(at));
        if (!page || (*page)[0] != page::kData) return std::nullopt;
        const auto bounds = rowBounds(*page, file_.layout(), page::rowOf(at));
        if (!bounds) return std::nullopt;
        std::size_t start = bounds->first;
        if (kind == 0) {
            if (bounds->second - start < 4) return std::nullopt;
            at = base::getU32(*page, start);
            start += 4;
        }
        const std::size_t take = std::min(bounds->second - start, length - bytes.size());
        if (take == 0) return std::nullopt;  // a link holding nothing would only lengthen the chain
        bytes.insert(bytes.end(), page->begin() + static_cast<std::ptrdiff_t>(start),
                     page->begin() + static_cast<std::ptrdiff_t>(start + take));
        if (kind == kSinglePage || (bytes.size() < length && at == 0)) break;
    }
    if (bytes.size() != length) return std::nullopt;
    return bytes;
}

bool CheckedTable::forEachRow(const std::function<void()>& row) {
    while (mdb_fetch_row(table_.get())) {
        place_ = {table_->cur_phys_pg, static_cast<std::uint16_t>(table_->cur_row - 1)};
        switch (rows_.take(place_)) {
            case TableRows::Verdict::Keep:
                row();
                break;
            case TableRows::Verdict::Drop:
                break;
            case TableRows::Verdict::Damaged:
                return false;
        }
    }
    return rows_.complete();
}

}  // namespace platform::jet::helper

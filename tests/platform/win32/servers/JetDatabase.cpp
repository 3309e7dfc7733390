#include "tests/platform/win32/servers/JetDatabase.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"
#include "platform/win32/WideText.h"

namespace calvenor::stand_in {

namespace {

namespace jet = platform::jet;
namespace header = platform::jet::header;
namespace page = platform::jet::page;

constexpr page::Layout kLayout = page::kJet4Layout;
constexpr std::size_t kPageHeader = 8;  // a definition page's type, free space and continuation

// The Jet 4 definition page: counts of columns and indexes, then 12 bytes per index, 25 per column.
constexpr std::size_t kColumnCountOffset = 45;
constexpr std::size_t kIndexCountOffset = 51;
constexpr std::size_t kIndexesOffset = 63;
constexpr std::size_t kIndexSize = 12;
constexpr std::size_t kColumnSize = 25;
constexpr std::uint8_t kFixedColumnFlag = 0x01;
// Text Access stored compressed starts with these bytes; then each 0 byte switches between one byte
// per character and two.
constexpr std::array<std::uint8_t, 2> kCompressedText{0xFF, 0xFE};

using Bytes = std::span<const std::uint8_t>;

// Thrown where the file does not hold what a readable Jet 4 file holds there.
struct Unreadable {};

Bytes slice(Bytes bytes, std::size_t at, std::size_t length) {
    if (at > bytes.size() || length > bytes.size() - at) throw Unreadable{};
    return bytes.subspan(at, length);
}

std::uint16_t u16(Bytes bytes, std::size_t at) {
    return base::getU16(slice(bytes, at, 2), 0);
}

std::uint32_t u32(Bytes bytes, std::size_t at) {
    return base::getU32(slice(bytes, at, 4), 0);
}

std::wstring utf16(Bytes bytes) {
    std::wstring text;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2)
        text += static_cast<wchar_t>(base::getU16(bytes, at));
    return text;
}

std::wstring textValue(Bytes bytes) {
    if (bytes.size() < kCompressedText.size() ||
        !std::equal(kCompressedText.begin(), kCompressedText.end(), bytes.begin()))
        return utf16(bytes);
    std::wstring text;
    bool compressed = true;
    for (std::size_t at = 2; at < bytes.size();) {
        if (bytes[at] == 0) {
            compressed = !compressed;
            ++at;
        } else if (compressed) {
            text += static_cast<wchar_t>(bytes[at++]);
        } else {
            text += static_cast<wchar_t>(u16(bytes, at));
            at += 2;
        }
    }
    return text;
}

struct Column {
    std::wstring name;
    std::uint16_t number = 0;
    std::uint16_t varIndex = 0;
    bool fixed = false;
    std::uint16_t fixedOffset = 0;
    std::uint16_t length = 0;
};

class File {
  public:
    explicit File(Bytes bytes) : bytes_(bytes) {}

    std::size_t pageCount() const { return bytes_.size() / kLayout.pageSize; }
    Bytes pageAt(std::uint32_t number) const {
        return slice(bytes_, std::size_t{number} * kLayout.pageSize, kLayout.pageSize);
    }

    // A definition with its continuation pages, each after its page header.
    std::vector<std::uint8_t> definition(std::uint32_t number) const {
        std::vector<std::uint8_t> joined;
        for (std::size_t pages = 0; number != 0; ++pages) {
            const Bytes definitionPage = pageAt(number);
            if (definitionPage[0] != page::kTableDefinition || pages == pageCount()) throw Unreadable{};
            const Bytes content = definitionPage.subspan(joined.empty() ? 0 : kPageHeader);
            joined.insert(joined.end(), content.begin(), content.end());
            number = u32(definitionPage, page::kContinuationOffset);
        }
        return joined;
    }

    // The row `row` of data page `number`, or nothing for a deleted one; a row that moved is followed.
    std::optional<Bytes> row(std::uint32_t number, std::size_t row, bool followed = false) const {
        const Bytes data = pageAt(number);
        if (data[0] != page::kData || row >= u16(data, kLayout.rowCountOffset)) throw Unreadable{};
        const auto offsetOf = [&](std::size_t index) {
            return u16(data, kLayout.rowCountOffset + 2 + 2 * index);
        };
        const std::uint16_t offset = offsetOf(row);
        const std::size_t start = offset & page::kRowOffsetMask;
        const std::size_t end = row == 0 ? data.size() : offsetOf(row - 1) & page::kRowOffsetMask;
        if (start > end) throw Unreadable{};
        const Bytes bytes = slice(data, start, end - start);
        if (followed) return bytes;  // moved data is marked deleted
        if (offset & page::kDeletedRow) return std::nullopt;
        if (offset & page::kOverflowRow) {
            const std::uint32_t reference = u32(bytes, 0);
            return this->row(page::pageOf(reference), page::rowOf(reference), true);
        }
        return bytes;
    }

    // Every row of the table defined on `definitionPage`, page by page.
    std::vector<Bytes> rows(std::uint32_t definitionPage) const {
        std::vector<Bytes> rows;
        for (std::uint32_t number = 1; number < pageCount(); ++number) {
            const Bytes data = pageAt(number);
            if (data[0] != page::kData || u32(data, page::kOwnerOffset) != definitionPage) continue;
            for (std::size_t index = 0; index < u16(data, kLayout.rowCountOffset); ++index)
                if (auto found = row(number, index)) rows.push_back(*found);
        }
        return rows;
    }

  private:
    Bytes bytes_;
};

std::vector<Column> columnsOf(Bytes definition) {
    const std::size_t count = u16(definition, kColumnCountOffset);
    std::size_t at = kIndexesOffset + kIndexSize * u32(definition, kIndexCountOffset);
    std::vector<Column> columns(count);
    for (auto& column : columns) {
        const Bytes descriptor = slice(definition, at, kColumnSize);
        column.number = u16(descriptor, 5);
        column.varIndex = u16(descriptor, 7);
        column.fixed = (descriptor[15] & kFixedColumnFlag) != 0;
        column.fixedOffset = u16(descriptor, 21);
        column.length = u16(descriptor, 23);
        at += kColumnSize;
    }
    for (auto& column : columns) {
        const std::size_t length = u16(definition, at);
        column.name = utf16(slice(definition, at + 2, length));
        at += 2 + length;
    }
    return columns;
}

// A column's value in a Jet 4 row: the column count, the fixed values, the variable ones, their
// offsets from the end backwards, their count and the null mask last.
std::optional<Bytes> valueOf(Bytes row, const Column& column) {
    const std::size_t columnCount = u16(row, 0);
    const std::size_t maskSize = (columnCount + 7) / 8;
    if (column.number >= columnCount || maskSize + 2 > row.size()) return std::nullopt;
    const Bytes mask = row.last(maskSize);
    if (!(mask[column.number / 8] & (1 << (column.number % 8)))) return std::nullopt;
    if (column.fixed) return slice(row, 2 + column.fixedOffset, column.length);
    const std::size_t counted = row.size() - maskSize - 2;
    if (column.varIndex >= u16(row, counted)) return std::nullopt;
    const std::size_t start = u16(row, counted - 2 - 2 * column.varIndex);
    const std::size_t end = u16(row, counted - 4 - 2 * column.varIndex);
    if (start > end) throw Unreadable{};
    return slice(row, start, end - start);
}

// MSysObjects' rows, as far as the catalogue's rules (shared with our engine) look at them.
std::vector<jet::CatalogueObject> catalogueOf(const File& file) {
    const std::vector<std::uint8_t> definition = file.definition(page::kCatalogueDefinitionPage);
    const std::vector<Column> columns = columnsOf(definition);
    const auto column = [&](const wchar_t* name) -> const Column& {
        const auto found =
            std::find_if(columns.begin(), columns.end(), [&](const Column& c) { return c.name == name; });
        if (found == columns.end()) throw Unreadable{};
        return *found;
    };
    const Column &id = column(L"Id"), &parentId = column(L"ParentId"), &name = column(L"Name"),
                 &type = column(L"Type"), &flags = column(L"Flags");
    std::vector<jet::CatalogueObject> objects;
    for (const Bytes row : file.rows(page::kCatalogueDefinitionPage)) {
        const auto number = [&](const Column& c) -> std::uint32_t {
            const auto value = valueOf(row, c);
            return value ? (value->size() == 2 ? u16(*value, 0) : u32(*value, 0)) : 0;
        };
        jet::CatalogueObject object;
        object.id = static_cast<std::int32_t>(number(id));
        object.parentId = static_cast<std::int32_t>(number(parentId));
        object.type = static_cast<std::int16_t>(number(type));
        object.flags = number(flags);
        if (const auto text = valueOf(row, name)) object.name = platform::win32::toUtf8(textValue(*text));
        objects.push_back(std::move(object));
    }
    return objects;
}

// The files read: Jet 4, and ACE unless encrypted as a whole (the header's layout is Jet 4's).
bool isReadableFormat(std::span<const std::uint8_t> file) {
    if (file.size() % kLayout.pageSize != 0 || file.size() < 3 * kLayout.pageSize) return false;
    const std::string_view signature(reinterpret_cast<const char*>(file.data()) + header::kSignatureOffset,
                                     header::kJetSignature.size());
    if (signature == header::kJetSignature) return file[header::kVersionOffset] == header::kJet4Version;
    return signature == header::kAceSignature && base::getU16(file, header::kEncryptionInfoLengthOffset) == 0;
}

}  // namespace

std::optional<DatabaseDescription> readJetDatabase(std::span<const std::uint8_t> file) {
    if (!isReadableFormat(file)) return std::nullopt;
    std::array<std::uint8_t, header::kEncryptedStart + header::kEncryptedLength> region;
    std::copy_n(file.begin(), region.size(), region.begin());
    header::applyHeaderCipher(region);
    if (base::getU32(region, header::kPageKeyOffset) != 0) return std::nullopt;
    header::applyPasswordMask(region);

    DatabaseDescription description;
    std::wstring password =
        utf16(std::span(region).subspan(header::kPasswordOffset, 2 * header::kPasswordCharacters));
    description.password = password.substr(0, password.find(L'\0'));
    std::vector<jet::CatalogueObject> objects;
    try {
        objects = catalogueOf(File(file));
    } catch (const Unreadable&) {
        return std::nullopt;
    }
    if (!jet::holdsEngineObjects(objects)) return std::nullopt;
    // Listed as our engine lists them for the Linux edition (parameter queries aside, which the stand-in
    // does not tell from views).
    using platform::win32::toWide;
    for (const auto& name : jet::reportNames(objects)) description.reports.push_back(toWide(name));
    for (const auto& table : jet::schemaTables(objects))
        description.tables.push_back({toWide(table.name), toWide(table.type)});
    return description;
}

}  // namespace calvenor::stand_in

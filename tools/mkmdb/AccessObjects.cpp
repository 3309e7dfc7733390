#include "AccessObjects.h"

#include <gsf/gsf.h>

#include <mutex>

#include "DesignBlob.h"
#include "Utf16.h"
#include "base/UniqueHandle.h"

namespace mkmdb {
namespace {

constexpr std::uint16_t kChunkSize = 3992;
constexpr std::uint32_t kStorageFormat = 5;  // what row 0 of every Access 2000-format file starts with

// A list of entries of (kind, number, value), as Access keeps an object's settings in "PropData".
constexpr std::uint8_t kLongProperty = 2;
// The database's: 0x69, a number Access 2000 sets to 4 (meaning not known), and its code page.
constexpr std::uint32_t kDatabaseProperty = 0x69, kCodePageProperty = 0x6A;
// A report's: 0, always 0 as far as seen, and 1, whether it has a code module.
constexpr std::uint32_t kReportProperty = 0, kHasModuleProperty = 1;

constexpr std::uint8_t kDirEntry = 4;
constexpr char kDirData[] =
    "\x03"
    "DirData";

using Output = base::Unique<GsfOutput*, g_object_unref>;

[[noreturn]] void cannotWrite() {
    throw Error("the reports' storage cannot be written");
}

void close(GsfOutput* output) {
    if (!gsf_output_close(output)) cannotWrite();
}

Output child(GsfOutput* storage, const char* name, bool isStorage) {
    Output output(gsf_outfile_new_child(GSF_OUTFILE(storage), name, isStorage));
    if (!output) cannotWrite();
    return output;
}

void writeStream(GsfOutput* storage, const char* name, std::span<const std::uint8_t> bytes) {
    Output stream = child(storage, name, false);
    if (!bytes.empty() && !gsf_output_write(stream.get(), bytes.size(), bytes.data())) cannotWrite();
    close(stream.get());
}

Bytes propData(std::initializer_list<std::pair<std::uint32_t, std::uint32_t>> properties) {
    Bytes bytes;
    appendU32(bytes, 0);
    for (const auto& [number, value] : properties) {
        bytes.push_back(kLongProperty);
        appendU32(bytes, number);
        appendU32(bytes, value);
    }
    return bytes;
}

// The list of a storage's folders: each entry its name in UTF-16 and its folder's number.
Bytes dirData(const std::vector<std::pair<std::string, std::uint32_t>>& entries) {
    Bytes bytes;
    appendU32(bytes, 0);
    for (const auto& [name, folder] : entries) {
        Bytes utf16;
        appendUtf16Le(utf16, toUtf16(name, "a report name"));
        bytes.push_back(kDirEntry);
        bytes.push_back(static_cast<std::uint8_t>(utf16.size() + 4));
        bytes.insert(bytes.end(), utf16.begin(), utf16.end());
        appendU32(bytes, folder);
    }
    return bytes;
}

void writeReports(GsfOutput* root, const Database& database) {
    Output reports = child(root, "Reports", true);
    std::vector<std::pair<std::string, std::uint32_t>> folders;
    for (const auto& name : database.reports) {
        const auto design = database.designs.find(name);
        if (design == database.designs.end()) continue;
        const auto number = static_cast<std::uint32_t>(folders.size());
        Output folder = child(reports.get(), std::to_string(number).c_str(), true);
        writeStream(folder.get(), "Blob", encodeReportDesign(design->second, database.created));
        writeStream(folder.get(), "PropData", propData({{kReportProperty, 0}, {kHasModuleProperty, 0}}));
        close(folder.get());
        folders.emplace_back(name, number);
    }
    // Access writes the list with its first report.
    if (!folders.empty()) writeStream(reports.get(), kDirData, dirData(folders));
    close(reports.get());
}

}  // namespace

std::vector<ColumnDeclaration> accessObjectsColumns() {
    return {{"Data", jet4::JetType::StorageChunk, kChunkSize}, {"ID", jet4::JetType::Long, 4, true}};
}

Bytes accessStorage(const Database& database) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    Output memory(gsf_output_memory_new());
    if (!memory) cannotWrite();
    Output root(GSF_OUTPUT(gsf_outfile_msole_new(memory.get())));
    if (!root) cannotWrite();

    // The storages of the other kinds of objects Access keeps, empty where a file has none of them, in
    // the order Access makes them.
    const auto emptyStorage = [&](const char* name) { close(child(root.get(), name, true).get()); };
    for (const char* name : {"Forms", "Cmdbars", "Modules"}) emptyStorage(name);
    writeReports(root.get(), database);
    emptyStorage("Scripts");
    writeStream(root.get(), "PropData",
                propData({{kDatabaseProperty, 4}, {kCodePageProperty, jet4::kCodePage1252}}));
    Output databases = child(root.get(), "Databases", true);
    Output database0 = child(databases.get(), "0", true);
    writeStream(database0.get(), "Blob", {});
    close(database0.get());
    writeStream(databases.get(), kDirData, dirData({{"MSysDb", 0}}));
    close(databases.get());
    for (const char* name : {"ImExSpecs", "CustomGroups", "DataAccessPages"}) emptyStorage(name);
    close(root.get());

    const gsf_off_t size = gsf_output_size(memory.get());
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.get()));
    if (size <= 0 || bytes == nullptr) cannotWrite();
    return Bytes(bytes, bytes + size);
}

std::vector<std::vector<Value>> accessObjectsRows(std::span<const std::uint8_t> storage) {
    Bytes header;
    appendU32(header, kStorageFormat);
    appendU32(header, static_cast<std::uint32_t>(storage.size()));
    std::vector<std::vector<Value>> rows{{std::string(header.begin(), header.end()), std::int32_t{0}}};
    for (std::size_t at = 0; at < storage.size(); at += kChunkSize) {
        const auto chunk = storage.subspan(at, std::min<std::size_t>(kChunkSize, storage.size() - at));
        rows.push_back({std::string(chunk.begin(), chunk.end()), static_cast<std::int32_t>(rows.size())});
    }
    return rows;
}

}  // namespace mkmdb

#include "platform/jet/design/DesignStorage.h"

#include <gsf/gsf.h>

#include <mutex>

#include "base/AsciiCase.h"
#include "base/UniqueHandle.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignText.h"
#include "base/LittleEndian.h"

namespace platform::jet::design {
namespace {

constexpr std::uint8_t kDirEntryMark = 4;
constexpr std::size_t kDirEntryTail = 4;  // the folder number after the name
const char* const kDirDataStream =
    "\x03"
    "DirData";
const char* const kBlobStream = "Blob";

using ScopedInput = base::Unique<GsfInput*, g_object_unref>;
using ScopedInfile = base::Unique<GsfInfile*, g_object_unref>;

[[noreturn]] void damaged(const std::string& what) {
    throw DesignError("The reports' storage is damaged: " + what + ".");
}

ScopedInfile openCompoundFile(std::span<const std::uint8_t> bytes) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { gsf_init(); });
    ScopedInput input(gsf_input_memory_new(bytes.data(), static_cast<gsf_off_t>(bytes.size()), FALSE));
    if (!input) damaged("its compound file cannot be read");
    GError* error = nullptr;
    ScopedInfile file(gsf_infile_msole_new(input.get(), &error));
    if (error) g_error_free(error);
    if (!file) damaged("its compound file cannot be read");
    return file;
}

// A storage lists its children; a stream, though it may be of the same class, none (-1).
bool isStorage(GsfInput* input) {
    return GSF_IS_INFILE(input) && gsf_infile_num_children(GSF_INFILE(input)) >= 0;
}

ScopedInput child(GsfInfile* parent, const char* name) {
    return ScopedInput(gsf_infile_child_by_name(parent, name));
}

std::vector<std::uint8_t> streamBytes(GsfInput* stream) {
    const gsf_off_t size = gsf_input_size(stream);
    if (size < 0) damaged("a stream has no size");
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (size > 0 && !gsf_input_read(stream, bytes.size(), bytes.data()))
        damaged("a stream cannot be read whole");
    return bytes;
}

ScopedInfile reportsStorage(GsfInfile* file, DesignKind kind = DesignKind::Report) {
    ScopedInput reports = child(file, storageOf(kind));
    if (!reports || !GSF_IS_INFILE(reports.get()))
        damaged(std::string("it holds no ") + designKindName(kind) + "s");
    return ScopedInfile(GSF_INFILE(reports.release()));
}

std::vector<DirEntry> listing(GsfInfile* reports) {
    // Access writes the list with the first report: a storage without one holds none.
    ScopedInput dirData = child(reports, kDirDataStream);
    if (!dirData) return {};
    return readDirData(streamBytes(dirData.get()));
}

}  // namespace

const char* storageOf(DesignKind kind) {
    return kind == DesignKind::Form ? "Forms" : kind == DesignKind::Macro ? "Scripts" : "Reports";
}

const char* designKindName(DesignKind kind) {
    return kind == DesignKind::Form ? "form" : kind == DesignKind::Macro ? "macro" : "report";
}

std::vector<DirEntry> readDirData(std::span<const std::uint8_t> dirData) {
    if (dirData.size() < 4) damaged("its list of reports is too short");
    std::vector<DirEntry> entries;
    for (std::size_t at = 4; at < dirData.size();) {
        if (dirData.size() - at < 2 || dirData[at] != kDirEntryMark)
            damaged("its list of reports is malformed");
        const std::size_t length = dirData[at + 1];
        if (length < kDirEntryTail || length % 2 != 0 || dirData.size() - at - 2 < length)
            damaged("its list of reports is malformed");
        const auto name = dirData.subspan(at + 2, length - kDirEntryTail);
        entries.push_back({utf8OfUtf16(name), base::getU32(dirData, at + 2 + length - kDirEntryTail)});
        at += 2 + length;
    }
    return entries;
}

std::vector<std::uint8_t> reportBlobOfCompoundFile(std::span<const std::uint8_t> compoundFile,
                                                   const std::string& reportName, DesignKind kind) {
    ScopedInfile file = openCompoundFile(compoundFile);
    ScopedInfile reports = reportsStorage(file.get(), kind);
    const std::string object = std::string("the ") + designKindName(kind) + " " + reportName;
    for (const auto& entry : listing(reports.get())) {
        if (!base::equalIgnoringCase(entry.name, reportName)) continue;
        ScopedInput folder = child(reports.get(), std::to_string(entry.folder).c_str());
        if (!folder || !GSF_IS_INFILE(folder.get())) damaged(object + " has no folder");
        ScopedInput blob = child(GSF_INFILE(folder.get()), kBlobStream);
        if (!blob) damaged(object + " has no design");
        return streamBytes(blob.get());
    }
    throw DesignError("The file holds no design of " + object + ".");
}

std::vector<std::uint8_t> streamOfCompoundFile(std::span<const std::uint8_t> compoundFile,
                                               const std::string& name) {
    ScopedInfile file = openCompoundFile(compoundFile);
    ScopedInput stream = child(file.get(), name.c_str());
    if (!stream || isStorage(stream.get())) return {};
    return streamBytes(stream.get());
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> streamsOfCompoundStorage(
    std::span<const std::uint8_t> compoundFile, const std::vector<std::string>& path) {
    ScopedInfile storage = openCompoundFile(compoundFile);
    for (const auto& name : path) {
        ScopedInput inner = child(storage.get(), name.c_str());
        if (!inner || !isStorage(inner.get())) return {};
        storage = ScopedInfile(GSF_INFILE(inner.release()));
    }
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> streams;
    for (int i = 0; i < gsf_infile_num_children(storage.get()); ++i) {
        ScopedInput stream(gsf_infile_child_by_index(storage.get(), i));
        if (!stream) damaged("a stream cannot be opened");
        if (isStorage(stream.get())) continue;
        const char* name = gsf_input_name(stream.get());
        streams.emplace_back(name ? name : "", streamBytes(stream.get()));
    }
    return streams;
}

std::vector<std::string> reportNamesOfCompoundFile(std::span<const std::uint8_t> compoundFile) {
    ScopedInfile file = openCompoundFile(compoundFile);
    ScopedInfile reports = reportsStorage(file.get());
    std::vector<std::string> names;
    for (auto& entry : listing(reports.get())) names.push_back(std::move(entry.name));
    return names;
}

}  // namespace platform::jet::design

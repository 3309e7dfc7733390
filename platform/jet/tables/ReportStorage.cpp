#include "platform/jet/tables/ReportStorage.h"

#include <algorithm>
#include <map>

#include "base/AsciiCase.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"
#include "platform/jet/tables/CheckedTable.h"

namespace platform::jet::helper {
namespace {

using design::DesignError;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxRows = 1'000'000;
constexpr std::uint32_t kTableDefinitionPageMask = 0x00FFFFFF;  // a table's Id holds its definition page
constexpr std::size_t kMaxCompoundFile = 256u * 1024 * 1024;
constexpr int kTableType = 1, kContainerType = 3, kReportType = -32764, kFormType = -32768, kMacroType = -32766;
const char* const kStorageRoot = "MSysAccessStorage_ROOT";

[[noreturn]] void damaged(const std::string& table) {
    throw DesignError("The database file is damaged: its table " + table + " cannot be read.");
}

std::int64_t number(const std::string& text) {
    try {
        return text.empty() ? 0 : std::stoll(text);
    } catch (const std::exception&) {
        return 0;
    }
}

std::unique_ptr<CheckedTable> openTable(MdbHandle* mdb, const PageFile& file, const std::string& name,
                                        std::int64_t id, std::initializer_list<const char*> columns) {
    auto table = CheckedTable::open(mdb, file, name,
                                    static_cast<std::uint32_t>(id) & kTableDefinitionPageMask, kMaxRows);
    if (!table) damaged(name);
    for (const char* column : columns)
        if (!table->bind(column)) damaged(name);
    return table;
}

using design::DesignKind;

// The name as stored of the one called wanted, matched as Access matches names (ignoring case).
const std::string* storedName(const std::vector<std::string>& names, const std::string& wanted) {
    const auto found = std::find_if(names.begin(), names.end(), [&](const std::string& name) {
        return base::equalIgnoringCase(name, wanted);
    });
    return found == names.end() ? nullptr : &*found;
}

std::optional<DesignKind> kindOfType(std::int64_t type) {
    if (type == kReportType) return DesignKind::Report;
    if (type == kFormType) return DesignKind::Form;
    if (type == kMacroType) return DesignKind::Macro;
    return std::nullopt;
}

}  // namespace

ReportStorage::ReportStorage(MdbHandle* mdb, const PageFile& file) : mdb_(mdb), file_(file) {
    const bool jet3 = file.layout().pageSize == page::kJet3Layout.pageSize;
    auto objects = openTable(mdb, file, "MSysObjects", page::kCatalogueDefinitionPage,
                             {"Id", "ParentId", "Name", "Type"});
    if (jet3 && !objects->bind("LvExtra")) damaged("MSysObjects");
    struct Row {
        DesignKind kind;
        std::int64_t parent;
        std::string name;
        Bytes design;
    };
    std::vector<Row> designRows;
    std::array<std::int64_t, 3> containers{};  // by DesignKind
    const bool whole = objects->forEachRow([&] {
        const std::int64_t type = number(objects->text("Type")), id = number(objects->text("Id"));
        std::string name = objects->text("Name");
        if (const auto kind = kindOfType(type))
            designRows.push_back({*kind, number(objects->text("ParentId")), name,
                                  jet3 ? objects->longValue("LvExtra") : Bytes{}});
        else if (type == kContainerType && name == design::storageOf(DesignKind::Report))
            containers[0] = id;
        else if (type == kContainerType && name == design::storageOf(DesignKind::Form))
            containers[1] = id;
        else if (type == kContainerType && name == design::storageOf(DesignKind::Macro))
            containers[2] = id;
        else if (type == kTableType && name == "MSysAccessStorage")
            accessStorageId_ = id;
        else if (type == kTableType && name == "MSysAccessObjects")
            accessObjectsId_ = id;
        else if (type == kTableType && name == "MSysModules2")
            modulesId_ = id;
    });
    if (!whole) damaged("MSysObjects");
    for (auto& row : designRows) {
        const auto kind = static_cast<std::size_t>(row.kind);
        if (row.parent != containers[kind]) continue;
        stored_[kind].names.push_back(std::move(row.name));
        stored_[kind].jet3Designs.push_back(std::move(row.design));
    }
}

std::vector<std::uint8_t> ReportStorage::designBlob(const std::string& wanted, DesignKind kind) {
    const std::string* found = storedName(stored(kind).names, wanted);
    if (!found)
        throw DesignError(std::string("The database has no ") + design::designKindName(kind) + " named " +
                          wanted + ".");
    if (file_.layout().pageSize == page::kJet3Layout.pageSize) return blobOfJet3(*found, kind);
    if (accessStorageId_ != 0) return blobFromAccessStorage(*found, kind);
    if (accessObjectsId_ != 0)
        return design::reportBlobOfCompoundFile(compoundFileOfAccessObjects(), *found, kind);
    throw DesignError(std::string("The database file keeps no ") + design::designKindName(kind) +
                      " designs where Access keeps them.");
}

std::optional<design::Macro> ReportStorage::macro(const std::string& name, const std::string& jet3Charset) {
    if (!storedName(stored(DesignKind::Macro).names, name)) return std::nullopt;
    const bool jet3 = file_.layout().pageSize == page::kJet3Layout.pageSize;
    return design::parseMacro(designBlob(name, DesignKind::Macro), !jet3, jet3Charset);
}

std::vector<std::uint8_t> ReportStorage::blobOfJet3(const std::string& name, DesignKind kind) {
    const Stored& objects = stored(kind);
    const auto index = static_cast<std::size_t>(std::find(objects.names.begin(), objects.names.end(), name) -
                                                objects.names.begin());
    if (!objects.jet3Designs[index].empty()) return objects.jet3Designs[index];
    // One with a code module keeps its design with the module ("Report_NAME", "Form_NAME").
    const std::string object = std::string("The ") + design::designKindName(kind) + " " + name;
    if (modulesId_ == 0 || kind == DesignKind::Macro) throw DesignError(object + " has no stored design.");
    const std::string module = (kind == DesignKind::Form ? "Form_" : "Report_") + name;
    auto modules = openTable(mdb_, file_, "MSysModules2", modulesId_, {"Name", "Form"});
    Bytes blob;
    if (!modules->forEachRow([&] {
            if (blob.empty() && base::equalIgnoringCase(modules->text("Name"), module))
                blob = modules->longValue("Form");
        }))
        damaged("MSysModules2");
    if (blob.empty()) throw DesignError(object + " has no stored design.");
    return blob;
}

const std::map<std::int64_t, ReportStorage::StorageNode>& ReportStorage::accessStorageNodes() {
    if (accessStorageNodes_) return *accessStorageNodes_;
    std::map<std::int64_t, StorageNode> nodes;
    auto storage = openTable(mdb_, file_, "MSysAccessStorage", accessStorageId_, {"Id", "ParentId", "Name"});
    if (!storage->forEachRow([&] {
            nodes[number(storage->text("Id"))] = {number(storage->text("ParentId")), storage->text("Name")};
        }))
        damaged("MSysAccessStorage");
    return *(accessStorageNodes_ = std::move(nodes));
}

std::map<std::int64_t, std::vector<std::uint8_t>> ReportStorage::accessStorageValues(
    const std::set<std::int64_t>& ids) {
    auto storage = openTable(mdb_, file_, "MSysAccessStorage", accessStorageId_, {"Id", "Lv"});
    std::map<std::int64_t, Bytes> values;
    if (!storage->forEachRow([&] {
            const std::int64_t id = number(storage->text("Id"));
            if (ids.count(id)) values[id] = storage->longValue("Lv");
        }))
        damaged("MSysAccessStorage");
    return values;
}

namespace {

// The row below the parent with the name; never the parent itself, as MSysAccessStorage_SCRATCH is its
// own parent.
template <typename Nodes>
std::optional<std::int64_t> childOf(const Nodes& nodes, std::int64_t parent, const std::string& name) {
    for (const auto& [id, node] : nodes)
        if (node.parent == parent && id != parent && node.name == name) return id;
    return std::nullopt;
}

template <typename Nodes>
std::optional<std::int64_t> storageRoot(const Nodes& nodes) {
    for (const auto& [id, node] : nodes)
        if (node.name == kStorageRoot) return id;
    return std::nullopt;
}

}  // namespace

ReportStorage::Streams ReportStorage::accessStorageStreams(const std::vector<std::string>& path) {
    const auto& nodes = accessStorageNodes();
    std::optional<std::int64_t> storage = storageRoot(nodes);
    for (const auto& name : path)
        if (storage) storage = childOf(nodes, *storage, name);
    if (!storage) return {};
    std::set<std::int64_t> ids;
    for (const auto& [id, node] : nodes)
        if (node.parent == *storage && id != *storage) ids.insert(id);
    Streams streams;
    for (auto& [id, value] : accessStorageValues(ids))
        streams.emplace_back(nodes.at(id).name, std::move(value));
    return streams;
}

std::vector<std::uint8_t> ReportStorage::blobFromAccessStorage(const std::string& wanted, DesignKind kind) {
    const auto& nodes = accessStorageNodes();
    const auto childNamed = [&](std::int64_t parent, const std::string& name) -> std::int64_t {
        if (const auto id = childOf(nodes, parent, name)) return *id;
        throw DesignError("The reports' storage is damaged: it has no " + name + ".");
    };
    const auto root = storageRoot(nodes);
    if (!root) throw DesignError("The reports' storage is damaged: it has no root.");
    const std::int64_t reports = childNamed(*root, design::storageOf(kind));
    const std::int64_t dirData = childNamed(reports,
                                            "\x03"
                                            "DirData");

    // The long values of the rows wanted, in a second reading: DirData first, then the design's Blob.
    const auto readValue = [&](std::int64_t wanted) {
        return std::move(accessStorageValues({wanted})[wanted]);
    };
    for (const auto& entry : design::readDirData(readValue(dirData))) {
        if (!base::equalIgnoringCase(entry.name, wanted)) continue;
        return readValue(childNamed(childNamed(reports, std::to_string(entry.folder)), "Blob"));
    }
    throw DesignError(std::string("The file holds no design of the ") + design::designKindName(kind) + " " +
                      wanted + ".");
}

const design::VbaProject& ReportStorage::project() {
    if (project_) return *project_;
    // A damaged project is read once: every report that asks again is told the same without reading it all.
    if (projectFailure_) throw DesignError(*projectFailure_);
    try {
        project_ = readProject();
    } catch (const DesignError& error) {
        projectFailure_ = error.what();
        throw;
    }
    return *project_;
}

design::VbaProject ReportStorage::readProject() {
    const std::vector<std::string> path = {"VBA", "VBAProject", "VBA"};
    Streams streams;
    if (file_.layout().pageSize == page::kJet3Layout.pageSize) return projectOfJet3();
    if (accessStorageId_ != 0)
        streams = accessStorageStreams(path);
    else if (accessObjectsId_ != 0)
        streams = design::streamsOfCompoundStorage(compoundFileOfAccessObjects(), path);
    const auto dir =
        std::find_if(streams.begin(), streams.end(), [](const auto& s) { return s.first == "dir"; });
    if (dir == streams.end()) return {};
    return design::readVbaProject(
        dir->second,
        [&](const design::VbaModuleEntry& module) -> std::optional<std::span<const std::uint8_t>> {
            for (const auto& [name, bytes] : streams)
                if (name == module.streamName) return bytes;
            return std::nullopt;
        });
}

// Access 97 keeps the project in MSysModules2: the dir in the row MSysDb, each module's stream in the
// module's row, each in a small container of named streams.
design::VbaProject ReportStorage::projectOfJet3() {
    if (modulesId_ == 0) return {};
    auto table = openTable(mdb_, file_, "MSysModules2", modulesId_, {"Name", "Module"});
    std::vector<std::pair<std::string, Bytes>> rows;
    if (!table->forEachRow([&] { rows.emplace_back(table->text("Name"), table->longValue("Module")); }))
        damaged("MSysModules2");
    const auto streamOf = [&](const std::string& row, const std::string& stream) -> std::optional<Bytes> {
        for (const auto& [name, module] : rows) {
            if (!base::equalIgnoringCase(name, row)) continue;
            for (auto& [streamName, bytes] : design::readModuleContainer(module))
                if (streamName == stream) return std::move(bytes);
        }
        return std::nullopt;
    };
    const auto dir = streamOf("MSysDb", "dir");
    if (!dir) return {};
    std::optional<Bytes> current;  // the stream last handed out, alive until the next
    return design::readVbaProject(
        *dir, [&](const design::VbaModuleEntry& module) -> std::optional<std::span<const std::uint8_t>> {
            try {
                current = streamOf(module.name, module.streamName);
            } catch (const DesignError&) {
                current.reset();
            }
            if (!current) return std::nullopt;
            return std::span<const std::uint8_t>(*current);
        });
}

const std::vector<std::uint8_t>& ReportStorage::compoundFileOfAccessObjects() {
    if (!compoundFile_.empty()) return compoundFile_;
    auto objects = openTable(mdb_, file_, "MSysAccessObjects", accessObjectsId_, {});
    std::map<std::int32_t, Bytes> chunks;
    std::size_t total = 0;
    bool malformed = false;
    if (!objects->forEachRow([&] {
            auto id = objects->rawValue("ID");
            auto data = objects->rawValue("Data");
            if (!id || id->size() != 4 || !data) {
                malformed = true;
                return;
            }
            const auto number = static_cast<std::int32_t>(base::getU32(*id, 0));
            total += data->size();
            if (number >= 1 && total <= kMaxCompoundFile && !chunks.emplace(number, std::move(*data)).second)
                malformed = true;
        }) ||
        malformed || total > kMaxCompoundFile)
        damaged("MSysAccessObjects");
    // The chunks are numbered from 1 without gaps.
    if (chunks.empty() || chunks.begin()->first != 1 ||
        chunks.rbegin()->first != static_cast<std::int32_t>(chunks.size()))
        damaged("MSysAccessObjects");
    for (auto& [number, chunk] : chunks)
        compoundFile_.insert(compoundFile_.end(), chunk.begin(), chunk.end());
    return compoundFile_;
}

}  // namespace platform::jet::helper

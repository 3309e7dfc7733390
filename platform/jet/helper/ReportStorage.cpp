#include "platform/jet/helper/ReportStorage.h"

#include <algorithm>
#include <map>

#include "platform/jet/JetFormat.h"
#include "platform/jet/LittleEndian.h"
#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/helper/CheckedTable.h"

namespace platform::jet::helper {
namespace {

using design::DesignError;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kMaxRows = 1'000'000;
constexpr std::uint32_t kTableDefinitionPageMask = 0x00FFFFFF;  // a table's Id holds its definition page
constexpr std::size_t kMaxCompoundFile = 256u * 1024 * 1024;
constexpr int kTableType = 1, kContainerType = 3, kReportType = -32764;
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

}  // namespace

ReportStorage::ReportStorage(MdbHandle* mdb, const PageFile& file) : mdb_(mdb), file_(file) {
    const bool jet3 = file.layout().pageSize == page::kJet3Layout.pageSize;
    auto objects = openTable(mdb, file, "MSysObjects", page::kCatalogueDefinitionPage,
                             {"Id", "ParentId", "Name", "Type"});
    if (jet3 && !objects->bind("LvExtra")) damaged("MSysObjects");
    struct Row {
        std::int64_t parent;
        std::string name;
        Bytes design;
    };
    std::vector<Row> reportRows;
    std::int64_t reportsContainer = 0;
    const bool whole = objects->forEachRow([&] {
        const std::int64_t type = number(objects->text("Type")), id = number(objects->text("Id"));
        std::string name = objects->text("Name");
        if (type == kReportType)
            reportRows.push_back(
                {number(objects->text("ParentId")), name, jet3 ? objects->longValue("LvExtra") : Bytes{}});
        else if (type == kContainerType && name == "Reports")
            reportsContainer = id;
        else if (type == kTableType && name == "MSysAccessStorage")
            accessStorageId_ = id;
        else if (type == kTableType && name == "MSysAccessObjects")
            accessObjectsId_ = id;
        else if (type == kTableType && name == "MSysModules2")
            modulesId_ = id;
    });
    if (!whole) damaged("MSysObjects");
    for (auto& row : reportRows) {
        if (row.parent != reportsContainer) continue;
        reports_.push_back(std::move(row.name));
        jet3Designs_.push_back(std::move(row.design));
    }
}

std::vector<std::uint8_t> ReportStorage::designBlob(const std::string& report) {
    const auto found = std::find_if(reports_.begin(), reports_.end(), [&](const std::string& name) {
        return design::sameReportName(name, report);
    });
    if (found == reports_.end()) throw DesignError("The database has no report named " + report + ".");
    if (file_.layout().pageSize == page::kJet3Layout.pageSize) return blobOfJet3(*found);
    if (accessStorageId_ != 0) return blobFromAccessStorage(*found);
    if (accessObjectsId_ != 0) return design::reportBlobOfCompoundFile(compoundFileOfAccessObjects(), *found);
    throw DesignError("The database file keeps no report designs where Access keeps them.");
}

std::vector<std::uint8_t> ReportStorage::blobOfJet3(const std::string& report) {
    const auto index =
        static_cast<std::size_t>(std::find(reports_.begin(), reports_.end(), report) - reports_.begin());
    if (!jet3Designs_[index].empty()) return jet3Designs_[index];
    // A report with a code module keeps its design with the module.
    if (modulesId_ == 0) throw DesignError("The report " + report + " has no stored design.");
    auto modules = openTable(mdb_, file_, "MSysModules2", modulesId_, {"Name", "Form"});
    Bytes blob;
    if (!modules->forEachRow([&] {
            if (blob.empty() && design::sameReportName(modules->text("Name"), "Report_" + report))
                blob = modules->longValue("Form");
        }))
        damaged("MSysModules2");
    if (blob.empty()) throw DesignError("The report " + report + " has no stored design.");
    return blob;
}

std::vector<std::uint8_t> ReportStorage::blobFromAccessStorage(const std::string& report) {
    struct Node {
        std::int64_t parent;
        std::string name;
    };
    std::map<std::int64_t, Node> nodes;
    {
        auto storage =
            openTable(mdb_, file_, "MSysAccessStorage", accessStorageId_, {"Id", "ParentId", "Name"});
        if (!storage->forEachRow([&] {
                nodes[number(storage->text("Id"))] = {number(storage->text("ParentId")),
                                                      storage->text("Name")};
            }))
            damaged("MSysAccessStorage");
    }
    const auto childNamed = [&](std::int64_t parent, const std::string& name) -> std::int64_t {
        for (const auto& [id, node] : nodes)
            if (node.parent == parent && id != parent && node.name == name) return id;
        throw DesignError("The reports' storage is damaged: it has no " + name + ".");
    };
    const auto root = std::find_if(nodes.begin(), nodes.end(),
                                   [](const auto& node) { return node.second.name == kStorageRoot; });
    if (root == nodes.end()) throw DesignError("The reports' storage is damaged: it has no root.");
    const std::int64_t reports = childNamed(root->first, "Reports");
    const std::int64_t dirData = childNamed(reports,
                                            "\x03"
                                            "DirData");

    // The long values of the rows wanted, in a second reading: DirData first, then the report's Blob.
    const auto readValue = [&](std::int64_t wanted) {
        auto storage = openTable(mdb_, file_, "MSysAccessStorage", accessStorageId_, {"Id", "Lv"});
        Bytes value;
        if (!storage->forEachRow([&] {
                if (number(storage->text("Id")) == wanted) value = storage->longValue("Lv");
            }))
            damaged("MSysAccessStorage");
        return value;
    };
    for (const auto& entry : design::readDirData(readValue(dirData))) {
        if (!design::sameReportName(entry.name, report)) continue;
        return readValue(childNamed(childNamed(reports, std::to_string(entry.folder)), "Blob"));
    }
    throw DesignError("The file holds no design of the report " + report + ".");
}

std::vector<std::uint8_t> ReportStorage::compoundFileOfAccessObjects() {
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
            const auto number = static_cast<std::int32_t>(getU32(*id, 0));
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

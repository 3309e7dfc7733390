#pragma once

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/design/Macro.h"
#include "platform/jet/design/VbaProject.h"
#include "platform/jet/tables/PageFile.h"

namespace platform::jet::helper {

// Finds the design blobs of a file's reports (and of its forms, kept alike) wherever the file's Access
// version keeps them: Access 97 in the report's catalogue row (or its code module's row), Access 2000 in one
// compound file split over the rows of MSysAccessObjects, later versions in the tree of MSysAccessStorage.
// Every table is read checked (CheckedTable). Throws design::DesignError on damage or a report it cannot
// find.
class ReportStorage {
  public:
    ReportStorage(MdbHandle* mdb, const PageFile& file);

    // The reports' and the forms' names, in catalogue order.
    const std::vector<std::string>& reportNames() const { return stored(design::DesignKind::Report).names; }
    const std::vector<std::string>& formNames() const { return stored(design::DesignKind::Form).names; }
    const std::vector<std::string>& macroNames() const { return stored(design::DesignKind::Macro).names; }
    // The stored design of the report or form (its name as reportNames or formNames gives it, or in other
    // letter case).
    std::vector<std::uint8_t> designBlob(const std::string& name,
                                         design::DesignKind kind = design::DesignKind::Report);
    // The named macro (or macro group), letter case ignored; none when the database has no macro so
    // named. jet3Charset: the character set of an Access 97 file's texts.
    std::optional<design::Macro> macro(const std::string& name, const std::string& jet3Charset = "CP1252");
    // The database's Visual Basic modules, read at the first call; none when it has no project. Throws
    // design::DesignError when the project's list of modules is damaged; a module that cannot be read is
    // left out and named in moduleProblems.
    const std::vector<design::CodeModule>& modules() { return project().modules; }
    const std::vector<std::string>& moduleProblems() { return project().problems; }

  private:
    struct Stored {
        std::vector<std::string> names;
        std::vector<std::vector<std::uint8_t>> jet3Designs;  // LvExtra of each, by names' index
    };
    const Stored& stored(design::DesignKind kind) const { return stored_[static_cast<std::size_t>(kind)]; }
    struct StorageNode {
        std::int64_t parent;
        std::string name;
    };
    using Streams = std::vector<std::pair<std::string, std::vector<std::uint8_t>>>;
    std::vector<std::uint8_t> blobFromAccessStorage(const std::string& name, design::DesignKind kind);
    const std::map<std::int64_t, StorageNode>& accessStorageNodes();
    std::map<std::int64_t, std::vector<std::uint8_t>> accessStorageValues(const std::set<std::int64_t>& ids);
    Streams accessStorageStreams(const std::vector<std::string>& path);
    const std::vector<std::uint8_t>& compoundFileOfAccessObjects();
    const design::VbaProject& project();
    design::VbaProject readProject();
    design::VbaProject projectOfJet3();
    std::vector<std::uint8_t> blobOfJet3(const std::string& name, design::DesignKind kind);

    MdbHandle* mdb_;
    const PageFile& file_;
    std::array<Stored, 3> stored_;  // by DesignKind
    std::int64_t accessStorageId_ = 0, accessObjectsId_ = 0, modulesId_ = 0;
    std::vector<std::uint8_t> compoundFile_;  // read once
    std::optional<std::map<std::int64_t, StorageNode>> accessStorageNodes_;  // read once
    std::optional<design::VbaProject> project_;                              // read once
    std::optional<std::string> projectFailure_;                              // why it could not be
};

}  // namespace platform::jet::helper

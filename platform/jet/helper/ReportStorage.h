#pragma once

#include <glib.h>  // mdbtools.h includes it inside extern "C"
#include <mdbtools.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/helper/PageFile.h"

namespace platform::jet::helper {

// Finds the design blobs of a file's reports wherever the file's Access version keeps them: Access 97
// in the report's catalogue row (or its code module's row), Access 2000 in one compound file split
// over the rows of MSysAccessObjects, later versions in the tree of MSysAccessStorage. Every table is
// read checked (CheckedTable). Throws design::DesignError on damage or a report it cannot find.
class ReportStorage {
  public:
    ReportStorage(MdbHandle* mdb, const PageFile& file);

    // The reports' names, in catalogue order.
    const std::vector<std::string>& reportNames() const { return reports_; }
    // The stored design of the report (its name as reportNames gives it, or in other letter case).
    std::vector<std::uint8_t> designBlob(const std::string& report);

  private:
    std::vector<std::uint8_t> blobFromAccessStorage(const std::string& report);
    std::vector<std::uint8_t> compoundFileOfAccessObjects();
    std::vector<std::uint8_t> blobOfJet3(const std::string& report);

    MdbHandle* mdb_;
    const PageFile& file_;
    std::vector<std::string> reports_;
    std::vector<std::vector<std::uint8_t>> jet3Designs_;  // LvExtra of each report, by reports_ index
    std::int64_t accessStorageId_ = 0, accessObjectsId_ = 0, modulesId_ = 0;
    std::vector<std::uint8_t> compoundFile_;  // read once
};

}  // namespace platform::jet::helper

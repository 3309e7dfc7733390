#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/Catalogue.h"
#include "platform/jet/EngineOptions.h"

namespace platform::jet {

// Reads MSysObjects of a database file whose header has been checked, in the reader helper program.
// Raises DatabaseError (Damaged or UnrecognizedFormat) when the helper fails, crashes, runs out of
// time or answers something that is not a whole catalogue.
std::vector<CatalogueObject> readCatalogue(const std::string& absolutePath, const EngineOptions& options);

// The helper's answer as catalogue rows; empty when the answer is not a complete, well-formed one.
// "failedToOpen" tells a file libmdb refused at once from one it could not read.
struct CatalogueAnswer {
    bool complete = false;
    bool failedToOpen = false;
    std::vector<CatalogueObject> objects;
};
CatalogueAnswer parseCatalogueAnswer(std::string_view answer);

}  // namespace platform::jet

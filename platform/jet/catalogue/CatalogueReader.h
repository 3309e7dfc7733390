#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/file/EngineOptions.h"
#include "platform/jet/file/FileHeader.h"

namespace platform::jet {

// Reads MSysObjects of the open database file (a descriptor) whose header has been checked, in the
// reader helper program; the path only names the file in errors. Raises DatabaseError: Damaged or
// UnrecognizedFormat when the helper fails, crashes or answers something that is not a whole, sound
// catalogue (one without the engine's own objects is not, nor one holding an object Access never
// writes); TimedOut or TooLarge when it runs out of time or says too much; EngineFailure when it
// cannot be started.
std::vector<CatalogueObject> readCatalogue(int databaseFile, const FileHeader& header,
                                           const std::string& path, const EngineOptions& options);

// The environment libmdb reads its text conversion from: object names as UTF-8, and Jet 3's one-byte
// text in the file's own code page; and the code page itself, whose region the helpers format in.
std::vector<std::string> textConversionEnvironment(const FileHeader& header);

// The helper's answer as catalogue rows; empty when the answer is not a complete, well-formed one
// (an object without an Id is not).
// "failedToOpen" tells a file libmdb refused at once from one it could not read.
struct CatalogueAnswer {
    bool complete = false;
    bool failedToOpen = false;
    std::vector<CatalogueObject> objects;
};
CatalogueAnswer parseCatalogueAnswer(std::string_view answer);

}  // namespace platform::jet

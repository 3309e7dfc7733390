#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace platform::jet::design {

// What a design describes: Access keeps reports, forms and macros (a macro or a group of them) alike,
// each kind in a storage of its own.
enum class DesignKind { Report, Form, Macro };

// The storage a kind's designs are kept in: "Reports", "Forms" or "Scripts".
const char* storageOf(DesignKind kind);
// What one of the kind is called in messages: "report", "form" or "macro".
const char* designKindName(DesignKind kind);

// A report's name and the folder its design is kept in, as a DirData stream lists them.
struct DirEntry {
    std::string name;  // UTF-8
    std::uint32_t folder = 0;
};

// Reads the listing of a "Reports" storage. Throws DesignError when it is malformed.
std::vector<DirEntry> readDirData(std::span<const std::uint8_t> dirData);

// The design blob of the named report or form (letter case ignored) inside the compound file Access 2000
// keeps in MSysAccessObjects. Throws DesignError when the file, its "Reports" (or "Forms") storage or the
// object's blob is missing or malformed.
std::vector<std::uint8_t> reportBlobOfCompoundFile(std::span<const std::uint8_t> compoundFile,
                                                   const std::string& reportName,
                                                   DesignKind kind = DesignKind::Report);

// The names of the reports the compound file holds, in its listing's order.
std::vector<std::string> reportNamesOfCompoundFile(std::span<const std::uint8_t> compoundFile);

// The bytes of a stream at the top of a compound file (an OLE object's "Workbook"); empty when it has
// none. Throws DesignError when the compound file is malformed.
std::vector<std::uint8_t> streamOfCompoundFile(std::span<const std::uint8_t> compoundFile,
                                               const std::string& name);

// The streams directly inside the storage at the path (each name a level: "VBA", "VBAProject", ...), by
// name; none when the compound file has no such storage. Throws DesignError when it is malformed.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> streamsOfCompoundStorage(
    std::span<const std::uint8_t> compoundFile, const std::vector<std::string>& path);

}  // namespace platform::jet::design

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/jet/design/CodeModule.h"

// The Visual Basic project Access keeps beside its designs, read from its streams: the project's `dir`
// stream lists the modules and the stream each one's text is kept in, compressed, after its compiled
// form. Bytes in, values out; every reading is bounded by the bytes given, and a text by kMaxVbaText.
namespace platform::jet::design {

// The most a project's texts may decompress to, all modules together: real ones are a few megabytes.
inline constexpr std::size_t kMaxVbaText = 32u * 1024 * 1024;

// The bytes of a compressed container (a signature byte 1, then chunks of up to 4096 bytes each).
// Throws DesignError when the bytes are not one (a chunk's signature, a copy reaching before its chunk's
// start or beyond 4096 bytes) or would decompress past maxSize.
std::vector<std::uint8_t> decompressVbaContainer(std::span<const std::uint8_t> container,
                                                 std::size_t maxSize = kMaxVbaText);

// A module as the dir stream lists it.
struct VbaModuleEntry {
    std::string name;        // UTF-8
    std::string streamName;  // UTF-8; "_VBA_MODULE" for every module of Access 97
    std::uint32_t offset = 0;  // where the compressed text starts in the stream
    bool standard = true;      // a standard module, not a document's or a class's
};

struct VbaDirectory {
    std::uint16_t codePage = 1252;  // of the project's one-byte texts
    std::vector<VbaModuleEntry> modules;
};

// The records of a decompressed dir stream. Throws DesignError when a record runs past its end.
VbaDirectory readVbaDirectory(std::span<const std::uint8_t> dir);

// A module's text in UTF-8: the compressed container at offset of its stream, decoded in the code page.
// Throws DesignError when the offset lies outside the stream or the container is damaged.
std::string vbaModuleSource(std::span<const std::uint8_t> stream, std::uint32_t offset, std::uint16_t codePage,
                            std::size_t maxSize = kMaxVbaText);

// Access 97's small container of named streams, one per MSysModules2 row's Module: an 8-byte header,
// then entries of a name's length in bytes, the name (UTF-16LE, NUL included), a u32 size and the bytes.
// Throws DesignError when an entry runs past the end.
std::vector<std::pair<std::string, std::vector<std::uint8_t>>> readModuleContainer(
    std::span<const std::uint8_t> container);

struct VbaProject {
    std::vector<CodeModule> modules;     // those that read, in the dir's order
    std::vector<std::string> problems;  // a sentence for each module that did not
};

// The modules of a project from its compressed dir stream; streamOf gives the stream a module's entry
// names, or none. A module whose stream is missing or damaged is left out and named in problems; a dir
// that cannot be read throws DesignError.
VbaProject readVbaProject(
    std::span<const std::uint8_t> compressedDir,
    const std::function<std::optional<std::span<const std::uint8_t>>(const VbaModuleEntry&)>& streamOf);

}  // namespace platform::jet::design

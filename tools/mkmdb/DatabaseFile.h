#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

#include "Model.h"
#include "platform/posix/AtomicFile.h"

namespace mkmdb {

// Refuse: an existing file stays as it is and the write fails; Replace: it is replaced.
using platform::posix::Overwrite;

// Writes the database to `path` in one step: the bytes go to a new file in the same folder, are
// flushed to disk and then moved into place, so nobody sees half a file and a failure leaves any
// earlier file as it was. Throws Error on any fault, with the path and the system's reason.
void writeDatabaseFile(const Database& database, const std::filesystem::path& path, Overwrite overwrite);

// The same for bytes already built.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes,
                         Overwrite overwrite);

}  // namespace mkmdb

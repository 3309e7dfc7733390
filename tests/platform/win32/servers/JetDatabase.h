#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "tests/platform/win32/servers/DatabaseDescription.h"

namespace calvenor::stand_in {

// What a real Access file gives the stand-ins, as Access and ADO would see it: the password kept in its
// header, its tables and its reports (the documents of the "Reports" container, ordered by name as
// Access lists them), read from the catalogue MSysObjects. Only Jet 4 and ACE files whose pages are stored
// plain are read; any other (Jet 3, encoded or encrypted pages, a damaged catalogue) gives nothing, and the
// stand-ins take it for a file of a format they do not know.
std::optional<DatabaseDescription> readJetDatabase(std::span<const std::uint8_t> file);

}  // namespace calvenor::stand_in

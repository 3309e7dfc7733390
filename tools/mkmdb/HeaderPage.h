#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "Model.h"

// Page 0 of a Jet 4 file: signature, format version, and a region from 0x18 that is RC4-encrypted with
// a fixed key. Inside it lie the code page, the page-encryption key (zero: pages are stored plain), the
// collation, the creation date and the database password: 20 UTF-16 characters at 0x42, each byte also
// XOR-ed with the bytes of the creation date's whole-day number.
namespace mkmdb {

// An ACE header (Access 2010's "Standard ACE DB", version 3) instead of Jet 4's when `ace` is set; a
// non-zero pageKey says that the pages after the header are encoded or encrypted with it.
void writeHeaderPage(std::span<std::uint8_t> page, std::u16string_view password, Timestamp created,
                     bool ace = false, std::uint32_t pageKey = 0);

// The password a Jet 4 header page holds (empty when there is none).
std::u16string readHeaderPassword(std::span<const std::uint8_t> page);

// The creation date a Jet 4 header page holds.
Timestamp readHeaderCreationDate(std::span<const std::uint8_t> page);

}  // namespace mkmdb

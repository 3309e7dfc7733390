#pragma once

#include <cstdint>
#include <span>

namespace platform::jet::crypto {

// RC4 over the data in place, from the start of the key stream: it encrypts and decrypts alike. Jet
// obscures its header and encodes pages with it; OpenSSL 3 keeps it only in its legacy provider.
void applyRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data);

}  // namespace platform::jet::crypto

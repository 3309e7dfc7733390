#include "platform/jet/file/JetFormat.h"

#include <cmath>

#include "base/LittleEndian.h"
#include "platform/jet/file/crypto/Rc4.h"

namespace platform::jet::header {

void applyHeaderCipher(std::span<std::uint8_t> page, std::size_t encryptedLength) {
    crypto::applyRc4(kKey, page.subspan(kEncryptedStart, encryptedLength));
}

void applyPasswordMask(std::span<std::uint8_t> page) {
    const double created = base::getDouble(page, kCreationDateOffset);
    // A damaged header can hold any bits: only a day number that fits counts.
    const std::int32_t day =
        std::isfinite(created) && std::fabs(created) < 2e9 ? static_cast<std::int32_t>(created) : 0;
    std::array<std::uint8_t, 4> mask;
    base::putU32(mask, 0, static_cast<std::uint32_t>(day));
    auto password = page.subspan(kPasswordOffset, 2 * kPasswordCharacters);
    for (std::size_t i = 0; i < password.size(); ++i) password[i] ^= mask[i % mask.size()];
}

}  // namespace platform::jet::header

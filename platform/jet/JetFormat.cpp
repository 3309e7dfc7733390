#include "platform/jet/JetFormat.h"

#include <cmath>
#include <utility>

#include "platform/jet/LittleEndian.h"

namespace platform::jet::header {

void applyHeaderCipher(std::span<std::uint8_t> page, std::size_t encryptedLength) {
    std::array<std::uint8_t, 256> state;
    for (std::size_t i = 0; i < state.size(); ++i) state[i] = static_cast<std::uint8_t>(i);
    for (std::size_t i = 0, j = 0; i < state.size(); ++i) {
        j = (j + state[i] + kKey[i % kKey.size()]) & 0xFF;
        std::swap(state[i], state[j]);
    }
    std::size_t i = 0, j = 0;
    for (std::uint8_t& byte : page.subspan(kEncryptedStart, encryptedLength)) {
        i = (i + 1) & 0xFF;
        j = (j + state[i]) & 0xFF;
        std::swap(state[i], state[j]);
        byte ^= state[(state[i] + state[j]) & 0xFF];
    }
}

void applyPasswordMask(std::span<std::uint8_t> page) {
    const double created = getDouble(page, kCreationDateOffset);
    // A damaged header can hold any bits: only a day number that fits counts.
    const std::int32_t day =
        std::isfinite(created) && std::fabs(created) < 2e9 ? static_cast<std::int32_t>(created) : 0;
    std::array<std::uint8_t, 4> mask;
    putU32(mask, 0, static_cast<std::uint32_t>(day));
    auto password = page.subspan(kPasswordOffset, 2 * kPasswordCharacters);
    for (std::size_t i = 0; i < password.size(); ++i) password[i] ^= mask[i % mask.size()];
}

}  // namespace platform::jet::header

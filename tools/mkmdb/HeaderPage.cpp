#include "HeaderPage.h"

#include <array>
#include <cmath>
#include <utility>
#include <vector>

#include "Bytes.h"
#include "Jet4.h"

namespace mkmdb {
namespace {

constexpr std::size_t kEncryptedStart = 0x18;
constexpr std::size_t kEncryptedLength = 128;
constexpr std::array<std::uint8_t, 4> kHeaderKey{0xC7, 0xDA, 0x39, 0x6B};

constexpr std::size_t kVersionOffset = 0x14;
constexpr std::uint32_t kJet4Version = 1;
constexpr std::size_t kCodePageOffset = 0x3C;
constexpr std::size_t kPageKeyOffset = 0x3E;
constexpr std::size_t kPasswordOffset = 0x42;
constexpr std::size_t kPasswordBytes = 2 * kMaxPasswordLength;
constexpr std::size_t kCollationOffset = 0x6E;
constexpr std::size_t kCreatedOffset = 0x72;

// RC4 keystream XOR-ed over the data; applying it twice restores the data.
void applyRc4(std::span<const std::uint8_t> key, std::span<std::uint8_t> data) {
    std::array<std::uint8_t, 256> state{};
    for (int i = 0; i < 256; ++i) state[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + state[i] + key[i % key.size()]);
        std::swap(state[i], state[j]);
    }
    std::uint8_t x = 0, y = 0;
    for (auto& byte : data) {
        x = static_cast<std::uint8_t>(x + 1);
        y = static_cast<std::uint8_t>(y + state[x]);
        std::swap(state[x], state[y]);
        byte ^= state[static_cast<std::uint8_t>(state[x] + state[y])];
    }
}

// The bytes the password is XOR-ed with: the creation date's whole days, little-endian.
std::array<std::uint8_t, 4> passwordMask(double createdDays) {
    const auto wholeDays = static_cast<std::uint32_t>(static_cast<std::int32_t>(std::floor(createdDays)));
    std::array<std::uint8_t, 4> mask{};
    putU32(mask, 0, wholeDays);
    return mask;
}

}  // namespace

void writeHeaderPage(std::span<std::uint8_t> page, std::u16string_view password, Timestamp created) {
    if (password.size() > static_cast<std::size_t>(kMaxPasswordLength))
        throw Error("the password is longer than " + std::to_string(kMaxPasswordLength) + " characters");
    std::fill(page.begin(), page.end(), std::uint8_t{0});
    page[0x01] = 0x01;
    constexpr std::string_view kSignature{"Standard Jet DB"};
    std::copy(kSignature.begin(), kSignature.end(), page.begin() + 4);
    putU32(page, kVersionOffset, kJet4Version);

    putU16(page, kCodePageOffset, jet4::kCodePage1252);
    putU32(page, kPageKeyOffset, 0);
    const auto mask = passwordMask(created.days);
    for (std::size_t i = 0; i < kPasswordBytes; ++i) {
        const std::size_t unit = i / 2;
        const std::uint8_t plain =
            unit < password.size() ? static_cast<std::uint8_t>(password[unit] >> (i % 2 == 0 ? 0 : 8)) : 0;
        page[kPasswordOffset + i] = plain ^ mask[i % 4];
    }
    putU32(page, kCollationOffset, jet4::kGeneralSortOrder);
    putDouble(page, kCreatedOffset, created.days);

    applyRc4(kHeaderKey, page.subspan(kEncryptedStart, kEncryptedLength));
}

namespace {

std::vector<std::uint8_t> decryptHeader(std::span<const std::uint8_t> page) {
    if (page.size() < kEncryptedStart + kEncryptedLength) throw Error("the header page is too short");
    std::vector<std::uint8_t> plain(page.begin(), page.begin() + kEncryptedStart + kEncryptedLength);
    applyRc4(kHeaderKey, std::span(plain).subspan(kEncryptedStart));
    return plain;
}

}  // namespace

Timestamp readHeaderCreationDate(std::span<const std::uint8_t> page) {
    return Timestamp{getDouble(decryptHeader(page), kCreatedOffset)};
}

std::u16string readHeaderPassword(std::span<const std::uint8_t> page) {
    const auto plain = decryptHeader(page);
    const auto mask = passwordMask(getDouble(plain, kCreatedOffset));
    std::u16string password;
    for (std::size_t unit = 0; unit < static_cast<std::size_t>(kMaxPasswordLength); ++unit) {
        const auto low = plain[kPasswordOffset + 2 * unit] ^ mask[(2 * unit) % 4];
        const auto high = plain[kPasswordOffset + 2 * unit + 1] ^ mask[(2 * unit + 1) % 4];
        const auto character = static_cast<char16_t>(low | (high << 8));
        if (character == 0) break;
        password.push_back(character);
    }
    return password;
}

}  // namespace mkmdb

#include "HeaderPage.h"

#include <algorithm>
#include <vector>

#include "Bytes.h"
#include "Jet4.h"
#include "platform/jet/file/JetFormat.h"

namespace mkmdb {
namespace {

using namespace platform::jet::header;

static_assert(static_cast<std::size_t>(kMaxPasswordLength) == kPasswordCharacters);

// A copy of the page's start with the header region decrypted.
std::vector<std::uint8_t> decryptHeader(std::span<const std::uint8_t> page) {
    if (page.size() < kEncryptedStart + kEncryptedLength) throw Error("the header page is too short");
    std::vector<std::uint8_t> plain(page.begin(), page.begin() + kEncryptedStart + kEncryptedLength);
    applyHeaderCipher(plain);
    return plain;
}

}  // namespace

void writeHeaderPage(std::span<std::uint8_t> page, std::u16string_view password, Timestamp created, bool ace,
                     std::uint32_t pageKey) {
    if (password.size() > kPasswordCharacters)
        throw Error("the password is longer than " + std::to_string(kMaxPasswordLength) + " characters");
    std::fill(page.begin(), page.end(), std::uint8_t{0});
    page[0x01] = 0x01;
    const auto signature = ace ? kAceSignature : kJetSignature;
    std::copy(signature.begin(), signature.end(), page.begin() + kSignatureOffset);
    putU32(page, kVersionOffset, ace ? kAce14Version : kJet4Version);

    putU16(page, kCodePageOffset, jet4::kCodePage1252);
    putU32(page, kPageKeyOffset, pageKey);
    for (std::size_t unit = 0; unit < password.size(); ++unit)
        putU16(page, kPasswordOffset + 2 * unit, password[unit]);
    putU32(page, kCollationOffset, jet4::kGeneralSortOrder);
    putDouble(page, kCreationDateOffset, created.days);

    applyPasswordMask(page);
    applyHeaderCipher(page);
}

Timestamp readHeaderCreationDate(std::span<const std::uint8_t> page) {
    return Timestamp{getDouble(decryptHeader(page), kCreationDateOffset)};
}

std::u16string readHeaderPassword(std::span<const std::uint8_t> page) {
    auto plain = decryptHeader(page);
    applyPasswordMask(plain);
    std::u16string password;
    for (std::size_t unit = 0; unit < kPasswordCharacters; ++unit) {
        const auto character = static_cast<char16_t>(getU16(plain, kPasswordOffset + 2 * unit));
        if (character == 0) break;
        password.push_back(character);
    }
    return password;
}

}  // namespace mkmdb

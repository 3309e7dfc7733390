#include "PageProtection.h"

#include <optional>

#include "HeaderPage.h"
#include "Utf16.h"
#include "platform/jet/file/JetFormat.h"
#include "platform/jet/file/crypto/PageCipher.h"

namespace mkmdb {
namespace {

namespace crypto = platform::jet::crypto;
using namespace platform::jet::header;

// Any key but 0, which says the pages are plain.
std::uint32_t newPageKey() {
    const auto bytes = crypto::randomBytes(4);
    const std::uint32_t key = getU32(bytes, 0);
    return key != 0 ? key : 1;
}

crypto::EncryptionKind officeKind(Encryption encryption) {
    switch (encryption) {
        case Encryption::Rc4CryptoApi:
            return crypto::EncryptionKind::Rc4CryptoApi;
        case Encryption::StandardAes:
            return crypto::EncryptionKind::StandardAes;
        default:
            return crypto::EncryptionKind::Agile;
    }
}

}  // namespace

void protectPages(FileImage& image, const Database& database) {
    const auto password = toUtf16(database.password, "the password");
    auto header = image.page(0);
    if (database.encryption == Encryption::None) {
        writeHeaderPage(header, password, database.created);
        return;
    }
    const std::uint32_t pageKey = newPageKey();
    std::optional<crypto::PageCipher> cipher;
    if (database.encryption == Encryption::JetEncoding) {
        writeHeaderPage(header, password, database.created, false, pageKey);
        cipher = crypto::PageCipher::encoding(pageKey);
    } else {
        writeHeaderPage(header, u"", database.created, true, pageKey);
        auto [info, unlocked] = crypto::PageCipher::create(officeKind(database.encryption), password, pageKey,
                                                           database.spinCount);
        const auto bytes = crypto::serializeEncryptionInfo(info);
        if (bytes.size() > header.size() - kEncryptionInfoOffset)
            throw Error("internal: encryption info too long");
        putU16(header, kEncryptionInfoLengthOffset, static_cast<std::uint16_t>(bytes.size()));
        std::copy(bytes.begin(), bytes.end(), header.begin() + kEncryptionInfoOffset);
        cipher = std::move(unlocked);
    }
    for (std::uint32_t number = 1; number < image.pageCount(); ++number)
        cipher->encrypt(number, image.page(number));
}

}  // namespace mkmdb

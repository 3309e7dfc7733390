#include "platform/jet/file/crypto/KeyCache.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

#include <algorithm>
#include <stdexcept>

namespace platform::jet::crypto {
namespace {

constexpr std::size_t kSecretBytes = 32;

void appendLength(Bytes& to, std::size_t length) {
    for (int shift = 0; shift < 64; shift += 8) to.push_back(static_cast<std::uint8_t>(length >> shift));
}

void appendField(Bytes& to, ByteView field) {
    appendLength(to, field.size());
    to.insert(to.end(), field.begin(), field.end());
}

}  // namespace

struct KeyCache::Entry {
    Bytes digest;
    PageCipher cipher;
};

KeyCache::KeyCache(Unlock unlock, std::size_t capacity)
    : unlock_(std::move(unlock)),
      capacity_(std::max<std::size_t>(capacity, 1)),
      secret_(randomBytes(kSecretBytes)) {}

KeyCache::~KeyCache() {
    OPENSSL_cleanse(secret_.data(), secret_.size());
}

Bytes KeyCache::digestOf(ByteView fileVersion, ByteView info, std::u16string_view password,
                         std::uint32_t pageKey) const {
    // Each field but the last carries its length, so that no two different inputs read alike.
    Bytes message;
    appendField(message, fileVersion);
    appendField(message, info);
    appendField(message, littleEndian(pageKey));
    for (char16_t unit : password) {
        message.push_back(static_cast<std::uint8_t>(unit));
        message.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    Bytes digest(EVP_MAX_MD_SIZE);
    unsigned int length = 0;
    const bool made = HMAC(EVP_sha256(), secret_.data(), static_cast<int>(secret_.size()), message.data(),
                           message.size(), digest.data(), &length) != nullptr;
    OPENSSL_cleanse(message.data(), message.size());
    if (!made) throw std::runtime_error("the cryptography library failed to make a digest.");
    digest.resize(length);
    return digest;
}

std::optional<PageCipher> KeyCache::unlock(ByteView fileVersion, ByteView info, std::u16string_view password,
                                           std::uint32_t pageKey) {
    const Bytes digest = digestOf(fileVersion, info, password, pageKey);
    const auto same = [&](const Entry& entry) {
        return entry.digest.size() == digest.size() &&
               CRYPTO_memcmp(entry.digest.data(), digest.data(), digest.size()) == 0;
    };
    {
        std::lock_guard lock(mutex_);
        const auto found = std::find_if(entries_.begin(), entries_.end(), same);
        if (found != entries_.end()) {
            std::rotate(entries_.begin(), found, found + 1);
            return PageCipher(entries_.front().cipher);
        }
    }
    // Derived without the lock: another file's open need not wait for this one's spin rounds.
    auto cipher = unlock_(parseEncryptionInfo(info), password, pageKey);
    if (!cipher) return std::nullopt;
    std::lock_guard lock(mutex_);
    std::erase_if(entries_, same);
    entries_.insert(entries_.begin(), Entry{digest, PageCipher(*cipher)});
    while (entries_.size() > capacity_) entries_.pop_back();
    return cipher;
}

std::shared_ptr<KeyCache> sharedKeyCache() {
    static const auto cache = std::make_shared<KeyCache>();
    return cache;
}

}  // namespace platform::jet::crypto

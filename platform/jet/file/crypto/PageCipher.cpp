#include "platform/jet/file/crypto/PageCipher.h"

#include <openssl/crypto.h>

#include <algorithm>
#include <array>

#include "platform/jet/file/crypto/Rc4.h"

namespace platform::jet::crypto {
namespace {

// The block numbers agile encryption derives its three password keys with.
constexpr std::array<std::uint8_t, 8> kVerifierInputBlock{0xFE, 0xA7, 0xD2, 0x76, 0x3B, 0x4B, 0x9E, 0x79};
constexpr std::array<std::uint8_t, 8> kVerifierHashBlock{0xD7, 0xAA, 0x0F, 0x6D, 0x30, 0x61, 0x34, 0x4E};
constexpr std::array<std::uint8_t, 8> kKeyValueBlock{0x14, 0x6E, 0x0B, 0xE7, 0xAB, 0xAC, 0xD0, 0xD6};

constexpr std::uint32_t kStandardSpinCount = 50000;
constexpr std::size_t kVerifierSize = 16;
// A 40-bit RC4 key is padded with zeros to 128 bits; longer ones are used as they are.
constexpr std::size_t kRc4ShortKey = 5;
constexpr std::size_t kRc4PaddedKey = 16;

// The password's UTF-16 in little-endian order, whatever the machine's.
Bytes passwordBytes(std::u16string_view password) {
    Bytes bytes;
    for (char16_t unit : password) {
        bytes.push_back(static_cast<std::uint8_t>(unit));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

// Hash(salt + password), then `rounds` times Hash(round number + hash).
Bytes spunHash(Hasher& hasher, ByteView salt, std::u16string_view password, std::uint32_t rounds) {
    Bytes hash = hasher.hash({salt, passwordBytes(password)});
    for (std::uint32_t round = 0; round < rounds; ++round) hasher.hashInto({littleEndian(round), hash}, hash);
    return hash;
}

// Cut to `size` bytes, or lengthened with `fill`.
Bytes fitted(Bytes bytes, std::size_t size, std::uint8_t fill) {
    bytes.resize(size, fill);
    return bytes;
}

bool sameBytes(ByteView a, ByteView b) {
    return a.size() == b.size() && CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0;
}

// CryptoAPI's key for a block: SHA-1 of the password hash and the block number, for RC4 as it is,
// for AES stretched through CryptDeriveKey's two padded hashes.
Bytes cryptoApiKey(Hasher& sha1, ByteView passwordHash, std::uint32_t block, std::size_t keyBytes, bool aes) {
    const Bytes blockHash = sha1.hash({passwordHash, littleEndian(block)});
    if (!aes)
        return fitted(Bytes(blockHash.begin(), blockHash.begin() + keyBytes),
                      keyBytes == kRc4ShortKey ? kRc4PaddedKey : keyBytes, 0);
    std::array<std::uint8_t, 64> inner, outer;
    inner.fill(0x36);
    outer.fill(0x5C);
    for (std::size_t i = 0; i < blockHash.size(); ++i) {
        inner[i] ^= blockHash[i];
        outer[i] ^= blockHash[i];
    }
    Bytes key = sha1.hash({inner});
    const Bytes second = sha1.hash({outer});
    key.insert(key.end(), second.begin(), second.end());
    return fitted(std::move(key), keyBytes, 0);
}

// Agile encryption's key for one of its fixed blocks.
Bytes agileKey(Hasher& hasher, ByteView passwordHash, ByteView block, std::size_t keyBytes) {
    return fitted(hasher.hash({passwordHash, block}), keyBytes, 0x36);
}

struct AgileKeys {
    Bytes verifierInput, verifierHash, keyValue;
};

AgileKeys agilePasswordKeys(const AgileKey& key, std::u16string_view password, std::uint32_t spinCount) {
    Hasher hasher(key.hash);
    const Bytes hash = spunHash(hasher, key.salt, password, spinCount);
    return {agileKey(hasher, hash, kVerifierInputBlock, key.keyBytes),
            agileKey(hasher, hash, kVerifierHashBlock, key.keyBytes),
            agileKey(hasher, hash, kKeyValueBlock, key.keyBytes)};
}

Bytes aesCopy(ByteView key, ByteView iv, ByteView data, Direction direction) {
    Bytes copy(data.begin(), data.end());
    applyAes(key, iv, copy, direction);
    return copy;
}

// RC4 CryptoAPI runs one key stream over the verifier and then its hash.
void applyRc4ToVerifier(ByteView key, Bytes& verifier, Bytes& verifierHash) {
    Bytes both = verifier;
    both.insert(both.end(), verifierHash.begin(), verifierHash.end());
    applyRc4(key, both);
    verifier.assign(both.begin(), both.begin() + kVerifierSize);
    verifierHash.assign(both.begin() + kVerifierSize, both.end());
}

Bytes padToBlocks(Bytes bytes) {
    bytes.resize((bytes.size() + 15) / 16 * 16, 0);
    return bytes;
}

}  // namespace

PageCipher::PageCipher(Scheme scheme, std::uint32_t pageKey) : scheme_(scheme), pageKey_(pageKey) {}
PageCipher::PageCipher(const PageCipher& other)
    : scheme_(other.scheme_),
      pageKey_(other.pageKey_),
      key_(other.key_),
      keyBytes_(other.keyBytes_),
      ivSalt_(other.ivSalt_),
      ivBytes_(other.ivBytes_),
      hash_(other.hash_),
      hasher_(other.hasher_ ? std::make_unique<Hasher>(other.hash_) : nullptr) {}
PageCipher::PageCipher(PageCipher&&) noexcept = default;
PageCipher& PageCipher::operator=(PageCipher&&) noexcept = default;
PageCipher::~PageCipher() {
    OPENSSL_cleanse(key_.data(), key_.size());
}

PageCipher PageCipher::encoding(std::uint32_t pageKey) {
    return PageCipher(Scheme::Encoding, pageKey);
}

std::optional<PageCipher> PageCipher::unlock(const EncryptionInfo& info, std::u16string_view password,
                                             std::uint32_t pageKey) {
    if (const auto* agile = std::get_if<AgileEncryption>(&info)) {
        const AgileKeys keys = agilePasswordKeys(agile->password, password, agile->spinCount);
        const Bytes iv = fitted(agile->password.salt, agile->password.blockSize, 0x36);
        const Bytes input =
            aesCopy(keys.verifierInput, iv, agile->encryptedVerifierHashInput, Direction::Decrypt);
        const Bytes hash =
            aesCopy(keys.verifierHash, iv, agile->encryptedVerifierHashValue, Direction::Decrypt);
        Hasher hasher(agile->password.hash);
        const Bytes expected =
            hasher.hash({ByteView(input).first(std::min(input.size(), agile->password.salt.size()))});
        if (!sameBytes(expected, ByteView(hash).first(expected.size()))) return std::nullopt;

        PageCipher cipher(Scheme::Agile, pageKey);
        cipher.key_ = aesCopy(keys.keyValue, iv, agile->encryptedKeyValue, Direction::Decrypt);
        cipher.key_.resize(agile->data.keyBytes);
        cipher.ivSalt_ = agile->data.salt;
        cipher.ivBytes_ = agile->data.blockSize;
        cipher.hash_ = agile->data.hash;
        cipher.hasher_ = std::make_unique<Hasher>(cipher.hash_);
        return cipher;
    }

    const auto& cryptoApi = std::get<CryptoApiEncryption>(info);
    const bool aes = cryptoApi.cipher == CryptoApiEncryption::Cipher::Aes;
    auto sha1 = std::make_unique<Hasher>(HashAlgorithm::Sha1);
    Bytes hash = spunHash(*sha1, cryptoApi.salt, password, aes ? kStandardSpinCount : 0);
    const Bytes key = cryptoApiKey(*sha1, hash, 0, cryptoApi.keyBytes, aes);
    Bytes verifier = cryptoApi.encryptedVerifier;
    Bytes verifierHash = cryptoApi.encryptedVerifierHash;
    if (aes) {
        applyAes(key, {}, verifier, Direction::Decrypt);
        applyAes(key, {}, verifierHash, Direction::Decrypt);
    } else {
        applyRc4ToVerifier(key, verifier, verifierHash);
    }
    const Bytes expected = sha1->hash({verifier});
    if (!sameBytes(expected, ByteView(verifierHash).first(expected.size()))) return std::nullopt;

    PageCipher cipher(aes ? Scheme::StandardAes : Scheme::Rc4CryptoApi, pageKey);
    cipher.key_ = std::move(hash);
    cipher.keyBytes_ = cryptoApi.keyBytes;
    cipher.hasher_ = std::move(sha1);
    return cipher;
}

std::pair<EncryptionInfo, PageCipher> PageCipher::create(EncryptionKind kind, std::u16string_view password,
                                                         std::uint32_t pageKey, std::uint32_t spinCount) {
    const Bytes verifier = randomBytes(kVerifierSize);
    if (kind == EncryptionKind::Agile) {
        AgileEncryption info;
        info.data.salt = randomBytes(16);
        info.password.salt = randomBytes(16);
        info.spinCount = spinCount;
        const AgileKeys keys = agilePasswordKeys(info.password, password, spinCount);
        const Bytes iv = fitted(info.password.salt, info.password.blockSize, 0x36);
        Hasher hasher(info.password.hash);
        info.encryptedVerifierHashInput = aesCopy(keys.verifierInput, iv, verifier, Direction::Encrypt);
        info.encryptedVerifierHashValue =
            aesCopy(keys.verifierHash, iv, padToBlocks(hasher.hash({verifier})), Direction::Encrypt);
        info.encryptedKeyValue =
            aesCopy(keys.keyValue, iv, randomBytes(info.data.keyBytes), Direction::Encrypt);
        auto cipher = unlock(info, password, pageKey);
        return {std::move(info), std::move(*cipher)};
    }

    CryptoApiEncryption info;
    const bool aes = kind == EncryptionKind::StandardAes;
    info.cipher = aes ? CryptoApiEncryption::Cipher::Aes : CryptoApiEncryption::Cipher::Rc4;
    info.keyBytes = 16;
    info.salt = randomBytes(kVerifierSize);
    Hasher sha1(HashAlgorithm::Sha1);
    const Bytes hash = spunHash(sha1, info.salt, password, aes ? kStandardSpinCount : 0);
    const Bytes key = cryptoApiKey(sha1, hash, 0, info.keyBytes, aes);
    Bytes verifierHash = sha1.hash({verifier});
    info.encryptedVerifier = verifier;
    if (aes) {
        verifierHash = padToBlocks(std::move(verifierHash));
        applyAes(key, {}, info.encryptedVerifier, Direction::Encrypt);
        applyAes(key, {}, verifierHash, Direction::Encrypt);
    } else {
        applyRc4ToVerifier(key, info.encryptedVerifier, verifierHash);
    }
    info.encryptedVerifierHash = std::move(verifierHash);
    auto cipher = unlock(info, password, pageKey);
    return {std::move(info), std::move(*cipher)};
}

void PageCipher::decrypt(std::uint32_t page, std::span<std::uint8_t> bytes) {
    apply(page, bytes, Direction::Decrypt);
}

void PageCipher::encrypt(std::uint32_t page, std::span<std::uint8_t> bytes) {
    apply(page, bytes, Direction::Encrypt);
}

void PageCipher::apply(std::uint32_t page, std::span<std::uint8_t> bytes, Direction direction) {
    const auto block = littleEndian(pageKey_ ^ page);
    switch (scheme_) {
        case Scheme::Encoding:
            applyRc4(block, bytes);
            return;
        case Scheme::Rc4CryptoApi:
            applyRc4(cryptoApiKey(*hasher_, key_, pageKey_ ^ page, keyBytes_, false), bytes);
            return;
        case Scheme::StandardAes:
            applyAes(cryptoApiKey(*hasher_, key_, pageKey_ ^ page, keyBytes_, true), {}, bytes, direction);
            return;
        case Scheme::Agile:
            applyAes(key_, fitted(hasher_->hash({ivSalt_, block}), ivBytes_, 0x36), bytes, direction);
            return;
    }
}

}  // namespace platform::jet::crypto

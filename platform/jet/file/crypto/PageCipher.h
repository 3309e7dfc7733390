#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "platform/jet/file/crypto/EncryptionInfo.h"

namespace platform::jet::crypto {

enum class EncryptionKind { Rc4CryptoApi, StandardAes, Agile };

// The key to the pages of an encoded or encrypted file. Every page after the header has its own key
// (RC4 and AES "standard" encryption) or iv (agile encryption), made from its number XOR-ed with the
// page key the header keeps; the header page itself is never encrypted.
class PageCipher {
  public:
    // Jet's page encoding: RC4 keyed with the page key XOR-ed with the page number.
    static PageCipher encoding(std::uint32_t pageKey);

    // The cipher of an Office-encrypted file when the password (UTF-16, as typed) passes the info's
    // verifier; empty when it does not. Derives the password's key, which takes the info's spin
    // count in hash rounds.
    static std::optional<PageCipher> unlock(const EncryptionInfo& info, std::u16string_view password,
                                            std::uint32_t pageKey);

    // New encryption for the password, with fresh salts and a fresh key: the info to store and the
    // cipher that info unlocks. Agile encryption uses AES-256 and SHA-512 with spinCount rounds.
    static std::pair<EncryptionInfo, PageCipher> create(EncryptionKind kind, std::u16string_view password,
                                                        std::uint32_t pageKey,
                                                        std::uint32_t spinCount = 100000);

    // A copy for another reader, with a hash context of its own.
    PageCipher(const PageCipher& other);
    PageCipher(PageCipher&&) noexcept;
    PageCipher& operator=(PageCipher&&) noexcept;
    ~PageCipher();  // wipes the key

    // The page numbered `page` (not 0), in place; its size is a whole number of AES blocks.
    void decrypt(std::uint32_t page, std::span<std::uint8_t> bytes);
    void encrypt(std::uint32_t page, std::span<std::uint8_t> bytes);

  private:
    enum class Scheme { Encoding, Rc4CryptoApi, StandardAes, Agile };
    PageCipher(Scheme scheme, std::uint32_t pageKey);
    void apply(std::uint32_t page, std::span<std::uint8_t> bytes, Direction direction);

    Scheme scheme_;
    std::uint32_t pageKey_;
    Bytes key_;                 // CryptoAPI: the password hash a page's key is derived from; agile: the key
    std::size_t keyBytes_ = 0;  // CryptoAPI: the length of a page's key
    Bytes ivSalt_;              // agile: the salt a page's iv is hashed from
    std::size_t ivBytes_ = 0;   // agile: the length of a page's iv
    HashAlgorithm hash_ = HashAlgorithm::Sha1;
    std::unique_ptr<Hasher> hasher_;  // of hash_: agile, the iv's hash; CryptoAPI, SHA-1
};

}  // namespace platform::jet::crypto

#pragma once

#include <cstdint>
#include <stdexcept>
#include <variant>

#include "platform/jet/file/crypto/Digest.h"

// The encryption info an Office-encrypted file keeps in its header page: which cipher encrypts the
// pages, the salts, and the verifier the password is checked against. It comes from the file, so it is
// read with every size bounded and every value checked before a key is derived from it.
namespace platform::jet::crypto {

// The binary form of CryptoAPI's RC4 and of AES "standard" encryption.
struct CryptoApiEncryption {
    enum class Cipher { Rc4, Aes };
    Cipher cipher = Cipher::Aes;
    std::size_t keyBytes = 16;    // RC4: 5 (40 bits) to 16; AES: 16, 24 or 32
    Bytes salt;                   // 16 bytes
    Bytes encryptedVerifier;      // 16 bytes
    Bytes encryptedVerifierHash;  // the verifier's SHA-1: 20 bytes with RC4, padded to 32 with AES
};

// One key's parameters in the XML form ("agile" encryption): the cipher is AES-CBC.
struct AgileKey {
    std::size_t keyBytes = 32;
    std::size_t blockSize = 16;
    HashAlgorithm hash = HashAlgorithm::Sha512;
    Bytes salt;
};

struct AgileEncryption {
    AgileKey data;      // the pages' cipher; its salt seeds each page's iv
    AgileKey password;  // the cipher that wraps the pages' key under the password
    std::uint32_t spinCount = 100000;
    Bytes encryptedVerifierHashInput;
    Bytes encryptedVerifierHashValue;
    Bytes encryptedKeyValue;
};

using EncryptionInfo = std::variant<CryptoApiEncryption, AgileEncryption>;

// Office allows at most ten million hash rounds; more would keep a user waiting for minutes.
inline constexpr std::uint32_t kMaxSpinCount = 10'000'000;

// Why the info cannot be used, in words for the user ("the spin count ... is larger than ...").
class EncryptionInfoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the info (the bytes after its length in the header page). Raises EncryptionInfoError.
EncryptionInfo parseEncryptionInfo(ByteView info);

// The bytes parseEncryptionInfo reads back, for our own writer of encrypted files.
Bytes serializeEncryptionInfo(const EncryptionInfo& info);

}  // namespace platform::jet::crypto

#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The primitives of Office encryption over OpenSSL's libcrypto. They raise std::runtime_error only
// when libcrypto itself fails (no memory, an algorithm missing from its providers).
namespace platform::jet::crypto {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

enum class HashAlgorithm { Sha1, Sha256, Sha384, Sha512 };

std::size_t hashSize(HashAlgorithm algorithm);
// "SHA1", "SHA512", ...: the name both libcrypto and the XML encryption info give it.
const char* hashName(HashAlgorithm algorithm);

// Hashes the concatenation of byte strings, one hash after another through one context: key
// derivation hashes up to millions of times.
class Hasher {
  public:
    explicit Hasher(HashAlgorithm algorithm);
    ~Hasher();
    Hasher(const Hasher&) = delete;
    Hasher& operator=(const Hasher&) = delete;

    std::size_t size() const { return size_; }
    // out must hold size() bytes; it may overlap the parts.
    void hashInto(std::initializer_list<ByteView> parts, std::span<std::uint8_t> out);
    Bytes hash(std::initializer_list<ByteView> parts);

  private:
    struct Handles;
    std::unique_ptr<Handles> handles_;
    std::size_t size_;
};

enum class Direction { Decrypt, Encrypt };

// AES over whole 16-byte blocks in place, without padding: CBC from the iv, or ECB when iv is empty.
// The key is 16, 24 or 32 bytes.
void applyAes(ByteView key, ByteView iv, std::span<std::uint8_t> data, Direction direction);

// Base64 as the XML encryption info writes it; empty when the text is not Base64 or would decode to
// more than maxBytes.
std::optional<Bytes> decodeBase64(std::string_view text, std::size_t maxBytes);
std::string encodeBase64(ByteView bytes);

Bytes randomBytes(std::size_t count);

// The 32-bit number as four little-endian bytes, as block numbers enter key derivation.
std::array<std::uint8_t, 4> littleEndian(std::uint32_t value);

}  // namespace platform::jet::crypto

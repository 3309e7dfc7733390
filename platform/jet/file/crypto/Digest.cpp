#include "platform/jet/file/crypto/Digest.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <algorithm>
#include <array>
#include <stdexcept>

#include "base/UniqueHandle.h"

namespace platform::jet::crypto {
namespace {

[[noreturn]] void cryptoFailed(const char* what) {
    throw std::runtime_error(std::string("the cryptography library failed to ") + what + ".");
}

const char* aesName(std::size_t keyBytes, bool chained) {
    switch (keyBytes) {
        case 16:
            return chained ? "AES-128-CBC" : "AES-128-ECB";
        case 24:
            return chained ? "AES-192-CBC" : "AES-192-ECB";
        case 32:
            return chained ? "AES-256-CBC" : "AES-256-ECB";
    }
    throw std::invalid_argument("an AES key is 16, 24 or 32 bytes");
}

}  // namespace

const char* hashName(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha1:
            return "SHA1";
        case HashAlgorithm::Sha256:
            return "SHA256";
        case HashAlgorithm::Sha384:
            return "SHA384";
        case HashAlgorithm::Sha512:
            return "SHA512";
    }
    return "";
}

std::size_t hashSize(HashAlgorithm algorithm) {
    switch (algorithm) {
        case HashAlgorithm::Sha1:
            return 20;
        case HashAlgorithm::Sha256:
            return 32;
        case HashAlgorithm::Sha384:
            return 48;
        case HashAlgorithm::Sha512:
            return 64;
    }
    return 0;
}

struct Hasher::Handles {
    base::Unique<EVP_MD*, EVP_MD_free> md;
    base::Unique<EVP_MD_CTX*, EVP_MD_CTX_free> context;
};

Hasher::Hasher(HashAlgorithm algorithm) : handles_(std::make_unique<Handles>()), size_(hashSize(algorithm)) {
    // Fetched once: looking the algorithm up at each hash would cost more than the hash.
    handles_->md.reset(EVP_MD_fetch(nullptr, hashName(algorithm), nullptr));
    handles_->context.reset(EVP_MD_CTX_new());
    if (!handles_->md || !handles_->context) cryptoFailed("provide a hash function");
}

Hasher::~Hasher() = default;

void Hasher::hashInto(std::initializer_list<ByteView> parts, std::span<std::uint8_t> out) {
    EVP_MD_CTX* context = handles_->context.get();
    if (out.size() < size_ || !EVP_DigestInit_ex2(context, handles_->md.get(), nullptr))
        cryptoFailed("start a hash");
    for (ByteView part : parts)
        if (!EVP_DigestUpdate(context, part.data(), part.size())) cryptoFailed("hash");
    std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest;
    unsigned int length = 0;
    if (!EVP_DigestFinal_ex(context, digest.data(), &length)) cryptoFailed("finish a hash");
    std::copy_n(digest.begin(), size_, out.begin());
}

Bytes Hasher::hash(std::initializer_list<ByteView> parts) {
    Bytes out(size_);
    hashInto(parts, out);
    return out;
}

void applyAes(ByteView key, ByteView iv, std::span<std::uint8_t> data, Direction direction) {
    if (data.size() % 16 != 0) throw std::invalid_argument("AES takes whole blocks");
    base::Unique<EVP_CIPHER*, EVP_CIPHER_free> cipher(
        EVP_CIPHER_fetch(nullptr, aesName(key.size(), !iv.empty()), nullptr));
    base::Unique<EVP_CIPHER_CTX*, EVP_CIPHER_CTX_free> context(EVP_CIPHER_CTX_new());
    if (!cipher || !context) cryptoFailed("provide AES");
    if (!iv.empty() && iv.size() != 16) throw std::invalid_argument("an AES iv is one block");
    if (!EVP_CipherInit_ex2(context.get(), cipher.get(), key.data(), iv.empty() ? nullptr : iv.data(),
                            direction == Direction::Encrypt ? 1 : 0, nullptr) ||
        !EVP_CIPHER_CTX_set_padding(context.get(), 0))
        cryptoFailed("start AES");
    int written = 0;
    if (!EVP_CipherUpdate(context.get(), data.data(), &written, data.data(), static_cast<int>(data.size())))
        cryptoFailed("run AES");
}

std::optional<Bytes> decodeBase64(std::string_view text, std::size_t maxBytes) {
    if (text.size() % 4 != 0 || text.size() / 4 * 3 > maxBytes + 2) return std::nullopt;
    Bytes out(text.size() / 4 * 3);
    const int length = EVP_DecodeBlock(out.data(), reinterpret_cast<const unsigned char*>(text.data()),
                                       static_cast<int>(text.size()));
    if (length < 0) return std::nullopt;
    // EVP_DecodeBlock counts the padding as zero bytes.
    std::size_t size = static_cast<std::size_t>(length);
    for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && size > 0; --i) --size;
    if (size > maxBytes) return std::nullopt;
    out.resize(size);
    return out;
}

std::string encodeBase64(ByteView bytes) {
    std::string text((bytes.size() + 2) / 3 * 4 + 1, '\0');
    const int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), bytes.data(),
                                       static_cast<int>(bytes.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

Bytes randomBytes(std::size_t count) {
    Bytes out(count);
    if (RAND_bytes(out.data(), static_cast<int>(count)) != 1) cryptoFailed("give random bytes");
    return out;
}

std::array<std::uint8_t, 4> littleEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

}  // namespace platform::jet::crypto

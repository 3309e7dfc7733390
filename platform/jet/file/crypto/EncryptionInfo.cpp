#include "platform/jet/file/crypto/EncryptionInfo.h"

#include <charconv>
#include <map>
#include <string>
#include <string_view>

#include "base/LittleEndian.h"

namespace platform::jet::crypto {
namespace {

constexpr std::uint16_t kAgileVersion = 4;  // major and minor 4
constexpr std::uint32_t kAgileReserved = 0x40;
constexpr std::uint16_t kCryptoApiMinorVersion = 2;  // majors 2 to 4
constexpr std::uint32_t kCryptoApiFlag = 0x04;
constexpr std::uint32_t kAesFlag = 0x20;
constexpr std::uint32_t kRc4Algorithm = 0x6801;
constexpr std::uint32_t kAes128Algorithm = 0x660E;  // then 192 and 256 bits
constexpr std::uint32_t kSha1Algorithm = 0x8004;
constexpr std::uint32_t kVerifierSize = 16;
constexpr std::uint32_t kSha1Size = 20;
constexpr std::size_t kFixedHeaderSize = 32;  // the header before its provider name
constexpr std::size_t kMaxSaltSize = 64;
constexpr std::size_t kMaxWrappedSize = 128;

[[noreturn]] void fail(const std::string& reason) {
    throw EncryptionInfoError(reason);
}

// Reads little-endian numbers and byte strings from the info, failing at its end.
class InfoReader {
  public:
    explicit InfoReader(ByteView bytes) : bytes_(bytes) {}

    std::uint16_t u16() { return base::getU16(take(2), 0); }
    std::uint32_t u32() { return base::getU32(take(4), 0); }
    Bytes bytes(std::size_t count) {
        auto part = take(count);
        return Bytes(part.begin(), part.end());
    }
    ByteView take(std::size_t count) {
        if (count > bytes_.size() - at_) fail("the encryption info is cut short");
        auto part = bytes_.subspan(at_, count);
        at_ += count;
        return part;
    }
    ByteView rest() const { return bytes_.subspan(at_); }

  private:
    ByteView bytes_;
    std::size_t at_ = 0;
};

CryptoApiEncryption readCryptoApi(InfoReader& reader) {
    const std::uint32_t flags = reader.u32();
    const std::uint32_t headerSize = reader.u32();
    if (headerSize < kFixedHeaderSize) fail("the encryption header is too short");
    InfoReader header(reader.take(headerSize));
    header.u32();  // the flags again
    header.u32();  // no extra data
    const std::uint32_t algorithm = header.u32();
    const std::uint32_t hash = header.u32();
    std::uint32_t keyBits = header.u32();
    if (!(flags & kCryptoApiFlag)) fail("the encryption is not CryptoAPI encryption");
    if (hash != kSha1Algorithm && hash != 0) fail("the encryption uses an unknown hash");

    CryptoApiEncryption info;
    if (algorithm == kRc4Algorithm && !(flags & kAesFlag)) {
        info.cipher = CryptoApiEncryption::Cipher::Rc4;
        if (keyBits == 0) keyBits = 40;
        if (keyBits < 40 || keyBits > 128 || keyBits % 8 != 0) fail("the RC4 key size is not one RC4 takes");
    } else if (algorithm >= kAes128Algorithm && algorithm <= kAes128Algorithm + 2) {
        info.cipher = CryptoApiEncryption::Cipher::Aes;
        if (keyBits != 128 + 64 * (algorithm - kAes128Algorithm)) fail("the AES key size does not match");
    } else {
        fail("the encryption uses an unknown cipher");
    }
    info.keyBytes = keyBits / 8;

    if (reader.u32() != kVerifierSize) fail("the salt size is not 16");
    info.salt = reader.bytes(kVerifierSize);
    info.encryptedVerifier = reader.bytes(kVerifierSize);
    if (reader.u32() != kSha1Size) fail("the verifier hash size is not 20");
    info.encryptedVerifierHash =
        reader.bytes(info.cipher == CryptoApiEncryption::Cipher::Rc4 ? kSha1Size : 32);
    return info;
}

// The attributes of the first element with this local name (any namespace prefix), or of the first
// such element that has the attribute `having`. The XML is small and machine-written; this reads no
// more of it than that, and never more than it holds.
using Attributes = std::map<std::string, std::string, std::less<>>;

bool isNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '_' || c == '-' || c == '.';
}

std::optional<Attributes> attributesAt(std::string_view xml, std::size_t at) {
    Attributes attributes;
    for (;;) {
        while (at < xml.size() && (xml[at] == ' ' || xml[at] == '\t' || xml[at] == '\r' || xml[at] == '\n'))
            ++at;
        if (at >= xml.size()) return std::nullopt;
        if (xml[at] == '>' || xml.substr(at, 2) == "/>") return attributes;
        const std::size_t nameStart = at;
        while (at < xml.size() && isNameCharacter(xml[at])) ++at;
        if (at == nameStart || at + 2 > xml.size() || xml[at] != '=') return std::nullopt;
        const char quote = xml[at + 1];
        if (quote != '"' && quote != '\'') return std::nullopt;
        const std::size_t valueEnd = xml.find(quote, at + 2);
        if (valueEnd == std::string_view::npos) return std::nullopt;
        attributes.emplace(std::string(xml.substr(nameStart, at - nameStart)),
                           std::string(xml.substr(at + 2, valueEnd - at - 2)));
        at = valueEnd + 1;
    }
}

Attributes element(std::string_view xml, std::string_view localName, std::string_view having = {}) {
    for (std::size_t at = xml.find('<'); at != std::string_view::npos; at = xml.find('<', at + 1)) {
        std::size_t nameEnd = at + 1;
        while (nameEnd < xml.size() && isNameCharacter(xml[nameEnd])) ++nameEnd;
        std::string_view name = xml.substr(at + 1, nameEnd - at - 1);
        if (const auto colon = name.rfind(':'); colon != std::string_view::npos)
            name.remove_prefix(colon + 1);
        if (name != localName) continue;
        auto attributes = attributesAt(xml, nameEnd);
        if (!attributes) fail("the encryption info is not well-formed XML");
        if (having.empty() || attributes->contains(having)) return *attributes;
    }
    fail("the encryption info has no " + std::string(localName));
}

const std::string& attribute(const Attributes& attributes, std::string_view name) {
    auto found = attributes.find(name);
    if (found == attributes.end()) fail("the encryption info has no " + std::string(name));
    return found->second;
}

std::uint64_t number(const Attributes& attributes, std::string_view name) {
    const std::string& text = attribute(attributes, name);
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        fail("the encryption info's " + std::string(name) + " is not a number");
    return value;
}

Bytes base64(const Attributes& attributes, std::string_view name, std::size_t maxBytes) {
    auto bytes = decodeBase64(attribute(attributes, name), maxBytes);
    if (!bytes || bytes->empty())
        fail("the encryption info's " + std::string(name) + " is not a valid value");
    return std::move(*bytes);
}

HashAlgorithm hashNamed(const std::string& name) {
    for (auto hash :
         {HashAlgorithm::Sha1, HashAlgorithm::Sha256, HashAlgorithm::Sha384, HashAlgorithm::Sha512})
        if (name == hashName(hash)) return hash;
    if (name == "SHA-1") return HashAlgorithm::Sha1;
    fail("the encryption uses an unknown hash, " + name);
}

AgileKey agileKey(const Attributes& attributes) {
    if (attribute(attributes, "cipherAlgorithm") != "AES")
        fail("the encryption uses a cipher other than AES");
    if (attribute(attributes, "cipherChaining") != "ChainingModeCBC")
        fail("the encryption uses a chaining other than CBC");
    AgileKey key;
    key.hash = hashNamed(attribute(attributes, "hashAlgorithm"));
    const std::uint64_t keyBits = number(attributes, "keyBits");
    if (keyBits != 128 && keyBits != 192 && keyBits != 256) fail("the AES key size is not one AES takes");
    key.keyBytes = keyBits / 8;
    if (number(attributes, "blockSize") != 16) fail("the block size is not AES's");
    if (number(attributes, "hashSize") != hashSize(key.hash)) fail("the hash size does not match the hash");
    key.salt = base64(attributes, "saltValue", kMaxSaltSize);
    if (number(attributes, "saltSize") != key.salt.size()) fail("the salt size does not match the salt");
    return key;
}

// A wrapped value: whole AES blocks, at least `least` bytes.
Bytes wrapped(const Attributes& attributes, std::string_view name, std::size_t least) {
    Bytes value = base64(attributes, name, kMaxWrappedSize);
    if (value.size() % 16 != 0 || value.size() < least)
        fail("the encryption info's " + std::string(name) + " has the wrong size");
    return value;
}

AgileEncryption readAgile(ByteView xmlBytes) {
    const std::string_view xml(reinterpret_cast<const char*>(xmlBytes.data()), xmlBytes.size());
    AgileEncryption info;
    info.data = agileKey(element(xml, "keyData"));
    const Attributes key = element(xml, "encryptedKey", "spinCount");
    info.password = agileKey(key);
    const std::uint64_t spinCount = number(key, "spinCount");
    if (spinCount > kMaxSpinCount)
        fail("the spin count " + std::to_string(spinCount) + " is larger than " +
             std::to_string(kMaxSpinCount));
    info.spinCount = static_cast<std::uint32_t>(spinCount);
    info.encryptedVerifierHashInput = wrapped(key, "encryptedVerifierHashInput", 16);
    info.encryptedVerifierHashValue =
        wrapped(key, "encryptedVerifierHashValue", hashSize(info.password.hash));
    info.encryptedKeyValue = wrapped(key, "encryptedKeyValue", info.data.keyBytes);
    return info;
}

void append(Bytes& to, ByteView bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

void appendU16(Bytes& to, std::uint16_t value) {
    const auto bytes = littleEndian(value);
    append(to, ByteView(bytes).first(2));
}

void appendU32(Bytes& to, std::uint32_t value) {
    append(to, littleEndian(value));
}

std::string keyAttributes(const AgileKey& key) {
    return "saltSize=\"" + std::to_string(key.salt.size()) + "\" blockSize=\"" +
           std::to_string(key.blockSize) + "\" keyBits=\"" + std::to_string(key.keyBytes * 8) +
           "\" hashSize=\"" + std::to_string(hashSize(key.hash)) +
           "\" cipherAlgorithm=\"AES\" cipherChaining=\"ChainingModeCBC\" hashAlgorithm=\"" +
           hashName(key.hash) + "\" saltValue=\"" + encodeBase64(key.salt) + "\"";
}

Bytes serializeAgile(const AgileEncryption& info) {
    Bytes out;
    appendU16(out, kAgileVersion);
    appendU16(out, kAgileVersion);
    appendU32(out, kAgileReserved);
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
        "<encryption xmlns=\"http://schemas.microsoft.com/office/2006/encryption\" "
        "xmlns:p=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<keyData " +
        keyAttributes(info.data) +
        "/><keyEncryptors><keyEncryptor "
        "uri=\"http://schemas.microsoft.com/office/2006/keyEncryptor/password\">"
        "<p:encryptedKey spinCount=\"" +
        std::to_string(info.spinCount) + "\" " + keyAttributes(info.password) +
        " encryptedVerifierHashInput=\"" + encodeBase64(info.encryptedVerifierHashInput) +
        "\" encryptedVerifierHashValue=\"" + encodeBase64(info.encryptedVerifierHashValue) +
        "\" encryptedKeyValue=\"" + encodeBase64(info.encryptedKeyValue) +
        "\"/></keyEncryptor></keyEncryptors></encryption>";
    append(out, ByteView(reinterpret_cast<const std::uint8_t*>(xml.data()), xml.size()));
    return out;
}

Bytes serializeCryptoApi(const CryptoApiEncryption& info) {
    const bool aes = info.cipher == CryptoApiEncryption::Cipher::Aes;
    const std::uint32_t flags = kCryptoApiFlag | (aes ? kAesFlag : 0);
    const std::u16string provider = aes ? u"Microsoft Enhanced RSA and AES Cryptographic Provider"
                                        : u"Microsoft Enhanced Cryptographic Provider v1.0";
    Bytes header;
    appendU32(header, flags);
    appendU32(header, 0);
    appendU32(header, aes ? kAes128Algorithm + static_cast<std::uint32_t>(info.keyBytes * 8 - 128) / 64
                          : kRc4Algorithm);
    appendU32(header, kSha1Algorithm);
    appendU32(header, static_cast<std::uint32_t>(info.keyBytes * 8));
    appendU32(header, aes ? 0x18 : 0x01);  // the provider types of the two providers
    appendU32(header, 0);
    appendU32(header, 0);
    for (char16_t unit : provider) appendU16(header, unit);
    appendU16(header, 0);

    Bytes out;
    appendU16(out, 4);
    appendU16(out, kCryptoApiMinorVersion);
    appendU32(out, flags);
    appendU32(out, static_cast<std::uint32_t>(header.size()));
    append(out, header);
    appendU32(out, kVerifierSize);
    append(out, info.salt);
    append(out, info.encryptedVerifier);
    appendU32(out, kSha1Size);
    append(out, info.encryptedVerifierHash);
    return out;
}

}  // namespace

EncryptionInfo parseEncryptionInfo(ByteView info) {
    InfoReader reader(info);
    const std::uint16_t major = reader.u16(), minor = reader.u16();
    if (major == kAgileVersion && minor == kAgileVersion) {
        if (reader.u32() != kAgileReserved) fail("the encryption info's reserved field is wrong");
        return readAgile(reader.rest());
    }
    if (major >= 2 && major <= 4 && minor == kCryptoApiMinorVersion) return readCryptoApi(reader);
    fail("the encryption version " + std::to_string(major) + "." + std::to_string(minor) + " is unknown");
}

Bytes serializeEncryptionInfo(const EncryptionInfo& info) {
    if (const auto* agile = std::get_if<AgileEncryption>(&info)) return serializeAgile(*agile);
    return serializeCryptoApi(std::get<CryptoApiEncryption>(info));
}

}  // namespace platform::jet::crypto

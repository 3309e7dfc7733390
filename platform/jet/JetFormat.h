#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

// Facts of the Jet and ACE file formats that our reader and our writer must agree on.
namespace platform::jet {

// Page 0, the header page. Offsets count from the start of the page.
namespace header {

inline constexpr std::size_t kSignatureOffset = 4;
inline constexpr std::string_view kJetSignature{"Standard Jet DB\0", 16};
inline constexpr std::string_view kAceSignature{"Standard ACE DB\0", 16};
inline constexpr std::size_t kVersionOffset = 0x14;
inline constexpr std::uint8_t kJet3Version = 0;
inline constexpr std::uint8_t kJet4Version = 1;  // ACE files count on from 2

// From 0x18 on the header is RC4-encrypted with a fixed key; Jet 3 covers 126 bytes, later versions 128.
inline constexpr std::size_t kEncryptedStart = 0x18;
inline constexpr std::size_t kJet3EncryptedLength = 126;
inline constexpr std::size_t kEncryptedLength = 128;
inline constexpr std::array<std::uint8_t, 4> kKey{0xC7, 0xDA, 0x39, 0x6B};

// Inside the encrypted region.
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kPageKeyOffset = 0x3E;  // zero: the pages are stored plain
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kPasswordCharacters = 20;  // one byte each in Jet 3, UTF-16 in Jet 4 and ACE
inline constexpr std::size_t kCollationOffset = 0x6E;
inline constexpr std::size_t kCreationDateOffset = 0x72;  // a Date/Time double

// Office encryption of a whole ACE file leaves a non-zero 16-bit length here.
inline constexpr std::size_t kEncryptionInfoLengthOffset = 0x299;

// Encrypts the header region of the page in place, or decrypts it: RC4 undoes itself. The page must
// reach past the region.
void applyHeaderCipher(std::span<std::uint8_t> page, std::size_t encryptedLength = kEncryptedLength);

// Masks the Jet 4 and ACE password of a decrypted header page in place, or unmasks it (the same XOR):
// each byte XOR-ed with the little-endian bytes of the whole-day part of the creation date.
void applyPasswordMask(std::span<std::uint8_t> page);

}  // namespace header

// MSysObjects.Type
namespace object_type {
inline constexpr std::int16_t kTable = 1;
inline constexpr std::int16_t kDatabase = 2;
inline constexpr std::int16_t kContainer = 3;
inline constexpr std::int16_t kOdbcLink = 4;
inline constexpr std::int16_t kQuery = 5;
inline constexpr std::int16_t kLink = 6;
inline constexpr std::int16_t kDocument = -32757;
inline constexpr std::int16_t kReport = -32764;
}  // namespace object_type

// MSysObjects.Flags
namespace object_flag {
inline constexpr std::uint32_t kEngineSystem = 0x80000000;  // the engine's own tables (MSysObjects, ...)
inline constexpr std::uint32_t kHostApplication = 0x2;      // tables Access keeps for itself
}  // namespace object_flag

// The container whose documents are the reports.
inline constexpr std::string_view kReportsContainer{"Reports"};

}  // namespace platform::jet

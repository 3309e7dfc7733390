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
inline constexpr std::uint8_t kJet4Version = 1;   // ACE files count on from 2
inline constexpr std::uint8_t kAce14Version = 3;  // Access 2010

// From 0x18 on the header is RC4-encrypted with a fixed key; Jet 3 covers 126 bytes, later versions 128.
inline constexpr std::size_t kEncryptedStart = 0x18;
inline constexpr std::size_t kJet3EncryptedLength = 126;
inline constexpr std::size_t kEncryptedLength = 128;
inline constexpr std::array<std::uint8_t, 4> kKey{0xC7, 0xDA, 0x39, 0x6B};

// Inside the encrypted region.
inline constexpr std::size_t kCodePageOffset = 0x3C;
inline constexpr std::size_t kPageKeyOffset =
    0x3E;  // zero: the pages are stored plain; else mixed into each page's key
inline constexpr std::size_t kPasswordOffset = 0x42;
inline constexpr std::size_t kPasswordCharacters = 20;  // one byte each in Jet 3, UTF-16 in Jet 4 and ACE
inline constexpr std::size_t kCollationOffset = 0x6E;
inline constexpr std::size_t kCreationDateOffset = 0x72;  // a Date/Time double

// Office encryption of a whole ACE file leaves a non-zero 16-bit length here, and the encryption info
// (the cipher, the salts and the password verifier) right after it.
inline constexpr std::size_t kEncryptionInfoLengthOffset = 0x299;
inline constexpr std::size_t kEncryptionInfoOffset = 0x29B;

// Encrypts the header region of the page in place, or decrypts it: RC4 undoes itself. The page must
// reach past the region.
void applyHeaderCipher(std::span<std::uint8_t> page, std::size_t encryptedLength = kEncryptedLength);

// Masks the Jet 4 and ACE password of a decrypted header page in place, or unmasks it (the same XOR):
// each byte XOR-ed with the little-endian bytes of the whole-day part of the creation date.
void applyPasswordMask(std::span<std::uint8_t> page);

}  // namespace header

// The pages after the header. Each starts with its type; Jet 3 pages are 2 KB, later ones 4 KB.
namespace page {

inline constexpr std::uint8_t kData = 0x01;
inline constexpr std::uint8_t kTableDefinition = 0x02;
inline constexpr std::uint8_t kUsageBitmap = 0x05;

inline constexpr std::size_t kOwnerOffset = 4;         // data page: the definition page of its table
inline constexpr std::size_t kContinuationOffset = 4;  // definition page: the next one, 0 for none

// The catalogue, MSysObjects, is always defined on page 2; a table's Id is its definition page.
inline constexpr std::uint32_t kCatalogueDefinitionPage = 2;

// A data page's row table: the row count, then a 2-byte offset per row. Rows fill the page from its
// end, each up to where the row before it starts. The top bits of an offset are flags.
inline constexpr std::uint16_t kRowOffsetMask = 0x1FFF;
inline constexpr std::uint16_t kDeletedRow = 0x8000;
// The row holds only where its data moved to when it outgrew its page: a page/row reference. The
// moved data is marked deleted, so that a scan of the table meets it once.
inline constexpr std::uint16_t kOverflowRow = 0x4000;
// Access marks a row it deletes with both flags.
inline constexpr std::uint16_t kRowDeletedByAccess = kDeletedRow | kOverflowRow;

// A page/row reference: the row number in the lowest byte, the page above it.
inline constexpr std::uint32_t pageOf(std::uint32_t reference) {
    return reference >> 8;
}
inline constexpr std::uint8_t rowOf(std::uint32_t reference) {
    return static_cast<std::uint8_t>(reference);
}

// A usage map, a row naming a set of pages: type 0 holds a 4-byte first page and a bitmap from it;
// type 1 holds 4-byte numbers of usage bitmap pages (0 for none), the i-th covering the i-th run of
// Layout::pagesPerBitmapPage() pages with its bitmap from kBitmapPageHeader on.
inline constexpr std::uint8_t kInlineMap = 0;
inline constexpr std::uint8_t kBitmapPagesMap = 1;
inline constexpr std::size_t kBitmapPageHeader = 4;

// Where Jet 3 and the later versions differ.
struct Layout {
    std::size_t pageSize;
    std::size_t rowCountOffset;  // data page: its row count; the row offsets follow
    std::size_t usageMapOffset;  // definition page: page/row reference of the map of its data pages

    constexpr std::size_t pagesPerBitmapPage() const { return (pageSize - kBitmapPageHeader) * 8; }
};
inline constexpr Layout kJet3Layout{2048, 8, 35};
inline constexpr Layout kJet4Layout{4096, 12, 55};  // ACE files too

}  // namespace page

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

// What the engine puts in every database's catalogue: three containers under one root, the database
// document under "Databases", and its own tables under "Tables" (MSysObjects defined on page 2).
namespace engine_object {
inline constexpr std::string_view kTablesContainer{"Tables"};
inline constexpr std::string_view kDatabasesContainer{"Databases"};
inline constexpr std::string_view kRelationshipsContainer{"Relationships"};
inline constexpr std::string_view kDatabaseDocument{"MSysDb"};
inline constexpr std::string_view kCatalogueTable{"MSysObjects"};
inline constexpr std::string_view kAccessControlTable{"MSysACEs"};
inline constexpr std::string_view kQueriesTable{"MSysQueries"};
inline constexpr std::string_view kRelationshipsTable{"MSysRelationships"};
}  // namespace engine_object

// A saved query's rows in MSysQueries: the part of the query each row's Attribute names, and the bits
// of the Flags row's flag.
namespace saved_query {
enum Attribute : std::int32_t {
    Start = 0,
    Type = 1,
    Parameter = 2,
    Flags = 3,
    RemoteDatabase = 4,
    Table = 5,
    Column = 6,
    Join = 7,
    Where = 8,
    GroupBy = 9,
    Having = 10,
    OrderBy = 11,
    End = 255
};
enum FlagBits : std::int32_t { Distinct = 0x02, Top = 0x10, Percent = 0x20 };
}  // namespace saved_query

}  // namespace platform::jet

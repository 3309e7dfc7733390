#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace platform::jet {

enum class DatabaseFormat { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

bool isAceFormat(DatabaseFormat format);
std::size_t pageSize(DatabaseFormat format);
const char* formatName(DatabaseFormat format);  // "JET3", "JET4", "ACE12", ...

// What page 0 of a database file tells before any library reads the file.
struct FileHeader {
    DatabaseFormat format = DatabaseFormat::Jet4;
    bool encryptedAsWhole = false;         // Office encryption: the pages are readable only after decryption
    std::size_t encryptionInfoLength = 0;  // then: the bytes of its encryption info, from 0x29B
    std::uint32_t pageKey = 0;   // not zero: every page after the header is encoded or encrypted with it
    std::string password;        // the database password, UTF-8; empty when the file has none
    std::uint16_t codePage = 0;  // the Windows code page of Jet 3's one-byte text
};

// The iconv name of the character set of a Windows code page; Western (CP1252) for one it does not
// know, as that is what Jet 3 files almost always hold.
std::string charsetOfCodePage(std::uint16_t codePage);
// UTF-8 of text in a Windows code page; a byte the code page does not define becomes U+FFFD.
std::string utf8OfCodePageText(std::string_view bytes, std::uint16_t codePage);

// The bytes needed to read a header: the whole of page 0 of a Jet 3 file, and enough for the others.
inline constexpr std::size_t kHeaderBytes = 2048;

// Checks the signature, the version, the file size and reads the password. Empty when the bytes are
// not the start of an Access database file of a known version, or the size cannot be one's.
std::optional<FileHeader> readFileHeader(std::span<const unsigned char> start, std::uint64_t fileSize);

}  // namespace platform::jet

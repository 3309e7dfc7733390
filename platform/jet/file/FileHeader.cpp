#include "platform/jet/file/FileHeader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

#include "base/Utf8.h"
#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"
#include "platform/jet/file/TextConversion.h"

namespace platform::jet {

using namespace header;

namespace {

// Each whole page of a file of this size; Jet needs at least the header, the free map and the catalogue.
constexpr std::uint64_t kMinimumPages = 3;

// Jet 3 keeps the password in the file's code page, one or two bytes per character.
std::string fromCodePage(std::span<const unsigned char> bytes, std::uint16_t codePage) {
    return utf8OfCodePageText(std::string(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0)), codePage);
}

// Up to the first NUL character.
std::string fromUtf16Le(std::span<const unsigned char> bytes) {
    std::size_t length = 0;
    while (length + 1 < bytes.size() && base::getU16(bytes, length) != 0) length += 2;
    return base::utf8OfUtf16Le(bytes.first(length));
}

std::optional<DatabaseFormat> formatOf(std::span<const unsigned char> start) {
    std::string_view signature(reinterpret_cast<const char*>(start.data()) + kSignatureOffset,
                               kJetSignature.size());
    unsigned char version = start[kVersionOffset];
    if (start[0] != 0) return std::nullopt;  // page 0 is the header page
    if (signature == kJetSignature) {
        if (version == kJet3Version) return DatabaseFormat::Jet3;
        if (version == kJet4Version) return DatabaseFormat::Jet4;
    } else if (signature == kAceSignature) {
        switch (version) {
            case 2:
                return DatabaseFormat::Ace12;
            case 3:
                return DatabaseFormat::Ace14;
            case 4:
                return DatabaseFormat::Ace15;
            case 5:
                return DatabaseFormat::Ace16;
            case 6:  // Access 2019 and later: Date/Time Extended fields
                return DatabaseFormat::Ace17;
        }
    }
    return std::nullopt;
}

// The header page up to the end of its encrypted region, decrypted.
using HeaderRegion = std::array<unsigned char, kEncryptedStart + kEncryptedLength>;

HeaderRegion decryptedRegion(DatabaseFormat format, std::span<const unsigned char> start) {
    HeaderRegion page;
    std::copy_n(start.begin(), page.size(), page.begin());
    applyHeaderCipher(page, format == DatabaseFormat::Jet3 ? kJet3EncryptedLength : kEncryptedLength);
    return page;
}

std::string storedPassword(DatabaseFormat format, HeaderRegion page) {
    const auto password = std::span(page).subspan(kPasswordOffset);
    if (format == DatabaseFormat::Jet3)
        return fromCodePage(password.first(kPasswordCharacters), base::getU16(page, kCodePageOffset));
    applyPasswordMask(page);
    return fromUtf16Le(password.first(2 * kPasswordCharacters));
}

}  // namespace

std::string charsetOfCodePage(std::uint16_t codePage) {
    switch (codePage) {
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258:
            return "CP" + std::to_string(codePage);
    }
    return "CP1252";
}

std::string utf8OfCodePageText(std::string_view bytes, std::uint16_t codePage) {
    std::string input(bytes);
    std::string text;
    const auto convert = toUtf8From(charsetOfCodePage(codePage));
    if (!convert) {  // no conversion modules installed: ASCII is all that can be told
        for (unsigned char b : input) base::appendUtf8(text, b < 0x80 ? b : base::kReplacementCharacter);
        return text;
    }
    char* in = input.data();
    std::size_t inLeft = input.size();
    while (inLeft > 0) {
        char out[64];
        char* outAt = out;
        std::size_t outLeft = sizeof out;
        const bool failed = ::iconv(convert.get(), &in, &inLeft, &outAt, &outLeft) == std::size_t(-1);
        const int error = errno;
        text.append(out, static_cast<std::size_t>(outAt - out));
        if (failed && error != E2BIG) {  // a byte the code page does not define: mark it and go on
            base::appendUtf8(text, base::kReplacementCharacter);
            ++in;
            --inLeft;
        }
    }
    return text;
}

bool isAceFormat(DatabaseFormat format) {
    return format != DatabaseFormat::Jet3 && format != DatabaseFormat::Jet4;
}

std::size_t pageSize(DatabaseFormat format) {
    return format == DatabaseFormat::Jet3 ? 2048 : 4096;
}

const char* formatName(DatabaseFormat format) {
    switch (format) {
        case DatabaseFormat::Jet3:
            return "JET3";
        case DatabaseFormat::Jet4:
            return "JET4";
        case DatabaseFormat::Ace12:
            return "ACE12";
        case DatabaseFormat::Ace14:
            return "ACE14";
        case DatabaseFormat::Ace15:
            return "ACE15";
        case DatabaseFormat::Ace16:
            return "ACE16";
        case DatabaseFormat::Ace17:
            return "ACE17";
    }
    return "";
}

std::optional<FileHeader> readFileHeader(std::span<const unsigned char> start, std::uint64_t fileSize) {
    if (start.size() < kHeaderBytes) return std::nullopt;
    auto format = formatOf(start);
    if (!format) return std::nullopt;
    const std::uint64_t page = pageSize(*format);
    if (fileSize % page != 0 || fileSize < kMinimumPages * page) return std::nullopt;

    FileHeader header;
    header.format = *format;
    if (isAceFormat(*format)) header.encryptionInfoLength = base::getU16(start, kEncryptionInfoLengthOffset);
    header.encryptedAsWhole = header.encryptionInfoLength != 0;
    const HeaderRegion region = decryptedRegion(*format, start);
    // An encrypted file's password is its encryption's: the field holds nothing then.
    if (!header.encryptedAsWhole) header.password = storedPassword(*format, region);
    header.codePage = base::getU16(region, kCodePageOffset);
    header.pageKey = base::getU32(region, kPageKeyOffset);
    return header;
}

}  // namespace platform::jet

#include "platform/jet/FileHeader.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

#include "platform/jet/JetFormat.h"
#include "platform/jet/LittleEndian.h"

namespace platform::jet {

using namespace header;

namespace {

// An iconv conversion to UTF-8, closed when the object goes; false when the character set is unknown.
class ScopedIconv {
  public:
    explicit ScopedIconv(const std::string& from) : handle_(::iconv_open("UTF-8", from.c_str())) {}
    ScopedIconv(const ScopedIconv&) = delete;
    ScopedIconv& operator=(const ScopedIconv&) = delete;
    ~ScopedIconv() {
        if (handle_ != kNone) ::iconv_close(handle_);
    }

    explicit operator bool() const { return handle_ != kNone; }
    iconv_t get() const { return handle_; }

  private:
    static inline const iconv_t kNone = reinterpret_cast<iconv_t>(-1);
    iconv_t handle_;
};

// Each whole page of a file of this size; Jet needs at least the header, the free map and the catalogue.
constexpr std::uint64_t kMinimumPages = 3;

void appendUtf8(std::string& text, char32_t c) {
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Jet 3 keeps the password in the file's code page, one or two bytes per character.
std::string fromCodePage(std::span<const unsigned char> bytes, std::uint16_t codePage) {
    std::string input(bytes.begin(), std::find(bytes.begin(), bytes.end(), 0));
    std::string text;
    ScopedIconv convert(charsetOfCodePage(codePage));
    if (!convert) {  // no conversion modules installed: ASCII is all that can be told
        for (unsigned char b : input) appendUtf8(text, b < 0x80 ? b : 0xFFFD);
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
            appendUtf8(text, 0xFFFD);
            ++in;
            --inLeft;
        }
    }
    return text;
}

std::string fromUtf16Le(std::span<const unsigned char> bytes) {
    std::string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char32_t unit = getU16(bytes, i);
        if (unit == 0) break;
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            char32_t low = getU16(bytes, i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                appendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return text;
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
        return fromCodePage(password.first(kPasswordCharacters), getU16(page, kCodePageOffset));
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
    if (isAceFormat(*format)) header.encryptionInfoLength = getU16(start, kEncryptionInfoLengthOffset);
    header.encryptedAsWhole = header.encryptionInfoLength != 0;
    const HeaderRegion region = decryptedRegion(*format, start);
    // An encrypted file's password is its encryption's: the field holds nothing then.
    if (!header.encryptedAsWhole) header.password = storedPassword(*format, region);
    header.codePage = getU16(region, kCodePageOffset);
    header.pageKey = getU32(region, kPageKeyOffset);
    return header;
}

}  // namespace platform::jet

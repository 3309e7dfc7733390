#include "platform/jet/file/DecryptedCopy.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/Failure.h"
#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"

namespace platform::jet::crypto {
namespace {

// Pages read, decrypted and written at a time: few system calls, little memory.
constexpr std::size_t kPagesPerChunk = 64;

[[noreturn]] void systemFailed(const char* what) {
    throw Failure(std::string(what) + ": " + std::strerror(errno));
}

void readFully(int file, std::uint8_t* to, std::size_t count, std::uint64_t at) {
    while (count > 0) {
        const ssize_t got = ::pread(file, to, count, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) systemFailed("the database file cannot be read");
        if (got == 0) {
            errno = EIO;
            systemFailed("the database file ended early");
        }
        to += got;
        count -= static_cast<std::size_t>(got);
        at += static_cast<std::uint64_t>(got);
    }
}

void writeFully(int file, const std::uint8_t* from, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(file, from, count);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) systemFailed("the decrypted copy cannot be written");
        from += written;
        count -= static_cast<std::size_t>(written);
    }
}

// The header page as a file whose pages are plain holds it: no page key, no encryption info.
void markPagesPlain(std::span<std::uint8_t> page, const FileHeader& header) {
    const std::size_t obscured =
        header.format == DatabaseFormat::Jet3 ? header::kJet3EncryptedLength : header::kEncryptedLength;
    header::applyHeaderCipher(page, obscured);
    base::putU32(page, header::kPageKeyOffset, 0);
    if (header.encryptedAsWhole) {  // the password field holds nothing useful: make it hold no password
        std::fill_n(page.begin() + header::kPasswordOffset, 2 * header::kPasswordCharacters, std::uint8_t{0});
        header::applyPasswordMask(page);
    }
    header::applyHeaderCipher(page, obscured);
    if (header.encryptedAsWhole) {
        const std::size_t end =
            std::min(page.size(), header::kEncryptionInfoOffset + header.encryptionInfoLength);
        std::fill(page.begin() + header::kEncryptionInfoLengthOffset, page.begin() + end, std::uint8_t{0});
    }
}

}  // namespace

posix::ScopedFd decryptedCopy(int file, std::uint64_t size, const FileHeader& header, PageCipher& cipher) {
    posix::ScopedFd copy(::memfd_create("calvenor-decrypted", MFD_CLOEXEC | MFD_ALLOW_SEALING));
    if (!copy) systemFailed("no memory file for the decrypted database");
    const std::size_t pageBytes = pageSize(header.format);
    const std::uint64_t pages = size / pageBytes;
    std::vector<std::uint8_t> chunk(pageBytes * kPagesPerChunk);
    for (std::uint64_t first = 0; first < pages; first += kPagesPerChunk) {
        const std::size_t count =
            static_cast<std::size_t>(std::min<std::uint64_t>(kPagesPerChunk, pages - first));
        readFully(file, chunk.data(), count * pageBytes, first * pageBytes);
        for (std::size_t i = 0; i < count; ++i) {
            const auto number = static_cast<std::uint32_t>(first + i);
            std::span<std::uint8_t> page(chunk.data() + i * pageBytes, pageBytes);
            if (number == 0)
                markPagesPlain(page, header);
            else
                cipher.decrypt(number, page);
        }
        writeFully(copy.get(), chunk.data(), count * pageBytes);
    }
    if (::fcntl(copy.get(), F_ADD_SEALS, F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL) != 0)
        systemFailed("the decrypted copy cannot be sealed");
    return copy;
}

}  // namespace platform::jet::crypto

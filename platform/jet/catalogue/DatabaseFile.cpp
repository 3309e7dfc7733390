#include "platform/jet/catalogue/DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "base/Utf8.h"
#include "platform/jet/catalogue/CatalogueCache.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/file/DecryptedCopy.h"
#include "platform/jet/file/JetFormat.h"
#include "platform/jet/file/crypto/EncryptionInfo.h"
#include "platform/jet/file/crypto/KeyCache.h"
#include "platform/jet/file/crypto/PageCipher.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::jet {
namespace {

std::string absolute(std::string_view path) {
    std::error_code error;
    auto full = std::filesystem::absolute(std::filesystem::path(path), error);
    return error ? std::string(path) : full.lexically_normal().string();
}

// The open file and what its header says; the catalogue is read through this same descriptor, so
// that what was checked is what is read.
struct CheckedFile {
    posix::ScopedFd file;
    struct stat status;
    FileHeader header;
    std::optional<crypto::PageCipher> cipher;  // when the pages are encoded or encrypted
};

// The encryption info of an Office-encrypted file: it must lie inside the header page.
std::vector<std::uint8_t> readEncryptionInfo(int file, const FileHeader& header, const std::string& path) {
    if (header.encryptionInfoLength > pageSize(header.format) - header::kEncryptionInfoOffset)
        throw DatabaseError(DatabaseProblem::EncryptedFile, path,
                            "the encryption info runs past the header page");
    std::vector<std::uint8_t> info(header.encryptionInfoLength);
    std::size_t got = 0;
    while (got < info.size()) {
        const ssize_t n = ::pread(file, info.data() + got, info.size() - got,
                                  static_cast<off_t>(header::kEncryptionInfoOffset + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw DatabaseError(DatabaseProblem::NoAccess, path);
        got += static_cast<std::size_t>(n);
    }
    return info;
}

// What names the file's content for the key cache: the version the catalogue cache tells apart.
std::array<std::uint64_t, 6> versionOf(int file, const struct stat& status, const FileHeader& header) {
    const FileVersion version = fileVersion(file, status, pageSize(header.format));
    return {version.device,
            version.inode,
            version.size,
            static_cast<std::uint64_t>(version.modifiedNs),
            static_cast<std::uint64_t>(version.changedNs),
            version.fingerprint};
}

// The key to an Office-encrypted file's pages, when the password passes its verifier. The info comes
// from the file: its sizes are bounded and its values (spin count, key sizes) checked before any use.
// A key unlocked before for the same file version, info and password is not derived again.
crypto::PageCipher unlockEncryptedFile(int file, const struct stat& status, const FileHeader& header,
                                       std::string_view password, const std::string& path,
                                       const EngineOptions& options) {
    const auto info = readEncryptionInfo(file, header, path);
    const auto utf16 = base::utf16OfUtf8(password);  // as Office derives keys: malformed bytes as U+FFFD
    std::optional<crypto::PageCipher> cipher;
    try {
        if (options.keyCache) {
            const auto version = versionOf(file, status, header);
            const crypto::ByteView versionBytes(reinterpret_cast<const std::uint8_t*>(version.data()),
                                                sizeof version);
            cipher = options.keyCache->unlock(versionBytes, info, utf16, header.pageKey);
        } else {
            cipher = crypto::PageCipher::unlock(crypto::parseEncryptionInfo(info), utf16, header.pageKey);
        }
    } catch (const crypto::EncryptionInfoError& error) {
        throw DatabaseError(DatabaseProblem::EncryptedFile, path, error.what());
    } catch (const std::runtime_error& error) {  // the cryptography library itself failed
        throw DatabaseError(DatabaseProblem::EngineFailure, path, error.what());
    }
    if (!cipher) throw DatabaseError(DatabaseProblem::WrongPassword, path);
    return std::move(*cipher);
}

CheckedFile openCheckedFile(const std::string& path, std::string_view password, AcceptedFormats formats,
                            const EngineOptions& options) {
    if (path.empty()) throw DatabaseError(DatabaseProblem::FileNotFound, path);
    // Non-blocking, so that a named pipe in the file's place cannot stall the open.
    posix::ScopedFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file) {
        if (errno == EACCES || errno == EPERM) throw DatabaseError(DatabaseProblem::NoAccess, path);
        throw DatabaseError(DatabaseProblem::FileNotFound, path);
    }
    struct stat status;
    if (::fstat(file.get(), &status) != 0) throw DatabaseError(DatabaseProblem::NoAccess, path);
    if (S_ISDIR(status.st_mode)) throw DatabaseError(DatabaseProblem::FileNotFound, path);
    if (!S_ISREG(status.st_mode)) throw DatabaseError(DatabaseProblem::UnrecognizedFormat, path);

    std::array<unsigned char, kHeaderBytes> start{};
    std::size_t got = 0;
    while (got < start.size()) {
        ssize_t n = ::pread(file.get(), start.data() + got, start.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw DatabaseError(DatabaseProblem::NoAccess, path);
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }

    auto header = readFileHeader(std::span(start.data(), got), static_cast<std::uint64_t>(status.st_size));
    if (!header || (formats == AcceptedFormats::JetOnly && isAceFormat(header->format)))
        throw DatabaseError(DatabaseProblem::UnrecognizedFormat, path);
    std::optional<crypto::PageCipher> cipher;
    if (header->encryptedAsWhole) {
        cipher = unlockEncryptedFile(file.get(), status, *header, password, path, options);
    } else {
        if (!header->password.empty() && header->password != password)
            throw DatabaseError(DatabaseProblem::WrongPassword, path);
        if (header->pageKey != 0) cipher = crypto::PageCipher::encoding(header->pageKey);
    }
    return {std::move(file), status, *header, std::move(cipher)};
}

// The descriptor the reader is handed: the file itself, or a decrypted copy of it in memory.
std::optional<posix::ScopedFd> decryptedFile(CheckedFile& checked, const std::string& path,
                                             const EngineOptions& options) {
    if (!checked.cipher) return std::nullopt;
    const auto size = static_cast<std::uint64_t>(checked.status.st_size);
    if (size > options.decryptionLimit)
        throw DatabaseError(DatabaseProblem::TooLargeToDecrypt, path,
                            std::to_string(options.decryptionLimit / (1024 * 1024)));
    try {
        return crypto::decryptedCopy(checked.file.get(), size, checked.header, *checked.cipher);
    } catch (const std::runtime_error& error) {
        throw DatabaseError(DatabaseProblem::EngineFailure, path, error.what());
    }
}

// The catalogue of the checked file, as the helper reads it, or as the last read of the same unchanged
// file found it when the options keep reads.
std::vector<CatalogueObject> catalogueOf(CheckedFile& checked, const std::string& path,
                                         const EngineOptions& options) {
    const auto read = [&] {
        const auto decrypted = decryptedFile(checked, path, options);
        return readCatalogue(decrypted ? decrypted->get() : checked.file.get(), checked.header, path,
                             options);
    };
    if (!options.catalogueCache) return read();
    CatalogueCache& cache = *options.catalogueCache;
    const CatalogueCache::Key key{
        fileVersion(checked.file.get(), checked.status, pageSize(checked.header.format)),
        options.helperFolder + '\n' + std::to_string(options.timeLimit.count()) + '\n' +
            std::to_string(options.decryptionLimit)};
    auto outcome = cache.take(key, WallClock::now());
    if (!outcome) {
        const auto started = WallClock::now();
        outcome.emplace();
        try {
            outcome->objects = read();
        } catch (const DatabaseError& error) {
            outcome->problem = error.problem();
            outcome->detail = error.detail();
        }
        // A helper that could not run tells nothing about the file.
        if (outcome->problem != DatabaseProblem::EngineFailure)
            cache.keep(key, *outcome, started, WallClock::now());
    }
    if (outcome->problem) throw DatabaseError(*outcome->problem, path, outcome->detail);
    return std::move(outcome->objects);
}

}  // namespace

FileHeader checkDatabaseFile(const std::string& path, std::string_view password, AcceptedFormats formats,
                             const EngineOptions& options) {
    return openCheckedFile(path, password, formats, options).header;
}

ReadableDatabase openReadableDatabase(const std::string& path, std::string_view password,
                                      AcceptedFormats formats, const EngineOptions& options) {
    CheckedFile checked = openCheckedFile(path, password, formats, options);
    auto decrypted = decryptedFile(checked, path, options);
    return {checked.header, decrypted ? std::move(*decrypted) : std::move(checked.file)};
}

DatabaseFile openDatabaseFile(std::string_view path, std::string_view password, AcceptedFormats formats,
                              const EngineOptions& options) {
    // Errors quote the path as the caller gave it, as the engine does.
    CheckedFile checked = openCheckedFile(std::string(path), password, formats, options);
    DatabaseFile database;
    database.header = checked.header;
    database.path = absolute(path);
    database.objects = catalogueOf(checked, std::string(path), options);
    return database;
}

}  // namespace platform::jet

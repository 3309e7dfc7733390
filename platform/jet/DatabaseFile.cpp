#include "platform/jet/DatabaseFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <filesystem>

#include "platform/jet/CatalogueCache.h"
#include "platform/jet/CatalogueReader.h"
#include "platform/jet/DatabaseError.h"
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
};

CheckedFile openCheckedFile(const std::string& path, std::string_view password, AcceptedFormats formats) {
    if (path.empty()) throw DatabaseError(DatabaseProblem::FileNotFound, path);
    // Non-blocking, so that a named pipe in the file's place cannot stall the open.
    posix::ScopedFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file.valid()) {
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
    if (header->encryptedAsWhole) throw DatabaseError(DatabaseProblem::EncryptedFile, path);
    if (!header->password.empty() && header->password != password)
        throw DatabaseError(DatabaseProblem::WrongPassword, path);
    return {std::move(file), status, *header};
}

// The catalogue of the checked file, as the helper reads it, or as the last read of the same unchanged
// file found it when the options keep reads.
std::vector<CatalogueObject> catalogueOf(const CheckedFile& checked, const std::string& path,
                                         const EngineOptions& options) {
    const auto read = [&] { return readCatalogue(checked.file.get(), checked.header, path, options); };
    if (!options.catalogueCache) return read();
    CatalogueCache& cache = *options.catalogueCache;
    const CatalogueCache::Key key{
        fileVersion(checked.file.get(), checked.status, pageSize(checked.header.format)),
        options.helperFolder + '\n' + std::to_string(options.timeLimit.count())};
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

FileHeader checkDatabaseFile(const std::string& path, std::string_view password, AcceptedFormats formats) {
    return openCheckedFile(path, password, formats).header;
}

DatabaseFile openDatabaseFile(std::string_view path, std::string_view password, AcceptedFormats formats,
                              const EngineOptions& options) {
    // Errors quote the path as the caller gave it, as the engine does.
    CheckedFile checked = openCheckedFile(std::string(path), password, formats);
    DatabaseFile database;
    database.header = checked.header;
    database.path = absolute(path);
    database.objects = catalogueOf(checked, std::string(path), options);
    return database;
}

}  // namespace platform::jet

#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/file/EngineOptions.h"
#include "platform/jet/file/FileHeader.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::jet {

// A database file, opened read-only: its header and its catalogue, read at once through one open
// descriptor (so the file whose password was checked is the file whose catalogue is read). The file
// itself is not kept open; nothing in it is changed.
struct DatabaseFile {
    std::string path;  // as the caller named it, made absolute; only for naming the file
    FileHeader header;
    std::vector<CatalogueObject> objects;
};

enum class AcceptedFormats { JetOnly, JetAndAce };

// Opens the file as the database engine does: the file must exist and be readable, be an Access
// database of an accepted format, and take the password (a file without a password takes any; an
// encrypted file's password must pass its encryption's verifier). Encoded and encrypted files are
// read through a decrypted copy in memory. Raises DatabaseError with the engine's description otherwise. The
// password is checked at every open; the catalogue may come from options.catalogueCache, and the key of
// an encrypted file unlocked before with the same password from options.keyCache.
DatabaseFile openDatabaseFile(std::string_view path, std::string_view password, AcceptedFormats formats,
                              const EngineOptions& options);

// Only the checks of the file's header, without the catalogue: the same errors as openDatabaseFile.
FileHeader checkDatabaseFile(const std::string& path, std::string_view password, AcceptedFormats formats,
                             const EngineOptions& options = {});

// The file checked as openDatabaseFile checks it, open for a helper to read as a plain file: the
// descriptor of the file itself or, for an encoded or encrypted file, of its decrypted copy in memory
// (at most options.decryptionLimit bytes). The same errors as openDatabaseFile, without the catalogue's.
struct ReadableDatabase {
    FileHeader header;
    posix::ScopedFd descriptor;
};
ReadableDatabase openReadableDatabase(const std::string& path, std::string_view password,
                                      AcceptedFormats formats, const EngineOptions& options);

}  // namespace platform::jet

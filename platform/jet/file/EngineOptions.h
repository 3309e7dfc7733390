#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace platform::jet {

class CatalogueCache;
// The cache the engine's stand-ins share unless told otherwise: ADO and Access opening the same
// unchanged file one after the other read its catalogue once.
std::shared_ptr<CatalogueCache> sharedCatalogueCache();

namespace crypto {
class KeyCache;
// The keys the engine's stand-ins share unless told otherwise: a file is unlocked once per process.
std::shared_ptr<KeyCache> sharedKeyCache();
}  // namespace crypto

struct EngineOptions {
    // Where the helper programs are; empty: beside the running program.
    std::string helperFolder;
    // How long a helper may take for one database file before it is stopped.
    std::chrono::milliseconds timeLimit{10000};
    // How long drawing one report may take: one of many thousand pages takes a while (about a
    // millisecond a page). Its helper's processor time is bounded at 120 s as well.
    std::chrono::milliseconds printTimeLimit{120000};
    // Called about every tenth of a second while a print job is drawn, so that a window can stay painted.
    std::function<void()> whileDrawing;
    // The values given for the parameters record sources ask for, by name (query::ParameterValues).
    std::vector<std::pair<std::string, std::string>> parameterValues;
    // The largest encrypted file that is decrypted (in memory, never on disk); a larger one is refused.
    std::uint64_t decryptionLimit = std::uint64_t{1} << 30;
    // Where catalogue reads are kept for the next open of the same file; none: every open reads.
    std::shared_ptr<CatalogueCache> catalogueCache = sharedCatalogueCache();
    // Where the keys of encrypted files are kept for the next open of the same file with the same
    // password; none: every open derives the key from the password.
    std::shared_ptr<crypto::KeyCache> keyCache = crypto::sharedKeyCache();
};

}  // namespace platform::jet

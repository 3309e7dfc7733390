#include "platform/jet/catalogue/CatalogueCache.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "platform/jet/file/EngineOptions.h"
#include "platform/jet/file/FileHeader.h"
#include "platform/jet/file/JetFormat.h"

namespace platform::jet {
namespace {

std::int64_t nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// FNV-1a over the bytes the file holds at the offset (fewer when it ends sooner).
void addBytesAt(std::uint64_t& hash, int file, off_t offset, std::size_t size) {
    std::vector<unsigned char> bytes(size);
    ssize_t got;
    do {
        got = ::pread(file, bytes.data(), bytes.size(), offset);
    } while (got < 0 && errno == EINTR);
    for (ssize_t i = 0; i < got; ++i) {
        hash ^= bytes[static_cast<std::size_t>(i)];
        hash *= 0x100000001B3;
    }
}

}  // namespace

WallClock::time_point FileVersion::lastChange() const {
    return WallClock::time_point(std::chrono::duration_cast<WallClock::duration>(
        std::chrono::nanoseconds(std::max(modifiedNs, changedNs))));
}

FileVersion fileVersion(int file, const struct stat& status, std::size_t pageSize) {
    FileVersion version;
    version.device = status.st_dev;
    version.inode = status.st_ino;
    version.size = static_cast<std::uint64_t>(status.st_size);
    version.modifiedNs = nanoseconds(status.st_mtim);
    version.changedNs = nanoseconds(status.st_ctim);
    version.fingerprint = 0xCBF29CE484222325;
    addBytesAt(version.fingerprint, file, 0, kHeaderBytes);
    addBytesAt(version.fingerprint, file, static_cast<off_t>(page::kCatalogueDefinitionPage * pageSize),
               pageSize);
    return version;
}

CatalogueCache::CatalogueCache() : CatalogueCache(Timing{}) {}

std::optional<CatalogueOutcome> CatalogueCache::take(const Key& key, WallClock::time_point now) {
    std::lock_guard lock(mutex_);
    if (!entry_ || !(entry_->key == key)) return std::nullopt;
    Entry entry = std::move(*entry_);
    entry_.reset();
    if (now < entry.ended || now - entry.ended > timing_.reuseWithin) return std::nullopt;
    return std::move(entry.outcome);
}

void CatalogueCache::keep(Key key, CatalogueOutcome outcome, WallClock::time_point started,
                          WallClock::time_point ended) {
    std::lock_guard lock(mutex_);
    entry_.reset();
    if (key.file.lastChange() + timing_.settle > started) return;
    entry_ = Entry{std::move(key), std::move(outcome), ended};
}

std::shared_ptr<CatalogueCache> sharedCatalogueCache() {
    static const auto cache = std::make_shared<CatalogueCache>();
    return cache;
}

}  // namespace platform::jet

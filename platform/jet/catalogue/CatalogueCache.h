#pragma once

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/file/DatabaseError.h"

namespace platform::jet {

using WallClock = std::chrono::system_clock;  // the clock file times are kept in

// One version of a file's content, as far as it can be told without reading the whole file: which
// file it is, its size and times to the nanosecond, and a fingerprint of its header page and of the
// catalogue's definition page (which counts the catalogue's rows).
struct FileVersion {
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modifiedNs = 0, changedNs = 0;  // since the epoch
    std::uint64_t fingerprint = 0;
    bool operator==(const FileVersion&) const = default;

    WallClock::time_point lastChange() const;
};

// The version of the open file whose status is given; its pages are `pageSize` bytes.
FileVersion fileVersion(int file, const struct stat& status, std::size_t pageSize);

// What reading a catalogue came to: its objects, or why it could not be read.
struct CatalogueOutcome {
    std::vector<CatalogueObject> objects;
    std::optional<DatabaseProblem> problem;
    std::string detail;  // DatabaseError's detail, for the problem
};

// The last catalogue read, kept so that the next open of the same unchanged file need not read it
// again: "Next >" opens the database with ADO and then with Access, and a pathological file would
// otherwise cost the time limit twice. An outcome serves once, and only soon after it was read.
// File times are coarse (a tick, seconds on some file systems): a file rewritten within one tick
// of the read can keep its times and size. So an outcome is kept only for a file whose last change
// lies at least `settle` before the read began; a later change then shows in its change time.
class CatalogueCache {
  public:
    struct Timing {
        std::chrono::milliseconds settle{2000};
        std::chrono::milliseconds reuseWithin{15000};
    };
    CatalogueCache();
    explicit CatalogueCache(Timing timing) : timing_(timing) {}

    // The file's version and what read it (the helper and its time limit).
    struct Key {
        FileVersion file;
        std::string reader;
        bool operator==(const Key&) const = default;
    };

    // The outcome kept for the key, which is then forgotten; empty when there is none, it is too old
    // or the file had not settled when it was read.
    std::optional<CatalogueOutcome> take(const Key& key, WallClock::time_point now);
    // Keeps the outcome of a read that ran from `started` to `ended`, in place of any other.
    void keep(Key key, CatalogueOutcome outcome, WallClock::time_point started, WallClock::time_point ended);

  private:
    struct Entry {
        Key key;
        CatalogueOutcome outcome;
        WallClock::time_point ended;
    };

    Timing timing_;
    std::mutex mutex_;
    std::optional<Entry> entry_;
};

}  // namespace platform::jet

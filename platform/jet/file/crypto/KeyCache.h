#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/jet/file/crypto/EncryptionInfo.h"
#include "platform/jet/file/crypto/PageCipher.h"

namespace platform::jet::crypto {

// The keys of the encrypted files opened so far in this process, so that the same file opened again
// with the same password is not unlocked again: with the most spin rounds Office allows, deriving a
// key takes seconds, and one export opens its file four times.
//
// It keeps keys, not decrypted copies: a key is a few dozen bytes, a copy is as large as the file (up to
// a gigabyte) and would hold all of the database's content for as long as the program runs, while
// decrypting again runs at hundreds of megabytes a second. Keys live in memory only.
//
// An entry is found by a keyed digest (HMAC-SHA-256 under a secret drawn for each cache) of the file's
// version, its encryption info and page key and the password, compared in constant time; neither the
// password nor an unkeyed hash of it is kept. A wrong password is never kept: it is checked against
// the file's verifier again at every open.
class KeyCache {
  public:
    // How a key is derived and checked: PageCipher::unlock, or a stand-in that counts in tests.
    using Unlock =
        std::function<std::optional<PageCipher>(const EncryptionInfo&, std::u16string_view, std::uint32_t)>;
    static constexpr std::size_t kDefaultCapacity = 8;

    explicit KeyCache(Unlock unlock = &PageCipher::unlock, std::size_t capacity = kDefaultCapacity);
    ~KeyCache();
    KeyCache(const KeyCache&) = delete;
    KeyCache& operator=(const KeyCache&) = delete;

    // The cipher of the pages when the password passes the verifier of the info (the raw bytes after
    // its length in the header page), empty when it does not. `fileVersion` names the file's content
    // as far as it can be told without reading all of it. Raises EncryptionInfoError as
    // parseEncryptionInfo does.
    std::optional<PageCipher> unlock(ByteView fileVersion, ByteView info, std::u16string_view password,
                                     std::uint32_t pageKey);

  private:
    struct Entry;
    Bytes digestOf(ByteView fileVersion, ByteView info, std::u16string_view password,
                   std::uint32_t pageKey) const;

    Unlock unlock_;
    std::size_t capacity_;
    Bytes secret_;
    std::mutex mutex_;
    std::vector<Entry> entries_;  // the most recently used first
};

// The cache every open in the process shares unless its options name another.
std::shared_ptr<KeyCache> sharedKeyCache();

}  // namespace platform::jet::crypto

#pragma once

#include <cstdint>

#include "platform/jet/file/FileHeader.h"
#include "platform/jet/file/crypto/PageCipher.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::jet::crypto {

// A copy of the open database file (size bytes, its header checked) in anonymous memory, every page
// after the header decrypted and the header page changed to say that its pages are plain, as an
// unencrypted file of the same version says; sealed, so that nothing can change it any more. Handed
// to the reader in the file's place, so that decrypted pages never touch a disk. Raises Failure when
// the file cannot be read or the memory file cannot be made.
posix::ScopedFd decryptedCopy(int file, std::uint64_t size, const FileHeader& header, PageCipher& cipher);

}  // namespace platform::jet::crypto

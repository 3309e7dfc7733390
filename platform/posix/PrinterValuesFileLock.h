#pragma once

#include <string>

#include "platform/PrinterValuesLock.h"
#include "platform/posix/ScopedHandles.h"

namespace platform::posix {

// The printer values' lock as an advisory lock (flock) on a file that every run of the user opens: the
// system lets it go when the holder ends, however it ends.
class PrinterValuesFileLock : public PrinterValuesLock {
  public:
    explicit PrinterValuesFileLock(std::string path) : path_(std::move(path)) {}
    // The one lock file of the user's registry emulation, beside its keys.
    static PrinterValuesFileLock forRegistry(const std::string& registryRoot) {
        return PrinterValuesFileLock{registryRoot + "/.printer-values.lock"};
    }
    void acquire(const std::function<void()>& whileWaiting) override;
    void release() override { fd_.reset(); }

  private:
    std::string path_;
    ScopedFd fd_;  // open while held
};

}  // namespace platform::posix

#pragma once

#include <functional>

namespace platform {

// The PDF printer learns each output file from its values in the user's registry, which every program
// of this user shares. The lock keeps another run from writing them between the moment one run writes
// them and the moment that run's print job has taken them, so that no report lands in another run's
// file. Held as briefly as the printer allows.
class PrinterValuesLock {
  public:
    virtual ~PrinterValuesLock() = default;
    // Waits until no other run holds it, calling whileWaiting between short waits. Raises Failure when
    // it cannot be had at all.
    virtual void acquire(const std::function<void()>& whileWaiting) = 0;
    // Lets the next run go; nothing when it is not held.
    virtual void release() = 0;
};

}  // namespace platform

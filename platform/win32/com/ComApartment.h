#pragma once

namespace platform::win32::com {

// COM on this thread as a single-threaded apartment, for the life of the object. Create it on the UI
// thread before any COM object and let it go after the last one is released.
class ComApartment {
  public:
    ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment();

  private:
    bool initialised_ = false;
};

}  // namespace platform::win32::com

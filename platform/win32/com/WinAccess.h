#pragma once

#include <memory>

#include "platform/Access.h"
#include "platform/win32/com/ObjectFactory.h"

namespace platform::win32::com {

// Microsoft Access by automation, late-bound through the Application object's IDispatch.
class WinAccess : public access::Access {
  public:
    WinAccess();
    // Applications come from `createApplication` instead (tests hand in objects of their own).
    explicit WinAccess(ObjectFactory createApplication);
    std::unique_ptr<access::Application> createApplication() override;

  private:
    ObjectFactory factory_;
};

}  // namespace platform::win32::com

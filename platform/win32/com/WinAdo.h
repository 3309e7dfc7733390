#pragma once

#include <memory>

#include "platform/Ado.h"
#include "platform/win32/com/ObjectFactory.h"

namespace platform::win32::com {

// ADO on Windows: "ADODB.Connection", late-bound, with whatever OLE DB providers the machine has.
class WinAdo : public ado::Ado {
  public:
    WinAdo();
    // Connections come from `createConnection` instead (tests hand in objects of their own).
    explicit WinAdo(ObjectFactory createConnection);
    std::unique_ptr<ado::Connection> createConnection() override;

  private:
    ObjectFactory factory_;
};

}  // namespace platform::win32::com

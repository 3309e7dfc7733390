#pragma once

#include <memory>

#include "platform/Ado.h"
#include "platform/jet/file/EngineOptions.h"

namespace platform::jet {

// ADO on Linux: "ADODB.Connection" with the providers "Microsoft.Jet.OLEDB.4.0" (Jet 3 and Jet 4
// files) and "Microsoft.ACE.OLEDB.12.0" (those and ACE files), reading the database file read-only.
class JetAdo : public ado::Ado {
  public:
    explicit JetAdo(EngineOptions options = {});
    std::unique_ptr<ado::Connection> createConnection() override;

  private:
    EngineOptions options_;
};

}  // namespace platform::jet

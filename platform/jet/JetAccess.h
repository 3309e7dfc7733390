#pragma once

#include <memory>

#include "platform/Access.h"
#include "platform/Registry.h"
#include "platform/jet/EngineOptions.h"
#include "platform/jet/PrintQueues.h"

namespace platform::jet {

// Access on Linux: an application object that opens a database file read-only, lists its reports
// and prints them as PDF documents on the "Drevmark PDF Writer" stand-in (which reads its registry
// key) or on a print server's queue. Report layouts are not drawn: a job's page carries the report's
// name, the database file's name and the time it was printed.
class JetAccess : public access::Access {
  public:
    JetAccess(Registry& registry, PrintQueues& queues, EngineOptions options = {});
    std::unique_ptr<access::Application> createApplication() override;

  private:
    Registry& registry_;
    PrintQueues& queues_;
    EngineOptions options_;
};

}  // namespace platform::jet

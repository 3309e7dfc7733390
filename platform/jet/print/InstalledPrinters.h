#pragma once

#include <string>
#include <vector>

#include "platform/Printers.h"
#include "platform/jet/print/PrintQueues.h"

namespace platform::jet {

// The printers of this machine as Access and the program see them: the "Drevmark PDF Writer"
// stand-in, always there, then the print server's queues. The default is the server's default
// queue, or the PDF writer when there is none.
struct PrinterList {
    std::vector<std::string> names;
    std::string defaultName;
};
PrinterList installedPrinters(PrintQueues& queues);

class InstalledPrinters : public Printers {
  public:
    explicit InstalledPrinters(PrintQueues& queues) : queues_(queues) {}
    std::vector<std::string> deviceNames() override { return installedPrinters(queues_).names; }

  private:
    PrintQueues& queues_;
};

}  // namespace platform::jet

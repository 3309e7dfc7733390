#include "platform/jet/print/InstalledPrinters.h"

#include <algorithm>

#include "platform/jet/print/PdfWriterPrinter.h"

namespace platform::jet {

PrinterList installedPrinters(PrintQueues& queues) {
    PrinterList printers{{kPdfWriterName}, kPdfWriterName};
    auto server = queues.list();
    for (auto& name : server.names)
        if (std::find(printers.names.begin(), printers.names.end(), name) == printers.names.end())
            printers.names.push_back(std::move(name));  // a queue of the writer's name is the writer
    if (server.defaultName &&
        std::find(printers.names.begin(), printers.names.end(), *server.defaultName) != printers.names.end())
        printers.defaultName = *server.defaultName;
    return printers;
}

}  // namespace platform::jet

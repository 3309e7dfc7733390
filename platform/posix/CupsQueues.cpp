#include "platform/posix/CupsQueues.h"

#include <cups/cups.h>

#include <memory>

#include "platform/Failure.h"

namespace platform::posix {
namespace {

struct CloseConnection {
    void operator()(http_t* connection) const { httpClose(connection); }
};
using Connection = std::unique_ptr<http_t, CloseConnection>;

// The destinations of one cupsGetDests2 call, freed together.
class Destinations {
  public:
    explicit Destinations(http_t* connection) { count_ = cupsGetDests2(connection, &destinations_); }
    ~Destinations() { cupsFreeDests(count_, destinations_); }
    Destinations(const Destinations&) = delete;
    Destinations& operator=(const Destinations&) = delete;
    const cups_dest_t* begin() const { return destinations_; }
    const cups_dest_t* end() const { return destinations_ + (destinations_ ? count_ : 0); }

  private:
    cups_dest_t* destinations_ = nullptr;
    int count_ = 0;
};

Connection connect(std::chrono::milliseconds timeLimit) {
    Connection connection(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                       static_cast<int>(timeLimit.count()), nullptr));
    // Also bound every request, for a server that accepts the connection and then says nothing.
    if (connection)
        httpSetTimeout(connection.get(), static_cast<double>(timeLimit.count()) / 1000.0, nullptr, nullptr);
    return connection;
}

[[noreturn]] void fail(const std::string& queue) {
    throw Failure("The printer '" + queue + "' did not take the print job: " + cupsLastErrorString());
}

}  // namespace

CupsQueues listCupsQueues(std::chrono::milliseconds timeLimit) {
    CupsQueues queues;
    Connection connection = connect(timeLimit);
    if (!connection) return queues;
    for (const cups_dest_t& destination : Destinations(connection.get())) {
        if (destination.instance) continue;  // a saved set of options, not a printer of its own
        queues.names.emplace_back(destination.name);
        if (destination.is_default) queues.defaultName = destination.name;
    }
    return queues;
}

void printOnCupsQueue(const std::string& queue, const std::string& title, std::string_view pdf,
                      std::chrono::milliseconds timeLimit) {
    Connection connection = connect(timeLimit);
    if (!connection) throw Failure("The printer '" + queue + "' cannot be reached: no CUPS server answers.");
    int job = cupsCreateJob(connection.get(), queue.c_str(), title.c_str(), 0, nullptr);
    if (job == 0) fail(queue);
    if (cupsStartDocument(connection.get(), queue.c_str(), job, title.c_str(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        fail(queue);
    if (cupsWriteRequestData(connection.get(), pdf.data(), pdf.size()) != HTTP_STATUS_CONTINUE) fail(queue);
    if (cupsFinishDocument(connection.get(), queue.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE) fail(queue);
}

}  // namespace platform::posix

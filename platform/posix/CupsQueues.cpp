#include "platform/posix/CupsQueues.h"

#include <cups/cups.h>

#include <string>

#include "base/UniqueHandle.h"
#include "platform/Failure.h"

namespace platform::posix {
namespace {

using Connection = base::Unique<http_t*, httpClose>;

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

// CUPS's reason; where the request failed at the HTTP level only, its IPP status still says "success".
std::string lastReason(http_t* connection) {
    if (cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) return cupsLastErrorString();
    const http_status_t status = httpGetStatus(connection);
    if (status >= HTTP_STATUS_BAD_REQUEST) return httpStatus(status);
    return "the connection to the print server failed";
}

[[noreturn]] void fail(const std::string& queue, http_t* connection) {
    throw Failure("The printer '" + queue + "' did not take the print job: " + lastReason(connection));
}

// A created job that is cancelled unless its document arrives whole, so that no empty job is left
// waiting in the queue. The cancel goes over a connection of its own: the job's may be stuck
// halfway through a request.
class PendingJob {
  public:
    PendingJob(const std::string& queue, int id, std::chrono::milliseconds timeLimit)
        : queue_(queue), id_(id), timeLimit_(timeLimit) {}
    PendingJob(const PendingJob&) = delete;
    PendingJob& operator=(const PendingJob&) = delete;
    ~PendingJob() {
        if (id_ == 0) return;
        if (Connection connection = connect(timeLimit_))
            cupsCancelJob2(connection.get(), queue_.c_str(), id_, 0);
    }
    void release() { id_ = 0; }

  private:
    const std::string& queue_;
    int id_;
    std::chrono::milliseconds timeLimit_;
};

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
    const int id = cupsCreateJob(connection.get(), queue.c_str(), title.c_str(), 0, nullptr);
    if (id == 0) fail(queue, connection.get());
    PendingJob job(queue, id, timeLimit);
    if (cupsStartDocument(connection.get(), queue.c_str(), id, title.c_str(), CUPS_FORMAT_PDF, 1) !=
        HTTP_STATUS_CONTINUE)
        fail(queue, connection.get());
    if (cupsWriteRequestData(connection.get(), pdf.data(), pdf.size()) != HTTP_STATUS_CONTINUE)
        fail(queue, connection.get());
    if (cupsFinishDocument(connection.get(), queue.c_str()) > IPP_STATUS_OK_EVENTS_COMPLETE)
        fail(queue, connection.get());
    job.release();
}

}  // namespace platform::posix

#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::jet {

// The machine's printers besides the PDF writer: the queues of a print server.
class PrintQueues {
  public:
    struct List {
        std::vector<std::string> names;
        std::optional<std::string> defaultName;
    };

    virtual ~PrintQueues() = default;
    virtual List list() = 0;
    // Raises Failure when the queue does not take the job.
    virtual void print(const std::string& queue, const std::string& title, std::string_view pdf) = 0;
};

// The CUPS queues, where a CUPS server answers.
class CupsPrintQueues : public PrintQueues {
  public:
    List list() override;
    void print(const std::string& queue, const std::string& title, std::string_view pdf) override;
};

}  // namespace platform::jet

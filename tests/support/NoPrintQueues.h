#pragma once

#include <gtest/gtest.h>

#include "platform/jet/print/PrintQueues.h"

namespace test_support {

// A print server without queues, for tests that print nothing there: a job sent to it fails the test.
class NoPrintQueues : public platform::jet::PrintQueues {
  public:
    List list() override { return {}; }
    void print(const std::string&, const std::string&, std::string_view) override {
        ADD_FAILURE() << "no queue";
    }
};

}  // namespace test_support

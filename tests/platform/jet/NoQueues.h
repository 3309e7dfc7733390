#pragma once

#include <gtest/gtest.h>

#include "platform/jet/PrintQueues.h"

namespace jet_tests {

// A print server without queues, for tests that print nothing there.
class NoQueues : public platform::jet::PrintQueues {
  public:
    List list() override { return {}; }
    void print(const std::string&, const std::string&, std::string_view) override {
        ADD_FAILURE() << "no queue";
    }
};

}  // namespace jet_tests

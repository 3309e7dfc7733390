#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/com/ComApartment.h"
#include "platform/win32/com/ComPtr.h"
#include "tests/platform/win32/com/RecordingObject.h"

namespace calvenor::test {

// Recording objects sharing one log, each checked at the end to have got back every reference it gave.
class AutomationTest : public ::testing::Test {
  protected:
    RecordingObject& object(const std::string& label) {
        objects_.push_back(std::make_unique<RecordingObject>(label, log));
        return *objects_.back();
    }
    // A new reference to `object`, as a factory hands it over.
    static platform::win32::com::ComPtr<IDispatch> reference(RecordingObject& object) {
        object.AddRef();
        return platform::win32::com::ComPtr<IDispatch>::adopt(&object);
    }
    void TearDown() override {
        for (const auto& object : objects_)
            EXPECT_EQ(object->references(), 0) << object->label() << " still has references";
    }

    platform::win32::com::ComApartment apartment;
    std::vector<std::string> log;

  private:
    std::vector<std::unique_ptr<RecordingObject>> objects_;
};

}  // namespace calvenor::test

#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace fakes {

// An in-memory registry that records every write, in order.
class FakeRegistry : public platform::Registry {
  public:
    struct Write {
        std::string key, name, value;
    };

    std::unique_ptr<platform::RegistryKey> createKey(std::string_view path) override;
    std::unique_ptr<platform::RegistryKey> openKey(std::string_view path) override;

    std::optional<std::string> value(std::string_view key, std::string_view name) const;
    void set(std::string_view key, std::string_view name, std::string_view value);

    std::vector<Write> writes;
    bool failWrites = false;  // every write raises a Failure while set
    // Fails the creation of this key, or writes of the value of this name, with "Access is denied.".
    std::optional<std::string> failCreating, failWriting;
    // Where opening ("create KEY"), writing ("write NAME=VALUE") and closing ("close KEY") keys are
    // logged, beside what other fakes log there; none when null.
    std::vector<std::string>* journal = nullptr;

  private:
    friend class FakeKey;
    std::map<std::string, std::map<std::string, std::string>> keys_;  // by lower-cased path and name
};

}  // namespace fakes

#include "tests/fakes/FakeRegistry.h"

#include <algorithm>
#include <cctype>

#include "platform/Failure.h"

namespace fakes {
namespace {

std::string folded(std::string_view text) {
    std::string result{text};
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

}  // namespace

class FakeKey : public platform::RegistryKey {
  public:
    FakeKey(FakeRegistry& registry, std::string path) : registry_(registry), path_(std::move(path)) {}
    ~FakeKey() override {
        if (registry_.journal) registry_.journal->push_back("close " + path_);
    }

    std::optional<std::string> readString(std::string_view name) override {
        return registry_.value(path_, name);
    }
    void writeString(std::string_view name, std::string_view value) override {
        if (registry_.failWrites || registry_.failWriting == name)
            throw platform::Failure{"Access is denied."};
        if (registry_.journal)
            registry_.journal->push_back("write " + std::string{name} + "=" + std::string{value});
        registry_.set(path_, name, value);
        registry_.writes.push_back({path_, std::string{name}, std::string{value}});
    }

  private:
    FakeRegistry& registry_;
    std::string path_;
};

std::unique_ptr<platform::RegistryKey> FakeRegistry::createKey(std::string_view path) {
    if (failCreating == path) throw platform::Failure{"Access is denied."};
    if (journal) journal->push_back("create " + std::string{path});
    keys_[folded(path)];
    return std::make_unique<FakeKey>(*this, std::string{path});
}

std::unique_ptr<platform::RegistryKey> FakeRegistry::openKey(std::string_view path) {
    if (!keys_.contains(folded(path))) return nullptr;
    return std::make_unique<FakeKey>(*this, std::string{path});
}

std::optional<std::string> FakeRegistry::value(std::string_view key, std::string_view name) const {
    auto k = keys_.find(folded(key));
    if (k == keys_.end()) return std::nullopt;
    auto v = k->second.find(folded(name));
    if (v == k->second.end()) return std::nullopt;
    return v->second;
}

void FakeRegistry::set(std::string_view key, std::string_view name, std::string_view value) {
    keys_[folded(key)][folded(name)] = std::string{value};
}

}  // namespace fakes

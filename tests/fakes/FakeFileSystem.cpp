#include "tests/fakes/FakeFileSystem.h"

namespace fakes {

std::optional<platform::PathKind> FakeFileSystem::examine(std::string_view path) {
    auto found = paths_.find(path);
    if (found == paths_.end()) return std::nullopt;
    return found->second;
}

}  // namespace fakes

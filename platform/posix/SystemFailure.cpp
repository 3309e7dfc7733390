#include "platform/posix/SystemFailure.h"

#include <cstring>
#include <string>

#include "platform/Failure.h"

namespace platform::posix {

void raiseSystemFailure(std::string_view action, std::string_view path, int error) {
    std::string description{action};
    description += ' ';
    description += path;
    description += ": ";
    description += std::strerror(error);
    throw Failure{std::move(description)};
}

}  // namespace platform::posix

#include "platform/jet/query/Region.h"

namespace platform::jet::query {
namespace {

// One per process: a helper serves one database, whose region holds for every value it formats.
Region& region() {
    static Region current;
    return current;
}

}  // namespace

const Region& currentRegion() {
    return region();
}

void useRegion(const Region& chosen) {
    region() = chosen;
}

}  // namespace platform::jet::query

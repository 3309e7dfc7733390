#pragma once

#include <QLocale>
#include <cstdint>

#include "platform/jet/query/Region.h"

namespace platform::jet::render {

// The region a report of a database is formatted in: the region Windows sets up for the language of its
// code page (query::windowsRegion), with that language's names of months and days; English (United
// States) for any other code page.
query::Region reportRegion(std::uint16_t codePage);

// Qt's data of a locale in Access's format notation, as Windows sets that region up (four-digit years
// in short dates).
query::Region regionOf(const QLocale& locale);

}  // namespace platform::jet::render

#pragma once

#include <QLocale>
#include <cstdint>

#include "platform/jet/query/Region.h"

namespace platform::jet::render {

// The region a report of a database is formatted in: the region its code page belongs to, where the
// code page belongs to one (Cyrillic: Russian (Russia); Greek; Turkish; Hebrew; Arabic; Thai; Vietnamese;
// Japanese; Korean; Chinese (China; Taiwan)); English (United States) for the Western, Central European
// and Baltic code pages, which many regions share, and for any other.
query::Region reportRegion(std::uint16_t codePage);

// Qt's data of a locale in Access's format notation, as Windows sets that region up (four-digit years
// in short dates).
query::Region regionOf(const QLocale& locale);

}  // namespace platform::jet::render

#pragma once

#include <QPageLayout>

#include "platform/jet/design/ReportDesign.h"

namespace platform::jet::render {

// The paper, orientation and margins a report's design asks for: its paper size, else its paper's
// measurements, else the region's paper (Letter or A4); margins of one inch where the design gives none.
QPageLayout pageLayoutOf(const design::PageSetup& setup);

}  // namespace platform::jet::render

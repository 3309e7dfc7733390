#pragma once

#include <functional>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/render/ReportGrouping.h"

namespace platform::jet::render {

// One section printed once, or one part of a section split over pages: where on its page (twips below
// the printable area's top, right of its left edge) and over which rows (positions in the grouping's
// order).
struct Band {
    const design::Section* section = nullptr;
    int top = 0;
    RowScope scope;
    int height = 0;  // the section's, or more where its text grew; of a part, the part's
    int offset = 0;  // of a part: how much of the section's top earlier pages printed
    int left = 0;    // of a band in a column other than the first: where its column starts
};

// A section's height over a scope's rows: more than its design's where growing text needs it.
using SectionHeight = std::function<int(const design::Section&, const RowScope&)>;

struct PlannedPage {
    std::vector<Band> bands;
};

// The report's sections placed on pages: the report header, then for each row the footers of the
// groups that end and the headers of those that start before its detail, then the report footer; a
// page header at each page's top and a page footer at its bottom. A section that does not fit on what
// is left of a page, or that forces one, starts the next; a group header kept together with its group
// starts the next page unless its first detail fits below it. Always at least one page.
std::vector<PlannedPage> planPages(const design::ReportDesign& design, const Grouping& grouping,
                                   int printableHeight, const SectionHeight& heightOf = {});

}  // namespace platform::jet::render

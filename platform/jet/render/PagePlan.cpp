#include "platform/jet/render/PagePlan.h"

#include <algorithm>
#include <iterator>

namespace platform::jet::render {
namespace {

using design::Section;
using design::SectionKind;

const Section* findSection(const design::ReportDesign& design, SectionKind kind, int level = 0) {
    for (const auto& section : design.sections)
        if (section.kind == kind && ((kind != SectionKind::GroupHeader && kind != SectionKind::GroupFooter) ||
                                     section.groupLevel == level))
            return &section;
    return nullptr;
}

// Twips of a section a page shows at least, where its page header leaves it no room.
constexpr int kSmallestPart = 720;

bool printed(const Section* section) {
    return section && section->visible && section->height > 0;
}

void addControls(const design::Control& control, SectionExtent& extent) {
    addControl(control, control.top, std::max(control.height, 0), extent);
    for (const auto& child : control.children) addControls(child, extent);
}

// How the report's items (details, and group sections laid out down then across) fill its columns.
struct Columns {
    int count = 1;
    int width = 0;
    int pitch = 0;  // from one column's left edge to the next's
    int rowSpacing = 0;
    bool acrossThenDown = true;
};

Columns columnsOf(const design::ReportDesign& design, int printableWidth) {
    const design::PageSetup& page = design.page;
    Columns columns;
    columns.width = std::max(page.sameAsDetail || page.itemWidth <= 0 ? design.width : page.itemWidth, 0);
    columns.pitch = columns.width + page.columnSpacing;
    // As many of the columns asked for as the page has room for.
    if (page.columns > 1 && columns.pitch > 0)
        columns.count = std::clamp((printableWidth + page.columnSpacing) / columns.pitch, 1, page.columns);
    columns.rowSpacing = page.rowSpacing;
    columns.acrossThenDown = page.acrossThenDown;
    return columns;
}

// Stops a plan that has run past kMostPages.
struct PageLimitReached {};

class Planner {
  public:
    Planner(const design::ReportDesign& design, PrintableArea area, const SectionMeasure& measure)
        : measure_(measure),
          columns_(columnsOf(design, area.width)),
          pageHeader_(findSection(design, SectionKind::PageHeader)),
          pageFooter_(findSection(design, SectionKind::PageFooter)),
          footerHeight_(printed(pageFooter_) ? pageFooter_->height : 0),
          height_(area.height) {}

    void start(const Section* reportHeader, const RowScope& all) {
        pages_.emplace_back();
        // The report header comes before the first page header; one that forces a new page stands alone.
        if (printed(reportHeader)) {
            placeAcross(*reportHeader, all, 0);
            if (reportHeader->forceNewPage >= 2) newPage();
        }
        if (!pageHeaderOnPage_) placePageHeader();
    }

    // keptWith: the height that must fit below the section on its page (a group header kept with its
    // group).
    void place(const Section* section, const RowScope& scope, int keptWith = 0) {
        if (!printed(section)) return;
        if (breakPending_ || ((section->forceNewPage & 1) && bodyOnPage_)) newPage();
        breakPending_ = false;
        if (inColumns(*section))
            placeInColumn(*section, scope, keptWith);
        else
            placeAcross(*section, scope, keptWith);
        breakPending_ = breakPending_ || (section->forceNewPage & 2) != 0;
    }

    std::vector<PlannedPage> finish() {
        finishPage();
        return std::move(pages_);
    }

    // The room a section has on a page of its own, below the page header.
    int roomOnNewPage() const { return bottom() - (printed(pageHeader_) ? pageHeader_->height : 0); }

  private:
    bool inColumns(const Section& section) const {
        if (columns_.count < 2) return false;
        return section.kind == SectionKind::Detail ||
               (!columns_.acrossThenDown &&
                (section.kind == SectionKind::GroupHeader || section.kind == SectionKind::GroupFooter));
    }

    int bottom() const { return height_ - footerHeight_; }

    // A section across the page, split where it is taller than the room left on a page and at its
    // page-break controls.
    void placeAcross(const Section& section, const RowScope& scope, int keptWith) {
        closeColumns();
        const SectionExtent extent = measure_(section, scope);
        if (extent.height <= 0) return;  // shrunk to nothing
        if (bodyOnPage_ &&
            std::find(extent.pageBreaks.begin(), extent.pageBreaks.end(), 0) != extent.pageBreaks.end())
            newPage();
        // In order, so that each part finds its break at once however many the section has.
        std::vector<int> breaks = extent.pageBreaks;
        std::sort(breaks.begin(), breaks.end());
        int offset = 0;
        for (;;) {
            const auto next = std::upper_bound(breaks.begin(), breaks.end(), offset);
            const int end = next != breaks.end() ? std::min(*next, extent.height) : extent.height;
            const int kept = end == extent.height ? keptWith : 0;
            const int room = bottom() - top_;
            if (end - offset + kept > room && bodyOnPage_ && end - offset + kept <= roomOnNewPage()) {
                newPage();
                continue;
            }
            int cut = end;
            if (end - offset > room) {
                cut = cutAbove(extent, offset, offset + room);
                if (cut <= offset && bodyOnPage_) {
                    newPage();
                    continue;
                }
                // Nothing whole fits even on a page of its own: cut through.
                if (cut <= offset) cut = offset + std::max(room, kSmallestPart);
            }
            addBand({&section, top_, scope, cut - offset, offset});
            top_ += cut - offset;
            offset = cut;
            if (offset >= extent.height) break;
            newPage();
        }
        for (int at : extent.pageBreaks)
            if (at >= extent.height && extent.height > 0) breakPending_ = true;
    }

    // Where to end a part that may reach down to limit: above the controls it would cut through that
    // fit on a page of their own, so that they print whole on the next.
    int cutAbove(const SectionExtent& extent, int from, int limit) const {
        int cut = limit;
        for (bool moved = true; moved;) {
            moved = false;
            for (const auto& [top, end] : extent.controls)
                if (top >= from && top < cut && end > cut && end - top <= roomOnNewPage()) {
                    cut = top;
                    moved = true;
                }
        }
        return cut;
    }

    void placeInColumn(const Section& section, const RowScope& scope, int keptWith) {
        const int height = measure_(section, scope).height;
        if (!inBlock_) openColumns();
        if (columns_.acrossThenDown) {
            if (column_ == columns_.count) {  // the row is full: the next starts below it
                cursor_ = blockBottom_ + columns_.rowSpacing;
                column_ = 0;
            }
            if (column_ == 0 && cursor_ + height + keptWith > bottom() && bodyOnPage_) {
                newPage();
                openColumns();
            }
        } else if (cursor_ + height + keptWith > bottom() && cursor_ > blockTop_) {
            cursor_ = blockTop_;  // the column is full: the next starts at the same top
            if (++column_ == columns_.count) {
                newPage();
                openColumns();
            }
        }
        addBand({&section, cursor_, scope, height, 0, column_ * columns_.pitch, columns_.width});
        blockBottom_ = std::max(blockBottom_, cursor_ + height);
        if (columns_.acrossThenDown)
            ++column_;
        else
            cursor_ += height + columns_.rowSpacing;
    }

    void openColumns() {
        inBlock_ = true;
        blockTop_ = cursor_ = blockBottom_ = top_;
        column_ = 0;
    }

    // What comes across the page after columns goes below the deepest of them.
    void closeColumns() {
        if (!inBlock_) return;
        top_ = std::max(top_, blockBottom_);
        inBlock_ = false;
    }

    void addBand(const Band& band) {
        if (pageHeaderScopeOpen_)
            pages_.back().bands[static_cast<std::size_t>(pageHeaderBand_)].scope = band.scope;
        pageHeaderScopeOpen_ = false;
        pages_.back().bands.push_back(band);
        bodyOnPage_ = true;
        lastScope_ = band.scope;
    }

    void placePageHeader() {
        pageHeaderOnPage_ = true;
        if (!printed(pageHeader_)) return;
        pageHeaderBand_ = static_cast<int>(pages_.back().bands.size());
        pageHeaderScopeOpen_ = true;
        pages_.back().bands.push_back({pageHeader_, top_, lastScope_, pageHeader_->height});
        top_ += pageHeader_->height;
    }

    void finishPage() {
        closeColumns();
        if (printed(pageFooter_))
            pages_.back().bands.push_back(
                {pageFooter_, std::max(top_, bottom()), lastScope_, pageFooter_->height});
    }

    void newPage() {
        if (pages_.size() > kMostPages) throw PageLimitReached();
        finishPage();
        pages_.emplace_back();
        top_ = 0;
        bodyOnPage_ = false;
        pageHeaderScopeOpen_ = false;
        placePageHeader();
    }

    SectionMeasure measure_;
    Columns columns_;
    const Section* pageHeader_;
    const Section* pageFooter_;
    int footerHeight_;
    int height_;
    std::vector<PlannedPage> pages_;
    int top_ = 0;
    int pageHeaderBand_ = -1;
    bool pageHeaderOnPage_ = false;
    bool pageHeaderScopeOpen_ = false;
    bool bodyOnPage_ = false;
    bool breakPending_ = false;
    RowScope lastScope_;
    // The items in columns since the last section across the page.
    bool inBlock_ = false;
    int blockTop_ = 0, blockBottom_ = 0;
    int column_ = 0;
    int cursor_ = 0;  // down then across: the next item's top in its column; across then down: the row's
};

// The sections printed over a run of rows, in order: for each group of a level in it, the group's
// header, the groups of the next level within it (below the last level, the details), its footer.
class SectionWalk {
  public:
    // Given each printed section and its rows; returning false stops the walk.
    using Visitor = std::function<bool(const Section&, const RowScope&)>;

    SectionWalk(const design::ReportDesign& design, const Grouping& grouping)
        : grouping_(grouping), detail_(printedOrNull(findSection(design, SectionKind::Detail))) {
        for (std::size_t level = 0; level < grouping.starts.size(); ++level) {
            const int index = static_cast<int>(level);
            headers_.push_back(printedOrNull(findSection(design, SectionKind::GroupHeader, index)));
            footers_.push_back(printedOrNull(findSection(design, SectionKind::GroupFooter, index)));
        }
    }

    const Section* footer(std::size_t level) const { return footers_[level]; }

    bool visit(std::size_t level, std::size_t first, std::size_t last, const Visitor& visitor) const {
        if (level == headers_.size()) {
            for (std::size_t row = first; row <= last; ++row)
                if (detail_ && !visitor(*detail_, {row, row, row})) return false;
            return true;
        }
        // An outer group's start starts the inner groups too: the level's groups lie within [first, last].
        const auto& starts = grouping_.starts[level];
        for (auto at = std::lower_bound(starts.begin(), starts.end(), first);
             at != starts.end() && *at <= last; ++at) {
            const std::size_t end = std::next(at) != starts.end() ? std::min(*std::next(at) - 1, last) : last;
            if (headers_[level] && !visitor(*headers_[level], {*at, end, *at})) return false;
            if (!visit(level + 1, *at, end, visitor)) return false;
            if (footers_[level] && !visitor(*footers_[level], {*at, end, end})) return false;
        }
        return true;
    }

  private:
    static const Section* printedOrNull(const Section* section) {
        return printed(section) ? section : nullptr;
    }

    const Grouping& grouping_;
    const Section* detail_;
    std::vector<const Section*> headers_, footers_;
};

}  // namespace

void addControl(const design::Control& control, int top, int height, SectionExtent& extent) {
    if (control.kind != design::ControlKind::PageBreak)
        extent.controls.emplace_back(top, top + height);
    else if (control.visible)
        extent.pageBreaks.push_back(top);
}

SectionExtent designedExtent(const Section& section) {
    SectionExtent extent;
    extent.height = section.height;
    for (const auto& control : section.controls) addControls(control, extent);
    return extent;
}

std::vector<PlannedPage> planPages(const design::ReportDesign& design, const Grouping& grouping,
                                   PrintableArea area, const SectionMeasure& measure) {
    const SectionMeasure measureOf =
        measure ? measure : [](const Section& section, const RowScope&) { return designedExtent(section); };
    const std::size_t rows = grouping.order.size();
    const RowScope all{0, rows == 0 ? 0 : rows - 1, 0};
    const SectionWalk walk(design, grouping);
    Planner planner(design, area, measureOf);

    // What a group header kept with its group needs below it: the rest of the group where the whole
    // fits on a page of its own, else the sections down to its first detail.
    const auto keptWith = [&](const Section& header, std::size_t level, const RowScope& group) {
        const int keep = level < design.groups.size() ? design.groups[level].keepTogether : 0;
        if (keep == 0) return 0;
        // Past a page's room the rest cannot change where the header goes: the sum stops there.
        const int room = planner.roomOnNewPage();
        const auto below = [&](bool whole) {
            int height = 0;
            walk.visit(level + 1, group.first, group.last,
                       [&](const Section& section, const RowScope& scope) {
                           height += measureOf(section, scope).height;
                           return height <= room && (whole || section.kind != SectionKind::Detail);
                       });
            if (const Section* footer = whole && height <= room ? walk.footer(level) : nullptr)
                height += measureOf(*footer, {group.first, group.last, group.last}).height;
            return height;
        };
        if (keep == 1) {
            const int whole = below(true);
            if (measureOf(header, group).height + whole <= planner.roomOnNewPage()) return whole;
        }
        return below(false);
    };

    try {
        planner.start(findSection(design, SectionKind::ReportHeader), all);
        if (rows > 0)
            walk.visit(0, 0, rows - 1, [&](const Section& section, const RowScope& scope) {
                const auto level = static_cast<std::size_t>(section.groupLevel);
                planner.place(&section, scope,
                              section.kind == SectionKind::GroupHeader ? keptWith(section, level, scope) : 0);
                return true;
            });
        RowScope last = all;
        last.current = all.last;
        planner.place(findSection(design, SectionKind::ReportFooter), last);
    } catch (const PageLimitReached&) {
        // The pages so far, one past the limit, say that the report runs on.
    }
    return planner.finish();
}

}  // namespace platform::jet::render

#include "platform/jet/render/PagePlan.h"

#include <algorithm>
#include <iterator>
#include <optional>

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

// How often one row's section may ask to come again (NextRecord False) before the plan moves on.
constexpr int kMostRepeats = 1000;

class Planner {
  public:
    Planner(const design::ReportDesign& design, PrintableArea area, const SectionMeasure& measure,
            SectionEvents* events)
        : measure_(measure),
          events_(events),
          columns_(columnsOf(design, area.width)),
          pageHeader_(findSection(design, SectionKind::PageHeader)),
          pageFooter_(findSection(design, SectionKind::PageFooter)),
          footerHeight_(printed(pageFooter_) ? pageFooter_->height : 0),
          height_(area.height),
          pageHeaderNotWith_(design.pageHeaderNotWith),
          pageFooterNotWith_(design.pageFooterNotWith) {}

    void start(const Section* reportHeader, const RowScope& all) {
        pages_.emplace_back();
        // The report header comes before the first page header; one that forces a new page stands alone.
        if (const Section* header = printed(reportHeader) ? formatted(*reportHeader, all) : nullptr) {
            placing_ = SectionKind::ReportHeader;
            placeAcross(*reportHeader, *header, all, 0);
            placing_.reset();
            if (header->forceNewPage >= 2) newPage();
        }
        if (!pageHeaderOnPage_) placePageHeader();
    }

    void placeReportFooter(const Section* reportFooter, const RowScope& scope) {
        repeats_.clear();
        placing_ = SectionKind::ReportFooter;
        place(reportFooter, scope);
        placing_.reset();
    }

    // keptWith: the height that must fit below the section on its page (a group header kept with its
    // group). False when the section's code asks for the same row's section again.
    bool place(const Section* designed, const RowScope& scope, int keptWith = 0) {
        if (!printed(designed)) return true;
        // Only the headers of the groups the section belongs to repeat on the pages it starts.
        std::erase_if(repeats_, [&](const Repeat& repeat) {
            return scope.first < repeat.scope.first || scope.last > repeat.scope.last;
        });
        // A page a break ends starts (with its page header's events) before the next section formats.
        if (breakPending_) newPage();
        breakPending_ = false;
        const Section* section = formatted(*designed, scope);
        SectionEvents::Formatted asked = lastFormat_;  // the Format that places it: the second, after a Retreat
        if (!section) return asked.nextRecord;
        if ((section->forceNewPage & 1) && bodyOnPage_) newPage();
        const std::size_t page = pages_.size();
        const int top = top_;
        if (inColumns(*section))
            placeInColumn(*section, scope, keptWith);
        else
            placeAcross(*designed, *section, scope, keptWith, &asked);
        // Code that keeps the layout where it is has what follows print over this section.
        if (!asked.moveLayout && page == pages_.size() && !inColumns(*section)) top_ = top;
        breakPending_ = breakPending_ || (section->forceNewPage & 2) != 0;
        if (section->kind == SectionKind::GroupHeader && section->repeatSection)
            repeats_.push_back({section, scope});
        return asked.nextRecord;
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

    // Where the body of the page ends: above the page footer, or at the page's end where the footer is
    // left off (a report's cover is designed to the whole page).
    int bottom() const { return height_ - (leftOff(pageFooterNotWith_, true) ? 0 : footerHeight_); }

    // The section as its Format event leaves it; none where the event cancels it or hides it.
    const Section* formatted(const Section& section, const RowScope& scope, int formatCount = 1) {
        lastFormat_ = {&section};
        if (!events_) return &section;
        lastFormat_ = events_->format(section, scope, static_cast<int>(pages_.size()), formatCount);
        return printed(lastFormat_.section) ? lastFormat_.section : nullptr;
    }

    // A section across the page, split where it is taller than the room left on a page and at its
    // page-break controls. designed: the section as designed, formatted again when it moves on to the
    // next page; asked, when given, then set to what that second Format asked.
    void placeAcross(const Section& designed, const Section& formattedSection, const RowScope& scope, int keptWith,
                     SectionEvents::Formatted* asked = nullptr) {
        closeColumns();
        const Section* current = &formattedSection;
        SectionExtent extent = measure_(*current, scope);
        if (extent.height <= 0) return;  // shrunk to nothing
        if (bodyOnPage_ &&
            std::find(extent.pageBreaks.begin(), extent.pageBreaks.end(), 0) != extent.pageBreaks.end())
            newPage();
        // In order, so that each part finds its break at once however many the section has.
        std::vector<int> breaks = extent.pageBreaks;
        std::sort(breaks.begin(), breaks.end());
        int offset = 0;
        // Moving a section not yet begun on to the next page takes it back (Retreat) and formats it
        // again there.
        const auto moveOn = [&] {
            const bool again = events_ && offset == 0;
            if (again) events_->retreat(designed, scope);
            newPage();
            if (!again) return true;
            current = formatted(designed, scope, 2);
            if (asked) *asked = lastFormat_;
            if (!current) return false;
            extent = measure_(*current, scope);
            breaks = extent.pageBreaks;
            std::sort(breaks.begin(), breaks.end());
            return extent.height > 0;
        };
        for (;;) {
            const auto next = std::upper_bound(breaks.begin(), breaks.end(), offset);
            const int end = next != breaks.end() ? std::min(*next, extent.height) : extent.height;
            // A page break below nothing but space on a fresh page (the section was cut just above
            // it) starts no second page.
            if (end < extent.height && !bodyOnPage_ && isEmpty(extent, offset, end)) {
                offset = end;
                continue;
            }
            const int kept = end == extent.height ? keptWith : 0;
            const int room = bottom() - top_;
            // A section kept together (or a header kept with its group) that fits on a page of its own
            // moves there; any other prints what fits here.
            if ((current->keepTogether || kept > 0) && end - offset + kept > room && bodyOnPage_ &&
                end - offset + kept <= roomOnNewPage()) {
                if (!moveOn()) return;
                continue;
            }
            int cut = end;
            if (end - offset > room) {
                cut = cutAbove(extent, offset, offset + room);
                if (cut <= offset && bodyOnPage_) {
                    if (!moveOn()) return;
                    continue;
                }
                // Nothing whole fits even on a page of its own: cut through.
                if (cut <= offset) cut = offset + std::max(room, kSmallestPart);
            }
            addBand({current, top_, scope, cut - offset, offset});
            top_ += cut - offset;
            offset = cut;
            if (offset >= extent.height) break;
            newPage();
        }
        for (int at : extent.pageBreaks)
            if (at >= extent.height && extent.height > 0) breakPending_ = true;
    }

    static bool isEmpty(const SectionExtent& extent, int from, int end) {
        return std::none_of(extent.controls.begin(), extent.controls.end(),
                            [&](const auto& span) { return span.first < end && span.second > from; });
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
        if (!inBlock_) {
            openColumns();
            if (columnRepeatsPending_) repeatInColumn();
        }
        const bool newRowOrColumn = (section.newRowOrCol & 1) || newRowOrColumnPending_;
        newRowOrColumnPending_ = (section.newRowOrCol & 2) != 0;
        if (columns_.acrossThenDown) {
            if (column_ == columns_.count || (newRowOrColumn && column_ > 0)) {  // the next row, below
                cursor_ = blockBottom_ + columns_.rowSpacing;
                column_ = 0;
            }
            if (column_ == 0 && cursor_ + height + keptWith > bottom() && bodyOnPage_) {
                newPage();
                openColumns();
            }
        } else if ((newRowOrColumn || cursor_ + height + keptWith > bottom()) && cursor_ > blockTop_) {
            cursor_ = blockTop_;  // the next column, at the same top
            if (++column_ == columns_.count) {
                newPage();
                openColumns();
            }
            repeatInColumn();
        }
        addBand({&section, cursor_, scope, height, 0, column_ * columns_.pitch, columns_.width});
        blockBottom_ = std::max(blockBottom_, cursor_ + height);
        if (columns_.acrossThenDown)
            ++column_;
        else
            cursor_ += height + columns_.rowSpacing;
    }

    // The repeated headers of the groups going on, at the top of a page (those across it) or of a
    // column (those in columns). They are not the page's body: a section that does not fit below them
    // is split rather than moved to a page that would repeat them again.
    void repeatAcross() {
        for (const auto& [header, scope] : repeats_) {
            if (inColumns(*header)) continue;
            const int height = measure_(*header, scope).height;
            if (height <= 0 || top_ + height > bottom()) continue;
            addBand({header, top_, scope, height}, false);
            top_ += height;
        }
    }

    void repeatInColumn() {
        columnRepeatsPending_ = false;
        for (const auto& [header, scope] : repeats_) {
            if (!inColumns(*header)) continue;
            const int height = measure_(*header, scope).height;
            if (height <= 0 || cursor_ + height > bottom()) continue;
            addBand({header, cursor_, scope, height, 0, column_ * columns_.pitch, columns_.width}, false);
            blockBottom_ = std::max(blockBottom_, cursor_ + height);
            cursor_ += height + columns_.rowSpacing;
        }
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

    void addBand(const Band& band, bool body = true) {
        if (pageHeaderScopeOpen_)
            pages_.back().bands[static_cast<std::size_t>(pageHeaderBand_)].scope = band.scope;
        pageHeaderScopeOpen_ = false;
        pages_.back().bands.push_back(band);
        if (events_) events_->print(pages_.back().bands.back(), static_cast<int>(pages_.size()));
        if (body) {
            bodyOnPage_ = true;
            columnRepeatsPending_ = false;
        }
        lastScope_ = band.scope;
    }

    // Whether a page section set to be left off the report header's or footer's pages is left off this
    // page: one holding either, or, as the page starts, one started for either.
    bool leftOff(int notWith, bool starting) const {
        const auto holds = [&](SectionKind kind) {
            if (starting && placing_ == kind) return true;
            const auto& bands = pages_.back().bands;
            return std::any_of(bands.begin(), bands.end(),
                               [&](const Band& band) { return band.section->kind == kind; });
        };
        return ((notWith & design::kNotWithReportHeader) && holds(SectionKind::ReportHeader)) ||
               ((notWith & design::kNotWithReportFooter) && holds(SectionKind::ReportFooter));
    }

    void placePageHeader() {
        pageHeaderOnPage_ = true;
        pageHeaderBand_ = -1;
        if (!printed(pageHeader_) || leftOff(pageHeaderNotWith_, true)) return;
        const Section* header = formatted(*pageHeader_, lastScope_);
        if (!header) return;
        pageHeaderBand_ = static_cast<int>(pages_.back().bands.size());
        pageHeaderScopeOpen_ = true;
        pages_.back().bands.push_back({header, top_, lastScope_, header->height});
        if (events_) events_->print(pages_.back().bands.back(), static_cast<int>(pages_.size()));
        top_ += header->height;
    }

    void finishPage() {
        closeColumns();
        // The report footer came below a page header it is not to share its page with: the header's
        // space stays, its band goes.
        if (pageHeaderBand_ >= 0 && leftOff(pageHeaderNotWith_, false))
            pages_.back().bands.erase(pages_.back().bands.begin() + pageHeaderBand_);
        pageHeaderBand_ = -1;
        const Section* footer =
            printed(pageFooter_) && !leftOff(pageFooterNotWith_, false) ? formatted(*pageFooter_, lastScope_) : nullptr;
        if (events_) events_->page(pages_.back(), static_cast<int>(pages_.size()));
        if (!footer) return;
        pages_.back().bands.push_back({footer, std::max(top_, bottom()), lastScope_, footer->height});
        if (events_) events_->print(pages_.back().bands.back(), static_cast<int>(pages_.size()));
    }

    void newPage() {
        if (pages_.size() > kMostPages) throw PageLimitReached();
        finishPage();
        pages_.emplace_back();
        top_ = 0;
        bodyOnPage_ = false;
        pageHeaderScopeOpen_ = false;
        placePageHeader();
        repeatAcross();
        columnRepeatsPending_ = true;
    }

    SectionMeasure measure_;
    SectionEvents* events_;
    SectionEvents::Formatted lastFormat_;  // what the last Format event asked
    Columns columns_;
    const Section* pageHeader_;
    const Section* pageFooter_;
    int footerHeight_;
    int height_;
    int pageHeaderNotWith_, pageFooterNotWith_;
    std::optional<SectionKind> placing_;  // the report header or footer being placed
    // The headers to repeat, outer groups first, with their groups' rows.
    struct Repeat {
        const Section* header;
        RowScope scope;
    };
    std::vector<Repeat> repeats_;
    bool columnRepeatsPending_ = false;   // a page started: headers in columns repeat in its first
    bool newRowOrColumnPending_ = false;  // the last item asked for a new column or row after it
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

int pagesAcross(const design::ReportDesign& design, int printableWidth) {
    // The report's width, as Access measures it against the paper; in columns, the columns that fit
    // (the rest are not printed) and the page-wide sections' controls.
    int width = design.width;
    const Columns columns = columnsOf(design, printableWidth);
    if (design.page.columns > 1) {
        width = columns.count * columns.pitch - design.page.columnSpacing;
        const auto reach = [&](const auto& self, const design::Control& control) -> void {
            width = std::max(width, control.left + control.width);
            for (const auto& child : control.children) self(self, child);
        };
        const auto inColumns = [&](SectionKind kind) {
            const bool group = kind == SectionKind::GroupHeader || kind == SectionKind::GroupFooter;
            return kind == SectionKind::Detail || (group && !columns.acrossThenDown);
        };
        for (const auto& section : design.sections)
            if (!inColumns(section.kind))
                for (const auto& control : section.controls) reach(reach, control);
    }
    // Within a few twips of the edge is taken to fit: the printable width here is worked out in points
    // (A4's 595.28) and cut to whole twips, where Access takes any report wider than its paper allows
    // to the next sheet.
    constexpr int kTolerance = 8;
    if (printableWidth <= 0 || width <= printableWidth + kTolerance) return 1;
    return std::min(kMostPagesAcross, (width - kTolerance + printableWidth - 1) / printableWidth);
}

std::vector<PlannedPage> planPages(const design::ReportDesign& design, const Grouping& grouping,
                                   PrintableArea area, const SectionMeasure& measure, SectionEvents* events) {
    const SectionMeasure measureOf =
        measure ? measure : [](const Section& section, const RowScope&) { return designedExtent(section); };
    const std::size_t rows = grouping.order.size();
    const RowScope all{0, rows == 0 ? 0 : rows - 1, 0};
    const SectionWalk walk(design, grouping);
    Planner planner(design, area, measureOf, events);

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
                const int kept = section.kind == SectionKind::GroupHeader ? keptWith(section, level, scope) : 0;
                for (int repeat = 0; !planner.place(&section, scope, kept) && repeat < kMostRepeats; ++repeat) {
                }
                return true;
            });
        RowScope last = all;
        last.current = all.last;
        planner.placeReportFooter(findSection(design, SectionKind::ReportFooter), last);
    } catch (const PageLimitReached&) {
        // The pages so far, one past the limit, say that the report runs on.
    }
    return planner.finish();
}

}  // namespace platform::jet::render

#include "platform/jet/render/PagePlan.h"

#include <algorithm>

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

bool printed(const Section* section) {
    return section && section->visible && section->height > 0;
}

class Planner {
  public:
    Planner(const design::ReportDesign& design, int printableHeight, const SectionHeight& heightOf)
        : heightOf_(heightOf),
          pageHeader_(findSection(design, SectionKind::PageHeader)),
          pageFooter_(findSection(design, SectionKind::PageFooter)),
          footerHeight_(printed(pageFooter_) ? pageFooter_->height : 0),
          height_(printableHeight) {}

    void start(const Section* reportHeader, const RowScope& all) {
        pages_.emplace_back();
        // The report header comes before the first page header; one that forces a new page stands alone.
        if (printed(reportHeader)) {
            const int height = heightOf_(*reportHeader, all);
            pages_.back().bands.push_back({reportHeader, 0, all, height});
            top_ = height;
            if (reportHeader->forceNewPage >= 2) {
                finishPage();
                pages_.emplace_back();
                top_ = 0;
            }
        }
        placePageHeader();
    }

    // keptWith: the height that must fit below the section on its page (a group header kept with its
    // first detail).
    void place(const Section* section, const RowScope& scope, int keptWith = 0) {
        if (!printed(section)) return;
        if (breakPending_ || ((section->forceNewPage & 1) && bodyOnPage_)) newPage();
        breakPending_ = false;
        const int height = heightOf_(*section, scope);
        if (top_ + height + keptWith > height_ - footerHeight_ && bodyOnPage_) newPage();
        if (!bodyOnPage_ && pageHeaderBand_ >= 0)
            pages_.back().bands[static_cast<std::size_t>(pageHeaderBand_)].scope = scope;
        pages_.back().bands.push_back({section, top_, scope, height});
        top_ += height;
        bodyOnPage_ = true;
        lastScope_ = scope;
        breakPending_ = (section->forceNewPage & 2) != 0;
    }

    std::vector<PlannedPage> finish() {
        finishPage();
        return std::move(pages_);
    }

  private:
    void placePageHeader() {
        pageHeaderBand_ = -1;
        if (!printed(pageHeader_)) return;
        pageHeaderBand_ = static_cast<int>(pages_.back().bands.size());
        pages_.back().bands.push_back({pageHeader_, top_, lastScope_, pageHeader_->height});
        top_ += pageHeader_->height;
    }

    void finishPage() {
        if (printed(pageFooter_))
            pages_.back().bands.push_back(
                {pageFooter_, std::max(top_, height_ - footerHeight_), lastScope_, pageFooter_->height});
    }

    void newPage() {
        finishPage();
        pages_.emplace_back();
        top_ = 0;
        bodyOnPage_ = false;
        placePageHeader();
    }

    SectionHeight heightOf_;
    const Section* pageHeader_;
    const Section* pageFooter_;
    int footerHeight_;
    int height_;
    std::vector<PlannedPage> pages_;
    int top_ = 0;
    int pageHeaderBand_ = -1;
    bool bodyOnPage_ = false;
    bool breakPending_ = false;
    RowScope lastScope_;
};

}  // namespace

std::vector<PlannedPage> planPages(const design::ReportDesign& design, const Grouping& grouping,
                                   int printableHeight, const SectionHeight& heightOf) {
    const std::size_t rows = grouping.order.size();
    const std::size_t levels = grouping.starts.size();
    const RowScope all{0, rows == 0 ? 0 : rows - 1, 0};
    Planner planner(
        design, printableHeight,
        heightOf ? heightOf : [](const Section& section, const RowScope&) { return section.height; });
    planner.start(findSection(design, SectionKind::ReportHeader), all);

    // The group each level is in: its first and last row.
    std::vector<std::size_t> next(levels, 0);  // index of the level's next group start
    std::vector<RowScope> open(levels);
    const auto groupAt = [&](std::size_t level, std::size_t position) {
        const auto& starts = grouping.starts[level];
        const std::size_t end = next[level] + 1 < starts.size() ? starts[next[level] + 1] - 1 : rows - 1;
        ++next[level];
        return RowScope{position, end, position};
    };
    const auto closeGroups = [&](std::size_t fromLevel) {
        for (std::size_t level = levels; level-- > fromLevel;) {
            RowScope scope = open[level];
            scope.current = scope.last;
            planner.place(findSection(design, SectionKind::GroupFooter, static_cast<int>(level)), scope);
        }
    };

    const Section* detail = findSection(design, SectionKind::Detail);
    for (std::size_t position = 0; position < rows; ++position) {
        std::size_t firstChanged = levels;
        for (std::size_t level = 0; level < levels; ++level)
            if (next[level] < grouping.starts[level].size() &&
                grouping.starts[level][next[level]] == position) {
                firstChanged = level;
                break;
            }
        if (position > 0) closeGroups(firstChanged);
        for (std::size_t level = firstChanged; level < levels; ++level) {
            open[level] = groupAt(level, position);
            const bool keptWithDetail =
                level < design.groups.size() && design.groups[level].keepTogether != 0;
            planner.place(findSection(design, SectionKind::GroupHeader, static_cast<int>(level)), open[level],
                          keptWithDetail && printed(detail) ? detail->height : 0);
        }
        planner.place(detail, {position, position, position});
    }
    if (rows > 0) closeGroups(0);
    RowScope last = all;
    last.current = all.last;
    planner.place(findSection(design, SectionKind::ReportFooter), last);
    return planner.finish();
}

}  // namespace platform::jet::render

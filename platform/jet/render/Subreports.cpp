#include "platform/jet/render/Subreports.h"

#include <algorithm>
#include <limits>

#include "platform/jet/design/DesignError.h"
#include "base/AsciiCase.h"
#include "platform/jet/render/Charts.h"
#include "platform/jet/render/Datasheet.h"
#include "platform/jet/render/DesignBounds.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportPainter.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/render/SubreportLink.h"

namespace platform::jet::render {
namespace {

using design::Control;
using design::SectionKind;

// A subreport is one long band of sections: it never reaches a page's end.
constexpr int kUnboundedHeight = std::numeric_limits<int>::max() / 4;
// Rows all the subreports of a document may lay out (once to measure, once to draw): more than a report
// drawn in seconds shows, few enough that subreports showing a large report in each row of another end.
constexpr std::size_t kMostSubreportRows = 100'000;

// The design as a subreport prints it: no page header or footer, no page breaks, nothing kept together.
design::ReportDesign asSubreport(design::ReportDesign design) {
    std::erase_if(design.sections, [](const design::Section& section) {
        return section.kind == SectionKind::PageHeader || section.kind == SectionKind::PageFooter;
    });
    for (auto& section : design.sections) {
        section.forceNewPage = 0;
        std::erase_if(section.controls, [](const design::Control& control) {
            return control.kind == design::ControlKind::PageBreak;
        });
    }
    for (auto& level : design.groups) level.keepTogether = 0;
    return design;
}

bool startsWithWord(const std::string& text, const std::string& word) {
    return text.size() > word.size() && base::lowerAscii(text.substr(0, word.size())) == word;
}

// What a SourceObject names: "Report.NAME" a report, "Table.NAME" and "Query.NAME" a datasheet of its
// rows, "Form.NAME" a form, a bare name a report or else a form.
struct ShownObject {
    std::string name;
    bool datasheet = false, form = false, bare = false;
};

ShownObject shownObjectOf(const std::string& sourceObject) {
    for (const char* kind : {"report.", "table.", "query.", "form."})
        if (startsWithWord(sourceObject, kind)) {
            const std::string prefix = kind;
            return {sourceObject.substr(prefix.size()), prefix == "table." || prefix == "query.",
                    prefix == "form."};
        }
    return {sourceObject, false, false, true};
}

// The views of a form that are charts or tables worked out from its rows, which are not drawn: a
// PivotTable, and a PivotChart whose settings the form does not keep.
const char* unprintedView(const design::ReportDesign& form) {
    switch (form.formView.value_or(design::FormView::Single)) {
        case design::FormView::PivotChart:
            return form.chartSpace.empty() || form.pivotTable.empty() ? "forms in PivotChart view" : nullptr;
        case design::FormView::PivotTable:
            return "forms in PivotTable view";
        default:
            return nullptr;
    }
}

void dropScreenOnly(std::vector<design::Control>& controls) {
    std::erase_if(controls, [](const design::Control& control) {
        return control.displayWhen == design::DisplayWhen::ScreenOnly;
    });
    for (auto& control : controls) dropScreenOnly(control.children);
}

// A form as Access prints it in a subreport control: without what shows only on a screen, its header
// and footer above and below its detail, and in datasheet view as a datasheet of its detail's values.
design::ReportDesign asPrintedForm(design::ReportDesign form) {
    std::erase_if(form.sections, [](const design::Section& section) {
        return section.displayWhen == design::DisplayWhen::ScreenOnly;
    });
    for (auto& section : form.sections) dropScreenOnly(section.controls);
    if (form.formView == design::FormView::Datasheet) {
        design::ReportDesign datasheet = datasheetDesign(form);
        datasheet.formView = form.formView;
        return datasheet;
    }
    return form;
}

// Whether the form prints its detail once, for its current row, rather than once a row.
bool printsOneRow(const design::ReportDesign& design) {
    return design.formView == design::FormView::Single || design.formView == design::FormView::Split;
}

// The control's height for what its subreport needs: no more than its design's when it cannot grow,
// no less when it cannot shrink.
int fitted(const Control& control, int needed) {
    if (!control.canGrow) needed = std::min(needed, control.height);
    if (!control.canShrink) needed = std::max(needed, control.height);
    return needed;
}

// The rows whose child fields hold the values the control's master fields have in the master's
// current row. Raises query::QueryError for fields it cannot pair, find or evaluate.
query::RowSet rowsLinkedTo(const Control& control, const query::RowSet& rows,
                           const Subreports::Place& place) {
    const std::vector<std::string> children = linkFieldNames(control.linkChildFields);
    const std::vector<std::string> masters = linkFieldNames(control.linkMasterFields);
    if (children.size() != masters.size())
        throw query::QueryError("it links " + std::to_string(children.size()) + " fields to " +
                                std::to_string(masters.size()));
    std::vector<query::Value> values;
    // A master name is the main report's field, or else one of its controls.
    for (const auto& master : masters)
        values.push_back(place.master.value("=[" + master + "]", place.scope, place.numbers));
    return linkedRows(rows, children, values);
}

}  // namespace

// Each report, table or query a subreport shows, read once for the whole document.
struct Subreports::Library {
    struct Shown {
        design::ReportDesign design;
        query::RowSet rows;
        std::optional<design::PivotChart> pivotChart;  // a form in PivotChart view: drawn as its chart
        std::string failure;                           // why it cannot be shown, as an omission
    };

    explicit Library(ReportSource& source) : source(source), lists(&source) {}

    const Shown& shown(const ShownObject& object) {
        const std::string key = (object.datasheet ? "datasheet "
                                 : object.form    ? "form "
                                                  : "report ") +
                                base::lowerAscii(object.name);
        if (auto found = shownByKey.find(key); found != shownByKey.end()) return found->second;
        Shown shown;
        try {
            if (object.form) {
                shown.design = asSubreport(asPrintedForm(boundedDesign(source.formDesign(object.name))));
            } else if (!object.datasheet) {
                try {
                    shown.design = asSubreport(boundedDesign(source.design(object.name)));
                } catch (const std::exception&) {
                    // A bare name no report has is a form's, if the database has one by that name;
                    // else the report's failure stands.
                    if (!object.bare) throw;
                    std::optional<design::ReportDesign> form;
                    try {
                        form = source.formDesign(object.name);
                    } catch (const std::exception&) {
                    }
                    if (!form) throw;
                    shown.design = asSubreport(asPrintedForm(boundedDesign(std::move(*form))));
                }
            }
        } catch (const std::exception& error) {
            shown.failure =
                "the subreport " + object.name + ", whose design cannot be read (" + error.what() + ")";
        }
        if (shown.failure.empty())
            if (const char* view = unprintedView(shown.design)) shown.failure = view;
        if (shown.failure.empty() && shown.design.formView == design::FormView::PivotChart) try {
                shown.pivotChart = design::readPivotChart(shown.design.chartSpace, shown.design.pivotTable);
            } catch (const design::DesignError& error) {
                shown.failure = "the PivotChart " + object.name + ", whose settings cannot be read (" +
                                error.what() + ")";
            }
        const std::string recordSource = object.datasheet ? object.name : shown.design.recordSource;
        if (shown.failure.empty()) try {
                shown.rows = recordSource.empty() ? unboundRows() : source.rows(recordSource);
                if (object.datasheet) shown.design = datasheetDesign(recordSource, shown.rows.columns);
            } catch (const std::exception& error) {
                shown.failure = withoutRows(error.what(), object.name);
            }
        return shownByKey.emplace(key, std::move(shown)).first->second;
    }

    ReportSource& source;
    ListRows lists;  // the rows of list and combo boxes, read once for every subreport showing them
    Charts charts{source};
    std::map<std::string, Shown> shownByKey;
    std::size_t rowsLeft = kMostSubreportRows;
    std::shared_ptr<DecodedPictures> pictures = std::make_shared<DecodedPictures>();
};

Subreports::Subreports(ReportSource& source, const std::string& mainReport)
    : ownLibrary_(std::make_unique<Library>(source)),
      library_(*ownLibrary_),
      chain_{base::lowerAscii(mainReport)} {}

Subreports::Subreports(Library& library, std::vector<std::string> chain)
    : library_(library), chain_(std::move(chain)) {}

Subreports::~Subreports() = default;

int Subreports::height(const Control& control, const Place& place) {
    const auto key = std::make_tuple(&control, place.scope.first, place.scope.last, place.scope.current);
    if (auto known = heights_.find(key); known != heights_.end()) return known->second;
    const int height = show(control, place, std::nullopt);
    heights_.emplace(key, height);
    return height;
}

int Subreports::draw(const Control& control, const Place& place, QPointF topLeft) {
    return show(control, place, topLeft);
}

void Subreports::drawChart(const Control& control, const Place& place, const QRectF& area) {
    library_.charts.draw(
        control, place.painter, area,
        [&](const query::RowSet& rows) { return rowsLinkedTo(control, rows, place); }, place.omissions);
}

int Subreports::show(const Control& control, const Place& place, std::optional<QPointF> topLeft) {
    const ShownObject object = shownObjectOf(control.sourceObject);
    if (object.name.empty()) return control.height;
    // A form may bear its report's name (Northwind 2007's charts) without being the report.
    const std::string key = (object.form ? "form " : "") + base::lowerAscii(object.name);
    if (!object.datasheet && (chain_.size() > static_cast<std::size_t>(kMaxSubreportDepth) ||
                              std::find(chain_.begin(), chain_.end(), key) != chain_.end())) {
        place.omissions.insert("subreports nested too deeply");
        return control.height;
    }
    const Library::Shown& shown = library_.shown(object);
    if (!shown.failure.empty()) {
        place.omissions.insert(shown.failure);
        return control.height;
    }
    if (hasEvents(shown.design)) place.omissions.insert(kEventsNotRun);

    try {
        query::RowSet linked = rowsLinkedTo(control, shown.rows, place);
        if (shown.pivotChart) {
            // The chart fills the control whatever its rows, as the form's window shows it.
            if (topLeft)
                drawPivotChart(place.painter,
                               QRectF(*topLeft, QSizeF(control.width * place.devicePerTwip,
                                                       control.height * place.devicePerTwip)),
                               object.name, *shown.pivotChart, linked, place.omissions);
            return control.height;
        }
        if (printsOneRow(shown.design) && linked.rows.size() > 1) linked.rows.resize(1);
        // Without rows it prints nothing, not even its border, in the place it keeps if it cannot shrink.
        if (linked.rows.empty()) return topLeft ? 0 : fitted(control, 0);
        if (linked.rows.size() > library_.rowsLeft) {
            place.omissions.insert("subreports past " + std::to_string(kMostSubreportRows) + " rows");
            return control.height;
        }
        library_.rowsLeft -= linked.rows.size();

        ReportRows rows(shown.design, std::move(linked), object.name);
        place.omissions.insert(rows.omissions().begin(), rows.omissions().end());
        std::vector<std::string> chain = chain_;
        chain.push_back(key);
        Subreports nested(library_, std::move(chain));
        ReportPainter painter(place.painter, place.devicePerTwip, topLeft.value_or(QPointF()), control.width,
                              rows.evaluator());
        painter.setSubreports(&nested);
        painter.shareRowSources(library_.lists);
        painter.sharePictures(library_.pictures);
        const std::vector<PlannedPage> pages =
            planPages(shown.design, rows.grouping(), {control.width, kUnboundedHeight},
                      [&](const design::Section& section, const RowScope& scope) {
                          return painter.measure(section, scope);
                      });
        int needed = 0;
        for (const auto& page : pages)
            for (const auto& band : page.bands) needed = std::max(needed, band.top + band.height);
        const int height = fitted(control, needed);
        if (topLeft) {
            place.painter.save();
            const double scale = place.devicePerTwip;
            place.painter.setClipRect(QRectF(*topLeft, QSizeF(control.width * scale, height * scale)),
                                      Qt::IntersectClip);
            // Bands clipped away (below the control's height, or outside the part of a section split
            // over pages that this page shows) are not drawn at all.
            const QRectF visible = place.painter.clipBoundingRect();
            for (const auto& page : pages) {
                PlannedPage shownPart;
                for (const Band& band : page.bands) {
                    const double top = topLeft->y() + band.top * scale;
                    if (top < visible.bottom() && top + band.height * scale > visible.top())
                        shownPart.bands.push_back(band);
                }
                painter.drawPage(shownPart, place.numbers);
            }
            place.painter.restore();
        }
        place.omissions.insert(painter.omissions().begin(), painter.omissions().end());
        return height;
    } catch (const query::QueryError& error) {
        place.omissions.insert("the subreport " + object.name + " (" + error.what() + ")");
        return control.height;
    }
}

}  // namespace platform::jet::render

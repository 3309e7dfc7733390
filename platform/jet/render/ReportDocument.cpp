#include "platform/jet/render/ReportDocument.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <cctype>
#include <memory>
#include <optional>
#include <set>

#include "base/AsciiCase.h"
#include "platform/jet/query/ExpressionTranslator.h"
#include "platform/jet/query/Parameters.h"
#include "platform/jet/render/DesignBounds.h"
#include "platform/jet/render/DomainAggregates.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/PageSetup.h"
#include "platform/jet/render/ReportEvents.h"
#include "platform/jet/render/ReportPainter.h"
#include "platform/jet/render/ReportRows.h"
#include "platform/jet/render/Subreports.h"
#include "platform/jet/vba/MacroRunner.h"
#include "platform/jet/vba/ModuleFunctions.h"
#include "platform/jet/vba/Parser.h"

namespace platform::jet::render {
namespace {

constexpr double kTwipsPerInch = 1440.0;

// Columns given a size of their own print each detail at its height.
design::ReportDesign withColumnSize(design::ReportDesign design) {
    if (design.page.columns > 1 && !design.page.sameAsDetail && design.page.itemHeight > 0)
        for (auto& section : design.sections)
            if (section.kind == design::SectionKind::Detail) section.height = design.page.itemHeight;
    return design;
}

// The code a report runs: its own module and the database's standard modules, parsed. A project that
// cannot be read gives none, and why in unread.
std::vector<vba::Module> codeOf(ReportSource* reports, const std::string& report, std::string& unread) {
    std::vector<vba::Module> modules;
    if (!reports) return modules;
    std::vector<design::CodeModule> codes;
    try {
        codes = reports->modules();
    } catch (const std::exception& error) {
        unread = std::string(kCodeNote) + "its modules cannot be read (" + plainReason(error.what()) + ")";
        return modules;
    }
    for (const design::CodeModule& code : codes) {
        if (!code.standard && !base::equalIgnoringCase(code.name, "Report_" + report)) continue;
        modules.push_back(vba::parseModule(code.name, code.source));
        modules.back().standard = code.standard;
    }
    return modules;
}

// Whether a control source or a grouping calls a function of the code.
bool callsCode(const design::ReportDesign& design, const std::vector<vba::Module>& modules) {
    std::set<std::string> called;
    const auto add = [&](const auto& self, const design::Control& control) -> void {
        called.merge(query::calledNames(control.controlSource));
        for (const auto& child : control.children) self(self, child);
    };
    for (const auto& section : design.sections)
        for (const auto& control : section.controls) add(add, control);
    for (const auto& group : design.groups) called.merge(query::calledNames(group.expression));
    for (const auto& module : modules)
        for (const auto& procedure : module.procedures)
            if (procedure->kind == "function" && called.count(base::lowerAscii(procedure->name))) return true;
    return false;
}

// Runs the macros the report's events name: one kept in the design by its event's key, else a named
// macro or one of a group's, read from the source once per report.
EventMacros macrosOf(const design::ReportDesign& design, ReportSource* reports, vba::Interpreter& code) {
    auto read = std::make_shared<std::map<std::string, std::optional<design::Macro>>>();
    return [&design, reports, &code, read](const std::string& name) -> MacroOutcome {
        const design::Macro* macro = nullptr;
        std::string part;
        if (const auto embedded = design.embeddedMacros.find(name); embedded != design.embeddedMacros.end()) {
            macro = &embedded->second;
        } else {
            const vba::MacroReference reference = vba::macroReference(name);
            part = reference.name;
            auto [at, added] = read->try_emplace(base::lowerAscii(reference.macro));
            if (added && reports) {
                try {
                    at->second = reports->macro(reference.macro);
                } catch (const std::exception&) {
                    // A macro that cannot be read is not run, and named so.
                }
            }
            if (at->second) macro = &*at->second;
        }
        if (!macro) return {};
        const vba::MacroRun run = vba::MacroRunner(code).run(*macro, part, name);
        return {run.found, run.cancel, run.stoppedAt.empty() ? "" : run.stoppedAt + ": " + run.reason};
    };
}

// The rows Open's code asks for: another record source, filtered or ordered as it set.
std::string changedRows(const ReportEvents::RowChanges& changes, const std::string& recordSource) {
    const std::string source = changes.recordSource.empty() ? recordSource : changes.recordSource;
    if (changes.filter.empty() && changes.orderBy.empty()) return source;
    std::string from = source;
    while (!from.empty() && (from.back() == ';' || std::isspace(static_cast<unsigned char>(from.back()))))
        from.pop_back();
    from = base::lowerAscii(from).starts_with("select") ? "(" + from + ")" : "[" + from + "]";
    return "SELECT * FROM " + from + (changes.filter.empty() ? "" : " WHERE " + changes.filter) +
           (changes.orderBy.empty() ? "" : " ORDER BY " + changes.orderBy);
}

}  // namespace

DrawnReport paintReport(const design::ReportDesign& designed, query::RowSet rows, PageCanvas& canvas,
                        ReportSource* reports, const std::string& report) {
    const design::ReportDesign design = withColumnSize(boundedDesign(designed));
    // One run of the report's code, its module variables alive from Open to Close.
    // Reports without code lay out as they always did: no interpreter is made for them.
    std::unique_ptr<ReportEvents> events;
    std::optional<DomainAggregates> database;
    std::string unread;
    std::vector<vba::Module> modules = codeOf(reports, report, unread);
    if (hasEvents(design) || callsCode(design, modules)) {
        if (reports) database.emplace(*reports);
        DomainAggregates* answers = database ? &*database : nullptr;
        events = std::make_unique<ReportEvents>(design, std::move(modules), report, rows.rows.size(), answers, answers);
        events->setMacros(macrosOf(design, reports, events->interpreter()));
        if (reports)
            events->setFormValues([reports](const std::string& form, const std::string& control) {
                return reports->formValue(form, control);
            });
        events->open();
        if (const auto changes = events->rowChanges(); changes.any() && reports)
            rows = reports->rows(changedRows(changes, design.recordSource));
        events->setRowCount(rows.rows.size());
        // Rows that could not be read at all (no columns either) are no answer of "no data".
        if (rows.rows.empty() && !rows.columns.empty()) events->noData();
    }
    std::optional<vba::ModuleFunctions> functions;
    if (events) functions.emplace(events->interpreter(), true);
    ReportRows ordered(design, std::move(rows), report, functions ? &*functions : nullptr);
    if (events) events->setEvaluator(ordered.evaluator());
    if (const auto path = reports ? reports->databasePath() : std::nullopt) {
        query::ParameterValues references;
        query::addDatabaseFileReferences(references, *path);
        ordered.evaluator().setReferenceValues(std::move(references));
    }
    std::optional<Subreports> subreports;
    if (reports) subreports.emplace(*reports, report);

    const QPageLayout layout = pageLayoutOf(design.page);
    const QRectF printable = layout.paintRect(QPageLayout::Inch);
    const int printableHeight = static_cast<int>(printable.height() * kTwipsPerInch);
    const int printableWidth = static_cast<int>(printable.width() * kTwipsPerInch);
    if (events) events->setPrintableArea({printableWidth, printableHeight});

    DrawnReport drawn;
    const double devicePerTwip = PageCanvas::kReportResolution / kTwipsPerInch;
    // The painter's origin is the printable area's corner: the margins are the layout's.
    ReportPainter reportPainter(canvas.firstPage(layout), devicePerTwip, QPointF(0, 0), printableWidth,
                                ordered.evaluator());
    if (subreports) reportPainter.setSubreports(&*subreports);
    reportPainter.setRowSources(reports);
    // Growing text is measured with the painter's fonts before any page is drawn.
    std::vector<PlannedPage> pages =
        planPages(design, ordered.grouping(), {printableWidth, printableHeight},
                  [&](const design::Section& section, const RowScope& scope) {
                      return reportPainter.measure(section, scope);
                  },
                  events.get());
    // A report wider than the paper prints each page on sheets side by side, one after the other, each
    // numbered: [Pages] counts them all.
    const int across = pagesAcross(design, printableWidth);
    if (pages.size() * across > kMostPages) {
        pages.resize(kMostPages / across);
        drawn.omissions.insert("the pages past the " + std::to_string(kMostPages) + "th");
    }
    drawn.pages = static_cast<int>(pages.size()) * across;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        for (int strip = 0; strip < across; ++strip) {
            if (i > 0 || strip > 0) canvas.nextPage();
            reportPainter.drawPage(pages[i], {static_cast<int>(i) * across + strip + 1, drawn.pages}, strip,
                                   across);
        }
    }
    drawn.omissions.insert(reportPainter.omissions().begin(), reportPainter.omissions().end());
    drawn.omissions.insert(ordered.omissions().begin(), ordered.omissions().end());
    if (events) {
        events->close();
        const auto notes = events->omissions();
        drawn.omissions.insert(notes.begin(), notes.end());
        if (!unread.empty()) drawn.omissions.insert(unread);
    }
    return drawn;
}

DrawnReport drawReport(const design::ReportDesign& design, query::RowSet rows, const std::string& title,
                       ReportSource* reports, const std::string& report) {
    // The pages go into a PDF document in memory, which the painter finishes when it ends.
    class PdfCanvas : public PageCanvas {
      public:
        PdfCanvas(QBuffer& buffer, const std::string& title) : writer_(&buffer) {
            writer_.setTitle(QString::fromStdString(title));
            writer_.setCreator("Calvenor");
            writer_.setResolution(kReportResolution);
        }
        QPainter& firstPage(const QPageLayout& layout) override {
            writer_.setPageLayout(layout);
            painter_.begin(&writer_);
            return painter_;
        }
        void nextPage() override { writer_.newPage(); }

      private:
        QPdfWriter writer_;
        QPainter painter_;  // after the writer: ends before it
    };

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    DrawnReport drawn;
    {
        PdfCanvas canvas(buffer, title);
        drawn = paintReport(design, std::move(rows), canvas, reports, report);
    }
    drawn.pdf = buffer.data();
    return drawn;
}

}  // namespace platform::jet::render

#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/jet/design/ReportDesign.h"
#include "platform/jet/render/DocumentInfo.h"
#include "platform/jet/render/PagePlan.h"
#include "platform/jet/render/ReportEvaluator.h"
#include "platform/jet/vba/AccessFunctionLibrary.h"
#include "platform/jet/vba/Interpreter.h"

namespace platform::jet::render {

// A report its own code cancels as it opens, or when it has no rows: Access prints nothing.
class ReportCancelled : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What running a macro an event names did: whether there was such a macro, whether it cancelled the
// event, and where it stopped when it did not run to its end.
struct MacroOutcome {
    bool found = false;
    bool cancel = false;
    std::string stopped;
};
// Runs the macro an event property names ("Group.Name" or "Name", or an embedded macro's event key
// "Detail.OnFormat") on the report.
using EventMacros = std::function<MacroOutcome(const std::string& macro)>;

// The report as its code sees it (Me) while it is laid out, and its events run in Access's order: the
// report's Open, Activate, NoData and Close, each section's Format, Retreat and Print, each page's Page.
// The code works on a copy of the design's sections: what it changes stays changed until code changes
// it back (a control hidden stays hidden), values it gives unbound controls stay, and a bound control
// shows its row's value unless code set it in its section's events since it last formatted. Each band
// placed keeps the section as its events left it, with what the code drew on it.
class ReportEvents : public vba::ReportHost, public SectionEvents {
  public:
    // modules: the report's own module (named "Report_...") and the database's standard modules;
    // domain and database: what DLookup and the like, and DAO, read (none: code using them stops).
    ReportEvents(const design::ReportDesign& design, std::vector<vba::Module> modules, const std::string& name,
                 std::size_t rowCount, vba::DomainFunctions* domain = nullptr, vba::DatabaseRows* database = nullptr);
    ~ReportEvents() override;
    ReportEvents(const ReportEvents&) = delete;
    ReportEvents& operator=(const ReportEvents&) = delete;

    void setMacros(EventMacros macros) { macros_ = std::move(macros); }
    // What Forms![Dialog]![Control] reads: the values the run was given.
    using FormValues = std::function<std::optional<std::string>(const std::string& form, const std::string& control)>;
    void setFormValues(FormValues values) { formValues_ = std::move(values); }
    // The rows as they print, for bound controls' values and Me!Field: set before any section's event.
    void setEvaluator(ReportEvaluator& evaluator) { evaluator_ = &evaluator; }
    vba::Interpreter& interpreter() { return *interpreter_; }

    // The report's own events. Open and NoData raise ReportCancelled when the code cancels them.
    void open();
    void noData();
    void close();
    // What Open's code set that changes the rows read: RecordSource, Filter (where FilterOn), OrderBy
    // (where OrderByOn); empty for what it left alone.
    struct RowChanges {
        std::string recordSource, filter, orderBy;
        bool any() const { return !recordSource.empty() || !filter.empty() || !orderBy.empty(); }
    };
    RowChanges rowChanges() const;
    void setRowCount(std::size_t rows) { rowCount_ = rows; }
    void setPrintableArea(PrintableArea area) { area_ = area; }

    // What the code did that the document cannot show, as omissions; none when it ran in full.
    std::set<std::string> omissions() const;

    // SectionEvents
    Formatted format(const design::Section& section, const RowScope& scope, int page, int formatCount) override;
    void retreat(const design::Section& section, const RowScope& scope) override;
    void print(Band& band, int page) override;
    void page(PlannedPage& page, int number) override;

    // vba::ReportHost
    std::string name() const override { return name_; }
    vba::ReportControl* control(std::string_view name) override;
    std::vector<vba::ReportControl*> controls() override;
    vba::ReportSection* section(const query::Value& indexOrName) override;
    std::optional<query::Value> field(std::string_view name) override;
    std::optional<query::Value> property(std::string_view name) override;
    bool setProperty(std::string_view name, const query::Value& value) override;
    void drawLine(const vba::LineDrawing& line) override;
    void drawCircle(const vba::CircleDrawing& circle) override;
    void drawPoint(const vba::DrawPoint& point, const std::optional<query::Value>& color) override;
    void print(std::string_view text) override;
    std::optional<query::Value> callMethod(std::string_view name, const std::vector<query::Value>& arguments) override;
    bool doCmd(std::string_view action, const std::vector<query::Value>& arguments) override;
    std::shared_ptr<vba::Object> applicationObject(std::string_view name) override;

    class LiveControl;
    class LiveSection;

  private:
    // Runs what the event property names (owner: "Report" or the section's name; event: "Format", ...);
    // true when it cancelled the event.
    bool run(const std::string& property, const std::string& owner, const std::string& event,
             std::vector<query::Value> arguments);
    std::size_t indexOf(const design::Section& section) const;
    // The section as it now stands, copied once per change for the bands that draw it.
    const design::Section* snapshot(std::size_t index, bool blank = false);
    double toTwipsX(double x) const;
    double toTwipsY(double y) const;
    double fromTwips(double twips, bool vertical) const;
    std::pair<double, double> at(const vba::DrawPoint& point) const;
    std::uint32_t colorOf(const std::optional<query::Value>& color) const;
    CodeFigure figure(CodeFigure::Kind kind) const;
    void keep(const CodeFigure& figure);

    friend class LiveControl;
    friend class LiveSection;

    const design::ReportDesign& design_;
    std::vector<design::Section> live_;
    std::vector<std::unique_ptr<LiveSection>> sections_;
    std::vector<std::unique_ptr<LiveControl>> controls_;
    std::map<std::string, LiveControl*> byName_;  // lower case
    std::vector<bool> changed_;
    std::vector<const design::Section*> snapshots_;
    std::deque<design::Section> kept_;  // what bands point at, for the whole document
    ReportEvaluator* evaluator_ = nullptr;
    std::string name_;
    std::size_t rowCount_;
    std::map<std::string, query::Value> properties_;  // by lower-case name
    vba::AccessFunctionLibrary functions_;
    std::unique_ptr<vba::Interpreter> interpreter_;
    std::size_t notesBefore_ = 0;  // the modules' own notes, not this report's
    EventMacros macros_;
    FormValues formValues_;
    std::set<std::string> unrun_;
    std::map<const LiveControl*, query::Value> values_;  // what code gave controls
    PrintableArea area_;
    // The event running now.
    std::optional<std::size_t> current_;  // the section whose event runs; none for the report's
    RowScope scope_;
    int page_ = 1;
    int formatCount_ = 1, printCount_ = 1;
    bool cancelled_ = false;
    bool moveLayout_ = true, nextRecord_ = true, printSection_ = true;
    CodeFigures drawn_;
    std::size_t figuresKept_ = 0;
    std::map<std::size_t, CodeFigures> formatDrawn_;  // what Format drew, by section, for its band
    std::map<std::size_t, bool> printSections_;       // what Format left PrintSection, by section
};


}  // namespace platform::jet::render

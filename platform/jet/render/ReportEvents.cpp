#include "platform/jet/render/ReportEvents.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <algorithm>
#include <charconv>
#include <cmath>

#include "base/AsciiCase.h"
#include "platform/jet/render/FontTable.h"
#include "platform/jet/render/ReportPainter.h"
#include "platform/jet/vba/Values.h"

namespace platform::jet::render {
namespace {

using design::Control;
using design::Section;
using design::SectionKind;
using query::Value;

bool same(std::string_view a, std::string_view b) { return base::equalIgnoringCase(a, b); }

Value boolean(bool value) { return Value(value); }

bool truthy(const Value& value) {
    try {
        return vba::toBool(vba::Variant(value));
    } catch (...) {
        return false;
    }
}

double number(const Value& value) {
    try {
        return vba::toDouble(vba::Variant(value));
    } catch (...) {
        return 0;
    }
}

int whole(const Value& value) {
    return static_cast<int>(std::clamp(std::round(number(value)), -1e9, 1e9));
}

std::string text(const Value& value) {
    if (value.isNull()) return {};
    try {
        return vba::toText(vba::Variant(value));
    } catch (...) {
        return {};
    }
}

// Twips in one unit of each ScaleMode (1 twips, 2 points, 3 pixels, 4 characters, 5 inches, 6
// millimetres, 7 centimetres); a user scale (0) is read as twips.
double twipsPerUnit(int scaleMode, bool vertical) {
    switch (scaleMode) {
    case 2: return 20;
    case 3: return 15;
    case 4: return vertical ? 240 : 120;
    case 5: return 1440;
    case 6: return 1440 / 25.4;
    case 7: return 1440 / 2.54;
    default: return 1;
    }
}

std::string spaced(std::string_view name) {
    std::string out(name);
    std::replace(out.begin(), out.end(), '_', ' ');
    return out;
}

bool isEventProcedure(const std::string& property) { return same(property, "[Event Procedure]"); }

// Access's section numbers: 0 the detail, 1 and 2 the report header and footer, 3 and 4 the page's,
// then a header and a footer per grouping level.
int sectionNumber(const Section& section) {
    switch (section.kind) {
    case SectionKind::Detail: return 0;
    case SectionKind::ReportHeader: return 1;
    case SectionKind::ReportFooter: return 2;
    case SectionKind::PageHeader: return 3;
    case SectionKind::PageFooter: return 4;
    case SectionKind::GroupHeader: return 5 + 2 * section.groupLevel;
    case SectionKind::GroupFooter: return 6 + 2 * section.groupLevel;
    }
    return -1;
}

// A property code reads and writes by Access's name: how it is read from a T and written into one
// (none: read only). Written values are bounded as the design's own are.
template <typename T>
struct Property {
    const char* name;
    Value (*get)(const T&);
    void (*set)(T&, const Value&);
};

template <typename T, std::size_t N>
const Property<T>* findProperty(const Property<T> (&table)[N], std::string_view name) {
    for (const Property<T>& property : table)
        if (same(name, property.name)) return &property;
    return nullptr;
}

Value count(long long value) {
    return Value(std::int64_t{value});
}
int twips(const Value& value) {
    return std::clamp(whole(value), 0, 31680);
}
std::uint32_t color(const Value& value) {
    return static_cast<std::uint32_t>(whole(value));
}

const Property<Control> kControlProperties[] = {
    {"Visible", [](const Control& c) { return boolean(c.visible); },
     [](Control& c, const Value& v) { c.visible = truthy(v); }},
    {"Caption", [](const Control& c) { return Value(c.caption); },
     [](Control& c, const Value& v) { c.caption = text(v); }},
    {"Format", [](const Control& c) { return Value(c.format); },
     [](Control& c, const Value& v) { c.format = text(v); }},
    {"DecimalPlaces", [](const Control& c) { return count(c.decimalPlaces); },
     [](Control& c, const Value& v) { c.decimalPlaces = whole(v); }},
    {"ForeColor", [](const Control& c) { return count(c.foreColor); },
     [](Control& c, const Value& v) { c.foreColor = color(v); }},
    {"BackColor", [](const Control& c) { return count(c.backColor); },
     [](Control& c, const Value& v) { c.backColor = color(v); }},
    {"BorderColor", [](const Control& c) { return count(c.borderColor); },
     [](Control& c, const Value& v) { c.borderColor = color(v); }},
    {"BackStyle", [](const Control& c) { return count(c.backStyle); },
     [](Control& c, const Value& v) { c.backStyle = whole(v); }},
    {"BorderStyle", [](const Control& c) { return count(c.borderStyle); },
     [](Control& c, const Value& v) { c.borderStyle = whole(v); }},
    {"BorderWidth", [](const Control& c) { return count(c.borderWidth); },
     [](Control& c, const Value& v) { c.borderWidth = whole(v); }},
    {"FontBold", [](const Control& c) { return boolean(c.font.weight >= 600); },
     [](Control& c, const Value& v) { c.font.weight = truthy(v) ? 700 : 400; }},
    {"FontWeight", [](const Control& c) { return count(c.font.weight); },
     [](Control& c, const Value& v) { c.font.weight = whole(v); }},
    {"FontItalic", [](const Control& c) { return boolean(c.font.italic); },
     [](Control& c, const Value& v) { c.font.italic = truthy(v); }},
    {"FontUnderline", [](const Control& c) { return boolean(c.font.underline); },
     [](Control& c, const Value& v) { c.font.underline = truthy(v); }},
    {"FontSize", [](const Control& c) { return count(c.font.size); },
     [](Control& c, const Value& v) { c.font.size = std::clamp(whole(v), 1, 127); }},
    {"FontName", [](const Control& c) { return Value(c.font.name); },
     [](Control& c, const Value& v) { c.font.name = text(v); }},
    {"Left", [](const Control& c) { return count(c.left); },
     [](Control& c, const Value& v) { c.left = twips(v); }},
    {"Top", [](const Control& c) { return count(c.top); },
     [](Control& c, const Value& v) { c.top = twips(v); }},
    {"Width", [](const Control& c) { return count(c.width); },
     [](Control& c, const Value& v) { c.width = twips(v); }},
    {"Height", [](const Control& c) { return count(c.height); },
     [](Control& c, const Value& v) { c.height = twips(v); }},
    {"CanGrow", [](const Control& c) { return boolean(c.canGrow); },
     [](Control& c, const Value& v) { c.canGrow = truthy(v); }},
    {"CanShrink", [](const Control& c) { return boolean(c.canShrink); },
     [](Control& c, const Value& v) { c.canShrink = truthy(v); }},
    {"TextAlign", [](const Control& c) { return count(static_cast<int>(c.textAlign)); },
     [](Control& c, const Value& v) {
         c.textAlign = static_cast<design::TextAlign>(std::clamp(whole(v), 0, 4));
     }},
    {"RunningSum", [](const Control& c) { return count(c.runningSum); }, nullptr},
};

const Property<Section> kSectionProperties[] = {
    {"Visible", [](const Section& s) { return boolean(s.visible); },
     [](Section& s, const Value& v) { s.visible = truthy(v); }},
    {"Height", [](const Section& s) { return count(s.height); },
     [](Section& s, const Value& v) { s.height = twips(v); }},
    {"BackColor", [](const Section& s) { return count(s.backColor); },
     [](Section& s, const Value& v) { s.backColor = color(v); }},
    {"ForceNewPage", [](const Section& s) { return count(s.forceNewPage); },
     [](Section& s, const Value& v) { s.forceNewPage = std::clamp(whole(v), 0, 3); }},
    {"NewRowOrCol", [](const Section& s) { return count(s.newRowOrCol); },
     [](Section& s, const Value& v) { s.newRowOrCol = std::clamp(whole(v), 0, 3); }},
    {"KeepTogether", [](const Section& s) { return boolean(s.keepTogether); },
     [](Section& s, const Value& v) { s.keepTogether = truthy(v); }},
    {"CanGrow", [](const Section& s) { return boolean(s.canGrow); },
     [](Section& s, const Value& v) { s.canGrow = truthy(v); }},
    {"CanShrink", [](const Section& s) { return boolean(s.canShrink); },
     [](Section& s, const Value& v) { s.canShrink = truthy(v); }},
    {"RepeatSection", [](const Section& s) { return boolean(s.repeatSection); },
     [](Section& s, const Value& v) { s.repeatSection = truthy(v); }},
    {"Name", [](const Section& s) { return Value(s.name); }, nullptr},
};

}  // namespace

class ReportEvents::LiveControl : public vba::ReportControl {
  public:
    LiveControl(ReportEvents& host, Control& control, std::size_t section)
        : host_(host), control_(control), section_(section) {}
    std::string name() const override { return control_.name; }
    std::string controlType() const override { return design::controlKindName(control_.kind); }

    std::optional<Value> property(std::string_view name) const override {
        if (same(name, "Value") || same(name, "Text")) return value();
        if (same(name, "ControlSource")) return Value(control_.controlSource);
        if (const auto* found = findProperty(kControlProperties, name)) return found->get(control_);
        return std::nullopt;
    }

    bool setProperty(std::string_view name, const Value& v) override {
        // The bands keep a copy of the section at each change: setting what it already is changes nothing.
        const std::optional<Value> before = property(name);
        const bool hadValue = host_.values_.count(this) > 0;
        if (same(name, "Value") || same(name, "Text")) {
            host_.values_[this] = v;
        } else if (same(name, "ControlSource")) {
            control_.controlSource = text(v);
            host_.values_.erase(this);
        } else if (const auto* found = findProperty(kControlProperties, name); found && found->set) {
            found->set(control_, v);
        } else {
            return false;
        }
        if (property(name) != before || (host_.values_.count(this) > 0) != hadValue) host_.changed_[section_] = true;
        return true;
    }

    const Control& control() const { return control_; }
    std::size_t sectionIndex() const { return section_; }

  private:
    // What code set, else the row's value of a bound control; Null for an unbound one, or one whose
    // expression cannot be evaluated.
    Value value() const {
        if (auto it = host_.values_.find(this); it != host_.values_.end()) return it->second;
        if (control_.controlSource.empty()) return Value();
        try {
            if (!host_.evaluator_) return Value();
            return controlValue(*host_.evaluator_, control_, host_.live_[section_], host_.scope_,
                                {host_.page_, 0});
        } catch (const query::QueryError&) {
            return Value();
        }
    }

    ReportEvents& host_;
    Control& control_;
    std::size_t section_;
};

class ReportEvents::LiveSection : public vba::ReportSection {
  public:
    LiveSection(ReportEvents& host, std::size_t index) : host_(host), index_(index) {}

    std::optional<Value> property(std::string_view name) const override {
        if (const auto* found = findProperty(kSectionProperties, name)) return found->get(host_.live_[index_]);
        return std::nullopt;
    }

    bool setProperty(std::string_view name, const Value& v) override {
        const auto* found = findProperty(kSectionProperties, name);
        if (!found || !found->set) return false;
        const std::optional<Value> before = property(name);
        found->set(host_.live_[index_], v);
        if (property(name) != before) host_.changed_[index_] = true;
        return true;
    }

    std::vector<vba::ReportControl*> controls() override {
        std::vector<vba::ReportControl*> out;
        for (const auto& control : host_.controls_)
            if (control->sectionIndex() == index_) out.push_back(control.get());
        return out;
    }

  private:
    ReportEvents& host_;
    std::size_t index_;
};

ReportEvents::ReportEvents(const design::ReportDesign& design, std::vector<vba::Module> modules,
                           const std::string& name, std::size_t rowCount, vba::DomainFunctions* domain,
                           vba::DatabaseRows* database)
    : design_(design),
      live_(design.sections),
      changed_(design.sections.size(), true),
      snapshots_(design.sections.size(), nullptr),
      name_(name),
      rowCount_(rowCount) {
    for (std::size_t i = 0; i < live_.size(); ++i) {
        sections_.push_back(std::make_unique<LiveSection>(*this, i));
        const auto add = [&](const auto& self, Control& control) -> void {
            controls_.push_back(std::make_unique<LiveControl>(*this, control, i));
            byName_.emplace(base::lowerAscii(control.name), controls_.back().get());
            for (Control& child : control.children) self(self, child);
        };
        for (Control& control : live_[i].controls) add(add, control);
    }
    properties_ = {{"caption", Value(design.caption.empty() ? name : design.caption)},
                   {"recordsource", Value(design.recordSource)},
                   {"filter", Value(design.filter)},
                   {"filteron", Value(false)},
                   {"orderby", Value(std::string())},
                   {"orderbyon", Value(false)},
                   {"scalemode", Value(std::int64_t{1})},
                   {"drawwidth", Value(std::int64_t{1})},
                   {"drawstyle", Value(std::int64_t{0})},
                   {"forecolor", Value(std::int64_t{0})},
                   {"fillcolor", Value(std::int64_t{0})},
                   {"fillstyle", Value(std::int64_t{1})},
                   {"currentx", Value(0.0)},
                   {"currenty", Value(0.0)},
                   {"fontname", Value(std::string("Arial"))},
                   {"fontsize", Value(std::int64_t{8})},
                   {"fontbold", Value(false)},
                   {"fontitalic", Value(false)},
                   // What code sets that changes nothing on paper here: kept, so that reading it back works.
                   {"tag", Value(std::string())},
                   {"picture", Value(std::string())},
                   {"picturetype", Value(std::int64_t{0})},
                   {"picturesizemode", Value(std::int64_t{0})},
                   {"picturealignment", Value(std::int64_t{2})},
                   {"picturetiling", Value(false)},
                   {"picturepages", Value(std::int64_t{0})},
                   {"painting", Value(true)},
                   {"visible", Value(true)},
                   {"grpkeeptogether", Value(std::int64_t{0})},
                   {"fastlaserprinting", Value(true)},
                   {"autoresize", Value(true)},
                   {"autocenter", Value(false)},
                   {"modal", Value(false)},
                   {"popup", Value(false)},
                   {"menubar", Value(std::string())},
                   {"toolbar", Value(std::string())},
                   {"shortcutmenubar", Value(std::string())},
                   {"helpfile", Value(std::string())},
                   {"helpcontextid", Value(std::int64_t{0})}};
    vba::Services services;
    services.report = this;
    services.functions = &functions_;
    services.domain = domain;
    services.database = database;
    interpreter_ = std::make_unique<vba::Interpreter>(std::move(modules), services);
    notesBefore_ = interpreter_->notes().size();
}

ReportEvents::~ReportEvents() = default;

bool ReportEvents::run(const std::string& property, const std::string& owner, const std::string& event,
                       std::vector<Value> arguments) {
    cancelled_ = false;
    drawn_.clear();
    if (property.empty()) return false;
    // Procedures are named by their owner's Name ("Detail_Format", "Report_Open"), macros kept in the
    // design by the owner and the event's property ("Detail.OnFormat").
    const std::string procedure = owner + "_" + event;
    const auto runMacro = [&](const std::string& macro, const std::string& named) {
        const MacroOutcome outcome = macros_ ? macros_(macro) : MacroOutcome{};
        if (!outcome.found) unrun_.insert(named + " is not run");
        if (!outcome.stopped.empty()) unrun_.insert(outcome.stopped);
        cancelled_ = cancelled_ || outcome.cancel;
    };
    if (same(property, design::kEmbeddedMacro)) {
        runMacro(owner + ".On" + event, "the macro of " + procedure);
    } else if (isEventProcedure(property)) {
        // Access does nothing for an event procedure the module lacks.
        const vba::CallResult result = interpreter_->call(procedure, arguments);
        if (result.found && !arguments.empty() && truthy(arguments[0])) cancelled_ = true;
    } else if (property.starts_with("=")) {
        // A function called by the event: "=Name()" or "=Name".
        std::string function = property.substr(1);
        if (function.ends_with("()")) function.resize(function.size() - 2);
        if (!interpreter_->hasProcedure(function) ||
            function.find_first_of(" (,\"") != std::string::npos) {
            unrun_.insert("the event expression " + property + " is not run");
            return false;
        }
        interpreter_->call(function);
    } else {
        runMacro(property, "the macro " + property);
    }
    return cancelled_;
}

void ReportEvents::open() {
    if (run(design_.onOpen, "Report", "Open", {Value(std::int64_t{0})}))
        throw ReportCancelled("the report's code cancels it when it opens");
    run(design_.onActivate, "Report", "Activate", {});
}

void ReportEvents::noData() {
    if (run(design_.onNoData, "Report", "NoData", {Value(std::int64_t{0})}))
        throw ReportCancelled("the report's code cancels it when it has no rows");
}

void ReportEvents::close() { run(design_.onClose, "Report", "Close", {}); }

ReportEvents::RowChanges ReportEvents::rowChanges() const {
    RowChanges changes;
    const std::string source = text(properties_.at("recordsource"));
    if (source != design_.recordSource) changes.recordSource = source;
    if (truthy(properties_.at("filteron"))) changes.filter = text(properties_.at("filter"));
    if (truthy(properties_.at("orderbyon"))) changes.orderBy = text(properties_.at("orderby"));
    return changes;
}

std::set<std::string> ReportEvents::omissions() const {
    std::set<std::string> out;
    const auto& notes = interpreter_->notes();
    for (std::size_t i = notesBefore_; i < notes.size(); ++i) out.insert(std::string(kCodeNote) + notes[i]);
    for (const std::string& unrun : unrun_) out.insert(std::string(kCodeNote) + unrun);
    return out;
}

std::size_t ReportEvents::indexOf(const Section& section) const {
    const auto index = static_cast<std::size_t>(&section - design_.sections.data());
    if (index < live_.size()) return index;
    // A section already formatted: the live section of the same kind.
    for (std::size_t i = 0; i < live_.size(); ++i)
        if (live_[i].kind == section.kind && live_[i].groupLevel == section.groupLevel) return i;
    return 0;
}

const Section* ReportEvents::snapshot(std::size_t index, bool blank) {
    if (blank) {
        Section& empty = kept_.emplace_back(live_[index]);
        empty.controls.clear();
        empty.backColor = 0xFFFFFF;
        return &empty;
    }
    if (!changed_[index] && snapshots_[index]) return snapshots_[index];
    Section& kept = kept_.emplace_back(live_[index]);
    // Values code gave controls print as they are: the copy's control at the same place shows them.
    for (const auto& [live, value] : values_) {
        if (live->sectionIndex() != index) continue;
        const auto find = [&](const auto& self, std::vector<Control>& from, std::vector<Control>& in) -> Control* {
            for (std::size_t i = 0; i < from.size() && i < in.size(); ++i) {
                if (&from[i] == &live->control()) return &in[i];
                if (Control* c = self(self, from[i].children, in[i].children)) return c;
            }
            return nullptr;
        };
        if (Control* copy = find(find, live_[index].controls, kept.controls)) {
            try {
                copy->controlSource = "=" + literalOf(value);
            } catch (const query::QueryError&) {
                copy->controlSource = "=Null";
            }
            copy->runningSum = 0;
        }
    }
    changed_[index] = false;
    snapshots_[index] = &kept;
    return &kept;
}

SectionEvents::Formatted ReportEvents::format(const Section& section, const RowScope& scope, int page,
                                              int formatCount) {
    const std::size_t index = indexOf(section);
    current_ = index;
    scope_ = scope;
    page_ = page;
    formatCount_ = formatCount;
    moveLayout_ = nextRecord_ = printSection_ = true;
    // A bound control shows its row again unless this occurrence's code sets it.
    for (auto it = values_.begin(); it != values_.end();) {
        if (it->first->sectionIndex() == index && !it->first->control().controlSource.empty()) {
            it = values_.erase(it);
            changed_[index] = true;
        } else {
            ++it;
        }
    }
    const bool cancel = run(live_[index].onFormat, live_[index].name, "Format",
                            {Value(std::int64_t{0}), Value(std::int64_t{formatCount})});
    formatDrawn_[index] = drawn_;
    printSections_[index] = printSection_;
    Formatted formatted;
    formatted.moveLayout = moveLayout_;
    formatted.nextRecord = nextRecord_;
    if (!cancel) formatted.section = snapshot(index);
    return formatted;
}

void ReportEvents::retreat(const Section& section, const RowScope& scope) {
    const std::size_t index = indexOf(section);
    current_ = index;
    scope_ = scope;
    run(live_[index].onRetreat, live_[index].name, "Retreat", {});
}

void ReportEvents::print(Band& band, int page) {
    const std::size_t index = indexOf(*band.section);
    current_ = index;
    scope_ = band.scope;
    page_ = page;
    printCount_ = band.offset > 0 ? 2 : 1;
    const bool cancel = run(live_[index].onPrint, live_[index].name, "Print",
                            {Value(std::int64_t{0}), Value(std::int64_t{printCount_})});
    CodeFigures figures = std::move(formatDrawn_[index]);
    formatDrawn_.erase(index);
    figures.insert(figures.end(), drawn_.begin(), drawn_.end());
    const auto shown = printSections_.find(index);
    const bool blank = cancel || (shown != printSections_.end() && !shown->second);
    band.section = snapshot(index, blank);
    if (!blank && !figures.empty()) band.figures = std::make_shared<const CodeFigures>(std::move(figures));
}

void ReportEvents::page(PlannedPage& planned, int number) {
    page_ = number;
    current_.reset();
    run(design_.onPage, "Report", "Page", {});
    planned.figures.insert(planned.figures.end(), drawn_.begin(), drawn_.end());
}

vba::ReportControl* ReportEvents::control(std::string_view name) {
    auto it = byName_.find(base::lowerAscii(name));
    // Code writes a name holding spaces with underscores: Me.Customer_Number is "Customer Number".
    if (it == byName_.end()) it = byName_.find(base::lowerAscii(spaced(name)));
    return it == byName_.end() ? nullptr : it->second;
}

std::vector<vba::ReportControl*> ReportEvents::controls() {
    std::vector<vba::ReportControl*> out;
    for (const auto& control : controls_) out.push_back(control.get());
    return out;
}

vba::ReportSection* ReportEvents::section(const Value& indexOrName) {
    for (std::size_t i = 0; i < live_.size(); ++i) {
        const bool match = indexOrName.holds<std::string>() ? same(live_[i].name, indexOrName.get<std::string>())
                                                            : sectionNumber(live_[i]) == whole(indexOrName);
        if (match) return sections_[i].get();
    }
    return nullptr;
}

std::optional<Value> ReportEvents::field(std::string_view name) {
    if (!evaluator_ || name.empty() || name.find(']') != std::string_view::npos) return std::nullopt;
    for (const std::string& field : {std::string(name), spaced(name)}) {
        try {
            return evaluator_->value("=[" + field + "]", scope_, {page_, 0});
        } catch (const query::QueryError&) {
        }
    }
    return std::nullopt;
}

std::optional<Value> ReportEvents::property(std::string_view name) {
    if (same(name, "Page")) return Value(std::int64_t{page_});
    if (same(name, "Pages")) return Value(std::int64_t{0});
    if (same(name, "FormatCount")) return Value(std::int64_t{formatCount_});
    if (same(name, "PrintCount")) return Value(std::int64_t{printCount_});
    if (same(name, "MoveLayout")) return boolean(moveLayout_);
    if (same(name, "NextRecord")) return boolean(nextRecord_);
    if (same(name, "PrintSection")) return boolean(printSection_);
    if (same(name, "HasData")) return Value(std::int64_t{rowCount_ > 0 ? -1 : 0});
    if (same(name, "Width")) return Value(std::int64_t{design_.width});
    if (same(name, "ScaleLeft") || same(name, "ScaleTop")) return Value(0.0);
    // In a section's events its own size, in the Page event the printable area's.
    if (same(name, "ScaleWidth"))
        return Value(fromTwips(current_ ? std::max(design_.width, 0) : area_.width, false));
    if (same(name, "ScaleHeight")) return Value(fromTwips(current_ ? live_[*current_].height : area_.height, true));
    if (auto it = properties_.find(base::lowerAscii(std::string(name))); it != properties_.end()) return it->second;
    return std::nullopt;
}

bool ReportEvents::setProperty(std::string_view name, const Value& value) {
    if (same(name, "MoveLayout")) {
        moveLayout_ = truthy(value);
    } else if (same(name, "NextRecord")) {
        nextRecord_ = truthy(value);
    } else if (same(name, "PrintSection")) {
        printSection_ = truthy(value);
    } else if (auto it = properties_.find(base::lowerAscii(std::string(name))); it != properties_.end()) {
        it->second = value;
        // A background picture is a file outside the report: never read.
        if (same(name, "Picture") && !text(value).empty())
            unrun_.insert("the picture " + text(value) + " it sets is not drawn");
    } else {
        return false;
    }
    return true;
}

double ReportEvents::fromTwips(double twips, bool vertical) const {
    return twips / twipsPerUnit(whole(properties_.at("scalemode")), vertical);
}

double ReportEvents::toTwipsX(double x) const { return x * twipsPerUnit(whole(properties_.at("scalemode")), false); }
double ReportEvents::toTwipsY(double y) const { return y * twipsPerUnit(whole(properties_.at("scalemode")), true); }

// A point in twips; Step counts from CurrentX and CurrentY.
std::pair<double, double> ReportEvents::at(const vba::DrawPoint& point) const {
    double x = toTwipsX(point.x), y = toTwipsY(point.y);
    if (point.step) {
        x += toTwipsX(number(properties_.at("currentx")));
        y += toTwipsY(number(properties_.at("currenty")));
    }
    // Far off the page is nowhere a report draws: keep the numbers sane for the painter.
    return {std::clamp(x, -1e6, 1e6), std::clamp(y, -1e6, 1e6)};
}

std::uint32_t ReportEvents::colorOf(const std::optional<Value>& color) const {
    return static_cast<std::uint32_t>(whole(color ? *color : properties_.at("forecolor")));
}

CodeFigure ReportEvents::figure(CodeFigure::Kind kind) const {
    CodeFigure figure;
    figure.kind = kind;
    figure.color = colorOf(std::nullopt);
    figure.drawWidth = whole(properties_.at("drawwidth"));
    return figure;
}

// Figures beyond these in a report are not kept: code drawing in a loop must not fill the memory.
constexpr std::size_t kMostFigures = 200'000;

void ReportEvents::keep(const CodeFigure& figure) {
    if (figuresKept_ < kMostFigures) {
        ++figuresKept_;
        drawn_.push_back(figure);
    } else {
        unrun_.insert("figures drawn past the " + std::to_string(kMostFigures) + "th are left out");
    }
}

void ReportEvents::drawLine(const vba::LineDrawing& line) {
    CodeFigure f = figure(line.filled ? CodeFigure::Kind::FilledBox
                                      : line.box ? CodeFigure::Kind::Box : CodeFigure::Kind::Line);
    if (line.from) {
        std::tie(f.x1, f.y1) = at(*line.from);
    } else {
        f.x1 = toTwipsX(number(properties_.at("currentx")));
        f.y1 = toTwipsY(number(properties_.at("currenty")));
    }
    // The second point's Step counts from the first.
    properties_["currentx"] = Value(fromTwips(f.x1, false));
    properties_["currenty"] = Value(fromTwips(f.y1, true));
    std::tie(f.x2, f.y2) = at(line.to);
    f.color = colorOf(line.color);
    properties_["currentx"] = Value(fromTwips(f.x2, false));
    properties_["currenty"] = Value(fromTwips(f.y2, true));
    keep(f);
}

void ReportEvents::drawCircle(const vba::CircleDrawing& circle) {
    CodeFigure f = figure(CodeFigure::Kind::Circle);
    std::tie(f.x1, f.y1) = at(circle.center);
    f.x2 = std::clamp(std::fabs(toTwipsX(circle.radius)), 0.0, 1e6);
    f.color = colorOf(circle.color);
    f.start = circle.start;
    f.end = circle.end;
    f.aspect = circle.aspect.value_or(1);
    properties_["currentx"] = Value(fromTwips(f.x1, false));
    properties_["currenty"] = Value(fromTwips(f.y1, true));
    keep(f);
}

void ReportEvents::drawPoint(const vba::DrawPoint& point, const std::optional<Value>& color) {
    CodeFigure f = figure(CodeFigure::Kind::Point);
    std::tie(f.x1, f.y1) = at(point);
    f.color = colorOf(color);
    properties_["currentx"] = Value(fromTwips(f.x1, false));
    properties_["currenty"] = Value(fromTwips(f.y1, true));
    keep(f);
}

namespace {

// The report's current font measured in twips: a device of 1,440 dots an inch.
QFontMetricsF metricsOf(const std::string& name, double size, bool bold, bool italic) {
    static QImage device = [] {
        QImage image(1, 1, QImage::Format_Mono);
        image.setDotsPerMeterX(static_cast<int>(1440 / 0.0254));
        image.setDotsPerMeterY(static_cast<int>(1440 / 0.0254));
        return image;
    }();
    QFont font(QString::fromStdString(fontStandIn(name).family));
    font.setPointSizeF(std::clamp(size, 1.0, 127.0));
    font.setBold(bold);
    font.setItalic(italic);
    return QFontMetricsF(font, &device);
}

}  // namespace

void ReportEvents::print(std::string_view printed) {
    CodeFigure f = figure(CodeFigure::Kind::Text);
    f.x1 = toTwipsX(number(properties_.at("currentx")));
    f.y1 = toTwipsY(number(properties_.at("currenty")));
    f.text = std::string(printed);
    f.fontName = text(properties_.at("fontname"));
    f.fontSize = number(properties_.at("fontsize"));
    f.bold = truthy(properties_.at("fontbold"));
    f.italic = truthy(properties_.at("fontitalic"));
    keep(f);
    // The next Print goes on the next line, at the left.
    const double height = metricsOf(f.fontName, f.fontSize, f.bold, f.italic).height();
    properties_["currentx"] = Value(0.0);
    properties_["currenty"] = Value(fromTwips(f.y1 + height, true));
}

std::optional<Value> ReportEvents::callMethod(std::string_view name, const std::vector<Value>& arguments) {
    const bool width = same(name, "TextWidth");
    if ((width || same(name, "TextHeight")) && arguments.size() == 1) {
        const QFontMetricsF metrics =
            metricsOf(text(properties_.at("fontname")), number(properties_.at("fontsize")),
                      truthy(properties_.at("fontbold")), truthy(properties_.at("fontitalic")));
        const double twips = width ? metrics.horizontalAdvance(QString::fromStdString(text(arguments[0])))
                                   : metrics.height();
        return Value(fromTwips(twips, !width));
    }
    if (same(name, "Scale") && arguments.empty()) {
        properties_["scalemode"] = Value(std::int64_t{1});
        return Value();
    }
    return std::nullopt;
}

bool ReportEvents::doCmd(std::string_view action, const std::vector<Value>& arguments) {
    if (same(action, "CancelEvent")) {
        cancelled_ = true;
        return true;
    }
    // A dialog opened for the report's values (acDialog) asked what the run's parameters answer; closing
    // a form (acForm) touches nothing printed.
    constexpr std::int64_t kDialog = 3, kForm = 2;
    if (same(action, "OpenForm")) return arguments.size() > 5 && whole(arguments[5]) == kDialog;
    // What only the screen shows changes nothing on paper: done, as the macro runner does Beep and Echo.
    for (const char* screenOnly : {"Maximize", "Minimize", "Restore", "Hourglass", "Echo", "SetWarnings", "Beep",
                                   "RepaintObject"})
        if (same(action, screenOnly)) return true;
    if (same(action, "Close")) return !arguments.empty() && whole(arguments[0]) == kForm;
    return false;
}

namespace {

// A text the parameter box answered as code reads it: a number or Yes/No as such, else the text.
Value answered(const std::string& text) {
    if (same(text, "True") || same(text, "Yes") || same(text, "On")) return Value(true);
    if (same(text, "False") || same(text, "No") || same(text, "Off")) return Value(false);
    double number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error == std::errc() && end == text.data() + text.size() && !text.empty()) return Value(number);
    return Value(text);
}

// Forms and a form in it, as far as code reads a dialog's controls: Forms![Dialog]![Control].
class FormsObject : public vba::Object {
  public:
    FormsObject(const ReportEvents::FormValues& values, std::string form = {})
        : values_(values), form_(std::move(form)) {}
    std::string typeName() const override { return form_.empty() ? "Forms" : "Form"; }
    std::optional<vba::Variant> get(std::string_view name, const std::vector<vba::Variant>& arguments) override {
        if (!arguments.empty()) return std::nullopt;
        return item(vba::Variant(Value(std::string(name))));
    }
    bool set(std::string_view, const std::vector<vba::Variant>&, const vba::Variant&) override { return false; }
    std::optional<vba::Variant> item(const vba::Variant& key) override {
        const std::string name = vba::toText(key);
        if (form_.empty()) return vba::Variant::of(std::make_shared<FormsObject>(values_, name));
        if (!values_) return std::nullopt;
        if (auto text = values_(form_, name)) return vba::Variant(answered(*text));
        return std::nullopt;
    }

  private:
    const ReportEvents::FormValues& values_;
    std::string form_;
};

}  // namespace

std::shared_ptr<vba::Object> ReportEvents::applicationObject(std::string_view name) {
    if (same(name, "Forms")) return std::make_shared<FormsObject>(formValues_);
    return nullptr;
}

}  // namespace platform::jet::render

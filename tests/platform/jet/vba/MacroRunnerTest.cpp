#include <gtest/gtest.h>

#include <map>

#include "platform/jet/vba/MacroRunner.h"
#include "tests/platform/jet/vba/ProgramRun.h"

namespace platform::jet::vba {
namespace {

using design::Macro;
using design::MacroRow;
namespace action = design::macro_action;

// A stand-in report: controls of a few properties each, the report's own properties, nothing drawn.
class MacroReport : public ReportHost {
  public:
    struct Control : ReportControl {
        std::string controlName;
        std::map<std::string, Value> properties;
        std::string name() const override { return controlName; }
        std::string controlType() const override { return "TextBox"; }
        std::optional<Value> property(std::string_view name) const override {
            auto it = properties.find(std::string(name));
            return it == properties.end() ? std::nullopt : std::optional<Value>(it->second);
        }
        bool setProperty(std::string_view name, const Value& value) override {
            if (!properties.count(std::string(name))) return false;
            properties[std::string(name)] = value;
            return true;
        }
    };
    std::map<std::string, Control> controls_;

    void add(const std::string& name, Value value) {
        controls_[name].controlName = name;
        controls_[name].properties = {{"Value", value}, {"Visible", Value(true)}};
    }
    Value value(const std::string& name, const std::string& property = "Value") {
        return controls_.at(name).properties.at(property);
    }

    std::string name() const override { return "Sales Totals by Amount"; }
    ReportControl* control(std::string_view name) override {
        auto it = controls_.find(std::string(name));
        return it == controls_.end() ? nullptr : &it->second;
    }
    std::vector<ReportControl*> controls() override {
        std::vector<ReportControl*> all;
        for (auto& [name, control] : controls_) all.push_back(&control);
        return all;
    }
    ReportSection* section(const Value&) override { return nullptr; }
    std::optional<Value> field(std::string_view) override { return std::nullopt; }
    std::optional<Value> property(std::string_view name) override {
        if (name == "Filter") return Value(std::string());
        if (name == "FilterOn") return Value(false);
        return std::nullopt;
    }
    bool setProperty(std::string_view, const Value&) override { return false; }
    void drawLine(const LineDrawing&) override {}
    void drawCircle(const CircleDrawing&) override {}
    void drawPoint(const DrawPoint&, const std::optional<Value>&) override {}
    void print(std::string_view) override {}
};

MacroRow row(int number, int act, std::string name, std::string condition, std::vector<std::string> arguments) {
    MacroRow r;
    r.row = number;
    r.action = act;
    r.name = std::move(name);
    r.condition = std::move(condition);
    r.arguments = std::move(arguments);
    return r;
}

// Northwind's "Sales Totals by Amount" macro group, as its file stores it (comment rows left out).
Macro salesTotalsByAmount() {
    return {{row(3, action::kSetValue, "Hide Break", "", {"[HiddenPageBreak].[Visible]", "No"}),
             row(6, action::kSetValue, "Show Break", "[Counter]=10", {"[HiddenPageBreak].[Visible]", "Yes"}),
             row(9, action::kCancelEvent, "Hide Footer", "[Counter]=10", {}),
             row(12, action::kSetValue, "Page Total", "", {"[PageTotal]", "[PageTotal]+[SaleAmount]"}),
             row(15, action::kSetValue, "New Page", "", {"[PageTotal]", "0"})}};
}

struct ReportMacros {
    MacroReport report;
    Interpreter code;
    MacroRunner runner{code};
    explicit ReportMacros(const std::string& module = "")
        : code(module.empty() ? std::vector<Module>{} : testing::modulesOf("Module1", module),
               Services{&report, nullptr, nullptr}) {}
};

// The events of the report as Access raises them over twelve sales: the break shows after every tenth
// row, the footer is cancelled there, and the page total adds the rows since the page began.
TEST(MacroRunner, SalesTotalsByAmountKeepsItsPageTotalAndBreaks) {
    ReportMacros run;
    run.report.add("HiddenPageBreak", Value());
    run.report.add("Counter", Value(std::int64_t{0}));
    run.report.add("PageTotal", Value(std::int64_t{0}));
    run.report.add("SaleAmount", Value());
    const Macro macro = salesTotalsByAmount();
    const auto event = [&](const char* name) { return run.runner.run(macro, name, name); };
    ASSERT_TRUE(event("New Page").completed);
    ASSERT_TRUE(event("Hide Break").completed);
    double pageTotal = 0;
    for (int sale = 1; sale <= 12; ++sale) {
        SCOPED_TRACE(sale);
        run.report.controls_["Counter"].properties["Value"] = Value(std::int64_t{sale});
        run.report.controls_["SaleAmount"].properties["Value"] = Value(100.0 * sale);
        ASSERT_TRUE(event("Show Break").completed);
        EXPECT_EQ(run.report.value("HiddenPageBreak", "Visible"), Value(sale >= 10));
        ASSERT_TRUE(event("Page Total").completed);
        pageTotal += 100.0 * sale;
        EXPECT_EQ(toDouble(Variant(run.report.value("PageTotal"))), pageTotal);
        const MacroRun footer = event("Hide Footer");
        EXPECT_TRUE(footer.completed);
        EXPECT_EQ(footer.cancel, sale == 10);
    }
    EXPECT_FALSE(run.runner.run(macro, "No Such Macro", "x").found);
}

// Which rows run: conditions true, false or Null, "..." repeating the one above, Access's Yes/No words,
// a group's macro ending at the next named row, StopMacro.
TEST(MacroRunner, ConditionsAndNamedMacrosChooseTheRows) {
    struct Case {
        std::vector<std::pair<std::string, std::string>> rows;  // name, condition; each sets [Out] to its row
        std::string start;
        int last;  // the last row that ran, 0 for none
    };
    const Case cases[] = {
        {{{"", ""}, {"", "1=0"}}, "", 1},
        {{{"", "Null"}, {"", "..."}}, "", 0},
        {{{"", "[Out]=0"}, {"", "..."}, {"", "No"}}, "", 2},
        {{{"", "On And Yes"}, {"", "Off"}, {"", "..."}}, "", 1},
        // Access's comparisons, with [Out] at 0 until a row sets it.
        {{{"", "[Out] Is Not Null And Not [Out] Is Null"}, {"", "[Out] Is Null"}}, "", 1},
        {{{"", "[Out] Between -1 And 1 And [Out]+1 Between 1 And 1"}, {"", "[Out] Between 2 And 3"}}, "", 1},
        {{{"", "[Out] In (3, 0)"}, {"", "[Out] In (0, 2)"}, {"", "Null In (3)"}}, "", 1},
        {{{"A", ""}, {"B", ""}, {"", ""}}, "B", 3},
        {{{"A", ""}, {"", ""}, {"B", ""}}, "A", 2},
        {{{"A", ""}, {"B", ""}}, "", 1},  // a group run whole runs its first macro
    };
    for (const auto& c : cases) {
        ReportMacros run;
        run.report.add("Out", Value(std::int64_t{0}));
        Macro macro;
        int number = 0;
        for (const auto& [name, condition] : c.rows) {
            ++number;
            macro.rows.push_back(row(number, action::kSetValue, name, condition, {"[Out]", std::to_string(number)}));
        }
        const MacroRun result = run.runner.run(macro, c.start, "m");
        EXPECT_TRUE(result.completed) << result.stoppedAt << result.reason;
        EXPECT_EQ(toDouble(Variant(run.report.value("Out"))), c.last) << macro.rows.size() << " rows from " << c.start;
    }
}

// RunCode calls the modules' functions with their arguments; MsgBox is answered and noted; actions with
// no meaning on paper are noted; StopMacro ends the macro; a failing row stops it, named.
TEST(MacroRunner, ActionsRunOrAreNotedAndFailuresStopTheMacro) {
    ReportMacros run("Dim total As Long\nFunction AddTo(n)\n    total = total + n\n    AddTo = total\nEnd Function\n"
            "Function Sum()\n    Sum = total\nEnd Function\n");
    run.report.add("Out", Value(std::int64_t{0}));
    const Macro macro{{row(1, action::kRunCode, "", "", {"AddTo(5)"}),
                       row(2, action::kRunCode, "", "", {"AddTo(2)"}),
                       row(3, action::kMsgBox, "", "[Filter]=\"\"", {"=\"Total \" & Sum()", "-1", "0"}),
                       row(4, action::kOpenForm, "", "", {"Dialog"}),
                       row(5, action::kSetValue, "", "", {"[Out]", "Sum()"}),
                       row(6, action::kStopMacro, "", "", {}),
                       row(7, action::kSetValue, "", "", {"[Out]", "0"})}};
    const MacroRun ran = run.runner.run(macro, "", "Totals");
    EXPECT_TRUE(ran.completed);
    EXPECT_EQ(toDouble(Variant(run.report.value("Out"))), 7);
    const auto& notes = run.code.notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Totals: MsgBox \"Total 7\" answered OK"), notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "Totals: the macro action OpenForm does not run when a report is saved"),
              notes.end());

    struct Failure {
        MacroRow row;
        std::string stoppedAt;
    };
    const Failure failures[] = {
        {row(4, action::kSetValue, "", "", {"[Missing]", "1"}), "m stops at row 4 (SetValue)"},
        {row(5, action::kSetValue, "", "", {"[Out]", "[Out] +"}), "m stops at row 5 (SetValue)"},
        {row(6, action::kSetValue, "", "", {"[Out] : Kill \"x\"", "1"}), "m stops at row 6 (SetValue)"},
        {row(7, action::kCancelEvent, "", "\"text\"", {}), "m stops at row 7 (CancelEvent)"},
        {row(8, action::kRunCode, "", "", {"NoSuchFunction()"}), "m stops at row 8 (RunCode)"},
    };
    for (const auto& failure : failures) {
        const MacroRun stopped = run.runner.run(Macro{{failure.row}}, "", "m");
        EXPECT_FALSE(stopped.completed);
        EXPECT_FALSE(stopped.cancel);
        EXPECT_EQ(stopped.stoppedAt, failure.stoppedAt) << stopped.reason;
        EXPECT_FALSE(stopped.reason.empty());
    }
    EXPECT_EQ(toDouble(Variant(run.report.value("Out"))), 7) << "a failed row sets nothing";
}

}  // namespace
}  // namespace platform::jet::vba

#include <gtest/gtest.h>

#include <map>

#include "tests/platform/jet/vba/ProgramRun.h"

namespace platform::jet::vba {
namespace {

using testing::shown;

class FakeControl : public ReportControl {
  public:
    FakeControl(std::string name, std::string type, std::map<std::string, Value> properties)
        : properties_(std::move(properties)), name_(std::move(name)), type_(std::move(type)) {}
    std::string name() const override { return name_; }
    std::string controlType() const override { return type_; }
    std::optional<Value> property(std::string_view name) const override {
        auto it = properties_.find(std::string(name));
        return it == properties_.end() ? std::nullopt : std::optional<Value>(it->second);
    }
    bool setProperty(std::string_view name, const Value& value) override {
        auto it = properties_.find(std::string(name));
        if (it == properties_.end()) return false;
        it->second = value;
        return true;
    }
    std::map<std::string, Value> properties_;

  private:
    std::string name_, type_;
};

class FakeSection : public ReportSection {
  public:
    std::vector<ReportControl*> members;
    Value visible = Value(true);
    std::optional<Value> property(std::string_view name) const override {
        return name == "Visible" ? std::optional<Value>(visible) : std::nullopt;
    }
    bool setProperty(std::string_view name, const Value& value) override {
        if (name != "Visible") return false;
        visible = value;
        return true;
    }
    std::vector<ReportControl*> controls() override { return members; }
};

// A report of two text boxes and a rectangle in its detail, recording what code draws.
class FakeReport : public ReportHost {
  public:
    FakeControl amount{"Amount", "TextBox", {{"Value", Value(150.0)}, {"Visible", Value(true)}, {"Left", Value(std::int64_t{100})},
                                             {"Top", Value(std::int64_t{0})}, {"Width", Value(std::int64_t{1000})},
                                             {"Height", Value(std::int64_t{240})}}};
    FakeControl note{"Note", "Label", {{"Caption", Value(std::string("x"))}, {"ForeColor", Value(std::int64_t{0})}}};
    FakeControl box{"Box", "Rectangle", {{"Left", Value(std::int64_t{2000})}, {"Top", Value(std::int64_t{0})},
                                         {"Width", Value(std::int64_t{500})}, {"Height", Value(std::int64_t{400})}}};
    FakeSection detail;
    std::map<std::string, Value> properties{{"Page", Value(std::int64_t{3})}, {"MoveLayout", Value(true)},
                                            {"NextRecord", Value(true)}, {"PrintSection", Value(true)}};
    std::vector<std::string> drawn;

    FakeReport() { detail.members = {&amount, &note, &box}; }
    std::string name() const override { return "rptTest"; }
    ReportControl* control(std::string_view name) override {
        for (ReportControl* c : detail.members)
            if (c->name() == name) return c;
        return nullptr;
    }
    std::vector<ReportControl*> controls() override { return detail.members; }
    ReportSection* section(const Value& index) override {
        return index == Value(std::int64_t{0}) ? &detail : nullptr;
    }
    std::optional<Value> field(std::string_view name) override {
        return name == "Customer" ? std::optional<Value>(Value(std::string("Alfreds"))) : std::nullopt;
    }
    std::optional<Value> property(std::string_view name) override {
        auto it = properties.find(std::string(name));
        return it == properties.end() ? std::nullopt : std::optional<Value>(it->second);
    }
    bool setProperty(std::string_view name, const Value& value) override {
        auto it = properties.find(std::string(name));
        if (it == properties.end()) return false;
        it->second = value;
        return true;
    }
    void drawLine(const LineDrawing& l) override {
        drawn.push_back("line " + std::to_string(static_cast<int>(l.from->x)) + "," + std::to_string(static_cast<int>(l.from->y)) +
                        (l.to.step ? " step " : " to ") + std::to_string(static_cast<int>(l.to.x)) + "," +
                        std::to_string(static_cast<int>(l.to.y)) + (l.box ? (l.filled ? " BF" : " B") : ""));
    }
    void drawCircle(const CircleDrawing& c) override {
        drawn.push_back("circle r" + std::to_string(static_cast<int>(c.radius)) + (c.color ? " colored" : ""));
    }
    void drawPoint(const DrawPoint& p, const std::optional<Value>&) override {
        drawn.push_back("point " + std::to_string(static_cast<int>(p.x)));
    }
    void print(std::string_view text) override { drawn.push_back("print " + std::string(text)); }
    bool doCmd(std::string_view action, const std::vector<Value>& arguments) override {
        if (action != "OpenForm") return false;
        drawn.push_back("opened " + toText(Variant(arguments.at(0))) + " as " + toText(Variant(arguments.at(5))));
        return true;
    }
    // Forms![Dialog]!Field: the dialog's values, as its parameters were answered.
    struct Items : Object {
        std::map<std::string, Variant> items;
        std::string typeName() const override { return "Form"; }
        std::optional<Variant> get(std::string_view, const std::vector<Variant>&) override { return std::nullopt; }
        bool set(std::string_view, const std::vector<Variant>&, const Variant&) override { return false; }
        std::optional<Variant> item(const Variant& key) override {
            auto it = items.find(toText(key));
            return it == items.end() ? std::nullopt : std::optional<Variant>(it->second);
        }
    };
    std::shared_ptr<Object> applicationObject(std::string_view name) override {
        if (name != "Forms") return nullptr;
        auto dialog = std::make_shared<Items>();
        dialog->items["ShowDetails"] = Value(false);
        auto forms = std::make_shared<Items>();
        forms->items["Sales by Year Dialog"] = Variant::of(dialog);
        return forms;
    }
};

struct ReportRun {
    FakeReport report;
    std::unique_ptr<Interpreter> interpreter;
    explicit ReportRun(const std::string& source) {
        interpreter = std::make_unique<Interpreter>(testing::modulesOf("Report_rptTest", source), Services{&report, nullptr, nullptr});
    }
};

TEST(VbaReportCode, EventProcedureSetsCancelAndControlProperties) {
    ReportRun run("Private Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\n"
                  "    If Me!Amount > 100 Then Me!Amount.Visible = False: Me.Note.Caption = \"big \" & Me!Customer\n"
                  "    Me.Section(0).Visible = (FormatCount = 1)\n"
                  "    With Me.Note\n        .ForeColor = vbRed\n    End With\n"
                  "    If Page = 3 Then Me.MoveLayout = False: NextRecord = False\n"
                  "    If Not (Me!Amount Is Me.Section(0).Controls(0)) Then Exit Sub\n"
                  "    Cancel = True\nEnd Sub\n");
    std::vector<Value> arguments{Value(std::int64_t{0}), Value(std::int64_t{2})};
    const CallResult result = run.interpreter->call("Detail_Format", arguments);
    ASSERT_TRUE(result.completed) << shown(result);
    EXPECT_EQ(arguments[0], Value(std::int64_t{-1}));
    EXPECT_EQ(run.report.amount.properties_["Visible"], Value(false));
    EXPECT_EQ(run.report.note.properties_["Caption"], Value(std::string("big Alfreds")));
    EXPECT_EQ(run.report.note.properties_["ForeColor"], Value(std::int64_t{255}));
    EXPECT_EQ(run.report.detail.visible, Value(false));
    EXPECT_EQ(run.report.properties["MoveLayout"], Value(false));
    EXPECT_EQ(run.report.properties["NextRecord"], Value(false));
}

// The procedure of insideout-ch8-reports' rptCustomerGridRectangles as its module has it.
TEST(VbaReportCode, RealDrawingProcedureDrawsAroundEachControl) {
    ReportRun run(
        "Option Compare Database\r\nOption Explicit\r\nSub DrawRectangles()\r\n    Dim dblheight As Double\r\n    dblheight = 0\r\n"
        "    Dim ctrl As Control\r\n    Dim txtBox As TextBox\r\n    Dim rect As Rectangle\r\n    ' Find maximum height\r\n"
        "    For Each ctrl In Me.Section(0).Controls\r\n        If TypeOf ctrl Is TextBox Then\r\n            Set txtBox = ctrl\r\n"
        "            If txtBox.Height > dblheight Then\r\n                dblheight = txtBox.Height\r\n            End If\r\n"
        "        End If\r\n        If TypeOf ctrl Is Rectangle Then\r\n            Set rect = ctrl\r\n"
        "            If rect.Height > dblheight Then\r\n                dblheight = rect.Height\r\n            End If\r\n"
        "        End If\r\n    Next\r\n    \r\n    Dim lnglineColour As Long\r\n    lnglineColour = RGB(0, 0, 0)\r\n"
        "    For Each ctrl In Me.Section(0).Controls\r\n        If TypeOf ctrl Is TextBox Then\r\n"
        "            ' is a text box create rectangle\r\n            Set txtBox = ctrl\r\n"
        "            Me.Line (txtBox.Left, txtBox.Top)- _\r\n                    Step(txtBox.Width, dblheight), lnglineColour, B\r\n"
        "        End If\r\n        If TypeOf ctrl Is Rectangle Then\r\n            Set rect = ctrl\r\n"
        "            Me.Line (rect.Left, rect.Top)- _\r\n                Step(rect.Width, dblheight), lnglineColour, B\r\n"
        "        End If\r\n    Next\r\nEnd Sub\r\n\r\nPrivate Sub Detail_Print(Cancel As Integer, PrintCount As Integer)\r\n"
        "    DrawRectangles\r\nEnd Sub\r\n");
    std::vector<Value> arguments{Value(std::int64_t{0}), Value(std::int64_t{1})};
    ASSERT_TRUE(run.interpreter->call("Detail_Print", arguments).completed);
    EXPECT_EQ(run.report.drawn, (std::vector<std::string>{"line 100,0 step 1000,400 B", "line 2000,0 step 500,400 B"}));
    EXPECT_TRUE(run.interpreter->notes().empty());
}

TEST(VbaReportCode, DrawingMethodsReachTheReport) {
    ReportRun run("Sub Report_Page()\n Me.Circle (10, 10), 50, vbBlue\n PSet (7, 7)\n Me.Print \"Total: \"; 5\n"
                  " Line (0, 0)-(9, 9), , BF\nEnd Sub\n");
    const CallResult result = run.interpreter->call("Report_Page");
    ASSERT_TRUE(result.completed) << shown(result);
    EXPECT_EQ(run.report.drawn, (std::vector<std::string>{"circle r50 colored", "point 7", "print Total: 5", "line 0,0 to 9,9 BF"}));
}

TEST(VbaReportCode, AForCounterNamingAControlStops) {
    ReportRun run("Sub Report_Page()\n For Amount = 1 To 3\n Next\nEnd Sub\n");
    EXPECT_EQ(shown(run.interpreter->call("Report_Page")),
              "Report_Page stops at \"For Amount = 1 To 3\" (line 2): the For counter Amount is no variable");
}

// Northwind's Sales by Year: its dialog opened by the host, its values read through Forms; other
// DoCmd actions are skipped and noted.
TEST(VbaReportCode, DialogFormsReachTheHost) {
    ReportRun run("Private Sub Report_Open(Cancel As Integer)\n    DoCmd.OpenForm \"Sales by Year Dialog\", , , , , acDialog\n"
                  "    DoCmd.Maximize\nEnd Sub\nPrivate Sub Detail_Format(Cancel As Integer, FormatCount As Integer)\n"
                  "    If Forms![Sales by Year Dialog]!ShowDetails = False Then Cancel = True\nEnd Sub\n");
    std::vector<Value> open{Value(std::int64_t{0})}, format{Value(std::int64_t{0}), Value(std::int64_t{1})};
    ASSERT_TRUE(run.interpreter->call("Report_Open", open).completed);
    ASSERT_TRUE(run.interpreter->call("Detail_Format", format).completed);
    EXPECT_EQ(run.report.drawn, std::vector<std::string>{"opened Sales by Year Dialog as 3"});
    EXPECT_EQ(format[0], Value(std::int64_t{-1}));
    EXPECT_EQ(run.interpreter->notes(),
              std::vector<std::string>{"\"DoCmd.Maximize\" (line 3) skipped: DoCmd.Maximize reaches outside the report"});
}

// modRpt of insideout-ch8-reports: a function its group levels and text boxes call.
TEST(VbaReportCode, RealModuleFunctionGroupsTurnover) {
    Interpreter interpreter(
        testing::modulesOf("modRpt",
                           "Attribute VB_Name = \"modRpt\"\r\nOption Compare Database   'Use database order for string comparisons\r\n"
                           "Global glbReportTitle As String\r\nPublic Function modRPT_GetTORange(ByVal varTurnover As Variant _\r\n"
                           "                                    ) As Integer\r\n    ' Group turnover into special Ranges\r\n"
                           "    If IsNull(varTurnover) Then\r\n        modRPT_GetTORange = 3\r\n        Exit Function\r\n    End If\r\n"
                           "    Select Case varTurnover\r\n        Case 0 To 110\r\n            modRPT_GetTORange = 1\r\n"
                           "        Case 111 To 280\r\n            modRPT_GetTORange = 2\r\n        Case Else\r\n"
                           "            modRPT_GetTORange = 3\r\n    End Select\r\nEnd Function\r\n"),
        Services{});
    std::string results;
    for (const Value& turnover : {Value(50.0), Value(std::int64_t{200}), Value(), Value(900.0)}) {
        std::vector<Value> arguments{turnover};
        results += shown(interpreter.call("modRPT_GetTORange", arguments));
    }
    EXPECT_EQ(results, "1233");
}

}  // namespace
}  // namespace platform::jet::vba

#include "ReportDescription.h"

#include <map>

namespace mkmdb {

// The words of one statement, read from left to right.
class Words {
  public:
    explicit Words(const std::vector<Token>& tokens) : tokens_(tokens) {}

    bool atEnd() const { return at_ >= tokens_.size(); }

    // Takes the next token when it is this word, unquoted.
    bool accept(std::string_view word) {
        if (atEnd() || tokens_[at_].quoted || tokens_[at_].text != word) return false;
        ++at_;
        return true;
    }

    std::string word(const char* what) {
        if (atEnd() || tokens_[at_].quoted) throw Error(std::string("expected ") + what);
        return tokens_[at_++].text;
    }

    const std::string& quoted(const char* what) { return quotedArgument(tokens_, at_++, what); }

    bool nextIsNumber() const {
        return !atEnd() && !tokens_[at_].quoted && parseNumber<int>(tokens_[at_].text);
    }

    int number(const char* what, int low = 0, int high = 31680) {
        const auto value =
            atEnd() || tokens_[at_].quoted ? std::nullopt : parseNumber<int>(tokens_[at_].text);
        if (!value || *value < low || *value > high)
            throw Error(std::string("expected ") + what + ", a number from " + std::to_string(low) + " to " +
                        std::to_string(high));
        ++at_;
        return *value;
    }

    // "#RRGGBB", in quotes (a word starting with # begins a comment), as Windows' COLORREF.
    std::uint32_t colour(const char* what) {
        const std::string expected = std::string("expected ") + what + " as \"#RRGGBB\"";
        if (atEnd() || !tokens_[at_].quoted) throw Error(expected);
        const std::string& text = tokens_[at_++].text;
        std::uint32_t rgb = 0;
        const auto [end, error] = std::from_chars(text.data() + 1, text.data() + text.size(), rgb, 16);
        if (text.size() != 7 || text[0] != '#' || error != std::errc{} || end != text.data() + text.size())
            throw Error(expected);
        return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16);
    }

    // One of the words, as its value in the map.
    template <typename Value>
    Value oneOf(const std::map<std::string, Value, std::less<>>& choices, const char* what) {
        if (!atEnd() && !tokens_[at_].quoted)
            if (const auto found = choices.find(tokens_[at_].text); found != choices.end()) {
                ++at_;
                return found->second;
            }
        std::string names;
        for (const auto& [name, value] : choices) names += (names.empty() ? "" : ", ") + name;
        throw Error(std::string("expected ") + what + " (" + names + ")");
    }

    [[noreturn]] void unknownOption(const char* of) const {
        throw Error("unknown option \"" + tokens_[at_].text + "\" for " + of);
    }

  private:
    const std::vector<Token>& tokens_;
    std::size_t at_ = 1;
};

namespace {

const std::map<std::string, int, std::less<>> kNewPage{{"before", 1}, {"after", 2}, {"both", 3}};
const std::map<std::string, int, std::less<>> kPapers{
    {"letter", 1}, {"legal", 5}, {"a3", 8}, {"a4", 9}, {"a5", 11}};

struct ControlKind {
    ControlType type;
    const char* name;  // as errors say it
    bool text;         // its statement starts with a text in quotes
    bool lettering;    // font, bold, italic, underline, align, border
};

const std::map<std::string, ControlKind, std::less<>> kControls{
    {"label", {ControlType::Label, "a label", true, true}},
    {"textbox", {ControlType::TextBox, "a text box", true, true}},
    {"line", {ControlType::Line, "a line", false, false}},
    {"box", {ControlType::Box, "a box", false, false}},
    {"checkbox", {ControlType::CheckBox, "a check box", true, false}},
    {"subreport", {ControlType::Subreport, "a subreport", true, false}},
    {"pagebreak", {ControlType::PageBreak, "a page break", false, false}},
};

bool takesAnAttachedLabel(ControlType type) {
    return type == ControlType::TextBox || type == ControlType::CheckBox || type == ControlType::Subreport;
}

}  // namespace

void ReportStatements::begin(const std::string& report) {
    report_ = report;
    given_.clear();
    statedSections_.clear();
    section_.reset();
}

Report& ReportStatements::design() {
    return database_.designs[*report_];
}

bool ReportStatements::take(const std::vector<Token>& tokens) {
    const std::string& keyword = tokens.front().text;
    static const std::set<std::string, std::less<>> kOnce{"source", "caption", "width", "page", "columns"};
    static const std::set<std::string, std::less<>> kOthers{"sort", "group", "section"};
    if (!report_ ||
        (!kOnce.contains(keyword) && !kOthers.contains(keyword) && !kControls.contains(keyword))) {
        report_.reset();
        return false;
    }
    if (kOnce.contains(keyword) && !given_.insert(keyword).second)
        throw Error("the report's " + keyword + " is given twice");
    Words words(tokens);
    Report& report = design();
    if (keyword == "source")
        report.recordSource = words.quoted("the record source: a table, a query or SQL");
    else if (keyword == "caption")
        report.caption = words.quoted("the caption");
    else if (keyword == "width")
        report.width = words.number("the width in twips");
    else if (keyword == "page")
        page(words);
    else if (keyword == "columns")
        columns(words);
    else if (keyword == "sort" || keyword == "group")
        sortLevel(words, keyword == "group");
    else if (keyword == "section")
        section(words);
    else
        control(keyword, words);
    if (!words.atEnd()) words.unknownOption(("\"" + keyword + "\"").c_str());
    return true;
}

void ReportStatements::page(Words& words) {
    ReportPage& page = design().page;
    if (words.atEnd()) throw Error("expected portrait, landscape, a paper or margins after \"page\"");
    while (!words.atEnd()) {
        const bool portrait = words.accept("portrait");
        if (portrait || words.accept("landscape")) {
            if (page.orientation != Orientation::Default) throw Error("the orientation is given twice");
            page.orientation = portrait ? Orientation::Portrait : Orientation::Landscape;
        } else if (words.accept("margins")) {
            page.leftMargin = words.number("the left margin");
            page.topMargin = words.number("the top margin");
            page.rightMargin = words.number("the right margin");
            page.bottomMargin = words.number("the bottom margin");
        } else {
            page.paperSize = words.oneOf(kPapers, "portrait, landscape, a paper or margins");
        }
    }
}

void ReportStatements::columns(Words& words) {
    ReportPage& page = design().page;
    page.columns = words.number("the number of columns", 1, 255);
    while (!words.atEnd()) {
        if (words.accept("spacing"))
            page.columnSpacing = words.number("the column spacing in twips");
        else if (words.accept("rowspacing"))
            page.rowSpacing = words.number("the row spacing in twips");
        else if (words.accept("across"))
            page.acrossThenDown = true;
        else if (words.accept("down"))
            page.acrossThenDown = false;
        else if (words.accept("width"))
            page.itemWidth = words.number("a column's width in twips", 1);
        else if (words.accept("height"))
            page.itemHeight = words.number("a column's height in twips", 1);
        else
            words.unknownOption("\"columns\"");
    }
}

ReportSection& ReportStatements::sectionOf(SectionType type, int level) {
    auto& sections = design().sections;
    for (auto& section : sections)
        if (section.type == type && section.groupLevel == level) return section;
    sections.push_back({type, level, {}, false, 0, {}, {}});
    return sections.back();
}

void ReportStatements::sortLevel(Words& words, bool group) {
    static const std::map<std::string, GroupOn, std::less<>> kGroupOn{
        {"each", GroupOn::EachValue},   {"prefix", GroupOn::Prefix}, {"year", GroupOn::Year},
        {"quarter", GroupOn::Quarter},  {"month", GroupOn::Month},   {"week", GroupOn::Week},
        {"day", GroupOn::Day},          {"hour", GroupOn::Hour},     {"minute", GroupOn::Minute},
        {"interval", GroupOn::Interval}};
    static const std::map<std::string, int, std::less<>> kKeep{{"whole", 1}, {"first", 2}};
    auto& levels = design().groups;
    SortLevel level;
    level.expression = words.quoted("a field or =expression to sort by");
    const int index = static_cast<int>(levels.size());
    while (!words.atEnd()) {
        if (words.accept("descending")) {
            level.descending = true;
        } else if (!group) {
            words.unknownOption("\"sort\"");
        } else if (words.accept("header")) {
            sectionOf(SectionType::GroupHeader, index).height = 0;
        } else if (words.accept("footer")) {
            sectionOf(SectionType::GroupFooter, index).height = 0;
        } else if (words.accept("on")) {
            level.groupOn = words.oneOf(kGroupOn, "what to group on");
            if (words.nextIsNumber()) level.groupInterval = words.number("the interval", 1, 32767);
        } else if (words.accept("keep")) {
            level.keepTogether = words.oneOf(kKeep, "how to keep the group together");
        } else {
            words.unknownOption("\"group\"");
        }
    }
    levels.push_back(std::move(level));
}

void ReportStatements::section(Words& words) {
    static const std::map<std::string, SectionType, std::less<>> kSections{
        {"reportheader", SectionType::ReportHeader}, {"pageheader", SectionType::PageHeader},
        {"groupheader", SectionType::GroupHeader},   {"detail", SectionType::Detail},
        {"groupfooter", SectionType::GroupFooter},   {"pagefooter", SectionType::PageFooter},
        {"reportfooter", SectionType::ReportFooter}};
    const SectionType type = words.oneOf(kSections, "the kind of section");
    int level = 0;
    if (type == SectionType::GroupHeader || type == SectionType::GroupFooter) {
        level = words.number("the number of its group, from 0", 0, 9);
        if (static_cast<std::size_t>(level) >= design().groups.size())
            throw Error("there is no group " + std::to_string(level) + " (groups count from 0)");
    }
    if (!statedSections_.insert({type, level}).second) throw Error("the section is given twice");
    ReportSection& section = sectionOf(type, level);
    section.height.reset();
    while (!words.atEnd()) {
        if (words.accept("height"))
            section.height = words.number("the height in twips");
        else if (words.accept("keep"))
            section.keepTogether = true;
        else if (words.accept("forcenewpage"))
            section.forceNewPage = words.oneOf(kNewPage, "when to start a new page");
        else if (words.accept("back"))
            section.backColor = words.colour("the colour");
        else
            words.unknownOption("\"section\"");
    }
    const auto& sections = design().sections;
    section_ = static_cast<std::size_t>(&section - sections.data());
}

ReportSection& ReportStatements::currentSection(const std::string& what) {
    if (!section_) throw Error(what + " before any \"section\"");
    return design().sections[*section_];
}

void ReportStatements::control(const std::string& keyword, Words& words) {
    static const std::map<std::string, TextAlign, std::less<>> kAlign{{"general", TextAlign::General},
                                                                      {"left", TextAlign::Left},
                                                                      {"center", TextAlign::Center},
                                                                      {"right", TextAlign::Right}};
    static const std::map<std::string, int, std::less<>> kRunningSum{{"group", 1}, {"all", 2}};
    const ControlKind& kind = kControls.at(keyword);
    ReportSection& section = currentSection(std::string("\"") + keyword + "\"");
    ReportControl control;
    control.type = kind.type;
    if (kind.text) control.text = words.quoted("its text");
    if (!words.accept("at"))
        throw Error(kind.type == ControlType::PageBreak ? "expected at TOP"
                                                        : "expected at LEFT TOP WIDTH HEIGHT");
    if (kind.type != ControlType::PageBreak) control.left = words.number("the left edge in twips");
    control.top = words.number("the top edge in twips");
    if (kind.type != ControlType::PageBreak) {
        control.width = words.number("the width in twips");
        control.height = words.number("the height in twips");
    }
    const bool textBox = kind.type == ControlType::TextBox;
    bool attached = false;
    while (!words.atEnd()) {
        if (words.accept("name")) {
            control.name = words.quoted("the control's name");
        } else if (kind.type != ControlType::PageBreak && words.accept("hidden")) {
            control.hidden = true;
        } else if (kind.lettering && words.accept("font")) {
            control.fontName = words.quoted("the font's name");
            if (words.nextIsNumber()) control.fontSize = words.number("the font's size in points", 1, 127);
        } else if (kind.lettering && words.accept("bold")) {
            control.bold = true;
        } else if (kind.lettering && words.accept("italic")) {
            control.italic = true;
        } else if (kind.lettering && words.accept("underline")) {
            control.underline = true;
        } else if (kind.lettering && words.accept("align")) {
            control.align = words.oneOf(kAlign, "the alignment");
        } else if (kind.lettering && words.accept("border")) {
            control.border = true;
        } else if ((kind.lettering || kind.type == ControlType::Line || kind.type == ControlType::Box) &&
                   words.accept("color")) {
            control.color = words.colour("the colour");
        } else if (kind.type == ControlType::Label && words.accept("attached")) {
            attached = true;
        } else if (textBox && words.accept("format")) {
            control.format = words.quoted("the format");
        } else if (textBox && words.accept("decimals")) {
            control.decimals = words.number("the decimal places", 0, 15);
        } else if (textBox && words.accept("runningsum")) {
            control.runningSum = words.oneOf(kRunningSum, "what the running sum runs over");
        } else if (textBox && words.accept("cangrow")) {
            control.canGrow = true;
        } else if (textBox && words.accept("canshrink")) {
            control.canShrink = true;
        } else if (kind.type == ControlType::Box && words.accept("filled")) {
            control.fillColor = words.colour("the fill colour");
        } else if (kind.type == ControlType::Subreport && words.accept("link")) {
            control.linkChildFields = words.quoted("the subreport's linking fields");
            control.linkMasterFields = words.quoted("the report's linking fields");
        } else {
            words.unknownOption(kind.name);
        }
    }
    if (!attached) {
        section.controls.push_back(std::move(control));
        return;
    }
    if (section.controls.empty() || !takesAnAttachedLabel(section.controls.back().type) ||
        !section.controls.back().attached.empty())
        throw Error("an attached label follows the text box, check box or subreport it belongs to");
    section.controls.back().attached.push_back(std::move(control));
}

}  // namespace mkmdb

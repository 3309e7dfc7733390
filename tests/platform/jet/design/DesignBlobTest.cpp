#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/DesignStorage.h"
#include "platform/jet/design/DesignText.h"
#include "platform/jet/design/DesignTree.h"
#include "platform/jet/design/ReportDesignReader.h"

namespace {

using namespace platform::jet::design;
using Bytes = std::vector<std::uint8_t>;

// Writes designs byte by byte, in the compact encoding or the u32 records.
class BlobWriter {
  public:
    explicit BlobWriter(std::uint16_t version = kVersionCompact, std::uint16_t root = 151)
        : version_(version) {
        u16(version).u16(version).u32(0).u16(root);
    }
    BlobWriter& u8(std::uint8_t value) {
        bytes_.push_back(value);
        return *this;
    }
    BlobWriter& u16(std::uint16_t value) { return u8(value & 0xFF).u8(value >> 8); }
    BlobWriter& u32(std::uint32_t value) { return u16(value & 0xFFFF).u16(value >> 16); }
    BlobWriter& raw(const Bytes& value) {
        bytes_.insert(bytes_.end(), value.begin(), value.end());
        return *this;
    }
    // A property: in the compact form the slot's range says how long the value is.
    BlobWriter& property(std::uint8_t slot, const Bytes& value) {
        if (version_ == kVersionRecords)
            return u32(slot).u16(0).u32(0).u32(0).u32(std::uint32_t(value.size())).raw(value);
        u8(slot);
        if (slot >= 0xBC) u8(std::uint8_t(value.size()));
        return raw(value);
    }
    BlobWriter& text(std::uint8_t slot, const std::string& ascii) {
        Bytes value;
        for (const char c : ascii) {
            value.push_back(std::uint8_t(c));
            if (version_ != kVersionAccess97) value.push_back(0);
        }
        return property(slot, value);
    }
    BlobWriter& number(std::uint8_t slot, std::int32_t value) {
        const std::size_t size = slot < 0x30 ? 0 : slot < 0x60 ? 1 : slot < 0x9C ? 2 : 4;
        Bytes bytes;
        for (std::size_t i = 0; i < size; ++i) bytes.push_back(std::uint8_t(std::uint32_t(value) >> (8 * i)));
        return property(slot, bytes);
    }
    BlobWriter& marker(std::uint8_t marker) { return version_ == kVersionRecords ? u32(marker) : u8(marker); }
    BlobWriter& group(std::uint16_t count, std::uint16_t type) { return marker(0xFF).u16(count).u16(type); }
    BlobWriter& sibling(std::uint16_t type) { return marker(0xFD).u16(type); }
    BlobWriter& child(std::uint16_t type) { return marker(0xFE).u16(type); }
    BlobWriter& end() { return marker(0xFD); }
    Bytes bytes() const { return bytes_; }

  private:
    std::uint16_t version_;
    Bytes bytes_;
};

// A report over Orders: a text box prototype, one group level on OrderDate by month with a header, that
// header and the detail; a text box with an attached label in the detail.
BlobWriter groupedReport(std::uint16_t version) {
    BlobWriter blob(version);
    blob.text(0xDC, "Orders").number(0x63, 9000);
    blob.group(4, 109).text(0xE8, "Tahoma").number(0x69, 10);
    blob.sibling(159).number(0x01, 0).number(0x60, 4).text(0xDC, "OrderDate");
    blob.sibling(157).number(0x60, 500).text(0xDF, "GroupHeader0");
    blob.sibling(152).number(0x60, 300).text(0xDF, "Detail");
    blob.group(1, 109).number(0x60, 1440).number(0x61, 60).number(0x62, 2000).number(0x63, 255);
    blob.text(0xDC, "Freight").text(0xDD, "Freight").number(0x6A, 700).number(0x05, 0);
    blob.child(100).text(0xDC, "FreightLabel").text(0xDD, "Freight:");
    return blob.end();
}

TEST(DesignBlob, BothEncodingsGiveTheSameReport) {
    for (const auto version : {kVersionCompact, kVersionRecords}) {
        SCOPED_TRACE(version);
        const ReportDesign report = decodeReportDesign(groupedReport(version).bytes());
        EXPECT_EQ(report.recordSource, "Orders");
        EXPECT_EQ(report.width, 9000);
        ASSERT_EQ(report.groups.size(), 1u);
        EXPECT_EQ(report.groups[0].expression, "OrderDate");
        EXPECT_EQ(report.groups[0].groupOn, GroupOn::Month);
        EXPECT_TRUE(report.groups[0].header);
        EXPECT_FALSE(report.groups[0].footer);
        ASSERT_EQ(report.sections.size(), 2u);
        EXPECT_EQ(report.sections[0].kind, SectionKind::GroupHeader);
        EXPECT_EQ(report.sections[1].kind, SectionKind::Detail);
        ASSERT_EQ(report.sections[1].controls.size(), 1u);
        const Control& freight = report.sections[1].controls[0];
        EXPECT_EQ(freight.kind, ControlKind::TextBox);
        EXPECT_EQ(freight.controlSource, "Freight");
        EXPECT_EQ(std::vector<int>({freight.left, freight.top, freight.width, freight.height}),
                  std::vector<int>({1440, 60, 2000, 255}));
        EXPECT_TRUE(freight.canShrink);
        ASSERT_EQ(freight.children.size(), 1u);
        EXPECT_EQ(freight.children[0].caption, "Freight:");
    }
}

TEST(DesignBlob, TheNewerFormEndsWithAnyFourBytes) {
    Bytes blob = BlobWriter(kVersionRecords).text(0xDC, "Orders").group(1, 152).bytes();
    blob.insert(blob.end(), {0, 0, 0, 0});
    EXPECT_EQ(decodeReportDesign(blob).recordSource, "Orders");
    blob.push_back(0);  // a fifth is one too many
    EXPECT_THROW(decodeReportDesign(blob), DesignError);
}

TEST(DesignBlob, AConvertedFilesHeaderReadsAsTheNewerForm) {
    Bytes blob = BlobWriter(kVersionRecords).text(0xDC, "Orders").group(1, 152).bytes();
    blob[0] = 0x15;  // "15 00 14 00": every report of a file converted from an older format
    EXPECT_EQ(decodeReportDesign(blob).recordSource, "Orders");
    blob[2] = 0x15;
    EXPECT_THROW(decodeReportDesign(blob), DesignError) << "0x15 alone is no version we know";
}

TEST(DesignBlob, TheNewerFormNamesTheRecordSourceByItsCodeInWhicheverSlot) {
    for (const std::uint32_t slot : {0xDCu, 0x12Eu}) {
        SCOPED_TRACE(slot);
        BlobWriter blob(kVersionRecords);
        blob.u32(slot).u16(0x9C).u32(12).u32(4).u32(4).raw(
            {'Q', 0, '1', 0});  // slot, code, type, width, size
        EXPECT_EQ(decodeReportDesign(blob.group(1, 152).bytes()).recordSource, "Q1");
    }
}

TEST(DesignBlob, UnsetValuesComeFromThePrototypeThenFromAccess) {
    const ReportDesign report = decodeReportDesign(groupedReport(kVersionCompact).bytes());
    const Control& freight = report.sections[1].controls[0];
    EXPECT_EQ(freight.font.name, "Tahoma");      // the text box prototype's
    EXPECT_EQ(freight.font.size, 10);            // the prototype's
    EXPECT_EQ(freight.font.weight, 700);         // its own
    const Control& label = freight.children[0];  // labels have no prototype here
    EXPECT_EQ(label.font.name, "Arial");
    EXPECT_EQ(label.font.size, 8);
    EXPECT_EQ(label.font.weight, 400);
    EXPECT_EQ(label.backColor, 0xFFFFFFu);
    EXPECT_EQ(report.sections[1].backColor, 0xFFFFFFu);
    EXPECT_EQ(report.groups[0].groupInterval, 1);
}

// One control of a type in a detail section, with one property set or none (slot 0: none).
Control soleControl(std::uint16_t type, std::uint8_t slot, std::int32_t value) {
    BlobWriter blob;
    blob.group(1, 152).number(0x60, 300).group(1, type).text(0xDC, "Control");
    if (slot != 0xFF) blob.number(slot, value);
    return decodeReportDesign(blob.end().bytes()).sections.at(0).controls.at(0);
}

TEST(DesignBlob, SlotsAndBuiltInValuesOfControls) {
    constexpr std::uint8_t kUnset = 0xFF;
    struct Case {
        const char* what;
        std::uint16_t type;
        std::uint8_t slot;
        std::int32_t value;
        int (*read)(const Control&);
        int expected;
    };
    const auto backStyle = [](const Control& c) { return c.backStyle; };
    const auto borderStyle = [](const Control& c) { return c.borderStyle; };
    const auto hidden = [](const Control& c) { return int(!c.visible); };
    const Case cases[] = {
        {"text box width unset", 109, kUnset, 0, [](const Control& c) { return c.width; }, 1440},
        {"text box height unset", 109, kUnset, 0, [](const Control& c) { return c.height; }, 240},
        {"text box transparent", 109, 0x43, 0, backStyle, 0},
        {"text box normal by default", 109, kUnset, 0, backStyle, 1},
        {"text box borderless", 109, 0x35, 0, borderStyle, 0},
        {"text box bordered by default", 109, kUnset, 0, borderStyle, 1},
        {"text box underlined", 109, 0x0A, 0, [](const Control& c) { return int(c.font.underline); }, 1},
        {"running sum over all", 109, 0x33, 2, [](const Control& c) { return c.runningSum; }, 2},
        {"rectangle filled by default", 101, kUnset, 0, backStyle, 1},
        {"rectangle transparent", 101, 0x32, 0, backStyle, 0},
        {"rectangle borderless", 101, 0x33, 0, borderStyle, 0},
        {"label bordered", 100, 0x33, 1, borderStyle, 1},
        {"label borderless by default", 100, kUnset, 0, borderStyle, 0},
        {"label hidden", 100, 0x00, 0, hidden, 1},
        {"list box: 0x00 is not its visibility", 110, 0x00, 0, hidden, 0},
        {"list box hidden", 110, 0x01, 0, hidden, 1},
        {"image aligned", 103, 0x37, 2, [](const Control& c) { return c.pictureAlignment; }, 2},
        {"object frame stretched", 108, 0x30, 1, [](const Control& c) { return c.sizeMode; }, 1},
        {"object frame clipped by default", 108, kUnset, 0, [](const Control& c) { return c.sizeMode; }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.read(soleControl(c.type, c.slot, c.value)), c.expected);
    }
}

TEST(DesignBlob, ASectionWithoutAHeightIsAnInchHigh) {
    BlobWriter blob;
    blob.group(2, 153).number(0x60, 500).sibling(152).text(0xDF, "Detail").end();
    const ReportDesign report = decodeReportDesign(blob.bytes());
    EXPECT_EQ(report.sections.at(0).height, 500);
    EXPECT_EQ(report.sections.at(1).height, 1440);
}

TEST(DesignBlob, Access97TextsAreInTheFilesCodePage) {
    BlobWriter blob(kVersionAccess97);
    blob.property(0xDC, {'C', 'a', 'f', 0xE9}).group(1, 152).text(0xDF, "Detail").end();
    EXPECT_EQ(decodeReportDesign(blob.bytes(), "CP1252").recordSource, "Caf\xC3\xA9");
    EXPECT_EQ(decodeReportDesign(blob.bytes(), "CP1251").recordSource, "Caf\xD0\xB9");
}

TEST(DesignBlob, PageSetupComesFromPrtMipAndTheDeviceMode) {
    Bytes mip(56, 0), devMode(68, 0);
    for (int i = 0; i < 4; ++i) mip[4 * i] = std::uint8_t(10 + i), mip[4 * i + 1] = 5;  // 1290, 1291, ...
    devMode[40] = 0x03;                      // orientation and paper size are set
    devMode[44] = 2, devMode[46] = 9;        // landscape, A4
    devMode[48] = 0x99, devMode[50] = 0x99;  // lengths not said to be set
    BlobWriter blob;
    blob.property(0xEA, mip).property(0xEB, devMode).group(1, 152).end();
    const PageSetup page = decodeReportDesign(blob.bytes()).page;
    EXPECT_EQ(std::vector<int>({page.leftMargin, page.topMargin, page.rightMargin, page.bottomMargin}),
              std::vector<int>({1290, 1291, 1292, 1293}));
    EXPECT_TRUE(page.landscape);
    EXPECT_EQ(page.paperSize, 9);
    EXPECT_EQ(page.paperLength, 0);
    EXPECT_EQ(page.paperWidth, 0);
}

TEST(DesignBlob, DamagedDesignsAreClearErrors) {
    const Bytes header = BlobWriter().bytes();
    const auto with = [&](const Bytes& tail) {
        Bytes bytes = header;
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        return bytes;
    };
    struct Case {
        const char* what;
        Bytes blob;
        const char* message;
    };
    Bytes deep = header;
    for (int i = 0; i < 40; ++i) deep.insert(deep.end(), {0xFE, 100, 0});
    const Case cases[] = {
        {"too short", Bytes(header.begin(), header.begin() + 9), "too short"},
        {"unknown version", BlobWriter(0x12).bytes(), "unknown version"},
        {"versions differ", {0x13, 0, 0x14, 0, 0, 0, 0, 0, 0x97, 0}, "header"},
        {"text past the end", with({0xDC, 0x10, 'a', 0}), "past the end"},
        {"long length past the end", with({0xDC, 0xFF, 0xFF, 0xFF}), "past the end"},
        {"two-byte value cut", with({0x60, 0x01}), "past the end"},
        {"four-byte value cut", with({0x9C, 1, 2, 3}), "past the end"},
        {"group without its children", with({0xFF, 3, 0, 152, 0, 0x60, 1, 0}), "fewer children"},
        {"huge group count", with({0xFF, 0xFF, 0xFF, 152, 0}), "fewer children"},
        {"empty group", with({0xFF, 0, 0, 152, 0}), "empty"},
        {"marker cut", with({0xFF, 1}), "past the end"},
        {"nesting without end", deep, "nest"},
        {"a sibling of the report", with({0xFD, 152, 0, 0x60, 1, 0}), "left after"},
        {"u32 record past the end",
         BlobWriter(kVersionRecords).u32(0xDC).u16(0).u32(0).u32(0).u32(0xFFFFFFFF).bytes(), "past the end"},
        {"u32 record cut", BlobWriter(kVersionRecords).u32(0xDC).u16(0).bytes(), "past the end"},
        {"neither a report nor a form", BlobWriter(kVersionCompact, 149).group(1, 152).end().bytes(),
         "not a report's or a form's"},
        {"a group section without its level", BlobWriter().group(1, 157).number(0x61, 2).end().bytes(),
         "group level"},
        {"an empty number", BlobWriter(kVersionRecords).group(1, 152).property(0x9C, {}).end().bytes(),
         "not a number"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            decodeReportDesign(c.blob);
            ADD_FAILURE() << "decoded";
        } catch (const DesignError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

// Every cut and every changed byte of a real-shaped design gives a model or a DesignError, nothing else
// (run under the sanitizers, this is where a read past a value would show).
TEST(DesignBlob, AnyCutOrChangedByteIsSafe) {
    const Bytes whole = groupedReport(kVersionCompact).bytes();
    std::size_t errors = 0;
    for (std::size_t length = 0; length < whole.size(); ++length) {
        try {
            decodeReportDesign(Bytes(whole.begin(), whole.begin() + std::ptrdiff_t(length)));
        } catch (const DesignError&) {
            ++errors;
        }
    }
    EXPECT_GT(errors, whole.size() / 2);
    for (std::size_t at = 10; at < whole.size(); ++at) {
        for (const std::uint8_t value : {0x00, 0x7F, 0xBC, 0xFD, 0xFE, 0xFF}) {
            Bytes changed = whole;
            changed[at] = value;
            try {
                decodeReportDesign(changed);
            } catch (const DesignError&) {
            }
        }
    }
}

TEST(DesignText, Utf16BecomesUtf8) {
    struct Case {
        Bytes utf16;
        std::string utf8;
    };
    const Case cases[] = {
        {{'A', 0, 0xE9, 0}, "A\xC3\xA9"},
        {{0xAC, 0x20}, "\xE2\x82\xAC"},                  // the euro sign
        {{0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},  // a pair of surrogates
        {{0x3D, 0xD8, 'x', 0}, "\xEF\xBF\xBDx"},         // a lone one
        {{'A', 0, 0, 0, 0, 0}, "A"},                     // trailing NULs
    };
    for (const auto& c : cases) EXPECT_EQ(utf8OfUtf16(c.utf16), c.utf8);
}

TEST(DirData, ListsNamesAndFoldersAndRefusesMalformedLists) {
    const Bytes good = {0, 0, 0, 0, 4, 8, 'A', 0, 'b', 0, 7, 0, 0, 0, 4, 6, 'C', 0, 2, 0, 0, 0};
    const auto entries = readDirData(good);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Ab");
    EXPECT_EQ(entries[0].folder, 7u);
    EXPECT_EQ(entries[1].name, "C");
    EXPECT_EQ(entries[1].folder, 2u);
    const Bytes bad[] = {
        {0, 0},                                   // too short
        {0, 0, 0, 0, 5, 6, 'C', 0, 2, 0, 0, 0},   // wrong mark
        {0, 0, 0, 0, 4, 40, 'C', 0, 2, 0, 0, 0},  // length past the end
        {0, 0, 0, 0, 4, 2, 'C', 0},               // shorter than its folder number
    };
    for (const auto& list : bad) EXPECT_THROW(readDirData(list), DesignError);
}

}  // namespace

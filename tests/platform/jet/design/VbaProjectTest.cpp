#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/jet/design/DesignError.h"
#include "platform/jet/design/VbaProject.h"
#include "platform/jet/tables/ReportStorage.h"
#include "platform/jet/tables/ScopedMdb.h"
#include "tests/support/TestSupport.h"

namespace {

using namespace platform::jet::design;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::initializer_list<int> values) {
    Bytes bytes;
    for (int value : values) bytes.push_back(static_cast<std::uint8_t>(value));
    return bytes;
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// A container of literal tokens only (a flag byte 0 before each eight bytes), in chunks of 2048 bytes
// whose tokens fit a chunk's 4096: valid, if not small.
Bytes literalContainer(const Bytes& text) {
    Bytes container{1};
    for (std::size_t chunk = 0; chunk < text.size(); chunk += 2048) {
        Bytes data;
        for (std::size_t at = chunk; at < text.size() && at < chunk + 2048; ++at) {
            if ((at - chunk) % 8 == 0) data.push_back(0);
            data.push_back(text[at]);
        }
        const std::size_t header = 0xB000 | (data.size() - 1);
        container.push_back(static_cast<std::uint8_t>(header));
        container.push_back(static_cast<std::uint8_t>(header >> 8));
        container.insert(container.end(), data.begin(), data.end());
    }
    return container;
}

void appendNumber(Bytes& to, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) to.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void addRecord(Bytes& dir, std::uint16_t id, const Bytes& data, std::uint32_t size) {
    appendNumber(dir, id, 2);
    appendNumber(dir, size, 4);
    dir.insert(dir.end(), data.begin(), data.end());
}

void addRecord(Bytes& dir, std::uint16_t id, const Bytes& data) {
    addRecord(dir, id, data, static_cast<std::uint32_t>(data.size()));
}

Bytes utf16(const std::string& ascii) {
    Bytes bytes;
    for (char c : ascii) bytes.insert(bytes.end(), {static_cast<std::uint8_t>(c), 0});
    return bytes;
}

TEST(VbaProject, ContainersDecompressAsTheTokensSay) {
    const Bytes raw = [] {
        Bytes chunk = bytesOf({1, 0xFF, 0x3F});  // a chunk stored as it is: 4096 bytes
        for (int i = 0; i < 4096; ++i) chunk.push_back(static_cast<std::uint8_t>('a' + i % 26));
        return chunk;
    }();
    struct Case {
        const char* what;
        Bytes container;
        std::string text;
    };
    const Case cases[] = {
        {"literals", bytesOf({1, 0x03, 0xB0, 0x00, 'a', 'b', 'c'}), "abc"},
        // One 'a', then a copy of it at offset 1 running 0x45 + 3 bytes, overlapping itself.
        {"a copy overlapping itself", bytesOf({1, 0x03, 0xB0, 0x02, 'a', 0x45, 0x00}), std::string(73, 'a')},
        // After 17 bytes the offset takes 5 bits: 0x0801 is offset 2, length 4.
        {"a copy after the offset grew",
         [] {
             Bytes c = bytesOf({1, 0, 0xB0, 0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x00,
                                'i', 'j', 'k', 'l', 'm', 'n', 'o', 'p', 0x02, 'q', 0x01, 0x08});
             c[1] = static_cast<std::uint8_t>(c.size() - 4);
             return c;
         }(),
         "abcdefghijklmnopqpqpq"},
        {"a chunk saying it is longer than what is left", bytesOf({1, 0xFF, 0xBF, 0x00, 'x', 'y'}), "xy"},
        {"a stored chunk", raw, std::string(raw.begin() + 3, raw.end())},
        {"no chunks", bytesOf({1}), ""},
    };
    for (const auto& c : cases) {
        const Bytes text = decompressVbaContainer(c.container);
        EXPECT_EQ(std::string(text.begin(), text.end()), c.text) << c.what;
    }
    const std::string long_(10000, 'z');
    EXPECT_EQ(decompressVbaContainer(literalContainer(bytesOf(long_))), bytesOf(long_));
}

TEST(VbaProject, HostileContainersAreClearErrors) {
    struct Case {
        const char* what;
        Bytes container;
        std::size_t maxSize = kMaxVbaText;
    };
    const Case cases[] = {
        {"empty", {}},
        {"a wrong signature", bytesOf({2, 0x03, 0xB0, 0x00, 'a', 'b', 'c'})},
        {"a wrong chunk signature", bytesOf({1, 0x03, 0xA0, 0x00, 'a', 'b', 'c'})},
        {"a chunk header cut short", bytesOf({1, 0x03})},
        {"a copy before any byte", bytesOf({1, 0x02, 0xB0, 0x01, 0x00, 0x00})},
        {"a copy reaching before the chunk", bytesOf({1, 0x03, 0xB0, 0x02, 'a', 0x00, 0x10})},
        {"a copy token cut short", bytesOf({1, 0x02, 0xB0, 0x02, 'a', 0x45})},
        {"a chunk growing past 4096 bytes", bytesOf({1, 0x03, 0xB0, 0x02, 'a', 0xFF, 0x0F})},
        {"a copy into the chunk before", bytesOf({1, 0x01, 0xB0, 0x00, 'a', 0x02, 0xB0, 0x01, 0x00, 0x00})},
        {"more than allowed", bytesOf({1, 0x03, 0xB0, 0x02, 'a', 0x45, 0x00}), 10},
    };
    for (const auto& c : cases)
        EXPECT_THROW(decompressVbaContainer(c.container, c.maxSize), DesignError) << c.what;
}

TEST(VbaProject, TheDirListsModulesAndTheirStreams) {
    Bytes dir;
    addRecord(dir, 0x0003, bytesOf({0xE4, 0x04}));           // code page 1252
    addRecord(dir, 0x0009, bytesOf({1, 0, 0, 0, 2, 0}), 4);  // PROJECTVERSION: 6 bytes, though it says 4
    addRecord(dir, 0x0019, bytesOf("modRpt"));
    addRecord(dir, 0x001A, bytesOf("XSTREAM"));
    addRecord(dir, 0x0032, utf16("XSTREAM"));
    addRecord(dir, 0x0031, bytesOf({4, 0, 0, 0}));
    addRecord(dir, 0x0021, {});
    addRecord(dir, 0x002B, {});
    addRecord(dir, 0x0019, bytesOf("Report_Caf\xE9"));
    addRecord(dir, 0x0047, utf16("Report_Sales"));
    addRecord(dir, 0x001A, bytesOf("YSTREAM"));  // Access 97 writes no Unicode names
    addRecord(dir, 0x0031, bytesOf({0, 0, 0, 0}));
    addRecord(dir, 0x0022, {});
    addRecord(dir, 0x002B, {});
    addRecord(dir, 0x0010, {});
    const VbaDirectory directory = readVbaDirectory(dir);
    EXPECT_EQ(directory.codePage, 1252);
    ASSERT_EQ(directory.modules.size(), 2u);
    EXPECT_EQ(directory.modules[0].name, "modRpt");
    EXPECT_EQ(directory.modules[0].streamName, "XSTREAM");
    EXPECT_EQ(directory.modules[0].offset, 4u);
    EXPECT_TRUE(directory.modules[0].standard);
    EXPECT_EQ(directory.modules[1].name, "Report_Sales");
    EXPECT_EQ(directory.modules[1].streamName, "YSTREAM");
    EXPECT_FALSE(directory.modules[1].standard);

    // The project: each module's text after its stream's compiled part, in the code page; one without a
    // stream is named, the others still read.
    const Bytes text = bytesOf("Attribute VB_Name = \"modRpt\"\r\n' \xA9 1999\r\n");
    Bytes stream = bytesOf({9, 9, 9, 9});
    const Bytes compressed = literalContainer(text);
    stream.insert(stream.end(), compressed.begin(), compressed.end());
    const VbaProject project = readVbaProject(
        literalContainer(dir), [&](const VbaModuleEntry& entry) -> std::optional<std::span<const std::uint8_t>> {
            if (entry.streamName == "XSTREAM") return stream;
            return std::nullopt;
        });
    ASSERT_EQ(project.modules.size(), 1u);
    EXPECT_EQ(project.modules[0].source, "Attribute VB_Name = \"modRpt\"\r\n' \xC2\xA9 1999\r\n");
    ASSERT_EQ(project.problems.size(), 1u);
    EXPECT_NE(project.problems[0].find("Report_Sales"), std::string::npos);

    // A record running past the end, a list of more modules than a database holds, and a damaged dir, are
    // errors.
    Bytes many;
    for (int i = 0; i <= 32768; ++i) {
        addRecord(many, 0x0019, bytesOf("m"));
        addRecord(many, 0x002B, {});
    }
    EXPECT_THROW(readVbaDirectory(many), DesignError);
    dir.resize(dir.size() - 8);
    addRecord(dir, 0x0019, bytesOf("x"), 1000);
    EXPECT_THROW(readVbaDirectory(dir), DesignError);
    EXPECT_THROW(readVbaProject(bytesOf({1, 0x03, 0xA0}), [](const VbaModuleEntry&) { return std::nullopt; }),
                 DesignError);
}

TEST(VbaProject, Access97ModuleContainersListTheirStreams) {
    Bytes container = bytesOf({0x69, 0x12, 4, 0, 1, 0, 0, 0});
    for (const auto& [name, data] : std::map<std::string, Bytes>{{"dir", {1, 2, 3}}, {"_VBA_MODULE", {}}}) {
        const Bytes wide = utf16(name + '\0');
        container.push_back(static_cast<std::uint8_t>(wide.size()));
        container.insert(container.end(), wide.begin(), wide.end());
        appendNumber(container, static_cast<std::uint32_t>(data.size()), 4);
        container.insert(container.end(), data.begin(), data.end());
    }
    const auto streams = readModuleContainer(container);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].first, "_VBA_MODULE");
    EXPECT_TRUE(streams[0].second.empty());
    EXPECT_EQ(streams[1].first, "dir");
    EXPECT_EQ(streams[1].second, bytesOf({1, 2, 3}));
    container.pop_back();
    EXPECT_THROW(readModuleContainer(container), DesignError);
    EXPECT_THROW(readModuleContainer(bytesOf({0x69, 0x12})), DesignError);
}

// Every module of the real files reads whole: as many as the project's AcessVBAData counts, each source
// starting with its own name's Attribute line; one known line each.
TEST(VbaProject, TheRealFilesModulesAllRead) {
    struct Case {
        const char* file;
        std::size_t modules;
        const char* module;
        const char* line;
    };
    const Case cases[] = {
        {"northwind-jet4.mdb", 14, "Report_Sales by Year",
         "Private Sub Detail_Format(Cancel As Integer, FormatCount As Integer)"},
        {"reports/insideout-ch8-reports-jet4.mdb", 17, "modRpt",
         "Public Function modRPT_GetTORange(ByVal varTurnover As Variant _\r\n"},
        {"reports/northwind2007-ace12.accdb", 18, "Inventory", "Option Compare Database"},
        {"reports/access-examples-vba-ace12.accdb", 33, "clsMonthCal", "Option Compare Database"},
        // Access 97: the project in MSysModules2.
        {"reports/esis-jet3.mdb", 6, "Report_Order Products", "Private Sub Report_Open(Cancel As Integer)"},
        {"asample.accdb", 0, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string path = test_support::testDataFile(c.file).string();
        if (!std::filesystem::exists(path)) continue;
        platform::jet::helper::PageFile file(*platform::jet::helper::PageFile::open(path.c_str()));
        platform::jet::helper::ScopedMdb mdb(mdb_open(path.c_str(), MDB_NOFLAGS));
        platform::jet::helper::ReportStorage storage(mdb.get(), file);
        const auto& modules = storage.modules();
        EXPECT_EQ(modules.size(), c.modules);
        EXPECT_TRUE(storage.moduleProblems().empty());
        for (const auto& module : modules)
            EXPECT_EQ(module.source.rfind("Attribute VB_Name = \"" + module.name + "\"\r\n", 0), 0u)
                << module.name;
        if (!c.module) continue;
        const auto found = std::find_if(modules.begin(), modules.end(),
                                        [&](const CodeModule& module) { return module.name == c.module; });
        ASSERT_NE(found, modules.end()) << c.module;
        EXPECT_NE(found->source.find(c.line), std::string::npos) << found->source;
    }
}

// A module whose text is damaged in the file is left out and named; the others still read.
TEST(VbaProject, ADamagedModuleInARealFileIsLeftOutAndNamed) {
    const std::string original =
        test_support::testDataFile("reports/insideout-ch8-reports-jet4.mdb").string();
    if (!std::filesystem::exists(original)) GTEST_SKIP() << "no insideout-ch8-reports-jet4.mdb";
    std::ifstream in(original, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    // modRpt's compressed text: its container's signature, a chunk header, "Attr".
    const auto at = bytes.find("\x01\xc7\xb4\x00\x41\x74\x74\x72");
    ASSERT_NE(at, std::string::npos);
    bytes[at] = '\x02';
    test_support::TemporaryFolder folder;
    const std::string copy = folder / "damaged.mdb";
    std::ofstream(copy, std::ios::binary) << bytes;

    platform::jet::helper::PageFile file(*platform::jet::helper::PageFile::open(copy.c_str()));
    platform::jet::helper::ScopedMdb mdb(mdb_open(copy.c_str(), MDB_NOFLAGS));
    platform::jet::helper::ReportStorage storage(mdb.get(), file);
    EXPECT_EQ(storage.modules().size(), 16u);
    ASSERT_EQ(storage.moduleProblems().size(), 1u);
    EXPECT_EQ(
        storage.moduleProblems()[0],
        "The module modRpt is left out. The database's Visual Basic project is damaged: a compressed text "
        "does not start with its signature.");
}

}  // namespace

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/CatalogueReader.h"
#include "platform/jet/process/LineProtocol.h"

using namespace platform::jet;
using testing::ElementsAre;

namespace {

constexpr std::int32_t kReports = -2147483645, kForms = -2147483647, kTables = 251658241;

CatalogueObject object(std::int32_t id, std::int32_t parent, std::int32_t type, std::uint32_t flags,
                       std::string name, bool parameters = false) {
    return {id, parent, type, flags, std::move(name), parameters};
}

std::vector<std::string> typesAndNames(const std::vector<SchemaTable>& tables) {
    std::vector<std::string> result;
    for (const auto& t : tables) result.push_back(t.type + " " + t.name);
    return result;
}

}  // namespace

TEST(Catalogue, ReportsAreTheReportContainersObjectsOrderedByNameIgnoringCase) {
    std::vector<CatalogueObject> objects{
        object(kReports, 251658240, object_type::kContainer, 0, "Reports"),
        object(kForms, 251658240, object_type::kContainer, 0, "Forms"),
        object(10, kReports, object_type::kReport, 0, "beta"),
        object(11, kReports, object_type::kReport, 0, "Gamma report"),
        object(12, kForms, object_type::kReport, 0, "not in the report container"),
        object(13, kForms, -32768, 0, "a form"),
        object(14, kReports, object_type::kReport, 0, "alpha2"),
        object(15, kReports, object_type::kReport, 0, "Alpha"),
        object(16, kTables, object_type::kQuery, 3, "~sq_rbeta"),
    };
    EXPECT_THAT(reportNames(objects), ElementsAre("Alpha", "alpha2", "beta", "Gamma report"));
    EXPECT_THAT(reportNames({}), ElementsAre());
}

TEST(Catalogue, TablesAreClassifiedAsAdoDoesAndOrderedByTypeThenName) {
    std::vector<CatalogueObject> objects{
        object(2, kTables, object_type::kTable, 0x80000000, "MSysObjects"),
        object(40, kTables, object_type::kTable, 0x2, "MSysAccessXML"),
        object(41, kTables, object_type::kTable, 0xA, "MSysNavPaneGroups"),
        object(42, kTables, object_type::kTable, 0x800A0000, "f_1234_Data"),
        object(43, kTables, object_type::kTable, 0, "orders"),
        object(44, kTables, object_type::kTable, 0x8, "Hidden customers"),
        object(45, kTables, object_type::kLink, 0, "Linked"),
        object(46, kTables, object_type::kOdbcLink, 0, "Remote"),
        object(47, kTables, object_type::kQuery, 0, "Select query"),
        object(48, kTables, object_type::kQuery, 3, "~sq_rReport"),
        object(49, kTables, object_type::kQuery, 0x30, "Update query"),
        object(50, kTables, object_type::kQuery, 0, "Parameter query", true),
        object(51, kReports, object_type::kReport, 0, "A report"),
        object(kReports, 251658240, object_type::kContainer, 0, "Reports"),
    };
    EXPECT_THAT(
        typesAndNames(schemaTables(objects)),
        ElementsAre("ACCESS TABLE MSysAccessXML", "ACCESS TABLE MSysNavPaneGroups", "LINK Linked",
                    "PASS-THROUGH Remote", "SYSTEM TABLE f_1234_Data", "SYSTEM TABLE MSysObjects",
                    "TABLE Hidden customers", "TABLE orders", "VIEW Select query", "VIEW ~sq_rReport"));
}

TEST(Catalogue, AcceptsOnlyACompleteAnswerFromTheReader) {
    std::string answer = joinFields({"object", "-2147483645", "251658240", "3", "0", "Reports"}) +
                         joinFields({"object", "7", "-2147483645", "-32764", "", "Tab\there\\"}) +
                         joinFields({"object", "8", "251658241", "5", "-2147483648", "Asks"}) +
                         joinFields({"parameters", "8"});
    auto complete = parseCatalogueAnswer(answer + joinFields({"end", "3"}));
    ASSERT_TRUE(complete.complete);
    ASSERT_EQ(complete.objects.size(), 3u);
    EXPECT_EQ(complete.objects[1].name, "Tab\there\\");
    EXPECT_EQ(complete.objects[1].flags, 0u) << "a null field";
    EXPECT_EQ(complete.objects[2].flags, 0x80000000u);
    EXPECT_TRUE(complete.objects[2].hasParameters);
    EXPECT_FALSE(complete.objects[1].hasParameters);

    EXPECT_FALSE(parseCatalogueAnswer(answer).complete) << "no end line: the reader died";
    EXPECT_FALSE(parseCatalogueAnswer(answer + "end\t3").complete) << "the end line was cut";
    EXPECT_FALSE(parseCatalogueAnswer(answer + joinFields({"end", "4"})).complete) << "rows went missing";
    EXPECT_FALSE(
        parseCatalogueAnswer(joinFields({"object", "x", "1", "1", "0", "T"}) + joinFields({"end", "1"}))
            .complete);
    EXPECT_FALSE(parseCatalogueAnswer(joinFields({"object", "99999999999", "1", "1", "0", "T"}) +
                                      joinFields({"end", "1"}))
                     .complete);
    EXPECT_TRUE(parseCatalogueAnswer(joinFields({"error", "open"})).failedToOpen);
    EXPECT_FALSE(parseCatalogueAnswer(joinFields({"error", "catalogue"})).failedToOpen);
}

// What every real test file and every file mkmdb writes holds; a catalogue read short of it is refused.
TEST(Catalogue, HoldsTheEnginesOwnObjectsOrWasNotReadWhole) {
    constexpr std::int32_t kRoot = 251658240, kDatabases = 251658242;
    const std::vector<CatalogueObject> whole{
        object(kTables, kRoot, object_type::kContainer, 0x80000000, "Tables"),
        object(kDatabases, kRoot, object_type::kContainer, 0x80000000, "Databases"),
        object(251658243, kRoot, object_type::kContainer, 0x80000000, "Relationships"),
        object(268435456, kDatabases, object_type::kDatabase, 0x80000000, "MSysDb"),
        object(2, kTables, object_type::kTable, 0x80000000, "MSysObjects"),
        object(3, kTables, object_type::kTable, 0x80000000, "MSysACEs"),
        object(4, kTables, object_type::kTable, 0x80000000, "MSysQueries"),
        object(5, kTables, object_type::kTable, 0x80000000, "MSysRelationships"),
        object(kReports, kRoot, object_type::kContainer, 0, "Reports"),
    };
    ASSERT_TRUE(holdsEngineObjects(whole));
    EXPECT_TRUE(holdsEngineObjects({whole.begin(), whole.end() - 1}))
        << "the engine alone creates no \"Reports\" container";
    for (std::size_t missing = 0; missing + 1 < whole.size(); ++missing) {
        auto objects = whole;
        objects.erase(objects.begin() + static_cast<std::ptrdiff_t>(missing));
        EXPECT_FALSE(holdsEngineObjects(objects)) << "without " << whole[missing].name;
    }
    const std::vector<std::pair<const char*, std::function<void(std::vector<CatalogueObject>&)>>> misplaced{
        {"MSysObjects not defined on page 2", [](auto& objects) { objects[4].id = 18; }},
        {"MSysQueries outside \"Tables\"", [](auto& objects) { objects[6].parentId = kDatabases; }},
        {"MSysDb outside \"Databases\"", [](auto& objects) { objects[3].parentId = kTables; }},
        {"\"Databases\" under another root", [](auto& objects) { objects[1].parentId = 7; }},
        {"\"Tables\" as a table", [](auto& objects) { objects[0].type = object_type::kTable; }},
        {"a name in other letter case", [](auto& objects) { objects[5].name = "MSysAces"; }},
    };
    for (const auto& [what, change] : misplaced) {
        auto objects = whole;
        change(objects);
        EXPECT_FALSE(holdsEngineObjects(objects)) << what;
    }
}

// Damaged pages can still read as rows, and those as objects. One that Access never writes (no name,
// no Id or one another object has, a type Access does not know) makes the catalogue damaged.
TEST(Catalogue, AnObjectAccessNeverWritesIsNoSoundCatalogue) {
    using Row = std::vector<std::string>;  // the reader's fields: Id, ParentId, Type, Flags, Name
    const auto readsAsSound = [](const std::vector<Row>& rows) {
        std::string answer;
        for (const auto& row : rows) {
            Row fields{"object"};
            fields.insert(fields.end(), row.begin(), row.end());
            answer += joinFields(fields);
        }
        const auto parsed = parseCatalogueAnswer(answer + joinFields({"end", std::to_string(rows.size())}));
        return parsed.complete && holdsSoundObjects(parsed.objects);
    };
    // An object of each type real files hold, links too; ParentId and Flags may be null.
    std::vector<Row> sound;
    for (const char* type : {"1", "2", "3", "4", "5", "6", "8", "9", "10", "-32768", "-32766", "-32764",
                             "-32761", "-32758", "-32757", "-32756"})
        sound.push_back({std::to_string(-2147483600 + static_cast<int>(sound.size())), "", type, "",
                         std::string("Type ") + type});
    ASSERT_TRUE(readsAsSound(sound));

    const std::vector<std::pair<std::string, std::function<void(std::vector<Row>&)>>> damages{
        {"a repeated Id", [](auto& rows) { rows[9][0] = rows[2][0]; }},
        {"a null Id", [](auto& rows) { rows[4][0] = ""; }},
        {"a null name", [](auto& rows) { rows[11][4] = ""; }},
        {"a null type", [](auto& rows) { rows[0][2] = ""; }},
    };
    for (const auto& [what, damage] : damages) {
        auto rows = sound;
        damage(rows);
        EXPECT_FALSE(readsAsSound(rows)) << what;
    }
    for (const char* type : {"0", "7", "11", "255", "-1", "-32767", "-32765", "-32755", "32767"}) {
        auto rows = sound;
        rows[5][2] = type;
        EXPECT_FALSE(readsAsSound(rows)) << "type " << type;
    }
}

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "DatabaseImage.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/catalogue/CatalogueCache.h"
#include "base/LittleEndian.h"
#include "platform/jet/process/HelperPrograms.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/platform/jet/HelperFolder.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform;
using namespace platform::jet;
using namespace std::chrono_literals;
using testing::ElementsAre;
using testing::HasSubstr;

namespace {

const WallClock::time_point kReadStarted = WallClock::time_point(std::chrono::hours(24 * 365 * 55));

std::int64_t nanosecondsOf(WallClock::time_point time) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(time.time_since_epoch()).count();
}

// A file last changed at the time, as the cache knows it.
CatalogueCache::Key fileChangedAt(WallClock::time_point changed) {
    FileVersion file;
    file.device = 2049;
    file.inode = 131;
    file.size = 3 * 4096;
    file.modifiedNs = file.changedNs = nanosecondsOf(changed);
    file.fingerprint = 0x5EED;
    return {file, "/opt/calvenor\n10000"};
}

CatalogueOutcome catalogueNamed(const std::string& name) {
    CatalogueOutcome outcome;
    outcome.objects.push_back({2, 1, object_type::kTable, 0, name, false});
    return outcome;
}

const CatalogueCache::Timing kTiming{2000ms, 15000ms};

}  // namespace

TEST(CatalogueCache, ServesTheReadOfAnUnchangedFileOnceSoonAfter) {
    CatalogueCache cache(kTiming);
    const auto key = fileChangedAt(kReadStarted - 1h);
    cache.keep(key, catalogueNamed("first"), kReadStarted, kReadStarted + 50ms);
    const auto served = cache.take(key, kReadStarted + 1s);
    ASSERT_TRUE(served);
    EXPECT_EQ(served->objects.at(0).name, "first");
    EXPECT_FALSE(cache.take(key, kReadStarted + 2s)) << "a second reuse reads again";

    CatalogueOutcome damaged;
    damaged.problem = DatabaseProblem::TimedOut;
    damaged.detail = "10";
    cache.keep(key, damaged, kReadStarted, kReadStarted + 10s);
    const auto failure = cache.take(key, kReadStarted + 10s + 100ms);
    ASSERT_TRUE(failure) << "failures serve too";
    EXPECT_EQ(failure->problem, DatabaseProblem::TimedOut);
    EXPECT_EQ(failure->detail, "10");
}

TEST(CatalogueCache, AnotherVersionOfTheFileOrAnotherReaderReadsAgain) {
    const std::vector<std::pair<const char*, std::function<void(CatalogueCache::Key&)>>> changes{
        {"another device", [](auto& key) { key.file.device += 1; }},
        {"another file", [](auto& key) { key.file.inode += 1; }},
        {"another size", [](auto& key) { key.file.size += 4096; }},
        {"modified a nanosecond later", [](auto& key) { key.file.modifiedNs += 1; }},
        {"changed a nanosecond later", [](auto& key) { key.file.changedNs += 1; }},
        {"other header or catalogue definition bytes", [](auto& key) { key.file.fingerprint += 1; }},
        {"another reader", [](auto& key) { key.reader = "/opt/calvenor\n5000"; }},
    };
    for (const auto& [what, change] : changes) {
        CatalogueCache cache(kTiming);
        const auto kept = fileChangedAt(kReadStarted - 1h);
        cache.keep(kept, catalogueNamed("kept"), kReadStarted, kReadStarted + 50ms);
        auto asked = kept;
        change(asked);
        EXPECT_FALSE(cache.take(asked, kReadStarted + 1s)) << what;
    }
}

// File times are coarse: a file changed shortly before the read may change again within the same tick
// without its times showing it; and an answer is only for the open right after.
TEST(CatalogueCache, ServesNothingWhenTheFileMayHaveChangedUnseen) {
    struct Case {
        const char* what;
        WallClock::time_point fileChanged, asked;
        bool served;
    };
    const std::vector<Case> cases{
        {"changed exactly the settling time before the read", kReadStarted - 2s, kReadStarted + 1s, true},
        {"changed within the settling time before the read", kReadStarted - 1999ms, kReadStarted + 1s, false},
        {"changed during the read", kReadStarted + 10ms, kReadStarted + 1s, false},
        {"asked at the end of the reuse time", kReadStarted - 1h, kReadStarted + 50ms + 15s, true},
        {"asked after the reuse time", kReadStarted - 1h, kReadStarted + 50ms + 15001ms, false},
        {"asked before the read ended (the clock went back)", kReadStarted - 1h, kReadStarted, false},
    };
    for (const Case& c : cases) {
        CatalogueCache cache(kTiming);
        cache.keep(fileChangedAt(c.fileChanged), catalogueNamed("kept"), kReadStarted, kReadStarted + 50ms);
        EXPECT_EQ(cache.take(fileChangedAt(c.fileChanged), c.asked).has_value(), c.served) << c.what;
    }
}

namespace {

// "Next >" as the program does it, ADO's open and then Access's, through a reader that counts its runs.
class CatalogueReads : public testing::Test {
  protected:
    void SetUp() override { helpers_.countStarts(kReaderProgram); }

    EngineOptions options(CatalogueCache::Timing timing) const {
        EngineOptions options = helpers_.options();
        options.catalogueCache = std::make_shared<CatalogueCache>(timing);
        return options;
    }

    int runs() const { return helpers_.starts(kReaderProgram); }

    std::string write(const mkmdb::Database& database, const std::string& name) {
        const auto image = mkmdb::buildDatabaseImage(database);
        const std::string path = files_ / name;
        // In place, as an editor saving over it would: the same file, the same size.
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(image.bytes().data()),
                   static_cast<std::streamsize>(image.bytes().size()));
        return path;
    }

    // "" when ADO opens the file; else the failure's description.
    static std::string adoOpen(const EngineOptions& options, const std::string& path,
                               const std::string& password) {
        try {
            JetAdo(options).createConnection()->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path +
                                                     ";Jet OLEDB:Database Password=" + password);
            return "";
        } catch (const Failure& failure) {
            return failure.description();
        }
    }

    // The reports Access lists; else "number: description" of the failure.
    std::vector<std::string> accessReports(const EngineOptions& options, const std::string& path,
                                           const std::string& password) {
        JetAccess access(registry_, queues_, options);
        auto application = access.createApplication();
        std::vector<std::string> names;
        try {
            application->openCurrentDatabase(path, false, password);
            for (const auto& report : application->allReports()) names.push_back(report->name());
        } catch (const Failure& failure) {
            names.push_back(std::to_string(failure.number()) + ": " + failure.description());
        }
        return names;
    }

    jet_tests::HelperFolder helpers_;
    test_support::TemporaryFolder files_;
    fakes::FakeRegistry registry_;
    test_support::NoPrintQueues queues_;
};

// Settling time 0: the files here were written a moment ago.
constexpr CatalogueCache::Timing kFreshFiles{0ms, 15000ms};

}  // namespace

TEST_F(CatalogueReads, AdoThenAccessReadTheCatalogueOnceAndCheckThePasswordEachTime) {
    mkmdb::Database database;
    database.reports = {"Alpha", "Beta"};
    database.password = "secret";
    const auto path = write(database, "locked.mdb");
    const auto options = this->options(kFreshFiles);

    EXPECT_EQ(adoOpen(options, path, "secret"), "");
    EXPECT_THAT(accessReports(options, path, "wrong"), ElementsAre("3031: Not a valid password."));
    EXPECT_THAT(accessReports(options, path, "secret"), ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(runs(), 1);
    EXPECT_THAT(accessReports(options, path, "secret"), ElementsAre("Alpha", "Beta"));
    EXPECT_EQ(runs(), 2) << "an answer serves one more open";
}

TEST_F(CatalogueReads, ADamagedFileIsReadOnceForBoth) {
    mkmdb::Database database;
    database.reports = {"Alpha"};
    auto image = mkmdb::buildDatabaseImage(database);
    base::putU32(image.page(page::kCatalogueDefinitionPage), page::kJet4Layout.usageMapOffset, 0xFFFFFF00);
    const std::string path = files_ / "damaged.mdb";
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.bytes().data()),
               static_cast<std::streamsize>(image.bytes().size()));
    const auto options = this->options(kFreshFiles);

    EXPECT_THAT(adoOpen(options, path, ""), HasSubstr("may be corrupt"));
    EXPECT_THAT(accessReports(options, path, ""),
                ElementsAre(testing::StartsWith("3049: Cannot open database")));
    EXPECT_EQ(runs(), 1);
}

TEST_F(CatalogueReads, AFileRewrittenRightAfterItsReadIsReadAgain) {
    mkmdb::Database before, after;
    before.reports = {"Report A"};
    after.reports = {"Report B"};
    const auto options = this->options(CatalogueCache::Timing{});
    const auto path = write(before, "rewritten.mdb");
    const auto size = std::filesystem::file_size(path);

    EXPECT_EQ(adoOpen(options, path, ""), "");
    write(after, "rewritten.mdb");
    ASSERT_EQ(std::filesystem::file_size(path), size);
    EXPECT_THAT(accessReports(options, path, ""), ElementsAre("Report B"));
    EXPECT_EQ(runs(), 2);
}

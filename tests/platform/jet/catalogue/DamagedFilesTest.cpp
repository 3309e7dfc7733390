#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <random>

#include "DatabaseImage.h"
#include "Fixtures.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/catalogue/Catalogue.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "base/LittleEndian.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/platform/jet/CapturedOutput.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/support/NoPrintQueues.h"

using namespace platform::jet;
using Bytes = std::vector<unsigned char>;

namespace {

Bytes readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The data pages of MSysObjects: page type 1, owned by the table defined on page 2.
std::vector<std::size_t> catalogueDataPages(const Bytes& file, std::size_t page) {
    std::vector<std::size_t> pages;
    for (std::size_t number = 3; (number + 1) * page <= file.size(); ++number) {
        const unsigned char* start = file.data() + number * page;
        std::uint32_t owner;
        std::memcpy(&owner, start + 4, sizeof owner);
        if (start[0] == 0x01 && owner == 2) pages.push_back(number);
    }
    return pages;
}

std::size_t pageSizeOf(const Bytes& file) {
    return file.size() > header::kVersionOffset && file[header::kVersionOffset] == header::kJet3Version
               ? 2048
               : 4096;
}

const page::Layout& layoutOf(const Bytes& file) {
    return pageSizeOf(file) == 2048 ? page::kJet3Layout : page::kJet4Layout;
}

// "damaged" when the engine refuses the file as damaged, "N reports" when it opens it, or the engine's
// description of another failure.
std::string outcomeOf(const std::string& path, const std::string& password = "") {
    try {
        const auto database =
            openDatabaseFile(path, password, AcceptedFormats::JetAndAce, jet_tests::testOptions());
        return std::to_string(reportNames(database.objects).size()) + " reports";
    } catch (const DatabaseError& error) {
        return error.problem() == DatabaseProblem::Damaged ? "damaged" : error.what();
    }
}

Bytes bytesOf(const mkmdb::FileImage& image) {
    return {image.bytes().begin(), image.bytes().end()};
}

// Sets the offset of a row in the row table of the page (flags included).
void setRowOffset(Bytes& file, std::size_t pageNumber, std::size_t row, std::uint16_t offset) {
    const auto& layout = layoutOf(file);
    base::putU16(std::span(file).subspan(pageNumber * layout.pageSize, layout.pageSize),
           layout.rowCountOffset + 2 + 2 * row, offset);
}

std::size_t rowCountOf(const Bytes& file, std::size_t pageNumber) {
    const auto& layout = layoutOf(file);
    return base::getU16(std::span(file).subspan(pageNumber * layout.pageSize, layout.pageSize),
                  layout.rowCountOffset);
}

struct Case {
    std::string description;
    Bytes bytes;
};

// The file with its last catalogue page overwritten by a copy of the page before it: every row still
// lies inside its page, but the last page's rows are gone and the copy's are there twice.
Bytes withLastCataloguePageCopied(Bytes file) {
    const std::size_t size = pageSizeOf(file);
    const auto pages = catalogueDataPages(file, size);
    std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(pages[pages.size() - 2] * size), size,
                file.begin() + static_cast<std::ptrdiff_t>(pages.back() * size));
    return file;
}

// Copies of one good file, each damaged in one way: bytes flipped in page 0, in page 2 (the
// catalogue's definition) and in the catalogue's data pages, and cut short.
std::vector<Case> damagedCopies(const std::string& name, const Bytes& good, std::mt19937& random) {
    const std::size_t page = good.size() > 0x14 && good[0x14] == 0 ? 2048 : 4096;
    auto pick = [&](std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high - 1)(random);
    };
    auto flipped = [&](const std::vector<std::size_t>& pages, const char* where) {
        Case damaged{name + ": " + where, good};
        std::size_t flips = pick(1, 9);
        for (std::size_t i = 0; i < flips; ++i) {
            // Half of the flips go to the start of a page, where its header and row offsets are.
            std::size_t at = pages[pick(0, pages.size())] * page + pick(0, pick(0, 2) ? 512 : page);
            unsigned char mask = static_cast<unsigned char>(pick(1, 256));
            damaged.bytes[at] ^= mask;
            // Appended piece by piece: GCC 12 at -O3 takes `" " + std::string` for an overlapping copy.
            damaged.description += ' ';
            damaged.description += std::to_string(at);
            damaged.description += '^';
            damaged.description += std::to_string(mask);
        }
        return damaged;
    };
    std::vector<Case> cases;
    auto dataPages = catalogueDataPages(good, page);
    for (int i = 0; i < 10; ++i) cases.push_back(flipped({0}, "page 0"));
    for (int i = 0; i < 12; ++i) cases.push_back(flipped({2}, "page 2"));
    if (!dataPages.empty())
        for (int i = 0; i < 14; ++i) cases.push_back(flipped(dataPages, "catalogue data"));
    for (int i = 0; i < 4; ++i) {
        std::size_t size = i % 2 ? pick(1, good.size()) : pick(1, good.size() / page) * page;
        cases.push_back(
            {name + ": cut to " + std::to_string(size), Bytes(good.begin(), good.begin() + size)});
    }
    return cases;
}

}  // namespace

TEST(DamagedFiles, EveryDamagedCopyOpensOrFailsClearlyInTimeAndPrintsNothing) {
    REQUIRE_TEST_FILE("asample.accdb");
    const std::map<std::string, std::string> passwords{{"jet4-v2000-password.mdb", "password"},
                                                       {"jet4-v2003-password.mdb", "password"}};
    std::vector<Case> cases{{"empty file", {}}, {"text file", Bytes(5000, 'x')}};
    std::mt19937 random(20240607);
    for (const char* name :
         {"asample.accdb", "ace16-empty.accdb", "datetest-jet4.mdb", "jet3-v1997.mdb",
          "jet4-v2000-nopassword.mdb", "jet4-v2000-password.mdb", "jet4-v2003-password.mdb"}) {
        auto copies = damagedCopies(name, readBytes(jet_tests::testFile(name)), random);
        cases.insert(cases.end(), copies.begin(), copies.end());
    }
    ASSERT_GE(cases.size(), 250u);

    test_support::TemporaryFolder folder;
    const auto options = jet_tests::testOptions();
    const auto allowed = options.timeLimit + std::chrono::seconds(1);
    std::map<std::string, int> outcomes;
    std::vector<std::string> faults;
    {
        jet_tests::CapturedOutput captured;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const Case& c = cases[i];
            const std::string path = folder / "damaged.accdb";  // one file, rewritten per case
            writeBytes(path, c.bytes);
            std::string name = c.description.substr(0, c.description.find(':'));
            auto password = passwords.count(name) ? passwords.at(name) : "";
            auto started = std::chrono::steady_clock::now();
            try {
                auto database = openDatabaseFile(path, password, AcceptedFormats::JetAndAce, options);
                schemaTables(database.objects);
                reportNames(database.objects);
                ++outcomes["opened"];
            } catch (const DatabaseError& error) {
                ++outcomes[std::string(error.what()).substr(0, 24)];
                if (std::string(error.what()).empty())
                    faults.push_back(c.description + ": empty description");
            } catch (const std::exception& other) {
                faults.push_back(c.description + ": unexpected " + other.what());
            }
            if (std::chrono::steady_clock::now() - started > allowed)
                faults.push_back(c.description + ": too slow");
        }
        EXPECT_EQ(captured.text(), "");
    }
    for (const auto& fault : faults) ADD_FAILURE() << fault;
    for (const auto& [outcome, count] : outcomes) std::cout << "  " << count << " x " << outcome << '\n';
}

// The damage a fuzz run found read as a shorter list, or none: a file cut short at a page boundary, a
// catalogue page zero-filled, a catalogue row outside its page. Each must be refused as damaged.
TEST(DamagedFiles, ACatalogueCutShortZeroedOrWithRowsOutsideItsPageIsDamagedNotShorter) {
    struct Damage {
        const char* what;
        std::function<void(Bytes&, const std::vector<std::size_t>& cataloguePages)> apply;
    };
    const std::vector<Damage> damages{
        {"cut to two thirds at a page boundary",
         [](Bytes& file, const auto&) {
             file.resize(file.size() / pageSizeOf(file) * 2 / 3 * pageSizeOf(file));
         }},
        {"cut before its last catalogue page",
         [](Bytes& file, const auto& pages) { file.resize(pages.back() * pageSizeOf(file)); }},
        {"first catalogue page zero-filled",
         [](Bytes& file, const auto& pages) {
             std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(pages.front() * pageSizeOf(file)),
                         pageSizeOf(file), 0);
         }},
        {"last catalogue page zero-filled",
         [](Bytes& file, const auto& pages) {
             std::fill_n(file.begin() + static_cast<std::ptrdiff_t>(pages.back() * pageSizeOf(file)),
                         pageSizeOf(file), 0);
         }},
        {"a row beyond its page's end",
         [](Bytes& file, const auto& pages) { setRowOffset(file, pages.back(), 0, page::kRowOffsetMask); }},
        {"a row inside the page's row table",
         [](Bytes& file, const auto& pages) {
             setRowOffset(file, pages.front(), rowCountOf(file, pages.front()) - 1,
                          static_cast<std::uint16_t>(layoutOf(file).rowCountOffset));
         }},
    };

    test_support::TemporaryFolder folder;
    struct Good {
        std::string name, password;
        Bytes bytes;
    };
    // Ours has its catalogue over many pages, with a table's pages behind them.
    std::vector<Good> goods{{"mkmdb, 600 reports", "",
                             bytesOf(mkmdb::buildDatabaseImage(mkmdb::fixtures::largeDatabase(600, 3000)))}};
    for (const char* name :
         {"northwind-jet4.mdb", "asample.accdb", "jet3-v1997.mdb", "jet4-v2000-password.mdb"})
        if (std::filesystem::exists(jet_tests::testFile(name)))
            goods.push_back({name, name == std::string("jet4-v2000-password.mdb") ? "password" : "",
                             readBytes(jet_tests::testFile(name))});

    for (const Good& good : goods) {
        const auto pages = catalogueDataPages(good.bytes, pageSizeOf(good.bytes));
        ASSERT_FALSE(pages.empty()) << good.name;
        const std::string path = folder / "database.mdb";
        writeBytes(path, good.bytes);
        ASSERT_THAT(outcomeOf(path, good.password), testing::EndsWith(" reports")) << good.name;
        for (const Damage& damage : damages) {
            Bytes damaged = good.bytes;
            damage.apply(damaged, pages);
            writeBytes(path, damaged);
            EXPECT_EQ(outcomeOf(path, good.password), "damaged") << good.name << ": " << damage.what;
        }
    }
}

// A usage map can name millions of pages: the reader must find that out at once rather than read
// them, whether the pages lie beyond the file's end or in a file (sparse) that has them.
TEST(DamagedFiles, ACatalogueMapNamingMillionsOfPagesIsDamagedAtOnce) {
    const Bytes crafted = bytesOf(
        mkmdb::fixtures::withCatalogueMapNamingMillionsOfPages(mkmdb::fixtures::largeDatabase(50, 0)));
    test_support::TemporaryFolder folder;
    const std::string path = folder / "crafted.mdb";
    for (const std::uintmax_t pages : {std::uintmax_t{0}, std::uintmax_t{1'000'000}}) {
        writeBytes(path, crafted);
        if (pages) std::filesystem::resize_file(path, pages * 4096);
        EXPECT_EQ(outcomeOf(path), "damaged") << pages << " pages";
    }
}

// Access marks a row it deletes with both flags of its offset; another writer may set the deleted flag
// alone. Either way the row is gone, and the file is not damaged.
TEST(DamagedFiles, AReportRowMarkedDeletedIsNotListedAndIsNoDamage) {
    mkmdb::Database database;
    database.reports = {"Alpha", "Gamma"};
    database.deletedReports = {"Beta"};
    const Bytes written = bytesOf(mkmdb::buildDatabaseImage(database));
    test_support::TemporaryFolder folder;
    const std::string path = folder / "deleted.mdb";
    for (const std::uint16_t marking : {page::kRowDeletedByAccess, page::kDeletedRow}) {
        Bytes file = written;
        int marked = 0;
        for (const auto pageNumber : catalogueDataPages(file, 4096)) {
            for (std::size_t row = 0; row < rowCountOf(file, pageNumber); ++row) {
                const auto offset =
                    base::getU16(file, pageNumber * 4096 + page::kJet4Layout.rowCountOffset + 2 + 2 * row);
                if ((offset & ~page::kRowOffsetMask) == page::kRowDeletedByAccess) {
                    setRowOffset(file, pageNumber, row, (offset & page::kRowOffsetMask) | marking);
                    ++marked;
                }
            }
        }
        ASSERT_EQ(marked, 1);
        writeBytes(path, file);
        EXPECT_THAT(
            reportNames(
                openDatabaseFile(path, "", AcceptedFormats::JetOnly, jet_tests::testOptions()).objects),
            testing::ElementsAre("Alpha", "Gamma"))
            << std::hex << marking;
    }
}

// Damage that leaves every row inside its page, so that only what the rows hold shows it: a catalogue
// page overwritten by a copy of another (its rows lost, the copy's Ids twice), and the offsets of two
// neighbouring rows moved lower (rows whose name, Id and type are other bytes). Neither may be listed
// as another catalogue.
TEST(DamagedFiles, ACataloguePageCopiedOverAnotherOrTwoRowsShiftedIsDamagedNotAnotherCatalogue) {
    std::vector<std::pair<std::string, Bytes>> goods{
        {"mkmdb", bytesOf(mkmdb::buildDatabaseImage(mkmdb::fixtures::largeDatabase(600, 0)))}};
    if (std::filesystem::exists(jet_tests::testFile("reports/esis-jet3.mdb")))  // Jet 3, 2 KB pages
        goods.emplace_back("esis-jet3.mdb", readBytes(jet_tests::testFile("reports/esis-jet3.mdb")));
    test_support::TemporaryFolder folder;
    const std::string path = folder / "database.mdb";
    for (const auto& [name, good] : goods) {
        const auto last = catalogueDataPages(good, pageSizeOf(good)).back();
        std::vector<Case> cases{{"last page a copy of the one before", withLastCataloguePageCopied(good)}};
        const std::size_t rowTable = last * pageSizeOf(good) + layoutOf(good).rowCountOffset + 2;
        for (std::size_t row = 0; row + 1 < rowCountOf(good, last); ++row) {
            for (const int shift : {1, 8}) {
                cases.push_back(
                    {"rows " + std::to_string(row) + "+1 moved by " + std::to_string(shift), good});
                for (const std::size_t moved : {row, row + 1})
                    setRowOffset(cases.back().bytes, last, moved,
                                 static_cast<std::uint16_t>(base::getU16(good, rowTable + 2 * moved) - shift));
            }
        }
        for (const Case& damaged : cases) {
            writeBytes(path, damaged.bytes);
            EXPECT_EQ(outcomeOf(path), "damaged") << name << ": " << damaged.description;
        }
    }
}

// ADO's table listing and Access's report listing read the catalogue through the one reader: both
// refuse a damaged one with the engine's description.
TEST(DamagedFiles, ADamagedCatalogueIsRefusedAlikeByAdoAndAccess) {
    test_support::TemporaryFolder folder;
    const std::string path = folder / "copied.mdb";
    writeBytes(path, withLastCataloguePageCopied(
                         bytesOf(mkmdb::buildDatabaseImage(mkmdb::fixtures::largeDatabase(100, 0)))));
    const std::string description = DatabaseError(DatabaseProblem::Damaged, path).what();
    auto options = jet_tests::testOptions();
    options.catalogueCache = nullptr;  // each reads for itself
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    EXPECT_EQ(
        jet_tests::failureOf([&] {
            JetAdo(options).createConnection()->open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
        }),
        "-2147467259: " + description);
    EXPECT_EQ(
        jet_tests::failureOf([&] {
            JetAccess(registry, queues, options).createApplication()->openCurrentDatabase(path, false, "");
        }),
        "3049: " + description);
}

// The checks refuse nothing Access writes: every real file opens and lists the reports its folder's
// notes count (none where they name none).
TEST(DamagedFiles, EveryRealFileOpensWithItsReports) {
    REQUIRE_TEST_FILE("asample.accdb");
    const std::map<std::string, int> reports{{"asample.accdb", 3},
                                             {"northwind-jet4.mdb", 14},
                                             {"esis-jet3.mdb", 14},
                                             {"rentals2000-jet4.mdb", 3},
                                             {"insideout-ch5-docdao-jet4.mdb", 6},
                                             {"insideout-ch8-reports-jet4.mdb", 14},
                                             {"northwind2007-ace12.accdb", 15},
                                             {"access-examples-vba-ace12.accdb", 8}};
    int files = 0;
    for (const auto& folder : {test_support::testDataFile(""), test_support::testDataFile("reports")}) {
        if (!std::filesystem::is_directory(folder)) continue;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) {
            const auto name = entry.path().filename().string();
            if (entry.path().extension() != ".mdb" && entry.path().extension() != ".accdb") continue;
            const bool locked = name.find("-password") != name.npos || name.find("encrypted") != name.npos;
            EXPECT_EQ(outcomeOf(entry.path().string(), locked ? "password" : ""),
                      std::to_string(reports.count(name) ? reports.at(name) : 0) + " reports")
                << name;
            ++files;
        }
    }
    EXPECT_GE(files, 9);
}

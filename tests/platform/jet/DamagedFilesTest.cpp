#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <random>

#include "CapturedOutput.h"
#include "TestFiles.h"
#include "platform/jet/Catalogue.h"
#include "platform/jet/DatabaseError.h"
#include "platform/jet/DatabaseFile.h"

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

struct Case {
    std::string description;
    Bytes bytes;
};

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

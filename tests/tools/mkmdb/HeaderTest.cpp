// The database password in the header page, checked against files Access wrote.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "DatabaseFile.h"
#include "HeaderPage.h"
#include "MdbReader.h"
#include "Utf16.h"
#include "tests/support/TestSupport.h"

namespace mkmdb {
namespace {

using test_support::TemporaryFolder;
using test_support::testDataFile;

std::vector<std::uint8_t> headerPage(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::uint8_t> page(4096);
    in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size()));
    EXPECT_EQ(in.gcount(), 4096) << file;
    return page;
}

// Our reading of the header against files Access wrote: this anchors the layout the writer uses.
TEST(Header, PasswordsOfFilesAccessWroteAreReadBack) {
    if (!std::filesystem::exists(testDataFile("jet4-v2000-password.mdb")))
        GTEST_SKIP() << "no shared test data";
    EXPECT_EQ(readHeaderPassword(headerPage(testDataFile("jet4-v2000-password.mdb"))), u"password");
    EXPECT_EQ(readHeaderPassword(headerPage(testDataFile("jet4-v2003-password.mdb"))), u"password");
    EXPECT_EQ(readHeaderPassword(headerPage(testDataFile("jet4-v2000-nopassword.mdb"))), u"");
    EXPECT_EQ(readHeaderPassword(headerPage(testDataFile("datetest-jet4.mdb"))), u"");
}

// Byte for byte: the password region we write for a given creation date is the one Access wrote.
TEST(Header, PasswordIsStoredAsAccessStoresIt) {
    if (!std::filesystem::exists(testDataFile("jet4-v2000-password.mdb")))
        GTEST_SKIP() << "no shared test data";
    for (const char* name :
         {"jet4-v2000-password.mdb", "jet4-v2003-password.mdb", "jet4-v2000-nopassword.mdb"}) {
        const auto real = headerPage(testDataFile(name));
        std::vector<std::uint8_t> ours(4096);
        const auto password =
            std::string_view(name).find("nopassword") == std::string_view::npos ? u"password" : u"";
        writeHeaderPage(ours, password, readHeaderCreationDate(real));
        EXPECT_EQ(std::vector(ours.begin() + 0x42, ours.begin() + 0x6A),
                  std::vector(real.begin() + 0x42, real.begin() + 0x6A))
            << name;
        EXPECT_EQ(std::vector(ours.begin() + 0x72, ours.begin() + 0x7A),
                  std::vector(real.begin() + 0x72, real.begin() + 0x7A))
            << name << ": the creation date";
    }
}

TEST(Header, WrittenPasswordsComeBackAndTheFileStaysReadable) {
    TemporaryFolder folder;
    int fileNumber = 0;
    for (const std::string password :
         {"", "password", "Umsätze 2026", "exactly twenty chars", "\"quoted\" \\ /:"}) {
        Database database;
        database.tables = {{"T", {{"A", ColumnType::Long}}, {{std::int32_t{7}}}}};
        database.password = password;
        const auto path = folder / (std::to_string(++fileNumber) + ".mdb");
        writeDatabaseFile(database, path, Overwrite::Refuse);

        const auto page = headerPage(path);
        EXPECT_EQ(std::string(page.begin() + 4, page.begin() + 19), "Standard Jet DB");
        EXPECT_EQ(page[0x14], 1) << "Jet 4";
        EXPECT_EQ(readHeaderPassword(page), toUtf16(password, "password"));
        // A password does not encrypt the pages: libmdb reads the rows as they are.
        EXPECT_EQ(testing::readTable(path, "T").rows.at(0).at(0), "7") << password;
    }
}

}  // namespace
}  // namespace mkmdb

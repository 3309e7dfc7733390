#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "DatabaseFile.h"
#include "Description.h"
#include "Fixtures.h"
#include "platform/Failure.h"
#include "platform/jet/JetAccess.h"
#include "platform/jet/JetAdo.h"
#include "platform/jet/catalogue/CatalogueCache.h"
#include "platform/jet/catalogue/DatabaseFile.h"
#include "platform/jet/file/DatabaseError.h"
#include "platform/jet/file/JetFormat.h"
#include "base/LittleEndian.h"
#include "platform/jet/file/crypto/KeyCache.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/platform/jet/HelperFolder.h"
#include "tests/platform/jet/TestFiles.h"
#include "tests/support/NoPrintQueues.h"
#include "tests/tools/mkmdb/RunProgram.h"

using namespace platform;
using namespace platform::jet;
using jet_tests::failureOf;
using testing::ElementsAre;
using testing::HasSubstr;
using namespace std::chrono_literals;

namespace {

constexpr char kAgileFile[] = "ace-agile-encrypted.accdb";

// The user tables ADO lists, opening the file with the ACE provider and the password.
std::vector<std::string> tablesThroughAdo(const std::string& path, const std::string& password,
                                          const EngineOptions& options = jet_tests::testOptions()) {
    JetAdo ado(options);
    auto connection = ado.createConnection();
    connection->open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + path +
                     ";Jet OLEDB:Database Password=" + password);
    auto rows = connection->openSchema(ado::kSchemaTables);
    std::vector<std::string> names;
    for (; !rows->eof(); rows->moveNext())
        if (rows->field("TABLE_TYPE") == "TABLE") names.push_back(rows->field("TABLE_NAME"));
    connection->close();
    return names;
}

// The reports Access lists, opening the file with the password.
std::vector<std::string> reportsThroughAccess(const std::string& path, const std::string& password,
                                              const EngineOptions& options = jet_tests::testOptions()) {
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    JetAccess access(registry, queues, options);
    auto application = access.createApplication();
    application->openCurrentDatabase(path, false, password);
    std::vector<std::string> names;
    for (const auto& report : application->allReports()) names.push_back(report->name());
    application->closeCurrentDatabase();
    return names;
}

std::string accessFailure(const std::string& path, const std::string& password,
                          const EngineOptions& options = jet_tests::testOptions()) {
    return failureOf([&] { reportsThroughAccess(path, password, options); });
}

std::vector<std::uint8_t> bytesOf(const std::string& path) {
    const std::string text = test_support::readFile(path);
    return {text.begin(), text.end()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    test_support::writeFile(path, std::string(bytes.begin(), bytes.end()));
}

mkmdb::Database databaseProtectedBy(mkmdb::Encryption encryption, const std::string& password) {
    mkmdb::Database database;
    database.password = password;
    database.encryption = encryption;
    database.tables.push_back(
        {"Customers", {{"Name", mkmdb::ColumnType::Text, 40}}, {{std::string("Alder")}}});
    database.reports = {"Customer List", "Überblick"};
    return database;
}

const std::vector<std::pair<const char*, mkmdb::Encryption>> kWrittenProtections{
    {"Jet encoding", mkmdb::Encryption::JetEncoding},
    {"RC4 CryptoAPI", mkmdb::Encryption::Rc4CryptoApi},
    {"AES standard", mkmdb::Encryption::StandardAes},
    {"agile", mkmdb::Encryption::Agile},
};

class EncryptedFiles : public testing::Test {
  protected:
    std::string written(mkmdb::Encryption encryption, const std::string& password) {
        const std::string path = folder_ / ("protected-" + std::to_string(count_++) + ".accdb");
        mkmdb::writeDatabaseFile(databaseProtectedBy(encryption, password), path, mkmdb::Overwrite::Refuse);
        return path;
    }

    // A copy of the agile file Access wrote, changed by `change`.
    std::string changedAgileFile(const std::function<void(std::vector<std::uint8_t>&)>& change) {
        auto bytes = bytesOf(jet_tests::testFile(kAgileFile));
        change(bytes);
        const std::string path = folder_ / ("changed-" + std::to_string(count_++) + ".accdb");
        writeBytes(path, bytes);
        return path;
    }

    test_support::TemporaryFolder folder_;
    int count_ = 0;
};

// The agile file's XML, to edit in place of the file's own.
std::string agileXml(const std::vector<std::uint8_t>& bytes) {
    const std::size_t length = base::getU16(bytes, header::kEncryptionInfoLengthOffset);
    return std::string(bytes.begin() + header::kEncryptionInfoOffset + 8,
                       bytes.begin() + header::kEncryptionInfoOffset + length);
}

void replaceAgileXml(std::vector<std::uint8_t>& bytes, const std::string& xml) {
    ASSERT_LT(header::kEncryptionInfoOffset + 8 + xml.size(), 4096u);
    base::putU16(bytes, header::kEncryptionInfoLengthOffset, static_cast<std::uint16_t>(8 + xml.size()));
    std::copy(xml.begin(), xml.end(), bytes.begin() + header::kEncryptionInfoOffset + 8);
}

std::function<void(std::vector<std::uint8_t>&)> replacingInXml(const std::string& from,
                                                               const std::string& to) {
    return [from, to](std::vector<std::uint8_t>& bytes) {
        std::string xml = agileXml(bytes);
        const auto at = xml.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        replaceAgileXml(bytes, xml.replace(at, from.size(), to));
    };
}

// Options whose key cache counts the keys derived from passwords. Every open reads and decrypts the
// file, so that a kept key that decrypts wrongly shows.
EngineOptions countingDerivations(int& derived) {
    auto options = jet_tests::testOptions();
    options.catalogueCache = nullptr;
    options.keyCache = std::make_shared<crypto::KeyCache>(
        [&derived](const crypto::EncryptionInfo& info, std::u16string_view password, std::uint32_t pageKey) {
            ++derived;
            return crypto::PageCipher::unlock(info, password, pageKey);
        });
    return options;
}

}  // namespace

TEST_F(EncryptedFiles, TheAgileFileAccessWroteOpensWithItsPassword) {
    REQUIRE_TEST_FILE("ace-agile-encrypted.accdb");
    const std::string path = jet_tests::testFile(kAgileFile);
    EXPECT_THAT(tablesThroughAdo(path, "password"), ElementsAre("Table1"));
    EXPECT_THAT(reportsThroughAccess(path, "password"), ElementsAre());
}

TEST_F(EncryptedFiles, AWrongPasswordIsNotAValidPassword) {
    REQUIRE_TEST_FILE("ace-agile-encrypted.accdb");
    for (const char* password : {"", "Password", "password ", "wrong"})
        EXPECT_EQ(accessFailure(jet_tests::testFile(kAgileFile), password), "3031: Not a valid password.")
            << password;
    for (const auto& [name, encryption] : kWrittenProtections) {
        const std::string path = written(encryption, "s3cret-Ü");
        EXPECT_EQ(accessFailure(path, "s3cret-U"), "3031: Not a valid password.") << name;
        EXPECT_EQ(accessFailure(path, ""), "3031: Not a valid password.") << name;
    }
}

TEST_F(EncryptedFiles, DamagedEncryptionInfoIsAClearErrorWithoutDecrypting) {
    REQUIRE_TEST_FILE("ace-agile-encrypted.accdb");
    const std::vector<std::pair<std::string, std::function<void(std::vector<std::uint8_t>&)>>> damages{
        {"the spin count 2147483648 is larger than 10000000",
         replacingInXml("spinCount=\"100000\"", "spinCount=\"2147483648\"")},
        {"the encryption info is not well-formed XML",
         replacingInXml("spinCount=\"100000\"", "spinCount=100000")},
        {"the AES key size is not one AES takes", replacingInXml("keyBits=\"256\"", "keyBits=\"100\"")},
        {"the encryption info's encryptedKeyValue has the wrong size",
         replacingInXml("encryptedKeyValue=\"", "encryptedKeyValue=\"AAAA")},
        {"the encryption info's saltValue is not a valid value",
         replacingInXml("saltValue=\"", "saltValue=\"*")},
        {"the encryption info has no encryptedKey",
         [](auto& bytes) {
             const std::string xml = agileXml(bytes);
             replaceAgileXml(bytes, xml.substr(0, xml.find("<keyEncryptors>")));
         }},
        {"the encryption info runs past the header page",
         [](auto& bytes) { base::putU16(bytes, header::kEncryptionInfoLengthOffset, 0xFFFF); }},
        {"the encryption info is cut short",
         [](auto& bytes) { base::putU16(bytes, header::kEncryptionInfoLengthOffset, 6); }},
        {"the encryption version 9.9 is unknown",
         [](auto& bytes) {
             base::putU16(bytes, header::kEncryptionInfoOffset, 9);
             base::putU16(bytes, header::kEncryptionInfoOffset + 2, 9);
         }},
    };
    for (const auto& [reason, damage] : damages) {
        const std::string path = changedAgileFile(damage);
        EXPECT_EQ(accessFailure(path, "password"),
                  "3343: The encryption of the database '" + path + "' cannot be read: " + reason + ".");
    }
    // The binary info of CryptoAPI encryption: its key size follows the version, the flags, the header's
    // size, and the header's flags, extra size, cipher and hash.
    constexpr std::size_t kKeySizeOffset = header::kEncryptionInfoOffset + 28;
    const std::vector<std::tuple<mkmdb::Encryption, std::uint32_t, std::string>> keySizes{
        {mkmdb::Encryption::Rc4CryptoApi, 256, "the RC4 key size is not one RC4 takes"},
        {mkmdb::Encryption::Rc4CryptoApi, 44, "the RC4 key size is not one RC4 takes"},
        {mkmdb::Encryption::StandardAes, 192, "the AES key size does not match"},
    };
    for (const auto& [encryption, bits, reason] : keySizes) {
        const std::string path = written(encryption, "secret");
        auto bytes = bytesOf(path);
        base::putU32(bytes, kKeySizeOffset, bits);
        writeBytes(path, bytes);
        EXPECT_EQ(accessFailure(path, "secret"),
                  "3343: The encryption of the database '" + path + "' cannot be read: " + reason + ".");
    }
}

TEST_F(EncryptedFiles, EveryProtectionOurWriterWritesReadsBack) {
    for (const auto& [name, encryption] : kWrittenProtections) {
        const std::string path = written(encryption, "s3cret-Ü");
        EXPECT_THAT(reportsThroughAccess(path, "s3cret-Ü"), ElementsAre("Customer List", "Überblick"))
            << name;
        EXPECT_THAT(tablesThroughAdo(path, "s3cret-Ü"), ElementsAre("Customers")) << name;
    }
    // Without a password the pages of an encoded file are still encoded.
    const std::string encoded = written(mkmdb::Encryption::JetEncoding, "");
    EXPECT_THAT(reportsThroughAccess(encoded, ""), ElementsAre("Customer List", "Überblick"));
    if (mkmdb::testing::programExists("mdb-tables")) {
        const auto listed = mkmdb::testing::runProgram({"mdb-tables", "-1", encoded});
        EXPECT_EQ(listed.output, "Customers\n") << "libmdb decodes encoded pages itself";
    }
}

// The renderer reads the design and draws the report through the decrypted pages, where it could not
// read an encrypted file at all; a report without a design fails, named.
TEST_F(EncryptedFiles, TheRendererReadsAnEncryptedFileThroughItsDecryptedPages) {
    auto database = databaseProtectedBy(mkmdb::Encryption::Agile, "secret");
    database.designs["Customer List"] = mkmdb::fixtures::reportShowingItsName("Customer List");
    const std::string path = folder_ / "designed.accdb";
    mkmdb::writeDatabaseFile(database, path, mkmdb::Overwrite::Refuse);
    fakes::FakeRegistry registry;
    test_support::NoPrintQueues queues;
    JetAccess access(registry, queues, jet_tests::testOptions());
    auto application = access.createApplication();
    application->openCurrentDatabase(path, false, "secret");
    application->outputReport("Customer List", access::kFormatPdf, folder_ / "Customer List.pdf");
    EXPECT_TRUE(std::filesystem::exists(folder_ / "Customer List.pdf"));
    try {
        application->outputReport("Überblick", access::kFormatPdf, folder_ / "Überblick.pdf");
        ADD_FAILURE() << "drawn without a design";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.description(),
                  "The report 'Überblick' could not be drawn: its design cannot be read (The file holds no "
                  "design of the report Überblick.).");
    }
    application->quit(access::QuitOption::SaveAll);
}

TEST_F(EncryptedFiles, TheDecryptedCopyIsASealedPlainFileInMemory) {
    REQUIRE_TEST_FILE("ace-agile-encrypted.accdb");
    const std::string path = jet_tests::testFile(kAgileFile);
    const auto original = bytesOf(path);
    const auto copy =
        openReadableDatabase(path, "password", AcceptedFormats::JetAndAce, jet_tests::testOptions())
            .descriptor;

    const auto plain = bytesOf("/proc/self/fd/" + std::to_string(copy.get()));
    ASSERT_EQ(plain.size(), original.size());
    const auto plainHeader = readFileHeader(std::span(plain).first(kHeaderBytes), plain.size());
    ASSERT_TRUE(plainHeader);
    EXPECT_EQ(plainHeader->format, DatabaseFormat::Ace14);
    EXPECT_FALSE(plainHeader->encryptedAsWhole);
    EXPECT_EQ(plainHeader->pageKey, 0u);
    EXPECT_EQ(plainHeader->password, "");
    EXPECT_EQ(plain[2 * 4096], page::kTableDefinition) << "page 2, the catalogue's definition";

    const std::string target = "/proc/self/fd/" + std::to_string(copy.get());
    EXPECT_EQ(std::filesystem::read_symlink(target).string().rfind("/memfd:", 0), 0u) << "never on a disk";
    EXPECT_EQ(::fcntl(copy.get(), F_GET_SEALS), F_SEAL_WRITE | F_SEAL_GROW | F_SEAL_SHRINK | F_SEAL_SEAL);
    const std::uint8_t byte = 0;
    EXPECT_EQ(::pwrite(copy.get(), &byte, 1, 0), -1) << "sealed against writing";
}

TEST_F(EncryptedFiles, AFileLargerThanTheLimitIsRefusedBeforeDecrypting) {
    const std::string path = written(mkmdb::Encryption::Agile, "secret");
    auto options = jet_tests::testOptions();
    options.decryptionLimit = 1024 * 1024;
    std::filesystem::resize_file(path, 2 * 1024 * 1024);
    EXPECT_EQ(accessFailure(path, "secret", options),
              "3035: The database '" + path +
                  "' is encrypted and larger than 1 MB, the most that can be "
                  "decrypted here.");
    EXPECT_EQ(accessFailure(path, "wrong", options), "3031: Not a valid password.");
}

TEST_F(EncryptedFiles, AdoThenAccessReadTheCatalogueOnce) {
    jet_tests::HelperFolder helpers;
    helpers.countStarts("calvenor-jet");
    auto options = helpers.options();
    // The file was just written: a cache that waits for files to settle would not keep its read.
    options.catalogueCache = std::make_shared<CatalogueCache>(CatalogueCache::Timing{0ms, 15000ms});
    const std::string path = written(mkmdb::Encryption::Agile, "secret");
    EXPECT_THAT(tablesThroughAdo(path, "secret", options), ElementsAre("Customers"));
    EXPECT_THAT(reportsThroughAccess(path, "secret", options), ElementsAre("Customer List", "Überblick"));
    EXPECT_EQ(helpers.starts("calvenor-jet"), 1);
    EXPECT_EQ(accessFailure(path, "wrong", options), "3031: Not a valid password.") << "still checked";
}

TEST_F(EncryptedFiles, AFileIsUnlockedOncePerPassword) {
    for (const auto encryption :
         {mkmdb::Encryption::Rc4CryptoApi, mkmdb::Encryption::StandardAes, mkmdb::Encryption::Agile}) {
        SCOPED_TRACE(static_cast<int>(encryption));
        int derived = 0;
        const auto options = countingDerivations(derived);
        const std::string path = written(encryption, "secret");
        // As an export opens it: ADO, Access, and the copy the renderer reads.
        EXPECT_THAT(tablesThroughAdo(path, "secret", options), ElementsAre("Customers"));
        EXPECT_THAT(reportsThroughAccess(path, "secret", options), ElementsAre("Customer List", "Überblick"));
        const auto copy =
            openReadableDatabase(path, "secret", AcceptedFormats::JetAndAce, options).descriptor;
        EXPECT_EQ(bytesOf("/proc/self/fd/" + std::to_string(copy.get()))[2 * 4096], page::kTableDefinition);
        EXPECT_EQ(derived, 1);
        for (int attempt = 0; attempt < 2; ++attempt)
            EXPECT_EQ(accessFailure(path, "Secret", options), "3031: Not a valid password.");
        EXPECT_EQ(derived, 3) << "a wrong password is checked every time";
        EXPECT_THAT(reportsThroughAccess(path, "secret", options), ElementsAre("Customer List", "Überblick"));
        EXPECT_EQ(derived, 3);
    }
}

TEST_F(EncryptedFiles, AChangedFileIsUnlockedAgain) {
    int derived = 0;
    const auto options = countingDerivations(derived);
    const std::string path = written(mkmdb::Encryption::Agile, "secret");
    ASSERT_THAT(reportsThroughAccess(path, "secret", options), ElementsAre("Customer List", "Überblick"));
    // Replaced by another file with the same password: new salts, another key.
    auto other = databaseProtectedBy(mkmdb::Encryption::Agile, "secret");
    other.reports = {"Invoices"};
    mkmdb::writeDatabaseFile(other, path, mkmdb::Overwrite::Replace);
    EXPECT_THAT(reportsThroughAccess(path, "secret", options), ElementsAre("Invoices"));
    EXPECT_EQ(derived, 2);
    // Grown in place, its encryption info unchanged: still another version of the file.
    std::filesystem::resize_file(path, std::filesystem::file_size(path) + 4096);
    openReadableDatabase(path, "secret", AcceptedFormats::JetAndAce, options);
    EXPECT_EQ(derived, 3);
}

TEST(MkmdbEncryption, TheDescriptionNamesTheProtection) {
    EXPECT_EQ(mkmdb::parseDescription("password \"a\"\nencryption standard\n", "d").encryption,
              mkmdb::Encryption::StandardAes);
    EXPECT_EQ(mkmdb::parseDescription("encryption encoding\n", "d").encryption,
              mkmdb::Encryption::JetEncoding);
    const std::vector<std::pair<const char*, const char*>> faults{
        {"encryption aes\n", "d:1: expected encoding, rc4, standard or agile after \"encryption\""},
        {"encryption rc4\nencryption rc4\n", "d:2: the encryption is given twice"},
        {"encryption \"agile\"\n", "d:1: expected encoding, rc4, standard or agile after \"encryption\""},
    };
    for (const auto& [text, message] : faults) {
        try {
            mkmdb::parseDescription(text, "d");
            ADD_FAILURE() << text;
        } catch (const mkmdb::Error& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
    }
    test_support::TemporaryFolder folder;
    EXPECT_THROW(mkmdb::writeDatabaseFile(databaseProtectedBy(mkmdb::Encryption::Agile, ""),
                                          folder / "a.accdb", mkmdb::Overwrite::Refuse),
                 mkmdb::Error)
        << "Office encryption needs a password";
    auto spun = databaseProtectedBy(mkmdb::Encryption::Agile, "a");
    spun.spinCount = 1000;
    mkmdb::writeDatabaseFile(spun, folder / "spun.accdb", mkmdb::Overwrite::Refuse);
    EXPECT_THAT(agileXml(bytesOf(folder / "spun.accdb")), HasSubstr("spinCount=\"1000\""));
    spun.spinCount = crypto::kMaxSpinCount + 1;
    EXPECT_THROW(mkmdb::writeDatabaseFile(spun, folder / "too-spun.accdb", mkmdb::Overwrite::Refuse),
                 mkmdb::Error);
}

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "platform/jet/file/FileHeader.h"
#include "tests/platform/jet/TestFiles.h"

using namespace platform::jet;

namespace {

std::vector<unsigned char> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::optional<FileHeader> headerOf(const std::vector<unsigned char>& bytes) {
    return readFileHeader(std::span(bytes.data(), std::min(bytes.size(), kHeaderBytes)), bytes.size());
}

struct Expected {
    const char* file;
    const char* format;
    const char* password;
    bool encrypted;
};

}  // namespace

TEST(FileHeader, ReadsFormatPasswordAndEncryptionOfEveryTestFile) {
    REQUIRE_TEST_FILE("asample.accdb");
    for (const Expected& e :
         {Expected{"asample.accdb", "ACE12", "", false}, Expected{"ace16-empty.accdb", "ACE16", "", false},
          Expected{"ace-agile-encrypted.accdb", "ACE14", "", true},
          Expected{"datetest-jet4.mdb", "JET4", "", false}, Expected{"jet3-v1997.mdb", "JET3", "", false},
          Expected{"jet4-v2000-nopassword.mdb", "JET4", "", false},
          Expected{"jet4-v2000-password.mdb", "JET4", "password", false},
          Expected{"jet4-v2003-password.mdb", "JET4", "password", false},
          Expected{"values/extDateTestV2019.accdb", "ACE17", "", false}}) {
        SCOPED_TRACE(e.file);
        auto header = headerOf(fileBytes(jet_tests::testFile(e.file)));
        ASSERT_TRUE(header);
        EXPECT_STREQ(formatName(header->format), e.format);
        EXPECT_EQ(header->password, e.password);
        EXPECT_EQ(header->encryptedAsWhole, e.encrypted);
    }
}

TEST(FileHeader, RefusesWhatIsNoDatabaseOfAKnownVersion) {
    REQUIRE_TEST_FILE("jet4-v2000-nopassword.mdb");
    const auto good = fileBytes(jet_tests::testFile("jet4-v2000-nopassword.mdb"));
    ASSERT_TRUE(headerOf(good));

    auto changed = [&](auto change) {
        auto bytes = good;
        change(bytes);
        return headerOf(bytes).has_value();
    };
    EXPECT_FALSE(changed([](auto& b) { b[4] = 'X'; })) << "signature";
    EXPECT_FALSE(changed([](auto& b) { b[0x14] = 2; })) << "an ACE version under the Jet signature";
    EXPECT_FALSE(changed([](auto& b) { b[0x14] = 9; })) << "unknown version";
    EXPECT_FALSE(changed([](auto& b) { b.resize(b.size() - 1); })) << "not a whole number of pages";
    EXPECT_FALSE(changed([](auto& b) { b.resize(2 * 4096); })) << "too few pages";
    EXPECT_FALSE(changed([](auto& b) { b.resize(100); })) << "shorter than a header";
    EXPECT_FALSE(changed([](auto& b) { b.clear(); })) << "empty";
    EXPECT_TRUE(changed([](auto& b) { b.resize(b.size() - 4096); })) << "one page less is still whole pages";
}

TEST(FileHeader, Jet3PasswordIsReadInTheWesternCodePage) {
    REQUIRE_TEST_FILE("jet3-v1997.mdb");
    // Put "Grüße" into the Jet 3 header as Access would: bytes at 0x42 under the header's RC4 stream.
    auto bytes = fileBytes(jet_tests::testFile("jet3-v1997.mdb"));
    const unsigned char plain[] = {'G', 'r', 0xFC, 0xDF, 'e', 0x80};
    // The stored bytes are zero, so the RC4 stream at 0x42 is what is stored there now.
    for (std::size_t i = 0; i < sizeof plain; ++i) bytes[0x42 + i] ^= plain[i];
    auto header = headerOf(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->password,
              "Gr\xC3\xBC\xC3\x9F"
              "e\xE2\x82\xAC");
}

TEST(FileHeader, Jet3PasswordIsReadInTheCodePageTheHeaderNames) {
    REQUIRE_TEST_FILE("jet3-v1997.mdb");
    auto bytes = fileBytes(jet_tests::testFile("jet3-v1997.mdb"));
    // Code page 1252 becomes 1251 (Cyrillic), and the password "Пароль" in it.
    bytes[0x3C] ^= 0xE4 ^ 0xE3;
    const unsigned char plain[] = {0xCF, 0xE0, 0xF0, 0xEE, 0xEB, 0xFC};
    for (std::size_t i = 0; i < sizeof plain; ++i) bytes[0x42 + i] ^= plain[i];
    auto header = headerOf(bytes);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->codePage, 1251);
    EXPECT_EQ(header->password, "Пароль");
    EXPECT_EQ(charsetOfCodePage(1251), "CP1251");
    EXPECT_EQ(charsetOfCodePage(0), "CP1252") << "an unknown code page reads as Western";
}

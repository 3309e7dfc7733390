#include <gtest/gtest.h>

#include "platform/jet/ConnectionString.h"

using platform::jet::ConnectionString;

namespace {

std::string valueOf(std::string_view text, std::string_view key) {
    auto parsed = ConnectionString::parse(text);
    if (!parsed) return "<malformed>";
    return parsed->value(key).value_or("<absent>");
}

}  // namespace

TEST(ConnectionString, ReadsWhatTheCatalogueBuilds) {
    const char* text =
        "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=/data/My Sales.mdb;JET OLEDB:Database Password=";
    EXPECT_EQ(valueOf(text, "Provider"), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(valueOf(text, "data source"), "/data/My Sales.mdb");
    EXPECT_EQ(valueOf(text, "Jet OLEDB:Database Password"), "") << "present and empty";
    EXPECT_EQ(valueOf(text, "User ID"), "<absent>");
}

TEST(ConnectionString, FollowsTheOleDbRulesForBlanksQuotesAndRepeats) {
    EXPECT_EQ(valueOf("  Data Source  =  /x/a b.mdb  ; ", "Data Source"), "/x/a b.mdb");
    EXPECT_EQ(valueOf("Password=\" a;b \"", "password"), " a;b ") << "quotes keep blanks and semicolons";
    EXPECT_EQ(valueOf("Password='it''s'", "Password"), "it's");
    EXPECT_EQ(valueOf("Password=\"say \"\"hi\"\"\";x=1", "Password"), "say \"hi\"");
    EXPECT_EQ(valueOf("Password=it's", "Password"), "it's") << "a quote inside an unquoted value is plain";
    EXPECT_EQ(valueOf("Password=a=b", "Password"), "a=b");
    EXPECT_EQ(valueOf("Key==Name=v", "key=name"), "v") << "\"==\" in a key is one \"=\"";
    EXPECT_EQ(valueOf("Provider=A;provider=B", "Provider"), "B") << "the last value wins";
    EXPECT_EQ(valueOf(";;Provider=A;;", "Provider"), "A");
    EXPECT_EQ(valueOf("", "Provider"), "<absent>");
}

TEST(ConnectionString, RefusesTextThatBreaksTheRules) {
    EXPECT_EQ(valueOf("Data Source=x;JET OLEDB:Database Password=a;b", "Data Source"), "<malformed>")
        << "an unquoted semicolon in a password leaves a pair without \"=\"";
    EXPECT_EQ(valueOf("=value", "x"), "<malformed>");
    EXPECT_EQ(valueOf("Password=\"open", "Password"), "<malformed>");
    EXPECT_EQ(valueOf("Password=\"a\"b", "Password"), "<malformed>");
}

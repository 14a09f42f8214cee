#include <gtest/gtest.h>

#include "rtl/IniFile.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

class IniFileTest : public ::testing::Test {
  protected:
    TIniFile Ini(std::string_view content) { return TIniFile(dir_.Write("test.ini", content)); }
    testing::TTempDir dir_;
};

TEST_F(IniFileTest, MatchesSectionsAndKeysWithoutRegardToCase) {
    const TIniFile ini = Ini("[db]\nMAIN=a.db\n[Import]\nPfad=/in/\n");
    EXPECT_EQ(ini.ReadString("DB", "Main", "-"), "a.db");
    EXPECT_EQ(ini.ReadString("import", "pfad", "-"), "/in/");
    EXPECT_EQ(ini.ReadString("Import", "Main", "-"), "-");
    EXPECT_EQ(ini.ReadString("Other", "Main", "-"), "-");
}

TEST_F(IniFileTest, TrimsBlanksAndRemovesOnePairOfQuotes) {
    const TIniFile ini =
        Ini("[DB]\n"
            "  Main  =   \"D:/x y.mdb\"   \r\n"
            "Pass='geheim'\n"
            "A=\"\"doppelt\"\"\n"
            "B=\"ungleich'\n"
            "C=\"  innen  \"\n"
            "D=\"\n");
    EXPECT_EQ(ini.ReadString("DB", "Main", ""), "D:/x y.mdb");
    EXPECT_EQ(ini.ReadString("DB", "Pass", ""), "geheim");
    EXPECT_EQ(ini.ReadString("DB", "A", ""), "\"doppelt\"");
    EXPECT_EQ(ini.ReadString("DB", "B", ""), "\"ungleich'");
    EXPECT_EQ(ini.ReadString("DB", "C", ""), "  innen  ");
    EXPECT_EQ(ini.ReadString("DB", "D", ""), "\"");
}

TEST_F(IniFileTest, TakesAtMost2047Characters) {
    const std::string longValue(3000, 'x');
    const TIniFile ini =
        Ini("[S]\nK=" + longValue + "\nU=" + std::string(2046, 'a') + "\xC3\xBC\xC3\xBC\n");
    EXPECT_EQ(ini.ReadString("S", "K", "").size(), 2047u);
    // Cut after whole characters, never inside one.
    EXPECT_EQ(ini.ReadString("S", "U", ""), std::string(2046, 'a') + "\xC3\xBC");
}

TEST_F(IniFileTest, FirstOccurrenceOfAKeyCounts) {
    const TIniFile ini = Ini("[S]\nK=first\nk=second\n[s]\nK=third\nL=later\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "first");
    EXPECT_EQ(ini.ReadString("S", "L", ""), "later");
}

TEST_F(IniFileTest, IgnoresLinesOutsideSectionsAndWithoutEquals) {
    const TIniFile ini = Ini("K=outside\n[S]\njust text\n;K=comment\nK=inside\n");
    EXPECT_EQ(ini.ReadString("S", "K", ""), "inside");
    EXPECT_EQ(ini.ReadString("S", "just text", "-"), "-");
}

TEST_F(IniFileTest, ReadsDecimalAndHexadecimalIntegers) {
    const TIniFile ini =
        Ini("[I]\nhex=0x5\nHEX=0X10\ndollar=$1F\nneg=-12\nplus=+7\nword=five\nempty=\n"
            "tail=12abc\nbig=2147483648\nmin=-2147483648\nall=0xFFFFFFFF\nquoted=\"42\"\n");
    EXPECT_EQ(ini.ReadInteger("I", "hex", 0), 5);
    EXPECT_EQ(ini.ReadInteger("I", "HEX", 0), 5);  // the first of the two counts
    EXPECT_EQ(ini.ReadInteger("I", "dollar", 0), 31);
    EXPECT_EQ(ini.ReadInteger("I", "neg", 0), -12);
    EXPECT_EQ(ini.ReadInteger("I", "plus", 0), 7);
    EXPECT_EQ(ini.ReadInteger("I", "word", 3), 3);
    EXPECT_EQ(ini.ReadInteger("I", "empty", 3), 3);
    EXPECT_EQ(ini.ReadInteger("I", "tail", 3), 3);
    EXPECT_EQ(ini.ReadInteger("I", "big", 3), 3);
    EXPECT_EQ(ini.ReadInteger("I", "min", 3), -2147483647 - 1);
    EXPECT_EQ(ini.ReadInteger("I", "all", 3), -1);
    EXPECT_EQ(ini.ReadInteger("I", "quoted", 3), 42);
    EXPECT_EQ(ini.ReadInteger("I", "missing", 9), 9);
    EXPECT_EQ(ParseProfileInteger("0x10"), 16);
    EXPECT_EQ(ParseProfileInteger("0X10"), 16);
    EXPECT_EQ(ParseProfileInteger("-$A"), -10);
    EXPECT_FALSE(ParseProfileInteger("0x"));
    EXPECT_FALSE(ParseProfileInteger("$"));
    EXPECT_FALSE(ParseProfileInteger("0x1G"));
}

TEST_F(IniFileTest, ReadsWindows1252Files) {
    const TIniFile ini = Ini("[Import]\npfad=/daten/M\xFCller/\n");
    EXPECT_EQ(ini.ReadString("Import", "pfad", ""), "/daten/M\xC3\xBCller/");
}
TEST_F(IniFileTest, ListsSectionsAndKeysInFileOrder) {
    const TIniFile ini = Ini("[Zwei]\nb=1\na=2\n[eins]\nx=3\n[ZWEI]\nc=4\n");
    EXPECT_EQ(ini.Sections(), (std::vector<std::string>{"Zwei", "eins"}));
    EXPECT_EQ(ini.Keys("zwei"), (std::vector<std::string>{"b", "a", "c"}));
    EXPECT_TRUE(ini.Keys("drei").empty());
}

}  // namespace
}  // namespace zalvert

#include <gtest/gtest.h>

#include "config/Settings.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

class SettingsTest : public ::testing::Test {
  protected:
    testing::TTempDir dir_;
};

TEST_F(SettingsTest, ReadsTheSixSettings) {
    const std::string path =
        dir_.Write("zalvert.ini",
                   "[DB]\nMain=  \"/data/zalvert.db\"  \nPass=pw\n"
                   "[Import]\nmaxspalte=0x5\npfad=/in/\narchiv=/archiv/\next=*.csv\n");
    const TSettings s = ReadSettings(path);
    EXPECT_EQ(s.Main, "/data/zalvert.db");
    EXPECT_EQ(s.Pass, "pw");
    EXPECT_EQ(s.maxspalte, 5);
    EXPECT_EQ(s.pfad, "/in/");
    EXPECT_EQ(s.archiv, "/archiv/");
    EXPECT_EQ(s.ext, "*.csv");
}

TEST_F(SettingsTest, MissingFileGivesEveryDefault) {
    const TSettings s = ReadSettings(dir_.Path() + "none.ini");
    EXPECT_EQ(s.Main, "");
    EXPECT_EQ(s.Pass, "");
    EXPECT_EQ(s.maxspalte, 0);
    EXPECT_EQ(s.pfad, "");
    EXPECT_EQ(s.archiv, "");
    EXPECT_EQ(s.ext, "");
    EXPECT_EQ(ReadSettings(dir_.Write("bad.ini", "[Import]\nmaxspalte=five\n")).maxspalte, 0);
}

TEST(SettingsFile, IsNamedAfterTheExecutable) {
    EXPECT_EQ(IniPathForExecutable("/opt/zi/zalvert-importer"), "/opt/zi/zalvert-importer.ini");
    EXPECT_EQ(IniPathForExecutable("/opt/zi/import.exe"), "/opt/zi/import.ini");
    EXPECT_EQ(IniPathForExecutable("/opt/v1.2/import"), "/opt/v1.2/import.ini");
}

}  // namespace
}  // namespace zalvert

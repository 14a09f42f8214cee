#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "import/Archive.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

namespace fs = std::filesystem;

TEST(TimeStampedPath, PutsTheTimeBetweenNameAndExtension) {
    const TSystemTime march{2018, 3, 5, 14, 7, 9, 0};
    EXPECT_EQ(TimeStampedPath("/import/touren.csv", march), "/import/touren-20180305-14_07_09.csv");
    EXPECT_EQ(TimeStampedPath("/import/touren", march), "/import/touren-20180305-14_07_09");
    EXPECT_EQ(TimeStampedPath("/a.csv/touren.csv", march), "/a.csv/touren-20180305-14_07_09.csv");
    EXPECT_EQ(TimeStampedPath("/a.csv/touren", march), "/a.csv/touren-20180305-14_07_09");
    EXPECT_EQ(TimeStampedPath("/i/t.x.csv", {2019, 1, 9, 8, 5, 3, 0}),
              "/i/t.x-20190109-08_05_03.csv");
}

class ArchiveTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetClockForTesting(TSystemTime{2018, 3, 5, 14, 7, 9, 0});
        fs::create_directories(dir_.Path() + "import");
        fs::create_directories(dir_.Path() + "archiv");
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
};

TEST_F(ArchiveTest, MovesTheFileIntoTheArchiveUnderItsNewName) {
    const std::string file = dir_.Write("import/touren.csv", "Inhalt");
    ArchiveFile(file, dir_.Path() + "archiv/", ui_);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(fs::exists(dir_.Path() + "import/touren-20180305-14_07_09.csv"));
    EXPECT_TRUE(fs::exists(dir_.Path() + "archiv/touren-20180305-14_07_09.csv"));
    EXPECT_TRUE(ui_.Messages.empty());
    // A second run finds the file gone and does nothing.
    ArchiveFile(file, dir_.Path() + "archiv/", ui_);
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ArchiveTest, KeepsTheRenamedFileWhenTheArchiveNameIsTaken) {
    dir_.Write("archiv/touren-20180305-14_07_09.csv", "älter");
    const std::string file = dir_.Write("import/touren.csv", "neu");
    ArchiveFile(file, dir_.Path() + "archiv/", ui_);
    EXPECT_TRUE(fs::exists(dir_.Path() + "import/touren-20180305-14_07_09.csv"));
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("touren-20180305-14_07_09.csv"), std::string::npos);
    EXPECT_NE(ui_.Messages[0].find("schon im Archiv"), std::string::npos);
}

TEST_F(ArchiveTest, KeepsTheRenamedFileWhenTheArchiveFolderIsMissing) {
    const std::string file = dir_.Write("import/touren.csv", "neu");
    ArchiveFile(file, dir_.Path() + "fehlt/", ui_);
    EXPECT_TRUE(fs::exists(dir_.Path() + "import/touren-20180305-14_07_09.csv"));
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("Archivordner nicht gefunden"), std::string::npos);
}

TEST_F(ArchiveTest, NeverRenamesOverAnotherFile) {
    dir_.Write("import/touren-20180305-14_07_09.csv", "da");
    const std::string file = dir_.Write("import/touren.csv", "neu");
    ArchiveFile(file, dir_.Path() + "archiv/", ui_);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_TRUE(fs::is_empty(dir_.Path() + "archiv"));
}

TEST_F(ArchiveTest, AnEmptyArchiveSettingMeansTheCurrentFolder) {
    const std::string file = dir_.Write("import/touren", "ohne Endung");
    const fs::path before = fs::current_path();
    fs::current_path(dir_.Path());
    ArchiveFile(file, "", ui_);
    fs::current_path(before);
    EXPECT_TRUE(fs::exists(dir_.Path() + "touren-20180305-14_07_09"));
    EXPECT_FALSE(fs::exists(file));
}

}  // namespace
}  // namespace zalvert

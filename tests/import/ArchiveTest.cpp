#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <filesystem>

#include "import/Archive.h"
#include "import/DurableCopy.h"
#include "import/StepProbe.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/SmallFileSystem.h"
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

// Two files of one name within a second, or another program's copy: the next free
// number is used, and nothing is replaced.
TEST_F(ArchiveTest, MovesOnToTheNextFreeNameWhenTheArchiveNameIsTaken) {
    dir_.Write("archiv/touren-20180305-14_07_09.csv", "älter");
    dir_.Write("archiv/touren-20180305-14_07_09-2.csv", "auch älter");
    const std::string file = dir_.Write("import/touren.csv", "neu");
    EXPECT_EQ(ArchiveFile(file, dir_.Path() + "archiv/", ui_), "touren-20180305-14_07_09-3.csv");
    EXPECT_TRUE(fs::is_empty(dir_.Path() + "import"));
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20180305-14_07_09.csv"), "älter");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20180305-14_07_09-2.csv"),
              "auch älter");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20180305-14_07_09-3.csv"), "neu");
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_EQ(FreeArchivePath(dir_.Path() + "import/touren-20180305-14_07_09.csv",
                              dir_.Path() + "archiv/"),
              dir_.Path() + "import/touren-20180305-14_07_09-4.csv");
    EXPECT_EQ(NumberedPath("/a.b/touren", 2), "/a.b/touren-2");
    EXPECT_TRUE(IsNumberedName("touren-20180305-14_07_09-12.csv", "touren-20180305-14_07_09.csv"));
    EXPECT_TRUE(IsNumberedName("touren-20180305-14_07_09.csv", "touren-20180305-14_07_09.csv"));
    EXPECT_FALSE(IsNumberedName("touren-20180305-14_07_09-.csv", "touren-20180305-14_07_09.csv"));
    EXPECT_FALSE(IsNumberedName("touren-20180305-14_07_09-x.csv", "touren-20180305-14_07_09.csv"));
    EXPECT_FALSE(IsNumberedName("touren.csv", "touren-20180305-14_07_09.csv"));
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
    EXPECT_EQ(ArchiveFile(file, dir_.Path() + "archiv/", ui_), "touren-20180305-14_07_09-2.csv");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "import/touren-20180305-14_07_09.csv"), "da");
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/touren-20180305-14_07_09-2.csv"), "neu");
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

// Copied whole: by the kernel within a file system, through a buffer where it
// refuses (from memory-backed /dev/shm to the test folder's file system).
TEST_F(ArchiveTest, CopiesWholeWithinAndAcrossFileSystems) {
    std::string content;
    for (int i = 0; content.size() < (5u << 20) + 123; ++i)
        content += std::to_string(i * 7919) + ";Empfänger " + std::to_string(i) + "\n";
    const std::string local = dir_.Write("import/touren.csv", content);
    ASSERT_EQ(CopyDurably(local, dir_.Path() + "archiv/hier.csv"), 0);
    EXPECT_EQ(testing::ReadFile(dir_.Path() + "archiv/hier.csv"), content);
    const std::string shm = "/dev/shm/zalvert-archiv-" + std::to_string(::getpid()) + ".csv";
    if (!fs::is_directory("/dev/shm")) GTEST_SKIP() << "no /dev/shm here";
    fs::copy_file(local, shm);
    const int copied = CopyDurably(shm, dir_.Path() + "archiv/von-shm.csv");
    fs::remove(shm);
    ASSERT_EQ(copied, 0);
    EXPECT_TRUE(SameContent(local, dir_.Path() + "archiv/von-shm.csv"));
    EXPECT_FALSE(fs::exists(dir_.Path() + "archiv/von-shm.csv.teil"));
}

// Makes the archiving's next write at `step` fail with `error`, as a full disk would.
class TFailAt {
  public:
    TFailAt(TImportStep step, int error) {
        SetStepProbe([=](TImportStep current) { return current == step ? error : 0; });
    }
    ~TFailAt() { SetStepProbe({}); }
};

std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(ArchiveTest, ACopyFailingHalfWayLeavesNoPartialFileAndSaysWhy) {
    const std::string file = dir_.Write("import/touren.csv", std::string(3 << 20, 'x'));
    int chunks = 0;
    SetStepProbe([&](TImportStep step) {
        return step == TImportStep::Copying && ++chunks == 2 ? ENOSPC : 0;
    });
    EXPECT_FALSE(ArchiveFile(file, dir_.Path() + "archiv/", ui_));
    SetStepProbe({});
    EXPECT_EQ(chunks, 2);
    EXPECT_TRUE(fs::is_empty(dir_.Path() + "archiv"));
    EXPECT_EQ(Names(dir_.Path() + "import"),
              (std::vector<std::string>{"touren-20180305-14_07_09.csv"}));
    EXPECT_EQ(ui_.Messages,
              (std::vector<std::string>{
                  "Die Datei \"" + dir_.Path() +
                  "import/touren-20180305-14_07_09.csv\" konnte nicht nach \"" + dir_.Path() +
                  "archiv/touren-20180305-14_07_09.csv\" archiviert werden: Der Datenträger ist "
                  "voll. Sie bleibt im Importordner."}));
}

// A real full disk where the machine lets a test mount a small file system.
TEST_F(ArchiveTest, AFullArchiveDiskLeavesNoPartialFile) {
    const std::string small = dir_.Path() + "klein/";
    const testing::TSmallFileSystem disk(small, "256k");
    if (!disk.Mounted()) GTEST_SKIP() << "no small file system can be mounted here";
    const std::string file = dir_.Write("import/touren.csv", std::string(1 << 20, 'x'));
    EXPECT_FALSE(ArchiveFile(file, small, ui_));
    EXPECT_TRUE(fs::is_empty(small));
    EXPECT_TRUE(fs::exists(dir_.Path() + "import/touren-20180305-14_07_09.csv"));
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("Der Datenträger ist voll"), std::string::npos);
}

TEST_F(ArchiveTest, AnIdenticalCopyLeftByAnInterruptedArchivingCountsAsDone) {
    dir_.Write("archiv/touren-20180305-14_07_09.csv", "Inhalt");
    // A temporary copy left by a stopped run goes too.
    dir_.Write("archiv/touren-20180305-14_07_09.csv.teil", "Inh");
    const std::string renamed = dir_.Write("import/touren-20180305-14_07_09.csv", "Inhalt");
    EXPECT_TRUE(ArchiveFile(renamed, renamed, dir_.Path() + "archiv/", ui_));
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(fs::is_empty(dir_.Path() + "import"));
    // The same bytes dropped into the import folder again go the same way.
    dir_.Write("import/touren.csv", "Inhalt");
    EXPECT_TRUE(ArchiveFile(dir_.Path() + "import/touren.csv", dir_.Path() + "archiv/", ui_));
    EXPECT_EQ(Names(dir_.Path() + "archiv"),
              (std::vector<std::string>{"touren-20180305-14_07_09.csv"}));
}

TEST_F(ArchiveTest, ReportsARenameOrDeleteThatFailsAndKeepsTheFile) {
    const std::string file = dir_.Write("import/touren.csv", "neu");
    {
        TFailAt fail(TImportStep::BeforeRename, EACCES);
        EXPECT_FALSE(ArchiveFile(file, dir_.Path() + "archiv/", ui_));
    }
    EXPECT_TRUE(fs::exists(file));
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_EQ(ui_.Messages[0], "Die Datei \"" + file + "\" konnte nicht in \"" + dir_.Path() +
                                   "import/touren-20180305-14_07_09.csv\" umbenannt werden: "
                                   "Dateizugriff verweigert. Sie bleibt im Importordner.");
    {
        TFailAt fail(TImportStep::BeforeDelete, EROFS);
        EXPECT_FALSE(ArchiveFile(file, dir_.Path() + "archiv/", ui_));
    }
    ASSERT_EQ(ui_.Messages.size(), 2u);
    EXPECT_NE(ui_.Messages[1].find("ist archiviert, konnte aber nicht aus dem Importordner "
                                   "gelöscht werden: Der Datenträger ist schreibgeschützt."),
              std::string::npos);
    // Both names hold the file now; the next archiving finds its copy and finishes.
    EXPECT_TRUE(fs::exists(dir_.Path() + "archiv/touren-20180305-14_07_09.csv"));
    const std::string renamed = dir_.Path() + "import/touren-20180305-14_07_09.csv";
    EXPECT_TRUE(ArchiveFile(renamed, renamed, dir_.Path() + "archiv/", ui_));
    EXPECT_TRUE(fs::is_empty(dir_.Path() + "import"));
}

}  // namespace
}  // namespace zalvert

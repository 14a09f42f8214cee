#include <gtest/gtest.h>

#include <filesystem>

#include "import/FileClaim.h"
#include "import/FolderScan.h"
#include "import/Importer.h"
#include "rtl/Exceptions.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

TEST(MatchesMask, MatchesWildcardsWithoutRegardToCase) {
    EXPECT_TRUE(MatchesMask("touren.csv", "*.csv"));
    EXPECT_TRUE(MatchesMask("TOUREN.CSV", "*.csv"));
    EXPECT_TRUE(MatchesMask("t1.csv", "t?.csv"));
    EXPECT_FALSE(MatchesMask("t12.csv", "t?.csv"));
    EXPECT_FALSE(MatchesMask("touren.csv.bak", "*.csv"));
    EXPECT_FALSE(MatchesMask("touren.txt", "*.csv"));
    EXPECT_TRUE(MatchesMask("a.b.csv", "*.*.csv"));
    EXPECT_TRUE(MatchesMask("abcabd", "*ab?"));
    EXPECT_TRUE(MatchesMask("M\xC3\x9CLLER.csv", "m\xC3\xBCller*"));
    EXPECT_TRUE(MatchesMask("\xC3\xA4.csv", "?.csv"));  // ? is one character, not one byte
    EXPECT_FALSE(MatchesMask("", "?"));
    EXPECT_TRUE(MatchesMask("", "*"));
}

TEST(MatchesMask, StarDotStarAlsoMatchesNamesWithoutExtension) {
    EXPECT_TRUE(MatchesMask("touren", "*.*"));
    EXPECT_TRUE(MatchesMask("touren.csv", "*.*"));
    EXPECT_TRUE(MatchesMask("touren", "tour*.*"));
    EXPECT_FALSE(MatchesMask("touren", "*.csv"));
}

using Names = std::vector<std::string>;

TEST(FindAllMatches, TakesMatchingNamesOfEveryKindInByteOrder) {
    testing::TTempDir dir;
    dir.Write("b.csv", "");
    dir.Write("c.CSV", "");
    dir.Write("a.txt", "");
    EXPECT_EQ(FindAllMatches(dir.Path() + "*.csv"), (Names{"b.csv", "c.CSV"}));
    dir.Write(".versteckt.csv", "");
    EXPECT_EQ(FindAllMatches(dir.Path() + "*.csv"), (Names{".versteckt.csv", "b.csv", "c.CSV"}));
    std::filesystem::create_directory(dir.Path() + "+ordner.csv");
    EXPECT_EQ(FindAllMatches(dir.Path() + "*.csv"),
              (Names{"+ordner.csv", ".versteckt.csv", "b.csv", "c.CSV"}));
}

TEST(FindAllMatches, FindsNothingWithoutMatchFolderOrMask) {
    testing::TTempDir dir;
    dir.Write("a.txt", "");
    EXPECT_TRUE(FindAllMatches(dir.Path() + "*.csv").empty());
    EXPECT_TRUE(FindAllMatches(dir.Path()).empty());
    EXPECT_TRUE(FindAllMatches("").empty());
}

TEST(FindAllMatches, RaisesAnErrorNamingAFolderItCannotRead) {
    testing::TTempDir dir;
    dir.Write("datei", "");
    for (const std::string& folder : {dir.Path() + "fehlt/", dir.Path() + "datei/"}) {
        try {
            FindAllMatches(folder + "*.csv");
            ADD_FAILURE() << "no error for " << folder;
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.Message(), "Der Importordner \"" + folder +
                                       "\" kann nicht gelesen werden: Ordner nicht gefunden.");
        }
    }
}

TEST(FindAllMatches, FolderWithoutTrailingSeparatorMatchesNamesInItsParent) {
    testing::TTempDir dir;
    std::filesystem::create_directory(dir.Path() + "in");
    dir.Write("in/drinnen.csv", "");
    dir.Write("in_daneben.csv", "");
    EXPECT_EQ(FindAllMatches(dir.Path() + "in" + "*.csv"), (Names{"in_daneben.csv"}));
}

TEST(ScanImportFolder, ReadsTheFirstWaitingFile) {
    testing::TTempDir dir;
    dir.Write("2.csv", "zweite;x;1.1.2018;2.1.2018;T2\n");
    dir.Write("1.csv", "erste;x;1.1.2018;2.1.2018;T1\n");
    TSettings settings;
    settings.maxspalte = 5;
    settings.pfad = dir.Path();
    settings.ext = "*.csv";
    testing::TRecordingInteraction ui;
    TImporter importer(settings, ui);
    importer.ScanImportFolder();
    EXPECT_EQ(importer.CurrentFile(), dir.Path() + "1.csv");
    EXPECT_EQ(importer.Gitter().Cells(0, 1), "erste");
}

TEST(ScanImportFolder, DoesNothingWhenNoFileWaits) {
    testing::TTempDir dir;
    TSettings settings;
    settings.pfad = dir.Path();
    settings.ext = "*.csv";
    testing::TRecordingInteraction ui;
    TImporter importer(settings, ui);
    importer.ScanImportFolder();
    EXPECT_EQ(importer.CurrentFile(), "");
    EXPECT_EQ(importer.Gitter().RowCount(), 2);
    EXPECT_EQ(importer.Gitter().Cells(0, 0), "");
}

TEST(FileClaim, IsHeldByOneAtATimeAndLetGoWithIt) {
    testing::TTempDir dir;
    const std::string path = dir.Write("a.csv", "x\n");
    {
        const TFileClaim first(path);
        EXPECT_TRUE(first.Held());
        EXPECT_FALSE(TFileClaim(path).Held());
        // Renamed, the file stays claimed.
        std::filesystem::rename(path, dir.Path() + "b.csv");
        EXPECT_FALSE(TFileClaim(dir.Path() + "b.csv").Held());
    }
    EXPECT_TRUE(TFileClaim(dir.Path() + "b.csv").Held());
    EXPECT_FALSE(TFileClaim(dir.Path() + "fehlt.csv").Held());
    // A folder is taken, for its import to tell why it cannot be read.
    std::filesystem::create_directory(dir.Path() + "ordner.csv");
    EXPECT_TRUE(TFileClaim(dir.Path() + "ordner.csv").Held());
}

TEST(FindAllMatches, ListsEveryMatchInNameOrder) {
    testing::TTempDir dir;
    for (const char* name : {"c.csv", "a.CSV", "b.txt", "B.csv"}) dir.Write(name, "");
    EXPECT_EQ(FindAllMatches(dir.Path() + "*.csv"), (Names{"B.csv", "a.CSV", "c.csv"}));
}

}  // namespace
}  // namespace zalvert

#include <gtest/gtest.h>

#include <QCryptographicHash>

#include <string>
#include <vector>

#include "import/Importer.h"
#include "rtl/Exceptions.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using Row = std::vector<std::string>;

class LoadFileTest : public ::testing::Test {
  protected:
    void Load(std::string_view content, int maxspalte = 5) {
        settings_.maxspalte = maxspalte;
        importer_.LoadFile(dir_.Write("touren.csv", content));
    }
    Row RowAt(int row, int columns = 6) const {
        Row cells;
        for (int col = 0; col < columns; ++col)
            cells.emplace_back(importer_.Gitter().Cells(col, row));
        return cells;
    }
    int Rows() const { return importer_.Gitter().RowCount(); }

    testing::TTempDir dir_;
    TSettings settings_;
    testing::TRecordingInteraction ui_;
    TImporter importer_{settings_, ui_};
};

TEST_F(LoadFileTest, WritesTitlesAndOneRowPerLine) {
    Load("Alpha GmbH;Beta;01.02.2018;03.02.2018;T17\nGamma;Delta;1.3.2018;2.3.2018;T2\n");
    EXPECT_EQ(RowAt(0), (Row{"Rec Von", "Rec An", "Datum Von", "Datum Bis", "Tour", "Fehler"}));
    EXPECT_EQ(RowAt(1), (Row{"Alpha GmbH", "Beta", "01.02.2018", "03.02.2018", "T17", ""}));
    EXPECT_EQ(RowAt(2), (Row{"Gamma", "Delta", "1.3.2018", "2.3.2018", "T2", ""}));
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(importer_.CurrentFile(), dir_.Path() + "touren.csv");
    EXPECT_TRUE(ui_.Informations.empty());
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(LoadFileTest, DropsLinesWithFewerThanMaxspalteFields) {
    Load("Alpha GmbH;Beta;01.02.2018\nA;B;1.1.2018;2.1.2018;T1\nshort\n");
    EXPECT_EQ(Rows(), 2);
    EXPECT_EQ(RowAt(1), (Row{"A", "B", "1.1.2018", "2.1.2018", "T1", ""}));
}

TEST_F(LoadFileTest, TakesAtMostMaxspaltePlusOneFields) {
    Load("a;b;c;d;e;f;g\n", 4);
    EXPECT_EQ(RowAt(1, 7), (Row{"a", "b", "c", "d", "e", "", ""}));
    Load("a;b;c;d;e;f;g\n", 5);
    EXPECT_EQ(RowAt(1, 7), (Row{"a", "b", "c", "d", "e", "f", ""}));
    Load("a;b;c;d;e;f;g;h\n", 7);
    EXPECT_EQ(RowAt(1, 8), (Row{"a", "b", "c", "d", "e", "f", "g", "h"}));
}

TEST_F(LoadFileTest, MaxspalteZeroKeepsFirstFieldsAndEmptyLines) {
    Load("a;b\n\nc\n", 0);
    EXPECT_EQ(Rows(), 4);
    EXPECT_EQ(RowAt(1, 2), (Row{"a", ""}));
    EXPECT_EQ(RowAt(2, 1), (Row{""}));
    EXPECT_EQ(RowAt(3, 1), (Row{"c"}));
    Load("a;b\n\nc;d\n", 1);
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(RowAt(2, 2), (Row{"c", "d"}));
}

TEST_F(LoadFileTest, TrailingSeparatorsGiveNoEmptyLastField) {
    Load("a;b;\nc;;\n", 3);
    // "a;b;" has two fields only, "c;;" two as well (c and an empty one): both dropped.
    EXPECT_EQ(Rows(), 1);
    Load("a;b;\nc;;\n", 2);
    EXPECT_EQ(RowAt(1, 3), (Row{"a", "b", ""}));
    EXPECT_EQ(RowAt(2, 3), (Row{"c", "", ""}));
}

TEST_F(LoadFileTest, ReadsQuotedFields) {
    Load("\"Alpha; Beta\";x;\"1.1.2018\";2.1.2018;\"T 1\"\n");
    EXPECT_EQ(RowAt(1), (Row{"Alpha; Beta", "x", "1.1.2018", "2.1.2018", "T 1", ""}));
}

TEST_F(LoadFileTest, HandlesLineEndsAndCtrlZ) {
    Load("a;b;c;d;e\r\nf;g;h;i;j\r\n\x1Ak;l;m;n;o\r\n");
    EXPECT_EQ(Rows(), 3);
    EXPECT_EQ(RowAt(2, 5), (Row{"f", "g", "h", "i", "j"}));
    Load("a;b;c;d;e");
    EXPECT_EQ(Rows(), 2);
}

TEST_F(LoadFileTest, BringsUmlautsFromBothEncodings) {
    Load(
        "M\xFCller;Stra\xDF"
        "e;1.1.2018;2.1.2018;T1\n");
    EXPECT_EQ(RowAt(1, 2), (Row{"M\xC3\xBCller",
                                "Stra\xC3\x9F"
                                "e"}));
    Load("\xEF\xBB\xBFM\xC3\xBCller;\xC3\x84;1.1.2018;2.1.2018;T1\n");
    EXPECT_EQ(RowAt(1, 2), (Row{"M\xC3\xBCller", "\xC3\x84"}));
}

TEST_F(LoadFileTest, KeepsCellsThatTheNewFileDoesNotWrite) {
    Load("a;b;1.1.2018;2.1.2018;T1;alt\nc;d;1.1.2018;2.1.2018;T2;alt2\n");
    importer_.Gitter().SetCells(5, 1, "falsche Firma");
    Load("x;y;1.1.2018;2.1.2018;T9\n");
    EXPECT_EQ(RowAt(1), (Row{"x", "y", "1.1.2018", "2.1.2018", "T9", "falsche Firma"}));
    EXPECT_EQ(Rows(), 2);
    // The longer earlier file's second row is kept, only not shown.
    EXPECT_EQ(importer_.Gitter().Cells(0, 2), "c");
}

TEST_F(LoadFileTest, EmptyFileLeavesTheTitleRowAlone) {
    Load("");
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(RowAt(0)[0], "Rec Von");
    EXPECT_TRUE(ui_.Informations.empty());
}

TEST_F(LoadFileTest, AsksForTheImportYearWhenADateLacksIt) {
    Load("a;b;24.12.;25.12.2018;T1\n");
    EXPECT_EQ(ui_.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
    ui_.Informations.clear();
    Load("a;b;24.12.2018;25.12.;T1\n");
    EXPECT_EQ(ui_.Informations.size(), 1u);
    ui_.Informations.clear();
    // Five characters, or six without the full stop last: not a date without year.
    Load("a;b;4.12.;24.12.18;T1\nc;d;1.2.18;x24.12;T2\n");
    EXPECT_TRUE(ui_.Informations.empty());
    // Six characters, counted as characters and not as bytes.
    Load("a;b;\xC3\xA4\xC3\xB6.12.;1.1.2018;T1\n");
    EXPECT_EQ(ui_.Informations.size(), 1u);
}

TEST_F(LoadFileTest, OnlyShownRowsCountForTheYearCheck) {
    Load("c;d;1.1.2018;2.1.2018;T2\na;b;24.12.;25.12.2018;T1\n");
    ui_.Informations.clear();
    Load("c;d;1.1.2018;2.1.2018;T2\n");
    EXPECT_EQ(importer_.Gitter().Cells(2, 1), "1.1.2018");
    EXPECT_TRUE(ui_.Informations.empty());
}

TEST_F(LoadFileTest, HashesEveryByteOfTheFileItRead) {
    Load("abc");
    EXPECT_EQ(importer_.FileHash(),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // Many pieces, a byte-order mark and carriage returns, all hashed as they are.
    std::string content = "\xEF\xBB\xBF";
    for (int i = 0; i < 40000; ++i)
        content += "Firma " + std::to_string(i) + ";An;1.1.2018;2.1.2018;T\r\n";
    Load(content);
    const QByteArray whole = QCryptographicHash::hash(
        QByteArrayView(content.data(), static_cast<qsizetype>(content.size())),
        QCryptographicHash::Sha256);
    EXPECT_EQ(importer_.FileHash(), whole.toHex().toStdString());
    EXPECT_EQ(Rows(), 40001);
}

TEST_F(LoadFileTest, MissingFileRaisesAndKeepsTheGrid) {
    Load("a;b;1.1.2018;2.1.2018;T1\n");
    const std::string missing = dir_.Path() + "fehlt.csv";
    try {
        importer_.LoadFile(missing);
        FAIL() << "no error raised";
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(),
                  "Die Datei \"" + missing + "\" kann nicht gelesen werden: Datei nicht gefunden.");
    }
    EXPECT_EQ(importer_.CurrentFile(), missing);
    EXPECT_EQ(RowAt(1, 1), (Row{"a"}));
    EXPECT_EQ(Rows(), 2);
}

}  // namespace
}  // namespace zalvert

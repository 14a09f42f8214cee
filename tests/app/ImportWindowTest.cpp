#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

#include "data/Daten.h"
#include "data/Schema.h"
#include "import/Import.h"
#include "import/ImportRun.h"
#include "import/StepProbe.h"
#include "rtl/DateTime.h"
#include "tests/app/AnswerWithEnter.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"
#include "tests/support/VectorRegisters.h"
#include "widgets/UpDown.h"

namespace zalvert {
namespace {

class ImportWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { SetClockForTesting(TSystemTime{2026, 12, 8, 9, 0, 0, 0}); }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    std::unique_ptr<Tfimport> Create() {
        CreateZalvertDatabase(dir_.Path() + "zalvert.db", {"Alpha", "Gamma"});
        std::filesystem::create_directory(dir_.Path() + "archiv");
        std::filesystem::create_directory(dir_.Path() + "leer");
        const std::string ini =
            dir_.Write("z.ini", "[DB]\nMain=" + dir_.Path() +
                                    "zalvert.db\n[Import]\nmaxspalte=5\npfad=" + dir_.Path() +
                                    "leer/\next=*.csv\narchiv=" + dir_.Path() + "archiv/\n");
        data_ = std::make_unique<TData>(ui_, ini);
        return std::make_unique<Tfimport>(*data_, ui_, [this] { ++terminated_; });
    }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
    std::unique_ptr<TData> data_;
    int terminated_ = 0;
};

TEST_F(ImportWindowTest, IsLaidOutAsDesigned) {
    auto window = Create();
    EXPECT_EQ(window->windowTitle(), "Import");
    EXPECT_EQ(window->btopen()->text(), "Öffnen");
    EXPECT_EQ(window->btdb()->text(), "Importieren");
    EXPECT_EQ(window->ToolButton3()->text(), "Beenden");
    for (QToolButton* button : {window->btopen(), window->btdb(), window->ToolButton3()}) {
        EXPECT_EQ(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        EXPECT_FALSE(button->icon().isNull());
    }
    EXPECT_EQ(window->findChild<QToolBar*>("ToolBar1")->height(), 29);
    EXPECT_EQ(window->findChild<QWidget*>("Panel2")->size(), QSize(88, 22));
    EXPECT_EQ(window->findChild<QWidget*>("Panel1")->size(), QSize(676, 22));
    EXPECT_EQ(window->Importjahr()->width(), 35);
    EXPECT_EQ(window->Progress()->geometry(), QRect(5, 5, 220, 16));
    EXPECT_EQ(window->Progress()->minimum(), 0);
    EXPECT_EQ(window->Progress()->maximum(), 100);
    EXPECT_EQ(window->Anzahl_import()->text(), "0 Datensätze importiert");
    EXPECT_EQ(window->Anzahl_import()->x(), 235);
    EXPECT_EQ(window->ID()->text(), "ID");
    EXPECT_EQ(window->ID()->x(), 640);

    QTableView* grid = window->Gitter();
    EXPECT_EQ(grid->model()->columnCount(), 6);
    EXPECT_EQ(grid->model()->rowCount(), 1);  // the design's one empty row
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "");
    EXPECT_EQ(grid->columnWidth(0), 150);
    EXPECT_EQ(grid->rowHeight(0), 18);
    EXPECT_EQ(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(grid->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(ImportWindowTest, YearStartsAtTheCurrentYearAndStepsWithinItsRange) {
    auto window = Create();
    TUpDown* updown = window->importjahr1();
    EXPECT_EQ(updown->Min(), 2018);
    EXPECT_EQ(updown->Max(), 2200);
    EXPECT_EQ(window->Importjahr()->text(), "2026");
    updown->StepUp();
    EXPECT_EQ(window->Importjahr()->text(), "2027");
    window->Importjahr()->setText("2200");
    updown->StepUp();
    EXPECT_EQ(window->Importjahr()->text(), "2200");
    window->Importjahr()->setText("2018");
    updown->StepDown();
    EXPECT_EQ(window->Importjahr()->text(), "2018");
    // Typing stays free; the arrows go on from the last valid position.
    window->Importjahr()->setText("18");
    EXPECT_EQ(window->Importjahr()->text(), "18");
    updown->StepUp();
    EXPECT_EQ(window->Importjahr()->text(), "2019");
    updown->SetPosition(12000);
    EXPECT_EQ(window->Importjahr()->text(), "2200");
}

TEST_F(ImportWindowTest, OeffnenAsksForAFileAndReadsIt) {
    auto window = Create();
    const std::string path = dir_.Write(
        "touren.csv", "Alpha;Beta;1.1.2018;2.1.2018;T1\nGamma;Delta;3.1.2018;4.1.2018;T2\n");
    ui_.FileAnswers.push_back(path);
    window->btopen()->click();
    ASSERT_EQ(ui_.FileDialogs.size(), 1u);
    const auto& filters = ui_.FileDialogs[0];
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0].Name, "csv-Dateinen");
    EXPECT_EQ(filters[0].Pattern, "*.csv");
    EXPECT_EQ(filters[1].Name, "Alle Dateien");
    EXPECT_EQ(filters[1].Pattern, "*.*");
    EXPECT_EQ(window->CurrentFile(), path);
    const QAbstractItemModel* model = window->Gitter()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(1, 1)).toString(), "Delta");
    EXPECT_EQ(model->headerData(5, Qt::Horizontal).toString(), "Fehler");
}

TEST_F(ImportWindowTest, CancelledDialogChangesNothing) {
    auto window = Create();
    window->btopen()->click();
    EXPECT_EQ(ui_.FileDialogs.size(), 1u);
    EXPECT_EQ(window->CurrentFile(), "");
    EXPECT_EQ(window->Gitter()->model()->rowCount(), 1);
}

TEST_F(ImportWindowTest, FileErrorIsShownAndTheWindowStaysUsable) {
    auto window = Create();
    ui_.FileAnswers.push_back(dir_.Path() + "fehlt.csv");
    window->btopen()->click();
    EXPECT_EQ(ui_.Messages, (std::vector<std::string>{"Die Datei \"" + dir_.Path() +
                                                      "fehlt.csv\" kann nicht gelesen werden: "
                                                      "Datei nicht gefunden."}));
    ui_.FileAnswers.push_back(dir_.Write("ok.csv", "a;b;1.1.2018;2.1.2018;T\n"));
    window->btopen()->click();
    EXPECT_EQ(window->Gitter()->model()->rowCount(), 1);
    EXPECT_EQ(window->Gitter()->model()->data(window->Gitter()->model()->index(0, 0)).toString(),
              "a");
}

TEST_F(ImportWindowTest, ImportierenBeforeAnyFileRefusesTheEmptyRow) {
    auto window = Create();
    window->btdb()->click();
    EXPECT_EQ(window->Anzahl_import()->text(),
              "1 Datensätze verarbeitet, 0 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_EQ(window->ID()->text(), "1");
    const QAbstractItemModel* model = window->Gitter()->model();
    EXPECT_EQ(model->data(model->index(0, 5)).toString(), "falsche Firma");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ImportWindowTest, ImportsAnOpenedFileAndArchivesIt) {
    auto window = Create();
    const std::string file = dir_.Write("touren.csv",
                                        "Alpha GmbH;Kunde;1.2.2018;3.2.2018;T1\n"
                                        "Omega;Kunde;1.2.2018;3.2.2018;T2\n"
                                        "Gamma;Kunde;04.02.18;5.2.2018;T3\n");
    ui_.FileAnswers.push_back(file);
    window->btopen()->click();
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(window->Anzahl_import()->text(),
              "3 Datensätze verarbeitet, 2 Datensätze importiert, 1 Zeilen ungültig");
    EXPECT_EQ(window->ID()->text(), "1");
    EXPECT_EQ(window->Progress()->maximum(), 3);
    EXPECT_EQ(window->Progress()->value(), 3);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "archiv/touren-20261208-09_00_00.csv"));
    EXPECT_EQ(data_->Zalvert->RecordCount(), 2);
    // Pressed again, once the user confirms it, the rows are a run of their own
    // under the next identifier, and refused as stored already.
    ui_.ConfirmAnswers.push_back(true);
    window->btdb()->click();
    EXPECT_EQ(window->ID()->text(), "2");
    EXPECT_EQ(window->Anzahl_import()->text(),
              "3 Datensätze verarbeitet, 0 Datensätze importiert, 3 Zeilen ungültig, davon 2 "
              "doppelt");
    EXPECT_EQ(data_->Zalvert->RecordCount(), 2);
    // Enter pressed by habit on the question stores nothing.
    ui_.AskWith = testing::AnswerWithEnter;
    window->btdb()->click();
    ASSERT_EQ(ui_.Questions.size(), 2u);
    EXPECT_NE(ui_.Questions[1].find("Trotzdem importieren?"), std::string::npos);
    EXPECT_EQ(window->ID()->text(), "2");
    EXPECT_EQ(data_->Zalvert->RecordCount(), 2);
}

// What the window said while it waited (for a file still written, for another
// program's run) goes once the waiting ends.
TEST_F(ImportWindowTest, AWaitingTextGivesWayToWhatWasShownBefore) {
    auto window = Create();
    window->ShowSummary("3 Datensätze verarbeitet, 2 Datensätze importiert, 1 Zeilen ungültig");
    window->ShowWaiting("Warte, bis die Datei \"a.csv\" vollständig ist …");
    window->ShowWaiting("Warte, bis die Datei \"a.csv\" vollständig ist …");
    EXPECT_EQ(window->Anzahl_import()->text(), "Warte, bis die Datei \"a.csv\" vollständig ist …");
    window->ShowWaiting({});
    EXPECT_EQ(window->Anzahl_import()->text(),
              "3 Datensätze verarbeitet, 2 Datensätze importiert, 1 Zeilen ungültig");
}

// The toolkit's own code may leave the AVX registers' upper halves in use, which
// slows every SSE instruction after it; the window's work runs with them cleared,
// also after each time it let the toolkit paint.
TEST_F(ImportWindowTest, ImportsWithTheUpperVectorHalvesCleared) {
    if (!testing::CanTellUpperVectorUse()) GTEST_SKIP() << "the processor cannot tell";
    auto window = Create();
    window->show();
    QTimer toolkitCode;  // runs whenever events are processed, as painting does
    QObject::connect(&toolkitCode, &QTimer::timeout, [] { testing::FillUpperVectorHalves(); });
    toolkitCode.start(0);
    std::vector<bool> inUse;
    SetStepProbe([&](TImportStep) {
        inUse.push_back(testing::UpperVectorHalvesInUse());
        return 0;
    });
    ui_.FileAnswers.push_back(dir_.Write("touren.csv", "Alpha;Kunde;1.2.2018;3.2.2018;T1\n"));
    testing::FillUpperVectorHalves();
    window->btopen()->click();
    SetStepProbe(nullptr);
    EXPECT_EQ(data_->Zalvert->RecordCount(), 1);
    ASSERT_FALSE(inUse.empty());
    EXPECT_FALSE(inUse.front()) << "the run reached its commit with them in use";
}

// A long run lets the window paint its progress on the way, not only at the end.
TEST_F(ImportWindowTest, TheProgressMovesWhileALongRunGoesOn) {
    auto window = Create();
    window->show();
    std::string lines;
    constexpr int kLines = 60000;
    for (int i = 0; i < kLines; ++i)
        lines += (i % 5 == 4 ? "Omega" : "Alpha") + std::string(";Kunde;1.2.2018;3.2.2018;T") +
                 std::to_string(i) + "\n";
    std::vector<int> shown;  // the bar's value whenever the window lets events through
    QTimer toolkitCode;
    QObject::connect(&toolkitCode, &QTimer::timeout,
                     [&] { shown.push_back(window->Progress()->value()); });
    toolkitCode.start(0);
    ui_.FileAnswers.push_back(dir_.Write("touren.csv", lines));
    window->btopen()->click();
    toolkitCode.stop();
    EXPECT_EQ(data_->Zalvert->RecordCount(), kLines / 5 * 4);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](int v) { return v > 1 && v < kLines; }))
        << shown.size() << " paints, none in the middle of the run";
}

TEST_F(ImportWindowTest, AShownWindowWithAFileClosesCleanly) {
    auto window = Create();
    window->show();
    ui_.FileAnswers.push_back(dir_.Write("touren.csv", "Alpha;Kunde;1.2.2018;3.2.2018;T1\n"));
    window->btopen()->click();
    EXPECT_EQ(window->Gitter()->model()->rowCount(), 1);
    window.reset();  // crashed here, the view reading the grid's header after the grid
}

TEST_F(ImportWindowTest, ImportsWithTheYearSetByTheUser) {
    auto window = Create();
    ui_.FileAnswers.push_back(dir_.Write("touren.csv", "Alpha;Kunde;24.12.;31.12.;T1\n"));
    window->btopen()->click();
    EXPECT_EQ(ui_.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
    EXPECT_EQ(data_->Zalvert->RecordCount(), 0);
    window->importjahr1()->SetPosition(2018);
    window->btdb()->click();
    ASSERT_EQ(data_->Zalvert->RecordCount(), 1);
    data_->Zalvert->First();
    EXPECT_DOUBLE_EQ(data_->Zalvert->FieldByName("Datumvon").AsDateTime(),
                     EncodeDate(2018, 12, 24));
}

TEST_F(ImportWindowTest, BeendenEndsTheProgramAtOnce) {
    auto window = Create();
    window->ToolButton3()->click();
    EXPECT_EQ(terminated_, 1);
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_TRUE(ui_.Informations.empty());
}

TEST_F(ImportWindowTest, SummaryAndIdentifierNeverOverlap) {
    auto window = Create();
    QLabel* summary = window->Anzahl_import();
    QLabel* id = window->ID();
    window->ShowImportId("12");
    window->ShowSummary(ImportSummary({3, 2, 1}));
    EXPECT_EQ(id->x(), 640);  // the designed place while the text fits
    window->ShowImportId("1000000");
    window->SetProgressMaximum(1000000);
    window->SetProgressPosition(1000000, {999999, 800000, 199999});
    EXPECT_GT(id->x(), summary->x() + summary->width());
    window->ShowSummary(ImportSummary({1000000, 800000, 200000}));
    EXPECT_GT(id->x(), summary->x() + summary->width());
    EXPECT_GE(id->parentWidget()->width(), id->x() + id->width());
    EXPECT_EQ(summary->x(), 235);
}

TEST_F(ImportWindowTest, TheErrorColumnShowsTheLastRunsVerdicts) {
    auto window = Create();
    const QAbstractItemModel* model = window->Gitter()->model();
    const auto mark = [&](int row) { return model->data(model->index(row, 5)).toString(); };
    ui_.FileAnswers.push_back(dir_.Write("a.csv",
                                         "Omega;K;1.2.2018;3.2.2018;T1\n"
                                         "Alpha;K;1.2.2018;;T2\n"));
    window->btopen()->click();
    EXPECT_EQ(mark(0), "falsche Firma");
    EXPECT_EQ(mark(1), "Kein Datum");
    ui_.FileAnswers.push_back(dir_.Write("b.csv",
                                         "Alpha;K;1.2.2018;3.2.2018;T1\n"
                                         "Omega;K;1.2.2018;3.2.2018;T2\n"));
    window->btopen()->click();
    EXPECT_EQ(mark(0), "");
    EXPECT_EQ(mark(1), "falsche Firma");
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(data_->Zalvert->RecordCount(), 1);
    // A run that stored nothing still used its identifier.
    EXPECT_EQ(window->ID()->text(), "2");
}

TEST_F(ImportWindowTest, OpenStartsInTheImportFolder) {
    auto window = Create();
    window->btopen()->click();
    EXPECT_EQ(ui_.FileDialogFolders, (std::vector<std::string>{dir_.Path() + "leer/"}));
}

TEST_F(ImportWindowTest, AFailedRunLeavesTheSummaryAsItWas) {
    auto window = Create();
    std::string lines;
    for (int i = 0; i < 5000; ++i) lines += "Alpha;K;1.2.2018;3.2.2018;T\n";
    ui_.FileAnswers.push_back(dir_.Write("a.csv", lines + "Alpha;K;31.02.2018;3.2.2018;T\n"));
    window->btopen()->click();
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_EQ(window->Anzahl_import()->text(), "0 Datensätze importiert");
    EXPECT_EQ(data_->Zalvert->RecordCount(), 0);
}

TEST_F(ImportWindowTest, ACellShowsTheStartOfAVeryLongText) {
    auto window = Create();
    const std::string tour(200000, 'x');
    ui_.FileAnswers.push_back(dir_.Write("a.csv", "Alpha;K;1.2.2018;3.2.2018;ä" + tour + "\n"));
    window->btopen()->click();
    const QAbstractItemModel* model = window->Gitter()->model();
    const QString shown = model->data(model->index(0, 4)).toString();
    EXPECT_LT(shown.size(), 4100);
    EXPECT_TRUE(shown.startsWith("äxxx"));
    EXPECT_TRUE(shown.endsWith("…"));
    EXPECT_EQ(window->Importer().Gitter().Cells(4, 1).size(), tour.size() + 2);
    // The text field keeps what fits.
    data_->Zalvert->First();
    EXPECT_EQ(data_->Zalvert->FieldByName("Tour").AsString().size(), 256u);
}

}  // namespace
}  // namespace zalvert

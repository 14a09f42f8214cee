#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <filesystem>

#include "app/Application.h"
#include "app/Main.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "import/Import.h"
#include "rtl/DateTime.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetClockForTesting(TSystemTime{2026, 12, 8, 9, 0, 0, 0});
        std::filesystem::create_directory(dir_.Path() + "import");
        std::filesystem::create_directory(dir_.Path() + "archiv");
        CreateZalvertDatabase(dir_.Path() + "zalvert.db", {"Alpha", "Beta", "Gamma"});
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    std::string WriteIni() const {
        return dir_.Write("zalvert-importer.ini",
                          "[DB]\nMain=" + dir_.Path() +
                              "zalvert.db\n[Import]\nmaxspalte=5\npfad=" + dir_.Path() +
                              "import/\next=*.csv\narchiv=" + dir_.Path() + "archiv/\n");
    }
    std::unique_ptr<TZalvertApplication> Start() {
        return std::make_unique<TZalvertApplication>(ui_, WriteIni());
    }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
};

TEST_F(StartupTest, ShowsMainWindowWithImportWindowAndReadsTheSettings) {
    auto app = Start();
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Zalvert Importer");
    Tfmain& main = app->fmain();
    // The maximised child adds its caption, as multiple-document frames do.
    EXPECT_EQ(main.windowTitle(), "Import Zalverten - [Import]");
    EXPECT_TRUE(main.isVisible());
    EXPECT_TRUE(main.windowState() & Qt::WindowMaximized);
    ASSERT_NE(app->fimport(), nullptr);
    EXPECT_TRUE(app->fimport()->isVisible());
    EXPECT_TRUE(app->fimport()->parentWidget()->windowState() & Qt::WindowMaximized);
    EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(app->Data().Settings().maxspalte, 5);
    EXPECT_EQ(app->Data().Settings().pfad, dir_.Path() + "import/");
    EXPECT_EQ(app->fimport()->Importjahr()->text(), "2026");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(StartupTest, HasTheMenuAndTheStatusBar) {
    auto app = Start();
    Tfmain& main = app->fmain();
    const QList<QAction*> top = main.menuBar()->actions();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top[0]->text(), "&Datei");
    EXPECT_EQ(top[1]->text(), "&Formulare");
    const QList<QAction*> file = top[0]->menu()->actions();
    ASSERT_EQ(file.size(), 5);
    EXPECT_EQ(file[0]->text(), QString::fromUtf8("&Exportieren…"));
    EXPECT_EQ(file[1]->text(), QString::fromUtf8("&Drucken…"));
    EXPECT_EQ(file[2]->text(), QString::fromUtf8("Als &PDF speichern…"));
    EXPECT_TRUE(file[3]->isSeparator());
    EXPECT_EQ(file[4], main.Beenden1());
    EXPECT_EQ(main.Beenden1()->text(), "&Beenden");
    const QList<QAction*> forms = top[1]->menu()->actions();
    ASSERT_EQ(forms.size(), 3);
    EXPECT_EQ(forms[0]->text(), "&Import");
    EXPECT_EQ(forms[1]->text(), "&Zalverten");
    EXPECT_EQ(forms[2]->text(), QString::fromUtf8("Import&läufe"));

    QStatusBar* bar = main.findChild<QStatusBar*>("StatusBar1");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->height(), 19);
    auto* panel0 = bar->findChild<QLabel*>("Panel0");
    auto* panel1 = bar->findChild<QLabel*>("Panel1");
    ASSERT_TRUE(panel0 && panel1);
    EXPECT_EQ(panel0->width(), 115);
    EXPECT_FALSE(panel0->text().isEmpty());
    EXPECT_EQ(panel1->width(), 50);
    EXPECT_TRUE(panel1->text().isEmpty());
}

TEST_F(StartupTest, ImportsEveryWaitingFileAtStartInNameOrder) {
    dir_.Write("import/b.csv", "Beta;x;1.1.2018;2.1.2018;T2\nGamma;y;3.1.2018;4.1.2018;T4\n");
    dir_.Write("import/a.csv", "Alpha;x;1.1.2018;2.1.2018;T1\nGamma;y;3.1.2018;4.1.2018;T3\n");
    auto app = Start();
    Tfimport* fimport = app->fimport();
    // The grid shows the last file taken.
    EXPECT_EQ(fimport->CurrentFile(), dir_.Path() + "import/b.csv");
    const QAbstractItemModel* model = fimport->Gitter()->model();
    ASSERT_EQ(model->rowCount(), 2);
    EXPECT_EQ(model->data(model->index(0, 0)).toString(), "Beta");
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Rec Von");
    EXPECT_TRUE(ui_.Messages.empty());
    EXPECT_EQ(app->Data().Zalvert->RecordCount(), 4);
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() + "import"));
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "archiv/a-20261208-09_00_00.csv"));
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "archiv/b-20261208-09_00_00.csv"));
    EXPECT_EQ(fimport->ID()->text(), "2");
}

TEST_F(StartupTest, AsksForTheYearWhenTheWaitingFileLacksIt) {
    dir_.Write("import/a.csv", "Alpha;x;24.12.;25.12.;T1\n");
    auto app = Start();
    EXPECT_EQ(ui_.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
}

// A file without the year pauses the chain; the user's "Importieren" imports it and
// the chain goes on with the next file.
TEST_F(StartupTest, AFileWithoutYearPausesTheChainUntilImportieren) {
    dir_.Write("import/a.csv", "Alpha;x;1.1.2018;2.1.2018;T1\n");
    dir_.Write("import/b.csv", "Alpha;x;24.12.;25.12.;T2\n");
    dir_.Write("import/c.csv", "Alpha;x;1.1.2018;2.1.2018;T3\n");
    auto app = Start();
    Tfimport* fimport = app->fimport();
    EXPECT_EQ(ui_.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
    EXPECT_EQ(fimport->CurrentFile(), dir_.Path() + "import/b.csv");
    EXPECT_EQ(app->Data().Zalvert->RecordCount(), 1);
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "import/c.csv"));
    EXPECT_EQ(fimport->Warteschlange()->text(),
              QString::fromUtf8("b.csv · Noch 1 Datei im Importordner"));
    fimport->btdb()->click();
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() + "import"));
    EXPECT_EQ(app->Data().Zalvert->RecordCount(), 3);
    EXPECT_EQ(fimport->CurrentFile(), dir_.Path() + "import/c.csv");
    EXPECT_EQ(fimport->ID()->text(), "3");
    EXPECT_TRUE(fimport->Warteschlange()->text().isEmpty());
}

// A file that fails is told and left; the files after it are still imported.
TEST_F(StartupTest, AnErrorWhileCreatingIsShownAndStartUpGoesOn) {
    // A folder matching the mask is taken like a file, and reading it fails.
    std::filesystem::create_directory(dir_.Path() + "import/ordner.csv");
    auto app = Start();
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_EQ(ui_.Messages[0], "Die Datei \"" + dir_.Path() +
                                   "import/ordner.csv\" kann nicht gelesen werden: Das ist ein "
                                   "Ordner, keine Datei.");
    ASSERT_NE(app->fimport(), nullptr);
    EXPECT_TRUE(app->fimport()->isVisible());
    EXPECT_EQ(app->fimport()->Importjahr()->text(), "2026");
    EXPECT_EQ(app->fimport()->CurrentFile(), dir_.Path() + "import/ordner.csv");
}

TEST_F(StartupTest, AFileThatFailsIsToldAndTheChainGoesOn) {
    std::filesystem::create_directory(dir_.Path() + "import/b-ordner.csv");
    dir_.Write("import/a.csv", "Alpha;x;1.1.2018;2.1.2018;T1\n");
    dir_.Write("import/c.csv", "Alpha;x;1.1.2018;2.1.2018;T3\n");
    auto app = Start();
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("b-ordner.csv"), std::string::npos);
    EXPECT_EQ(app->Data().Zalvert->RecordCount(), 2);
    EXPECT_EQ(app->fimport()->CurrentFile(), dir_.Path() + "import/c.csv");
    EXPECT_TRUE(std::filesystem::exists(dir_.Path() + "import/b-ordner.csv"));
}

TEST_F(StartupTest, WithoutSettingsFileTheWindowsStillAppear) {
    TZalvertApplication app(ui_, dir_.Path() + "fehlt.ini");
    EXPECT_TRUE(app.fmain().isVisible());
    ASSERT_NE(app.fimport(), nullptr);
    EXPECT_EQ(app.fimport()->Gitter()->model()->rowCount(), 1);
    EXPECT_EQ(app.Data().Settings().maxspalte, 0);
}

TEST_F(StartupTest, ImportMenuShowsTheSameWindowAgain) {
    auto app = Start();
    Tfimport* first = app->fimport();
    QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(first->parentWidget());
    ASSERT_NE(frame, nullptr);
    frame->close();  // closing a child only minimises it
    EXPECT_TRUE(frame->isMinimized());
    app->fmain().Import1()->trigger();
    EXPECT_EQ(app->fimport(), first);
    EXPECT_FALSE(frame->isMinimized());
    EXPECT_EQ(app->fmain().MdiArea()->activeSubWindow(), frame);
    EXPECT_EQ(app->fmain().MdiArea()->subWindowList().size(), 1);
}

TEST_F(StartupTest, BeendenClosesTheMainWindow) {
    auto app = Start();
    app->fmain().Beenden1()->trigger();
    EXPECT_FALSE(app->fmain().isVisible());
}

// What the user sees at the moment the year question comes up.
class TYearQuestionWitness : public testing::TRecordingInteraction {
  public:
    void ShowInformation(const std::string& text) override {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->objectName() == "fmain") {
                MainVisible = top->isVisible();
                if (auto* grid = top->findChild<QTableView*>("Gitter"))
                    RowsShown = grid->model()->rowCount();
            }
        TRecordingInteraction::ShowInformation(text);
    }
    bool MainVisible = false;
    int RowsShown = -1;
};

TEST_F(StartupTest, TheYearQuestionComesOverTheShownRows) {
    dir_.Write("import/a.csv", "Alpha;x;24.12.;25.12.;T1\nBeta;x;1.1.2018;2.1.2018;T2\n");
    TYearQuestionWitness witness;
    TZalvertApplication app(witness, WriteIni());
    EXPECT_EQ(witness.Informations, (std::vector<std::string>{"bitte Importjahr setzen"}));
    EXPECT_TRUE(witness.MainVisible);
    EXPECT_EQ(witness.RowsShown, 2);
}

TEST_F(StartupTest, AnImportFolderThatCannotBeReadIsReported) {
    std::filesystem::remove(dir_.Path() + "import");
    auto app = Start();
    EXPECT_EQ(ui_.Messages, (std::vector<std::string>{"Der Importordner \"" + dir_.Path() +
                                                      "import/\" kann nicht gelesen werden: "
                                                      "Ordner nicht gefunden."}));
    EXPECT_TRUE(app->fimport()->isVisible());
}

}  // namespace
}  // namespace zalvert

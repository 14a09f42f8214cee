#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <cstdlib>
#include <filesystem>

#include "app/Main.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "import/Importer.h"
#include "rtl/WholeFile.h"
#include "tests/app/AnswerWithEnter.h"
#include "tests/support/BothEngines.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/ServerTests.h"
#include "tests/support/TempDir.h"
#include "views/Importlaeufe.h"
#include "views/RecordForm.h"
#include "views/SearchLine.h"
#include "views/Zalverten.h"
#include "widgets/DBCheckBox.h"
#include "widgets/DBEdit.h"
#include "widgets/DBGrid.h"
#include "widgets/DBMemo.h"
#include "widgets/DBNavigator.h"

// The toolkit's own entry for tests that deliver input as the window system does.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button,
                                      QEvent::Type type, Qt::KeyboardModifiers mods, int timestamp);

namespace zalvert {
namespace {

void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
}

void Type(QWidget* target, const QString& text) {
    for (QChar c : text) Key(target, 0, Qt::NoModifier, QString(c));
}

class ZalvertenWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetApplicationInteraction(&ui_);
        std::filesystem::create_directory(dir_.Path() + "archiv");
        const std::string db = CreateBillingDatabase();
        if (db.empty()) ZI_NO_SERVER("no database server named in ZALVERT_TEST_ODBC");
        auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
        auto workspace = engine->CreateWorkspace("T", "Admin", "");
        auto file = IsServerConnect(db) ? workspace->OpenDatabase(db, Variant(false), false, db)
                                        : workspace->OpenDatabase(db);
        for (int n = 1; n <= 50; ++n)
            file->Execute(
                "INSERT INTO Zalvert (Recvon, Tour, Datumvon, Netto, ImportID) VALUES "
                "('Nordfracht', 'T" +
                std::to_string(n) + "', #03/31/2024 12:30#, 1234.5, 1)");
        file->Close();
        data_ = std::make_unique<TData>(
            ui_, dir_.Write("z.ini", "[DB]\nMain=" + db + "\n[Import]\nmaxspalte=5\narchiv=" +
                                         dir_.Path() + "archiv/\n"));
        ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
        window_ = std::make_unique<TFzalverten>(*data_);
        window_->resize(1395, 750);
        window_->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        window_.reset();
        data_.reset();
        SetApplicationInteraction(nullptr);
    }

    // The database setting of the program; empty when it cannot be made here.
    virtual std::string CreateBillingDatabase() {
        const std::string db = dir_.Path() + "zalvert.db";
        CreateZalvertDatabase(db, {"Nordfracht"});
        return db;
    }

    TDBGrid* Grid() const { return window_->DBGrid1(); }
    // The first rows as the fixture's records show them.
    void ExpectDisplayTexts() const {
        EXPECT_EQ(Grid()->CellText(0, 0), "1");
        EXPECT_EQ(Grid()->CellText(0, 1), "Nordfracht");
        EXPECT_EQ(Grid()->CellText(0, 3), "31.03.2024 12:30:00");
        EXPECT_EQ(Grid()->CellText(0, 7), "1.234,50 €");
        EXPECT_EQ(Grid()->CellText(0, 11), "Falsch");
        EXPECT_EQ(Grid()->CellText(1, 5), "T2");
    }
    TZedaDaoTable& Zalvert() const { return *data_->Zalvert; }
    std::string Tour() const { return Zalvert().FieldByName("Tour").AsString(); }
    QToolButton* Nav(TDBNavigator::TButton button) const {
        return window_->DBNavigator1()->Button(button);
    }
    std::string StoredTour(int id) const { return Stored(id, "Tour"); }
    std::string Stored(int id, const std::string& field) const {
        auto rs = data_->Datenbank->DatabaseObject()->OpenRecordset(
            "SELECT " + field + " FROM Zalvert WHERE ID = " + std::to_string(id),
            engine::dbOpenSnapshot);
        if (rs->Eof()) return "(fehlt)";
        const Variant v = rs->Fields().Item(0)->Value();
        return v.IsNull() ? std::string() : v.AsString();
    }

    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
    std::unique_ptr<TData> data_;
    std::unique_ptr<TFzalverten> window_;
};

TEST_F(ZalvertenWindowTest, IsLaidOutAsDesigned) {
    EXPECT_EQ(window_->windowTitle(), "Zalverten");
    EXPECT_EQ(window_->Panel1()->height(), 31);
    EXPECT_EQ(window_->DBNavigator1()->geometry(), QRect(5, 5, 115, 18));
    QTabWidget* pages = window_->PageControl1();
    EXPECT_EQ(pages->tabPosition(), QTabWidget::South);
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->tabText(0), "Tabelle");
    EXPECT_EQ(pages->tabText(1), "Bearbeiten");
    EXPECT_EQ(pages->currentIndex(), 0);
    const char* hints[] = {"Erster Datensatz", "Vorheriger Datensatz", "Nächster Datensatz",
                           "Letzter Datensatz", "Bearbeiten abbrechen"};
    for (int i = 0; i < TDBNavigator::kButtonCount; ++i)
        EXPECT_EQ(Nav(static_cast<TDBNavigator::TButton>(i))->accessibleDescription(),
                  QString::fromUtf8(hints[i]));

    const auto& columns = Grid()->Columns();
    ASSERT_EQ(columns.size(), 13u);
    const char* names[] = {"ID",         "Recvon",      "Recan",   "Datumvon", "Datumbis",
                           "Tour",       "erstelltvon", "Netto",   "Recdatum", "Recnr",
                           "Gutschrift", "erledigt",    "ImportID"};
    for (size_t i = 0; i < columns.size(); ++i) {
        EXPECT_EQ(columns[i].FieldName, names[i]);
        EXPECT_EQ(columns[i].Title, names[i]);
        EXPECT_EQ(columns[i].Width, i == 0 ? 54 : i == 12 ? TDBGrid::kDefaultColWidth : 100);
    }
}

TEST_F(ZalvertenWindowTest, ShowsTheFieldsDisplayTexts) {
    ExpectDisplayTexts();
}

TEST_F(ZalvertenWindowTest, BuffersOnlyTheVisibleRows) {
    const int visible = Grid()->VisibleRows();
    EXPECT_GT(visible, 10);
    EXPECT_LT(visible, 50);
    EXPECT_EQ(Zalvert().BufferCount(), visible);
    EXPECT_EQ(Grid()->ShownRows(), visible);
    QScrollBar* bar = Grid()->verticalScrollBar();
    EXPECT_EQ(bar->maximum(), 49);
    EXPECT_EQ(bar->value(), 0);
    Key(Grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Tour(), "T50");
    EXPECT_EQ(bar->value(), 49);
    EXPECT_EQ(Grid()->ActiveRow(), visible - 1);
    window_->resize(1395, 400);
    QApplication::processEvents();
    EXPECT_EQ(Zalvert().BufferCount(), Grid()->VisibleRows());
    EXPECT_EQ(Tour(), "T50");
}

TEST_F(ZalvertenWindowTest, FollowsKeysAndTheNavigator) {
    EXPECT_FALSE(Nav(TDBNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(Nav(TDBNavigator::nbPrior)->isEnabled());
    EXPECT_TRUE(Nav(TDBNavigator::nbNext)->isEnabled());
    EXPECT_TRUE(Nav(TDBNavigator::nbLast)->isEnabled());
    EXPECT_FALSE(Nav(TDBNavigator::nbCancel)->isEnabled());
    Key(Grid(), Qt::Key_Down);
    Key(Grid(), Qt::Key_Down);
    EXPECT_EQ(Tour(), "T3");
    EXPECT_EQ(Grid()->ActiveRow(), 2);
    Key(Grid(), Qt::Key_Up);
    EXPECT_EQ(Tour(), "T2");
    Key(Grid(), Qt::Key_PageDown);
    EXPECT_EQ(Tour(), "T" + std::to_string(2 + Grid()->VisibleRows()));
    Nav(TDBNavigator::nbLast)->click();
    EXPECT_EQ(Tour(), "T50");
    EXPECT_TRUE(Nav(TDBNavigator::nbFirst)->isEnabled());
    EXPECT_FALSE(Nav(TDBNavigator::nbNext)->isEnabled());
    EXPECT_FALSE(Nav(TDBNavigator::nbLast)->isEnabled());
    Nav(TDBNavigator::nbPrior)->click();
    EXPECT_EQ(Tour(), "T49");
    Nav(TDBNavigator::nbFirst)->click();
    EXPECT_EQ(Tour(), "T1");
    Nav(TDBNavigator::nbNext)->click();
    EXPECT_EQ(Tour(), "T2");
    Key(Grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Tour(), "T1");
    EXPECT_EQ(Grid()->verticalScrollBar()->value(), 0);
}

// Tab moves to the next cell, past the last column to the next record's first, and
// Shift+Tab back, from the grid and from its editor; Ctrl+Tab leaves the grid.
TEST_F(ZalvertenWindowTest, TabMovesBetweenTheCells) {
    window_->activateWindow();
    Grid()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(Grid()->hasFocus());
    const int last = static_cast<int>(Grid()->Columns().size()) - 1;
    Key(Grid(), Qt::Key_Tab);
    EXPECT_EQ(Grid()->SelectedColumn(), 1);
    EXPECT_TRUE(Grid()->hasFocus());
    Key(Grid(), Qt::Key_Backtab, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Backtab, Qt::ShiftModifier);  // before the first record: nowhere
    EXPECT_EQ(Grid()->SelectedColumn(), 0);
    EXPECT_EQ(Tour(), "T1");
    Grid()->SetSelectedColumn(last);
    Key(Grid(), Qt::Key_Tab);
    EXPECT_EQ(Tour(), "T2");
    EXPECT_EQ(Grid()->SelectedColumn(), 0);
    Key(Grid(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Tour(), "T1");
    EXPECT_EQ(Grid()->SelectedColumn(), last);

    Grid()->SetSelectedColumn(5);  // Tour
    Key(Grid(), Qt::Key_F2);
    ASSERT_TRUE(Grid()->Editing());
    Type(Grid()->Editor(), "x");
    Key(Grid()->Editor(), Qt::Key_Tab);
    EXPECT_EQ(Grid()->SelectedColumn(), 6);
    EXPECT_FALSE(Grid()->Editing());
    EXPECT_EQ(Tour(), "x");
    Key(Grid(), Qt::Key_Escape);
    EXPECT_EQ(Tour(), "T1");

    Key(Grid(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_FALSE(Grid()->hasFocus());
    EXPECT_EQ(Grid()->SelectedColumn(), 6);
    EXPECT_TRUE(ui_.Messages.empty());
}

// Ctrl+C copies the current cell, or the records selected with Shift, as shown.
TEST_F(ZalvertenWindowTest, CtrlCCopiesTheCurrentCellOrTheSelectedRecords) {
    QGuiApplication::clipboard()->clear();
    Key(Grid(), Qt::Key_Down);
    Grid()->SetSelectedColumn(7);
    Key(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "1.234,50 €");
    Grid()->SetSelectedColumn(5);
    Key(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "T2");
    EXPECT_FALSE(Grid()->Editing());  // no editor opened for the letter

    // Shift with Down selects whole records: copied with the titles, as shown.
    Key(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(Tour(), "T4");
    Key(Grid(), Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QGuiApplication::clipboard()->text().split('\n');
    ASSERT_EQ(lines.size(), 5);  // titles, three records, the closing line break
    EXPECT_EQ(lines[0].split('\t').size(), static_cast<qsizetype>(Grid()->Columns().size()));
    EXPECT_TRUE(lines[0].startsWith("ID\tRecvon\tRecan\tDatumvon\t"));
    EXPECT_EQ(lines[1].toStdString(),
              "2\tNordfracht\t\t31.03.2024 12:30:00\t\tT2\t\t1.234,50 €\t\t\t\tFalsch\t1");
    EXPECT_TRUE(lines[3].startsWith("4\tNordfracht"));
    EXPECT_EQ(Tour(), "T4");  // the copy leaves the current record where it was
    Key(Grid(), Qt::Key_Up);  // a move without Shift ends the selection
    Key(Grid(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "T3");
}

void Mouse(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons buttons,
           Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), Qt::LeftButton, buttons,
                      modifiers);
    QApplication::sendEvent(target, &event);
}

// Shift with Left or Right selects cells, and so do Shift+click and a drag: copied
// without titles. A click on the indicator column selects a record, Shift+click
// there the records up to it, copied with the titles.
TEST_F(ZalvertenWindowTest, CtrlCCopiesARectangleOfCells) {
    const auto copied = [&] {
        QGuiApplication::clipboard()->clear();
        Key(Grid(), Qt::Key_C, Qt::ControlModifier);
        return QGuiApplication::clipboard()->text().toStdString();
    };
    Key(Grid(), Qt::Key_Down);  // record 2, Tour T2, Netto 1.234,50 €
    Grid()->SetSelectedColumn(5);
    Key(Grid(), Qt::Key_Right, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Right, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Down, Qt::ShiftModifier);  // keeps the cells, adds a record
    EXPECT_EQ(copied(), "T2\t\t1.234,50 €\nT3\t\t1.234,50 €\n");
    Key(Grid(), Qt::Key_Left, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Left, Qt::ShiftModifier);
    Key(Grid(), Qt::Key_Left, Qt::ShiftModifier);  // past the anchor: column 4 to 5
    Key(Grid(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(copied(), "\tT2\n");
    Key(Grid(), Qt::Key_Left);  // a move without Shift ends it
    EXPECT_EQ(copied(), "31.03.2024 12:30:00");

    QWidget* area = Grid()->viewport();
    const int rows = Grid()->DefaultRowHeight() * 2;  // the titles and the filter row
    const auto cell = [&](int row, int column) {
        const int left = column < 0 ? 2 : [&] {
            int x = TDBGrid::kIndicatorWidth;
            for (int c = 0; c < column; ++c) x += Grid()->Columns()[c].Width;
            return x + 3;
        }();
        return QPoint(left, rows + row * Grid()->DefaultRowHeight() + 3);
    };
    Grid()->SetSelectedColumn(0);
    Grid()->horizontalScrollBar()->setValue(0);
    Zalvert().First();
    Mouse(area, QEvent::MouseButtonPress, cell(0, 5), Qt::LeftButton);
    Mouse(area, QEvent::MouseMove, cell(2, 5), Qt::LeftButton);
    Mouse(area, QEvent::MouseButtonRelease, cell(2, 5), Qt::NoButton);
    EXPECT_EQ(copied(), "T1\nT2\nT3\n");
    EXPECT_EQ(Tour(), "T3");
    Mouse(area, QEvent::MouseButtonPress, cell(1, 3), Qt::LeftButton, Qt::ShiftModifier);
    Mouse(area, QEvent::MouseButtonRelease, cell(1, 3), Qt::NoButton);
    const std::string date = "31.03.2024 12:30:00\t\t";
    EXPECT_EQ(copied(), date + "T1\n" + date + "T2\n");

    Mouse(area, QEvent::MouseButtonPress, cell(0, -1), Qt::LeftButton);
    Mouse(area, QEvent::MouseButtonRelease, cell(0, -1), Qt::NoButton);
    Mouse(area, QEvent::MouseButtonPress, cell(2, -1), Qt::LeftButton, Qt::ShiftModifier);
    Mouse(area, QEvent::MouseButtonRelease, cell(2, -1), Qt::NoButton);
    const QStringList lines = QString::fromStdString(copied()).split('\n');
    ASSERT_EQ(lines.size(), 5);  // titles, records 1 to 3, the closing line break
    EXPECT_TRUE(lines[0].startsWith("ID\tRecvon\t"));
    EXPECT_TRUE(lines[3].startsWith("3\tNordfracht\t"));
    EXPECT_EQ(Tour(), "T3");
    EXPECT_FALSE(Grid()->Editing());
    EXPECT_TRUE(ui_.Messages.empty());
}

// A column's right edge in the title row is dragged to widen or narrow it, and a
// double click on it fits the column to its title and values.
TEST_F(ZalvertenWindowTest, ColumnsAreWidenedWithTheMouse) {
    QWidget* area = Grid()->viewport();
    const auto width = [&](int column) { return Grid()->Columns()[column].Width; };
    const int before = width(1);
    const int edge = TDBGrid::kIndicatorWidth + width(0) + width(1);
    const int middle = Grid()->DefaultRowHeight() / 2;
    Mouse(area, QEvent::MouseMove, {edge, middle}, Qt::NoButton);
    EXPECT_EQ(area->cursor().shape(), Qt::SplitHCursor);
    Mouse(area, QEvent::MouseButtonPress, {edge + 1, middle}, Qt::LeftButton);
    Mouse(area, QEvent::MouseMove, {edge + 61, middle}, Qt::LeftButton);
    Mouse(area, QEvent::MouseButtonRelease, {edge + 61, middle}, Qt::NoButton);
    EXPECT_EQ(width(1), before + 60);
    EXPECT_EQ(Tour(), "T1");  // a drag in the titles moves no record
    Mouse(area, QEvent::MouseMove, {edge + 200, middle}, Qt::NoButton);
    EXPECT_EQ(width(1), before + 60);
    EXPECT_NE(area->cursor().shape(), Qt::SplitHCursor);

    const QPoint newEdge(edge + 60, middle);
    Mouse(area, QEvent::MouseButtonDblClick, newEdge, Qt::LeftButton);
    const QFontMetrics metrics = Grid()->fontMetrics();
    EXPECT_GE(width(1), metrics.horizontalAdvance("Nordfracht"));
    EXPECT_LT(width(1), metrics.horizontalAdvance("Nordfracht") + 20);
    EXPECT_FALSE(Grid()->Editing());
    EXPECT_TRUE(ui_.Messages.empty());
}

// The scroll bar's thumb is darker than its track: at the top on the first of the
// fixture's 50 records, at the bottom on the last.
TEST_F(ZalvertenWindowTest, TheScrollThumbStandsWhereTheRecordIs) {
    QScrollBar* bar = Grid()->verticalScrollBar();
    const auto darkness = [&](double from, double to) {
        const QImage image = bar->grab().toImage();
        long sum = 0, count = 0;
        const int x = image.width() / 2;
        for (int y = static_cast<int>(from * image.height());
             y < static_cast<int>(to * image.height()); ++y, ++count)
            sum += 255 - qGray(image.pixel(x, y));
        return static_cast<double>(sum) / std::max(1L, count);
    };
    Zalvert().First();
    QApplication::processEvents();
    EXPECT_GT(darkness(0.1, 0.3), darkness(0.7, 0.9) + 30);
    Zalvert().Last();
    QApplication::processEvents();
    EXPECT_GT(darkness(0.7, 0.9), darkness(0.1, 0.3) + 30);
}

// A click on a title sorts by the column, a second one the other way, with the
// arrow in the title; texts in German order, the current record staying current.
TEST_F(ZalvertenWindowTest, ATitleClickSortsByItsColumn) {
    Zalvert().Edit();
    Zalvert().FieldByName("Recan").SetAsString("Zeitz");
    Zalvert().Post();
    Zalvert().Next();
    Zalvert().Edit();
    Zalvert().FieldByName("Recan").SetAsString("Öhringen");
    Zalvert().Post();
    Zalvert().Next();
    Zalvert().Edit();
    Zalvert().FieldByName("Recan").SetAsString("Oberhof");
    Zalvert().Post();
    Zalvert().Next();  // T4 current
    QWidget* area = Grid()->viewport();
    const auto width = [&](int column) { return Grid()->Columns()[column].Width; };
    const int middle = Grid()->DefaultRowHeight() / 2;
    const auto clickTitle = [&](int column) {
        int x = TDBGrid::kIndicatorWidth + width(column) / 2;
        for (int c = 0; c < column; ++c) x += width(c);
        Mouse(area, QEvent::MouseButtonPress, {x, middle}, Qt::LeftButton);
        Mouse(area, QEvent::MouseButtonRelease, {x, middle}, Qt::NoButton);
    };
    clickTitle(5);  // Tour: T1, T10, T11 …
    EXPECT_EQ(Grid()->SortColumn(), 5);
    EXPECT_FALSE(Grid()->SortDescending());
    EXPECT_EQ(Tour(), "T4");
    Zalvert().First();
    EXPECT_EQ(Tour(), "T1");
    Zalvert().Next();
    EXPECT_EQ(Tour(), "T10");
    clickTitle(5);
    EXPECT_TRUE(Grid()->SortDescending());
    EXPECT_EQ(Tour(), "T10");
    Zalvert().First();
    EXPECT_EQ(Tour(), "T9");
    clickTitle(2);  // Recan: the empty ones first, then Oberhof, Öhringen, Zeitz
    EXPECT_EQ(Grid()->SortColumn(), 2);
    Zalvert().Last();
    EXPECT_EQ(Tour(), "T1");
    Zalvert().Prior();
    EXPECT_EQ(Tour(), "T2");
    Zalvert().Prior();
    EXPECT_EQ(Tour(), "T3");
    EXPECT_EQ(Zalvert().RecordCount(), 50);
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
}

// The status line counts what the window shows, after opening, an edit and a delete.
TEST_F(ZalvertenWindowTest, TheStatusLineCountsTheRecordsAndTheirNetto) {
    const auto totals = [&](const std::string& expected) {
        QElapsedTimer clock;
        clock.start();
        while (window_->Totals()->text().toStdString() != expected && clock.elapsed() < 3000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return window_->Totals()->text().toStdString();
    };
    EXPECT_EQ(totals("50 Datensätze · Netto 61.725,00 €"), "50 Datensätze · Netto 61.725,00 €");
    Key(Grid(), Qt::Key_Down);  // moving counts nothing anew
    Zalvert().Edit();
    Zalvert().FieldByName("Netto").SetAsFloat(100);
    Zalvert().Post();
    EXPECT_EQ(totals("50 Datensätze · Netto 60.590,50 €"), "50 Datensätze · Netto 60.590,50 €");
    Zalvert().Delete();
    EXPECT_EQ(totals("49 Datensätze · Netto 60.490,50 €"), "49 Datensätze · Netto 60.490,50 €");
}

// Text typed into the filter row narrows the records once the typing pauses; the
// columns combine; "Filter leeren" shows them all again; a text that is no value of
// its column is refused with a message and changes nothing.
TEST_F(ZalvertenWindowTest, TheFilterRowNarrowsTheRecords) {
    const auto& filters = Grid()->Filters();
    ASSERT_EQ(filters.size(), Grid()->Columns().size());
    const auto typeInto = [&](int column, const QString& text) {
        filters[static_cast<size_t>(column)]->setFocus();
        filters[static_cast<size_t>(column)]->selectAll();
        Type(filters[static_cast<size_t>(column)], text);
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 600) QApplication::processEvents(QEventLoop::AllEvents, 20);
    };
    Zalvert().Locate("Tour", Variant("T36"), 0);
    typeInto(5, "t3");  // T3, T30 … T39
    EXPECT_EQ(Zalvert().RecordCount(), 11);
    EXPECT_EQ(Tour(), "T36");  // the record shown stays the current one
    typeInto(0, ">=35");
    EXPECT_EQ(Zalvert().RecordCount(), 5);
    EXPECT_EQ(Tour(), "T36");
    typeInto(3, "31.03.2024");
    EXPECT_EQ(Zalvert().RecordCount(), 5);
    typeInto(3, "01.04.2024..31.12.2024");
    EXPECT_EQ(Zalvert().RecordCount(), 0);
    EXPECT_TRUE(ui_.Messages.empty());
    typeInto(7, "viel");
    ASSERT_EQ(ui_.Messages.size(), 1u);
    EXPECT_NE(ui_.Messages[0].find("'viel'"), std::string::npos);
    EXPECT_EQ(Zalvert().RecordCount(), 0);
    window_->FilterLeeren()->click();
    EXPECT_EQ(Zalvert().RecordCount(), 50);
    for (QLineEdit* filter : filters) EXPECT_TRUE(filter->text().isEmpty());
}

// Ctrl+Shift+F goes from the grid to the current column's filter; Tab to the next
// filter; Return back to the grid with the filter applied without the pause.
TEST_F(ZalvertenWindowTest, TheFilterRowIsReachedWithTheKeyboard) {
    window_->activateWindow();
    Grid()->setFocus();
    QApplication::processEvents();
    const auto& filters = Grid()->Filters();
    Grid()->SetSelectedColumn(5);
    Key(Grid(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(filters[5]->hasFocus());
    Key(filters[5], Qt::Key_Tab);
    EXPECT_TRUE(filters[6]->hasFocus());
    EXPECT_EQ(Grid()->SelectedColumn(), 6);
    Key(filters[6], Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(filters[5]->hasFocus());
    Type(filters[5], "T4");
    Key(filters[5], Qt::Key_Return);
    EXPECT_TRUE(Grid()->hasFocus());
    EXPECT_EQ(Zalvert().RecordCount(), 11);  // T4, T40 … T49
    EXPECT_TRUE(ui_.Messages.empty());
}

// "Exportieren…" proposes a name from the filter and writes what the window shows:
// the run of "Anzeigen" and the filter row, in the grid's order.
TEST_F(ZalvertenWindowTest, ExportsTheShownRecords) {
    window_->ShowRun(1);
    Grid()->Filters()[5]->setText("T4");
    window_->ApplyFilters();
    window_->SortByColumn(0);
    window_->SortByColumn(0);  // ID descending
    const std::string path = dir_.Path() + "touren.csv";
    ui_.SaveAnswers.push_back(TSaveChoice{path, 1});
    const auto actions = Grid()->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->text(), QString::fromUtf8("Exportieren…"));
    actions[0]->trigger();
    ASSERT_EQ(ui_.SaveDialogs.size(), 1u);
    EXPECT_TRUE(ui_.SaveDialogs[0].ends_with("/Zalverten-Import-1-gefiltert.xlsx"))
        << ui_.SaveDialogs[0];
    ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(ui_.Informations,
              std::vector<std::string>{"11 Datensätze nach '" + path + "' exportiert."});
    const QStringList lines = QString::fromStdString(ReadWholeFile(path)).split("\r\n");
    ASSERT_EQ(lines.size(), 13);  // titles, 11 records, the last line end
    EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8("\uFEFFID;Recvon;Recan;Datumvon;")));
    EXPECT_TRUE(lines[0].endsWith(";ImportID;Bemerkung"));
    EXPECT_TRUE(lines[1].startsWith("49;Nordfracht;;31.03.2024 12:30:00;;T49;;1234,50;"));
    EXPECT_TRUE(lines[11].startsWith("4;Nordfracht;"));
    EXPECT_EQ(Tour(), "T4");

    // The name's ending decides between workbook and CSV; the dialog's choice
    // gives the CSV file's encoding.
    ui_.SaveAnswers.push_back(TSaveChoice{dir_.Path() + "a.xlsx", 1});
    ui_.SaveAnswers.push_back(TSaveChoice{dir_.Path() + "b.csv", 0});
    window_->Exportieren();
    window_->Exportieren();
    EXPECT_EQ(ReadWholeFile(dir_.Path() + "a.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(ReadWholeFile(dir_.Path() + "b.csv").substr(0, 5), "\xEF\xBB\xBFID");
}

// The text of a PDF as pdftotext reads it, pages separated by form feeds.
std::string PdfText(const std::string& path) {
    QProcess reader;
    reader.start("pdftotext", {"-layout", QString::fromStdString(path), "-"});
    if (!reader.waitForFinished(20000)) return "(pdftotext fehlt oder hängt)";
    return reader.readAllStandardOutput().toStdString();
}

// "Als PDF speichern…" makes a list of the shown records: the title and the filter
// in words, the column titles on every page, "Seite 2 von 2", the count and the
// sum of Netto at its end.
TEST_F(ZalvertenWindowTest, SavesTheShownRecordsAsAPdfList) {
    const std::string path = dir_.Path() + "liste.pdf";
    ui_.SaveAnswers.push_back(TSaveChoice{path, 0});
    window_->AlsPdfSpeichern();
    ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    ASSERT_EQ(ui_.SaveDialogs.size(), 1u);
    EXPECT_TRUE(ui_.SaveDialogs[0].ends_with("/Zalverten.pdf")) << ui_.SaveDialogs[0];
    const std::string text = PdfText(path);
    const size_t pageBreak = text.find('\f');
    ASSERT_NE(pageBreak, std::string::npos) << text;
    const std::string first = text.substr(0, pageBreak);
    const std::string second = text.substr(pageBreak + 1);
    EXPECT_NE(first.find("Zalverten"), std::string::npos);
    EXPECT_NE(first.find("alle Datensätze"), std::string::npos);
    EXPECT_NE(first.find("Seite 1 von 2"), std::string::npos);
    EXPECT_NE(first.find("31.03.2024 12:30:00"), std::string::npos);
    EXPECT_NE(first.find("1.234,50 €"), std::string::npos);
    EXPECT_NE(second.find("Recvon"), std::string::npos) << second;
    EXPECT_NE(second.find("Datumvon"), std::string::npos);
    EXPECT_NE(second.find("T50"), std::string::npos);
    EXPECT_NE(second.find("Seite 2 von 2"), std::string::npos);
    EXPECT_NE(second.find("50 Datensätze · Netto 61.725,00 €"), std::string::npos) << second;
    EXPECT_EQ(ui_.Informations, std::vector<std::string>{"Die Liste steht in '" + path + "'."});

    // Filtered to one run: the filter in words.
    window_->ShowRun(1);
    Grid()->Filters()[5]->setText("T4");
    window_->ApplyFilters();
    ui_.SaveAnswers.push_back(TSaveChoice{path, 0});
    window_->AlsPdfSpeichern();
    const std::string filtered = PdfText(path);
    EXPECT_NE(filtered.find("Import 1 · Tour: T4"), std::string::npos) << filtered;
    EXPECT_NE(filtered.find("Seite 1 von 1"), std::string::npos);
    EXPECT_NE(filtered.find("11 Datensätze · Netto 13.579,50 €"), std::string::npos);
}

TEST_F(ZalvertenWindowTest, StoresAnEditWhenTheRowChanges) {
    Grid()->SetSelectedColumn(5);  // Tour
    Key(Grid(), 0, Qt::NoModifier, "X");
    EXPECT_TRUE(Grid()->Editing());
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsEdit);
    EXPECT_TRUE(Nav(TDBNavigator::nbCancel)->isEnabled());
    Type(Grid()->Editor(), "Y");
    EXPECT_EQ(Grid()->Editor()->text(), "XY");
    EXPECT_EQ(StoredTour(1), "T1");
    Key(Grid()->Editor(), Qt::Key_Down);
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsBrowse);
    EXPECT_FALSE(Grid()->Editing());
    EXPECT_EQ(StoredTour(1), "XY");
    EXPECT_EQ(Tour(), "T2");
    EXPECT_EQ(Grid()->CellText(0, 5), "XY");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ZalvertenWindowTest, EscapeAndCancelDiscardAnEdit) {
    Grid()->SetSelectedColumn(5);
    Key(Grid(), 0, Qt::NoModifier, "Z");
    Key(Grid()->Editor(), Qt::Key_Escape);
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Grid()->CellText(0, 5), "T1");
    Key(Grid(), 0, Qt::NoModifier, "Z");
    Key(Grid()->Editor(), Qt::Key_Return);  // the text goes into the field
    EXPECT_EQ(Tour(), "Z");
    Nav(TDBNavigator::nbCancel)->click();
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(Tour(), "T1");
    EXPECT_FALSE(Nav(TDBNavigator::nbCancel)->isEnabled());
    EXPECT_EQ(StoredTour(1), "T1");
}

TEST_F(ZalvertenWindowTest, DownPastTheLastRowStartsANewRecord) {
    Key(Grid(), Qt::Key_End, Qt::ControlModifier);
    Key(Grid(), Qt::Key_Down);
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsInsert);
    // An untouched new record is not followed by another.
    Key(Grid(), Qt::Key_Down);
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsInsert);
    Grid()->SetSelectedColumn(5);
    Key(Grid(), 0, Qt::NoModifier, "N");
    Key(Grid()->Editor(), Qt::Key_Up);
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(StoredTour(51), "N");
    EXPECT_EQ(Zalvert().RecordCount(), 51);
}

TEST_F(ZalvertenWindowTest, DeletesOnlyAfterConfirmation) {
    Key(Grid(), Qt::Key_Down);
    ui_.ConfirmAnswers = {false};
    Key(Grid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ui_.Questions, (std::vector<std::string>{"Datensatz löschen?"}));
    EXPECT_EQ(StoredTour(2), "T2");
    ui_.AskWith = testing::AnswerWithEnter;
    Key(Grid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ui_.Questions.size(), 2u);
    EXPECT_EQ(StoredTour(2), "T2");
    ui_.AskWith = nullptr;
    ui_.ConfirmAnswers = {true};
    Key(Grid(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(ui_.Questions.size(), 3u);
    EXPECT_EQ(StoredTour(2), "(fehlt)");
    EXPECT_EQ(Tour(), "T3");
    EXPECT_EQ(Zalvert().RecordCount(), 49);
}

TEST_F(ZalvertenWindowTest, ShowsRecordsOfAnImportAsTheDatasetDeliversThem) {
    Zalvert().InsertFromValues({Variant("Nordfracht"), Variant("K"), Variant::FromDate(45000),
                                Variant::FromDate(45001), Variant("Neu"), Variant(0), Variant(2)});
    QApplication::processEvents();
    EXPECT_EQ(Tour(), "Neu");
    EXPECT_EQ(Grid()->CellText(Grid()->ActiveRow(), 5), "Neu");
}

class TNoView : public IImportView {
  public:
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int, const TImportCounts&) override {}
    void ShowImportId(const std::string&) override {}
    void ShowSummary(const std::string&) override {}
    std::string ImportYear() const override { return "2024"; }
};

TEST_F(ZalvertenWindowTest, FollowsAnImportRunOnceItsRowsAreIn) {
    TImporter importer(data_->Settings(), ui_);
    TNoView view;
    importer.AttachData(*data_, view);
    importer.LoadFile(dir_.Write("touren.csv",
                                 "Nordfracht;A;01.03.2024;02.03.2024;Neu1\n"
                                 "Nordfracht;B;01.03.2024;02.03.2024;Neu2\n"));
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(Grid()->verticalScrollBar()->maximum(), 51);
    EXPECT_EQ(Tour(), "Neu2");
    EXPECT_EQ(Grid()->CellText(Grid()->ActiveRow(), 5), "Neu2");
}

class ZalvertenMenuTest : public ZalvertenWindowTest {};

TEST_F(ZalvertenMenuTest, CreatesTheWindowOnceAndShowsItAgain) {
    Tfmain main(*data_, ui_, [] {});
    main.show();
    EXPECT_TRUE(main.ourenListe1()->isEnabled());
    EXPECT_EQ(main.Fzalverten(), nullptr);
    main.ourenListe1()->trigger();
    TFzalverten* first = main.Fzalverten();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->parentWidget()->isMaximized());
    EXPECT_EQ(first->parentWidget()->size(), QSize(1395, 750));
    first->DBNavigator1()->Click(TDBNavigator::nbLast);
    first->parentWidget()->close();  // only minimises
    main.ourenListe1()->trigger();
    EXPECT_EQ(main.Fzalverten(), first);
    EXPECT_FALSE(first->parentWidget()->isMinimized());
    EXPECT_EQ(main.MdiArea()->subWindowList().size(), 1);
    EXPECT_EQ(Tour(), "T50");
}

// An impossible date on the edit page and the navigator's "Bearbeiten abbrechen":
// the edit is given up, without a word about the date.
TEST_F(ZalvertenMenuTest, CancellingAnImpossibleDateAsksNothing) {
    Tfmain main(*data_, ui_, [] {});
    main.show();
    main.ourenListe1()->trigger();
    TFzalverten* window = main.Fzalverten();
    ASSERT_NE(window, nullptr);
    window->findChild<QTabWidget*>()->setCurrentIndex(1);
    main.activateWindow();
    auto* from = qobject_cast<TDBEdit*>(window->RecordForm()->Control("Datumvon"));
    from->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(from->hasFocus());
    from->selectAll();
    Type(from, "31.02.2026");
    ASSERT_EQ(Zalvert().State(), TDataSetState::dsEdit);
    QToolButton* cancel = window->DBNavigator1()->Button(TDBNavigator::nbCancel);
    // As the window system delivers a click: the toolkit first gives the focus to
    // the first widget under the mouse that takes it, here the MDI window.
    QWindow* handle = main.windowHandle();
    const QPointF at = cancel->mapTo(&main, QRectF(cancel->rect()).center());
    qt_handleMouseEvent(handle, at, main.mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                        QEvent::MouseButtonPress, Qt::NoModifier, 0);
    qt_handleMouseEvent(handle, at, main.mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                        QEvent::MouseButtonRelease, Qt::NoModifier, 0);
    QApplication::processEvents();
    EXPECT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsBrowse);
    EXPECT_EQ(from->text(), "31.03.2024 12:30:00");
    EXPECT_EQ(Stored(1, "Datumvon"), "31.03.2024 12:30:00");
}

TEST_F(ZalvertenWindowTest, TheSearchLineFindsByTheCurrentColumn) {
    TSearchLine* search = window_->SearchLine();
    QLineEdit* edit = search->Edit();
    EXPECT_EQ(edit->placeholderText(), QString::fromUtf8("Suchen…"));
    window_->activateWindow();
    emit window_->findChild<QShortcut*>("SuchenKuerzel")->activated();
    QApplication::processEvents();
    EXPECT_TRUE(edit->hasFocus());

    Grid()->SetSelectedColumn(5);  // Tour
    Type(edit, "t2");
    EXPECT_TRUE(search->PauseTimer()->isActive());  // no search while typing
    EXPECT_EQ(Tour(), "T1");
    // The pause ends: the timer's own search runs.
    QElapsedTimer waited;
    waited.start();
    while (search->PauseTimer()->isActive() && waited.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(Tour(), "T2");
    Key(edit, Qt::Key_F3);
    EXPECT_EQ(Tour(), "T20");
    Key(edit, Qt::Key_Return);
    EXPECT_EQ(Tour(), "T21");
    Key(edit, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Tour(), "T20");
    EXPECT_FALSE(search->Missed());
    EXPECT_TRUE(search->Result()->text().isEmpty());

    Type(edit, "x");
    search->LocateFirst();
    EXPECT_TRUE(search->Missed());
    EXPECT_EQ(search->Result()->text(), "Nicht gefunden");
    EXPECT_EQ(Tour(), "T20");  // the cursor stays

    // Numbers and dates by the beginning of the text the grid shows.
    Grid()->SetSelectedColumn(0);  // ID
    edit->setText("3");
    search->LocateFirst();
    EXPECT_EQ(Tour(), "T3");
    Key(edit, Qt::Key_F3);
    EXPECT_EQ(Tour(), "T30");
    Key(edit, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(Tour(), "T3");
    edit->setText("7a");  // no shown number begins so
    search->LocateFirst();
    EXPECT_TRUE(search->Missed());
    EXPECT_EQ(search->Result()->text(), "Nicht gefunden");
    EXPECT_EQ(Tour(), "T3");

    Grid()->SetSelectedColumn(3);  // Datumvon, shown as "31.03.2024 12:30:00"
    for (const char* shown : {"31", "31.03.", "31.03.2024 12:3"}) {
        edit->setText(shown);
        search->LocateFirst();
        EXPECT_FALSE(search->Missed()) << shown;
        EXPECT_EQ(Tour(), "T1") << shown;
    }
    edit->setText("2024");  // the year does not begin the shown date
    search->LocateFirst();
    EXPECT_TRUE(search->Missed());
    Grid()->SetSelectedColumn(7);  // Netto
    const std::string netto = Grid()->CellText(Grid()->ActiveRow(), 7);
    edit->setText(QString::fromStdString(netto.substr(0, 6)));
    Key(edit, Qt::Key_F3);
    EXPECT_EQ(Tour(), "T2");
    edit->setText("1234");  // the grid shows the thousands separated
    Key(edit, Qt::Key_F3);
    EXPECT_TRUE(search->Missed());
    EXPECT_EQ(netto.substr(0, 6), "1.234,");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ZalvertenWindowTest, TheEditPageShowsAndEditsTheCurrentRecord) {
    TRecordForm* form = window_->RecordForm();
    auto* layout = static_cast<QFormLayout*>(form->layout());
    ASSERT_EQ(layout->rowCount(), Zalvert().FieldCount());
    const char* order[] = {"ID", "Recdatum", "Recnr", "Recvon", "Recan", "Datumvon", "Datumbis"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(static_cast<QLabel*>(layout->itemAt(i, QFormLayout::LabelRole)->widget())->text(),
                  order[i]);
    auto* id = qobject_cast<TDBEdit*>(form->Control("ID"));
    auto* tour = qobject_cast<TDBEdit*>(form->Control("Tour"));
    auto* done = qobject_cast<TDBCheckBox*>(form->Control("erledigt"));
    auto* memo = qobject_cast<TDBMemo*>(form->Control("Bemerkung"));
    ASSERT_TRUE(id && tour && done && memo);
    EXPECT_TRUE(id->isReadOnly());
    EXPECT_EQ(tour->text(), "T1");
    EXPECT_EQ(qobject_cast<TDBEdit*>(form->Control("Datumvon"))->text(), "31.03.2024 12:30:00");

    Key(Grid(), Qt::Key_Down);  // the form follows the grid
    EXPECT_EQ(tour->text(), "T2");
    memo->setPlainText("Zeile 1\nZeile 2");
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsEdit);
    Key(Grid(), Qt::Key_Down);  // leaving the record stores the remark
    EXPECT_EQ(Stored(2, "Bemerkung"), "Zeile 1\r\nZeile 2");
    EXPECT_EQ(tour->text(), "T3");
    EXPECT_EQ(memo->toPlainText(), "");

    memo->setPlainText("verworfen");
    Nav(TDBNavigator::nbCancel)->click();
    EXPECT_EQ(memo->toPlainText(), "");
    EXPECT_EQ(Stored(3, "Bemerkung"), "");

    Type(tour, "x");  // the grid follows the form
    EXPECT_EQ(Zalvert().State(), TDataSetState::dsEdit);
    done->click();
    EXPECT_EQ(Grid()->CellText(Grid()->ActiveRow(), 11), "Wahr");
    Nav(TDBNavigator::nbPrior)->click();
    EXPECT_EQ(StoredTour(3), "T3x");
    EXPECT_EQ(Stored(3, "erledigt"), "True");
    EXPECT_EQ(tour->text(), "T2");
    EXPECT_EQ(memo->toPlainText(), "Zeile 1\nZeile 2");
    EXPECT_TRUE(ui_.Messages.empty());
}

// Two runs in the log: records 1 to 20 of run 1, 21 to 50 of run 2.
class ImportlaeufeTest : public ZalvertenWindowTest {
  protected:
    void SetUp() override {
        ZalvertenWindowTest::SetUp();
        SetClockForTesting(TSystemTime{2026, 12, 8, 14, 7, 9, 0});
        engine::Database& db = *data_->Datenbank->DatabaseObject();
        db.Execute("UPDATE Zalvert SET ImportID = 2 WHERE ID > 20");
        db.Execute(
            "INSERT INTO u_Importlauf (ImportID, Datei, Archivname, Zeit, Verarbeitet, "
            "Importiert, Abgelehnt) VALUES (1, '/import/a.csv', 'a-1.csv', #12/01/2026 10:00#, "
            "21, 20, 1)");
        db.Execute(
            "INSERT INTO u_Importlauf (ImportID, Datei, Archivname, Zeit, Verarbeitet, "
            "Importiert, Abgelehnt) VALUES (2, '/import/b.csv', 'b-1.csv', #12/02/2026 10:00#, "
            "30, 30, 0)");
        main_ = std::make_unique<Tfmain>(*data_, ui_, [] {});
        main_->show();
        main_->Importlaeufe1()->trigger();
        QApplication::processEvents();
        runs_ = main_->Fimportlaeufe();
    }
    void TearDown() override {
        main_.reset();
        SetClockForTesting(std::nullopt);
        ZalvertenWindowTest::TearDown();
    }

    std::unique_ptr<Tfmain> main_;
    TFimportlaeufe* runs_ = nullptr;
};

TEST_F(ImportlaeufeTest, ListsTheRunsNewestFirstInOneWindow) {
    ASSERT_NE(runs_, nullptr);
    ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    EXPECT_EQ(runs_->Runs().RecordCount(), 2);
    EXPECT_EQ(runs_->windowTitle(), QString::fromUtf8("Importläufe"));
    EXPECT_EQ(runs_->Anzeigen()->text(), "Anzeigen");
    EXPECT_EQ(runs_->Rueckgaengig()->text(), QString::fromUtf8("Rückgängig machen"));
    EXPECT_EQ(runs_->Grid()->CellText(0, 0), "2");
    EXPECT_EQ(runs_->Grid()->CellText(1, 0), "1");
    EXPECT_EQ(runs_->Grid()->CellText(1, 3), "a-1.csv");
    EXPECT_EQ(runs_->Grid()->CellText(1, 6), "1");
    runs_->parentWidget()->close();
    main_->Importlaeufe1()->trigger();
    EXPECT_EQ(main_->Fimportlaeufe(), runs_);
    EXPECT_TRUE(runs_->isVisible());
}

// Sorted by run, newest first, and by any column with a click on its title; the
// selected run stays selected.
TEST_F(ImportlaeufeTest, ATitleClickSortsTheRuns) {
    TDBGrid* grid = runs_->Grid();
    EXPECT_EQ(grid->SortColumn(), 0);
    EXPECT_TRUE(grid->SortDescending());
    emit grid->TitleClicked(6);  // Abgelehnt: run 2 refused none
    EXPECT_EQ(grid->SortColumn(), 6);
    EXPECT_FALSE(grid->SortDescending());
    EXPECT_EQ(runs_->CurrentRun(), 2);
    runs_->Runs().First();
    EXPECT_EQ(runs_->CurrentRun(), 2);
    emit grid->TitleClicked(6);
    runs_->Runs().First();
    EXPECT_EQ(runs_->CurrentRun(), 1);
    emit grid->TitleClicked(0);
    EXPECT_EQ(runs_->CurrentRun(), 1);
    runs_->Runs().First();
    EXPECT_EQ(grid->CellText(0, 0), "1");
    EXPECT_TRUE(ui_.Messages.empty());
}

// "Bericht…" makes a PDF of the selected run with its refused lines, read from the
// file beside the archive copy; "Abgelehnte öffnen" hands that file to the desktop.
TEST_F(ImportlaeufeTest, ReportsARunWithItsRefusedLines) {
    dir_.Write("archiv/a-1.abgelehnt.csv",
               "Nordfracht;Bäckerei Süd;01.12.2026;;T7;Doppelt: wie Zeile 3\r\n"
               "Fremdfirma;Kunde;01.12.2026;;T8;Versender unbekannt\r\n");
    data_->Datenbank->DatabaseObject()->Execute(
        "UPDATE u_Importlauf SET SHA256 = 'ab12', Rueckgaengig = #12/03/2026 09:15# WHERE "
        "ImportID = 2");
    runs_->Reload();
    runs_->Runs().Locate("ImportID", Variant(1), 0);
    const std::string path = dir_.Path() + "bericht.pdf";
    ui_.SaveAnswers.push_back(TSaveChoice{path, 0});
    runs_->Bericht()->click();
    ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
    ASSERT_EQ(ui_.SaveDialogs.size(), 1u);
    EXPECT_TRUE(ui_.SaveDialogs[0].ends_with("/Importlauf-1.pdf"));
    const std::string text = PdfText(path);
    EXPECT_NE(text.find("Importlauf 1"), std::string::npos) << text;
    EXPECT_NE(text.find("/import/a.csv"), std::string::npos);
    EXPECT_NE(text.find("a-1.csv"), std::string::npos);
    EXPECT_NE(text.find("01.12.2026 10:00:00"), std::string::npos);
    EXPECT_NE(text.find("1, davon 1 doppelt"), std::string::npos);
    EXPECT_NE(text.find("Bäckerei Süd"), std::string::npos);
    EXPECT_NE(text.find("Doppelt: wie Zeile 3"), std::string::npos);
    EXPECT_NE(text.find("Versender unbekannt"), std::string::npos);
    EXPECT_NE(text.find("nein"), std::string::npos);  // not undone

    runs_->Abgelehnte()->click();
    EXPECT_EQ(ui_.OpenedDocuments,
              std::vector<std::string>{dir_.Path() + "archiv/a-1.abgelehnt.csv"});

    runs_->Runs().Locate("ImportID", Variant(2), 0);
    ui_.SaveAnswers.push_back(TSaveChoice{path, 0});
    runs_->Bericht()->click();
    const std::string second = PdfText(path);
    EXPECT_NE(second.find("Importlauf 2"), std::string::npos);
    EXPECT_NE(second.find("ab12"), std::string::npos);
    EXPECT_NE(second.find("am 03.12.2026 09:15:00"), std::string::npos) << second;
    EXPECT_EQ(second.find("Abgelehnte Zeilen"), std::string::npos);
    runs_->Abgelehnte()->click();
    EXPECT_EQ(ui_.OpenedDocuments.size(), 1u);
    EXPECT_EQ(ui_.Informations.back(), "Import 2 hat keine Zeile abgelehnt.");
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ImportlaeufeTest, AnzeigenShowsOnlyTheRunsRecords) {
    runs_->Runs().Next();  // run 1
    runs_->Anzeigen()->click();
    TFzalverten* billing = main_->Fzalverten();
    ASSERT_NE(billing, nullptr);
    EXPECT_TRUE(billing->isVisible());
    EXPECT_EQ(Zalvert().RecordCount(), 20);
    EXPECT_TRUE(billing->AlleAnzeigen()->isVisibleTo(billing));
    Zalvert().Last();
    Zalvert().Prior();
    EXPECT_EQ(Tour(), "T19");
    QElapsedTimer clock;
    clock.start();
    while (billing->Totals()->text().toStdString() != "20 Datensätze · Netto 24.690,00 €" &&
           clock.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(billing->Totals()->text().toStdString(), "20 Datensätze · Netto 24.690,00 €");
    billing->AlleAnzeigen()->click();
    EXPECT_EQ(Zalvert().RecordCount(), 50);
    EXPECT_EQ(Tour(), "T19");  // the record shown stays the current one
    EXPECT_FALSE(billing->AlleAnzeigen()->isVisibleTo(billing));
    EXPECT_TRUE(ui_.Messages.empty());
}

TEST_F(ImportlaeufeTest, RueckgaengigDeletesTheRunOnlyAfterYes) {
    runs_->Runs().Next();  // run 1
    ui_.ConfirmAnswers.push_back(false);
    runs_->Rueckgaengig()->click();
    EXPECT_EQ(
        ui_.Questions,
        (std::vector<std::string>{"Import 1 rückgängig machen? 20 Datensätze werden gelöscht."}));
    EXPECT_EQ(Zalvert().RecordCount(), 50);
    ui_.AskWith = testing::AnswerWithEnter;
    runs_->Rueckgaengig()->click();
    EXPECT_EQ(ui_.Questions.size(), 2u);
    EXPECT_EQ(Zalvert().RecordCount(), 50);
    ui_.AskWith = nullptr;
    ui_.ConfirmAnswers.push_back(true);
    runs_->Rueckgaengig()->click();
    EXPECT_EQ(Zalvert().RecordCount(), 30);
    EXPECT_EQ(Tour(), "T21");
    EXPECT_EQ(runs_->Runs().FieldByName("ImportID").AsInteger(), 1);  // still the current run
    EXPECT_EQ(runs_->Grid()->CellText(runs_->Grid()->ActiveRow(), 7), "08.12.2026 14:07:09");
    // The undo says what it did, and a run undone cannot be undone again.
    EXPECT_EQ(
        ui_.Messages,
        (std::vector<std::string>{"Import 1 wurde rückgängig gemacht: 20 Datensätze gelöscht."}));
    EXPECT_FALSE(runs_->Rueckgaengig()->isEnabled());
    EXPECT_TRUE(runs_->Anzeigen()->isEnabled());
    runs_->Runs().Prior();
    EXPECT_TRUE(runs_->Rueckgaengig()->isEnabled());
    runs_->Runs().Next();
    EXPECT_FALSE(runs_->Rueckgaengig()->isEnabled());
}

// The same window over a database server: the program's connect text in its INI.
class ZalvertenOnServerTest : public ZalvertenWindowTest {
  protected:
    std::string CreateBillingDatabase() override {
        const char* connect = std::getenv("ZALVERT_TEST_ODBC");
        if (!connect || !*connect) return {};
        testing::TBothEngines(testing::TEngineKind::Server)
            .DropTables({"Zalvert", "u_Recvon", "u_Importlauf"});
        CreateZalvertDatabase(connect, {"Nordfracht"});
        return connect;
    }
};

TEST_F(ZalvertenOnServerTest, ShowsAndBrowsesTheServersRecords) {
    EXPECT_EQ(data_->Datenbank->DatabaseType(), "ODBC");
    ExpectDisplayTexts();
    Key(Grid(), Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(Tour(), "T50");
    EXPECT_EQ(Grid()->verticalScrollBar()->value(), 49);
    Key(Grid(), Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(Tour(), "T1");
    // The search line's find: a beginning, letter case aside.
    EXPECT_TRUE(Zalvert().Locate("Tour", Variant("t4"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Tour(), "T4");
    EXPECT_TRUE(Zalvert().FindNextByKey("Tour", Variant("t4"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(Tour(), "T40");
}

}  // namespace
}  // namespace zalvert

// The toolkit's own texts, as the program shows them, are German.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/QtInteraction.h"
#include "tests/app/AnswerWithEnter.h"
#include "tests/support/QtPrinters.h"

namespace zalvert {
namespace {

QStringList Texts(const QList<QAction*>& actions) {
    QStringList texts;
    for (QAction* action : actions)
        if (!action->isSeparator()) texts << action->text().split('\t').first();
    return texts;
}

TEST(GermanTexts, TheConfirmationAnswersJaOrNein) {
    const auto box = TQtInteraction::MakeQuestion("Datensatz löschen?");
    EXPECT_EQ(box->text(), "Datensatz löschen?");
    EXPECT_EQ(box->button(QMessageBox::Yes)->text(), "&Ja");
    EXPECT_EQ(box->button(QMessageBox::No)->text(), "&Nein");
    // Every question's yes stores, deletes or overwrites: Enter and Escape say no.
    EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()), box->button(QMessageBox::No));
    EXPECT_FALSE(testing::AnswerWithEnter("Datensatz löschen?"));
    EXPECT_FALSE(testing::AnswerWithEscape("Datensatz löschen?"));
}

TEST(GermanTexts, EditFieldsAndChildWindowsHaveGermanMenus) {
    QLineEdit edit("2018");
    const std::unique_ptr<QMenu> context(edit.createStandardContextMenu());
    const QStringList editTexts = Texts(context->actions());
    EXPECT_TRUE(editTexts.contains("&Kopieren")) << editTexts.join(", ").toStdString();
    EXPECT_TRUE(editTexts.contains("Alles auswählen")) << editTexts.join(", ").toStdString();

    QMdiSubWindow child;
    const QStringList systemTexts = Texts(child.systemMenu()->actions());
    EXPECT_TRUE(systemTexts.contains("Schl&ießen")) << systemTexts.join(", ").toStdString();
    EXPECT_FALSE(systemTexts.contains("&Close"));
}

// The toolkit's dialogs take the system locale's forms: German on any machine; the
// C library keeps the point for the program's own numbers.
TEST(GermanTexts, TheToolkitsFormsAreGermanAndTheCLibrarysNeutral) {
    EXPECT_EQ(QLocale::system().toString(QDate(2024, 3, 31), QLocale::ShortFormat), "31.03.24");
    EXPECT_EQ(QLocale::system().toString(1234.5, 'f', 1), "1.234,5");
    EXPECT_EQ(QLocale().toString(1234.5, 'f', 1), "1.234,5");
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    EXPECT_STREQ(text, "1.5");
    EXPECT_EQ(std::strtod("2.25", nullptr), 2.25);
}

}  // namespace
}  // namespace zalvert

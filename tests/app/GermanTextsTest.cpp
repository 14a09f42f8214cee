// The toolkit's own texts, as the program shows them, are German.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>

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

}  // namespace
}  // namespace zalvert

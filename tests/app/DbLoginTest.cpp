#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "tests/support/QtPrinters.h"
#include "widgets/DbLogin.h"

namespace zalvert {
namespace {

TEST(DbLogin, HasTheControlsAndTextsOfTheLoginDialog) {
    TDbLogin dialog;
    EXPECT_EQ(dialog.windowTitle(), "Database Login");
    EXPECT_EQ(dialog.size(), QSize(375, 180));
    EXPECT_EQ(dialog.Password()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.DbPassword()->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.Username()->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog.Button1()->text(), "Ok");
    EXPECT_TRUE(dialog.Button1()->isDefault());
    EXPECT_EQ(dialog.Button2()->text(), "Cancel");
    QStringList captions;
    for (QLabel* label : dialog.findChildren<QLabel*>()) captions << label->text();
    EXPECT_TRUE(captions.contains("&User Name .............:"));
    EXPECT_TRUE(captions.contains("&Password ...............:"));
    EXPECT_TRUE(captions.contains("&Database Password:"));
    EXPECT_TRUE(captions.contains("Database ................:"));
    dialog.Button2()->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    dialog.Button1()->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

}  // namespace
}  // namespace zalvert

#include "widgets/DbLogin.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/DesignFont.h"

namespace zalvert {

TDbLogin::TDbLogin(QWidget* parent)
    : QDialog(parent),
      databaseName_(new QLabel(this)),
      username_(new QLineEdit(this)),
      password_(new QLineEdit(this)),
      dbPassword_(new QLineEdit(this)),
      ok_(new QPushButton("Ok", this)),
      cancel_(new QPushButton("Cancel", this)) {
    setObjectName("DbLogin");
    setWindowTitle("Database Login");
    setFont(DesignFont());
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(375, 180);
    databaseName_->setObjectName("DatabaseName");
    username_->setObjectName("Username");
    password_->setObjectName("Password");
    dbPassword_->setObjectName("DbPassword");
    password_->setEchoMode(QLineEdit::Password);
    dbPassword_->setEchoMode(QLineEdit::Password);
    ok_->setObjectName("Button1");
    cancel_->setObjectName("Button2");
    ok_->setDefault(true);

    auto* grid = new QGridLayout;
    const auto label = [&](const QString& text, QWidget* buddy, int row) {
        auto* caption = new QLabel(text, this);
        caption->setBuddy(buddy);
        grid->addWidget(caption, row, 0);
        grid->addWidget(buddy, row, 1);
    };
    grid->addWidget(new QLabel("Database ................:", this), 0, 0);
    grid->addWidget(databaseName_, 0, 1);
    label("&User Name .............:", username_, 1);
    label("&Password ...............:", password_, 2);
    label("&Database Password:", dbPassword_, 3);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    username_->setFocus();
}

}  // namespace zalvert

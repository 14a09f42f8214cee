#pragma once
// The database login dialog: database name, user name, password and the database's
// own password.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace zalvert {

class TDbLogin : public QDialog {
    Q_OBJECT
  public:
    explicit TDbLogin(QWidget* parent = nullptr);

    QLabel* DatabaseName() const { return databaseName_; }
    QLineEdit* Username() const { return username_; }
    QLineEdit* Password() const { return password_; }
    QLineEdit* DbPassword() const { return dbPassword_; }
    QPushButton* Button1() const { return ok_; }
    QPushButton* Button2() const { return cancel_; }

  private:
    QLabel* databaseName_;
    QLineEdit* username_;
    QLineEdit* password_;
    QLineEdit* dbPassword_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

}  // namespace zalvert

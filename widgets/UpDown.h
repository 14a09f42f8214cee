#pragma once
// An up-down control bound to a one-line edit: its arrows step the number in the
// edit within a range and write it back, while typing into the edit stays free.

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace zalvert {

class TUpDown : public QWidget {
    Q_OBJECT
  public:
    explicit TUpDown(QWidget* parent = nullptr);

    void SetAssociate(QLineEdit* edit);
    void SetRange(int minimum, int maximum);
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Position() const { return position_; }
    // Clamps into the range and writes the number into the associated edit.
    void SetPosition(int position);

    void StepUp() { Step(+1); }
    void StepDown() { Step(-1); }

  private:
    void Step(int delta);

    QLineEdit* associate_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};

}  // namespace zalvert

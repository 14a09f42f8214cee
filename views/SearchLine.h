#pragma once
// The billing window's search line: locates, once the user pauses typing, the
// first record whose value in the grid's current column begins with the text
// (letter case aside); Enter and F3 find the next such record, Shift+F3 the
// previous one. A miss is shown beside the line and leaves the cursor.

#include <QWidget>
#include <functional>
#include <string>

class QLabel;
class QLineEdit;
class QTimer;

namespace zalvert {

class TZedaDaoTable;

class TSearchLine : public QWidget {
    Q_OBJECT
  public:
    // `fieldName` names the field to search: the grid's current column.
    TSearchLine(TZedaDaoTable& table, std::function<std::string()> fieldName,
                QWidget* parent = nullptr);

    QLineEdit* Edit() const { return edit_; }
    QLabel* Result() const { return result_; }
    QTimer* PauseTimer() const { return timer_; }
    bool Missed() const { return missed_; }

    void StartSearch();   // Ctrl+F: the focus into the line
    void LocateFirst();   // after the pause
    void FindNext();      // Enter, F3
    void FindPrevious();  // Shift+F3

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    template <class Search>
    void Run(Search&& search);
    void ShowOutcome(bool found, const QString& message);

    TZedaDaoTable& table_;
    std::function<std::string()> fieldName_;
    QLineEdit* edit_ = nullptr;
    QLabel* result_ = nullptr;
    QTimer* timer_ = nullptr;
    bool missed_ = false;
};

}  // namespace zalvert

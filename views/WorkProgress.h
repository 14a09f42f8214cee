#pragma once
// A progress window for long work done on the window's own thread: it shows after
// half a second, counts "12.345 von 1.000.000", and its "Abbrechen" stops the work
// at its next step.

#include <QString>
#include <memory>

class QProgressDialog;
class QWidget;

namespace zalvert {

class TWorkProgress {
  public:
    TWorkProgress(QWidget* parent, const QString& text);
    ~TWorkProgress();
    // For the work's progress callback: false once the user cancelled.
    bool operator()(long done, long total);
    QProgressDialog* Dialog() const { return dialog_.get(); }

  private:
    std::unique_ptr<QProgressDialog> dialog_;
    QString text_;
};

}  // namespace zalvert

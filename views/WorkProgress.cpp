#include "views/WorkProgress.h"

#include <QApplication>
#include <QProgressDialog>

#include "rtl/FormatSettings.h"

namespace zalvert {

TWorkProgress::TWorkProgress(QWidget* parent, const QString& text)
    : dialog_(std::make_unique<QProgressDialog>(text, "Abbrechen", 0, 1000, parent)), text_(text) {
    dialog_->setObjectName("Fortschritt");
    dialog_->setWindowTitle(QGuiApplication::applicationDisplayName());
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(500);
    dialog_->setAutoReset(false);
    dialog_->setAutoClose(false);
    dialog_->setValue(0);
}

TWorkProgress::~TWorkProgress() = default;

bool TWorkProgress::operator()(long done, long total) {
    if (total > 0) {
        dialog_->setLabelText(text_ + "\n" + QString::fromStdString(GroupedNumber(done)) + " von " +
                              QString::fromStdString(GroupedNumber(total)));
        // A modal progress window lets the events through here, "Abbrechen" among them.
        dialog_->setValue(static_cast<int>(std::min(1000L, done * 1000 / total)));
    } else {
        QApplication::processEvents();
    }
    return !dialog_->wasCanceled();
}

}  // namespace zalvert

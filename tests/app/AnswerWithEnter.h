#pragma once
// Asks a question in the program's own dialog and answers it as a user does by
// habit: with Enter (or Escape) on whatever button the dialog has as its default.

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTimer>

#include <string>

#include "app/QtInteraction.h"

namespace zalvert::testing {

inline bool AnswerWithKey(const std::string& question, int key) {
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, [key] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
            QApplication::sendEvent(box, &press);
        }
    });
    timer.start();
    return TQtInteraction().Confirm(question);
}

inline bool AnswerWithEnter(const std::string& question) {
    return AnswerWithKey(question, Qt::Key_Return);
}

inline bool AnswerWithEscape(const std::string& question) {
    return AnswerWithKey(question, Qt::Key_Escape);
}

}  // namespace zalvert::testing

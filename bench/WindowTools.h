#pragma once
// Driving a window in the benchmarks: keys as the user presses them, and painting
// as the screen would show it.

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace zalvert::bench {

inline void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

inline void Paint(QWidget& window) {
    (void)window.grab();
}

}  // namespace zalvert::bench

#pragma once
// Driving a window in the benchmarks: keys as the user presses them, painting as
// the screen would show it, and the billing records window opened.

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <memory>

#include "bench/BenchTools.h"
#include "views/Zalverten.h"

namespace zalvert::bench {

inline void Key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &press);
}

inline void Paint(QWidget& window) {
    (void)window.grab();
}

// The billing records window over `data`, opened and painted as the user sees it.
inline std::unique_ptr<TFzalverten> OpenBillingWindow(TData& data) {
    auto window = std::make_unique<TFzalverten>(data);
    window->resize(1395, 750);
    window->show();
    Paint(*window);
    return window;
}

// Seconds from a key pressed on `target` until `window` is painted again.
inline double KeyUntilPainted(QWidget* target, QWidget& window, int key,
                              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    return Seconds([&] {
        Key(target, key, modifiers);
        Paint(window);
    });
}

}  // namespace zalvert::bench

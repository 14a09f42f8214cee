#pragma once
// Whether a data control that lost the focus was left for another control. A click
// on a control that takes no focus (the navigator's buttons) hands the focus to the
// first window around it that takes one, such as the MDI window: the field was not
// left, and its text is stored with the record or given up with it.

#include <QApplication>
#include <QWidget>

namespace zalvert {

inline bool FocusLeftControl(const QWidget& control) {
    const QWidget* now = QApplication::focusWidget();
    return !(now && now->isAncestorOf(&control));
}

}  // namespace zalvert

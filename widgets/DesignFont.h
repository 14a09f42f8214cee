#pragma once
// The windows' design font: an 8-point sans serif, 11 pixels high.

#include <QFont>

namespace zalvert {

inline QFont DesignFont() {
    QFont font("MS Sans Serif");
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

}  // namespace zalvert

#pragma once
// The toolkit's scroll bars, with a thumb that stands out from its track: the
// default style draws a large thumb lighter than the track, so that with few
// records the track looked like the thumb, at the other end.

#include <QProxyStyle>

namespace zalvert {

class TScrollThumbStyle : public QProxyStyle {
  public:
    TScrollThumbStyle();
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget = nullptr) const override;
};

}  // namespace zalvert

#include "widgets/ScrollThumbStyle.h"

#include <QPainter>
#include <QStyleOptionSlider>

namespace zalvert {

TScrollThumbStyle::TScrollThumbStyle() : QProxyStyle(nullptr) {}

void TScrollThumbStyle::drawComplexControl(ComplexControl control,
                                           const QStyleOptionComplex* option, QPainter* painter,
                                           const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control != CC_ScrollBar) return;
    const auto* bar = qstyleoption_cast<const QStyleOptionSlider*>(option);
    if (!bar || bar->minimum == bar->maximum) return;
    const QRect thumb = subControlRect(CC_ScrollBar, bar, SC_ScrollBarSlider, widget);
    if (thumb.isEmpty()) return;
    const bool pressed =
        bar->activeSubControls & SC_ScrollBarSlider && bar->state & QStyle::State_Sunken;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(Qt::NoPen);
    painter->setBrush(bar->palette.color(pressed ? QPalette::Shadow : QPalette::Dark));
    painter->drawRoundedRect(QRectF(thumb).adjusted(2, 2, -2, -2), 3, 3);
    painter->restore();
}

}  // namespace zalvert

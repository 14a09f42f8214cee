#include "widgets/UpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace zalvert {

TUpDown::TUpDown(QWidget* parent)
    : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this)) {
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
        button->setFixedWidth(16);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, &TUpDown::StepUp);
    connect(down_, &QToolButton::clicked, this, &TUpDown::StepDown);
}

void TUpDown::SetAssociate(QLineEdit* edit) {
    associate_ = edit;
    SetPosition(position_);
}

void TUpDown::SetRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    position_ = std::clamp(position_, min_, max_);
}

void TUpDown::SetPosition(int position) {
    position_ = std::clamp(position, min_, max_);
    if (associate_) associate_->setText(QString::number(position_));
}

// A number the user typed within the range is where the step starts from.
void TUpDown::Step(int delta) {
    if (associate_) {
        bool ok = false;
        const int typed = associate_->text().trimmed().toInt(&ok);
        if (ok && typed >= min_ && typed <= max_) position_ = typed;
    }
    SetPosition(position_ + delta);
}

}  // namespace zalvert

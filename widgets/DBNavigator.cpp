#include "widgets/DBNavigator.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

#include "rtl/Interaction.h"

namespace zalvert {

class TDBNavigator::TLink : public TDataLink {
  public:
    explicit TLink(TDBNavigator& navigator) : navigator_(navigator) {}

  protected:
    void ActiveChanged() override { navigator_.UpdateButtons(); }
    void DataSetChanged() override { navigator_.UpdateButtons(); }
    void EditingChanged() override { navigator_.UpdateButtons(); }

  private:
    TDBNavigator& navigator_;
};

namespace {

struct TButtonDesign {
    const char* Name;
    const char* Hint;
    QStyle::StandardPixmap Icon;
};

constexpr TButtonDesign kButtons[] = {
    {"First", "Erster Datensatz", QStyle::SP_MediaSkipBackward},
    {"Prior", "Vorheriger Datensatz", QStyle::SP_MediaSeekBackward},
    {"Next", "Nächster Datensatz", QStyle::SP_MediaSeekForward},
    {"Last", "Letzter Datensatz", QStyle::SP_MediaSkipForward},
    {"Cancel", "Bearbeiten abbrechen", QStyle::SP_DialogCancelButton},
};

}  // namespace

TDBNavigator::TDBNavigator(QWidget* parent)
    : QWidget(parent), link_(std::make_unique<TLink>(*this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (int i = 0; i < kButtonCount; ++i) {
        auto* button = new QToolButton(this);
        button->setObjectName(kButtons[i].Name);
        button->setIcon(style()->standardIcon(kButtons[i].Icon));
        button->setAutoRaise(true);  // flat
        // The hint is kept with the button; the window does not show hints.
        button->setAccessibleDescription(QString::fromUtf8(kButtons[i].Hint));
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        // A failure of the dataset is shown; it must not leave the click handler.
        connect(button, &QToolButton::clicked, this, [this, i] {
            RunGuarded(ApplicationInteraction(), [&] { Click(static_cast<TButton>(i)); });
        });
        buttons_[static_cast<size_t>(i)] = button;
    }
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() {
    link_->SetDataSource(nullptr);
}

TDataSource* TDBNavigator::DataSource() const {
    return link_->DataSource();
}

void TDBNavigator::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    UpdateButtons();
}

void TDBNavigator::Click(TButton button) {
    TDataSet* data = link_->DataSet();
    if (!data || !link_->Active()) return;
    switch (button) {
        case nbFirst:
            return data->First();
        case nbPrior:
            return data->Prior();
        case nbNext:
            return data->Next();
        case nbLast:
            return data->Last();
        case nbCancel:
            return data->Cancel();
    }
}

void TDBNavigator::UpdateButtons() {
    TDataSet* data = link_->DataSet();
    const bool active = data && link_->Active();
    const bool editing = active && (data->State() == TDataSetState::dsEdit ||
                                    data->State() == TDataSetState::dsInsert);
    const bool atStart = !active || data->Bof();
    const bool atEnd = !active || data->Eof();
    buttons_[nbFirst]->setEnabled(active && !atStart);
    buttons_[nbPrior]->setEnabled(active && !atStart);
    buttons_[nbNext]->setEnabled(active && !atEnd);
    buttons_[nbLast]->setEnabled(active && !atEnd);
    buttons_[nbCancel]->setEnabled(editing);
}

}  // namespace zalvert

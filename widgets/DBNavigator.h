#pragma once
// A record navigator bound to a data source: buttons for the first, prior, next
// and last record and for cancelling an edit, enabled as the dataset allows.

#include <QWidget>
#include <array>
#include <memory>

#include "dataset/DataSource.h"

class QToolButton;

namespace zalvert {

class TDBNavigator : public QWidget {
    Q_OBJECT
  public:
    enum TButton { nbFirst, nbPrior, nbNext, nbLast, nbCancel };
    static constexpr int kButtonCount = 5;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* source);
    QToolButton* Button(TButton button) const { return buttons_[button]; }
    void Click(TButton button);

  private:
    class TLink;
    void UpdateButtons();

    std::array<QToolButton*, kButtonCount> buttons_{};
    std::unique_ptr<TLink> link_;
};

}  // namespace zalvert

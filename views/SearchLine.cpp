#include "views/SearchLine.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "dao/ZedaDaoTable.h"

namespace zalvert {
namespace {

constexpr int kPauseMs = 300;
constexpr int kSearchOptions = loCaseInsensitive | loPartialKey;

// A text field shows its value as it is: the engine finds it by its key. Every other
// field is compared in the form the grid shows (German numbers and dates), which
// only a pass over the records can do.
bool ShowsItsValue(const TField& field) {
    switch (field.DataType()) {
        case TFieldType::ftString:
        case TFieldType::ftMemo:
            return true;
        default:
            return false;
    }
}

// The busy cursor while a pass over the records may take a moment.
class TBusy {
  public:
    explicit TBusy(bool busy) : busy_(busy) {
        if (busy_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~TBusy() {
        if (busy_) QGuiApplication::restoreOverrideCursor();
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

  private:
    bool busy_;
};

}  // namespace

TSearchLine::TSearchLine(TZedaDaoTable& table, std::function<std::string()> fieldName,
                         QWidget* parent)
    : QWidget(parent), table_(table), fieldName_(std::move(fieldName)) {
    setObjectName("SearchLine");
    edit_ = new QLineEdit(this);
    edit_->setObjectName("SearchEdit");
    edit_->setPlaceholderText(QStringLiteral("Suchen…"));
    edit_->setClearButtonEnabled(true);
    edit_->setFixedWidth(220);
    edit_->installEventFilter(this);
    result_ = new QLabel(this);
    result_->setObjectName("SearchResult");
    result_->setStyleSheet("color: #c00000;");
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(kPauseMs);
    connect(timer_, &QTimer::timeout, this, &TSearchLine::LocateFirst);
    connect(edit_, &QLineEdit::textEdited, this, [this] { timer_->start(); });
    connect(edit_, &QLineEdit::returnPressed, this, &TSearchLine::FindNext);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    layout->addWidget(edit_);
    layout->addWidget(result_);
    layout->addStretch();
}

void TSearchLine::StartSearch() {
    edit_->setFocus(Qt::ShortcutFocusReason);
    edit_->selectAll();
}

void TSearchLine::LocateFirst() {
    timer_->stop();
    if (edit_->text().isEmpty()) return ShowOutcome(true, {});
    Run([this](const std::string& field, const std::string& text, bool byKey) {
        return byKey ? table_.Locate(field, Variant(text), kSearchOptions)
                     : table_.FindFirstShown(field, text);
    });
}

void TSearchLine::FindNext() {
    // Enter before the pause ends searches from the start, as the pause would.
    if (timer_->isActive()) return LocateFirst();
    Run([this](const std::string& field, const std::string& text, bool byKey) {
        return byKey ? table_.FindNextByKey(field, Variant(text), kSearchOptions)
                     : table_.FindNextShown(field, text);
    });
}

void TSearchLine::FindPrevious() {
    timer_->stop();
    Run([this](const std::string& field, const std::string& text, bool byKey) {
        return byKey ? table_.FindPriorByKey(field, Variant(text), kSearchOptions)
                     : table_.FindPriorShown(field, text);
    });
}

template <class Search>
void TSearchLine::Run(Search&& search) {
    const std::string field = fieldName_();
    const std::string text = edit_->text().toStdString();
    if (field.empty() || text.empty() || !table_.Active()) return;
    try {
        const bool byKey = ShowsItsValue(table_.FieldByName(field));
        const TBusy busy(!byKey);
        ShowOutcome(search(field, text, byKey), {});
    } catch (const std::exception& error) {
        ShowOutcome(false, QString::fromStdString(error.what()));
    }
}

void TSearchLine::ShowOutcome(bool found, const QString& message) {
    missed_ = !found;
    result_->setText(found               ? QString()
                     : message.isEmpty() ? QStringLiteral("Nicht gefunden")
                                         : message);
    edit_->setStyleSheet(found ? QString()
                               : QStringLiteral("QLineEdit { border: 1px solid #c00000; }"));
}

bool TSearchLine::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F3) {
            if (key->modifiers() & Qt::ShiftModifier)
                FindPrevious();
            else
                FindNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zalvert

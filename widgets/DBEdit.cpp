#include "widgets/DBEdit.h"

#include <QKeyEvent>

#include "rtl/Interaction.h"
#include "widgets/FocusLeft.h"

namespace zalvert {

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    link_.OnDataChange = [this] { ShowField(); };
    link_.OnEditingChange = [this] { setReadOnly(!link_.CanModify()); };
    link_.OnUpdateData = [this] { link_.Field()->SetText(text().toStdString()); };
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::UserEdited);
    ShowField();
}

void TDBEdit::SetReadOnlyControl(bool readOnly) {
    link_.ReadOnly = readOnly;
    ShowField();
}

void TDBEdit::ShowField() {
    showing_ = true;
    TField* field = link_.Field();
    std::string shown;
    RunGuarded(ApplicationInteraction(), [&] { shown = field ? field->Text() : std::string(); });
    if (text().toStdString() != shown) setText(QString::fromStdString(shown));
    setReadOnly(!link_.CanModify());
    showing_ = false;
}

void TDBEdit::UserEdited() {
    if (showing_) return;
    // Entering edit mode shows the record again: the user's change is put back.
    const QString typed = text();
    const int cursor = cursorPosition();
    RunGuarded(ApplicationInteraction(), [&] {
        if (!link_.BeginChange() || text() == typed) return;
        showing_ = true;
        setText(typed);
        setCursorPosition(cursor);
        showing_ = false;
    });
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && link_.IsModified()) {
        link_.Reset();
        selectAll();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    if (link_.IsModified() && FocusLeftControl(*this))
        RunGuarded(ApplicationInteraction(), [&] { link_.UpdateRecord(); });
    QLineEdit::focusOutEvent(event);
}

}  // namespace zalvert

#include "widgets/DBMemo.h"

#include <QKeyEvent>

#include "rtl/Interaction.h"
#include "widgets/FocusLeft.h"

namespace zalvert {
namespace {

// Line ends as the editor keeps them (LF only).
std::string WithNewlines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    link_.OnDataChange = [this] { ShowField(); };
    link_.OnEditingChange = [this] { setReadOnly(!link_.CanModify()); };
    link_.OnUpdateData = [this] { link_.Field()->SetAsString(FieldText()); };
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::UserEdited);
    ShowField();
}

std::string TDBMemo::FieldText() const {
    const std::string plain = toPlainText().toStdString();
    std::string text;
    text.reserve(plain.size());
    for (char c : plain) {
        if (c == '\n')
            text += lineEnd_;
        else
            text += c;
    }
    return text;
}

void TDBMemo::ShowField() {
    showing_ = true;
    TField* field = link_.Field();
    std::string content;
    RunGuarded(ApplicationInteraction(),
               [&] { content = field ? field->AsString() : std::string(); });
    // Written back with the line ends it came with; new texts get the platform's own.
    lineEnd_ = content.find("\r\n") != std::string::npos ? "\r\n"
               : content.find('\n') != std::string::npos ? "\n"
               : content.find('\r') != std::string::npos ? "\r"
                                                         : "\r\n";
    setPlainText(QString::fromStdString(WithNewlines(content)));
    setReadOnly(!link_.CanModify());
    showing_ = false;
}

void TDBMemo::UserEdited() {
    if (showing_) return;
    // Entering edit mode shows the record again: the user's change is put back.
    const QString typed = toPlainText();
    const int cursor = textCursor().position();
    RunGuarded(ApplicationInteraction(), [&] {
        if (!link_.BeginChange() || toPlainText() == typed) return;
        showing_ = true;
        setPlainText(typed);
        QTextCursor restored = textCursor();
        restored.setPosition(cursor);
        setTextCursor(restored);
        showing_ = false;
    });
}

void TDBMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && link_.IsModified()) {
        link_.Reset();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    if (link_.IsModified() && FocusLeftControl(*this))
        RunGuarded(ApplicationInteraction(), [&] { link_.UpdateRecord(); });
    QPlainTextEdit::focusOutEvent(event);
}

}  // namespace zalvert

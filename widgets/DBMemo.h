#pragma once
// A multi-line editor bound to a memo field: reads and writes the whole text
// through the field (and so through the dataset's blob stream), keeping the
// text's own line ends. Editing puts the record into edit mode.

#include <QPlainTextEdit>
#include <string>

#include "dataset/FieldDataLink.h"

namespace zalvert {

class TDBMemo : public QPlainTextEdit {
    Q_OBJECT
  public:
    explicit TDBMemo(QWidget* parent = nullptr);

    void SetDataSource(TDataSource* source) { link_.SetDataSource(source); }
    void SetDataField(const std::string& name) { link_.SetFieldName(name); }
    TField* Field() const { return link_.Field(); }
    // The field's text as the memo would store it.
    std::string FieldText() const;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

  private:
    void ShowField();
    void UserEdited();

    TFieldDataLink link_;
    std::string lineEnd_ = "\r\n";
    bool showing_ = false;
};

}  // namespace zalvert

#pragma once
// The index definitions of a table component: the dataset's collection, knowing
// the table whose engine indexes it mirrors.

#include "dataset/FieldDefs.h"

namespace zalvert {

class TZedaDaoTable;

class TZedaDaoIndexDefs : public TIndexDefs {
  public:
    explicit TZedaDaoIndexDefs(TZedaDaoTable* table) : table_(table) {}
    TZedaDaoTable* Table() const { return table_; }
    // Writes new definitions into the stored table, drops indexes no longer
    // defined, and reads the definitions back.
    void Update();

  private:
    TZedaDaoTable* table_;
};

}  // namespace zalvert

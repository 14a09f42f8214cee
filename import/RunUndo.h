#pragma once
// Takes an import run back: all records it stored are deleted and its log entry
// gets the time of the undo, in one transaction. A run undone once is not undone
// again, and its file may be imported anew without the question.

#include <string>

#include "rtl/DateTime.h"

namespace zalvert {

class TData;

struct TRunState {
    int ImportId = 0;
    int Records = 0;  // billing records of the run now
    bool Undone = false;
    std::string UndoneAtText;  // when it was undone, in the regional settings
};

class TRunUndo {
  public:
    explicit TRunUndo(TData& data) : data_(data) {}
    // Raises EDatabaseError when no such run is logged.
    TRunState State(int importId);
    // The records deleted. Raises, with every record left in place, when the run
    // was undone before or the deletion fails; the billing table is then as it was.
    int Undo(int importId);

  private:
    TRunState Logged(int importId);
    void MarkUndone(int importId, TDateTime when);
    TData& data_;
};

// "Import 7 rückgängig machen? 120 Datensätze werden gelöscht."
std::string UndoQuestion(const TRunState& run);

}  // namespace zalvert

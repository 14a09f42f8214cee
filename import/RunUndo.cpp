#include "import/RunUndo.h"

#include "dao/SearchCriteria.h"
#include "data/Daten.h"
#include "data/Schema.h"
#include "dataset/DatabaseError.h"

namespace zalvert {
namespace {

std::string DateLiteral(TDateTime value) {
    return "#" + CriteriaDateText(value) + " " + CriteriaTimeText(value) + "#";
}

}  // namespace

std::string UndoQuestion(const TRunState& run) {
    return "Import " + std::to_string(run.ImportId) + " rückgängig machen? " +
           std::to_string(run.Records) + " Datensätze werden gelöscht.";
}

// The run as its log entry tells it, without counting its records.
TRunState TRunUndo::Logged(int importId) {
    engine::Database& db = *data_.Datenbank->DatabaseObject();
    const std::string id = std::to_string(importId);
    auto log = db.OpenRecordset(std::string("SELECT ") + kRunLogUndoField + " FROM " +
                                    kRunLogTable + " WHERE ImportID = " + id,
                                engine::dbOpenSnapshot);
    if (log->Eof()) DatabaseError("Import " + id + " ist nicht verzeichnet.");
    TRunState state;
    state.ImportId = importId;
    const Variant undone = log->Fields().Item(0)->Value();
    state.Undone = !undone.IsEmptyOrNull();
    if (state.Undone) state.UndoneAtText = DateTimeToStr(undone.AsDateTime());
    return state;
}

TRunState TRunUndo::State(int importId) {
    TRunState state = Logged(importId);
    auto count = data_.Datenbank->DatabaseObject()->OpenRecordset(
        "SELECT Count(*) AS n FROM Zalvert WHERE ImportID = " + std::to_string(importId),
        engine::dbOpenSnapshot);
    state.Records = count->Fields().Item(0)->Value().AsInteger();
    return state;
}

int TRunUndo::Undo(int importId) {
    const TRunState state = Logged(importId);
    const std::string id = std::to_string(importId);
    if (state.Undone)
        DatabaseError("Import " + id + " wurde bereits am " + state.UndoneAtText +
                      " rückgängig gemacht.");
    TZedaDaoDatabase& db = *data_.Datenbank;
    if (data_.Zalvert->Active()) data_.Zalvert->CheckBrowseMode();
    long long deleted = 0;
    db.StartTransaction();
    try {
        db.DatabaseObject()->Execute("DELETE FROM Zalvert WHERE ImportID = " + id);
        deleted = db.DatabaseObject()->RecordsAffected();
        MarkUndone(importId, Now());
        db.Commit();
    } catch (const std::exception& error) {
        db.Rollback();
        DatabaseError("Import " + id + " konnte nicht rückgängig gemacht werden: " + error.what() +
                      " Alle Datensätze bleiben erhalten.");
    }
    // The billing table shows the records that are left.
    if (data_.Zalvert->Active()) {
        data_.Zalvert->Close();
        data_.Zalvert->Open();
    }
    return static_cast<int>(deleted);
}

void TRunUndo::MarkUndone(int importId, TDateTime when) {
    engine::Database& db = *data_.Datenbank->DatabaseObject();
    db.Execute(std::string("UPDATE ") + kRunLogTable + " SET " + kRunLogUndoField + " = " +
               DateLiteral(when) + " WHERE ImportID = " + std::to_string(importId) + " AND " +
               kRunLogUndoField + " IS NULL");
    // Another program may have undone it meanwhile.
    if (db.RecordsAffected() != 1)
        DatabaseError("Import " + std::to_string(importId) + " wurde bereits rückgängig gemacht.");
}

}  // namespace zalvert

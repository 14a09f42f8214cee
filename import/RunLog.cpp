#include "import/RunLog.h"

#include "data/Daten.h"
#include "data/Schema.h"
#include "rtl/FileNameText.h"

namespace zalvert {

std::optional<TRunLogEntry> TRunLog::FindByHash(const std::string& sha256) {
    TZedaDaoTable& query = *data_.qImportlauf;
    query.Params().ParamByName("Hash").Value = Variant(sha256);
    query.Open();
    std::optional<TRunLogEntry> found;
    if (!query.Eof()) {
        found.emplace();
        found->ImportId = query.FieldByName("ImportID").AsInteger();
        found->Time = query.FieldByName("Zeit").AsDateTime();
        found->TimeText = query.FieldByName("Zeit").AsString();
        found->File = FileNameFromText(query.FieldByName("Datei").AsString());
        found->ArchiveName = FileNameFromText(query.FieldByName("Archivname").AsString());
        found->Sha256 = sha256;
        found->Counts = {query.FieldByName("Verarbeitet").AsInteger(),
                         query.FieldByName("Importiert").AsInteger(),
                         query.FieldByName("Abgelehnt").AsInteger()};
    }
    query.Close();
    return found;
}

void TRunLog::Append(const TRunLogEntry& entry) {
    TZedaDaoTable& log = *data_.Importlauf;
    if (!log.Active()) log.Open();
    // Names as readable UTF-8, whatever bytes they are made of.
    log.InsertFromValues({Variant(entry.ImportId), Variant(FileNameText(entry.File)),
                          Variant(FileNameText(entry.ArchiveName)), Variant::FromDate(entry.Time),
                          Variant(entry.Sha256), Variant(entry.Counts.Processed),
                          Variant(entry.Counts.Imported), Variant(entry.Counts.Refused)});
    log.Close();
}

void TRunLog::SetArchiveName(int importId, const std::string& archiveName) {
    auto log = data_.Datenbank->DatabaseObject()->OpenRecordset(
        std::string("SELECT Archivname FROM ") + kRunLogTable +
            " WHERE ImportID = " + std::to_string(importId),
        engine::dbOpenDynaset);
    if (log->Eof()) return;
    log->Edit();
    log->Fields().Item(0)->SetValue(Variant(FileNameText(archiveName)));
    log->Update();
    log->Close();
}

int TRunLog::LastImportId() {
    TZedaDaoTable query;
    query.F_Set_Database(data_.Datenbank);
    query.SetSQL("select ImportID from u_Importlauf order by ImportID desc");
    query.Open();
    const int last = query.Eof() ? 0 : query.FieldByName("ImportID").AsInteger();
    query.Close();
    return last;
}

}  // namespace zalvert

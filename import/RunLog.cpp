#include "import/RunLog.h"

#include "data/Daten.h"

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
        found->ArchiveName = query.FieldByName("Archivname").AsString();
        found->Sha256 = sha256;
    }
    query.Close();
    return found;
}

void TRunLog::Append(const TRunLogEntry& entry) {
    TZedaDaoTable& log = *data_.Importlauf;
    if (!log.Active()) log.Open();
    log.InsertFromValues({Variant(entry.ImportId), Variant(entry.File), Variant(entry.ArchiveName),
                          Variant::FromDate(entry.Time), Variant(entry.Sha256),
                          Variant(entry.Counts.Processed), Variant(entry.Counts.Imported),
                          Variant(entry.Counts.Refused)});
    log.Close();
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

#include "data/Daten.h"

#include "data/RunLock.h"
#include "data/Schema.h"
#include "rtl/IniFile.h"

namespace zalvert {
namespace {

// As long as an import run waits for another program's run.
constexpr std::chrono::seconds kSchemaLockTimeout(60);

template <class TFieldClass, class... Args>
TFieldClass* AddField(TDataSet& table, const char* component, const char* field, Args... args) {
    auto* object = new TFieldClass(&table, args...);
    object->SetName(component);
    object->SetFieldName(field);
    object->SetDataSet(&table);
    return object;
}

}  // namespace

TData::TData(IUserInteraction& ui, std::string iniPath)
    : Datenbank(new TZedaDaoDatabase(this)),
      Zalvert(new TZedaDaoTable(this)),
      Recvon(new TZedaDaoTable(this)),
      qImportid(new TZedaDaoTable(this)),
      Zalvert1(new TDataSource(this)),
      Importlauf(new TZedaDaoTable(this)),
      qImportlauf(new TZedaDaoTable(this)),
      iniPath_(std::move(iniPath)) {
    SetName("Data");
    // The settings as a form would bring them, with the components in loading state.
    const std::initializer_list<TComponent*> loaded{Datenbank, Zalvert,    Recvon,
                                                    qImportid, Importlauf, qImportlauf};
    for (TComponent* component : loaded) component->BeginLoading();
    SetUpDatabase();
    Zalvert->SetName("Zalvert");
    Zalvert->F_Set_TableName("Zalvert");
    SetUpTable(*Zalvert);
    SetUpZalvertFields();
    Recvon->SetName("Recvon");
    Recvon->F_Set_TableName("u_Recvon");
    SetUpTable(*Recvon);
    SetUpRecvonFields();
    qImportid->SetName("qImportid");
    qImportid->SetSQL("select importid from zalvert order by importid desc");
    SetUpTable(*qImportid);
    Zalvert1->SetName("Zalvert1");
    Zalvert1->SetDataSet(Zalvert);
    Importlauf->SetName("Importlauf");
    Importlauf->F_Set_TableName(kRunLogTable);
    SetUpTable(*Importlauf);
    qImportlauf->SetName("qImportlauf");
    SetUpTable(*qImportlauf);
    for (TComponent* component : loaded) component->EndLoading();
    // Set once loaded, so that its parameter is known.
    qImportlauf->SetSQL(
        "select ImportID, Datei, Zeit, Archivname, Verarbeitet, Importiert, Abgelehnt "
        "from u_Importlauf where SHA256 = :Hash "
        "and Rueckgaengig is null order by ImportID desc");
    qImportlauf->Params().ParamByName("Hash").DataType = TFieldType::ftString;
    RunGuarded(ui, [this] { DataModuleCreate(); });
}

void TData::SetUpDatabase() {
    TZedaDaoDatabase& db = *Datenbank;
    db.SetName("Datenbank");
    db.F_Set_DatabaseType("Access");
    db.F_Set_EngineType(engine::dbUseJet);
    db.F_Set_Version("3.6");
    db.F_Set_Workspace("DaoWorkspace");
    db.F_Set_UserName("Admin");
    db.F_Set_SystemDatabase("system.mdb");
    db.F_Set_LoginPrompt(false);
    db.SaveUserName = true;
    db.F_Set_Exclusive(false);
    db.F_Set_ReadOnly(false);
    db.F_Set_ShowSystemObjects(false);
    db.SmartOpen = true;
    db.F_Set_PrivateEngine(false);
    db.F_Set_TrackTransactions(true);
    db.UseODBCDialog = true;
    db.F_Set_DefaultCursorDriver(-1);
    db.QueryTimeout = 60;
    db.MdbVersionAutoDetect = false;
}

void TData::SetUpTable(TZedaDaoTable& table) {
    table.F_Set_Database(Datenbank);
    table.F_Set_TableType(engine::dbOpenDynaset);
    table.F_Set_LockType(engine::dbOptimistic);
    table.SetOpenOptions({});
    table.SetReadOnly(false);
    table.AutoFindIndex = true;
    table.UseBrackets = true;
    table.UseCaptions = false;
    table.UseDaoProperties = true;
    table.UseGetRecNo = true;
    table.UseRecordCount = true;
    table.SetCacheBlobs(false);
    table.SetCacheMemos(false);
    table.SetCacheLookups(false);
    table.RefreshSorted = false;
    table.SetShowGUID(false);
    table.Translation = false;
    table.ExportMethod = TExportMethod::VisibleFields;
    table.MasterAutoActivate = true;
    table.DatabaseAutoActivate = false;
    table.WarnOnBadDatabase = false;
    table.SetFiltered(false);
    table.ParamCheck = true;
    table.ProcessMessages = false;
    table.QueryDefSQLModify = false;
    table.QueryDefODBCMaxRecords = 0;
}

// In this order: the import's positional insert relies on it.
void TData::SetUpZalvertFields() {
    TDataSet& t = *Zalvert;
    AddField<TStringField>(t, "ZalvertRecvon", "Recvon", 255);
    AddField<TStringField>(t, "ZalvertRecan", "Recan", 255);
    AddField<TDateTimeField>(t, "ZalvertDatumvon", "Datumvon");
    AddField<TDateTimeField>(t, "ZalvertDatumbis", "Datumbis");
    AddField<TStringField>(t, "ZalvertTour", "Tour", 255);
    AddField<TIntegerField>(t, "Zalverterstelltvon", "erstelltvon");
    AddField<TIntegerField>(t, "ZalvertImportID", "ImportID");
    AddField<TCurrencyField>(t, "ZalvertNetto", "Netto");
    AddField<TDateTimeField>(t, "ZalvertRecdatum", "Recdatum");
    AddField<TStringField>(t, "ZalvertRecnr", "Recnr", 255);
    AddField<TStringField>(t, "ZalvertGutschrift", "Gutschrift", 255);
    AddField<TBooleanField>(t, "Zalverterledigt", "erledigt");
    AddField<TMemoField>(t, "ZalvertBemerkung", "Bemerkung");
    AddField<TAutoIncField>(t, "ZalvertID", "ID")->SetReadOnly(true);
}

void TData::SetUpRecvonFields() {
    TDataSet& t = *Recvon;
    AddField<TAutoIncField>(t, "RecvonID", "ID");
    AddField<TIntegerField>(t, "RecvonPrioritaet", "Prioritaet");
    AddField<TStringField>(t, "RecvonFirma", "Firma", 50);
}

void TData::DataModuleCreate() {
    settings_ = ReadSettings(iniPath_);
    Datenbank->Close();
    // An ODBC connect text names a database server; anything else is a file.
    Datenbank->F_Set_DatabaseType(IsServerConnect(settings_.Main) ? "ODBC" : "Access");
    Datenbank->F_Set_Database(settings_.Main);
    Datenbank->F_Set_Password(settings_.Pass);
    Datenbank->Open();
    Zalvert->Open();
    CreateRunLogWhenMissing();
}

bool TData::RunLogComplete() {
    TZedaDaoDatabase& db = *Datenbank;
    if (db.TableNames().IndexOf(kRunLogTable) < 0) return false;
    // A log from before runs could be undone lacks the column for it.
    auto table = db.DatabaseObject()->TableDefs().Item(kRunLogTable);
    for (int i = 0; i < table->Fields().Count(); ++i)
        if (SameText(table->Fields().Item(i)->Name(), kRunLogUndoField)) return true;
    return false;
}

// Two programs started together on an older database both come here: the change
// is made once, under the lock, by the one that finds it still missing there.
void TData::CreateRunLogWhenMissing() {
    if (RunLogComplete()) return;
    TZedaDaoDatabase& db = *Datenbank;
    BeginSchemaChange(*this, kSchemaLockTimeout);
    try {
        db.RefreshDefinitions();
        if (db.TableNames().IndexOf(kRunLogTable) < 0) {
            for (const std::string& statement : RunLogStatements())
                db.DatabaseObject()->Execute(statement);
        } else if (!RunLogComplete()) {
            db.DatabaseObject()->Execute(std::string("ALTER TABLE [") + kRunLogTable +
                                         "] ADD COLUMN [" + kRunLogUndoField + "] DATETIME");
        }
        db.Commit();
    } catch (...) {
        db.Rollback();
        throw;
    }
    db.RefreshDefinitions();
}

}  // namespace zalvert

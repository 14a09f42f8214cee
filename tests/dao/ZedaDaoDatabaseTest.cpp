#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "dao/DaoUtils.h"
#include "dao/ZedaDaoDataBase.h"
#include "data/Schema.h"
#include "dataset/DatabaseError.h"
#include "rtl/ComInit.h"
#include "tests/support/MessageOf.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert {
namespace {

using testing::MessageOf;

class DaoDatabaseTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetApplicationInteraction(&ui_);
        path_ = dir_.Path() + "zalvert.db";
        CreateZalvertDatabase(path_, {"Nordfracht"});
    }
    void TearDown() override { SetApplicationInteraction(nullptr); }

    std::unique_ptr<TZedaDaoDatabase> Connected() {
        auto db = std::make_unique<TZedaDaoDatabase>();
        db->F_Set_Database(path_);
        db->Open();
        return db;
    }
    testing::TTempDir dir_;
    testing::TRecordingInteraction ui_;
    std::string path_;
};

TEST_F(DaoDatabaseTest, StartsWithItsDocumentedValues) {
    const int comBefore = ComInitCount();
    TZedaDaoDatabase db;
    EXPECT_EQ(ComInitCount(), comBefore + 1);
    EXPECT_EQ(db.ComponentVersion(), "9.10");
    EXPECT_EQ(db.Version(), "3.6");
    EXPECT_EQ(db.VersionDetails(), "3.6");
    EXPECT_EQ(db.VersionInfo(), "(In Access'2000 mode)");
    EXPECT_EQ(db.UserName(), "Admin");
    EXPECT_EQ(db.DatabaseType(), "Access");
    EXPECT_EQ(db.Workspace(), "DaoWorkspace");
    EXPECT_EQ(db.EngineType(), 2);
    EXPECT_EQ(db.DefaultCursorDriver(), -1);
    EXPECT_EQ(db.QueryTimeout, 60);
    EXPECT_TRUE(db.TrackTransactions());
    EXPECT_TRUE(db.SmartOpen);
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(db.DaoVersions().CommaText(), "3.6");
    EXPECT_EQ(db.DatabaseTypes().Strings(0), "Access");
    EXPECT_EQ(db.DatabaseTypes().Strings(1), "ODBC");
    EXPECT_NE(db.EngineObject(), nullptr);
    EXPECT_EQ(db.WorkspaceObject(),
              nullptr);  // the first workspace comes with loading or a rebuild
    EXPECT_EQ(db.SystemDatabase(), "");
}

TEST_F(DaoDatabaseTest, GuardsItsPropertiesWhileConnected) {
    auto db = Connected();
    const std::pair<std::function<void()>, const char*> guarded[] = {
        {[&] { db->F_Set_Workspace("x"); },
         "TZedaDaoDatabase.F_Set_Workspace: Cannot set Workspace while Database is connected!"},
        {[&] { db->F_Set_DatabaseType("ODBC"); },
         "TZedaDaoDatabase.F_Set_DatabaseType: Cannot set Database Type while Database is "
         "connected!"},
        {[&] { db->F_Set_EngineType(1); },
         "TZedaDaoDatabase.F_Set_EngineType: Cannot set EngineType Type while Database is "
         "connected!"},
        {[&] { db->F_Set_PrivateEngine(true); },
         "TZedaDaoDatabase.F_Set_EngineType: Cannot set PrivateEngine Type while Database is "
         "connected!"},
        {[&] { db->F_Set_ReadOnly(true); },
         "TZedaDaoDatabase.F_Set_ReadOnly: Cannot change mode while Database is connected!"},
        {[&] { db->F_Set_Exclusive(true); },
         "TZedaDaoDatabase.F_Set_Exclusive: Cannot change Exclusive mode while Database is "
         "connected!"},
        {[&] { db->F_Set_LoginPrompt(true); },
         "TZedaDaoDatabase.F_Set_LoginPrompt: Cannot change LoginPrompt while Database is "
         "connected!"},
        {[&] { db->F_Set_UserName("x"); },
         "TZedaDaoDatabase.F_Set_UserName: Cannot change User Name while Database is connected!"},
        {[&] { db->F_Set_Password("x"); },
         "TZedaDaoDatabase.F_Set_Password: Cannot change Password while Database is connected!"},
        {[&] { db->F_Set_DatabasePassword("x"); },
         "TZedaDaoDatabase.F_Set_DatabasePassword: Cannot change Database Password while Database "
         "is connected!"},
        {[&] { db->F_Set_DatabaseParameters("x"); },
         "TZedaDaoDatabase.F_Set_DatabaseParameters: Cannot set DatabaseParameters while Database "
         "is connected!"},
        {[&] { db->F_Set_Database("x"); },
         "TZedaDaoDatabase.F_Set_Database: Cannot set Database while Database is connected!"},
        {[&] { db->F_Set_SystemDatabase("x"); },
         "TZedaDaoDatabase.F_Set_SystemDatabase: Cannot set SystemDatabase while Database is "
         "connected!"},
        {[&] { db->F_Set_Version("3.5"); },
         "TZedaDaoDatabase.F_Set_DaoVersion: Cannot set Dao Version while Database is connected!"},
        {[&] { db->F_Set_TrackTransactions(false); },
         "Cannot set TrackTransactions property when Database is connected!"},
    };
    for (const auto& [call, message] : guarded) EXPECT_EQ(MessageOf(call), message);
    EXPECT_EQ(db->Database(), path_);
    EXPECT_EQ(db->UserName(), "Admin");
    EXPECT_EQ(db->Version(), "3.6");
}

TEST_F(DaoDatabaseTest, VersionRollsBackWhenNoEngineServesIt) {
    TZedaDaoDatabase db;
    db.F_Set_Version("3.6 and more");
    EXPECT_EQ(db.Version(), "3.6");
    EXPECT_NE(db.WorkspaceObject(), nullptr);
    EXPECT_FALSE(MessageOf([&] { db.F_Set_Version("4.0"); }).empty());
    EXPECT_EQ(db.Version(), "3.6");
    EXPECT_NE(db.EngineObject(), nullptr);
    EXPECT_NE(db.WorkspaceObject(), nullptr);  // rebuilt for the old version
    db.F_Set_DatabaseType("ODBC");
    EXPECT_EQ(db.Database(), "");  // a new type empties the database
}

TEST_F(DaoDatabaseTest, ConnectsAndDisconnectsWithTheirEvents) {
    std::vector<std::string> events;
    TZedaDaoDatabase db;
    db.OnBeforeConnect = [&](TZedaDaoDatabase&) { events.push_back("BeforeConnect"); };
    db.OnAfterConnect = [&](TZedaDaoDatabase& d) {
        events.push_back(d.Connected() ? "AfterConnect" : "?");
    };
    db.OnBeforeDisconnect = [&](TZedaDaoDatabase&) { events.push_back("BeforeDisconnect"); };
    db.OnAfterDisconnect = [&](TZedaDaoDatabase& d) {
        events.push_back(d.Connected() ? "?" : "AfterDisconnect");
    };
    db.F_Set_DatabaseType("");
    EXPECT_EQ(MessageOf([&] { db.Open(); }),
              "TZedaDaoDatabase.F_Set_Active: Database property is not defined!");
    db.F_Set_Database(path_);
    EXPECT_EQ(MessageOf([&] { db.Open(); }),
              "TZedaDaoDatabase.F_Set_Active: DatabaseType property is not defined!");
    EXPECT_TRUE(events.empty());
    db.F_Set_DatabaseType("Access");
    db.F_Set_Database(path_);
    db.QueryTimeout = 30;
    db.Open();
    db.Open();  // nothing more
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(db.DatabaseObject()->QueryTimeout(), 30);
    EXPECT_EQ(db.DatabaseVersionInfo(), "4.0");
    db.Close();
    db.Close();
    EXPECT_EQ(events, (std::vector<std::string>{"BeforeConnect", "AfterConnect", "BeforeDisconnect",
                                                "AfterDisconnect"}));
    EXPECT_NE(db.WorkspaceObject(), nullptr);  // engine and workspace stay
}

TEST_F(DaoDatabaseTest, LooksForAMissingFileBesideTheExecutable) {
    TZedaDaoDatabase db;
    db.F_Set_Database("/nirgends/fehlt.db");
    EXPECT_EQ(MessageOf([&] { db.Open(); }),
              "Cannot find Database:\r\n" + ExeDirectory() + "fehlt.db");
    db.SmartOpen = false;
    db.F_Set_Database("/nirgends/fehlt.db");
    EXPECT_EQ(MessageOf([&] { db.Open(); }), "Cannot find Database:\r\n/nirgends/fehlt.db");
}

TEST_F(DaoDatabaseTest, BuildsTheConnectTextOfEachBranch) {
    TZedaDaoDatabase db;
    db.F_Set_DatabaseType("ODBC");
    db.F_Set_Database("ODBC;DSN=Zalvert");
    try {
        db.Open();
        FAIL() << "no error raised";
    } catch (const engine::EDaoError& e) {
        // The driver manager was asked and knows no such data source.
        EXPECT_EQ(e.Number(), 3146);
        EXPECT_NE(e.Description().find("[IM002]"), std::string::npos) << e.Description();
    }
    db.F_Set_Database("Zalvert");
    EXPECT_NE(MessageOf([&] { db.Open(); }).find("[IM002]"), std::string::npos);
    db.F_Set_DatabaseType("Excel 8.0");
    db.F_Set_Database(path_);
    EXPECT_NE(MessageOf([&] { db.Open(); }).find("'Excel 8.0'"), std::string::npos);
    // ODBCDirect workspaces are refused by the engine: the type rolls back.
    EXPECT_THROW(db.F_Set_EngineType(1), engine::EDaoError);
    EXPECT_EQ(db.EngineType(), 2);
    EXPECT_FALSE(db.Connected());
}

TEST_F(DaoDatabaseTest, LoginAsksTheEventOrTheDialogOrThePresets) {
    TZedaDaoDatabase db;
    db.F_Set_Database(path_);
    db.OnLogin = [](TZedaDaoDatabase&, TStrings& params) {
        EXPECT_EQ(params.Text(), "USER NAME=Admin\nPASSWORD=\nDBPASSWORD=\n");
        params.SetValues("DBPASSWORD", "geheim");
    };
    db.Open();
    EXPECT_EQ(db.DatabasePassword(), "geheim");
    db.Close();

    db.OnLogin = nullptr;
    db.F_Set_LoginPrompt(true);
    ui_.LoginAnswers.push_back(TLoginValues{"Gast", "x", ""});  // refused: asked again
    ui_.LoginAnswers.push_back(TLoginValues{"Admin", "", ""});
    db.Open();
    EXPECT_TRUE(db.Connected());
    ASSERT_EQ(ui_.LoginDialogs.size(), 2u);
    EXPECT_EQ(ui_.LoginDialogs[0], (std::pair<std::string, std::string>{path_, "Admin"}));
    EXPECT_EQ(ui_.Messages.size(), 1u);  // the refused login was shown
    db.Close();

    ui_.Messages.clear();
    db.Open();  // no answer: the user cancels
    EXPECT_FALSE(db.Connected());
    EXPECT_EQ(ui_.Messages,
              (std::vector<std::string>{
                  "If You not enter Username and Password You may not gain access to your data!"}));
    EXPECT_EQ(db.UserName(), "");

    db.F_Set_LoginPrompt(false);
    db.PresetLoginParams().Add("USER NAME=Admin");
    db.Open();
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(db.UserName(), "Admin");
}

TEST_F(DaoDatabaseTest, ListsTablesAndQueriesWithSystemTablesHidden) {
    auto db = Connected();
    EXPECT_EQ(db->TableNames().CommaText(), "u_Importlauf,u_Recvon,Zalvert");
    db->F_Set_ShowSystemObjects(true);
    EXPECT_GE(db->TableNames().IndexOf("MSysQueries"), 0);
    db->F_Set_ShowSystemObjects(false);
    EXPECT_LT(db->TableNames().IndexOf("MSysQueries"), 0);
    EXPECT_TRUE(db->CreateQueryDef("Letzte", "SELECT MAX(ImportID) AS M FROM Zalvert"));
    EXPECT_EQ(db->QueryDefNames().CommaText(), "Letzte");
    db->SetQueryDefSQL("Letzte", "SELECT MIN(ImportID) AS M FROM Zalvert");
    EXPECT_EQ(db->GetQueryDefSQL("Letzte"), "SELECT MIN(ImportID) AS M FROM Zalvert");
    EXPECT_EQ(db->GetQueryDefSQL("Fehlt"), "");
    EXPECT_THROW(db->CreateQueryDef("Letzte", "SELECT 1"), engine::EDaoError);
    db->DeleteIndex("Zalvert", "ImportID");
    EXPECT_THROW(db->DeleteIndex("Zalvert", "ImportID"), engine::EDaoError);
    EXPECT_EQ(db->DatabaseLanguage(),
              "General (English, French, German, Portuguese, Italian, and Modern Spanish)");
    db->Close();
    EXPECT_EQ(db->DatabaseLanguage(), "");
    EXPECT_EQ(db->TableNames().Count(), 0);
    EXPECT_EQ(CollatingOrderName(-1), "Undefined or unknown");
    EXPECT_EQ(CollatingOrderName(4711), "");
}

TEST_F(DaoDatabaseTest, HandsOnTheEnginesLastError) {
    auto db = Connected();
    EXPECT_EQ(db->GetLastDaoError().Number, 0);
    EXPECT_EQ(db->GetLastDaoError().Description, "");
    EXPECT_THROW(db->DatabaseObject()->OpenRecordset("Fehlt"), engine::EDaoError);
    const TDaoErrRec error = db->GetLastDaoError();
    EXPECT_EQ(error.Number, 3078);
    EXPECT_EQ(error.Source, "DAO.Database");
    EXPECT_NE(error.Description.find("Fehlt"), std::string::npos);
}

TEST_F(DaoDatabaseTest, TransactionsCommitRollBackAndEndWithTheConnection) {
    auto db = Connected();
    auto count = [&] { return db->DatabaseObject()->OpenRecordset("u_Recvon")->RecordCount(); };
    db->StartTransaction();
    db->DatabaseObject()->Execute("INSERT INTO u_Recvon (Firma) VALUES ('Eins')");
    db->RecordTableInTransaction("u_Recvon", 1);
    db->RecordTableInTransaction("Zalvert", 1);
    db->RecordTableInTransaction("u_Recvon", 2);
    EXPECT_EQ(db->TransactionLevels().Strings(0), "u_Recvon=2,Zalvert=1");
    db->Commit();
    EXPECT_EQ(db->TransactionLevelCount(), 0);
    EXPECT_EQ(count(), 2);
    db->StartTransaction();
    db->DatabaseObject()->Execute("DELETE FROM u_Recvon");
    db->Rollback();
    EXPECT_EQ(count(), 2);
    db->StartTransaction();
    db->DatabaseObject()->Execute("DELETE FROM u_Recvon");
    db->Close();  // rolls back
    db->Open();
    EXPECT_EQ(count(), 2);
    db->RecordTableInTransaction("x", 1);  // no level: nothing
    EXPECT_EQ(db->TransactionLevelCount(), 0);
}

class TTableProbe : public IDaoActiveTable {
  public:
    void SetClosedByDatabase(bool closed) override { ClosedByDatabase = closed; }
    void CloseTable() override { ++Closes; }
    bool ClosedByDatabase = false;
    int Closes = 0;
};

TEST_F(DaoDatabaseTest, ClosesItsRegisteredTablesAtDisconnect) {
    auto db = Connected();
    TTableProbe a, b;
    db->RegisterTable("A", &a);
    db->RegisterTable("B", &b);
    db->UnregisterTable(&b, false);
    db->Close();
    EXPECT_EQ(a.Closes, 1);
    EXPECT_TRUE(a.ClosedByDatabase);
    EXPECT_EQ(b.Closes, 0);
    EXPECT_EQ(db->ActiveTables().Count(), 0);
    db->UnregisterTable(&a, true);
    EXPECT_FALSE(a.ClosedByDatabase);
}

TEST_F(DaoDatabaseTest, DestroyingAConnectedComponentDisconnectsFirst) {
    int disconnects = 0;
    {
        auto db = Connected();
        db->OnBeforeDisconnect = [&](TZedaDaoDatabase&) { ++disconnects; };
        db->OnAfterDisconnect = [&](TZedaDaoDatabase&) { ++disconnects; };
    }
    EXPECT_EQ(disconnects, 2);
}

TEST_F(DaoDatabaseTest, RefusesWhenTheComponentLibraryCannotStart) {
    SetComFailureForTesting(true);
    EXPECT_EQ(MessageOf([] { TZedaDaoDatabase db; }), "Unable to init OLE objects!");
    SetComFailureForTesting(false);
}

TEST_F(DaoDatabaseTest, ReadsTheMdbVersionMarkOfLongFilesOnly) {
    const std::string shortFile = dir_.Write("kurz.mdb", std::string(100, 'x'));
    std::string header(160, '\0');
    header[156] = '4';
    header[157] = '.';
    const std::string jet4 = dir_.Write("jet4.mdb", header);
    EXPECT_EQ(ReadMdbMark(shortFile), TMdbMark::Unreadable);
    EXPECT_EQ(ReadMdbMark(jet4), TMdbMark::Jet4);
    EXPECT_EQ(ReadMdbMark(dir_.Write("jet3.mdb", std::string(160, 'x'))), TMdbMark::Jet3);
    TZedaDaoDatabase db;
    db.DetectMdbVersion(shortFile);
    db.DetectMdbVersion(jet4);
    EXPECT_EQ(db.Version(), "3.6");  // no 3.5 engine here to go back to
}

TEST_F(DaoDatabaseTest, ReadsTheOdbcListsFromTheDriverManagersFiles) {
    dir_.Write("odbcinst.ini",
               "[ODBC]\nTrace=No\n[SQLite3]\nDriver=libsqlite3odbc.so\n[PostgreSQL]\nDriver="
               "psqlodbcw.so\n");
    dir_.Write(
        "odbc.ini",
        "[Zentral]\nDriver=SQLite3\nDatabase=/daten/zentral.db\n[Server]\nDriver=PostgreSQL\n");
    const std::string user =
        dir_.Write("user.ini", "[Meine]\nDriver=SQLite3\nDBQ=/home/meine.db\n");
    // The test command's own server files come back afterwards.
    const char* systemBefore = std::getenv("ODBCSYSINI");
    const char* userBefore = std::getenv("ODBCINI");
    const std::string savedSystem = systemBefore ? systemBefore : "";
    const std::string savedUser = userBefore ? userBefore : "";
    setenv("ODBCSYSINI", dir_.Path().c_str(), 1);
    setenv("ODBCINI", user.c_str(), 1);
    TZedaDaoDatabase db;
    for (const auto& [name, value] : {std::pair{"ODBCSYSINI", savedSystem}, {"ODBCINI", savedUser}})
        value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
    EXPECT_EQ(db.ODBCDrivers().CommaText(), "SQLite3,PostgreSQL");
    EXPECT_EQ(db.SystemDSNs().CommaText(), "Zentral,Server");
    EXPECT_EQ(db.UserDSNs().CommaText(), "Meine");
    EXPECT_EQ(db.DSNFileMap().Text(), "Meine=/home/meine.db\nZentral=/daten/zentral.db\n");
}

}  // namespace
}  // namespace zalvert

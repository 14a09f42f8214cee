#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

TEST(EngineFactory, CreatesVersion36FromItsProgIds) {
    EXPECT_EQ(CreateDBEngine("DAO.DBEngine.36")->Version(), "3.6");
    EXPECT_EQ(CreateDBEngine("dao.privatedbengine.36")->Version(), "3.6");
    EXPECT_TRUE(IsProgIdRegistered("DAO.DBEngine.36"));
    EXPECT_FALSE(IsProgIdRegistered("DAO.DBEngine.35"));
    try {
        CreateDBEngine("DAO.DBEngine.35");
        FAIL() << "3.5 is not registered";
    } catch (const EDaoError& e) {
        EXPECT_EQ(e.Number(), 429);
    }
}

TEST_F(EngineTest, KnowsOnlyTheAdminAccountWithoutSystemDatabase) {
    auto ws = engine_->CreateWorkspace("WS", "admin", "");
    EXPECT_EQ(ws->Name(), "WS");
    EXPECT_EQ(ErrorOf([&] { engine_->CreateWorkspace("WS", "Gast", ""); }), 3029);
    EXPECT_EQ(ErrorOf([&] { engine_->CreateWorkspace("WS", "Admin", "geheim"); }), 3029);
    EXPECT_EQ(ErrorOf([&] { engine_->CreateWorkspace("WS", "Admin", "", dbUseODBC); }), 3251);
    engine_->Workspaces().Append(ws);
    EXPECT_EQ(engine_->Workspaces().Count(), 1);
    EXPECT_EQ(engine_->Workspaces().Item("ws"), ws);
    EXPECT_EQ(ErrorOf([&] { engine_->Workspaces().Append(ws); }), 3367);
    EXPECT_EQ(ErrorOf([&] { engine_->Workspaces().Item(5); }), 3265);
}

TEST_F(EngineTest, KeepsTheLastErrorUntilTheNextFailure) {
    EXPECT_EQ(engine_->ErrorCount(), 0);
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    EXPECT_EQ(ErrorOf([&] { ws->OpenDatabase(dir_.Path() + "fehlt.db"); }), 3024);
    ASSERT_EQ(engine_->ErrorCount(), 1);
    EXPECT_EQ(engine_->Error(0).Number(), 3024);
    EXPECT_NE(engine_->Error(0).Description().find("fehlt.db"), std::string::npos);
    EXPECT_EQ(engine_->Error(0).Source(), "DAO.Workspace");
    Open("Kunden")->Fields().Item("Name");  // a successful call keeps it
    EXPECT_EQ(engine_->Error(0).Number(), 3024);
    EXPECT_EQ(ErrorOf([&] { Open("Kunden")->Fields().Item("Fehlt"); }), 3265);
    EXPECT_EQ(engine_->Error(0).Number(), 3265);
}

TEST_F(EngineTest, OpensOnlyDatabaseFiles) {
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    std::ofstream(dir_.Path() + "text.mdb")
        << "Standard Jet DB? no, just text, long enough to be a file";
    EXPECT_EQ(ErrorOf([&] { ws->OpenDatabase(dir_.Path() + "text.mdb"); }), 3343);
    EXPECT_EQ(ErrorOf([&] { ws->OpenDatabase(""); }), 3024);
    // An ODBC connect text goes to the driver manager, which knows no such source.
    EXPECT_EQ(ErrorOf([&] { ws->OpenDatabase(path_, Variant(false), false, "ODBC;DSN=x"); }), 3146);
    EXPECT_NE(engine_->Error(0).Description().find("[IM002]"), std::string::npos);
    EXPECT_EQ(ErrorOf([&] { ws->OpenDatabase(path_, Variant(false), false, "Excel 8.0;"); }), 3170);
    EXPECT_EQ(ErrorOf([&] { ws->OpenConnection(path_); }), 3251);
    // A password for a database that has none is ignored.
    auto db = ws->OpenDatabase(path_, Variant(false), false, ";PWD=geheim");
    EXPECT_EQ(db->Version(), "4.0");
    EXPECT_EQ(db->CollatingOrder(), 1033);
    EXPECT_EQ(db->Connect(), ";PWD=geheim");
    EXPECT_EQ(ws->Databases().Count(), 1);
}

TEST_F(EngineTest, ReadOnlyDatabaseRefusesChanges) {
    auto db =
        engine_->CreateWorkspace("WS", "Admin", "")->OpenDatabase(path_, Variant(false), true);
    EXPECT_FALSE(db->Updatable());
    auto rs = db->OpenRecordset("Kunden", dbOpenDynaset);
    EXPECT_FALSE(rs->Updatable());
    EXPECT_EQ(ErrorOf([&] { rs->Edit(); }), 3027);
    EXPECT_EQ(ErrorOf([&] { db->Execute("DELETE FROM Kunden"); }), 3027);
}

TEST_F(EngineTest, ExclusiveOpeningLocksOutOtherUsers) {
    db_->Close();
    auto ws = engine_->CreateWorkspace("WS", "Admin", "");
    auto exclusive = ws->OpenDatabase(path_, Variant(true));
    EXPECT_EQ(ErrorOf([&] { SecondUser(); }), 3051);
    exclusive->Close();
    EXPECT_NO_THROW(SecondUser());
}

TEST_F(EngineTest, ClosedObjectsRefuseWork) {
    auto rs = Open("Kunden");
    rs->Close();
    EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), 3420);
    auto other = Open("Kunden");
    db_->Close();
    EXPECT_EQ(ErrorOf([&] { other->MoveNext(); }), 3420);
    EXPECT_EQ(ErrorOf([&] { db_->OpenRecordset("Kunden"); }), 3420);
}

TEST_F(EngineTest, IdleAcceptsItsTwoActions) {
    EXPECT_NO_THROW(engine_->Idle(dbFreeLocks));
    EXPECT_NO_THROW(engine_->Idle(dbRefreshCache));
    EXPECT_EQ(ErrorOf([&] { engine_->Idle(2); }), 3001);
}

TEST_F(EngineTest, CreateDatabaseRefusesAnExistingFile) {
    EXPECT_EQ(ErrorOf([&] { engine_->CreateDatabase(path_); }), 3204);
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The customer table's file, closed, with every page after the first garbled.
std::string Damage(const std::string& path, bool walMode) {
    std::string bytes = ReadBytes(path);
    if (!walMode) bytes[18] = bytes[19] = 1;  // the rollback journal, as other tools leave it
    for (size_t i = 4096; i < bytes.size(); ++i) bytes[i] = static_cast<char>(0x55 ^ (i * 7));
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return bytes;
}

TEST_F(EngineTest, LeavesADamagedFileAsItWasAndNamesTheFile) {
    for (bool walMode : {false, true}) {
        SCOPED_TRACE(walMode ? "WAL" : "rollback journal");
        db_->Close();
        db_.reset();
        const std::string bytes = Damage(path_, walMode);
        try {
            auto db = engine_->CreateWorkspace("WS", "Admin", "")->OpenDatabase(path_);
            db->OpenRecordset("Kunden", dbOpenDynaset);
            ADD_FAILURE() << "the damaged file was read";
        } catch (const EDaoError& e) {
            EXPECT_EQ(e.Number(), 3343);
            EXPECT_EQ(e.Description(), "Unrecognized database format '" + path_ + "'.");
        }
        EXPECT_TRUE(ReadBytes(path_) == bytes) << "the file was changed";
        // A fresh file for the next round.
        std::filesystem::remove(path_);
        SetUp();
    }
}

}  // namespace
}  // namespace zalvert::engine::testing

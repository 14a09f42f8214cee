// One view of a database file held for many reads: what another user writes
// meanwhile is neither waited for nor seen until the view ends, and a transaction
// begun while it is held works as without it.

#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace zalvert::engine::testing {
namespace {

class ReadSnapshotTest : public EngineTest {
  protected:
    // Every name in ID order, through a fresh dynaset and a clone of it.
    std::string Names(Database& db) {
        auto rs = db.OpenRecordset("SELECT Name FROM Kunden ORDER BY ID", dbOpenDynaset);
        auto clone = rs->Clone();
        std::string names;
        if (clone->Bof() && clone->Eof()) return names;
        for (clone->MoveFirst(); !clone->Eof(); clone->MoveNext())
            names += clone->Fields().Item("Name")->Value().AsString() + " ";
        return names;
    }
};

TEST_F(ReadSnapshotTest, ReadsOneViewWhileAnotherUserWrites) {
    auto other = SecondUser();
    const std::string before = Names(*db_);
    {
        const auto snapshot = db_->HoldSnapshot();
        EXPECT_EQ(Names(*db_), before);
        other->Execute("UPDATE Kunden SET Name = 'Anders' WHERE Name = 'Meier'");
        other->Execute("INSERT INTO Kunden (Name) VALUES ('Neu')");
        EXPECT_EQ(Names(*db_), before);
        EXPECT_EQ(Names(*other), "Anders Albers Zander Bauer Schulz Neu ");
    }
    EXPECT_EQ(Names(*db_), "Anders Albers Zander Bauer Schulz Neu ");
}

// A transaction begun under the view ends it, and commits or rolls back as ever;
// a view asked for inside a transaction leaves it to its owner.
TEST_F(ReadSnapshotTest, ATransactionOutlivesNoViewAndIsLeftToItsOwner) {
    auto other = SecondUser();
    auto workspace = engine_->CreateWorkspace("T", "Admin", "");
    auto db = workspace->OpenDatabase(path_);
    auto snapshot = db->HoldSnapshot();
    Names(*db);
    workspace->BeginTrans();
    db->Execute("INSERT INTO Kunden (Name) VALUES ('Erster')");
    workspace->CommitTrans();
    snapshot.reset();
    EXPECT_NE(Names(*other).find("Erster"), std::string::npos);

    workspace->BeginTrans();
    db->Execute("INSERT INTO Kunden (Name) VALUES ('Zweiter')");
    snapshot = db->HoldSnapshot();
    Names(*db);
    snapshot.reset();
    EXPECT_EQ(Names(*other).find("Zweiter"), std::string::npos);
    workspace->Rollback();
    EXPECT_EQ(Names(*db).find("Zweiter"), std::string::npos);
}

// Closing the database with the view held is no error, nor is the view's end after.
TEST_F(ReadSnapshotTest, EndsWithTheDatabase) {
    auto snapshot = db_->HoldSnapshot();
    Names(*db_);
    db_->Close();
    snapshot.reset();
    auto other = SecondUser();
    other->Execute("INSERT INTO Kunden (Name) VALUES ('Danach')");
    EXPECT_NE(Names(*other).find("Danach"), std::string::npos);
}

}  // namespace
}  // namespace zalvert::engine::testing

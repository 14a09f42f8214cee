// One view of a database file held for many reads: what another user writes
// meanwhile is neither waited for nor seen until the view ends, and a transaction
// begun while it is held works as without it.

#include <gtest/gtest.h>

#include <algorithm>

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

// A view asked for under one already held, as opening a whole table asks for one,
// leaves the held one in place when it goes.
TEST_F(ReadSnapshotTest, AViewInsideAHeldOneLeavesItInPlace) {
    auto other = SecondUser();
    const std::string before = Names(*db_);
    const auto snapshot = db_->HoldSnapshot();
    EXPECT_EQ(Names(*db_), before);
    db_->HoldSnapshot().reset();
    db_->OpenRecordset("Kunden", dbOpenDynaset)->MoveLast();
    other->Execute("INSERT INTO Kunden (Name) VALUES ('Neu')");
    EXPECT_EQ(Names(*db_), before);
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

// Every value of a sorted dynaset read through a clone, one row after another.
std::vector<std::string> Rows(Recordset& rs) {
    auto clone = rs.Clone();
    std::vector<std::string> rows;
    if (clone->Bof() && clone->Eof()) return rows;
    for (clone->MoveFirst(); !clone->Eof(); clone->MoveNext()) {
        std::string row;
        try {
            for (int f = 0; f < clone->Fields().Count(); ++f) {
                const Variant value = clone->Fields().Item(f)->Value();
                row += (value.IsNull() ? std::string("-") : value.AsString()) + "|";
            }
        } catch (const EDaoError& e) {
            if (e.Number() != 3167) throw;
            row = "(gelöscht)";  // by the other user
        }
        rows.push_back(row);
    }
    return rows;
}

// Under a snapshot a long read in order comes from one statement in the set's
// order: the same rows as read one by one, also where another user changed, deleted
// or added rows after the keys were read, and rows deleted through the set.
TEST_F(ReadSnapshotTest, AReadInOrderGivesTheRowsOfTheKeys) {
    for (int i = 0; i < 400; ++i)
        db_->Execute("INSERT INTO Kunden (Name, Ort, Betrag) VALUES ('K" +
                     std::to_string(i * 7919 % 400) + "', 'Ort " + std::to_string(i % 13) + "', " +
                     std::to_string(i) + ")");
    auto rs = db_->OpenRecordset("SELECT * FROM Kunden WHERE Betrag >= 5 ORDER BY Ort DESC, Name",
                                 dbOpenDynaset);
    const std::vector<std::string> plain = Rows(*rs);
    ASSERT_GT(plain.size(), 300u);
    {
        const auto snapshot = db_->HoldSnapshot();
        EXPECT_EQ(Rows(*rs), plain);
    }
    rs->MoveFirst();
    rs->Move(100);
    rs->Delete();
    auto other = SecondUser();
    other->Execute("UPDATE Kunden SET Ort = 'Aachen' WHERE Name = 'K17'");
    other->Execute("DELETE FROM Kunden WHERE Name IN ('K5', 'K300')");
    other->Execute("INSERT INTO Kunden (Name, Ort, Betrag) VALUES ('Neu', 'Ort 9', 50)");
    const std::vector<std::string> changed = Rows(*rs);
    EXPECT_EQ(changed.size(), plain.size() - 1);
    EXPECT_EQ(std::count(changed.begin(), changed.end(), "(gelöscht)"), 2);
    const auto snapshot = db_->HoldSnapshot();
    EXPECT_EQ(Rows(*rs), changed);
    EXPECT_EQ(Rows(*rs), changed);  // and again under the same snapshot
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

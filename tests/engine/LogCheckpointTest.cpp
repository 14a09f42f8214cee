// A long log is copied into the database file aside, a short one stays; the file
// keeps every committed row either way.

#include "engine/sqlite/LogCheckpoint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"

namespace zalvert::engine {
namespace {

constexpr int kPageSize = 4096;

class LogCheckpoint : public ::testing::Test {
  protected:
    void SetUp() override {
        db_ =
            std::make_unique<TSqliteConnection>(path_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db_->Exec("PRAGMA page_size=" + std::to_string(kPageSize) +
                  "; PRAGMA journal_mode=WAL; CREATE TABLE t (v TEXT)");
    }
    // One commit of about `pages` pages of rows.
    void Commit(int pages) {
        db_->Exec("BEGIN");
        TStatement insert(*db_, "INSERT INTO t VALUES (?)");
        for (int i = 0; i < pages * 4; ++i) {
            insert.Bind(1, Variant(std::string(1000, static_cast<char>('a' + i % 26))));
            insert.Step();
            insert.Reset();
        }
        db_->Exec("COMMIT");
    }
    std::uintmax_t FileSize() const { return std::filesystem::file_size(path_); }
    long Rows() {
        TStatement count(*db_, "SELECT count(*) FROM t");
        count.Step();
        return static_cast<long>(count.ColumnInt64(0));
    }

    testing::TTempDir dir_;
    std::string path_ = dir_.Path() + "log.db";
    std::unique_ptr<TSqliteConnection> db_;
};

TEST_F(LogCheckpoint, CopiesALongLogIntoTheFileAside) {
    const std::uintmax_t empty = FileSize();
    {
        TLogCheckpoint checkpoint(*db_, path_, 50);
        Commit(20);  // below the mark: the pages stay in the log
        EXPECT_EQ(FileSize(), empty);
        Commit(100);
    }  // waits for the checkpoint started by the long commit
    EXPECT_GE(FileSize(), empty + 110u * kPageSize);
    EXPECT_EQ(Rows(), 480);
}

// Checkpoints run while the next commits write: nothing of theirs is lost.
TEST_F(LogCheckpoint, StartsAgainAfterEachLongCommit) {
    TLogCheckpoint checkpoint(*db_, path_, 30);
    for (int round = 1; round <= 4; ++round) Commit(40);
    EXPECT_EQ(Rows(), 640);
    db_->Exec("INSERT INTO t VALUES ('letzte')");
    EXPECT_EQ(Rows(), 641);
}

}  // namespace
}  // namespace zalvert::engine

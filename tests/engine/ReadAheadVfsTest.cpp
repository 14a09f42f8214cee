// The read-ahead file layer: what a connection through it reads is what one
// without it reads, up, down and out of order, and a new transaction never sees a
// stretch of the file read ahead before another connection changed it.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine/sqlite/ReadAheadVfs.h"
#include "engine/sqlite/Sqlite.h"
#include "tests/support/TempDir.h"

namespace zalvert::engine::testing {
namespace {

constexpr int kRows = 6000;  // about 1,500 pages: many stretches

struct TTextFile {
    explicit TTextFile(const char* journal, int rows = kRows)
        : Path(Dir.Path() + "texte.db"), Writer(Path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) {
        Writer.Exec(std::string("PRAGMA journal_mode=") + journal);
        Writer.Exec(
            "CREATE TABLE t (id INTEGER PRIMARY KEY, text TEXT);"
            "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < " +
            std::to_string(rows) +
            ") INSERT INTO t SELECT i, printf('%d:', i) || hex(randomblob(480)) FROM r");
    }
    zalvert::testing::TTempDir Dir;
    std::string Path;
    TSqliteConnection Writer;
};

std::vector<std::string> Texts(const TSqliteConnection& connection, const std::string& sql) {
    std::vector<std::string> texts;
    TStatement stmt(connection, sql);
    while (stmt.Step()) texts.push_back(stmt.ColumnText(0));
    return texts;
}

std::string Text(const TSqliteConnection& connection, int id) {
    const auto texts = Texts(connection, "SELECT text FROM t WHERE id = " + std::to_string(id));
    return texts.empty() ? std::string() : texts.front();
}

TEST(ReadAheadVfs, ReadsWhatTheDefaultLayerReads) {
    TTextFile file("WAL");
    TSqliteConnection plain(file.Path, SQLITE_OPEN_READONLY);
    TSqliteConnection ahead(file.Path, SQLITE_OPEN_READONLY, ReadAheadVfsName());
    // Cold pages every time: nothing comes from SQLite's own cache.
    ahead.Exec("PRAGMA cache_size=4");
    const std::string all = "SELECT text FROM t ORDER BY id";
    const std::vector<std::string> expected = Texts(plain, all);
    ASSERT_EQ(expected.size(), static_cast<size_t>(kRows));
    EXPECT_EQ(Texts(ahead, all), expected);
    EXPECT_EQ(Texts(ahead, all + " DESC"),
              std::vector<std::string>(expected.rbegin(), expected.rend()));

    // Out of order, and in order again from wherever.
    std::mt19937 random(20261211);
    for (int i = 0; i < 300; ++i) {
        const int id = static_cast<int>(random() % kRows) + 1;
        ASSERT_EQ(Text(ahead, id), expected[static_cast<size_t>(id - 1)]) << "id " << id;
        if (i % 50 == 0) {
            const std::string from = "SELECT text FROM t WHERE id >= " + std::to_string(id);
            ASSERT_EQ(Texts(ahead, from), Texts(plain, from)) << "from id " << id;
        }
    }
}

// A table of a few pages is read from one stretch; another connection rewrites
// it and writes it into the file. The next transaction reads the new texts.
void ExpectNewTextsAfterAnotherWrote(const char* journal) {
    TTextFile file(journal, 6);
    TSqliteConnection ahead(file.Path, SQLITE_OPEN_READONLY, ReadAheadVfsName());
    ahead.Exec("PRAGMA cache_size=4");
    ASSERT_EQ(Texts(ahead, "SELECT text FROM t").size(), 6u);

    file.Writer.Exec("UPDATE t SET text = 'neu ' || id");
    if (std::string(journal) == "WAL") file.Writer.Exec("PRAGMA wal_checkpoint(TRUNCATE)");
    for (const int id : {1, 3, 6})
        EXPECT_EQ(Text(ahead, id), "neu " + std::to_string(id)) << journal << ", id " << id;
}

TEST(ReadAheadVfs, ReadsNothingKeptFromAnEarlierTransaction) {
    ExpectNewTextsAfterAnotherWrote("WAL");
    ExpectNewTextsAfterAnotherWrote("DELETE");
}

TEST(ReadAheadVfs, WritesAndReadsBackThroughTheLayer) {
    zalvert::testing::TTempDir dir;
    const std::string path = dir.Path() + "neu.db";
    {
        TSqliteConnection ahead(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                                ReadAheadVfsName());
        ahead.Exec("PRAGMA journal_mode=WAL");
        ahead.Exec("CREATE TABLE t (id INTEGER PRIMARY KEY, text TEXT)");
        ahead.Exec(
            "WITH RECURSIVE r(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM r WHERE i < 2000) "
            "INSERT INTO t SELECT i, hex(randomblob(300)) FROM r");
        ahead.Exec("UPDATE t SET text = 'x' || id WHERE id % 7 = 0");
        EXPECT_EQ(Text(ahead, 700), "x700");
    }
    TSqliteConnection plain(path, SQLITE_OPEN_READONLY);
    EXPECT_EQ(Texts(plain, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
    EXPECT_EQ(Text(plain, 1400), "x1400");
}

}  // namespace
}  // namespace zalvert::engine::testing

// Figures of the recordset engine on the billing table, each beside the same work
// done with SQLite directly in the same run.

#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "data/Schema.h"
#include "engine/Dao.h"

namespace {

using namespace zalvert;
using bench::ResidentBytes;
using bench::Seconds;
using namespace zalvert::engine;
using Clock = std::chrono::steady_clock;

void Check(int rc, sqlite3* db) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

std::string NewDatabase(const std::string& folder, const char* name) {
    const std::string path = folder + "/" + name;
    std::filesystem::remove(path);
    CreateZalvertDatabase(path, {"Spedition Müller", "Nordfracht"});
    return path;
}

// The raw baseline: a prepared INSERT of the same seven values.
double RawInserts(const std::string& path, int rows, bool transaction) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db,
                 "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA cache_size=-65536; "
                 "PRAGMA wal_autocheckpoint=8192",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    Check(sqlite3_prepare_v2(
              db,
              "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Datumbis, Tour, erstelltvon, "
              "ImportID) VALUES (?, ?, ?, ?, ?, ?, ?)",
              -1, &stmt, nullptr),
          db);
    const double seconds = Seconds([&] {
        if (transaction) sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int i = 0; i < rows; ++i) {
            sqlite3_bind_text(stmt, 1, "Spedition Müller GmbH", -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 2, "Autohaus Schneider KG", -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 3, "2018-12-03 00:00:00", -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 4, "2018-12-04 00:00:00", -1, SQLITE_STATIC);
            sqlite3_bind_text(stmt, 5, "T17", -1, SQLITE_STATIC);
            sqlite3_bind_int(stmt, 6, 0);
            sqlite3_bind_int(stmt, 7, i / 1000);
            Check(sqlite3_step(stmt), db);
            sqlite3_reset(stmt);
        }
        if (transaction) sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    });
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return seconds;
}

double EngineInserts(const std::string& path, int rows, bool transaction) {
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto ws = engine->CreateWorkspace("Bench", "Admin", "");
    auto db = ws->OpenDatabase(path);
    auto rs = db->OpenRecordset("Zalvert", dbOpenDynaset, dbAppendOnly);
    auto& f = rs->Fields();
    auto recvon = f.Item("Recvon"), recan = f.Item("Recan"), von = f.Item("Datumvon"),
         bis = f.Item("Datumbis"), tour = f.Item("Tour"), erstellt = f.Item("erstelltvon"),
         import = f.Item("ImportID");
    const Variant company("Spedition Müller GmbH"), customer("Autohaus Schneider KG"),
        from = Variant::FromDate(EncodeDate(2018, 12, 3)),
        to = Variant::FromDate(EncodeDate(2018, 12, 4)), t17("T17"), zero(0);
    return Seconds([&] {
        if (transaction) ws->BeginTrans();
        for (int i = 0; i < rows; ++i) {
            rs->AddNew();
            recvon->SetValue(company);
            recan->SetValue(customer);
            von->SetValue(from);
            bis->SetValue(to);
            tour->SetValue(t17);
            erstellt->SetValue(zero);
            import->SetValue(Variant(i / 1000));
            rs->Update();
        }
        if (transaction) ws->CommitTrans();
    });
}

void Inserts(const std::string& folder, int rows, bool transaction) {
    const double raw = RawInserts(NewDatabase(folder, "raw.db"), rows, transaction);
    const double eng = EngineInserts(NewDatabase(folder, "engine.db"), rows, transaction);
    std::printf(
        "AddNew/7 values/Update, %-19s %7d rows: engine %9.0f rows/s, SQLite %9.0f rows/s, "
        "ratio %.2f\n",
        transaction ? "in one transaction," : "one commit each,", rows, rows / eng, rows / raw,
        eng / raw);
}

void Fill(const std::string& path, int rows) {
    RawInserts(path, rows, true);
}

void OpenAndCount(const std::string& path, int rows) {
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto db = engine->CreateWorkspace("Bench", "Admin", "")->OpenDatabase(path);
    long count = 0;
    std::shared_ptr<Recordset> first, second;
    const double eng = Seconds([&] {
        first = db->OpenRecordset("Zalvert", dbOpenDynaset);
        first->MoveLast();
        count = first->RecordCount();
    });
    // Further keysets over the same, now cached, pages show what a keyset costs.
    second = db->OpenRecordset("Zalvert", dbOpenDynaset);
    std::vector<std::shared_ptr<Recordset>> more;
    const long before = ResidentBytes();
    for (int i = 0; i < 4; ++i) more.push_back(db->OpenRecordset("Zalvert", dbOpenDynaset));
    const long keysetBytes = (ResidentBytes() - before) / 4;
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    const double base = Seconds([&] {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(raw, "SELECT rowid FROM Zalvert ORDER BY rowid", -1, &stmt, nullptr);
        while (sqlite3_step(stmt) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
    });
    sqlite3_close(raw);
    std::printf(
        "Open dynaset + MoveLast + RecordCount, %d rows: engine %.3f s (%ld counted), SQLite rowid "
        "scan %.3f s; keyset %.1f bytes per row\n",
        rows, eng, count, base, static_cast<double>(keysetBytes) / rows);
}

void FindAndSeek(const std::string& path, int rows) {
    auto engine = CreateDBEngine("DAO.DBEngine.36");
    auto db = engine->CreateWorkspace("Bench", "Admin", "")->OpenDatabase(path);
    auto rs = db->OpenRecordset("Zalvert", dbOpenDynaset);
    const int lookups = 1000;
    const double find = Seconds([&] {
        for (int i = 0; i < lookups; ++i)
            rs->FindFirst("ImportID = " + std::to_string((i * 37) % (rows / 1000)));
    });
    auto table = db->OpenRecordset("Zalvert", dbOpenTable);
    table->SetIndex("PrimaryKey");
    const int seeks = 200000;
    const double seek = Seconds([&] {
        for (int i = 0; i < seeks; ++i) table->Seek("=", {Variant(1 + (i * 7919) % rows)});
    });
    sqlite3* raw = nullptr;
    sqlite3_open(path.c_str(), &raw);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(raw, "SELECT rowid FROM Zalvert WHERE ImportID = ? ORDER BY rowid LIMIT 1",
                       -1, &stmt, nullptr);
    const double rawFind = Seconds([&] {
        for (int i = 0; i < lookups; ++i) {
            sqlite3_bind_int(stmt, 1, (i * 37) % (rows / 1000));
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
    });
    sqlite3_finalize(stmt);
    sqlite3_prepare_v2(raw, "SELECT * FROM Zalvert WHERE ID = ?", -1, &stmt, nullptr);
    const double rawSeek = Seconds([&] {
        for (int i = 0; i < seeks; ++i) {
            sqlite3_bind_int(stmt, 1, 1 + (i * 7919) % rows);
            sqlite3_step(stmt);
            sqlite3_reset(stmt);
        }
    });
    sqlite3_finalize(stmt);
    sqlite3_close(raw);
    std::printf(
        "FindFirst on the indexed ImportID, %d-row dynaset: engine %.3f ms each, SQLite %.3f ms "
        "each\n",
        rows, find * 1000 / lookups, rawFind * 1000 / lookups);
    std::printf("Seek on the primary key: engine %.0f per second, SQLite lookup %.0f per second\n",
                seeks / seek, seeks / rawSeek);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-engine-bench";
    std::filesystem::create_directories(folder);
    if (argc > 1 && std::string(argv[1]) == "--inserts-only") {  // for profiling
        EngineInserts(NewDatabase(folder, "engine.db"), 20000, true);
        return 0;
    }
    Inserts(folder, 200000, true);
    Inserts(folder, 20000, false);
    const int rows = 1000000;
    const std::string big = NewDatabase(folder, "million.db");
    Fill(big, rows);
    OpenAndCount(big, rows);
    FindAndSeek(big, rows);
    std::filesystem::remove_all(folder);
    return 0;
}

// Searches of the table component on a billing table of a million records, each
// beside the engine doing the same search directly in the same run.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"

namespace {

using namespace zalvert;
using bench::Seconds;

void Row(const char* what, double engineSeconds, double tableSeconds) {
    std::printf("%-44s engine %9.3f ms   table %9.3f ms   ratio %6.2f\n", what,
                engineSeconds * 1000, tableSeconds * 1000,
                engineSeconds > 0 ? tableSeconds / engineSeconds : 0.0);
}

void Check(bool expected, const char* what) {
    if (!expected) std::printf("  (%s: not as expected!)\n", what);
}

// Locate on a text field with an index: a seek on a standard table.
void IndexedLocate(TZedaDaoDatabase& db, int rows) {
    const std::string tour = "T" + std::to_string(rows * 3 / 4);
    engine::Database& engine = *db.DatabaseObject();
    auto rs = engine.OpenRecordset("Zalvert", engine::dbOpenTable);
    rs->SetIndex("TourIdx");
    const double direct = Seconds([&] {
        auto clone = rs->Clone();
        clone->MoveFirst();
        clone->Seek("=", {Variant(tour)});
        Check(!clone->NoMatch(), "engine seek");
    });
    TZedaDaoTable table;
    table.F_Set_Database(&db);
    table.F_Set_TableType(engine::dbOpenTable);
    table.F_Set_TableName("Zalvert");
    table.F_Set_IndexName("TourIdx");
    table.Open();
    const double first = Seconds([&] { Check(table.Locate("Tour", Variant(tour), 0), "Locate"); });
    // The first bookmark of a seek makes the table learn where its rows stand.
    Row("Locate on an indexed text field, first", direct, first);
    const std::string other = "T" + std::to_string(rows / 4);
    const double again = Seconds([&] { Check(table.Locate("Tour", Variant(other), 0), "Locate"); });
    Row("Locate on an indexed text field, again", direct, again);

    // The table in its primary key, the search in another index: the first Locate
    // reads that index's keys; the clone is kept for the ones after it.
    table.Close();
    table.F_Set_IndexName("PrimaryKey");
    table.Open();
    const double otherFirst =
        Seconds([&] { Check(table.Locate("Tour", Variant(tour), 0), "Locate"); });
    Row("Locate in another index than the table's, first", direct, otherFirst);
    double slowest = 0;
    for (int i = 1; i <= 20; ++i) {
        const std::string key = "T" + std::to_string(rows / 21 * i);
        slowest = std::max(
            slowest, Seconds([&] { Check(table.Locate("Tour", Variant(key), 0), "Locate"); }));
    }
    Row("Locate in another index than the table's, slowest of 20 after", direct, slowest);
}

// Locate on a dynaset: a find on a clone; the last record's tour is scanned for.
void FindLocate(TZedaDaoTable& table, engine::Recordset& rs, const std::string& field,
                const std::string& value, const char* what, bool present) {
    const std::string criteria = "[" + field + "] = \"" + value + "\"";
    const double direct = Seconds([&] {
        auto clone = rs.Clone();
        clone->MoveFirst();
        clone->FindFirst(criteria);
        Check(clone->NoMatch() != present, "engine find");
    });
    table.First();
    const double located =
        Seconds([&] { Check(table.Locate(field, Variant(value), 0) == present, "Locate"); });
    Row(what, direct, located);
}

void LookupById(TZedaDaoTable& table, engine::Database& db, int rows) {
    const int id = rows / 2;
    const double direct = Seconds([&] {
        auto rs = db.OpenRecordset("SELECT Tour FROM Zalvert WHERE ID = " + std::to_string(id),
                                   engine::dbOpenSnapshot);
        Check(!rs->Eof(), "engine lookup");
    });
    const double looked = Seconds([&] {
        Check(table.Lookup("ID", Variant(id), "Tour").Type() == TVarType::String, "Lookup");
    });
    Row("Lookup on ID", direct, looked);
}

void FindNextSteps(TZedaDaoTable& table, engine::Recordset& rs, int rows) {
    const int steps = 1000;
    const std::string run = std::to_string(rows / 100 / 2);  // a run in the middle
    const std::string criteria = "[ImportID] = " + run;
    const double direct = Seconds([&] {
        auto clone = rs.Clone();
        clone->MoveFirst();
        clone->FindFirst(criteria);
        for (int i = 1; i < steps && !clone->NoMatch(); ++i)
            clone->FindNext("[Recvon] = \"Spedition Müller GmbH\"");
    });
    table.Locate("ImportID", Variant(std::stoi(run)), 0);
    const double stepped = Seconds([&] {
        for (int i = 1; i < steps; ++i)
            if (!table.FindNextByKey("Recvon", Variant("Spedition Müller GmbH"), 0)) break;
    });
    Row("1,000 FindNextByKey steps (per step)", direct / steps, stepped / steps);
}

// The search line in a date column: every record's date in the form the grid shows,
// compared with the typed beginning; a day no record has reads them all.
void ShownSearch(TZedaDaoTable& table, engine::Recordset& rs) {
    const std::string typed = "29.02.2023";
    const double direct = Seconds([&] {
        auto clone = rs.Clone();
        const auto field = clone->Fields().Item("Datumvon");
        bool found = false;
        for (clone->MoveFirst(); !clone->Eof() && !found; clone->MoveNext())
            found = DateTimeToStr(field->Value().AsDateTime()).starts_with(typed);
        Check(!found, "engine pass");
    });
    table.First();
    const double searched =
        Seconds([&] { Check(!table.FindFirstShown("Datumvon", typed), "FindFirstShown"); });
    Row("search line in a date column (a miss)", direct, searched);
}

// The search line in the ID column: the numbers shown beginning with the typed
// digits, found as ranges of values; the reference reads every record's number.
void ShownNumberSearch(TZedaDaoTable& table, engine::Recordset& rs, int rows) {
    const std::string typed = std::to_string(rows - 1);
    const double direct = Seconds([&] {
        auto clone = rs.Clone();
        const auto field = clone->Fields().Item("ID");
        bool found = false;
        for (clone->MoveFirst(); !clone->Eof() && !found; clone->MoveNext())
            found = field->Value().AsString().starts_with(typed);
        Check(found, "engine pass");
    });
    table.First();
    const double searched =
        Seconds([&] { Check(table.FindFirstShown("ID", typed), "FindFirstShown"); });
    Row("search line in the ID column (near the end)", direct, searched);
}

void MasterMoves(TZedaDaoDatabase& db) {
    engine::Database& engine = *db.DatabaseObject();
    engine.Execute("CREATE TABLE Laeufe (ImportID LONG)");
    for (int i = 0; i < 100; ++i)
        engine.Execute("INSERT INTO Laeufe (ImportID) VALUES (" + std::to_string(i + 100) + ")");
    const int moves = 50;
    const double direct = Seconds([&] {
        for (int i = 0; i < moves; ++i) {
            auto rs = engine.OpenRecordset(
                "SELECT * FROM Zalvert WHERE ImportID = " + std::to_string(i + 101),
                engine::dbOpenDynaset);
            rs->MoveFirst();
        }
    });
    TZedaDaoTable master;
    master.F_Set_Database(&db);
    master.F_Set_TableName("Laeufe");
    TDataSource source;
    source.SetDataSet(&master);
    TZedaDaoTable detail;
    detail.F_Set_Database(&db);
    detail.F_Set_TableName("Zalvert");
    detail.SetMasterSource(&source);
    detail.SetMasterFields("ImportID -> ImportID");
    detail.Open();
    int shown = 0;
    const double moved = Seconds([&] {
        for (int i = 0; i < moves; ++i) {
            master.Next();
            shown += detail.RecordCount();
        }
    });
    Row("master move reopening a detail of 100 (per move)", direct / moves, moved / moves);
    if (shown != moves * 100) std::printf("  (detail records seen: %d)\n", shown);
}

}  // namespace

int main(int argc, char** argv) {
    FormatSettings() = TFormatSettings::German();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-search-bench";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    std::filesystem::remove(path);
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, rows, 100);
    {
        TZedaDaoDatabase db;
        db.F_Set_Database(path);
        db.Open();
        db.DatabaseObject()->Execute("CREATE INDEX TourIdx ON Zalvert (Tour)");
        std::printf("%d billing records\n", rows);
        IndexedLocate(db, rows);
        TZedaDaoTable table;
        table.F_Set_Database(&db);
        table.F_Set_TableName("Zalvert");
        table.Open();
        auto rs = db.DatabaseObject()->OpenRecordset("Zalvert", engine::dbOpenDynaset);
        FindLocate(table, *rs, "Recan", "nirgends", "Locate on a field without index (a miss)",
                   false);
        FindLocate(table, *rs, "Tour", "T" + std::to_string(rows - 1),
                   "Locate of the last record, no index", true);
        LookupById(table, *db.DatabaseObject(), rows);
        FindNextSteps(table, *rs, rows);
        ShownSearch(table, *rs);
        ShownNumberSearch(table, *rs, rows);
        table.Close();
        MasterMoves(db);
    }
    std::filesystem::remove_all(folder);
    return 0;
}

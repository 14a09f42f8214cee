// Figures of the table component on a billing table of a million records, each
// beside the same walk done directly on the engine's recordset in the same run.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/BillingTable.h"
#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"

namespace {

using namespace zalvert;
using bench::ResidentBytes;
using bench::Seconds;

// Reads every field of the current row, as the table does when it loads a record.
void ReadRow(engine::Recordset& rs, std::vector<std::shared_ptr<engine::Field>>& fields) {
    if (fields.empty())
        for (int i = 0; i < rs.Fields().Count(); ++i) fields.push_back(rs.Fields().Item(i));
    for (auto& field : fields) {
        if (field->Type() == engine::dbMemo) {
            (void)field->FieldSize();
            continue;
        }
        const Variant value = field->Value();
        (void)value;
    }
}

void Row(const char* what, double engineSeconds, double tableSeconds) {
    std::printf("%-36s engine %10.3f ms   table %10.3f ms   ratio %6.2f\n", what,
                engineSeconds * 1000, tableSeconds * 1000,
                engineSeconds > 0 ? tableSeconds / engineSeconds : 0.0);
}

struct TWalks {
    double Open = 0, Last = 0, Count = 0, RecNo = 0, Scroll = 0;
};

TWalks EngineWalks(engine::Database& db, int rows) {
    TWalks t;
    std::vector<std::shared_ptr<engine::Field>> fields;
    std::shared_ptr<engine::Recordset> rs;
    t.Open = Seconds([&] {
        rs = db.OpenRecordset("Zalvert", engine::dbOpenDynaset, 0, engine::dbOptimistic);
        rs->MoveFirst();
        ReadRow(*rs, fields);
    });
    t.Last = Seconds([&] {
        rs->MoveLast();
        ReadRow(*rs, fields);
    });
    // The same walks as the table's: counting puts the cursor back on the active
    // row, and the record number first sets the cursor to it.
    auto fresh = db.OpenRecordset("Zalvert", engine::dbOpenDynaset, 0, engine::dbOptimistic);
    fresh->MoveFirst();
    const TBytes active = fresh->Bookmark();
    t.Count = Seconds([&] {
        fresh->MoveFirst();
        fresh->MoveLast();
        (void)fresh->RecordCount();
        fresh->SetBookmark(active);
    });
    rs->MoveFirst();
    rs->Move(rows / 2);
    const TBytes middle = rs->Bookmark();
    t.RecNo = Seconds([&] {
        rs->SetBookmark(middle);
        (void)rs->AbsolutePosition();
    });
    rs->MoveFirst();
    t.Scroll = Seconds([&] {
        for (int i = 0; i < std::min(100000, rows - 1); ++i) {
            rs->MoveNext();
            (void)rs->Eof();
            (void)rs->Bookmark();
            ReadRow(*rs, fields);
        }
    });
    return t;
}

TWalks TableWalks(TZedaDaoDatabase& db, int rows) {
    TWalks t;
    TZedaDaoTable table;
    table.SetName("Zalvert");
    table.F_Set_Database(&db);
    table.F_Set_TableName("Zalvert");
    t.Open = Seconds([&] { table.Open(); });
    t.Last = Seconds([&] { table.Last(); });
    TZedaDaoTable counted;
    counted.SetName("Gezaehlt");
    counted.F_Set_Database(&db);
    counted.F_Set_TableName("Zalvert");
    counted.Open();
    t.Count = Seconds([&] { (void)counted.RecordCount(); });
    table.SetRecNo(rows / 2 + 1);
    int recNo = 0;
    t.RecNo = Seconds([&] { recNo = table.RecNo(); });
    if (recNo != rows / 2 + 1) std::printf("unexpected record number %d\n", recNo);
    table.First();
    t.Scroll = Seconds([&] {
        for (int i = 0; i < std::min(100000, rows - 1); ++i) table.Next();
    });
    return t;
}

void Walks(const std::string& path, int rows) {
    TZedaDaoDatabase db;
    db.F_Set_Database(path);
    db.Open();
    const long before = ResidentBytes();
    const TWalks e = EngineWalks(*db.DatabaseObject(), rows);
    const TWalks t = TableWalks(db, rows);
    std::printf("\n%d billing records, dynaset\n", rows);
    Row("open and read the first record", e.Open, t.Open);
    Row("Last", e.Last, t.Last);
    Row("RecordCount (fresh recordset)", e.Count, t.Count);
    Row("RecNo in the middle", e.RecNo, t.RecNo);
    Row("Next 100,000 times", e.Scroll, t.Scroll);
    std::printf("resident growth during the walks: %.1f MB\n",
                (ResidentBytes() - before) / 1048576.0);
}

std::vector<Variant> ImportValues(int i) {
    return {Variant("Spedition Müller GmbH"),
            Variant("Autohaus Schneider KG"),
            Variant::FromDate(EncodeDate(2018, 12, 3)),
            Variant::FromDate(EncodeDate(2018, 12, 4)),
            Variant("T" + std::to_string(i)),
            Variant(0),
            Variant(i / 1000)};
}

double EngineInserts(TZedaDaoDatabase& db, int rows, bool transaction) {
    auto rs = db.DatabaseObject()->OpenRecordset("Zalvert", engine::dbOpenDynaset, 0,
                                                 engine::dbOptimistic);
    const char* names[] = {"Recvon", "Recan",       "Datumvon", "Datumbis",
                           "Tour",   "erstelltvon", "ImportID"};
    std::vector<std::shared_ptr<engine::Field>> fields;
    for (const char* name : names) fields.push_back(rs->Fields().Item(name));
    return Seconds([&] {
        if (transaction) db.StartTransaction();
        for (int i = 0; i < rows; ++i) {
            const std::vector<Variant> values = ImportValues(i);
            rs->AddNew();
            for (size_t f = 0; f < fields.size(); ++f) fields[f]->SetValue(values[f]);
            rs->Update();
            rs->SetBookmark(rs->LastModified());
        }
        if (transaction) db.Commit();
    });
}

double TableInserts(TZedaDaoDatabase& db, int rows, bool transaction) {
    TZedaDaoTable table;
    table.SetName("Import");
    table.F_Set_Database(&db);
    table.F_Set_TableName("Zalvert");
    const char* names[] = {"Recvon", "Recan",       "Datumvon", "Datumbis",
                           "Tour",   "erstelltvon", "ImportID"};
    for (const char* name : names) {
        TField* field = nullptr;
        if (name[0] == 'D')
            field = new TDateTimeField(&table);
        else if (name[0] == 'e' || name[0] == 'I')
            field = new TIntegerField(&table);
        else
            field = new TStringField(&table, 255);
        field->SetFieldName(name);
        field->SetDataSet(&table);
    }
    table.Open();
    return Seconds([&] {
        if (transaction) db.StartTransaction();
        for (int i = 0; i < rows; ++i) table.InsertFromValues(ImportValues(i));
        if (transaction) db.Commit();
    });
}

void Inserts(const std::string& path) {
    TZedaDaoDatabase db;
    db.F_Set_Database(path);
    db.Open();
    std::printf("\nInsertFromValues of the import's seven values, table of 1,000,000 rows\n");
    for (bool transaction : {true, false}) {
        const int rows = transaction ? 100000 : 20000;
        const double engine = EngineInserts(db, rows, transaction);
        const double table = TableInserts(db, rows, transaction);
        std::printf("%-22s %6d rows: engine %8.0f rows/s   table %8.0f rows/s   ratio %5.2f\n",
                    transaction ? "in one transaction" : "without transaction", rows, rows / engine,
                    rows / table, table / engine);
    }
}

}  // namespace

int main(int argc, char** argv) {
    FormatSettings() = TFormatSettings::German();
    const int rows = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const std::string folder = std::filesystem::temp_directory_path() / "zalvert-table-bench";
    std::filesystem::create_directories(folder);
    const std::string path = folder + "/zalvert.db";
    std::filesystem::remove(path);
    CreateZalvertDatabase(path, {"Spedition Müller GmbH"});
    bench::FillBillingTable(path, rows);
    Walks(path, rows);
    Inserts(path);
    std::filesystem::remove_all(folder);
    return 0;
}

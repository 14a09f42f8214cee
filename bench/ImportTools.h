#pragma once
// What the import benchmarks share: a view nobody watches, the waiting file, and
// the sqlite3 shell's import to compare with.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/BenchTools.h"
#include "bench/ProcessRun.h"
#include "bench/RealisticBilling.h"
#include "import/ImportView.h"

namespace zalvert::bench {

class TNoWindow : public IImportView {
  public:
    void SetProgressMaximum(int) override {}
    void SetProgressPosition(int, const TImportCounts&) override {}
    void ShowImportId(const std::string&) override {}
    void ShowSummary(const std::string& text) override { Summary = text; }
    std::string ImportYear() const override { return "2018"; }
    std::string Summary;
};

// The line counts to measure: 10,000, 100,000 and 1,000,000, or the one given.
inline std::vector<int> LineCounts(int argc, char** argv) {
    if (argc > 1) return {std::atoi(argv[1])};
    return {10000, 100000, 1000000};
}

// The waiting file of the import benchmarks: realistic lines (80 % of them
// accepted), from the first day on.
inline void GenerateImportFile(const std::string& path, int lines) {
    GenerateRealisticFile(path, lines, 0);
}

// The sqlite3 shell running a script on a new database, timed from its start
// until it has ended.
inline TProcessRun RunShell(const std::string& database, const std::string& script,
                            const std::string& log) {
    for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(database + suffix);
    TProcessCommand shell;
    shell.Arguments = {"sqlite3", "-batch", database};
    shell.Input = script;
    shell.Errors = log;
    const TProcessRun run = RunProcess(shell);
    if (!run.Succeeded) std::fprintf(stderr, "sqlite3 failed, see %s\n", log.c_str());
    return run;
}

// What a user would do instead of the program: the sqlite3 shell's .import of the
// same file into a plain table of its five columns in a new database, with the
// program's durability (write-ahead log, each commit flushed). From the shell's
// start until it has ended.
inline TProcessRun ShellImport(const std::string& root, const std::string& file) {
    const std::string database = root + "/shell.db";
    const std::string script = root + "/import.sql";
    std::ofstream(script) << "PRAGMA journal_mode=WAL;\nPRAGMA synchronous=FULL;\n"
                          << "CREATE TABLE Eingang (Recvon TEXT, Recan TEXT, Datumvon TEXT, "
                             "Datumbis TEXT, Tour TEXT);\n"
                          << ".mode csv\n.separator ;\n.import " << file << " Eingang\n";
    return RunShell(database, script, root + "/sqlite3.log");
}

// The same plus the program's checks in SQL, as a user who knows SQL would write
// them: the billing table and the company list as the program keeps them, the
// file imported into a table aside, then in one transaction every line checked
// (a known company in the sender, both dates dd.mm.yyyy), the lines that pass
// and are neither stored yet nor an earlier line's twin (texts compared in lower
// case) inserted with the run's number, and the refused lines with their reason
// written to a file. From the shell's start until it has ended.
inline TProcessRun ShellImportChecked(const std::string& root, const std::string& file) {
    const std::string database = root + "/checked.db";
    const std::string script = root + "/checked.sql";
    std::ofstream sql(script);
    sql << "PRAGMA journal_mode=WAL;\nPRAGMA synchronous=FULL;\n"
        << "CREATE TABLE Zalvert (ID INTEGER PRIMARY KEY AUTOINCREMENT, Recdatum DATETIME, "
           "Recnr TEXT, Recvon TEXT, Recan TEXT, Datumvon DATETIME, Datumbis DATETIME, Tour "
           "TEXT, Netto CURRENCY, Gutschrift TEXT, erledigt YESNO DEFAULT 0, Bemerkung "
           "LONGTEXT, erstelltvon LONG, ImportID LONG);\n"
        << "CREATE INDEX ImportID ON Zalvert (ImportID);\n"
        << "CREATE TABLE u_Recvon (ID INTEGER PRIMARY KEY AUTOINCREMENT, Prioritaet LONG, "
           "Firma TEXT);\n";
    for (const std::string& company : RealisticCompanies())
        sql << "INSERT INTO u_Recvon (Firma) VALUES ('" << company << "');\n";
    sql << "CREATE TEMP TABLE Eingang (Recvon TEXT, Recan TEXT, Datumvon TEXT, Datumbis TEXT, "
           "Tour TEXT);\n"
        << ".mode csv\n.separator ;\n.import " << file << " Eingang\n"
        << "BEGIN;\n"
        << "CREATE TEMP TABLE Geprueft AS SELECT rowid AS Zeile, *,\n"
           "  CASE WHEN Datumvon GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]' THEN\n"
           "    substr(Datumvon,7,4)||'-'||substr(Datumvon,4,2)||'-'||substr(Datumvon,1,2)||"
           "' 00:00:00' END AS Von,\n"
           "  CASE WHEN Datumbis GLOB '[0-9][0-9].[0-9][0-9].[0-9][0-9][0-9][0-9]' THEN\n"
           "    substr(Datumbis,7,4)||'-'||substr(Datumbis,4,2)||'-'||substr(Datumbis,1,2)||"
           "' 00:00:00' END AS Bis\n"
           "  FROM Eingang;\n"
        << "ALTER TABLE Geprueft ADD COLUMN Grund TEXT;\n"
        << "UPDATE Geprueft SET Grund = CASE\n"
           "  WHEN NOT EXISTS (SELECT 1 FROM u_Recvon WHERE instr(lower(Geprueft.Recvon), "
           "lower(Firma)) > 0) THEN 'falsche Firma'\n"
           "  WHEN Datumvon = '' OR Datumbis = '' THEN 'Kein Datum'\n"
           "  WHEN Von IS NULL OR Bis IS NULL THEN 'Datum von ungültig' END;\n"
        << "INSERT INTO Zalvert (Recdatum, Recvon, Recan, Datumvon, Datumbis, Tour, ImportID)\n"
           "  SELECT datetime('now'), Recvon, Recan, Von, Bis, Tour, 1 FROM (\n"
           "    SELECT *, row_number() OVER (PARTITION BY lower(Recvon), lower(Recan), Von, "
           "Bis, lower(Tour) ORDER BY Zeile) AS Nr FROM Geprueft WHERE Grund IS NULL) g\n"
           "  WHERE Nr = 1 AND NOT EXISTS (SELECT 1 FROM Zalvert z WHERE lower(z.Recvon) = "
           "lower(g.Recvon) AND lower(z.Recan) = lower(g.Recan) AND z.Datumvon = g.Von AND "
           "z.Datumbis = g.Bis AND lower(z.Tour) = lower(g.Tour))\n"
           "  ORDER BY Zeile;\n"
        << "COMMIT;\n"
        << ".once " << root << "/checked-refused.csv\n"
        << "SELECT Recvon, Recan, Datumvon, Datumbis, Tour, Grund FROM Geprueft WHERE Grund "
           "IS NOT NULL ORDER BY Zeile;\n";
    sql.close();
    return RunShell(database, script, root + "/sqlite3-checked.log");
}

// The records a reference stored, to see it did the program's work.
inline long StoredRecords(const std::string& database) {
    sqlite3* db = nullptr;
    long count = -1;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Zalvert", -1, &stmt, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return count;
}

}  // namespace zalvert::bench

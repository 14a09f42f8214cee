#pragma once
// A billing table of many records for the benchmarks, written with SQLite directly
// so that filling it does not count, and a user interaction that never waits.

#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "rtl/Interaction.h"

namespace zalvert::bench {

// Tours "T0", "T1"...; import identifier i / rowsPerRun; the remark in every
// record when one is given.
inline void FillBillingTable(const std::string& path, int rows, int rowsPerRun = 1000,
                             const std::string& remark = {}) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db,
                       "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Datumbis, Tour, erstelltvon, "
                       "ImportID, Netto, erledigt, Bemerkung) VALUES ('Spedition Müller GmbH', "
                       "'Autohaus Schneider KG', '2018-12-03 00:00:00', '2018-12-04 00:00:00', ?, "
                       "0, ?, 12.5, 0, ?)",
                       -1, &stmt, nullptr);
    for (int i = 0; i < rows; ++i) {
        const std::string tour = "T" + std::to_string(i);
        sqlite3_bind_text(stmt, 1, tour.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 2, i / rowsPerRun);
        if (remark.empty())
            sqlite3_bind_null(stmt, 3);
        else
            sqlite3_bind_text(stmt, 3, remark.c_str(), -1, SQLITE_STATIC);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Messages go to the error stream; questions are answered no.
class TSilentInteraction : public IUserInteraction {
  public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "message: %s\n", text.c_str());
    }
    void ShowInformation(const std::string& text) override { ShowMessage(text); }
    bool Confirm(const std::string&) override { return false; }
    std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>&,
                                                const std::string&) override {
        return std::nullopt;
    }
    std::optional<TLoginValues> Login(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

}  // namespace zalvert::bench

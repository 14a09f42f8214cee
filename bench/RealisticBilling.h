#pragma once
// Billing records as an office has them, for the benchmarks: eight known forwarders
// and three unknown ones, two thousand recipients (a good part with umlauts), dates
// spread over years with 500 tours a day. Line i of a set has a key of its own.
// In a file 80 % of the lines are taken: 15 % come from an unknown sender, 3 % have
// no date and 2 % an ISO date.

#include <sqlite3.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zalvert::bench {

// The names the company table holds; senders are these with their legal form.
inline const std::vector<std::string>& RealisticCompanies() {
    static const std::vector<std::string> companies = {
        "Spedition Müller", "Nordfracht",         "Kraus & Söhne",     "Transporte Weiß",
        "Bayern Cargo",     "Köhler Fuhrbetrieb", "Hansetrans Bremen", "Alpen Express"};
    return companies;
}

struct TBillingLine {
    std::string Sender, Recipient, From, To, Tour;  // dates as dd.mm.yyyy
};

class TRealisticBilling {
  public:
    static constexpr int kToursPerDay = 500;

    // Line `i`: its day is `firstDay` + i / 500 days after 1 January 2015.
    TBillingLine Line(long i, long firstDay, bool refusals) const {
        const std::uint64_t r = Mix(static_cast<std::uint64_t>(i));
        TBillingLine line;
        const int percent = static_cast<int>(r % 100);
        const bool unknown = refusals && percent < 15;
        line.Sender = unknown ? Unknown(r) : Sender(r);
        line.Recipient = Recipient(r >> 8);
        const long day = firstDay + i / kToursPerDay;
        line.Tour = "T" + std::to_string(i % kToursPerDay + 1);
        if (refusals && percent >= 15 && percent < 18) return line;  // no date
        const bool iso = refusals && percent >= 18 && percent < 20;
        line.From = DateText(day, iso);
        line.To = DateText(day + static_cast<long>((r >> 20) % 3), iso);
        return line;
    }

    // "2018-12-03 00:00:00", as the database keeps a date.
    static std::string StoredDate(const std::string& german) {
        return german.substr(6, 4) + "-" + german.substr(3, 2) + "-" + german.substr(0, 2) +
               " 00:00:00";
    }

  private:
    static std::uint64_t Mix(std::uint64_t x) {
        x += 0x9E3779B97F4A7C15ULL;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    }
    static std::string Sender(std::uint64_t r) {
        static const char* const forms[] = {" GmbH", " AG", " KG", " GmbH & Co. KG"};
        const auto& companies = RealisticCompanies();
        return companies[(r >> 40) % companies.size()] + forms[(r >> 44) % 4];
    }
    static std::string Unknown(std::uint64_t r) {
        static const char* const names[] = {"Rheinland Kurierdienst", "Schwarzwald Logistik e.K.",
                                            "Elbe Spedition GmbH"};
        return names[(r >> 40) % 3];
    }
    // 10 trades, 40 names, 5 legal forms: 2,000 recipients.
    static std::string Recipient(std::uint64_t r) {
        static const char* const trades[] = {
            "Autohaus", "Baumarkt", "Getränke",     "Möbelhaus",    "Bäckerei",
            "Elektro",  "Sanitär",  "Küchenstudio", "Reifendienst", "Landhandel"};
        static const char* const names[] = {
            "Müller", "Schmidt", "Schneider", "Fischer", "Weber",   "Meyer",      "Wagner",
            "Becker", "Schulz",  "Hoffmann",  "Schäfer", "Koch",    "Bauer",      "Richter",
            "Klein",  "Wolf",    "Schröder",  "Neumann", "Schwarz", "Zimmermann", "Braun",
            "Krüger", "Hofmann", "Hartmann",  "Lange",   "Schmitt", "Werner",     "Krause",
            "Meier",  "Lehmann", "Köhler",    "Böhm",    "Weiß",    "Günther",    "Vogel",
            "Jäger",  "Groß",    "Löffler",   "Möller",  "Fuchs"};
        static const char* const forms[] = {" GmbH", " KG", " e.K.", " OHG", " GmbH & Co. KG"};
        return std::string(trades[r % 10]) + " " + names[(r >> 4) % 40] + forms[(r >> 10) % 5];
    }
    static std::string DateText(long day, bool iso) {
        using namespace std::chrono;
        const year_month_day date{sys_days{year{2015} / January / 1} + days{day}};
        char text[16];
        if (iso)
            std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(date.year()),
                          static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
        else
            std::snprintf(text, sizeof text, "%02u.%02u.%04d", static_cast<unsigned>(date.day()),
                          static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
        return text;
    }
};

// A file of `lines` lines from `firstDay` on (Windows line ends); it has waited in
// the folder a minute, as a file found at start has.
inline void GenerateRealisticFile(const std::string& path, long lines, long firstDay) {
    const TRealisticBilling billing;
    {
        std::ofstream out(path, std::ios::binary);
        for (long i = 0; i < lines; ++i) {
            const TBillingLine l = billing.Line(i, firstDay, true);
            out << l.Sender << ';' << l.Recipient << ';' << l.From << ';' << l.To << ';' << l.Tour
                << "\r\n";
        }
    }
    std::filesystem::last_write_time(
        path, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
}

// `rows` records as imports stored them (1,000 a run), from day 0 on: the file of
// a benchmark starts at day `rows` / 500 and so holds none of them.
inline void FillRealisticBillingTable(const std::string& path, long rows) {
    const TRealisticBilling billing;
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Datumbis, Tour, erstelltvon, "
                       "ImportID, erledigt, Netto) VALUES (?, ?, ?, ?, ?, 0, ?, 0, ?)",
                       -1, &stmt, nullptr);
    for (long i = 0; i < rows; ++i) {
        const TBillingLine l = billing.Line(i, 0, false);
        const std::string values[] = {l.Sender, l.Recipient, TRealisticBilling::StoredDate(l.From),
                                      TRealisticBilling::StoredDate(l.To), l.Tour};
        for (int column = 0; column < 5; ++column)
            sqlite3_bind_text(stmt, column + 1, values[column].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(stmt, 6, i / 1000 + 1);
        // Three records in four priced by the office, from 20,00 to 2.019,99.
        if (i % 4 != 3)
            sqlite3_bind_double(stmt, 7, 20.0 + static_cast<double>((i * 7919) % 200000) / 100);
        else
            sqlite3_bind_null(stmt, 7);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

}  // namespace zalvert::bench

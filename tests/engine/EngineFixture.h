#pragma once
// A fresh database file with a small customer table for the engine's tests.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/Dao.h"
#include "rtl/FormatSettings.h"
#include "tests/support/TempDir.h"

namespace zalvert::engine::testing {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        engine_ = CreateDBEngine("DAO.DBEngine.36");
        path_ = dir_.Path() + "kunden.db";
        db_ = engine_->CreateDatabase(path_);
        db_->Execute(
            "CREATE TABLE Kunden (ID COUNTER, Name TEXT(20) NOT NULL, Ort TEXT(50), "
            "Betrag CURRENCY, Aktiv YESNO, Datum DATETIME, Anzahl SHORT, Kennung GUID, Notiz MEMO, "
            "CONSTRAINT PrimaryKey PRIMARY KEY (ID))");
        db_->Execute("CREATE INDEX OrtName ON Kunden (Ort, Name DESC)");
        const char* rows[] = {
            "('Meier', 'Berlin', 10.5, True, #03/01/2018#, 1)",
            "('Albers', 'Hamburg', 20, False, #03/02/2018 14:30:00#, 2)",
            "('Zander', 'Berlin', 30, True, #03/03/2018#, 3)",
            "('Bauer', 'Augsburg', 40.25, False, #03/04/2018#, 4)",
            "('Schulz', 'Hamburg', 50, True, #03/05/2018#, 5)",
        };
        for (const char* row : rows)
            db_->Execute(
                std::string(
                    "INSERT INTO Kunden (Name, Ort, Betrag, Aktiv, Datum, Anzahl) VALUES ") +
                row);
    }

    // A second user of the same file.
    std::shared_ptr<Database> SecondUser() {
        auto other = CreateDBEngine("DAO.DBEngine.36");
        keep_.push_back(other);
        return other->CreateWorkspace("Zweiter", "Admin", "")->OpenDatabase(path_);
    }

    std::shared_ptr<Recordset> Open(const std::string& source, int type = dbOpenDynaset) {
        return db_->OpenRecordset(source, type);
    }

    static std::string Text(Recordset& rs, const char* field) {
        return rs.Fields().Item(field)->Value().AsString();
    }

    // The error number a call raises, or 0.
    template <class Call>
    int ErrorOf(Call&& call) {
        try {
            call();
        } catch (const EDaoError& e) {
            return e.Number();
        }
        return 0;
    }

    zalvert::testing::TTempDir dir_;
    std::string path_;
    std::shared_ptr<DBEngine> engine_;
    std::shared_ptr<Database> db_;
    std::vector<std::shared_ptr<DBEngine>> keep_;
};

}  // namespace zalvert::engine::testing

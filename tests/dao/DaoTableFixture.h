#pragma once
// A billing database with a few records and a table of every engine type, a
// connection to it, and tables made on that connection.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dao/ZedaDaoDataBase.h"
#include "dao/ZedaDaoTable.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/FormatSettings.h"
#include "tests/support/MessageOf.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert::testing {

// An encrypter that reverses texts.
class TReverser : public TComponent, public IDaoEncrypter {
  public:
    void SetDecodedString(const std::string& text) override {
        encoded_.assign(text.rbegin(), text.rend());
    }
    std::string EncodedString() const override { return encoded_; }
    void SetEncodedString(const std::string& text) override { encoded_ = text; }
    std::string DecodedString() const override { return {encoded_.rbegin(), encoded_.rend()}; }

  private:
    std::string encoded_;
};

class DaoTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        SetApplicationInteraction(&ui_);
        path_ = dir_.Path() + "zalvert.db";
        CreateZalvertDatabase(path_, {"Nordfracht", "Südkurier", "Elbe Logistik"});
        db_ = std::make_unique<TZedaDaoDatabase>();
        db_->F_Set_Database(path_);
        db_->Open();
    }
    void TearDown() override {
        tables_.clear();
        db_.reset();
        SetApplicationInteraction(nullptr);
    }

    engine::Database& Engine() { return *db_->DatabaseObject(); }
    void Execute(const std::string& sql) { Engine().Execute(sql); }

    // `count` billing records with tours "T1".."Tn" and import identifier n % 3.
    void AddBillingRecords(int count) {
        for (int n = 1; n <= count; ++n)
            Execute(
                "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Tour, ImportID) VALUES "
                "('Nordfracht', 'Kunde " +
                std::to_string(n) + "', #03/0" + std::to_string(n % 9 + 1) + "/2024#, 'T" +
                std::to_string(n) + "', " + std::to_string(n % 3) + ")");
    }

    TZedaDaoTable& Table(const std::string& tableName, int type = engine::dbOpenDynaset) {
        auto table = std::make_unique<TZedaDaoTable>();
        table->SetName("Tabelle" + std::to_string(tables_.size() + 1));
        table->F_Set_Database(db_.get());
        table->F_Set_TableType(type);
        if (!tableName.empty()) table->F_Set_TableName(tableName);
        tables_.push_back(std::move(table));
        return *tables_.back();
    }

    TZedaDaoTable& Query(const std::string& sql) {
        TZedaDaoTable& table = Table("");
        table.SetSQL(sql);
        return table;
    }

    // A second user of the same file, for changes behind the table's back.
    std::shared_ptr<engine::Database> SecondUser() {
        other_ = engine::CreateDBEngine("DAO.DBEngine.36");
        return other_->CreateWorkspace("Zweiter", "Admin", "")->OpenDatabase(path_);
    }

    TTempDir dir_;
    TRecordingInteraction ui_;
    std::string path_;
    std::unique_ptr<TZedaDaoDatabase> db_;
    std::vector<std::unique_ptr<TZedaDaoTable>> tables_;
    std::shared_ptr<engine::DBEngine> other_;
};

}  // namespace zalvert::testing

#pragma once
// An import folder, an archive folder, a new database and the importer over them,
// with a view that records what a run shows.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/Daten.h"
#include "data/Schema.h"
#include "import/Importer.h"
#include "rtl/FormatSettings.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"

namespace zalvert::testing {

class TRecordingView : public IImportView {
  public:
    void SetProgressMaximum(int maximum) override { Maximum = maximum; }
    void ShowWaiting(const std::string& text) override {
        Waited.push_back(text);
        if (OnWaiting) OnWaiting();
    }
    void SetProgressPosition(int position, const TImportCounts&) override {
        Positions.push_back(position);
        if (OnProgress) OnProgress(position);
    }
    void ShowReading(int linesRead) override {
        if (OnReading) OnReading(linesRead);
    }
    void ShowImportId(const std::string& text) override { Id = text; }
    void ShowSummary(const std::string& text) override { Summary = text; }
    std::string ImportYear() const override { return Year; }

    int Maximum = -1;
    std::vector<int> Positions;
    std::string Id = "ID";
    std::string Summary = "0 Datensätze importiert";
    std::string Year = "2018";
    std::vector<std::string> Waited;
    std::function<void()> OnWaiting;
    std::function<void(int)> OnProgress;
    std::function<void(int)> OnReading;
};

// A billing record as stored.
struct TStored {
    std::string Recvon, Recan, Tour;
    TDateTime Von = 0, Bis = 0;
    int ImportId = 0, ErstelltVon = -1;
};

class ImportRunFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        FormatSettings() = TFormatSettings::German();
        SetClockForTesting(TSystemTime{2026, 12, 8, 14, 7, 9, 0});
        std::filesystem::create_directories(dir_.Path() + "import");
        std::filesystem::create_directories(dir_.Path() + "archiv");
    }
    void TearDown() override { SetClockForTesting(std::nullopt); }

    // A new database in `folder` (the test's own by default) and the program's parts.
    void Start(const std::vector<std::string>& companies, std::string folder = {}) {
        if (folder.empty()) folder = dir_.Path();
        CreateZalvertDatabase(folder + "zalvert.db", companies);
        const std::string ini =
            dir_.Write("z.ini", "[DB]\nMain=" + folder +
                                    "zalvert.db\n[Import]\nmaxspalte=5\npfad=" + dir_.Path() +
                                    "import/\next=*.csv\narchiv=" + dir_.Path() + "archiv/\n" +
                                    moreImportSettings_);
        data_ = std::make_unique<TData>(ui_, ini);
        ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
        importer_ = std::make_unique<TImporter>(data_->Settings(), ui_);
        importer_->AttachData(*data_, view_);
    }

    // Loads the lines as a file of the import folder; the run follows at once.
    std::string Import(const std::string& content) {
        const std::string path = dir_.Write("import/touren.csv", content);
        importer_->LoadFile(path);
        return path;
    }

    // Lines of the INI's [Import] section besides those every test has.
    std::string moreImportSettings_;

    std::string Mark(int row) const { return std::string(importer_->Gitter().Cells(5, row)); }

    std::vector<TStored> Stored() {
        std::vector<TStored> rows;
        auto rs = data_->Datenbank->DatabaseObject()->OpenRecordset(
            "SELECT * FROM Zalvert ORDER BY ID", engine::dbOpenSnapshot);
        auto text = [&](const char* name) {
            const Variant v = rs->Fields().Item(name)->Value();
            return v.IsNull() ? std::string() : v.AsString();
        };
        for (; !rs->Eof(); rs->MoveNext())
            rows.push_back({text("Recvon"), text("Recan"), text("Tour"),
                            rs->Fields().Item("Datumvon")->Value().AsDateTime(),
                            rs->Fields().Item("Datumbis")->Value().AsDateTime(),
                            rs->Fields().Item("ImportID")->Value().AsInteger(),
                            rs->Fields().Item("erstelltvon")->Value().AsInteger()});
        return rows;
    }

    // Import identifier, file, archive name, hash and counts of every logged run.
    std::vector<std::vector<std::string>> Logged() {
        std::vector<std::vector<std::string>> runs;
        auto rs = data_->Datenbank->DatabaseObject()->OpenRecordset(
            "SELECT * FROM u_Importlauf ORDER BY ImportID", engine::dbOpenSnapshot);
        for (; !rs->Eof(); rs->MoveNext()) {
            std::vector<std::string> run;
            for (const char* name : {"ImportID", "Datei", "Archivname", "SHA256", "Verarbeitet",
                                     "Importiert", "Abgelehnt"})
                run.push_back(rs->Fields().Item(name)->Value().AsString());
            runs.push_back(run);
        }
        return runs;
    }

    std::vector<std::string> Files(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_.Path() + folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TTempDir dir_;
    TRecordingInteraction ui_;
    TRecordingView view_;
    std::unique_ptr<TData> data_;
    std::unique_ptr<TImporter> importer_;
};

}  // namespace zalvert::testing

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QXmlStreamReader>
#include <filesystem>
#include <map>

#include "data/Daten.h"
#include "data/Schema.h"
#include "engine/Dao.h"
#include "rtl/WholeFile.h"
#include "tests/support/RecordingInteraction.h"
#include "tests/support/TempDir.h"
#include "views/CsvExport.h"
#include "views/ShownRecords.h"
#include "views/XlsxExport.h"

namespace zalvert {
namespace {

// Three records of run 12 and one of run 13 on a real database file; the table
// filtered to run 12 and sorted by sender, last first.
class RecordExportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetApplicationInteraction(&ui_);
        db_ = dir_.Path() + "zalvert.db";
        out_ = dir_.Path() + "export/";
        std::filesystem::create_directory(out_);
        CreateZalvertDatabase(db_, {"Nordfracht"});
        {
            auto engine = engine::CreateDBEngine("DAO.DBEngine.36");
            auto file = engine->CreateWorkspace("T", "Admin", "")->OpenDatabase(db_);
            file->Execute(
                "INSERT INTO Zalvert (Recvon, Recan, Datumvon, Datumbis, Tour, Netto, erledigt, "
                "Bemerkung, ImportID) VALUES ('Müller Transporte', 'Bäckerei; Süd', "
                "#03/31/2024#, #03/31/2024 12:30#, 'T\"1\"', 1234.5, True, "
                "'Zeile 1\r\nZeile 2', 12)");
            file->Execute(
                "INSERT INTO Zalvert (Recvon, Recan, Tour, ImportID) VALUES ('Nordfracht', "
                "'Łódź Logistik', 'T2', 12)");
            file->Execute(
                "INSERT INTO Zalvert (Recvon, Tour, Netto, ImportID) VALUES ('Ärger GmbH', 'T3', "
                "0.1235, 12)");
            file->Execute(
                "INSERT INTO Zalvert (Recvon, Tour, ImportID) VALUES ('Zander', 'T4', 13)");
            file->Close();
        }
        data_ = std::make_unique<TData>(
            ui_,
            dir_.Write("z.ini", "[DB]\nMain=" + db_ + "\n[Import]\narchiv=" + dir_.Path() + "\n"));
        ASSERT_TRUE(ui_.Messages.empty()) << ui_.Messages[0];
        Table().SetFilter("ImportID = 12");
        Table().SetFiltered(true);
        Table().SetSortedBy("[Recvon] DESC");
        Table().First();
        columns_ = ShownColumns(Table(), {{"Recvon", "Versender"},
                                          {"Recan", "Empfänger"},
                                          {"Datumvon", "Datum von"},
                                          {"Datumbis", "Datum bis"},
                                          {"Netto", "Netto"},
                                          {"erledigt", "erledigt"}});
    }
    void TearDown() override {
        data_.reset();
        SetApplicationInteraction(nullptr);
    }
    TZedaDaoTable& Table() const { return *data_->Zalvert; }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(out_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    testing::TRecordingInteraction ui_;
    testing::TTempDir dir_;
    std::string db_;
    std::string out_;  // where the exports go
    std::unique_ptr<TData> data_;
    std::vector<TShownColumn> columns_;
};

// The shown columns in their order under their titles, then every other field of
// the table under its name.
TEST_F(RecordExportTest, ExportsTheShownColumnsThenTheOthers) {
    std::vector<std::string> titles;
    for (const TShownColumn& column : columns_) titles.push_back(column.Title);
    EXPECT_EQ(titles,
              (std::vector<std::string>{"Versender", "Empfänger", "Datum von", "Datum bis", "Netto",
                                        "erledigt", "Tour", "erstelltvon", "ImportID", "Recdatum",
                                        "Recnr", "Gutschrift", "Bemerkung", "ID"}));
    EXPECT_EQ(columns_[2].Kind, TCellKind::DateTime);
    EXPECT_EQ(columns_[4].Kind, TCellKind::Currency);
    EXPECT_EQ(columns_[5].Kind, TCellKind::YesNo);
    EXPECT_EQ(columns_[8].Kind, TCellKind::Integer);
    EXPECT_EQ(columns_[12].Kind, TCellKind::Text);
}

// Byte for byte: the byte-order mark, ";" and quotes inside fields, a line break in
// the remark, a decimal comma without grouping, a date with and without its time,
// the filter and the sort of the table; the table's record stays where it was.
TEST_F(RecordExportTest, WritesTheShownRecordsAsGermanCsv) {
    Table().Next();
    const std::string path = out_ + "zalverten.csv";
    std::vector<std::pair<long, long>> steps;
    ASSERT_TRUE(ExportCsv(path, TCsvEncoding::Utf8, Table(), columns_, [&](long done, long total) {
        steps.emplace_back(done, total);
        return true;
    }));
    const std::string expected =
        "\xEF\xBB\xBF"
        "Versender;Empfänger;Datum von;Datum bis;Netto;erledigt;Tour;erstelltvon;ImportID;"
        "Recdatum;Recnr;Gutschrift;Bemerkung;ID\r\n"
        "Nordfracht;Łódź Logistik;;;;Falsch;T2;;12;;;;;2\r\n"
        "Müller Transporte;\"Bäckerei; Süd\";31.03.2024;31.03.2024 12:30:00;1234,50;Wahr;"
        "\"T\"\"1\"\"\";;12;;;;\"Zeile 1\r\nZeile 2\";1\r\n"
        "Ärger GmbH;;;;0,1235;Falsch;T3;;12;;;;;3\r\n";
    EXPECT_EQ(ReadWholeFile(path), expected);
    ASSERT_FALSE(steps.empty());
    EXPECT_EQ(steps.back(), std::make_pair(3L, 3L));
    EXPECT_EQ(Table().FieldByName("Recvon").AsString(), "Müller Transporte");
    EXPECT_EQ(Files(), (std::vector<std::string>{"zalverten.csv"}));
}

// Windows-1252 holds the umlauts in one byte each; a name it has no place for is
// refused with the value and the line, and no file is left.
TEST_F(RecordExportTest, WritesWindows1252OrNamesTheValueItCannotHold) {
    const std::string path = out_ + "ansi.csv";
    EXPECT_THROW(
        try {
            ExportCsv(path, TCsvEncoding::Windows1252, Table(), columns_, {});
        } catch (const EConvertError& e) {
            EXPECT_NE(std::string(e.what()).find("'Łódź Logistik' in Empfänger (Zeile 2"),
                      std::string::npos)
                << e.what();
            throw;
        },
        EConvertError);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(Files().empty()) << "a temporary file was left";

    Table().SetFilter("ImportID = 12 AND Recvon <> 'Nordfracht'");
    ASSERT_TRUE(ExportCsv(path, TCsvEncoding::Windows1252, Table(), columns_, {}));
    const std::string bytes = ReadWholeFile(path);
    EXPECT_EQ(bytes.substr(0, 21), "Versender;Empf\xE4nger;D");
    EXPECT_NE(bytes.find("M\xFCller Transporte;\"B\xE4"
                         "ckerei; S\xFC"
                         "d\""),
              std::string::npos);
    EXPECT_NE(bytes.find("\xC4rger GmbH"), std::string::npos);
}

// A cancel leaves neither the new file nor a temporary one, and a file that was
// there before keeps its content.
TEST_F(RecordExportTest, ACancelledExportLeavesNothing) {
    const std::string path = dir_.Write("export/alt.csv", "vorher");
    for (const bool xlsx : {false, true}) {
        const auto cancel = [](long done, long) { return done == 0; };
        const bool done = xlsx ? ExportXlsx(path, Table(), columns_, cancel)
                               : ExportCsv(path, TCsvEncoding::Utf8, Table(), columns_, cancel);
        EXPECT_FALSE(done);
        EXPECT_EQ(ReadWholeFile(path), "vorher");
        EXPECT_EQ(Files(), (std::vector<std::string>{"alt.csv"}));
    }
}

// A folder that takes no file: the message names the file.
TEST_F(RecordExportTest, AFolderThatIsGoneIsNamed) {
    const std::string path = dir_.Path() + "fehlt/zalverten.xlsx";
    for (const bool xlsx : {false, true}) {
        try {
            xlsx ? ExportXlsx(path, Table(), columns_, {})
                 : ExportCsv(path, TCsvEncoding::Utf8, Table(), columns_, {});
            ADD_FAILURE() << "no error";
        } catch (const EInOutError& e) {
            EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
        }
    }
}

// A part of the workbook as unzip gives it.
std::string WorkbookPart(const std::string& path, const char* part) {
    QProcess unzip;
    unzip.start("unzip", {"-p", QString::fromStdString(path), part});
    if (!unzip.waitForFinished(10000)) return {};
    return unzip.readAllStandardOutput().toStdString();
}

struct TSheetCell {
    std::string Type;   // "b", "inlineStr", "s", or empty for a number
    std::string Value;  // the number, or the text
    int Style = 0;
};

// The sheet's cells by reference ("B2"), and its frozen pane and column widths.
struct TSheet {
    std::map<std::string, TSheetCell> Cells;
    std::string Pane;
    std::vector<double> Widths;
};

TSheet ReadSheet(const std::string& xml) {
    TSheet sheet;
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    std::string current;
    while (!reader.atEnd()) {
        if (!reader.readNextStartElement()) continue;
        const auto attr = [&](const char* name) {
            return reader.attributes().value(name).toString().toStdString();
        };
        if (reader.name() == u"pane") sheet.Pane = attr("state") + " " + attr("topLeftCell");
        if (reader.name() == u"col") sheet.Widths.push_back(std::stod(attr("width")));
        if (reader.name() == u"c") {
            current = attr("r");
            sheet.Cells[current] = {attr("t"), "", attr("s").empty() ? 0 : std::stoi(attr("s"))};
        }
        if (reader.name() == u"v" || reader.name() == u"t")
            sheet.Cells[current].Value = reader.readElementText().toStdString();
    }
    return sheet;
}

// The number format of each cell style of the workbook.
std::vector<std::string> StyleFormats(const std::string& xml) {
    std::map<int, std::string> formats = {{0, "General"}};
    std::vector<std::string> styles;
    QXmlStreamReader reader(QByteArray::fromStdString(xml));
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == u"cellXfs") inCellXfs = false;
        if (!reader.isStartElement()) continue;
        const auto attr = [&](const char* name) {
            return reader.attributes().value(name).toString().toStdString();
        };
        if (reader.name() == u"numFmt") formats[std::stoi(attr("numFmtId"))] = attr("formatCode");
        if (reader.name() == u"cellXfs") inCellXfs = true;
        if (inCellXfs && reader.name() == u"xf") {
            const std::string id = attr("numFmtId");
            styles.push_back(formats[id.empty() ? 0 : std::stoi(id)]);
        }
    }
    return styles;
}

// Every cell's type and value: texts as texts, dates as numbers in a German date
// format, the amount in a currency format, yes/no as truth values; the titles in a
// frozen first row, widths fitted; the filter and sort of the table.
TEST_F(RecordExportTest, WritesAWorkbookWithRealCellTypes) {
    const std::string path = out_ + "zalverten.xlsx";
    ASSERT_TRUE(ExportXlsx(path, Table(), columns_, {}));
    const TSheet sheet = ReadSheet(WorkbookPart(path, "xl/worksheets/sheet1.xml"));
    const std::vector<std::string> styles = StyleFormats(WorkbookPart(path, "xl/styles.xml"));
    ASSERT_FALSE(sheet.Cells.empty());
    const auto cell = [&](const char* reference) {
        const auto found = sheet.Cells.find(reference);
        return found == sheet.Cells.end() ? TSheetCell{"", "(keine)", 0} : found->second;
    };
    const auto format = [&](const char* reference) {
        const int style = cell(reference).Style;
        return style < static_cast<int>(styles.size()) ? styles[static_cast<size_t>(style)]
                                                       : std::string("?");
    };
    EXPECT_EQ(cell("A1").Value, "Versender");
    EXPECT_EQ(cell("B1").Value, "Empfänger");
    EXPECT_EQ(cell("N1").Value, "ID");
    EXPECT_EQ(sheet.Pane, "frozen A2");
    // Nordfracht: no dates, no amount: no cells.
    EXPECT_EQ(cell("A2").Value, "Nordfracht");
    EXPECT_EQ(cell("B2").Value, "Łódź Logistik");
    EXPECT_EQ(cell("C2").Value, "(keine)");
    EXPECT_EQ(cell("E2").Value, "(keine)");
    EXPECT_EQ(cell("F2").Type, "b");
    EXPECT_EQ(cell("F2").Value, "0");
    // Müller Transporte.
    EXPECT_EQ(cell("B3").Type, "inlineStr");
    EXPECT_EQ(cell("B3").Value, "Bäckerei; Süd");
    EXPECT_EQ(cell("C3").Type, "");
    EXPECT_EQ(cell("C3").Value, "45382");  // 31 March 2024
    EXPECT_EQ(format("C3"), "dd.mm.yyyy");
    EXPECT_NEAR(std::stod(cell("D3").Value), 45382 + 12.5 / 24, 1e-9);
    EXPECT_EQ(format("D3"), "dd.mm.yyyy hh:mm:ss");
    EXPECT_EQ(cell("E3").Value, "1234.5");
    EXPECT_EQ(format("E3"), "#,##0.00 \"€\"");
    EXPECT_EQ(cell("F3").Type, "b");
    EXPECT_EQ(cell("F3").Value, "1");
    EXPECT_EQ(cell("G3").Value, "T\"1\"");
    EXPECT_EQ(cell("I3").Type, "");
    EXPECT_EQ(cell("I3").Value, "12");
    // A carriage return is stored as Excel writes it, which reads it back as one.
    EXPECT_EQ(cell("M3").Value, "Zeile 1_x000D_\nZeile 2");
    EXPECT_EQ(cell("A4").Value, "Ärger GmbH");
    EXPECT_EQ(cell("E4").Value, "0.1235");
    EXPECT_EQ(cell("A5").Value, "(keine)");  // run 13 is filtered out
    ASSERT_EQ(sheet.Widths.size(), columns_.size());
    EXPECT_GE(sheet.Widths[0], 17);  // "Müller Transporte"
    EXPECT_LT(sheet.Widths[0], 22);
    EXPECT_EQ(Files(), (std::vector<std::string>{"zalverten.xlsx"}));
}

// The amount a spreadsheet reads back: two decimals, or four where it has them.
TEST(PlainAmountTextTest, WritesADecimalCommaWithoutGrouping) {
    EXPECT_EQ(PlainAmountText(TCurrency{12345000}), "1234,50");
    EXPECT_EQ(PlainAmountText(TCurrency{1235}), "0,1235");
    EXPECT_EQ(PlainAmountText(TCurrency{-5000}), "-0,50");
    EXPECT_EQ(PlainAmountText(TCurrency{0}), "0,00");
}

}  // namespace
}  // namespace zalvert

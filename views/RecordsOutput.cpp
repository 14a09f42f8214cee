#include "views/RecordsOutput.h"

#include <QDir>
#include <QGuiApplication>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <filesystem>

#include "dao/ZedaDaoTable.h"
#include "rtl/AsideFile.h"
#include "rtl/FormatSettings.h"
#include "rtl/Interaction.h"
#include "views/CsvExport.h"
#include "views/RecordList.h"
#include "views/WorkProgress.h"
#include "views/XlsxExport.h"

namespace zalvert {

std::optional<TSaveChoice> ChooseOutputFile(IUserInteraction& ui,
                                            const std::vector<TFileFilter>& filters,
                                            const std::string& name, int filter) {
    static std::string folder = QDir::homePath().toStdString();
    auto choice =
        ui.ChooseFileToSave(filters, (std::filesystem::path(folder) / name).string(), filter);
    if (choice) folder = std::filesystem::path(choice->Path).parent_path().string();
    return choice;
}

bool WritePdf(const std::string& path, const QString& title,
              const std::function<bool(QPdfWriter&)>& paint) {
    TAsideFile file(path);
    {
        QPdfWriter writer(QString::fromStdString(file.TemporaryPath()));
        writer.setResolution(300);
        writer.setTitle(title);
        writer.setCreator(QGuiApplication::applicationDisplayName());
        if (!paint(writer)) return false;
    }
    file.Commit();
    return true;
}

namespace {

enum TExportKind { kXlsx, kCsvUtf8, kCsvAnsi };

const std::vector<TFileFilter>& ExportFilters() {
    static const std::vector<TFileFilter> filters = {
        {"Excel-Arbeitsmappe", "*.xlsx"},
        {"CSV-Datei, UTF-8", "*.csv"},
        {"CSV-Datei, Windows-1252 (ANSI)", "*.csv"},
    };
    return filters;
}

// The kind the chosen name asks for; the dialog's choice where the name has no
// ending of either kind (the encoding of a CSV file is always the dialog's).
TExportKind ChosenKind(const TSaveChoice& choice) {
    const QString path = QString::fromStdString(choice.Path);
    if (path.endsWith(".xlsx", Qt::CaseInsensitive)) return kXlsx;
    if (path.endsWith(".csv", Qt::CaseInsensitive) && choice.Filter == kXlsx) return kCsvUtf8;
    return static_cast<TExportKind>(choice.Filter);
}

// A list of more than a few hundred pages is asked for first.
bool ListWanted(const TShownRecords& shown, IUserInteraction& ui) {
    const long count = shown.Table.RecordCount();
    if (count <= 10000) return true;
    return ui.Confirm("Die Liste hat " + GroupedNumber(count) + " Datensätze auf " +
                      GroupedNumber(RecordListPages(count)) +
                      " Seiten. Trotzdem erstellen? (Ein Filter macht sie kürzer.)");
}

}  // namespace

void PrintShownRecords(const TShownRecords& shown, IUserInteraction& ui, QWidget* window) {
    RunGuarded(ui, [&] {
        shown.Table.CheckBrowseMode();
        if (!ListWanted(shown, ui)) return;
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName("Zalverten");
        QPrintPreviewDialog preview(&printer, window);
        preview.setObjectName("Druckvorschau");
        preview.setWindowTitle("Druckvorschau: Zalverten");
        QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, [&](QPrinter* device) {
            RunGuarded(ui, [&] {
                TWorkProgress progress(window, "Die Liste wird erstellt …");
                PaintRecordList(shown, *device,
                                [&](long done, long total) { return progress(done, total); });
            });
        });
        preview.exec();
    });
}

void SaveShownRecordsAsPdf(const TShownRecords& shown, IUserInteraction& ui, QWidget* window) {
    RunGuarded(ui, [&] {
        shown.Table.CheckBrowseMode();
        if (!ListWanted(shown, ui)) return;
        const auto choice =
            ChooseOutputFile(ui, {{"PDF-Dokument", "*.pdf"}}, shown.FileStem + ".pdf", 0);
        if (!choice) return;
        TWorkProgress progress(
            window, QString::fromStdString("PDF '" + choice->Path + "' wird erstellt …"));
        const bool complete = WritePdf(choice->Path, "Zalverten", [&](QPdfWriter& writer) {
            return PaintRecordList(shown, writer,
                                   [&](long done, long total) { return progress(done, total); });
        });
        if (!complete) return;
        ui.ShowInformation("Die Liste steht in '" + choice->Path + "'.");
    });
}

void ExportShownRecords(const TShownRecords& shown, IUserInteraction& ui, QWidget* window) {
    RunGuarded(ui, [&] {
        // The record being edited goes with it.
        shown.Table.CheckBrowseMode();
        const auto choice = ChooseOutputFile(ui, ExportFilters(), shown.FileStem + ".xlsx", kXlsx);
        if (!choice) return;
        const std::vector<TShownColumn> columns = ShownColumns(shown.Table, shown.Columns);
        TWorkProgress progress(window,
                               QString::fromStdString("Export nach '" + choice->Path + "' …"));
        const auto step = [&](long done, long total) { return progress(done, total); };
        const TExportKind kind = ChosenKind(*choice);
        const bool complete = kind == kXlsx ? ExportXlsx(choice->Path, shown.Table, columns, step)
                                            : ExportCsv(choice->Path,
                                                        kind == kCsvAnsi ? TCsvEncoding::Windows1252
                                                                         : TCsvEncoding::Utf8,
                                                        shown.Table, columns, step);
        if (complete)
            ui.ShowInformation(GroupedNumber(shown.Table.RecordCount()) + " Datensätze nach '" +
                               choice->Path + "' exportiert.");
    });
}

}  // namespace zalvert

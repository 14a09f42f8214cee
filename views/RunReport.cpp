#include "views/RunReport.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QTextDocument>
#include <filesystem>

#include "dao/ZedaDaoTable.h"
#include "data/Schema.h"
#include "import/Mtools.h"
#include "import/RefusedReport.h"
#include "rtl/DateTime.h"
#include "rtl/FormatSettings.h"
#include "rtl/TextFileReader.h"

namespace zalvert {
namespace {

std::string FieldText(TZedaDaoTable& runs, const char* name) {
    const TField* field = runs.FindField(name);
    return field && !field->IsNull() ? field->DisplayText() : std::string();
}

long FieldNumber(TZedaDaoTable& runs, const char* name) {
    const TField* field = runs.FindField(name);
    return field && !field->IsNull() ? field->AsInteger() : 0;
}

void ReadRefusedLines(TRunReport& report) {
    report.RefusedFileFound = std::filesystem::is_regular_file(report.RefusedPath);
    if (!report.RefusedFileFound) return;
    TTextFileReader reader(report.RefusedPath);
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (line.empty()) continue;
        ++report.RefusedLinesInFile;
        std::array<std::string, 6> fields;
        std::string_view rest = line;
        for (std::string& field : fields) field = std::string(NextField(rest, ';'));
        if (fields[5].starts_with("Doppelt")) ++report.Duplicates;
        if (static_cast<long>(report.RefusedLines.size()) < kShownRefusedLines)
            report.RefusedLines.push_back(std::move(fields));
    }
}

QString Html(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

QString Row(const char* label, const std::string& value) {
    return QString("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(label, Html(value));
}

QString ReportHtml(const TRunReport& report) {
    QString html = QString("<h2>Importlauf %1</h2><table cellspacing='0' cellpadding='3'>")
                       .arg(report.ImportId);
    html += Row("Datei", report.File);
    html += Row("Archivname", report.ArchiveName);
    html += Row("Zeit", report.Time);
    html += Row("SHA-256", report.Sha256);
    html += Row("Verarbeitet", GroupedNumber(report.Read));
    html += Row("Importiert", GroupedNumber(report.Imported));
    html += Row("Abgelehnt", GroupedNumber(report.Refused) +
                                 (report.RefusedFileFound
                                      ? ", davon " + GroupedNumber(report.Duplicates) + " doppelt"
                                      : std::string()));
    html += Row("Rückgängig gemacht",
                report.UndoneAt.empty() ? std::string("nein") : "am " + report.UndoneAt);
    html += "</table>";
    if (report.Refused == 0 && !report.RefusedFileFound) return html;
    html += "<h3>Abgelehnte Zeilen</h3>";
    if (!report.RefusedFileFound)
        return html + "<p>" + Html("Die Datei '" + report.RefusedPath + "' fehlt.") + "</p>";
    html += "<p>" + Html(report.RefusedPath) + "</p>";
    html += "<table border='1' cellspacing='0' cellpadding='2' width='100%'><tr>";
    for (const char* title : {"Recvon", "Recan", "Datum von", "Datum bis", "Tour", "Grund"})
        html += QString("<th align='left'>%1</th>").arg(title);
    html += "</tr>";
    for (const auto& line : report.RefusedLines) {
        html += "<tr>";
        for (const std::string& field : line) html += "<td>" + Html(field) + "</td>";
        html += "</tr>";
    }
    html += "</table>";
    const long more = report.RefusedLinesInFile - static_cast<long>(report.RefusedLines.size());
    if (more > 0)
        html +=
            "<p>" + Html("… und " + GroupedNumber(more) + " weitere Zeilen in der Datei.") + "</p>";
    return html;
}

}  // namespace

TRunReport ReadRunReport(TZedaDaoTable& runs, const std::string& archiveFolder) {
    TRunReport report;
    report.ImportId = static_cast<int>(FieldNumber(runs, "ImportID"));
    report.File = FieldText(runs, "Datei");
    report.ArchiveName = FieldText(runs, "Archivname");
    report.Time = FieldText(runs, "Zeit");
    report.Sha256 = FieldText(runs, "SHA256");
    report.Read = FieldNumber(runs, "Verarbeitet");
    report.Imported = FieldNumber(runs, "Importiert");
    report.Refused = FieldNumber(runs, "Abgelehnt");
    report.UndoneAt = FieldText(runs, kRunLogUndoField);
    report.RefusedPath = RefusedLinesPath(runs, archiveFolder);
    if (!report.RefusedPath.empty()) ReadRefusedLines(report);
    return report;
}

std::string RefusedLinesPath(TZedaDaoTable& runs, const std::string& archiveFolder) {
    const std::string archiveName = FieldText(runs, "Archivname");
    return archiveName.empty() ? std::string() : archiveFolder + RefusedReportName(archiveName);
}

void PaintRunReport(const TRunReport& report, QPagedPaintDevice& device) {
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter));
    QTextDocument document;
    QFont font("DejaVu Sans");
    font.setPointSizeF(8);
    document.setDefaultFont(font);
    document.setHtml(ReportHtml(report));
    // Numbers its pages at their foot.
    document.print(&device);
}

}  // namespace zalvert

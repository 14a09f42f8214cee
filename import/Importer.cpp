#include "import/Importer.h"

#include "import/Archive.h"
#include "import/FolderScan.h"
#include "import/ImportRun.h"
#include "import/Mtools.h"
#include "rtl/TextFileReader.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

constexpr const char* kTitles[TImportGrid::kColCount] = {"Rec Von",   "Rec An", "Datum Von",
                                                         "Datum Bis", "Tour",   "Fehler"};
constexpr char kSeparator = ';';

}  // namespace

bool IsDateWithoutYear(std::string_view text) {
    return text.ends_with('.') && Utf8Length(text) == 6;
}

TImporter::TImporter(const TSettings& settings, IUserInteraction& ui)
    : settings_(settings), ui_(ui) {}

void TImporter::LoadFile(const std::string& path) {
    currentFile_ = path;
    TTextFileReader reader(path);
    for (int col = 0; col < TImportGrid::kColCount; ++col) gitter_.SetCells(col, 0, kTitles[col]);

    const int maxColumn = settings_.maxspalte;
    int row = 0;
    std::string_view line;
    while (reader.ReadLine(line)) {
        ++row;
        int col = 0;
        std::string_view rest = line;
        while (!rest.empty() && col <= maxColumn)
            gitter_.SetCells(col++, row, NextField(rest, kSeparator));
        // Too few fields: the next line goes into the same row.
        if (col < maxColumn) --row;
    }
    gitter_.SetRowCount(row + 1);

    if (FindDateWithoutYear())
        ui_.ShowInformation("bitte Importjahr setzen");
    else
        btdbClick();
}

void TImporter::AttachData(TData& data, IImportView& view) {
    data_ = &data;
    view_ = &view;
}

void TImporter::btdbClick() {
    if (!data_ || !view_) return;
    TImportRun(*data_, gitter_, *view_).Run();
    ArchiveFile(currentFile_, settings_.archiv, ui_);
}

void TImporter::ScanImportFolder() {
    if (const auto name = FindFirstMatch(settings_.pfad + settings_.ext))
        LoadFile(settings_.pfad + *name);
}

bool TImporter::FindDateWithoutYear() const {
    for (int row = 0; row < gitter_.RowCount(); ++row)
        if (IsDateWithoutYear(gitter_.Cells(2, row)) || IsDateWithoutYear(gitter_.Cells(3, row)))
            return true;
    return false;
}

}  // namespace zalvert

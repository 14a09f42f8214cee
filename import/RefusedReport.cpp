#include "import/RefusedReport.h"

#include <optional>

#include "import/Mtools.h"
#include "rtl/AsideFile.h"
#include "rtl/CodePage.h"
#include "rtl/Paths.h"

namespace zalvert {
namespace {

constexpr int kReasonColumn = 5;
constexpr char kSeparator = ';';

constexpr size_t kPieceBytes = 64 * 1024;

// A piece of whole lines in an encoding other than UTF-8.
std::string Encoded(const std::string& text, TTextEncoding encoding) {
    switch (encoding) {
        case TTextEncoding::Windows1252:
            return Utf8ToCodePage(text, "CP1252");
        case TTextEncoding::Utf16LE:
            return Utf8ToCodePage(text, "UTF-16LE");
        default:
            return Utf8ToCodePage(text, "UTF-16BE");
    }
}

std::string ByteOrderMark(const TTextFormat& format) {
    if (!format.ByteOrderMark) return {};
    switch (format.Encoding) {
        case TTextEncoding::Utf16LE:
            return "\xFF\xFE";
        case TTextEncoding::Utf16BE:
            return "\xFE\xFF";
        case TTextEncoding::Utf8:
            return "\xEF\xBB\xBF";
        default:
            return {};
    }
}

}  // namespace

std::string RefusedReportName(const std::string& archiveName) {
    const std::string extension = ExtractFileExt(archiveName);
    return ChangeFileExt(archiveName, ".abgelehnt" + extension);
}

bool WriteRefusedReport(const TImportGrid& grid, const TTextFormat& format,
                        const std::string& path) {
    // Written aside first: a full disk or a power cut leaves no half report behind.
    std::optional<TAsideFile> file;
    std::string piece;
    const auto write = [&] {
        if (!file) {
            file.emplace(path);
            file->Write(ByteOrderMark(format));
        }
        if (format.Encoding == TTextEncoding::Utf8)
            file->Write(piece);
        else
            file->Write(Encoded(piece, format.Encoding));
        piece.clear();
    };
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Cells(kReasonColumn, row).empty()) continue;
        for (int col = 0; col <= kReasonColumn; ++col) {
            if (col > 0) piece += kSeparator;
            // Written so that the program reads a corrected report back as it was.
            piece += FieldText(grid.Cells(col, row), kSeparator);
        }
        piece += format.LineEnd;
        if (piece.size() >= kPieceBytes) write();
    }
    if (!piece.empty()) write();
    if (!file) return false;
    file->Commit();
    return true;
}

}  // namespace zalvert

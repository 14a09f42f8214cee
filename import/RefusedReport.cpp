#include "import/RefusedReport.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "import/Mtools.h"
#include "rtl/CodePage.h"
#include "rtl/FileErrors.h"
#include "rtl/Paths.h"
#include "rtl/WholeFile.h"

namespace zalvert {
namespace {

constexpr int kReasonColumn = 5;
constexpr char kSeparator = ';';

std::string Encoded(const std::string& text, const TTextFormat& format) {
    switch (format.Encoding) {
        case TTextEncoding::Windows1252:
            return Utf8ToCodePage(text, "CP1252");
        case TTextEncoding::Utf16LE:
            return std::string(format.ByteOrderMark ? "\xFF\xFE" : "") +
                   Utf8ToCodePage(text, "UTF-16LE");
        case TTextEncoding::Utf16BE:
            return std::string(format.ByteOrderMark ? "\xFE\xFF" : "") +
                   Utf8ToCodePage(text, "UTF-16BE");
        case TTextEncoding::Utf8:
        default:
            return std::string(format.ByteOrderMark ? "\xEF\xBB\xBF" : "") + text;
    }
}

}  // namespace

std::string RefusedReportName(const std::string& archiveName) {
    const std::string extension = ExtractFileExt(archiveName);
    return ChangeFileExt(archiveName, ".abgelehnt" + extension);
}

std::string RefusedReportBytes(const TImportGrid& grid, const TTextFormat& format) {
    std::string text;
    for (int row = 1; row < grid.RowCount(); ++row) {
        if (grid.Cells(kReasonColumn, row).empty()) continue;
        for (int col = 0; col <= kReasonColumn; ++col) {
            if (col > 0) text += kSeparator;
            // Written so that the program reads a corrected report back as it was.
            text += FieldText(grid.Cells(col, row), kSeparator);
        }
        text += format.LineEnd;
    }
    return text.empty() ? text : Encoded(text, format);
}

bool WriteRefusedReport(const TImportGrid& grid, const TTextFormat& format,
                        const std::string& path) {
    const std::string bytes = RefusedReportBytes(grid, format);
    if (bytes.empty()) return false;
    // Written aside first: a full disk leaves no half report behind.
    const std::string partial = path + ".teil";
    std::error_code ignored;
    try {
        WriteWholeFile(partial, bytes, path);
    } catch (...) {
        std::filesystem::remove(partial, ignored);
        throw;
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        const int error = errno;
        std::filesystem::remove(partial, ignored);
        throw FileWriteError(error, path);
    }
    return true;
}

}  // namespace zalvert

#include "import/RefusedReport.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <utility>

#include "import/Mtools.h"
#include "rtl/CodePage.h"
#include "rtl/FileErrors.h"
#include "rtl/Paths.h"

namespace zalvert {
namespace {

constexpr int kReasonColumn = 5;
constexpr char kSeparator = ';';

constexpr size_t kPieceBytes = 64 * 1024;

// A piece of whole lines in the file's encoding.
std::string Encoded(const std::string& text, const TTextFormat& format) {
    switch (format.Encoding) {
        case TTextEncoding::Windows1252:
            return Utf8ToCodePage(text, "CP1252");
        case TTextEncoding::Utf16LE:
            return Utf8ToCodePage(text, "UTF-16LE");
        case TTextEncoding::Utf16BE:
            return Utf8ToCodePage(text, "UTF-16BE");
        case TTextEncoding::Utf8:
        default:
            return text;
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

// The file under its temporary name, removed unless it was completed.
class TPartialFile {
  public:
    TPartialFile(std::string partial, std::string shown)
        : partial_(std::move(partial)), shown_(std::move(shown)) {
        file_ = std::fopen(partial_.c_str(), "wb");
        if (!file_) throw FileWriteError(errno, shown_);
    }
    ~TPartialFile() {
        if (file_) std::fclose(file_);
        if (!done_) std::filesystem::remove(partial_, ignored_);
    }
    void Write(std::string_view bytes) {
        if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
            throw FileWriteError(errno, shown_);
    }
    // A full disk may show only when the buffered rest is written at the close.
    void Complete(const std::string& path) {
        std::FILE* file = std::exchange(file_, nullptr);
        if (std::fclose(file) != 0) throw FileWriteError(errno, shown_);
        if (std::rename(partial_.c_str(), path.c_str()) != 0) throw FileWriteError(errno, shown_);
        done_ = true;
    }

  private:
    std::string partial_, shown_;
    std::FILE* file_ = nullptr;
    bool done_ = false;
    std::error_code ignored_;
};

}  // namespace

std::string RefusedReportName(const std::string& archiveName) {
    const std::string extension = ExtractFileExt(archiveName);
    return ChangeFileExt(archiveName, ".abgelehnt" + extension);
}

bool WriteRefusedReport(const TImportGrid& grid, const TTextFormat& format,
                        const std::string& path) {
    // Written aside first: a full disk leaves no half report behind.
    std::optional<TPartialFile> file;
    std::string piece;
    const auto write = [&] {
        if (!file) {
            file.emplace(path + ".teil", path);
            file->Write(ByteOrderMark(format));
        }
        file->Write(Encoded(piece, format));
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
    file->Complete(path);
    return true;
}

}  // namespace zalvert

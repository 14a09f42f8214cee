#include "views/XlsxExport.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>

#include "dao/ZedaDaoTable.h"
#include "rtl/AsideFile.h"
#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"
#include "rtl/FileErrors.h"
#include "rtl/FormatSettings.h"
#include "rtl/Utf8.h"

namespace zalvert {
namespace {

// Excel counts days from the same day as TDateTime, except that it takes 1900 for
// a leap year: its numbers agree from 1 March 1900 on. Earlier dates it cannot
// show as dates at all.
constexpr double kFirstExcelDate = 61;

constexpr double kMaxColumnWidth = 60;

struct TFormats {
    lxw_format* Title;
    lxw_format* Date;
    lxw_format* DateTime;
    lxw_format* Amount;
};

TFormats MakeFormats(lxw_workbook* book) {
    TFormats formats{};
    formats.Title = workbook_add_format(book);
    format_set_bold(formats.Title);
    formats.Date = workbook_add_format(book);
    format_set_num_format(formats.Date, "dd.mm.yyyy");
    formats.DateTime = workbook_add_format(book);
    format_set_num_format(formats.DateTime, "dd.mm.yyyy hh:mm:ss");
    formats.Amount = workbook_add_format(book);
    // Shown by a German Excel as "1.234,50 €".
    format_set_num_format(formats.Amount, "#,##0.00 \"€\"");
    return formats;
}

// Frees the workbook without writing it, unless it was closed.
struct TOpenBook {
    lxw_workbook* Book;
    ~TOpenBook() {
        if (Book) lxw_workbook_free(Book);
    }
};

class TSheetWriter {
  public:
    TSheetWriter(lxw_worksheet* sheet, const TFormats& formats,
                 const std::vector<TShownColumn>& columns, const std::string& path)
        : sheet_(sheet),
          formats_(formats),
          columns_(columns),
          path_(path),
          widths_(columns.size(), 0) {}

    void Titles() {
        for (size_t c = 0; c < columns_.size(); ++c) Text(0, c, columns_[c].Title, formats_.Title);
        worksheet_freeze_panes(sheet_, 1, 0);
    }

    void Row(const std::vector<Variant>& values) {
        ++row_;
        for (size_t c = 0; c < columns_.size(); ++c)
            if (!values[c].IsEmptyOrNull()) Cell(c, values[c]);
    }

    void FitColumns() {
        for (size_t c = 0; c < columns_.size(); ++c)
            worksheet_set_column(sheet_, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                 std::min(kMaxColumnWidth, widths_[c] + 2), nullptr);
    }

  private:
    void Cell(size_t c, const Variant& value) {
        const auto col = static_cast<lxw_col_t>(c);
        switch (columns_[c].Kind) {
            case TCellKind::Integer:
                worksheet_write_number(sheet_, row_, col, static_cast<double>(value.AsInt64()),
                                       nullptr);
                return Widen(c, std::to_string(value.AsInt64()).size());
            case TCellKind::Number:
                worksheet_write_number(sheet_, row_, col, value.AsDouble(), nullptr);
                return Widen(c, FloatToStr(value.AsDouble()).size());
            case TCellKind::Currency:
                worksheet_write_number(sheet_, row_, col, value.AsDouble(), formats_.Amount);
                return Widen(c, CurrencyText(value.AsDouble()).size());
            case TCellKind::YesNo:
                worksheet_write_boolean(sheet_, row_, col, value.AsBoolean() ? 1 : 0, nullptr);
                return Widen(c, 6);
            case TCellKind::DateTime:
                return Date(c, value.AsDateTime());
            case TCellKind::Text:
                return Text(row_, c, value.AsString(), nullptr);
        }
    }

    void Date(size_t c, TDateTime value) {
        if (value < kFirstExcelDate || !std::isfinite(value))
            return Text(row_, c, DateTimeToStr(value), nullptr);
        const auto split = SplitDateTime(value);
        const bool time = split && split->Millisecond != 0;
        worksheet_write_number(sheet_, row_, static_cast<lxw_col_t>(c), value,
                               time ? formats_.DateTime : formats_.Date);
        Widen(c, time ? 19 : 10);
    }

    void Text(lxw_row_t row, size_t c, const std::string& text, lxw_format* format) {
        const lxw_error error =
            worksheet_write_string(sheet_, row, static_cast<lxw_col_t>(c), text.c_str(), format);
        if (error == LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED)
            throw Exception(columns_[c].Title + " in Zeile " + std::to_string(row + 1) +
                            " ist länger als die 32.767 Zeichen, die eine Excel-Zelle fasst: '" +
                            path_ + "' wurde nicht geschrieben.");
        Widen(c, Utf8Length(text));
    }

    void Widen(size_t c, size_t characters) {
        widths_[c] = std::max(widths_[c], static_cast<double>(characters));
    }

    lxw_worksheet* sheet_;
    const TFormats& formats_;
    const std::vector<TShownColumn>& columns_;
    const std::string& path_;
    std::vector<double> widths_;
    lxw_row_t row_ = 0;
};

}  // namespace

bool ExportXlsx(const std::string& path, TZedaDaoTable& table,
                const std::vector<TShownColumn>& columns,
                const std::function<bool(long done, long total)>& progress) {
    const long count = table.RecordCount();
    if (count > kXlsxMaxRecords)
        throw Exception("Ein Excel-Arbeitsblatt fasst höchstens " + GroupedNumber(kXlsxMaxRecords) +
                        " Datensätze, gezeigt werden " + GroupedNumber(count) +
                        ". Bitte filtern oder als CSV exportieren.");
    TAsideFile file(path);
    // Its rows wait beside the file, not in a temporary folder that may be memory.
    std::string folder = std::filesystem::path(path).parent_path().string();
    if (folder.empty()) folder = ".";
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder.data();
    TOpenBook book{workbook_new_opt(file.TemporaryPath().c_str(), &options)};
    if (!book.Book) throw FileWriteError(errno ? errno : EIO, path);
    lxw_worksheet* sheet = workbook_add_worksheet(book.Book, "Zalverten");
    const TFormats formats = MakeFormats(book.Book);
    TSheetWriter writer(sheet, formats, columns, path);
    writer.Titles();
    if (!ReadShownRecords(
            table, columns, [&](const std::vector<Variant>& values) { writer.Row(values); },
            progress))
        return false;
    writer.FitColumns();
    errno = 0;
    const lxw_error closed = workbook_close(book.Book);
    book.Book = nullptr;  // closing freed it
    if (closed != LXW_NO_ERROR) throw FileWriteError(errno ? errno : EIO, path);
    file.Commit();
    return true;
}

}  // namespace zalvert

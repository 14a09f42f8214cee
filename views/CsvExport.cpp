#include "views/CsvExport.h"

#include <cinttypes>
#include <cstdio>

#include "rtl/AsideFile.h"
#include "rtl/Exceptions.h"

namespace zalvert {
namespace {

constexpr char kSeparator = ';';

bool NeedsQuotes(std::string_view text) {
    return text.find_first_of(";\"\r\n") != std::string_view::npos;
}

// The text a spreadsheet reads back as the same value: amounts and numbers without
// grouping and without the currency sign, so that they stay numbers.
void CellText(const Variant& value, TCellKind kind, std::string& out) {
    out.clear();
    if (value.IsEmptyOrNull()) return;
    switch (kind) {
        case TCellKind::Currency:
            out = PlainAmountText(value.AsCurrency());
            return;
        case TCellKind::Integer:
            out = std::to_string(value.AsInt64());
            return;
        default:
            out = ShownText(value, kind);
    }
}

}  // namespace

std::string PlainAmountText(TCurrency amount) {
    const bool negative = amount.Scaled < 0;
    const std::uint64_t scaled = negative ? 0 - static_cast<std::uint64_t>(amount.Scaled)
                                          : static_cast<std::uint64_t>(amount.Scaled);
    char buffer[40];
    const unsigned fraction = static_cast<unsigned>(scaled % 10000);
    if (fraction % 100 == 0)
        std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ",%02u", negative ? "-" : "",
                      scaled / 10000, fraction / 100);
    else
        std::snprintf(buffer, sizeof buffer, "%s%" PRIu64 ",%04u", negative ? "-" : "",
                      scaled / 10000, fraction);
    return buffer;
}

TCsvLineWriter::TCsvLineWriter(const std::vector<TShownColumn>& columns, TCsvEncoding encoding)
    : columns_(columns),
      encoder_(encoding == TCsvEncoding::Windows1252 ? std::make_unique<TCodePageEncoder>("CP1252")
                                                     : nullptr) {}

TCsvLineWriter::~TCsvLineWriter() = default;

bool TCsvLineWriter::Field(std::string_view text, std::string& out) {
    const bool quoted = NeedsQuotes(text);
    if (quoted) out += '"';
    const size_t start = out.size();
    if (encoder_) {
        if (!encoder_->AppendEncoded(text, out)) return false;
    } else {
        out.append(text);
    }
    if (quoted) {
        for (size_t at = out.find('"', start); at != std::string::npos; at = out.find('"', at + 2))
            out.insert(at, 1, '"');
        out += '"';
    }
    return true;
}

void TCsvLineWriter::Titles(std::string& out) {
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (c > 0) out += kSeparator;
        Field(columns_[c].Title, out);
    }
}

bool TCsvLineWriter::Line(const std::vector<Variant>& values, std::string& out, size_t& failed) {
    for (size_t c = 0; c < columns_.size(); ++c) {
        if (c > 0) out += kSeparator;
        CellText(values[c], columns_[c].Kind, text_);
        if (!Field(text_, out)) {
            failed = c;
            return false;
        }
    }
    return true;
}

bool ExportCsv(const std::string& path, TCsvEncoding encoding, TZedaDaoTable& table,
               const std::vector<TShownColumn>& columns,
               const std::function<bool(long done, long total)>& progress) {
    TAsideFile file(path);
    TCsvLineWriter writer(columns, encoding);
    std::string buffer;
    if (encoding == TCsvEncoding::Utf8) buffer = "\xEF\xBB\xBF";  // spreadsheets then read UTF-8
    writer.Titles(buffer);
    buffer += "\r\n";
    long line = 1;
    const bool complete = ReadShownRecords(
        table, columns,
        [&](const std::vector<Variant>& values) {
            ++line;
            size_t failed = 0;
            if (!writer.Line(values, buffer, failed))
                throw EConvertError("'" + ShownText(values[failed], columns[failed].Kind) +
                                    "' in " + columns[failed].Title + " (Zeile " +
                                    std::to_string(line) + " von '" + path +
                                    "') hat in Windows-1252 keinen Platz. Bitte als CSV in "
                                    "UTF-8 exportieren.");
            buffer += "\r\n";
            if (buffer.size() >= (1u << 20)) {
                file.Write(buffer);
                buffer.clear();
            }
        },
        progress);
    if (!complete) return false;
    file.Write(buffer);
    file.Commit();
    return true;
}

}  // namespace zalvert

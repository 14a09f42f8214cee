#pragma once
// Records as a CSV file the way German offices open one in a spreadsheet: ";"
// between fields, a decimal comma, dates as dd.mm.yyyy, quotes where a field needs
// them, Windows line ends; UTF-8 with a byte-order mark, or Windows-1252.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rtl/CodePage.h"
#include "views/ShownRecords.h"

namespace zalvert {

class TZedaDaoTable;

enum class TCsvEncoding { Utf8, Windows1252 };

// One record's line (without its line end) in `out`; false when a value has no
// place in the encoding, its column then in `failed`.
class TCsvLineWriter {
  public:
    TCsvLineWriter(const std::vector<TShownColumn>& columns, TCsvEncoding encoding);
    ~TCsvLineWriter();
    void Titles(std::string& out);
    bool Line(const std::vector<Variant>& values, std::string& out, size_t& failed);

  private:
    bool Field(std::string_view text, std::string& out);

    const std::vector<TShownColumn>& columns_;
    std::unique_ptr<TCodePageEncoder> encoder_;  // none for UTF-8
    std::string text_;
};

// Writes the records the table shows to `path`, aside until complete: a cancel
// (progress answering false, then false returned) or a failure leaves no file
// under that name and an existing one as it was. Raises EInOutError naming the
// file, or EConvertError naming a value Windows-1252 cannot hold.
bool ExportCsv(const std::string& path, TCsvEncoding encoding, TZedaDaoTable& table,
               const std::vector<TShownColumn>& columns,
               const std::function<bool(long done, long total)>& progress);

// An amount as a spreadsheet reads it back: decimal comma, no grouping, two
// decimals or the four a currency holds ("1234,50", "0,1235").
std::string PlainAmountText(TCurrency amount);

}  // namespace zalvert

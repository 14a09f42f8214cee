#pragma once
// The billing records a window shows, taken out of the program: exported to an
// Excel workbook or a CSV file, printed, or saved as a PDF list.

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "rtl/Interaction.h"

class QPdfWriter;
class QWidget;

namespace zalvert {

class TZedaDaoTable;

// What the window shows: its table (filtered and sorted), its columns (field and
// title, in its order), its filter in words ("Import 12 · Tour: T1") and a name
// for files made of it ("Zalverten-Import-12").
struct TShownRecords {
    TZedaDaoTable& Table;
    std::vector<std::pair<std::string, std::string>> Columns;
    std::vector<int> Widths;  // of the columns in the window, for a printed list
    std::string FilterWords;
    std::string FileStem;
};

// A save dialog proposing `name` in the folder of the last file the user chose
// to write (at first the home folder), which then becomes that folder.
std::optional<TSaveChoice> ChooseOutputFile(IUserInteraction& ui,
                                            const std::vector<TFileFilter>& filters,
                                            const std::string& name, int filter);
// A PDF at `path`, written aside and put in place once `paint` completed; false,
// and no file, when it answered false (cancelled).
bool WritePdf(const std::string& path, const QString& title,
              const std::function<bool(QPdfWriter&)>& paint);

// Asks for a file and a kind (xlsx, CSV in UTF-8 or Windows-1252) and writes the
// records there with a progress window. Errors go to the user.
void ExportShownRecords(const TShownRecords& shown, IUserInteraction& ui, QWidget* window);
// The records as a list, in the toolkit's print preview, printed from there.
void PrintShownRecords(const TShownRecords& shown, IUserInteraction& ui, QWidget* window);
// The records as a list in a PDF file the user names.
void SaveShownRecordsAsPdf(const TShownRecords& shown, IUserInteraction& ui, QWidget* window);

}  // namespace zalvert

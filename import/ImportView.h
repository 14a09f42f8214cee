#pragma once
// What the import shows while it works and reads from its window: the progress
// bar, the labels for the identifier and the summary, the grid, the year field.

#include <string>

namespace zalvert {

struct TImportCounts {
    int Processed = 0;
    int Imported = 0;
    int Refused = 0;
    int Duplicates = 0;  // of the refused
};

class IImportView {
  public:
    virtual ~IImportView() = default;
    virtual void SetProgressMaximum(int maximum) = 0;
    // Called for every row with the counts so far. The view shows it at its own
    // pace: the run holds the user-interface thread, and painting every row of a
    // million would cost more than the run.
    virtual void SetProgressPosition(int position, const TImportCounts& soFar) = 0;
    virtual void ShowImportId(const std::string& text) = 0;
    virtual void ShowSummary(const std::string& text) = 0;
    virtual std::string ImportYear() const = 0;
    // Called every few thousand lines while a file is read.
    virtual void ShowReading(int linesRead) { (void)linesRead; }
    // The grid's cells changed: a file was read into it.
    virtual void GridChanged() {}
    // The import waits (for another program's run, for a file still being
    // written); shown at once. An empty text ends the waiting and shows again
    // what was shown before it.
    virtual void ShowWaiting(const std::string& text) {
        if (!text.empty()) ShowSummary(text);
    }
    // The file the import takes now (empty when none), and how many more wait in
    // the import folder.
    virtual void ShowWaitingFiles(const std::string& current, int waiting) {
        (void)current;
        (void)waiting;
    }
};

}  // namespace zalvert

#pragma once
// What the import run shows while it works and reads from its window: the
// progress bar, the labels for the identifier and the summary, the year field.

#include <string>

namespace zalvert {

class IImportView {
  public:
    virtual ~IImportView() = default;
    virtual void SetProgressMaximum(int maximum) = 0;
    // Shown at once: the run holds the user-interface thread.
    virtual void SetProgressPosition(int position) = 0;
    virtual void ShowImportId(const std::string& text) = 0;
    virtual void ShowSummary(const std::string& text) = 0;
    virtual std::string ImportYear() const = 0;
};

}  // namespace zalvert

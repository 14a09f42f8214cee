#pragma once
// The program's user interaction: Qt message boxes and file dialogs.

#include <memory>

#include "rtl/Interaction.h"

class QMessageBox;

namespace zalvert {

class TQtInteraction : public IUserInteraction {
  public:
    void ShowMessage(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool Confirm(const std::string& question) override;
    std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>& filters,
                                                const std::string& folder) override;
    std::optional<TSaveChoice> ChooseFileToSave(const std::vector<TFileFilter>& filters,
                                                const std::string& proposed, int filter) override;
    void OpenDocument(const std::string& path) override;
    std::optional<TLoginValues> Login(const std::string& databaseName,
                                      const std::string& userName) override;

    // The question box that Confirm shows, for a look at its buttons.
    static std::unique_ptr<QMessageBox> MakeQuestion(const std::string& question);
};

}  // namespace zalvert

#pragma once
// The program's user interaction: Qt message boxes and file dialogs.

#include "rtl/Interaction.h"

namespace zalvert {

class TQtInteraction : public IUserInteraction {
  public:
    void ShowMessage(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    bool Confirm(const std::string& question) override;
    std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>& filters) override;
    std::optional<TLoginValues> Login(const std::string& databaseName,
                                      const std::string& userName) override;
};

}  // namespace zalvert

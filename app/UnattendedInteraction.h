#pragma once
// User interaction for runs nobody watches (scheduled imports, tests of the whole
// program): messages go into a log file, one per line, and dialogs are cancelled.

#include <string>

#include "rtl/Interaction.h"

namespace zalvert {

class TUnattendedInteraction : public IUserInteraction {
  public:
    explicit TUnattendedInteraction(std::string logPath) : logPath_(std::move(logPath)) {}

    void ShowMessage(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    // Logged and answered no: nothing that needs a yes happens unattended.
    bool Confirm(const std::string& question) override;
    std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>& filters,
                                                const std::string& folder) override;
    std::optional<TSaveChoice> ChooseFileToSave(const std::vector<TFileFilter>& filters,
                                                const std::string& proposed, int filter) override;
    void OpenDocument(const std::string& path) override;
    std::optional<TLoginValues> Login(const std::string& databaseName,
                                      const std::string& userName) override;

  private:
    void Log(const std::string& text) const;

    std::string logPath_;
};

}  // namespace zalvert

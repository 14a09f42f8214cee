#pragma once
// Records what the program would have shown the user, and answers file dialogs
// from a queue, so that no test blocks on a dialog.

#include <deque>
#include <functional>

#include "rtl/Interaction.h"

namespace zalvert::testing {

class TRecordingInteraction : public IUserInteraction {
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

    std::vector<std::string> Messages;
    std::vector<std::string> Informations;
    // The questions asked and their answers; without an answer the reply is no.
    std::vector<std::string> Questions;
    std::deque<bool> ConfirmAnswers;
    // When set, asks the question this way (a real dialog) instead of the queue.
    std::function<bool(const std::string&)> AskWith;
    std::vector<std::vector<TFileFilter>> FileDialogs;
    std::vector<std::string> FileDialogFolders;
    // Answers for the file dialogs; an empty answer is a cancel.
    std::deque<std::optional<std::string>> FileAnswers;
    // The names proposed by save dialogs, and their answers (empty: cancelled).
    std::vector<std::string> SaveDialogs;
    std::deque<std::optional<TSaveChoice>> SaveAnswers;
    std::vector<std::string> OpenedDocuments;
    // The login dialogs shown (database, user name) and their answers; none is a cancel.
    std::vector<std::pair<std::string, std::string>> LoginDialogs;
    std::deque<std::optional<TLoginValues>> LoginAnswers;
};

}  // namespace zalvert::testing

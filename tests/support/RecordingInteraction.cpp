#include "tests/support/RecordingInteraction.h"

namespace zalvert::testing {

void TRecordingInteraction::ShowMessage(const std::string& text) {
    Messages.push_back(text);
}

void TRecordingInteraction::ShowInformation(const std::string& text) {
    Informations.push_back(text);
}

bool TRecordingInteraction::Confirm(const std::string& question) {
    Questions.push_back(question);
    if (AskWith) return AskWith(question);
    if (ConfirmAnswers.empty()) return false;
    const bool answer = ConfirmAnswers.front();
    ConfirmAnswers.pop_front();
    return answer;
}

std::optional<std::string> TRecordingInteraction::ChooseFileToOpen(
    const std::vector<TFileFilter>& filters, const std::string& folder) {
    FileDialogs.push_back(filters);
    FileDialogFolders.push_back(folder);
    if (FileAnswers.empty()) return std::nullopt;
    auto answer = FileAnswers.front();
    FileAnswers.pop_front();
    return answer;
}

std::optional<TSaveChoice> TRecordingInteraction::ChooseFileToSave(const std::vector<TFileFilter>&,
                                                                   const std::string& proposed,
                                                                   int) {
    SaveDialogs.push_back(proposed);
    if (SaveAnswers.empty()) return std::nullopt;
    auto answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
}

void TRecordingInteraction::OpenDocument(const std::string& path) {
    OpenedDocuments.push_back(path);
}

std::optional<TLoginValues> TRecordingInteraction::Login(const std::string& databaseName,
                                                         const std::string& userName) {
    LoginDialogs.emplace_back(databaseName, userName);
    if (LoginAnswers.empty()) return std::nullopt;
    auto answer = LoginAnswers.front();
    LoginAnswers.pop_front();
    return answer;
}

}  // namespace zalvert::testing

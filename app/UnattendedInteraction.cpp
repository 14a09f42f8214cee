#include "app/UnattendedInteraction.h"

#include <fstream>

namespace zalvert {

void TUnattendedInteraction::Log(const std::string& text) const {
    std::ofstream log(logPath_, std::ios::app);
    // A message of several lines stays one entry.
    std::string line = text;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    log << line << '\n';
}

void TUnattendedInteraction::ShowMessage(const std::string& text) {
    Log(text);
}

void TUnattendedInteraction::ShowInformation(const std::string& text) {
    Log(text);
}

bool TUnattendedInteraction::Confirm(const std::string& question) {
    Log(question);
    return false;
}

std::optional<std::string> TUnattendedInteraction::ChooseFileToOpen(const std::vector<TFileFilter>&,
                                                                    const std::string&) {
    return std::nullopt;
}

std::optional<TSaveChoice> TUnattendedInteraction::ChooseFileToSave(const std::vector<TFileFilter>&,
                                                                    const std::string&, int) {
    return std::nullopt;
}

void TUnattendedInteraction::OpenDocument(const std::string& path) {
    Log("Nicht geöffnet (ohne Bedienung): " + path);
}

std::optional<TLoginValues> TUnattendedInteraction::Login(const std::string&, const std::string&) {
    return std::nullopt;
}

}  // namespace zalvert

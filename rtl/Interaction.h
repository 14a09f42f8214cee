#pragma once
// Everything the program asks or tells the user goes through this interface: the Qt
// program implements it with dialogs, tests with a recorder that never blocks.

#include <exception>
#include <optional>
#include <string>
#include <vector>

namespace zalvert {

struct TFileFilter {
    std::string Name;     // shown to the user
    std::string Pattern;  // such as "*.csv"
};

// What a save dialog hands back: the path and which of its filters was chosen.
struct TSaveChoice {
    std::string Path;
    int Filter = 0;
};

// What the login dialog hands back.
struct TLoginValues {
    std::string UserName;
    std::string Password;
    std::string DatabasePassword;
};

class IUserInteraction {
  public:
    virtual ~IUserInteraction() = default;
    // A message box with an OK button; the application exception handler uses it.
    virtual void ShowMessage(const std::string& text) = 0;
    // An information box with an OK button.
    virtual void ShowInformation(const std::string& text) = 0;
    // A question with the answers yes and no; true for yes.
    virtual bool Confirm(const std::string& question) = 0;
    // A file-open dialog starting in `folder` (the current folder when empty);
    // empty when the user cancels. The first filter is selected.
    virtual std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>& filters,
                                                        const std::string& folder) = 0;
    // A save dialog proposing `proposed` (a folder and a name) and `filter`; an
    // existing file is replaced only after a question whose default is no. Empty
    // when the user cancels, and where nobody can answer.
    virtual std::optional<TSaveChoice> ChooseFileToSave(const std::vector<TFileFilter>&,
                                                        const std::string& /*proposed*/,
                                                        int /*filter*/) {
        return std::nullopt;
    }
    // Opens a document with the desktop's default program for its kind; where
    // nobody looks, nothing.
    virtual void OpenDocument(const std::string& /*path*/) {}
    // The database login dialog, showing the database and a user name; empty when
    // the user cancels.
    virtual std::optional<TLoginValues> Login(const std::string& databaseName,
                                              const std::string& userName) = 0;
};

// The interaction of components that have no window of their own (the database
// connection's login, its messages). The program sets it at start.
IUserInteraction& ApplicationInteraction();
void SetApplicationInteraction(IUserInteraction* interaction);

// The application exception handler: shows the message of the exception in flight.
void ShowException(IUserInteraction& ui, std::exception_ptr error);

// Runs an event handler; an exception ends the handler, is shown, and the program
// goes on. Returns whether the handler completed.
template <class Handler>
bool RunGuarded(IUserInteraction& ui, Handler&& handler) {
    try {
        handler();
        return true;
    } catch (...) {
        ShowException(ui, std::current_exception());
        return false;
    }
}

}  // namespace zalvert

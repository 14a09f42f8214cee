#include "rtl/Interaction.h"

#include "rtl/Exceptions.h"

#include <iostream>

namespace zalvert {
namespace {

// Without a program around it, messages go to the error output and dialogs are cancelled.
class TConsoleInteraction : public IUserInteraction {
  public:
    void ShowMessage(const std::string& text) override { std::cerr << text << "\n"; }
    void ShowInformation(const std::string& text) override { std::cerr << text << "\n"; }
    // Nobody can answer: nothing is done that needs a yes.
    bool Confirm(const std::string&) override { return false; }
    std::optional<std::string> ChooseFileToOpen(const std::vector<TFileFilter>&,
                                                const std::string&) override {
        return std::nullopt;
    }
    std::optional<TLoginValues> Login(const std::string&, const std::string&) override {
        return std::nullopt;
    }
};

IUserInteraction*& CurrentInteraction() {
    static TConsoleInteraction console;
    static IUserInteraction* current = &console;
    return current;
}

}  // namespace

IUserInteraction& ApplicationInteraction() {
    return *CurrentInteraction();
}

void SetApplicationInteraction(IUserInteraction* interaction) {
    static TConsoleInteraction fallback;
    CurrentInteraction() = interaction ? interaction : &fallback;
}

void ShowException(IUserInteraction& ui, std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // aborted on purpose: nothing to tell
    } catch (const std::bad_alloc&) {
        ui.ShowMessage("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        ui.ShowMessage(e.what());
    } catch (...) {
        ui.ShowMessage("Unbekannter Fehler");
    }
}

}  // namespace zalvert

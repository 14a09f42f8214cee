#include "rtl/Interaction.h"

namespace zalvert {

void ShowException(IUserInteraction& ui, std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc&) {
        ui.ShowMessage("Zu wenig Arbeitsspeicher");
    } catch (const std::exception& e) {
        ui.ShowMessage(e.what());
    } catch (...) {
        ui.ShowMessage("Unbekannter Fehler");
    }
}

}  // namespace zalvert

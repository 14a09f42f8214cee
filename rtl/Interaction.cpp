#include "rtl/Interaction.h"

#include "rtl/Exceptions.h"

namespace zalvert {

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

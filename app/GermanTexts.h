#pragma once
// The toolkit's own texts in German: its dialogs, buttons and context menus, from
// the translations the toolkit ships.

namespace zalvert {

// Loads the toolkit's German translations into the running application and makes
// German the default locale. False when the translations are not installed; the
// toolkit's texts then stay English.
bool InstallGermanTranslations();

}  // namespace zalvert

#pragma once
// The toolkit's own texts in German: its dialogs, buttons and context menus, from
// the translations the toolkit ships.

namespace zalvert {

// Loads the toolkit's German translations into the running application and makes
// German the default locale. False when the translations are not installed; the
// toolkit's texts then stay English.
bool InstallGermanTranslations();

// Before the application object: the toolkit's system locale, whose forms its own
// dialogs show (the file dialog's sizes and dates), German whatever the machine's is.
void PrepareGermanLocale();
// After it: the C library's forms neutral again. The toolkit sets the machine's
// locale at its start, and a decimal comma there would change how the program's
// own numbers are written and read (SQL literals, values from the server).
void KeepNeutralCLocale();

}  // namespace zalvert

#pragma once
// The toolkit's own texts (message-box buttons, the file dialog, context
// menus, the formats of dates and sizes) in the language of the program's
// texts: Korean for a Korean user interface, English otherwise.

// Loads the toolkit's translations for the user-interface language (and
// drops those of an earlier call). False when they are not installed: the
// toolkit's texts then stay English. Start-up calls it once; tests call it
// again after changing the language.
bool LoadToolkitTranslations();

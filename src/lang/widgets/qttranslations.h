// Qt's own texts in the program's language: the buttons of the message
// boxes (Yes, No, OK, Cancel), the file, print and page set-up dialogs and
// the help window's search come from Qt, not from our language library.
// Debian ships them as qtbase_<language>.qm and qt_help_<language>.qm in
// Qt's translations folder (package qt6-translations-l10n).
#ifndef PXRQ60_LANG_WIDGETS_QTTRANSLATIONS_H
#define PXRQ60_LANG_WIDGETS_QTTRANSLATIONS_H

#include <QString>

// Installs Qt's translation for `language` (the code of the settings, "DE"
// or "EN", any case) in the application, replacing one installed before.
// False when Qt has no translation of its base texts for it; Qt's dialogs
// then stay English.
bool installQtTranslations(const QString &language);

#endif

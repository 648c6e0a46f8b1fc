#pragma once
// Qt's own dialogs and buttons (file and colour dialogs, Yes/No) speak the program's language.
#include <QString>

// Installs Qt's translations for the user-interface language ("GERMAN" loads Qt's German
// catalogue; English needs none). False when the catalogue is not installed; Qt then speaks
// English. Calling it again replaces the translation installed before.
bool InstallQtTranslations(const QString& language);

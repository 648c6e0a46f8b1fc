#pragma once
// The program's language and its texts: "Generator.ini" names the language, "Language.ini"
// holds one section per language with the texts by numeric id. Both live in the program folder.
#include <QLocale>
#include <QString>

// Reads the language from Generator.ini and opens Language.ini; reports a missing file.
// Called once at start-up, before any window exists (tests may call it again).
void LoadLanguage();
// The text of id in the current language; empty when the id or the file is missing.
QString GetLanguageText(int id);
// "GERMAN" or "ENGLISH": a value of the settings that names neither falls back to "GERMAN".
QString CurrentLanguage();
bool LanguageIsEnglish();
// The locale numbers are shown in: German (decimal comma) or English (decimal point), after
// the program's language, whatever the system's; no group separators.
QLocale ProgramLocale();

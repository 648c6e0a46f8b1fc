#pragma once
// The shell's "open" of a document (a help page, a link): the desktop's default program.
#include <QString>

bool ShellOpenDocument(const QString& pathOrUrl);
// Hook for tests: when set, ShellOpenDocument calls it instead of opening anything.
using ShellOpenHook = bool (*)(const QString& pathOrUrl);
void SetShellOpenHook(ShellOpenHook hook);

// Opens a help page of the program in the desktop's browser; when nothing can open it, says
// so in the user's language (and names the page when it is missing).
bool OpenHelpPage(const QString& path);
// Opens a web address (or a "mailto:" address) in the desktop's browser or mail program;
// when nothing can open it, says so in the user's language.
bool OpenWebAddress(const QString& address);

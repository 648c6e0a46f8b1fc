#pragma once
// The shell's "open" of a document (a help page, a link, a folder): the desktop's default program.
#include <QString>
#include <functional>

// Opens the item with the desktop's opener (xdg-open), else with Debian's browser alternatives,
// else through Qt. False when nothing could be started. The opener may start and then give up
// (no program for the item, or the program refuses to run): `failed`, when given, is called then,
// from the event loop, so the caller can say so instead of staying silent.
bool ShellOpenDocument(const QString& pathOrUrl, const std::function<void()>& failed = {});
// Hook for tests: when set, ShellOpenDocument calls it instead of opening anything.
using ShellOpenHook = bool (*)(const QString& pathOrUrl);
void SetShellOpenHook(ShellOpenHook hook);

// Opens a help page of the program in the desktop's browser; when nothing can open it, says
// so in the user's language (and names the page when it is missing).
bool OpenHelpPage(const QString& path);
// Opens a web address (or a "mailto:" address) in the desktop's browser or mail program;
// when nothing can open it, says so in the user's language.
bool OpenWebAddress(const QString& address);

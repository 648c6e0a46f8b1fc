#pragma once
// The shell's "open" of a document (a help page, a link): the desktop's default program.
#include <QString>

bool ShellOpenDocument(const QString& pathOrUrl);
// Hook for tests: when set, ShellOpenDocument calls it instead of opening anything.
using ShellOpenHook = bool (*)(const QString& pathOrUrl);
void SetShellOpenHook(ShellOpenHook hook);

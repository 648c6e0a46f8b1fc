#pragma once
// Starting programs: detached (the shell's "open" of a program), or started and waited for
// while the user interface keeps processing its events.
#include <QString>
#include <QStringList>

namespace kalvora {

// Starts program detached; false when it could not be started.
bool StartProgram(const QString& program, const QStringList& args = {},
                  const QString& workingFolder = QString());

struct ProgramResult {
  bool started = false;
  bool crashed = false;
  bool timedOut = false;
  int exitCode = -1;
};

// Starts program and waits for its end without blocking the event loop (no busy waiting).
// timeoutMs < 0 waits as long as it takes; on timeout the program is killed.
ProgramResult RunProgramAndWait(const QString& program, const QStringList& args = {},
                                const QString& workingFolder = QString(), int timeoutMs = -1);

// Hook for tests: when set, StartProgram calls it instead of starting anything.
using StartProgramHook = bool (*)(const QString& program, const QStringList& args,
                                  const QString& workingFolder);
void SetStartProgramHook(StartProgramHook hook);

}  // namespace kalvora

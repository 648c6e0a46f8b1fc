#include "Process.h"

#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace kalvora {

namespace {
StartProgramHook g_hook = nullptr;
}

void SetStartProgramHook(StartProgramHook hook) { g_hook = hook; }

bool StartProgram(const QString& program, const QStringList& args, const QString& workingFolder) {
  if (g_hook) return g_hook(program, args, workingFolder);
  return QProcess::startDetached(program, args, workingFolder);
}

ProgramResult RunProgramAndWait(const QString& program, const QStringList& args,
                                const QString& workingFolder, int timeoutMs) {
  ProgramResult r;
  QProcess p;
  if (!workingFolder.isEmpty()) p.setWorkingDirectory(workingFolder);
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.setStandardOutputFile(QProcess::nullDevice());
  QEventLoop loop;
  QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
  QObject::connect(&p, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError e) {
    if (e == QProcess::FailedToStart) loop.quit();
  });
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
    r.timedOut = true;
    loop.quit();
  });
  p.start(program, args);
  if (!p.waitForStarted(-1)) return r;
  r.started = true;
  if (timeoutMs >= 0) timer.start(timeoutMs);
  if (p.state() != QProcess::NotRunning) loop.exec();
  if (r.timedOut) {
    p.kill();
    p.waitForFinished(5000);
    return r;
  }
  r.crashed = p.exitStatus() == QProcess::CrashExit;
  r.exitCode = r.crashed ? -1 : p.exitCode();
  return r;
}

}  // namespace kalvora

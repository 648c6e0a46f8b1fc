#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include "Process.h"

using namespace kalvora;

TEST(Process, RunAndWaitReportsExitCodeAndKeepsEventsFlowing) {
  // The child ends only once a timer of the event loop has written its file: the wait would
  // never end if the loop did not run while waiting.
  QTemporaryDir dir;
  const QString flag = dir.filePath("tick");
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { QFile(flag).open(QIODevice::WriteOnly); });
  timer.start(10);
  const ProgramResult r =
      RunProgramAndWait("/bin/sh", {"-c", "while [ ! -e \"$0\" ]; do sleep 0.01; done; exit 3", flag});
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.crashed);
  EXPECT_EQ(r.exitCode, 3);
}

TEST(Process, MissingProgramAndTimeout) {
  EXPECT_FALSE(RunProgramAndWait("/no/such/program").started);
  // Without the time-out the wait would last the whole ten minutes.
  const ProgramResult r = RunProgramAndWait("/bin/sleep", {"600"}, QString(), 200);
  EXPECT_TRUE(r.timedOut);
  EXPECT_FALSE(StartProgram("/no/such/program"));
}

namespace {
QStringList g_started;
bool recordStart(const QString& program, const QStringList& args, const QString&) {
  g_started = QStringList{program} + args;
  return true;
}
}  // namespace

TEST(Process, StartHookRecordsInsteadOfStarting) {
  SetStartProgramHook(recordStart);
  EXPECT_TRUE(StartProgram("/archive/Slidoplay", {"TEST"}));
  SetStartProgramHook(nullptr);
  EXPECT_EQ(g_started, QStringList({"/archive/Slidoplay", "TEST"}));
}

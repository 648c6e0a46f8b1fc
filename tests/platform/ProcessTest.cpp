#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "Process.h"

using namespace kalvora;

TEST(Process, RunAndWaitReportsExitCodeAndKeepsEventsFlowing) {
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
  timer.start(10);
  const ProgramResult r = RunProgramAndWait("/bin/sh", {"-c", "sleep 0.3; exit 3"});
  EXPECT_TRUE(r.started);
  EXPECT_FALSE(r.crashed);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_GT(ticks, 5);  // the event loop ran while waiting
}

TEST(Process, MissingProgramAndTimeout) {
  EXPECT_FALSE(RunProgramAndWait("/no/such/program").started);
  QElapsedTimer t;
  t.start();
  const ProgramResult r = RunProgramAndWait("/bin/sleep", {"30"}, QString(), 200);
  EXPECT_TRUE(r.timedOut);
  EXPECT_LT(t.elapsed(), 10000);
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

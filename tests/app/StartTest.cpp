#include <gtest/gtest.h>

#include <QProcess>

#include "TestSupport.h"

// Starts the real program headless and lets it close its main window.
TEST(Program, StartsOffscreenAndExitsCleanlyWhenTheMainWindowCloses) {
  testsupport::FakeHome home;
  const QString exe = QString(KALVORA_TEST_BIN_DIR) + "/kalvora";
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KALVORA_CLOSE_AFTER_MS", "300");
  p.setProcessEnvironment(env);
  p.start(exe, {});
  ASSERT_TRUE(p.waitForStarted(10000)) << exe.toStdString();
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

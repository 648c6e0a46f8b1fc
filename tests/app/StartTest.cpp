#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
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

// The program started on a program folder of its own creates its folders in the home folder.
TEST(Program, StartsOnATemporaryProgramFolder) {
  testsupport::FakeHome home;
  testsupport::TempFolder app;
  for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
    ASSERT_TRUE(QFile::copy(QString(KALVORA_SOURCE_DIR) + "/data/" + f, app.path() + "/" + f));
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KALVORA_CLOSE_AFTER_MS", "300");
  env.insert("KALVORA_APPDIR", app.path());
  env.insert("HOME", home.path());
  p.setProcessEnvironment(env);
  p.start(QString(KALVORA_TEST_BIN_DIR) + "/kalvora", {});
  ASSERT_TRUE(p.waitForStarted(10000));
  ASSERT_TRUE(p.waitForFinished(60000));
  EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
  for (const char* folder : {"/Kalvora/del", "/Kalvora/Archive_0001", "/DVD-Diashow/encoder"})
    EXPECT_TRUE(QFileInfo(home.path() + folder).isDir()) << folder;
  for (const char* folder : {"/thumbs", "/temppic", "/gallery"})
    EXPECT_TRUE(QFileInfo(app.path() + folder).isDir()) << folder;
  EXPECT_TRUE(QFileInfo::exists(home.path() + "/Kalvora/Effects.ini"));
}

// The player program itself, started as the main program starts it: copied into the archive
// root and run there with "TEST".
#include "PlayerTestUtil.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <IniFile.h>
#include <TestSupport.h>
#include <gtest/gtest.h>

namespace {

const QString kPlayer = QStringLiteral(KALVORA_TEST_BIN_DIR "/diashow/Slidoplay");

struct PlayerRun {
  int exitCode = -1;
  bool normalExit = false;
  QByteArray reportText;
  QString report(const char* key) const {
    return kalvora::IniFile::fromBytes("[R]\r\n" + reportText).readString("R", key);
  }
};

// Starts root/name with args, ending itself after exitAfterMs.
PlayerRun Start(const QString& root, const QString& name, const QStringList& args, int exitAfterMs) {
  PlayerRun run;
  QProcess p;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  env.insert("KALVORA_PLAYER_EXIT_AFTER_MS", QString::number(exitAfterMs));
  env.insert("KALVORA_PLAYER_REPORT", root + "report.txt");
  env.insert("ASAN_OPTIONS", "detect_leaks=0");
  p.setProcessEnvironment(env);
  p.setWorkingDirectory(QDir::homePath());
  p.start(root + name, args);
  if (!p.waitForFinished(60000)) {
    p.kill();
    p.waitForFinished();
    return run;
  }
  run.normalExit = p.exitStatus() == QProcess::NormalExit;
  run.exitCode = p.exitCode();
  run.reportText = testsupport::readBytes(root + "report.txt");
  return run;
}

QString MakeRoot(const QString& playerName) {
  const QString root = QDir::homePath() + "/Kalvora/";
  QDir().mkpath(root);
  EXPECT_TRUE(QFile::copy(kPlayer, root + playerName));
  QFile::setPermissions(root + playerName, QFile::permissions(kPlayer));
  return root;
}

}  // namespace

TEST(ProgramTest, PlaysTheShowSavedLastAndExits) {
  testsupport::FakeHome home;
  const QString root = MakeRoot("Slidoplay");
  playertest::WriteShow(root + "Archive_0001", "Alt", "5", {"a.jpg"}, {"a.jpg"});
  playertest::WriteShow(root + "Archive_0002", "Neu", "1", {"a.jpg | Eins", "../x.jpg", "b.jpg | Zwei", "fehlt.jpg"},
                        {"a.jpg", "b.jpg"});
  QFile f(root + "Archive_0001/Diashow.ini");
  ASSERT_TRUE(f.open(QIODevice::ReadWrite));
  ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
  f.close();
  // As the main program writes them: window mode (inverted), endless, random effects.
  testsupport::writeBytes(root + "Settings.ini",
                          "[SETTINGS]\r\nStopDiashowAtEnd=FALSE\r\nFullscreen=TRUE\r\nManuell=FALSE\r\n"
                          "PictureTextVisible=TRUE\r\nFileNameVisible=TRUE\r\nBKGColor=0\r\nTextColor=16777215\r\n"
                          "EffectMode=RANDOM\r\nEffect=1\r\nTextOffset=0\r\n");
  testsupport::writeBytes(root + "Effects.ini", "2000;0;5;4;2\r\n6000;0;5;4;0\r\n4001;0;5;4;0\r\n");
  testsupport::writeBytes(root + "Language.ini", "[PLAYER]\r\n100001=Slidoplay\r\n");

  const PlayerRun run = Start(root, "Slidoplay", {"TEST"}, 1500);
  ASSERT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.report("Folder"), root + "Archive_0002/");
  EXPECT_EQ(run.report("Title"), "Neu");
  EXPECT_EQ(run.report("Pictures"), "2");
  EXPECT_EQ(run.report("Skipped"), "2");
  EXPECT_EQ(run.report("Fullscreen"), "FALSE");
  EXPECT_EQ(run.report("Endless"), "TRUE");
  EXPECT_GT(run.report("Frames").toInt(), 0);
  EXPECT_EQ(run.report("PlayedToTheEnd"), "FALSE");  // endless: only the hook ends it
}

TEST(ProgramTest, FullScreenUnderTheEnglishNameAndAGivenFolder) {
  testsupport::FakeHome home;
  const QString root = MakeRoot("Rondivo");
  playertest::WriteShow(root + "Archive_0001", "Eins", "5", {"a.jpg"}, {"a.jpg"});
  playertest::WriteShow(root + "Archive_0002", "Zwei", "5", {"a.jpg"}, {"a.jpg"});
  testsupport::writeBytes(root + "Settings.ini", "[SETTINGS]\r\nFullscreen=FALSE\r\n");
  const PlayerRun run = Start(root, "Rondivo", {root + "Archive_0001"}, 500);
  ASSERT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.report("Folder"), root + "Archive_0001/");
  EXPECT_EQ(run.report("Fullscreen"), "TRUE");
}

TEST(ProgramTest, NothingSavedYetIsReportedNotPlayed) {
  testsupport::FakeHome home;
  const QString root = MakeRoot("Slidoplay");
  playertest::WriteShow(root + "del", "SPECIALDUMMY", "5", {}, {});
  const PlayerRun run = Start(root, "Slidoplay", {"TEST"}, 300);
  ASSERT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.report("Pictures"), "0");
}

TEST(ProgramTest, AShowPlayedOnceEndsByItself) {
  testsupport::FakeHome home;
  const QString root = MakeRoot("Slidoplay");
  playertest::WriteShow(root + "Archive_0004", "Kurz", "1", {"a.jpg | Eins"}, {"a.jpg"});
  testsupport::writeBytes(root + "Settings.ini", "[SETTINGS]\r\nStopDiashowAtEnd=TRUE\r\nFullscreen=TRUE\r\n");
  testsupport::writeBytes(root + "play.ply", "[PLAY]\r\nEndMs=0\r\n");
  const PlayerRun run = Start(root, "Slidoplay", {"TEST"}, 30000);
  ASSERT_TRUE(run.normalExit);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.report("PlayedToTheEnd"), "TRUE");
  EXPECT_EQ(run.report("Endless"), "FALSE");
}

// Settings files and start-up copies that cannot be written are told to the user, with the file
// and the reason, and nothing that needs them runs as if they were there. The full disks are
// real: a small file system of its own mounted where the files go, then filled.
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <sys/stat.h>

#include "ProductionFixture.h"
#include "SmallDisk.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using shelltest::writeText;

namespace {

const char* const kNoSpace = "kein Platz mehr auf dem Datenträger";

class SaveFailureTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.jpg"});
    selectArchive("Archive_0003");
    mf->Open1BitBtnClick();
    modal.shown.clear();
  }
  // The messages shown since the last call.
  QStringList newMessages() {
    const QStringList all = prompter.messageTexts();
    const QStringList out = all.mid(seen_);
    seen_ = all.size();
    return out;
  }
  // The program folder, where the program's own settings go, on a full disk of its own from now
  // on (the window has read what it needs from it).
  std::unique_ptr<testsupport::SmallDisk> fullProgramFolder() {
    newMessages();
    auto disk = std::make_unique<testsupport::SmallDisk>(app.path());
    if (disk->mounted()) {
      EXPECT_TRUE(disk->fill());
    }
    return disk;
  }
  static void expectSettingsMessage(const QString& message, const QString& file, const QString& reason) {
    EXPECT_TRUE(message.startsWith(GetLanguageText(10230))) << message.toStdString();
    EXPECT_TRUE(message.contains("\n" + file + "\n")) << message.toStdString();
    EXPECT_TRUE(message.endsWith(GetLanguageText(10205) + " " + reason)) << message.toStdString();
  }

 private:
  qsizetype seen_ = 0;
};

using StartUpCopyTest = shelltest::ShellTest;

}  // namespace

// "Übernehmen" on the general settings page and closing the program both save Generator.ini.
TEST_F(SaveFailureTest, ProgramSettingsThatCannotBeSavedAreReported) {
  const auto disk = fullProgramFolder();
  if (!disk->mounted()) GTEST_SKIP() << disk->reason();
  mf->Allgemein1->trigger();
  QTest::mouseClick(mf->Uebernehmen2BitBtn, Qt::LeftButton);
  QStringList messages = newMessages();
  ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
  expectSettingsMessage(messages[0], appDir + "Generator.ini", QString::fromUtf8(kNoSpace));
  mf->close();
  messages = newMessages();
  ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
  expectSettingsMessage(messages[0], appDir + "Generator.ini", QString::fromUtf8(kNoSpace));
  EXPECT_FALSE(QFileInfo::exists(appDir + "Generator.ini"));
}

// Without its settings the player would play another slideshow: it is not started, and the
// window that says it starts does not show.
TEST_F(SaveFailureTest, PlayerSettingsThatCannotBeWrittenStartNoPlayer) {
  const QString settings = root + "Settings.ini";
  const QByteArray before = testsupport::readBytes(settings);
  ASSERT_EQ(::chmod(QFile::encodeName(settings).constData(), 0444), 0);  // refused for root as well
  modal.handlers["MakeWizzard"] = [](QWidget* w) {
    w->findChild<QRadioButton*>("PCRadioButton")->setChecked(true);
    ModalDriver::finish(w, kalvora::mrOk);
  };
  mf->PageControl1->setCurrentIndex(2);
  ASSERT_EQ(mf->PageControl1->currentIndex(), 3);
  newMessages();
  QTest::mouseClick(mf->MakeDiashowBitBtn, Qt::LeftButton);
  EXPECT_TRUE(prodtest::g_started.isEmpty());
  EXPECT_FALSE(modal.shown.contains("AnweisungForm")) << modal.shown.join("|").toStdString();
  const QStringList messages = newMessages();
  ASSERT_FALSE(messages.isEmpty());
  for (const QString& m : messages) expectSettingsMessage(m, settings, QString::fromUtf8("die Datei ist schreibgeschützt"));
  EXPECT_EQ(testsupport::readBytes(settings), before);
  ::chmod(QFile::encodeName(settings).constData(), 0644);
}

// The ripper is told by Ripper.ini where its tracks go: without it, it is not started.
TEST_F(SaveFailureTest, ARipperHandOffThatCannotBeWrittenRunsNoRipper) {
  testsupport::TempFolder elsewhere;
  const QString ran = elsewhere.file("ran");
  const QString ripper = elsewhere.file("ripper.sh");
  writeText(ripper, "#!/bin/sh\ntouch \"" + ran.toUtf8() + "\"\n");
  QFile::setPermissions(ripper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  mf->FRipperProgram = ripper;
  const auto disk = fullProgramFolder();
  if (!disk->mounted()) GTEST_SKIP() << disk->reason();
  QTest::mouseClick(mf->StartRipperBitBtn, Qt::LeftButton);
  const QStringList messages = newMessages();
  ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
  expectSettingsMessage(messages[0], appDir + "Ripper.ini", QString::fromUtf8(kNoSpace));
  EXPECT_FALSE(QFileInfo::exists(ran));
}

// The screensaver folder on a small disk of its own (in a documents folder on that disk): what
// does not fit is reported, and the success window does not follow.
TEST_F(SaveFailureTest, AScreensaverThatIsNotCompleteIsNoSuccess) {
  struct Case {
    const char* what;
    int settingsBytes;  // a root Settings.ini that fits once but not twice: its rewrite fails
    int songBytes;      // a song larger than the disk: its copy fails
  };
  const Case cases[] = {
      {"a file does not fit", 0, 400 * 1024},
      {"the settings cannot be written", 150 * 1024, 0},
  };
  const QByteArray settings = testsupport::readBytes(root + "Settings.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::TempFolder place;
    testsupport::SmallDisk disk(place.path() + "/docs");
    if (!disk.mounted()) GTEST_SKIP() << disk.reason();
    const QByteArray rootSettings =
        c.settingsBytes ? settings + ";" + QByteArray(c.settingsBytes, 'x') + "\r\n" : settings;
    writeText(root + "Settings.ini", rootSettings);
    writeText(root + "Archive_0003/song.mp3", c.songBytes ? QByteArray(c.songBytes, 'm') : QByteArray("music"));
    mf->FScreensaverFolder = place.path() + "/docs/Diashow_Screensaver/";
    modal.shown.clear();
    modal.handlers["ExportForm"] = [](QWidget* w) {
      auto* list = w->findChild<QListWidget*>("CheckListBox");
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith("Archive_0003 ")) list->item(i)->setCheckState(Qt::Checked);
      ModalDriver::finish(w, kalvora::mrOk);
    };
    newMessages();
    EXPECT_FALSE(mf->InstallScreensaver());
    EXPECT_EQ(modal.shown, QStringList{"ExportForm"});  // no success window
    const QStringList messages = newMessages();
    ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
    const QString saver = mf->FScreensaverFolder;
    if (c.songBytes) {
      EXPECT_TRUE(messages[0].startsWith(GetLanguageText(10201))) << messages[0].toStdString();
      EXPECT_TRUE(messages[0].contains(root + "Archive_0003/song.mp3")) << messages[0].toStdString();
      EXPECT_FALSE(QFileInfo::exists(saver + "Archive_0003/song.mp3"));
    } else {
      // Every file is there, but the settings are the archive's: no full screen, no random
      // transitions.
      expectSettingsMessage(messages[0], saver + "Settings.ini", QString::fromUtf8(kNoSpace));
      EXPECT_EQ(testsupport::readBytes(saver + "Settings.ini"), rootSettings);
      EXPECT_TRUE(QFileInfo(saver + "Archive_0003/song.mp3").isFile());
    }
  }
}

// Start-up copies the player and its files into the archive root at every start: what cannot
// be copied or written there is in the one message of start-up problems.
TEST_F(StartUpCopyTest, CopiesThatFailAreInTheStartUpMessage) {
  const QString kalvora = home() + "Kalvora/";
  testsupport::SmallDisk disk(kalvora);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  ASSERT_TRUE(disk.fill());
  start();
  const QStringList messages = prompter.messageTexts();
  ASSERT_EQ(messages.size(), 1) << messages.join("|").toStdString();
  const QString& report = messages[0];
  EXPECT_TRUE(report.contains(GetLanguageText(10201) + "\n")) << report.toStdString();
  for (const char* file : {"del/Diashow.ini", "Autorun.inf", "Slidoplay", "play.ply", "intro.ply", "Settings.ini",
                           "Effects.ini"})
    EXPECT_TRUE(report.contains("\n" + kalvora + file)) << file << "\n" << report.toStdString();
  // The player's texts, written into the root's Language.ini.
  EXPECT_TRUE(report.contains(GetLanguageText(10230) + "\n" + kalvora + "Language.ini\n" + GetLanguageText(10205) +
                              " " + QString::fromUtf8(kNoSpace)))
      << report.toStdString();
  // Nothing half copied: only what takes no room is there (a folder, the empty picture list).
  EXPECT_EQ(QDir(kalvora).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            (QStringList{"del", "filler"}));
  EXPECT_EQ(QDir(kalvora + "del").entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList{"Pictures.ini"});
  EXPECT_EQ(QFileInfo(kalvora + "del/Pictures.ini").size(), 0);
}

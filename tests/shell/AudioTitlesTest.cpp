// The slideshow's audio titles: adding with the 44.1 kHz stereo check, deleting, playing
// through the player interface, reordering, renumbering, and the CD ripper hand-off.
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

#include "MediaPlayer.h"
#include "ProductionFixture.h"
#include "fCheckAudio.h"

using prodtest::ProductionTest;
using prodtest::waveBytes;
using shelltest::writeText;

namespace {
class FakePlayer : public TMediaPlayer {
 public:
  using TMediaPlayer::TMediaPlayer;
  QStringList calls;
  bool Open() override { calls << "Open " + FileName; return true; }
  bool Play() override { calls << "Play"; return true; }
  bool Pause() override { calls << "Pause"; return true; }
  bool Stop() override { calls << "Stop"; return true; }
  void Close() override { calls << "Close"; }
};

class AudioTitlesTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Musik", {"a.jpg"});
    mf->OpenArchive("Archive_0003");
    folder = mf->SlideshowFolder();
    delete mf->MediaPlayer1;
    player = new FakePlayer(mf);
    mf->MediaPlayer1 = player;
    source = app.path() + "/source/";
  }
  QString audioNames() {
    QStringList out;
    for (const QString& p : listTexts(mf->AudioListBox)) out << QFileInfo(p).fileName();
    return out.join(",");
  }
  void select(int row) {
    mf->AudioListBox->clearSelection();
    mf->AudioListBox->item(row)->setSelected(true);
  }
  QString folder, source;
  FakePlayer* player = nullptr;
};
}  // namespace

TEST_F(AudioTitlesTest, AddsOnlyCdQualityFiles) {
  writeText(source + "good.wav", waveBytes(44100, 2));
  writeText(source + "high.wav", waveBytes(48000, 2));
  writeText(source + "mono.wav", waveBytes(44100, 1));
  writeText(source + "broken.mp3", QByteArray(3000, '\x01'));
  prompter.answerFile(source + "good.wav").answerFile(source + "high.wav").answerFile(source + "mono.wav")
      .answerFile(source + "broken.mp3");
  for (int i = 0; i < 4; ++i) mf->OpenAudioBitBtnClick();
  EXPECT_EQ(audioNames(), "good.wav");
  EXPECT_EQ(testsupport::readBytes(folder + "good.wav"), waveBytes(44100, 2));
  EXPECT_FALSE(QFileInfo::exists(folder + "high.wav"));
  const QStringList messages = prompter.messageTexts();
  ASSERT_EQ(messages.size(), 3);
  for (const QString& m : messages.mid(0, 2)) EXPECT_TRUE(m.contains(GetLanguageText(10013)));
  EXPECT_TRUE(messages[0].contains("high.wav"));
  // A file that is no audio at all is called so, not a wrong format, and without a raw reason.
  EXPECT_EQ(messages[2], GetLanguageText(10370).arg("broken.mp3"));
  EXPECT_FALSE(messages[2].contains(GetLanguageText(10013)));
  EXPECT_TRUE(messages[2].contains(QString::fromUtf8("keine Audiodatei")));
}

// What is said about a file the probe cannot use, by what the file is.
TEST_F(AudioTitlesTest, FilesThatAreNoUsableAudioAreNamedForWhatTheyAre) {
  writeText(source + "notiz.wav", "Einkaufsliste: Brot, Milch");
  writeText(source + "bild.mp3", QByteArray(5000, 'x'));
  writeText(source + "mono.wav", waveBytes(44100, 1));
  const struct {
    const char* name;
    int id;
  } cases[] = {{"notiz.wav", 10370}, {"bild.mp3", 10370}, {"mono.wav", 10013}, {"fehlt.wav", 10371}};
  for (const auto& c : cases) {
    prompter = kalvora::ScriptedPrompter();
    prompter.answerFile(source + c.name);
    mf->OpenAudioBitBtnClick();
    ASSERT_EQ(prompter.messageTexts().size(), 1) << c.name;
    const QString m = prompter.messageTexts()[0];
    if (c.id == 10013) EXPECT_TRUE(m.contains(GetLanguageText(10013))) << c.name;
    else EXPECT_EQ(m, GetLanguageText(c.id).arg(c.name)) << c.name;
    EXPECT_FALSE(m.contains("Can not") || m.contains("wave file") || m.contains("does not exist")) << m.toStdString();
  }
  EXPECT_EQ(mf->AudioListBox->count(), 0);
}

TEST_F(AudioTitlesTest, ANameTakenAlreadyIsReplacedOnYesAndKeptBesideOnNo) {
  writeText(folder + "song.wav", waveBytes(44100, 2, 10));
  mf->RefreshAudioList();
  writeText(source + "song.wav", waveBytes(44100, 2, 20));
  prompter.answerFile(source + "song.wav").answerMessage(kalvora::mrYes);
  mf->OpenAudioBitBtnClick();
  EXPECT_EQ(testsupport::readBytes(folder + "song.wav"), waveBytes(44100, 2, 20));
  EXPECT_EQ(mf->AudioListBox->count(), 1);
  prompter.answerFile(source + "song.wav").answerMessage(kalvora::mrNo);
  mf->OpenAudioBitBtnClick();
  ASSERT_EQ(mf->AudioListBox->count(), 2);
  const QString added = QFileInfo(mf->AudioListBox->item(1)->text()).fileName();
  EXPECT_TRUE(QRegularExpression("^\\d+_song\\.wav$").match(added).hasMatch()) << added.toStdString();
  EXPECT_TRUE(QFileInfo(folder + added).isFile());
}

TEST_F(AudioTitlesTest, ListingWarnsAboutOtherFormatsButKeepsThem) {
  writeText(folder + "b.wav", waveBytes(48000, 2));
  writeText(folder + "a.mp3", QByteArray("ID3"));
  writeText(folder + "c.WAV", waveBytes(44100, 2));
  mf->RefreshAudioList();
  EXPECT_EQ(audioNames(), "a.mp3,b.wav,c.WAV");
  EXPECT_EQ(prompter.messageTexts().size(), 2);
}

TEST_F(AudioTitlesTest, DragOrderBecomesTheNumbering) {
  for (const char* n : {"a.wav", "b.mp3", "c.mp3"}) writeText(folder + n, QByteArray(n));
  // A file already bearing a target name and one with the temporary prefix are not lost.
  writeText(folder + "Audio002.wav", "two");
  writeText(folder + "_F_a.wav", "leftover");
  mf->RefreshAudioList();
  ASSERT_EQ(audioNames(), "_F_a.wav,a.wav,Audio002.wav,b.mp3,c.mp3");
  // Drag into the order b.mp3, a.wav, c.mp3, _F_a.wav, Audio002.wav.
  mf->AudioListBoxMouseDown(3);
  mf->AudioListBoxDragDrop(0);
  mf->AudioListBoxMouseDown(4);
  mf->AudioListBoxDragDrop(3);
  mf->AudioListBoxMouseDown(1);
  mf->AudioListBoxDragDrop(3);
  mf->AudioListBoxMouseDown(-1);
  mf->AudioListBoxDragDrop(0);  // nothing pressed: no move
  ASSERT_EQ(audioNames(), "b.mp3,a.wav,c.mp3,_F_a.wav,Audio002.wav");

  mf->RenumberAudioFiles();
  EXPECT_EQ(audioNames(), "Audio001.mp3,Audio002.wav,Audio003.mp3,Audio004.wav,Audio005.wav");
  EXPECT_EQ(testsupport::readBytes(folder + "Audio001.mp3"), "b.mp3");
  EXPECT_EQ(testsupport::readBytes(folder + "Audio002.wav"), "a.wav");
  EXPECT_EQ(testsupport::readBytes(folder + "Audio003.mp3"), "c.mp3");
  EXPECT_EQ(testsupport::readBytes(folder + "Audio004.wav"), "leftover");
  EXPECT_EQ(testsupport::readBytes(folder + "Audio005.wav"), "two");
  EXPECT_TRUE(player->calls.contains("Close"));
}

TEST_F(AudioTitlesTest, PlayerButtonsNeedALineAndReachThePlayer) {
  mf->PlayBitBtnClick();
  mf->PauseBitBtnClick();
  mf->StopBitBtnClick();
  mf->InfoBitBtnClick();
  mf->DeleteAudioBitBtnClick();
  EXPECT_EQ(prompter.messageTexts(), (QStringList{GetLanguageText(10023), GetLanguageText(10023),
                                                   GetLanguageText(10023), GetLanguageText(10023),
                                                   GetLanguageText(10018)}));
  EXPECT_TRUE(player->calls.isEmpty());
  writeText(folder + "x.wav", waveBytes(44100, 2));
  mf->RefreshAudioList();
  select(0);
  mf->AudioListBoxClick();
  EXPECT_EQ(player->FileName, folder + "x.wav");
  mf->PlayBitBtnClick();
  mf->PauseBitBtnClick();
  mf->StopBitBtnClick();
  EXPECT_EQ(player->calls, (QStringList{"Open " + folder + "x.wav", "Play", "Pause", "Stop"}));
  prompter.answerMessage(kalvora::mrYes);
  mf->DeleteAudioBitBtnClick();
  EXPECT_EQ(mf->AudioListBox->count(), 0);
  EXPECT_FALSE(QFileInfo::exists(folder + "x.wav"));
}

TEST_F(AudioTitlesTest, InfoShowsTheAudioWindowWithoutBlocking) {
  writeText(folder + "x.wav", waveBytes(44100, 2));
  mf->RefreshAudioList();
  select(0);
  mf->InfoBitBtnClick();
  QWidget* info = FindProgramWindow("CheckAudioForm");
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->isVisible());
  EXPECT_EQ(info->property("FSampleRate").toString(), "44100");
  info->hide();
}

// The information window shown beside the list follows the selected title, leaves the Info
// button free and closes with Escape.
TEST_F(AudioTitlesTest, InfoWindowFollowsTheSelectionAndClosesWithEscape) {
  QProcess ffmpeg;
  ffmpeg.start("ffmpeg", {"-loglevel", "error", "-y", "-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac",
                          "2", "-ar", "44100", "-b:a", "128k", folder + "lied.mp3"});
  if (!ffmpeg.waitForFinished(30000) || ffmpeg.exitCode() != 0 || !QFileInfo::exists(folder + "lied.mp3"))
    GTEST_SKIP() << "ffmpeg cannot write an MP3 file here";
  writeText(folder + "welle.wav", waveBytes(44100, 2, 44100));
  mf->show();
  mf->Diashowerstellen1Click();  // the slideshow settings page lists the titles
  ASSERT_EQ(mf->PageControl1->currentWidget(), mf->TabSheet3);
  ASSERT_EQ(audioNames(), "lied.mp3,welle.wav");
  auto clickRow = [this](int row) {
    QTest::mouseClick(mf->AudioListBox->viewport(), Qt::LeftButton, {},
                      mf->AudioListBox->visualItemRect(mf->AudioListBox->item(row)).center());
  };
  auto* info = qobject_cast<TCheckAudioForm*>(FindProgramWindow("CheckAudioForm"));
  ASSERT_NE(info, nullptr);
  clickRow(0);
  QTest::mouseClick(mf->InfoBitBtn, Qt::LeftButton);
  ASSERT_TRUE(info->isVisible());
  EXPECT_EQ(info->Label1->text(), "MP3 File");
  EXPECT_EQ(info->SampleRateEdit->text(), "44100 Hz");
  const QRect button(mf->InfoBitBtn->mapToGlobal(QPoint(0, 0)), mf->InfoBitBtn->size());
  EXPECT_FALSE(info->frameGeometry().intersects(button));
  // Another title selected while the window shows: the window shows that title.
  clickRow(1);
  EXPECT_TRUE(info->isVisible());
  EXPECT_EQ(info->FFileName, folder + "welle.wav");
  EXPECT_EQ(info->Label1->text(), "WAV File");
  EXPECT_EQ(info->WavSampleRateEdit->text(), "44100 Hz");
  EXPECT_FALSE(info->frameGeometry().intersects(button));
  // Escape, as the user presses it: to the window that has the keyboard.
  KV_WAIT_FOR(QApplication::activeWindow() == info, 60000);
  QTest::keyClick(QApplication::activeWindow(), Qt::Key_Escape);
  EXPECT_FALSE(info->isVisible());
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
}

namespace {
// The state letter of a process ('T' while stopped), from /proc.
char processState(qint64 pid) {
  QFile stat(QString("/proc/%1/stat").arg(pid));
  if (!stat.open(QIODevice::ReadOnly)) return '?';
  const QByteArray line = stat.readAll();
  const int close = line.lastIndexOf(')');
  return close > 0 && close + 2 < line.size() ? line.at(close + 2) : '?';
}
}  // namespace

// Pause holds the title; a second Pause or Abspielen plays on in the same process rather than
// from the beginning.
TEST_F(AudioTitlesTest, PauseHoldsAndPauseOrPlayGoOn) {
  if (QStandardPaths::findExecutable("ffplay").isEmpty()) GTEST_SKIP() << "ffplay is not installed";
  qputenv("SDL_AUDIODRIVER", "dummy");  // no sound device needed
  delete mf->MediaPlayer1;
  auto* real = new TFfplayMediaPlayer(mf);
  mf->MediaPlayer1 = real;
  player = nullptr;
  writeText(folder + "lang.wav", waveBytes(44100, 2, 44100 * 60));
  mf->RefreshAudioList();
  select(0);
  mf->AudioListBoxClick();
  QTest::mouseClick(mf->PlayBitBtn, Qt::LeftButton);
  const qint64 pid = real->ProcessId();
  ASSERT_GT(pid, 0);
  // Running or sleeping: alive and not stopped.
  const auto playing = [&] {
    const char state = processState(pid);
    return state == 'R' || state == 'S' || state == 'D';
  };
  KV_WAIT_FOR(playing(), 60000);
  const struct {
    QPushButton* button;
    bool stopped;
  } steps[] = {{mf->PauseBitBtn, true}, {mf->PauseBitBtn, false}, {mf->PauseBitBtn, true}, {mf->PlayBitBtn, false}};
  for (const auto& s : steps) {
    QTest::mouseClick(s.button, Qt::LeftButton);
    EXPECT_EQ(real->ProcessId(), pid) << s.button->objectName().toStdString();
    SCOPED_TRACE(s.button->objectName().toStdString());
    if (s.stopped) {
      KV_WAIT_FOR(processState(pid) == 'T', 60000);
    } else {
      KV_WAIT_FOR(playing(), 60000);
    }
  }
  QTest::mouseClick(mf->StopBitBtn, Qt::LeftButton);
  EXPECT_EQ(real->ProcessId(), 0);
  qunsetenv("SDL_AUDIODRIVER");
}

TEST_F(AudioTitlesTest, WithoutARipperTheDriverNoticeShows) {
  mf->FRipperProgram = "kalvora-no-such-ripper";
  QString notice;
  modal.handlers["NoDriverForm"] = [&](QWidget* w) { notice = w->findChild<QLabel*>("InfoLabel")->text(); };
  mf->StartRipper();
  EXPECT_EQ(modal.shown, QStringList{"NoDriverForm"});
  EXPECT_EQ(notice, GetLanguageText(10204));
  EXPECT_FALSE(QFileInfo::exists(appDir + "Ripper.ini"));
}

TEST_F(AudioTitlesTest, TheRipperWritesItsTracksIntoTheSlideshow) {
  // A stand-in ripper: writes one CD track where it is started.
  const QString ripper = app.path() + "/ripper.sh";
  QByteArray track = waveBytes(44100, 2);
  writeText(app.path() + "/track.bin", track);
  writeText(ripper, "#!/bin/sh\ncp \"" + app.path().toUtf8() + "/track.bin\" track01.cdda.wav\n");
  QFile::setPermissions(ripper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  mf->FRipperProgram = ripper;
  mf->StartRipper();
  const kalvora::IniFile ini(appDir + "Ripper.ini");
  EXPECT_EQ(ini.readString("SETTINGS", "DiskPath"), root);
  EXPECT_EQ(ini.readString("SETTINGS", "DiashowDir"), "Archive_0003");
  EXPECT_EQ(audioNames(), "track01.cdda.wav");
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
}

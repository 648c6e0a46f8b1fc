// The production wizards as a user clicks them: every choice has its text, each video kind sets
// the run's Mode and HighQuality, the disk estimate refuses a video that does not fit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QTimer>

#include "FakeOpener.h"
#include "ScriptedPrompter.h"
#include "ShellOpen.h"
#include "TestSupport.h"
#include "fAnweisung.h"
#include "fDVD.h"
#include "fNoDriver.h"
#include "fWizardDVD.h"
#include "fWizardMake.h"

namespace {

// What the desktop was asked to open, and whether it could.
QStringList g_opened;
bool g_openWorks = true;
bool RecordOpen(const QString& path) {
  g_opened << path;
  return g_openWorks;
}

// Return as the user types it, into the widget that has the focus.
void PressReturn(QWidget* window) {
  QWidget* target = window->focusWidget() ? window->focusWidget() : window;
  QTest::keyClick(target, Qt::Key_Return);
}

TEST(DiskEstimate, NeededMegabytesAsTheFormulasSay) {
  EXPECT_EQ(NeededVideoMB(false, "VCD", 21, 5, 25, 12), 82);
  EXPECT_EQ(NeededVideoMB(false, "SVCD", 21, 5, 25, 12), 126);
  EXPECT_EQ(NeededVideoMB(true, "VCD", 21, 5, 25, 12), 62);
  // Far beyond 32 bits of megabytes does not wrap.
  EXPECT_GT(NeededVideoMB(false, "SVCD", 2000000000, 3600, 25, 12), int64_t(1) << 40);
  EXPECT_DOUBLE_EQ(CheckedSecondsPerPicture("2,5"), 2.5);
  EXPECT_DOUBLE_EQ(CheckedSecondsPerPicture("2.5"), 2.5);
  for (const char* bad : {"", "abc", "0", "0.03", "3601", "-1", "nan", "inf"})
    EXPECT_LT(CheckedSecondsPerPicture(bad), 0) << bad;
}

class DVDWizardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kalvora::SetPrompter(&prompter);
    wizard.PictureCount = [] { return 20; };
    wizard.SecondsPerPicture = [this] { return seconds; };
    wizard.ArchivePath = [] { return QDir::tempPath(); };
    wizard.FreeBytes = [this](const QString&) { return freeBytes; };
    wizard.Production = &run;
    wizard.StartRun = [this](TDVDForm* f) {
      ++started;
      mode = f->Mode;
      hq = f->HighQuality;
      pal = f->Pal;
    };
    hintCloser.setInterval(20);
    QObject::connect(&hintCloser, &QTimer::timeout, [this] {
      if (auto* h = qobject_cast<TAnweisungForm*>(QApplication::activeModalWidget())) {
        hintText = h->MakeLabel->text() + "|" + h->MakeSubLabel->text();
        h->SetModalResult(1);
      }
    });
    hintCloser.start();
  }
  void TearDown() override { kalvora::SetPrompter(nullptr); }

  kalvora::ScriptedPrompter prompter;
  TDVDWizardForm wizard;
  TDVDForm run;
  QString seconds = "5";
  int64_t freeBytes = int64_t(500) * 1024 * 1024;
  int started = 0;
  QString mode, hintText;
  bool hq = false, pal = true;
  QTimer hintCloser;
};

TEST_F(DVDWizardTest, EachKindSetsModeAndQuality) {
  struct Case {
    QRadioButton* TDVDWizardForm::*button;
    const char* mode;
    bool hq;
    const char* needed;
  };
  const Case cases[] = {
      {&TDVDWizardForm::VCDRadioButton, "VCD", false, "82 MB"},
      {&TDVDWizardForm::SVCDRadioButton, "SVCD", false, "126 MB"},
      {&TDVDWizardForm::NanoVCDRadioButton, "VCD", true, "62 MB"},
      {&TDVDWizardForm::NanoSVCDRadioButton, "SVCD", true, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    wizard.show();  // the estimate shows on activation
    EXPECT_FALSE((wizard.*c.button)->text().isEmpty());
    (wizard.*c.button)->click();
    if (c.needed) {
      EXPECT_EQ(wizard.DiashowSizeEdit->text(), c.needed);
    }
    EXPECT_EQ(wizard.FreeDiskEdit->text(), "500 MB");
    wizard.NTSCRadioButton->click();
    wizard.WeiterBitBtn->click();
    EXPECT_EQ(mode, c.mode);
    EXPECT_EQ(hq, c.hq);
    EXPECT_FALSE(pal);
    wizard.PalRadioButton->click();
  }
  EXPECT_EQ(started, 4);
  EXPECT_FALSE(wizard.PalRadioButton->text().isEmpty());
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
}

TEST_F(DVDWizardTest, NotEnoughSpaceShowsTheHintAndNothingRuns) {
  wizard.SVCDRadioButton->click();
  freeBytes = int64_t(125) * 1024 * 1024;  // 125 MB free, 126 needed
  wizard.WeiterBitBtn->click();
  EXPECT_EQ(started, 0);
  EXPECT_TRUE(hintText.startsWith(QString::fromUtf8("Nicht genügend Speicherplatz"))) << hintText.toStdString();
  EXPECT_FALSE(run.isVisible());
  // Exactly the needed space fits.
  freeBytes = int64_t(126) * 1024 * 1024;
  wizard.WeiterBitBtn->click();
  EXPECT_EQ(started, 1);
}

TEST_F(DVDWizardTest, SecondsPerPictureOutOfRangeIsRefused) {
  for (const char* bad : {"0", "abc", "5000"}) {
    seconds = bad;
    wizard.WeiterBitBtn->click();
  }
  EXPECT_EQ(started, 0);
  ASSERT_EQ(prompter.messageTexts().size(), 3);
  EXPECT_TRUE(prompter.messageTexts().first().contains("3600"));
}

// The real run behind the wizard: a slideshow of one picture, no music, no encoder. The
// preview button shows for every kind, the high-quality SVCD too.
TEST_F(DVDWizardTest, ThePreviewButtonShowsForEveryKind) {
  testsupport::TempFolder tmp;
  const QString root = tmp.path() + "/Archiv/";
  QDir().mkpath(root + "Archive_0001");
  QDir().mkpath(tmp.path() + "/Video/encoder");
  QImage picture(64, 48, QImage::Format_RGB888);
  picture.fill(Qt::darkCyan);
  ASSERT_TRUE(picture.save(root + "Archive_0001/Bild.jpg", "JPG"));
  ASSERT_TRUE(testsupport::writeBytes(root + "Archive_0001/Pictures.ini", "Bild.jpg | Strand\r\n"));
  run.TakeFromMainWindow = false;
  run.EncoderPresent = false;
  run.Frames.TransitionsOff = true;
  run.Run.AppDir = tmp.path() + "/";
  run.Run.ArchiveRoot = root;
  run.Run.ArchiveFolder = "Archive_0001";
  run.Run.VideoFolder = tmp.path() + "/Video/";
  run.Run.EncoderFolder = tmp.path() + "/Video/encoder/";
  run.Run.DiashowTitle = "Strand";
  run.Run.SecondsPerPicture = "1";
  wizard.StartRun = [this](TDVDForm* f) {
    ++started;
    f->MakeVideo();
  };
  QRadioButton* TDVDWizardForm::*const kinds[] = {&TDVDWizardForm::NanoSVCDRadioButton, &TDVDWizardForm::NanoVCDRadioButton,
                                                  &TDVDWizardForm::SVCDRadioButton, &TDVDWizardForm::NanoSVCDRadioButton,
                                                  &TDVDWizardForm::VCDRadioButton};
  int n = 0;
  for (QRadioButton* TDVDWizardForm::*kind : kinds) {
    SCOPED_TRACE((wizard.*kind)->objectName().toStdString());
    wizard.show();
    (wizard.*kind)->click();
    wizard.WeiterBitBtn->click();
    ASSERT_EQ(started, ++n);
    EXPECT_FALSE(run.Failed());
    EXPECT_TRUE(run.isVisible());
    EXPECT_TRUE(run.VideoBitBtn->isVisible());
    EXPECT_TRUE(run.VideoBitBtn->isEnabled());
    EXPECT_TRUE(run.CloseBitBtn->isEnabled());
    run.CloseBitBtn->click();  // the closing hint is answered by the fixture
    EXPECT_FALSE(run.isVisible());
  }
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
}

TEST_F(DVDWizardTest, ReturnGoesOnAndHelpOpensOnlyWhenAskedFor) {
  wizard.show();
  wizard.NanoVCDRadioButton->click();
  wizard.hide();
  wizard.show();  // the focus is on the chosen kind again
  EXPECT_EQ(wizard.focusWidget(), wizard.NanoVCDRadioButton);
  SetShellOpenHook(RecordOpen);
  g_opened.clear();
  PressReturn(&wizard);
  EXPECT_EQ(started, 1);
  EXPECT_TRUE(hq);
  EXPECT_TRUE(g_opened.isEmpty());
  SetShellOpenHook(nullptr);
}

TEST(WizardHelp, BothWizardsOpenTheProgramsHelpPageOrSayItIsMissing) {
  kalvora::ScriptedPrompter prompter;
  kalvora::SetPrompter(&prompter);
  testsupport::TempFolder app;
  const QByteArray oldAppDir = qgetenv("KALVORA_APPDIR");
  qputenv("KALVORA_APPDIR", (app.path() + "/").toUtf8());
  QDir().mkpath(app.path() + "/help");
  ASSERT_TRUE(testsupport::writeBytes(app.file("help/help.html"), "<html></html>"));
  SetShellOpenHook(RecordOpen);
  g_opened.clear();
  g_openWorks = true;
  TMakeWizzard make;
  TDVDWizardForm video;
  make.HilfeBitBtn->click();
  video.HilfeBitBtn->click();
  ASSERT_EQ(g_opened.size(), 2);
  for (const QString& page : g_opened) EXPECT_EQ(page, app.file("help/help.html"));
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  QFile::remove(app.file("help/help.html"));
  video.HilfeBitBtn->click();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().startsWith(QString::fromUtf8("Die Hilfeseite wurde nicht gefunden")));
  SetShellOpenHook(nullptr);
  qputenv("KALVORA_APPDIR", oldAppDir);
  kalvora::SetPrompter(nullptr);
}

TEST(ProductionPreview, TheVideoOpensInThePlayerOrTheUserIsTold) {
  kalvora::ScriptedPrompter prompter;
  kalvora::SetPrompter(&prompter);
  testsupport::TempFolder tmp;
  TDVDForm run;
  run.TakeFromMainWindow = false;
  run.Run.VideoFolder = tmp.path() + "/";
  run.Run.DiashowTitle = QString::fromUtf8("Urlaub Köln");
  run.Mode = "VCD";
  run.HighQuality = true;
  SetShellOpenHook(RecordOpen);
  g_opened.clear();
  // No video made yet.
  run.VideoBitBtn->click();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().last().startsWith(QString::fromUtf8("Das Video wurde nicht gefunden")));
  EXPECT_TRUE(g_opened.isEmpty());
  // The video is there but no player is: the desktop opener is not even tried.
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("urlaub_koeln_VCD.mpg"), QByteArray(2048, '\0')));
  QString player;
  TDVDForm::FindVideoPlayer = [&](const QString&) { return player; };
  g_openWorks = true;
  run.VideoBitBtn->click();
  ASSERT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("kein Programm zum Abspielen")));
  EXPECT_TRUE(g_opened.isEmpty());
  // The desktop has a player, but the opener fails.
  player = "desktop";
  g_openWorks = false;
  run.VideoBitBtn->click();
  ASSERT_EQ(prompter.messageTexts().size(), 3);
  EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("kein Programm zum Abspielen")));
  // The player takes it.
  g_openWorks = true;
  g_opened.clear();
  run.VideoBitBtn->click();
  EXPECT_EQ(g_opened, QStringList{tmp.file("urlaub_koeln_VCD.mpg")});
  EXPECT_EQ(prompter.messageTexts().size(), 3);
  // The desktop's opener starts, but the player it finds refuses to run: said all the same.
  SetShellOpenHook(nullptr);
  {
    testsupport::FakeOpener opener(4);
    run.VideoBitBtn->click();
    KV_WAIT_FOR(prompter.messageTexts().size() == 4, 60000);
    EXPECT_TRUE(prompter.messageTexts().last().contains(QString::fromUtf8("kein Programm zum Abspielen")));
    EXPECT_EQ(opener.asked(), QStringList{tmp.file("urlaub_koeln_VCD.mpg")});
  }
  TDVDForm::FindVideoPlayer = nullptr;
  kalvora::SetPrompter(nullptr);
}

TEST(MakeWizzardTest, EveryChoiceHasItsTextAndOneMustBeChosen) {
  kalvora::ScriptedPrompter prompter;
  kalvora::SetPrompter(&prompter);
  TMakeWizzard w;
  const auto radios = w.findChildren<QRadioButton*>();
  EXPECT_EQ(radios.size(), 11);
  for (QRadioButton* r : radios) EXPECT_FALSE(r->text().trimmed().isEmpty()) << r->objectName().toStdString();
  SetShellOpenHook(RecordOpen);
  g_opened.clear();
  w.show();
  w.WeiterBitBtn->click();
  EXPECT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(w.isVisible());
  // Return goes on (here: asks for a choice again), it never opens the help.
  PressReturn(&w);
  EXPECT_EQ(prompter.messageTexts().size(), 2);
  EXPECT_TRUE(g_opened.isEmpty());
  w.DVDRadioButton->click();
  PressReturn(&w);
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.result(), kalvora::mrOk);
  EXPECT_TRUE(g_opened.isEmpty());
  SetShellOpenHook(nullptr);
  kalvora::SetPrompter(nullptr);
}

TEST(NoDriverTest, TheNoticeSaysThereIsNoInstallerAndCloses) {
  kalvora::ScriptedPrompter prompter;
  kalvora::SetPrompter(&prompter);
  TNoDriverForm f;
  EXPECT_FALSE(f.Label1->text().isEmpty());
  EXPECT_FALSE(f.Memo1->toPlainText().isEmpty());
  EXPECT_TRUE(f.Memo2->toPlainText().contains("cdparanoia"));
  f.show();
  f.DownloadButton->click();
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(prompter.messageTexts().first().contains("cdparanoia"));
  EXPECT_FALSE(f.isVisible());
  f.show();
  f.AboartButton->click();
  EXPECT_FALSE(f.isVisible());
  kalvora::SetPrompter(nullptr);
}

}  // namespace

namespace {
TEST(MakeWizzardEscape, EscapeIsTheCancelButton) {
  TMakeWizzard w;
  w.PCRadioButton->setChecked(true);
  bool pressed = false;
  QTimer::singleShot(0, &w, [&] {
    // Inside ShowModal: once the wizard shows, Escape as the user presses it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return w.isVisible(); }, 60000)) << "the wizard never showed";
    QTest::keyClick(&w, Qt::Key_Escape);
    pressed = true;
    if (!QTest::qWaitFor([&] { return !w.isVisible(); }, 60000)) {
      ADD_FAILURE() << "Escape left the wizard open";
      w.done(QDialog::Accepted);  // ends ShowModal, which must not say Cancel then
    }
  });
  EXPECT_EQ(w.ShowModal(), kalvora::mrCancel);
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(w.isVisible());
}
}  // namespace

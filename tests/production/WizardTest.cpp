// The production wizards as a user clicks them: every choice has its text, each video kind sets
// the run's Mode and HighQuality, the disk estimate refuses a video that does not fit.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTimer>

#include "Prompter.h"
#include "fAnweisung.h"
#include "fDVD.h"
#include "fNoDriver.h"
#include "fWizardDVD.h"
#include "fWizardMake.h"

namespace {

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

TEST(MakeWizzardTest, EveryChoiceHasItsTextAndOneMustBeChosen) {
  kalvora::ScriptedPrompter prompter;
  kalvora::SetPrompter(&prompter);
  TMakeWizzard w;
  const auto radios = w.findChildren<QRadioButton*>();
  EXPECT_EQ(radios.size(), 11);
  for (QRadioButton* r : radios) EXPECT_FALSE(r->text().trimmed().isEmpty()) << r->objectName().toStdString();
  w.show();
  w.WeiterBitBtn->click();
  EXPECT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_TRUE(w.isVisible());
  w.DVDRadioButton->click();
  w.WeiterBitBtn->click();
  EXPECT_FALSE(w.isVisible());
  EXPECT_EQ(w.result(), kalvora::mrOk);
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

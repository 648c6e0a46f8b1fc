// The production step: the wizard's choices, the preselecting shortcuts and the page changes.
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTabWidget>

#include "ProductionFixture.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class DispatchTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.jpg"});
    selectArchive("Archive_0003");
    mf->Open1BitBtnClick();
    modal.shown.clear();
  }
  // The wizard closes with OK on the choice named.
  void choose(const char* radio) {
    const QString name = QString::fromLatin1(radio);
    modal.handlers["MakeWizzard"] = [name](QWidget* w) {
      w->findChild<QRadioButton*>(name)->setChecked(true);
      ModalDriver::finish(w, kalvora::mrOk);
    };
  }
  void exportOk() {
    modal.handlers["ExportForm"] = [](QWidget* w) {
      auto* list = w->findChild<QListWidget*>("CheckListBox");
      list->clear();
      (new QListWidgetItem("Archive_0003 Drei", list))->setCheckState(Qt::Checked);
      ModalDriver::finish(w, kalvora::mrOk);
    };
  }
};
}  // namespace

TEST_F(DispatchTest, AnEmptySlideshowShowsNoWizard) {
  mf->DiashowListBox->Clear();
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(modal.shown.isEmpty());
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10010)});
  mf->PreselectProduction("FotoLaborRadioButton");
  EXPECT_TRUE(modal.shown.isEmpty());
}

TEST_F(DispatchTest, PcOnlyGoesToTheSettingsPageAndTheButtonStartsThePlayer) {
  choose("PCRadioButton");
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, QStringList{"MakeWizzard"});
  EXPECT_EQ(mf->PageControl1->currentIndex(), 3);
  EXPECT_FALSE(mf->PageControl1->isTabVisible(0));
  EXPECT_TRUE(mf->FAudioPageShown);
  EXPECT_TRUE(prodtest::g_started.isEmpty());
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/Diashow.ini").isFile());

  QString headline;
  modal.handlers["AnweisungForm"] = [&](QWidget* w) {
    headline = w->findChild<QLabel*>("MakeLabel")->text();
    EXPECT_FALSE(w->findChild<QWidget*>("IconImage")->isHidden());
  };
  mf->MakeDiashowBitBtnClick();
  EXPECT_EQ(prodtest::g_started, (QStringList{mf->PlayerPath(), "TEST"}));
  EXPECT_EQ(headline, GetLanguageText(4602));
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(mf->PageControl1->isTabVisible(0));
  EXPECT_FALSE(mf->PageControl1->isTabVisible(3));
  EXPECT_FALSE(mf->FAudioPageShown);
}

TEST_F(DispatchTest, CancellingTheWizardRunsNothing) {
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, QStringList{"MakeWizzard"});
  EXPECT_EQ(mf->PageControl1->currentIndex(), 2);
}

TEST_F(DispatchTest, PhotoLabCdReplacesTheWholeExportFolder) {
  writeText(mf->FExportFolder + "Archive_0009/old.jpg", "old");
  QFile::remove(appDir + "NoZuschneidenTip2.ini");
  exportOk();
  QString sub;
  modal.handlers["AnweisungForm"] = [&](QWidget* w) { sub = w->findChild<QLabel*>("MakeSubLabel")->text(); };
  mf->FotolaborBitBtn->click();
  EXPECT_EQ(modal.shown, (QStringList{"ZuschneidenTipForm2", "ExportForm", "AnweisungForm"}));
  EXPECT_FALSE(QFileInfo::exists(mf->FExportFolder + "Archive_0009"));
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Archive_0003/a.jpg").isFile());
  EXPECT_FALSE(QFileInfo::exists(mf->FExportFolder + "Archive_0003/Pictures.ini"));
  EXPECT_EQ(sub, GetLanguageText(4620) + " " + mf->FExportFolder + " " + GetLanguageText(4621));
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
}

TEST_F(DispatchTest, OnlineOrderAndSlideshowCd) {
  choose("FotoEntwickungRadioButton");
  exportOk();
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "ExportForm", "OnlineFotoForm"}));
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Archive_0003/b.jpg").isFile());

  modal.shown.clear();
  choose("CDROMRadioButton");
  mf->PageControl1->setCurrentIndex(1);
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "ExportForm", "AnweisungForm"}));
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Slidoplay").isFile());
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Archive_0003/Pictures.ini").isFile());
}

TEST_F(DispatchTest, GalleryViewerAndScreensaverChoices) {
  choose("HTMLRadioButton");
  QFile::remove(root + "Archive_0003/Pictures.ini");
  // Closed without making a gallery: no hint that one was made.
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "HTMLForm"}));
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/Pictures.ini").isFile());
  EXPECT_FALSE(QFileInfo::exists(appDir + "gallery/gallery.html"));

  // Made, then closed: the hint names the gallery.
  modal.shown.clear();
  modal.handlers["HTMLForm"] = [](QWidget* w) {
    QTest::mouseClick(w->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
  };
  QString headline;
  modal.handlers["AnweisungForm"] = [&](QWidget* w) { headline = w->findChild<QLabel*>("MakeLabel")->text(); };
  mf->PageControl1->setCurrentIndex(1);
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "HTMLForm", "AnweisungForm"}));
  EXPECT_EQ(headline, GetLanguageText(4604));
  EXPECT_TRUE(QFileInfo(appDir + "gallery/gallery.html").isFile());
  modal.handlers.erase("HTMLForm");
  modal.handlers.erase("AnweisungForm");

  modal.shown.clear();
  choose("BetrachterRadioButton");
  mf->PageControl1->setCurrentIndex(1);
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "BetrachterForm"}));

  modal.shown.clear();
  choose("ScreenSaverRadioButton");
  mf->PageControl1->setCurrentIndex(1);
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "ExportForm"}));  // cancelled there
}

TEST_F(DispatchTest, PrintingGoesThroughTheSizeWizardAndThePaper) {
  mf->FPaperFormat.clear();
  modal.handlers["PrintSizeWizard"] = [](QWidget* w) { ModalDriver::finish(w, kalvora::mrOk); };
  mf->PreselectProduction("PrintAllRadioButton");
  EXPECT_EQ(modal.shown, QStringList{"PrintSizeWizard"});  // no paper: nothing printed
  EXPECT_TRUE(mf->FPrintAllPictures);

  modal.shown.clear();
  mf->FPaperFormat = "A5";
  mf->FPrintWidth = 7;
  mf->PreselectProduction("PrintAllRadioButton");
  ASSERT_GE(modal.shown.size(), 1);
  EXPECT_EQ(FindProgramWindow("QRListA5Form")->property("FPrintWidth").toInt(), 7);

  modal.shown.clear();
  mf->PreselectProduction("PrintRadioButton");
  EXPECT_EQ(modal.shown, QStringList{"PrintSelectForm"});  // cancelled: no print
  EXPECT_FALSE(mf->FPrintAllPictures);

  modal.shown.clear();
  mf->PreselectProduction("ThumbnailRadioButton");
  EXPECT_EQ(FindProgramWindow("QRThumbnailForm")->property("FPrintWidth").toInt(), 7);
  EXPECT_EQ(FindProgramWindow("QRThumbnailForm")->property("FPaperFormat").toString(), "A4");
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
}

TEST_F(DispatchTest, DvdChoiceRunsTheVideoWizardFromTheSettingsPage) {
  choose("DVDRadioButton");
  mf->PageControl1->setCurrentIndex(2);
  EXPECT_EQ(mf->PageControl1->currentIndex(), 3);
  mf->MakeDiashowBitBtnClick();
  EXPECT_EQ(modal.shown, (QStringList{"MakeWizzard", "DVDWizardForm"}));
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(prodtest::g_started.isEmpty());
}

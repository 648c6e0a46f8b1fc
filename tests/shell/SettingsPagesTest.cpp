// The general settings page as a user reaches and leaves it, and the tips switched back on.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "ProductionFixture.h"
#include "fTip.h"

using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class SettingsPagesTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.jpg"});
    mf->show();
  }
  // The pages whose tabs show, by name.
  QStringList shownTabs() const {
    QStringList out;
    for (int i = 0; i < mf->PageControl1->count(); ++i)
      if (mf->PageControl1->isTabVisible(i)) out << mf->PageControl1->widget(i)->objectName();
    return out;
  }
  QString currentPage() const { return mf->PageControl1->currentWidget()->objectName(); }
  // The tab bar marks the page that shows.
  bool tabMatchesPage() const {
    return mf->PageControl1->tabBar()->currentIndex() == mf->PageControl1->currentIndex() &&
           mf->PageControl1->isTabVisible(mf->PageControl1->currentIndex());
  }
  void openSlideshow(const QString& folder) {
    selectArchive(folder);
    QTest::mouseClick(mf->Open1BitBtn, Qt::LeftButton);
    ASSERT_EQ(mf->FArchiveFolder, folder);
  }
  void applyGeneralSettings() {
    mf->Allgemein1->trigger();
    ASSERT_EQ(currentPage(), "TabSheet2");
    EXPECT_TRUE(tabMatchesPage());
    QTest::mouseClick(mf->Uebernehmen2BitBtn, Qt::LeftButton);
  }
};
}  // namespace

// "Übernehmen" leads back to the page the settings were opened from, with the same tabs.
TEST_F(SettingsPagesTest, ApplyReturnsToThePageItCameFrom) {
  struct Case {
    const char* name;
    std::function<void()> reach;
    const char* page;
    QStringList tabs;
  } cases[] = {
      {"archive page, nothing open", [] {}, "TabSheet5", {"TabSheet5"}},
      {"first step", [this] { openSlideshow("Archive_0003"); }, "TabSheet1", {"TabSheet5", "TabSheet1", "TabSheet4"}},
      {"slideshow settings", [this] { mf->EinstellungenDiashow1->trigger(); }, "TabSheet3", {"TabSheet3"}},
      {"back from the settings", [this] { QTest::mouseClick(mf->AbbrechenBitBtn, Qt::LeftButton); }, "TabSheet1",
       {"TabSheet5", "TabSheet1", "TabSheet4"}},
      {"archive page, slideshow open", [this] { mf->PageControl1->setCurrentIndex(0); }, "TabSheet5",
       {"TabSheet5", "TabSheet1", "TabSheet4"}},
  };
  for (const Case& c : cases) {
    c.reach();
    ASSERT_EQ(currentPage(), c.page) << c.name;
    ASSERT_EQ(shownTabs(), c.tabs) << c.name;
    applyGeneralSettings();
    EXPECT_EQ(currentPage(), c.page) << c.name;
    EXPECT_EQ(shownTabs(), c.tabs) << c.name;
    EXPECT_TRUE(tabMatchesPage()) << c.name;
  }
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("\n").toStdString();
}

TEST_F(SettingsPagesTest, GeneralSettingsOpenAfterTheOpenSlideshowWasDeleted) {
  openSlideshow("Archive_0003");
  mf->PageControl1->setCurrentIndex(0);
  selectArchive("Archive_0003");
  prompter.answerMessage(kalvora::mrYes);
  QTest::mouseClick(mf->Delete1BitBtn, Qt::LeftButton);
  ASSERT_FALSE(QFileInfo::exists(root + "Archive_0003"));
  ASSERT_EQ(shownTabs(), QStringList{"TabSheet5"});
  mf->Allgemein1->trigger();
  EXPECT_EQ(currentPage(), "TabSheet2");
  EXPECT_EQ(shownTabs(), (QStringList{"TabSheet5", "TabSheet2"}));
  EXPECT_TRUE(tabMatchesPage());
  EXPECT_TRUE(mf->Uebernehmen2BitBtn->isVisible());
  QTest::mouseClick(mf->Uebernehmen2BitBtn, Qt::LeftButton);
  EXPECT_EQ(currentPage(), "TabSheet5");
  EXPECT_EQ(shownTabs(), QStringList{"TabSheet5"});
  EXPECT_TRUE(tabMatchesPage());
}

TEST_F(SettingsPagesTest, TheTitleFieldHasALabel) {
  mf->Allgemein1->trigger();
  ASSERT_NE(mf->TitleLabel, nullptr);
  EXPECT_TRUE(mf->TitleLabel->isVisible());
  EXPECT_EQ(mf->TitleLabel->buddy(), mf->TitleEdit);
  EXPECT_EQ(mf->TitleLabel->text(), GetLanguageText(1800));
  EXPECT_FALSE(mf->TitleLabel->text().isEmpty());
  // Right above its field.
  const int gap = mf->TitleEdit->geometry().top() - mf->TitleLabel->geometry().bottom();
  EXPECT_GE(gap, 0);
  EXPECT_LT(gap, 20);
}

// Tips switched off once come back with the general page's box, and stay on when the tip
// window is closed as it opens.
TEST_F(SettingsPagesTest, TipsSwitchedBackOnStayOn) {
  writeText(appDir + "tips/0001.tpp", "Erster Tipp");
  QList<bool> tickedOnOpening;
  bool tickBeforeClosing = true;
  modal.handlers["TipForm"] = [&](QWidget* w) {
    auto* tip = static_cast<TTipForm*>(w);
    tickedOnOpening << tip->CheckBox1->isChecked();
    if (tickBeforeClosing && !tip->CheckBox1->isChecked())
      QTest::mouseClick(tip->CheckBox1, Qt::LeftButton, {}, QPoint(6, tip->CheckBox1->height() / 2));
    QTest::mouseClick(tip->CloseBitBtn, Qt::LeftButton);
  };
  mf->Allgemein1->trigger();
  // Switched off: ticked and closed.
  QTest::mouseClick(mf->TipsCheckBox, Qt::LeftButton, {}, QPoint(6, mf->TipsCheckBox->height() / 2));
  ASSERT_TRUE(QFileInfo::exists(appDir + "NoTip.ini"));
  // Switched back on: the box of the tip window starts unticked, and closing keeps tips on.
  tickBeforeClosing = false;
  QTest::mouseClick(mf->TipsCheckBox, Qt::LeftButton, {}, QPoint(6, mf->TipsCheckBox->height() / 2));
  EXPECT_EQ(tickedOnOpening, (QList<bool>{false, false}));
  EXPECT_FALSE(QFileInfo::exists(appDir + "NoTip.ini"));
  // Each click shows the window once; closing it does not bring it back.
  QCoreApplication::processEvents();
  mf->FormActivate();
  EXPECT_EQ(modal.shown, (QStringList{"TipForm", "TipForm"}));
}

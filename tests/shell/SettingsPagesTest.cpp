// The general settings page as a user reaches and leaves it, and the tips switched back on.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QKeyEvent>
#include <QPushButton>
#include <QSpinBox>
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

// The effect box takes every key at once and shows the latest number; a preview plays only for
// the choice the keys came to rest on. Those it would have played for the numbers on the way
// are dropped: "3" of "30", 59 of 60 arrow presses, and the keys pressed while one plays.
TEST_F(SettingsPagesTest, TheEffectBoxShowsTheLatestChoiceAndPreviewsOnlyThat) {
  openSlideshow("Archive_0003");
  mf->EinstellungenDiashow1->trigger();
  ASSERT_EQ(currentPage(), "TabSheet3");
  QTest::mouseClick(mf->ONRadioButton, Qt::LeftButton);
  QSpinBox* box = mf->SpinEdit1;
  ASSERT_TRUE(box->isVisible());
  ASSERT_GE(box->maximum(), 95);
  QList<int> played;
  QList<int> keysDuring;  // effect numbers still to come when the posted keys arrive
  mf->OnEffectPreview = [&](int effect) {
    played << effect;
    // While this one plays, five more presses of the up arrow wait to be taken.
    if (!keysDuring.isEmpty() && keysDuring.takeFirst() == effect)
      for (int i = 0; i < 5; ++i) {
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier));
        QCoreApplication::postEvent(box, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Up, Qt::NoModifier));
      }
  };
  const auto settled = [&] { return !played.isEmpty() && !mf->FEffectPreviewTimer->isActive(); };

  box->setFocus();
  box->selectAll();
  QTest::keyClicks(box, "30");
  EXPECT_EQ(box->text(), "30");
  EXPECT_EQ(mf->FEffectNumber, 30);
  KV_WAIT_FOR(settled(), 60000);
  EXPECT_EQ(played, QList<int>{30});

  played.clear();
  for (int i = 0; i < 60; ++i) QTest::keyClick(box, Qt::Key_Up);
  EXPECT_EQ(box->value(), 90);
  EXPECT_EQ(mf->FEffectNumber, 90);
  KV_WAIT_FOR(settled(), 60000);
  EXPECT_EQ(played, QList<int>{90});

  // "Nochmal zeigen" plays at once; the keys pressed meanwhile lead to one more preview, of 95.
  played.clear();
  keysDuring = {90};
  QTest::mouseClick(mf->ShowAgainButton, Qt::LeftButton);
  EXPECT_EQ(played, QList<int>{90});
  KV_WAIT_FOR(played.size() == 2 && !mf->FEffectPreviewTimer->isActive(), 60000);
  EXPECT_EQ(box->value(), 95);
  EXPECT_EQ(played, (QList<int>{90, 95}));
  mf->OnEffectPreview = nullptr;
}

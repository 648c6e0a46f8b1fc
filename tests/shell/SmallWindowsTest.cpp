// The About box, the instructions, the tips and the products page.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>

#include "FakeOpener.h"
#include "ProductionFixture.h"
#include "fAbout.h"
#include "fAnweisung.h"
#include "fOpen.h"
#include "fTip.h"
#include "fWerbung.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class SmallWindowsTest : public ProductionTest {};
}  // namespace

TEST_F(SmallWindowsTest, TipsStepUntilTheLastAndCanBeSwitchedOff) {
  writeText(appDir + "tips/0001.tpp", "Erster Tipp");
  writeText(appDir + "tips/0002.tpp", "Zweiter Tipp");
  QStringList seen;
  bool enabledAtEnd = true;
  modal.handlers["TipForm"] = [&](QWidget* w) {
    auto* tip = static_cast<TTipForm*>(w);
    seen << tip->Memo1->toPlainText();
    tip->NextTipBitBtn->click();
    seen << tip->Memo1->toPlainText();
    tip->NextTipBitBtn->click();
    seen << tip->Memo1->toPlainText();
    enabledAtEnd = tip->NextTipBitBtn->isEnabled();
    tip->CheckBox1->setChecked(true);
    tip->CloseBitBtn->click();
  };
  mf->TipsCheckBoxClick();  // deletes NoTip.ini first
  EXPECT_EQ(seen, (QStringList{"Erster Tipp", "Zweiter Tipp", "Zweiter Tipp"}));
  EXPECT_FALSE(enabledAtEnd);
  EXPECT_TRUE(QFileInfo(appDir + "NoTip.ini").isFile());
  EXPECT_EQ(QFileInfo(appDir + "NoTip.ini").size(), 0);
  EXPECT_EQ(TipForm->windowTitle(), GetLanguageText(4803));
}

TEST_F(SmallWindowsTest, TipsShowOncePerStartOnActivation) {
  QFile::remove(appDir + "NoTip.ini");
  mf->FormActivate();
  mf->FormActivate();
  EXPECT_EQ(modal.shown, QStringList{"TipForm"});
}

TEST_F(SmallWindowsTest, AboutBoxOpensThePagesAndReportsARefusal) {
  AboutBox->URLLabelClick();
  AboutBox->MailLabelClick();
  EXPECT_EQ(prodtest::g_opened, (QStringList{ProductPageAddress, "mailto:" + ContactMailAddress}));
  EXPECT_TRUE(prompter.messageTexts().isEmpty());
  prodtest::g_openResult = false;
  AboutBox->UpdateButtonClick();
  mf->Update1Click();
  // A web address that nothing opens is named, in German, with the missing browser.
  EXPECT_EQ(prompter.messageTexts(), QStringList(2, GetLanguageText(14007) + "\n" + ProductPageAddress));
  AboutBox->MailLabelClick();
  EXPECT_EQ(prompter.messageTexts().value(2), GetLanguageText(14009) + "\n" + ContactMailAddress);
  EXPECT_TRUE(GetLanguageText(14007).startsWith(QString::fromUtf8("Die Internetseite konnte nicht geöffnet werden")));
  mf->Info1Click();
  EXPECT_EQ(modal.shown, QStringList{"AboutBox"});
  EXPECT_EQ(AboutBox->VersionLabel->text(), VersionText);
}

TEST_F(SmallWindowsTest, InstructionsOpenTheBurningHelpAndReturnToTheFirstStep) {
  writeText(appDir + "help/vcd.html", "<html></html>");
  AnweisungForm->NeroBitBtnClick();
  EXPECT_EQ(prodtest::g_opened, QStringList{appDir + "help/vcd.html"});
  prodtest::g_openResult = false;
  AnweisungForm->NeroBitBtnClick();
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(14006) + "\n" + appDir + "help/vcd.html"});
  mf->PageControl1->setTabVisible(1, true);
  modal.handlers["AnweisungForm"] = [](QWidget* w) { static_cast<TAnweisungForm*>(w)->OkBitBtn->click(); };
  EXPECT_EQ(AnweisungForm->ShowModal(), kalvora::mrOk);
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_EQ(AnweisungForm->windowTitle(), GetLanguageText(4626));
}

// The desktop's opener starts but then finds no browser that runs: "Anleitung" and the web
// addresses say so, as when nothing could be started at all.
TEST_F(SmallWindowsTest, InstructionsAndAddressesSayWhenTheOpenerGivesUp) {
  writeText(appDir + "help/vcd.html", "<html></html>");
  SetShellOpenHook(nullptr);
  testsupport::FakeOpener opener(3);
  AnweisungForm->show();
  AnweisungForm->NeroBitBtn->click();
  KV_WAIT_FOR(prompter.messageTexts().size() == 1, 60000);
  EXPECT_EQ(prompter.messageTexts().first(), GetLanguageText(14006) + "\n" + appDir + "help/vcd.html");
  AnweisungForm->hide();
  AboutBox->URLLabelClick();
  KV_WAIT_FOR(prompter.messageTexts().size() == 2, 60000);
  EXPECT_EQ(prompter.messageTexts().last(), GetLanguageText(14007) + "\n" + ProductPageAddress);
  EXPECT_EQ(opener.asked(), (QStringList{appDir + "help/vcd.html", ProductPageAddress}));
}

TEST_F(SmallWindowsTest, ProductsPageWritesItsMarkerWhenTicked) {
  QFile::remove(appDir + "NoWer.ini");
  modal.handlers["WerbungForm"] = [](QWidget* w) {
    static_cast<TWerbungForm*>(w)->CheckBox1->setChecked(true);
    w->close();
  };
  WerbungForm->ShowModal();
  EXPECT_TRUE(QFileInfo(appDir + "NoWer.ini").isFile());
  auto* more = WerbungForm->findChildren<QPushButton*>().value(0);
  ASSERT_NE(more, nullptr);
  more->click();
  EXPECT_EQ(prodtest::g_opened.size(), 1);
}

TEST_F(SmallWindowsTest, ProductsPageClosesWithItsOwnButtonOrEscape) {
  QFile::remove(appDir + "NoWer.ini");
  modal.handlers["WerbungForm"] = [](QWidget* w) {
    auto* close = w->findChild<QPushButton*>("CloseBitBtn");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QString::fromUtf8("Schließen"));
    EXPECT_TRUE(close->isVisible());
    close->click();
  };
  EXPECT_EQ(WerbungForm->ShowModal(), kalvora::mrOk);
  EXPECT_FALSE(QFileInfo(appDir + "NoWer.ini").exists());
  modal.handlers["WerbungForm"] = [](QWidget* w) {
    static_cast<TWerbungForm*>(w)->CheckBox1->setChecked(true);
    QTest::keyClick(w, Qt::Key_Escape);
  };
  WerbungForm->ShowModal();
  EXPECT_FALSE(WerbungForm->isVisible());
  // Escape closed it, not the driver cancelling what was left open.
  EXPECT_TRUE(modal.leftOpen.isEmpty()) << modal.leftOpen.join(",").toStdString();
  EXPECT_TRUE(QFileInfo(appDir + "NoWer.ini").isFile());
}

TEST_F(SmallWindowsTest, OpenFormTextsFollowItsMode) {
  OpenForm->Mode = 1;
  OpenForm->FormActivate();
  EXPECT_EQ(OpenForm->DoLabel->text(), GetLanguageText(4205));
  EXPECT_EQ(OpenForm->OpenBitBtn->text(), GetLanguageText(4206));
  OpenForm->Mode = 0;
  OpenForm->FormActivate();
  EXPECT_EQ(OpenForm->DoLabel->text(), GetLanguageText(4203));
  EXPECT_EQ(OpenForm->windowTitle(), GetLanguageText(4202));
}

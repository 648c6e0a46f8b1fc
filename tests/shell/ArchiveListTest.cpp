// The archive page: the list of slideshows, creating, opening, deleting and importing.
#include <QLineEdit>
#include <QMenu>
#include <QTabWidget>

#include "ProductionFixture.h"
#include "fNew.h"

using prodtest::ModalDriver;
using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
class ArchiveListTest : public ProductionTest {};
}  // namespace

TEST_F(ArchiveListTest, ListsOnlySlideshowFoldersAndSelectsTheLastMatchingTitle) {
  makeSlideshow("Archive_0003", "Urlaub", {"a.jpg"});
  makeSlideshow("Archive_0004", "Urlaub", {"a.jpg"});
  writeText(root + "Archive_0005/Diashow.ini", "[DIASHOW]\r\nTime=3\r\n");  // no title
  writeText(root + "Archive_0007.bak/Diashow.ini", "[DIASHOW]\r\nTitel=Alt\r\n");
  writeText(root + "Model/Diashow.ini", "[DIASHOW]\r\nTitel=Modell\r\n");
  writeText(root + "Archive_0008/Pictures.ini", "a.jpg\r\n");           // no Diashow.ini
  writeText(root + "Archive_0009", "a file where a folder is expected");  // a file
  writeText(root + "Archive_0010/Diashow.ini/x", "");                     // Diashow.ini is a folder
  mf->FDiashowTitle = "Urlaub";
  mf->FillArchiveList();
  const QStringList lines = archiveLines();
  EXPECT_TRUE(lines.contains("Archive_0003 Urlaub"));
  EXPECT_TRUE(lines.contains("Archive_0005  "));
  for (const QString& l : lines) {
    EXPECT_FALSE(l.startsWith("Archive_0007")) << l.toStdString();
    EXPECT_FALSE(l.startsWith("Model")) << l.toStdString();
    EXPECT_FALSE(l.startsWith("Archive_0008")) << l.toStdString();
    EXPECT_FALSE(l.startsWith("Archive_0009")) << l.toStdString();
    EXPECT_FALSE(l.startsWith("Archive_0010")) << l.toStdString();
    EXPECT_FALSE(l.startsWith("del")) << l.toStdString();
  }
  ASSERT_NE(mf->OpenListBox->currentItem(), nullptr);
  EXPECT_EQ(mf->OpenListBox->currentItem()->text(), "Archive_0004 Urlaub");
}

TEST_F(ArchiveListTest, OpenAndDeleteNeedASelection) {
  mf->OpenListBox->setCurrentRow(-1);
  mf->Open1BitBtnClick();
  mf->Delete1BitBtnClick();
  mf->BetrachterBitBtnClick();
  EXPECT_EQ(prompter.messageTexts(), QStringList(3, GetLanguageText(10026)));
  EXPECT_TRUE(QFileInfo(root + "Archive_0001").isDir());
}

TEST_F(ArchiveListTest, OpenShowsTheWorkingPages) {
  makeSlideshow("Archive_0003", "Garten", {"a.jpg", "b.jpg"});
  selectArchive("Archive_0003");
  mf->Open1BitBtnClick();
  EXPECT_EQ(mf->FArchiveFolder, "Archive_0003");
  EXPECT_EQ(mf->FDiashowTitle, "Garten");
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(mf->PageControl1->isTabVisible(1));
  EXPECT_TRUE(mf->PageControl1->isTabVisible(2));
  EXPECT_TRUE(mf->EinstellungenDiashow1->isEnabled());
  EXPECT_EQ(mf->DiashowListBox->Count(), 2);
}

TEST_F(ArchiveListTest, DeleteMovesTheSlideshowToTheTrashAfterYes) {
  makeSlideshow("Archive_0003", "Weg", {"a.jpg"});
  selectArchive("Archive_0003");
  prompter.answerMessage(kalvora::mrNo);
  mf->Delete1BitBtnClick();
  EXPECT_TRUE(QFileInfo(root + "Archive_0003").isDir());
  selectArchive("Archive_0003");
  prompter.answerMessage(kalvora::mrYes);
  mf->Delete1BitBtnClick();
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0003"));
  EXPECT_TRUE(QFileInfo(trashFiles() + "Archive_0003/a.jpg").isFile());
  for (const QString& l : archiveLines()) EXPECT_FALSE(l.startsWith("Archive_0003"));
  EXPECT_NE(mf->FArchiveFolder, "Archive_0003");
  EXPECT_FALSE(messageContains(GetLanguageText(10009)));
}

TEST_F(ArchiveListTest, NewSlideshowTakesAFreeFolderAndCancelChangesNothing) {
  const QString before = mf->FArchiveFolder;
  mf->NewBitBtnClick();  // the driver cancels the dialog
  EXPECT_EQ(mf->FArchiveFolder, before);
  EXPECT_EQ(mf->PageControl1->currentIndex(), 0);

  writeText(root + "Archive_0003", "a file that takes the next folder's name");
  modal.handlers["NewForm"] = [](QWidget* w) {
    static_cast<TNewForm*>(w)->Edit1->setText("Sommer 2026");
    static_cast<TNewForm*>(w)->BitBtn1->click();
  };
  mf->FKeptPictureLines.append(TMainForm::KeptPictureLine{"../outside.jpg | alt", {}});
  mf->NewBitBtnClick();
  EXPECT_EQ(mf->FDiashowTitle, "Sommer 2026");
  EXPECT_EQ(mf->TitleEdit->text(), "Sommer 2026");
  EXPECT_EQ(mf->FArchiveFolder, "Archive_0004");
  EXPECT_TRUE(mf->FKeptPictureLines.isEmpty());
  EXPECT_EQ(mf->PageControl1->currentIndex(), 1);
  EXPECT_TRUE(mf->windowTitle().endsWith(" - Archiv: Sommer 2026"));
}

TEST_F(ArchiveListTest, ImportTakesFreeNumbersAndRefreshesOnlyItsOwnImports) {
  const QString slidora = mf->FSlidoraFolder;
  writeText(slidora + "Diashow_7/Diashow.ini", "[DIASHOW]\r\nTitel=Sieben\r\n");
  writeText(slidora + "Diashow_7/a.jpg", "seven");
  writeText(slidora + "Diashow_7/.hidden", "no");
  writeText(slidora + "Diashow_3/Diashow.ini", "[DIASHOW]\r\nTitel=Drei\r\n");
  writeText(slidora + "Other/Diashow.ini", "[DIASHOW]\r\nTitel=Anders\r\n");
  writeText(slidora + "Diashow_9.txt", "a file");
  // The user's own slideshow in a folder the first import would have taken.
  makeSlideshow("Archive_1001", "Meins", {"m.jpg"});

  prompter.answerMessage(kalvora::mrNo);
  mf->ImportSlidoraClick();
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_1002"));

  prompter.answerMessage(kalvora::mrYes);
  mf->ImportSlidoraClick();
  EXPECT_EQ(kalvora::IniFile(root + "Archive_1001/Diashow.ini").readString("DIASHOW", "Titel"), "Meins");
  EXPECT_EQ(kalvora::IniFile(root + "Archive_1002/Diashow.ini").readString("DIASHOW", "Titel"), "Drei");
  EXPECT_EQ(kalvora::IniFile(root + "Archive_1003/Diashow.ini").readString("DIASHOW", "Titel"), "Sieben");
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_1003/.hidden"));
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_1004"));
  EXPECT_TRUE(archiveLines().contains("Archive_1003 Sieben"));
  EXPECT_EQ(mf->PageControl1->currentIndex(), 0);

  // Importing again overwrites what was imported, and only that.
  writeText(root + "Archive_1003/a.jpg", "changed by the user");
  prompter.answerMessage(kalvora::mrYes);
  mf->ImportSlidoraClick();
  EXPECT_EQ(testsupport::readBytes(root + "Archive_1003/a.jpg"), "seven");
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_1004"));
  EXPECT_TRUE(QFileInfo(root + "Archive_1001/m.jpg").isFile());
}

TEST_F(ArchiveListTest, ImportWithoutTheSiblingsFolderSaysSo) {
  prompter.answerMessage(kalvora::mrYes);
  mf->ImportSlidoraClick();
  EXPECT_TRUE(messageContains(GetLanguageText(10207)));
}

TEST_F(ArchiveListTest, NewFormClosesWithEnterAndEscape) {
  auto* dialog = static_cast<TNewForm*>(FindProgramWindow("NewForm"));
  EXPECT_EQ(dialog->windowTitle(), GetLanguageText(1803));
  EXPECT_EQ(dialog->Label1->text(), GetLanguageText(1800));
  modal.handlers["NewForm"] = [](QWidget* w) {
    static_cast<TNewForm*>(w)->Edit1->setText("Sommer");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(static_cast<TNewForm*>(w)->Edit1, &enter);
  };
  EXPECT_EQ(dialog->ShowModal(), kalvora::mrOk);
  modal.handlers["NewForm"] = [](QWidget* w) {
    QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(static_cast<TNewForm*>(w)->BitBtn1, &esc);
  };
  EXPECT_EQ(dialog->ShowModal(), kalvora::mrCancel);
  // Closed by the keys, not by the driver cancelling what was left open.
  EXPECT_TRUE(modal.leftOpen.isEmpty()) << modal.leftOpen.join(",").toStdString();
}

TEST_F(ArchiveListTest, RemoveButtonsKeepFilesWithoutAnExplicitYes) {
  makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.jpg"});
  mf->OpenArchive("Archive_0003");
  ASSERT_EQ(mf->DiashowListBox->Count(), 2);
  mf->DiashowListBox->Clear();
  mf->SpeedButton3Click();  // "<" on an empty list
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/a.jpg").isFile());
  mf->OpenArchive("Archive_0003");
  prompter.answerMessage(kalvora::mrCancel);
  mf->SpeedButton4Click();  // "<<", the question closed
  EXPECT_EQ(mf->DiashowListBox->Count(), 2);
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/b.jpg").isFile());
  prompter.answerMessage(kalvora::mrYes);
  mf->SpeedButton4Click();
  EXPECT_EQ(mf->DiashowListBox->Count(), 0);
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0003/a.jpg"));
}

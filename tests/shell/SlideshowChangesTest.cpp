// What the user made in a slideshow is not lost, through the real windows: unsaved changes are
// asked for before they are dropped, a slideshow whose folder name holds a blank is the one
// acted on, a picture missing for a while keeps its line, a save that fails says so and keeps
// the old files, and what the program made for itself goes at exit.
#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <iostream>

#include "AsUser.h"
#include "ListItems.h"
#include "ProductionFixture.h"
#include "SmallDisk.h"
#include "StringHelpers.h"
#include "fBetrachter.h"
#include "fExport.h"
#include "fNew.h"

using prodtest::ProductionTest;
using prodtest::writeJpeg;
using shelltest::writeText;

namespace {
class SlideshowChangesTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.jpg"});
    makeSlideshow("Archive_0004", "Vier", {"c.jpg"});
    mf->resize(1000, 800);
    mf->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mf));
  }

  // Selects the archive list line with the text given.
  void selectLine(const QString& text) {
    mf->PageControl1->setCurrentIndex(0);
    mf->FillArchiveList();
    const auto found = mf->OpenListBox->findItems(text, Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << text.toStdString();
    mf->OpenListBox->setCurrentItem(found[0]);
  }

  // Opens a slideshow from the archive page with its button.
  void openWithButton(const QString& folder) {
    mf->PageControl1->setCurrentIndex(0);
    selectArchive(folder);
    mf->Open1BitBtn->click();
  }

  // Clicks the item, types its caption and presses Return, as a user does.
  void typeCaption(int index, const QString& text) {
    clickItem(index);
    mf->TextEdit->selectAll();
    QTest::keyClicks(mf->TextEdit, text);
    QTest::keyClick(mf->TextEdit, Qt::Key_Return);
    ASSERT_EQ(ItemCaption(mf->DiashowListBox->Item(index)), text);
  }

  QStringList names() const {
    QStringList out;
    for (int i = 0; i < mf->DiashowListBox->Count(); ++i) out << ItemFileName(mf->DiashowListBox->Item(i));
    return out;
  }

  QByteArray pictureList(const QString& folder) const {
    return testsupport::readBytes(root + folder + "/Pictures.ini");
  }

  // The questions about unsaved changes asked so far.
  int changeQuestions() const {
    int n = 0;
    for (const auto& q : prompter.questions()) {
      if (!q.text.startsWith(GetLanguageText(10350))) continue;
      ++n;
      EXPECT_EQ(q.buttons, kalvora::mbYes | kalvora::mbNo | kalvora::mbCancel);
    }
    return n;
  }

  QString thumbnailOf(int index) const { return FileNamePart(ItemThumbnailPath(mf->DiashowListBox->Item(index))); }
};

enum class Road { Exit, OpenAnother, New, DeleteAnother };
struct ChangeCase {
  Road road;
  int answer;
};

std::string caseName(const ::testing::TestParamInfo<ChangeCase>& info) {
  static const char* roads[] = {"Exit", "OpenAnother", "New", "DeleteAnother"};
  const char* answer = info.param.answer == kalvora::mrYes ? "Ja" : info.param.answer == kalvora::mrNo ? "Nein" : "Abbrechen";
  return std::string(roads[int(info.param.road)]) + "_" + answer;
}

class UnsavedChangesTest : public SlideshowChangesTest, public ::testing::WithParamInterface<ChangeCase> {};
}  // namespace

TEST_P(UnsavedChangesTest, AreAskedForBeforeTheyAreDropped) {
  const ChangeCase c = GetParam();
  openWithButton("Archive_0003");
  ASSERT_EQ(mf->FArchiveFolder, "Archive_0003");
  const QByteArray before = pictureList("Archive_0003");
  typeCaption(1, "Neuer Text");
  ASSERT_EQ(pictureList("Archive_0003"), before);  // the edit alone writes nothing
  switch (c.road) {
    case Road::Exit:
      prompter.answerMessage(c.answer);
      mf->Programmbeenden1->trigger();
      break;
    case Road::OpenAnother:
      prompter.answerMessage(c.answer);
      openWithButton("Archive_0004");
      break;
    case Road::New:
      modal.handlers["NewForm"] = [](QWidget* w) {
        static_cast<TNewForm*>(w)->Edit1->setText("Neu");
        static_cast<TNewForm*>(w)->BitBtn1->click();
      };
      prompter.answerMessage(c.answer);
      mf->PageControl1->setCurrentIndex(0);
      mf->NewBitBtn->click();
      break;
    case Road::DeleteAnother:
      mf->PageControl1->setCurrentIndex(0);
      selectArchive("Archive_0004");
      prompter.answerMessage(kalvora::mrYes).answerMessage(c.answer);  // delete it: yes
      mf->Delete1BitBtn->click();
      break;
  }
  EXPECT_EQ(changeQuestions(), 1);
  if (c.answer == kalvora::mrYes) {
    EXPECT_EQ(pictureList("Archive_0003"), "a.jpg | Text a.jpg\r\nb.jpg | Neuer Text\r\n");
  } else {
    EXPECT_EQ(pictureList("Archive_0003"), before);
  }
  if (c.answer == kalvora::mrCancel) {
    // Nothing happened: the slideshow is open with the edit, the other one is still there.
    EXPECT_TRUE(mf->isVisible());
    EXPECT_EQ(mf->FArchiveFolder, "Archive_0003");
    EXPECT_EQ(ItemCaption(mf->DiashowListBox->Item(1)), "Neuer Text");
    EXPECT_TRUE(QFileInfo(root + "Archive_0004/c.jpg").isFile());
    return;
  }
  switch (c.road) {
    case Road::Exit: EXPECT_FALSE(mf->isVisible()); break;
    case Road::OpenAnother: EXPECT_EQ(names(), QStringList{"c.jpg"}); break;
    case Road::New: EXPECT_EQ(mf->FDiashowTitle, "Neu"); break;
    case Road::DeleteAnother: EXPECT_FALSE(QFileInfo::exists(root + "Archive_0004")); break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Roads, UnsavedChangesTest,
    ::testing::Values(ChangeCase{Road::Exit, kalvora::mrYes}, ChangeCase{Road::Exit, kalvora::mrNo},
                      ChangeCase{Road::Exit, kalvora::mrCancel}, ChangeCase{Road::OpenAnother, kalvora::mrYes},
                      ChangeCase{Road::OpenAnother, kalvora::mrNo}, ChangeCase{Road::OpenAnother, kalvora::mrCancel},
                      ChangeCase{Road::New, kalvora::mrYes}, ChangeCase{Road::New, kalvora::mrNo},
                      ChangeCase{Road::New, kalvora::mrCancel}, ChangeCase{Road::DeleteAnother, kalvora::mrYes},
                      ChangeCase{Road::DeleteAnother, kalvora::mrNo},
                      ChangeCase{Road::DeleteAnother, kalvora::mrCancel}),
    caseName);

TEST_F(SlideshowChangesTest, NoQuestionWhenNothingWouldBeLost) {
  // Opened and left, reopened, saved after an edit, or a title typed for a slideshow that has
  // no picture yet.
  openWithButton("Archive_0003");
  openWithButton("Archive_0004");
  openWithButton("Archive_0004");
  typeCaption(0, "Gespeichert");
  mf->Uebernehmen2BitBtn->click();  // saves the open slideshow
  EXPECT_EQ(pictureList("Archive_0004"), "c.jpg | Gespeichert\r\n");
  modal.handlers["NewForm"] = [](QWidget* w) {
    static_cast<TNewForm*>(w)->Edit1->setText("Leer");
    static_cast<TNewForm*>(w)->BitBtn1->click();
  };
  mf->PageControl1->setCurrentIndex(0);
  mf->NewBitBtn->click();
  ASSERT_EQ(mf->FDiashowTitle, "Leer");
  mf->Programmbeenden1->trigger();
  EXPECT_FALSE(mf->isVisible());
  EXPECT_EQ(changeQuestions(), 0);
}

TEST_F(SlideshowChangesTest, ATitleOrTimeChangedIsAChangeToo) {
  openWithButton("Archive_0003");
  mf->TitleEdit->selectAll();
  QTest::keyClicks(mf->TitleEdit, "Drei neu");
  prompter.answerMessage(kalvora::mrYes);
  openWithButton("Archive_0004");
  EXPECT_EQ(changeQuestions(), 1);
  EXPECT_EQ(kalvora::IniFile(root + "Archive_0003/Diashow.ini").readString("DIASHOW", "Titel"), "Drei neu");
  mf->SecEdit->selectAll();
  QTest::keyClicks(mf->SecEdit, "9");
  prompter.answerMessage(kalvora::mrNo);
  mf->Programmbeenden1->trigger();
  EXPECT_EQ(changeQuestions(), 2);
  EXPECT_EQ(kalvora::IniFile(root + "Archive_0004/Diashow.ini").readString("DIASHOW", "Time"), "4");
}

TEST_F(SlideshowChangesTest, AFolderNameWithABlankIsTheSlideshowActedOn) {
  // The original and the copy a file manager makes of it.
  makeSlideshow("Archive_0005", "Original", {"o.jpg"});
  makeSlideshow("Archive_0005 Kopie", "Kopie", {"k.jpg"});

  selectLine("Archive_0005 Kopie Kopie");
  mf->Open1BitBtn->click();
  EXPECT_EQ(mf->FArchiveFolder, "Archive_0005 Kopie");
  EXPECT_EQ(mf->FDiashowTitle, "Kopie");
  EXPECT_EQ(names(), QStringList{"k.jpg"});

  QStringList viewed;
  modal.handlers["BetrachterForm"] = [&](QWidget*) { viewed = listTexts(BetrachterForm->PicturesListBox); };
  selectLine("Archive_0005 Kopie Kopie");
  mf->BetrachterBitBtn->click();
  EXPECT_EQ(viewed, QStringList{root + "Archive_0005 Kopie/k.jpg"});

  // The export window lists the copy, and the export takes its folder.
  ExportForm->FormActivate();
  const auto entries = ExportForm->CheckListBox->findItems("Archive_0005 Kopie Kopie", Qt::MatchExactly);
  ASSERT_EQ(entries.size(), 1);
  entries[0]->setCheckState(Qt::Checked);
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  EXPECT_TRUE(mf->ExportToCd(true));
  EXPECT_EQ(QDir(mf->FExportFolder + "Archive_0005 Kopie").entryList(QDir::Files), QStringList{"k.jpg"});
  EXPECT_FALSE(QFileInfo::exists(mf->FExportFolder + "Archive_0005"));

  // Deleting: the question names the copy, and the copy goes.
  selectLine("Archive_0005 Kopie Kopie");
  prompter.answerMessage(kalvora::mrYes);
  mf->Delete1BitBtn->click();
  ASSERT_FALSE(prompter.messageTexts().isEmpty());
  EXPECT_TRUE(prompter.messageTexts().last().endsWith("Kopie (Archive_0005 Kopie)"))
      << prompter.messageTexts().last().toStdString();
  EXPECT_TRUE(QFileInfo(root + "Archive_0005/o.jpg").isFile());
  EXPECT_FALSE(QFileInfo::exists(root + "Archive_0005 Kopie"));
  EXPECT_TRUE(QFileInfo(trashFiles() + "Archive_0005 Kopie/k.jpg").isFile());
  EXPECT_EQ(changeQuestions(), 0);
}

TEST_F(SlideshowChangesTest, APictureMissingForAWhileKeepsItsLineAndCaption) {
  makeSlideshow("Archive_0005", "Fünf", {"a.jpg", "weg.jpg", "b.jpg"});
  ASSERT_TRUE(QFile::rename(root + "Archive_0005/weg.jpg", root + "weg.jpg"));  // renamed for a while
  openWithButton("Archive_0005");
  EXPECT_EQ(names(), (QStringList{"a.jpg", "b.jpg"}));
  EXPECT_TRUE(prompter.messageTexts().contains(GetLanguageText(10351) + "\nweg.jpg"))
      << prompter.messageTexts().join("|").toStdString();

  // Worked on and saved: the line stays in its place; a new picture of that name gets another.
  typeCaption(1, "Zweites");
  writeJpeg(home() + "weg.jpg");
  mf->AddPictureToDiashow(home() + "weg.jpg", -1);
  EXPECT_EQ(names(), (QStringList{"a.jpg", "b.jpg", "weg_1.jpg"}));
  EXPECT_TRUE(mf->SaveAndStartPlayer(false));
  EXPECT_EQ(pictureList("Archive_0005"), "a.jpg | Text a.jpg\r\nweg.jpg | Text weg.jpg\r\nb.jpg | Zweites\r\nweg_1.jpg\r\n");
  // The item before it removed: the line goes to the start.
  mf->RemovePictureFromDiashow(0);
  EXPECT_EQ(pictureList("Archive_0005"), "weg.jpg | Text weg.jpg\r\nb.jpg | Zweites\r\nweg_1.jpg\r\n");

  // Back again: listed with its caption.
  ASSERT_TRUE(QFile::rename(root + "weg.jpg", root + "Archive_0005/weg.jpg"));
  const int messages = int(prompter.messageTexts().size());
  openWithButton("Archive_0005");
  EXPECT_EQ(names(), (QStringList{"weg.jpg", "b.jpg", "weg_1.jpg"}));
  EXPECT_EQ(ItemCaption(mf->DiashowListBox->Item(0)), "Text weg.jpg");
  EXPECT_EQ(prompter.messageTexts().size(), messages);
}

TEST_F(SlideshowChangesTest, APictureTwoItemsShowStaysUntilTheLastOneGoes) {
  const QString folder = root + "Archive_0005/";
  makeSlideshow("Archive_0005", "Fünf", {"a.jpg", "b.jpg"});
  writeText(folder + "Pictures.ini", "a.jpg | erstes\r\nb.jpg | bee\r\na.jpg | zweites\r\n");
  openWithButton("Archive_0005");
  ASSERT_EQ(names(), (QStringList{"a.jpg", "b.jpg", "a.jpg"}));
  clickItem(0);
  mf->SpeedButton3->click();  // "<": the selected picture out of the slideshow
  EXPECT_EQ(names(), (QStringList{"b.jpg", "a.jpg"}));
  EXPECT_TRUE(QFileInfo(folder + "a.jpg").isFile());
  EXPECT_EQ(pictureList("Archive_0005"), "b.jpg | bee\r\na.jpg | zweites\r\n");

  openWithButton("Archive_0004");
  openWithButton("Archive_0005");
  ASSERT_EQ(names(), (QStringList{"b.jpg", "a.jpg"}));
  EXPECT_EQ(ItemCaption(mf->DiashowListBox->Item(1)), "zweites");
  EXPECT_FALSE(messageContains(GetLanguageText(10351)));
  // The last item that shows it takes the file along.
  clickItem(1);
  mf->SpeedButton3->click();
  EXPECT_EQ(names(), (QStringList{"b.jpg"}));
  EXPECT_FALSE(QFileInfo::exists(folder + "a.jpg"));
}

TEST_F(SlideshowChangesTest, NumberedThumbnailsAndTheEditorsResultGoAtExit) {
  makeSlideshow("Archive_0005", "Fünf", {"a.jpg", "1a.jpg"});
  const QString folder = root + "Archive_0005/";
  writeText(folder + "_THUMB2_a.jpg", "made by an earlier version after an edit");
  writeText(appDir + "Temp.bmp", "the result a dialog of the editor left");
  openWithButton("Archive_0005");
  ASSERT_EQ(names(), (QStringList{"a.jpg", "1a.jpg"}));
  clickItem(0);
  ASSERT_TRUE(mf->SpeedButton5->isEnabled());
  mf->SpeedButton5->click();  // "Bild nach rechts drehen"
  // "_THUMB_1a.jpg" is the thumbnail of "1a.jpg": the numbered one takes the next number.
  EXPECT_EQ(thumbnailOf(0), "_THUMB_2a.jpg");
  EXPECT_EQ(QImage(folder + "_THUMB_1a.jpg").size(), QSize(93, 70));
  EXPECT_EQ(QImage(folder + "_THUMB_2a.jpg").size(), QSize(52, 70));

  // A picture "2a.jpg" added: its thumbnail takes that name, the rotated picture's item keeps its own.
  writeJpeg(home() + "2a.jpg", 80, 40);
  mf->AddPictureToDiashow(home() + "2a.jpg", -1);
  EXPECT_EQ(thumbnailOf(0), "_THUMB_3a.jpg");
  EXPECT_EQ(QImage(folder + "_THUMB_3a.jpg").size(), QSize(52, 70));
  EXPECT_EQ(QImage(folder + "_THUMB_2a.jpg").size(), QSize(140, 70));

  mf->Programmbeenden1->trigger();
  ASSERT_FALSE(mf->isVisible());
  EXPECT_EQ(changeQuestions(), 0);
  for (const char* gone : {"_THUMB_3a.jpg", "_THUMB2_a.jpg"}) EXPECT_FALSE(QFileInfo::exists(folder + gone)) << gone;
  for (const char* kept : {"a.jpg", "1a.jpg", "2a.jpg", "_THUMB_a.jpg", "_THUMB_1a.jpg", "_THUMB_2a.jpg"})
    EXPECT_TRUE(QFileInfo(folder + kept).isFile()) << kept;
  EXPECT_EQ(QImage(folder + "_THUMB_a.jpg").size(), QSize(52, 70));
  EXPECT_FALSE(QFileInfo::exists(appDir + "Temp.bmp"));
}

TEST_F(SlideshowChangesTest, ASaveThatFailsIsReportedAndKeepsTheOldFiles) {
  for (const bool full : {false, true}) {
    SCOPED_TRACE(full ? "full file system" : "read-only folder");
    const QString name = full ? "Archive_0006" : "Archive_0007";
    const QString folder = root + name + "/";
    std::unique_ptr<testsupport::SmallDisk> disk;
    if (full) {
      disk = std::make_unique<testsupport::SmallDisk>(root + name);
      if (!disk->mounted()) {
        std::cout << "[  SKIPPED ] the full file system: " << disk->reason() << "\n";
        continue;
      }
    }
    makeSlideshow(name, "Sechs", {"a.jpg"});
    openWithButton(name);
    typeCaption(0, "Nicht gespeichert");
    mf->TitleEdit->selectAll();
    QTest::keyClicks(mf->TitleEdit, "Neuer Titel");
    const QByteArray pictures = pictureList(name);
    const QByteArray diashow = testsupport::readBytes(folder + "Diashow.ini");
    if (full) {
      ASSERT_TRUE(disk->fill());
    }
    // Readable, but not writable for the user the program runs as.
    ASSERT_TRUE(testsupport::OpenWayTo(fakeHome.path(), folder));
    // The folder itself: root's, readable by all, writable by none but its owner (or, run as
    // an ordinary user, by no one).
    const QFile::Permissions readable = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                                        QFile::ReadOther | QFile::ExeOther;
    if (!full) QFile::setPermissions(folder, testsupport::RunsAsRoot() ? readable | QFile::WriteOwner : readable);
    const int before = int(prompter.messageTexts().size());
    {
      std::unique_ptr<testsupport::AsOrdinaryUser> user;
      if (!full) user = std::make_unique<testsupport::AsOrdinaryUser>();
      // "Diashow erzeugen" saves first: it stops at the failure, no player is started.
      prodtest::g_started.clear();
      EXPECT_FALSE(mf->SaveAndStartPlayer(true));
      EXPECT_TRUE(prodtest::g_started.isEmpty());
      // At exit the answer Ja meets the failure: the program stays open with the edit.
      prompter.answerMessage(kalvora::mrYes);
      mf->Programmbeenden1->trigger();
    }
    if (!full) QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(mf->isVisible());
    EXPECT_EQ(ItemCaption(mf->DiashowListBox->Item(0)), "Nicht gespeichert");
    const QStringList messages = prompter.messageTexts().mid(before);
    const QString report = GetLanguageText(10352) + "\n" + folder + "Pictures.ini";
    EXPECT_EQ(messages.count(report), 2) << messages.join("|").toStdString();
    EXPECT_EQ(pictureList(name), pictures);
    EXPECT_EQ(testsupport::readBytes(folder + "Diashow.ini"), diashow);
    if (full) QFile::remove(folder + "filler");
    // With room again the same save goes through.
    EXPECT_TRUE(mf->SaveAndStartPlayer(false));
    EXPECT_EQ(kalvora::IniFile(folder + "Diashow.ini").readString("DIASHOW", "Titel"), "Neuer Titel");
    EXPECT_TRUE(pictureList(name).contains("a.jpg | Nicht gespeichert"));
    // Leave the slideshow before its file system goes.
    openWithButton("Archive_0003");
  }
}

// Slideshow folders: naming, opening, writing back, removing, saving and starting the player,
// the archive list and the clean-up of thumbnails.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStatusBar>

#include "ListItems.h"
#include "Process.h"
#include "ShellFixture.h"

using shelltest::ShellTest;
using shelltest::writeText;

namespace {
QStringList g_started;
bool g_startResult = true;
bool recordStart(const QString& program, const QStringList& args, const QString&) {
  g_started = QStringList{program} + args;
  return g_startResult;
}

QStringList itemTexts(const QListWidget* list) {
  QStringList out;
  for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
  return out;
}

class ArchiveTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    start();
    root = form->FArchiveRoot;
    g_started.clear();
    g_startResult = true;
    kalvora::SetStartProgramHook(recordStart);
  }
  void TearDown() override {
    kalvora::SetStartProgramHook(nullptr);
    ShellTest::TearDown();
  }
  QString root;
};
}  // namespace

TEST_F(ArchiveTest, NewFolderNumberIsOneAboveTheHighest) {
  testsupport::TempFolder empty;
  struct Case {
    QStringList folders;
    QString expected;
  };
  const QList<Case> cases = {
      {{}, "Archive_0002"},
      {{"Archive_0003", "del", "Archive_0001"}, "Archive_0004"},
      {{"Archive_0001", "Archive_x"}, "Archive_0002"},
      {{"Archive_0001", "Archive_0009.bak"}, "Archive_0002"},
      {{"Archive_12345"}, "Archive_12346"},
  };
  for (const Case& c : cases) {
    testsupport::TempFolder folder;
    for (const QString& name : c.folders) QDir().mkpath(folder.path() + "/" + name);
    writeText(folder.path() + "/Archive_0050", "a file does not count");
    form->FArchiveRoot = folder.path() + "/";
    EXPECT_EQ(form->NewArchiveFolder(), c.expected) << c.folders.join(",").toStdString();
  }
}

TEST_F(ArchiveTest, OpeningReadsTitleTimeAndThePicturesThatExist) {
  const QString folder = root + "Archive_0007/";
  writeText(folder + "Diashow.ini", "[DIASHOW]\r\nTitel=  Urlaub am See \r\nTime=6\r\n");
  writeText(folder + "Pictures.ini",
            "a.jpg | Eins\r\nb.jpg\r\nmissing.jpg | weg\r\n../Archive_0001/a.jpg | fremd\r\n"
            "C.JPG|Gross  \r\nsub\\x.jpg | x\r\n\r\n");
  for (const char* p : {"a.jpg", "b.jpg", "c.jpg"}) writeText(folder + p, "picture");
  form->OpenArchive("Archive_0007");
  EXPECT_EQ(form->FArchiveFolder, "Archive_0007");
  EXPECT_EQ(form->FDiashowTitle, "Urlaub am See");
  EXPECT_EQ(form->TitleEdit->text(), "Urlaub am See");
  EXPECT_EQ(form->windowTitle(), "Kalvora Plus - Archiv: Urlaub am See");
  EXPECT_EQ(form->FSecondsPerPicture, "6");
  EXPECT_EQ(form->DiashowLabel->text(), "Die Diashow enthält 3 Bilder");
  const QStringList items = itemTexts(form->DiashowListBox);
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0], "<IMG src=\"file://" + folder + "_THUMB_a.jpg\" align=\"top\">a.jpg | Eins");
  EXPECT_EQ(ItemFileName(items[1]), "b.jpg");
  EXPECT_EQ(ItemCaption(items[1]), "");
  EXPECT_EQ(ItemFileName(items[2]), "c.jpg");  // found without case
  EXPECT_EQ(ItemCaption(items[2]), "Gross");
  // The missing picture is named.
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10351) + "\nmissing.jpg"});

  // Writing the list back keeps the missing picture's line and the refused ones, each in its place.
  EXPECT_TRUE(form->SavePictureList());
  kalvora::StringList saved;
  ASSERT_TRUE(saved.loadFromFile(folder + "Pictures.ini"));
  EXPECT_EQ(saved.lines(), QStringList({"a.jpg | Eins", "b.jpg | ", "missing.jpg | weg", "../Archive_0001/a.jpg | fremd",
                                        "c.jpg | Gross", "sub\\x.jpg | x"}));
}

TEST_F(ArchiveTest, APictureGoneWhileTheSlideshowOpensIsMissingLikeTheOthers) {
  const QString folder = root + "Archive_0008/";
  writeText(folder + "Diashow.ini", "[DIASHOW]\r\nTitel=Garten\r\nTime=5\r\n");
  writeText(folder + "Pictures.ini", "a.jpg | Eins\r\nb.jpg | Zwei\r\nc.jpg | Drei\r\n");
  for (const char* p : {"a.jpg", "b.jpg", "c.jpg"}) writeText(folder + p, "picture");
  // b.jpg goes as soon as the first thumbnail is being made, after the list was read.
  const auto gone = QObject::connect(form->StatusBar1, &QStatusBar::messageChanged, form.get(), [&](const QString& m) {
    if (m.startsWith(GetLanguageText(14000))) QFile::remove(folder + "b.jpg");
  });
  form->OpenArchive("Archive_0008");
  QObject::disconnect(gone);
  const QStringList items = itemTexts(form->DiashowListBox);
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(ItemFileName(items[0]), "a.jpg");
  EXPECT_EQ(ItemFileName(items[1]), "c.jpg");
  EXPECT_EQ(prompter.messageTexts(), QStringList{GetLanguageText(10351) + "\nb.jpg"});
  EXPECT_TRUE(form->SavePictureList());
  kalvora::StringList saved;
  ASSERT_TRUE(saved.loadFromFile(folder + "Pictures.ini"));
  EXPECT_EQ(saved.lines(), QStringList({"a.jpg | Eins", "b.jpg | Zwei", "c.jpg | Drei"}));
}

TEST_F(ArchiveTest, RefusedNamesAreNeverDeletedOrRead) {
  const QString folder = root + "Archive_0008/";
  writeText(folder + "Diashow.ini", "[DIASHOW]\r\nTitel=T\r\n");
  writeText(root + "outside.jpg", "the user's picture");
  writeText(folder + "Pictures.ini", "..\\outside.jpg\r\n/etc/passwd | x\r\n..|y\r\n");
  form->OpenArchive("Archive_0008");
  EXPECT_EQ(form->DiashowListBox->count(), 0);
  EXPECT_EQ(form->FSecondsPerPicture, "");  // no Time key
  form->DiashowListBox->addItem(MakeListItem(folder + "_THUMB_x", "../outside.jpg"));
  form->RemovePictureFromDiashow(0);
  EXPECT_TRUE(QFileInfo::exists(root + "outside.jpg"));
}

TEST_F(ArchiveTest, ThePlaceholderTitleOpensEmptyAndSavesIntoANewFolder) {
  form->OpenArchive("del");  // shipped placeholder
  EXPECT_EQ(form->FDiashowTitle, "");
  EXPECT_EQ(form->FArchiveFolder, "Archive_0003");
  writeText(root + "Archive_0005/Diashow.ini", "[DIASHOW]\r\nTitel=  specialDummy  \r\n");
  form->OpenArchive("Archive_0005");
  EXPECT_EQ(form->TitleEdit->text(), "");
  EXPECT_EQ(form->FArchiveFolder, "Archive_0006");
}

TEST_F(ArchiveTest, AFolderWithoutDiashowIniOpensNothing) {
  form->OpenArchive("Archive_0001");
  QDir().mkpath(root + "Archive_0004");
  form->OpenArchive("Archive_0004");
  EXPECT_EQ(form->FDiashowTitle, "");
  EXPECT_EQ(form->windowTitle(), "Kalvora Plus");
  EXPECT_EQ(form->FSecondsPerPicture, "5");
  EXPECT_EQ(form->SecEdit->text(), "5");
  EXPECT_EQ(form->DiashowListBox->count(), 0);
  EXPECT_EQ(form->FArchiveFolder, "Archive_0001");
}

TEST_F(ArchiveTest, APictureListOfGarbageOpensWithoutPictures) {
  QByteArray garbage;
  for (int i = 0; i < 4096; ++i) garbage.append(char((i * 7919) & 0xFF));
  writeText(root + "Archive_0009/Diashow.ini", "[DIASHOW]\r\nTitel=Kaputt\r\n");
  writeText(root + "Archive_0009/Pictures.ini", garbage);
  form->OpenArchive("Archive_0009");
  EXPECT_EQ(form->FDiashowTitle, "Kaputt");
  EXPECT_EQ(form->DiashowListBox->count(), 0);
  // A folder whose picture list is missing opens empty as well.
  writeText(root + "Archive_0010/Diashow.ini", "[DIASHOW]\r\nTitel=Leer\r\nTime=3\r\n");
  form->OpenArchive("Archive_0010");
  EXPECT_EQ(form->FDiashowTitle, "Leer");
  EXPECT_EQ(form->DiashowListBox->count(), 0);
  EXPECT_EQ(form->FArchiveFolder, "Archive_0010");
}

TEST_F(ArchiveTest, RemovingAPictureDeletesItsFileAndRewritesTheList) {
  const QString folder = root + "Archive_0001/";
  writeText(folder + "b.jpg", "second");
  writeText(folder + "Pictures.ini", "a.jpg | Eins\r\nb.jpg | Zwei\r\n");
  form->OpenArchive("Archive_0001");
  ASSERT_EQ(form->DiashowListBox->count(), 2);
  EXPECT_EQ(form->DiashowLabel->text(), "Die Diashow enthält 2 Bilder");
  form->TextEdit->setText("typed");
  form->RemovePictureFromDiashow(0);
  EXPECT_FALSE(QFileInfo::exists(folder + "a.jpg"));
  EXPECT_TRUE(QFileInfo::exists(folder + "b.jpg"));
  EXPECT_EQ(form->TextEdit->text(), "");
  EXPECT_EQ(testsupport::readBytes(folder + "Pictures.ini"), "b.jpg | Zwei\r\n");
  EXPECT_EQ(form->DiashowLabel->text(), "Die Diashow enthält 1 Bild");
  form->RemovePictureFromDiashow(5);  // no such item: nothing happens
  EXPECT_EQ(form->DiashowListBox->count(), 1);
}

TEST_F(ArchiveTest, SavingNeedsATitleAndPictures) {
  form->OpenArchive("Archive_0001");
  const QByteArray before = testsupport::readBytes(root + "Archive_0001/Diashow.ini");
  form->TitleEdit->setText("   ");
  form->SaveAndStartPlayer(true);
  form->TitleEdit->setText("Titel");
  form->DiashowListBox->clear();
  form->SaveAndStartPlayer(true);
  EXPECT_EQ(prompter.messageTexts(),
            QStringList({"Bitte geben Sie der Diashow einen Titel.", "Die Diashow enthält noch keine Bilder."}));
  EXPECT_TRUE(g_started.isEmpty());
  EXPECT_EQ(testsupport::readBytes(root + "Archive_0001/Diashow.ini"), before);
}

TEST_F(ArchiveTest, SavingWritesTheFilesAndStartsThePlayerWithTest) {
  form->OpenArchive("Archive_0001");
  form->TitleEdit->setText("Mein Titel");
  form->SecEdit->setText("8");
  form->FullscreenCheckBox->setChecked(true);
  form->SaveAndStartPlayer(true);
  const kalvora::IniFile diashow(root + "Archive_0001/Diashow.ini");
  EXPECT_EQ(diashow.readString("DIASHOW", "Titel"), "Mein Titel");
  EXPECT_EQ(diashow.readString("DIASHOW", "Time"), "8");
  EXPECT_EQ(testsupport::readBytes(root + "Archive_0001/Pictures.ini"), "a.jpg | Erstes Bild\r\n");
  EXPECT_EQ(kalvora::IniFile(root + "Settings.ini").readString("SETTINGS", "Fullscreen"), "FALSE");
  EXPECT_EQ(g_started, QStringList({root + "Slidoplay", "TEST"}));
  EXPECT_EQ(form->windowTitle(), "Kalvora Plus - Archiv: Mein Titel");

  g_started.clear();
  form->SaveAndStartPlayer(false);
  EXPECT_TRUE(g_started.isEmpty());

  g_startResult = false;
  form->SaveAndStartPlayer(true);
  EXPECT_EQ(prompter.messageTexts(), QStringList({"Unable to start " + root + "Slidoplay"}));
}

TEST_F(ArchiveTest, ArchiveListShowsSlideshowFoldersOnly) {
  testsupport::TempFolder folder;
  const QString r = folder.path() + "/";
  writeText(r + "Archive_0001/Diashow.ini", "[DIASHOW]\r\nTitel=Eins\r\n");
  writeText(r + "Archive_0002/Diashow.ini", "[DIASHOW]\r\nTime=3\r\n");
  writeText(r + "Archive_0003/Diashow.ini", "[DIASHOW]\r\nTitel=Eins\r\n");
  writeText(r + "Archive_0007.bak/Diashow.ini", "[DIASHOW]\r\nTitel=Kopie\r\n");
  writeText(r + "Model/Diashow.ini", "[DIASHOW]\r\nTitel=Modell\r\n");
  writeText(r + "del/Diashow.ini", "[DIASHOW]\r\nTitel=SPECIALDUMMY\r\n");
  QDir().mkpath(r + "Archive_0004");
  writeText(r + "Archive_0005", "a file");
  form->FArchiveRoot = r;
  form->FDiashowTitle = "Eins";
  form->FillArchiveList();
  EXPECT_EQ(itemTexts(form->OpenListBox), QStringList({"Archive_0001 Eins", "Archive_0002  ", "Archive_0003 Eins"}));
  EXPECT_EQ(form->OpenListBox->currentRow(), 2);
}

TEST_F(ArchiveTest, DeleteFilesTakesAWildcardMask) {
  testsupport::TempFolder folder;
  const QString f = folder.path() + "/";
  for (const char* n : {"UNDO_1.jpg", "undo_2.JPG", "UNDO.txt", "Temp.jpg"}) writeText(f + n, "x");
  form->DeleteFiles(f + "UNDO*.jpg");
  EXPECT_EQ(kalvora::FindFiles(folder.path(), "*.*"), QStringList({"Temp.jpg", "UNDO.txt"}));
}

TEST_F(ArchiveTest, OrphanThumbnailsGoWhenTheirPictureIsGone) {
  const QString folder = root + "Archive_0001/";
  for (const char* n : {"_THUMB_a.jpg", "_THUMB_gone.jpg", "_THUMB_1a.jpg", "_THUMB_my_trip.jpg", "my_trip.jpg"})
    writeText(folder + n, "x");
  form->FArchiveFolder = "Archive_0001";
  form->DeleteOrphanThumbs();
  EXPECT_TRUE(QFileInfo::exists(folder + "_THUMB_a.jpg"));
  EXPECT_TRUE(QFileInfo::exists(folder + "_THUMB_my_trip.jpg"));
  EXPECT_FALSE(QFileInfo::exists(folder + "_THUMB_gone.jpg"));
  EXPECT_FALSE(QFileInfo::exists(folder + "_THUMB_1a.jpg"));
  EXPECT_TRUE(QFileInfo::exists(folder + "a.jpg"));
}

TEST_F(ArchiveTest, AnExistingThumbnailIsNotMadeAgain) {
  const QString folder = root + "Archive_0001/";
  writeText(folder + "_THUMB_a.jpg", "thumb");
  form->StatusBar1->showMessage("before");
  form->MakeThumb(folder + "a.jpg", 70, false, false);
  EXPECT_EQ(form->StatusBar1->currentMessage(), "before");
  form->MakeThumb(folder + "a.jpg", 70, false, true);
  EXPECT_EQ(form->StatusBar1->currentMessage(), "Fertig");
}

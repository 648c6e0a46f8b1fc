// CD export (pictures only or the whole slideshow) and the screensaver folder.
#include <QLabel>

#include "AsUser.h"
#include "ProductionFixture.h"

using prodtest::ProductionTest;
using shelltest::writeText;

namespace {
// A German text of the shipped Language.ini, read here line by line, apart from the
// program's own ini reader.
QString shippedText(int id) {
  QFile file(shelltest::sourceData("Language.ini"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  bool german = false;
  const QString key = QString::number(id) + "=";
  for (const QString& line : QString::fromUtf8(file.readAll()).split("\r\n")) {
    if (line.startsWith('[')) german = line == "[GERMAN]";
    else if (german && line.startsWith(key)) return line.mid(key.size());
  }
  return {};
}

class ExportTest : public ProductionTest {
 protected:
  void SetUp() override {
    ProductionTest::SetUp();
    makeSlideshow("Archive_0003", "Drei", {"a.jpg", "b.JPG"});
    writeText(root + "Archive_0003/_THUMB_a.jpg", "thumb");
    writeText(root + "Archive_0003/song.mp3", "music");
    makeSlideshow("Archive_0004", "Vier", {"c.jpg"});
    tick({"Archive_0003"});
  }
  // Fills the export window's list as its own window would, ticking the folders named.
  void tick(const QStringList& folders) {
    auto* list = FindProgramWindow("ExportForm")->findChild<QListWidget*>("CheckListBox");
    list->clear();
    for (const QString& f : {QString("Archive_0003 Drei"), QString("Archive_0004 Vier")}) {
      auto* item = new QListWidgetItem(f, list);
      item->setCheckState(folders.contains(f.section(' ', 0, 0)) ? Qt::Checked : Qt::Unchecked);
    }
  }
  QStringList names(const QString& folder) { return QDir(folder).entryList(QDir::Files, QDir::Name); }
  // The program folder and the home folder become the ordinary user's, as on a user's
  // machine; a test run as root then drops to that user where file modes must bind.
  void giveFoldersToTheUser() {
    ASSERT_TRUE(testsupport::GiveToOrdinaryUser(app.path()));
    ASSERT_TRUE(testsupport::GiveToOrdinaryUser(fakeHome.path()));
  }
  std::string lastMessage() const {
    return prompter.messageTexts().isEmpty() ? std::string() : prompter.messageTexts().last().toStdString();
  }
};
}  // namespace

TEST_F(ExportTest, PicturesOnlyCopiesNoThumbnailsAndNoLists) {
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  EXPECT_TRUE(mf->ExportToCd(true));
  EXPECT_EQ(names(mf->FExportFolder + "Archive_0003"), (QStringList{"a.jpg", "b.JPG"}));
  EXPECT_FALSE(QFileInfo::exists(mf->FExportFolder + "Archive_0004"));
  EXPECT_TRUE(names(mf->FExportFolder).isEmpty());  // no player files
}

TEST_F(ExportTest, WholeCdCopiesThePlayerAndEverythingOfTheSlideshow) {
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  EXPECT_TRUE(mf->ExportToCd(false));
  const QStringList files = names(mf->FExportFolder + "Archive_0003");
  for (const char* f : {"Diashow.ini", "Pictures.ini", "_THUMB_a.jpg", "a.jpg", "song.mp3"})
    EXPECT_TRUE(files.contains(f)) << f;
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Slidoplay").isFile());
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Settings.ini").isFile());
}

TEST_F(ExportTest, RecreatingMovesTheOldExportToTheTrash) {
  writeText(mf->FExportFolder + "old.jpg", "old");
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  EXPECT_TRUE(names(mf->FExportFolder).isEmpty());
  EXPECT_EQ(testsupport::readBytes(trashFiles() + "CDROM-Export/old.jpg"), "old");
}

TEST_F(ExportTest, AnExportFolderThatCannotBeEmptiedIsReportedAndKept) {
  const QString locked = app.path() + "/locked/";
  writeText(locked + "CDROM-Export/old.jpg", "old");
  giveFoldersToTheUser();
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
  mf->FExportFolder = locked + "CDROM-Export/";
  {
    testsupport::AsOrdinaryUser user;
    EXPECT_FALSE(mf->RecreateExportFolder(mf->FExportFolder));
  }
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(lastMessage(), (shippedText(10202) + " " + locked + "CDROM-Export/").toStdString());
  EXPECT_EQ(testsupport::readBytes(locked + "CDROM-Export/old.jpg"), "old");
  // Unlocked, the same user empties it.
  {
    testsupport::AsOrdinaryUser user;
    EXPECT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  }
  EXPECT_TRUE(names(mf->FExportFolder).isEmpty());
}

TEST_F(ExportTest, CopyFailuresAreReportedNotHidden) {
  giveFoldersToTheUser();
  QFile::setPermissions(root + "Archive_0003/b.JPG", QFileDevice::Permissions());
  {
    testsupport::AsOrdinaryUser user;
    ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
    EXPECT_FALSE(mf->ExportToCd(true));
  }
  QFile::setPermissions(root + "Archive_0003/b.JPG", QFile::ReadOwner | QFile::WriteOwner);
  EXPECT_EQ(lastMessage(), (shippedText(10201) + "\n" + root + "Archive_0003/b.JPG").toStdString());
  EXPECT_EQ(names(mf->FExportFolder + "Archive_0003"), QStringList{"a.jpg"});
}

TEST_F(ExportTest, ReadOnlyExportFolderStopsWithAMessage) {
  giveFoldersToTheUser();
  {
    testsupport::AsOrdinaryUser user;
    ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  }
  QFile::setPermissions(mf->FExportFolder, QFile::ReadOwner | QFile::ExeOwner);
  {
    testsupport::AsOrdinaryUser user;
    EXPECT_FALSE(mf->ExportToCd(true));
  }
  QFile::setPermissions(mf->FExportFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(lastMessage(), (shippedText(10100) + " " + mf->FExportFolder + "Archive_0003/").toStdString());
  EXPECT_EQ(QDir(mf->FExportFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
  EXPECT_TRUE(QFileInfo(root + "Archive_0003/a.jpg").isFile());
  // Writable again, the same user's export goes through.
  {
    testsupport::AsOrdinaryUser user;
    EXPECT_TRUE(mf->ExportToCd(true));
  }
  EXPECT_EQ(names(mf->FExportFolder + "Archive_0003"), (QStringList{"a.jpg", "b.JPG"}));
}

TEST_F(ExportTest, AFileInPlaceOfTheExportFolderIsKept) {
  QDir(mf->FExportFolder).removeRecursively();
  writeText(app.path() + "/blocked", "user data");
  mf->FExportFolder = app.path() + "/blocked/";
  EXPECT_FALSE(mf->RecreateExportFolder(mf->FExportFolder));
  EXPECT_TRUE(messageContains(GetLanguageText(10202)));
  EXPECT_EQ(testsupport::readBytes(app.path() + "/blocked"), "user data");
}

TEST_F(ExportTest, APictureThatCannotBeCopiedIsReported) {
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  QDir().mkpath(mf->FExportFolder + "Archive_0003/a.jpg/inside");  // a folder where a.jpg goes
  EXPECT_FALSE(mf->ExportToCd(true));
  EXPECT_TRUE(messageContains(GetLanguageText(10201)));
  EXPECT_TRUE(messageContains("a.jpg"));
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Archive_0003/a.jpg/inside").isDir());
  EXPECT_TRUE(QFileInfo(mf->FExportFolder + "Archive_0003/b.JPG").isFile());
}

TEST_F(ExportTest, AnExportSubfolderThatCannotBeMadeStopsTheExport) {
  ASSERT_TRUE(mf->RecreateExportFolder(mf->FExportFolder));
  writeText(mf->FExportFolder + "Archive_0003", "a file where the folder goes");
  EXPECT_FALSE(mf->ExportToCd(true));
  EXPECT_TRUE(messageContains(GetLanguageText(10100)));
  EXPECT_EQ(testsupport::readBytes(mf->FExportFolder + "Archive_0003"), "a file where the folder goes");
}

TEST_F(ExportTest, ScreensaverCancelCancels) {
  writeText(mf->FScreensaverFolder + "keep.txt", "keep");
  EXPECT_FALSE(mf->InstallScreensaver());  // the driver cancels the export window
  EXPECT_EQ(testsupport::readBytes(mf->FScreensaverFolder + "keep.txt"), "keep");
  EXPECT_EQ(modal.shown, QStringList{"ExportForm"});
}

TEST_F(ExportTest, ScreensaverFolderHoldsPlayerSlideshowsAndSettings) {
  QString label;
  modal.handlers["ExportForm"] = [&](QWidget* w) {
    label = w->findChild<QLabel*>("DoLabel")->text();
    // The window lists the slideshows afresh when it shows: tick as the user would.
    auto* list = w->findChild<QListWidget*>("CheckListBox");
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->text().startsWith("Archive_0003 ")) list->item(i)->setCheckState(Qt::Checked);
    prodtest::ModalDriver::finish(w, kalvora::mrOk);
  };
  QString sub;
  modal.handlers["AnweisungForm"] = [&](QWidget* w) {
    sub = w->findChild<QLabel*>("MakeSubLabel")->text();
    EXPECT_TRUE(w->findChild<QWidget*>("NeroBitBtn")->isHidden());
  };
  EXPECT_TRUE(mf->InstallScreensaver());
  EXPECT_EQ(label, GetLanguageText(2603));
  EXPECT_EQ(modal.shown, (QStringList{"ExportForm", "AnweisungForm"}));
  EXPECT_TRUE(sub.contains(GetLanguageText(10203)));
  EXPECT_TRUE(QFileInfo(mf->FScreensaverFolder + "Slidoplay").isFile());
  EXPECT_TRUE(QFileInfo(mf->FScreensaverFolder + "Archive_0003/_THUMB_a.jpg").isFile());
  EXPECT_FALSE(QFileInfo::exists(mf->FScreensaverFolder + "Archive_0004"));
  const kalvora::IniFile settings(mf->FScreensaverFolder + "Settings.ini");
  EXPECT_EQ(settings.readString("SETTINGS", "EffectMode"), "RANDOM");
  EXPECT_EQ(settings.readString("SETTINGS", "Fullscreen"), "FALSE");  // the player's full screen
  EXPECT_EQ(settings.readString("SETTINGS", "Speed"), "3");            // other keys stay
}

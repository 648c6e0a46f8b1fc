// What the user made and owns stays theirs: picture lists of mixed encodings, private files
// next to the pictures, file modes, read-only pictures, full and read-only disks, deep folders
// and the storage drives offered.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QComboBox>
#include <QPushButton>
#include <QStorageInfo>
#include <QTest>
#include <QToolButton>
#include <sys/mount.h>
#include <sys/stat.h>

#include "AsUser.h"
#include "Drives.h"
#include "ListItems.h"
#include "PictureFiles.h"
#include "ShellFixture.h"
#include "SmallDisk.h"
#include "StringHelpers.h"
#include "Thumbnails.h"

using shelltest::pictureSize;
using testsupport::SmallDisk;
using shelltest::writePicture;
using shelltest::writeText;

namespace {
constexpr QFile::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther |
                                       QFile::WriteOther | QFile::ExeOther;

mode_t modeOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return 0;
  return st.st_mode & 0777;
}

// A picture that JPEG cannot squeeze much: its file takes some room on a small disk.
bool writeNoisyJpeg(const QString& path, int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  quint32 v = 12345;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      v = v * 1103515245u + 12345u;
      img.setPixel(x, y, v >> 8);
    }
  return img.save(path, "JPG", 95);
}

class UserFilesTest : public shelltest::SourceFolderTest {
 protected:
  QStringList names(MarkupListBoxControl* list) const {
    QStringList out;
    for (int i = 0; i < list->Count(); ++i) out << ItemFileName(list->Item(i));
    return out;
  }
  QStringList allFilesIn(const QString& folder) const {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
  }
  // A slideshow folder with the pictures named, each a real JPEG, and its Pictures.ini.
  void makeSlideshow(const QString& folder, const QStringList& pictures, const QByteArray& list) {
    const QString path = form->FArchiveRoot + folder + "/";
    QDir().mkpath(path);
    for (const QString& p : pictures) ASSERT_TRUE(writePicture(path + p, 160, 120, 23)) << p.toStdString();
    writeText(path + "Diashow.ini", "[DIASHOW]\r\nTitel=Test\r\nTime=4\r\n");
    writeText(path + "Pictures.ini", list);
  }
  // Selects a slideshow entry and presses a tool button as the user would.
  void pressOn(int index, QToolButton* button) {
    form->DiashowListBox->SetItemIndex(index);
    form->EnablePictureTools();
    ASSERT_TRUE(button->isEnabled());
    button->click();
  }
};
}  // namespace

TEST_F(UserFilesTest, APictureListWithOneWindowsLineKeepsEveryPictureAndCaption) {
  // A list in UTF-8 whose middle line is in Windows-1252, the encoding older slideshows were
  // stored in.
  makeSlideshow("Archive_0060", {QString::fromUtf8("äpfel.jpg"), QString::fromUtf8("münchen.jpg"), QString::fromUtf8("öl.jpg")},
                "\xC3\xA4pfel.jpg | Gr\xC3\xBC\xC3\x9F" "e\r\n"
                "m\xFCnchen.jpg | Stra\xDF" "e\r\n"
                "\xC3\xB6l.jpg | \xC3\x96l\r\n");
  form->OpenArchive("Archive_0060");
  EXPECT_EQ(names(form->DiashowListBox),
            (QStringList{QString::fromUtf8("äpfel.jpg"), QString::fromUtf8("münchen.jpg"), QString::fromUtf8("öl.jpg")}));
  ASSERT_EQ(form->DiashowListBox->Count(), 3);
  EXPECT_EQ(ItemCaption(form->DiashowListBox->Item(1)), QString::fromUtf8("Straße"));
  form->SavePictureList();
  const QString saved = QString::fromUtf8(testsupport::readBytes(form->FArchiveRoot + "Archive_0060/Pictures.ini"));
  EXPECT_EQ(saved, QString::fromUtf8("äpfel.jpg | Grüße\r\nmünchen.jpg | Straße\r\nöl.jpg | Öl\r\n"));
}

TEST_F(UserFilesTest, ReadingAFolderWithABmpCopiesOnlyItsPicturesForTheUserAlone) {
  ASSERT_TRUE(writePicture(source + "a.jpg", 160, 120, 23));
  ASSERT_TRUE(writePicture(source + "b.bmp", 120, 90, 6));
  ASSERT_TRUE(writePicture(source + ".versteckt.jpg", 100, 100, 23));
  writeText(source + "secret.txt", "geheim");
  ASSERT_EQ(::chmod(QFile::encodeName(source + "secret.txt").constData(), 0600), 0);
  writeText(source + "notiz.doc", "Notiz");
  const QStringList before = allFilesIn(source);
  prompter.answerFile(source + "b.bmp");
  QTest::mouseClick(form->OpenBitBtn, Qt::LeftButton);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  EXPECT_EQ(names(form->FileListBox), (QStringList{"a.jpg", "b_bmp.jpg"}));
  const QString temp = form->FTempPicFolder;
  EXPECT_EQ(allFilesIn(temp), (QStringList{"a.jpg", "b.bmp", "b_bmp.jpg"}));
  EXPECT_EQ(modeOf(temp), mode_t(0700));
  for (const QString& f : allFilesIn(temp)) EXPECT_EQ(modeOf(temp + f), mode_t(0600)) << f.toStdString();
  EXPECT_EQ(allFilesIn(source), before);
  EXPECT_EQ(modeOf(source + "secret.txt"), mode_t(0600));
}

TEST_F(UserFilesTest, AnAddedPictureKeepsTheModeOfItsSource) {
  // Read and write bits as the source has them, writable by the user (no read-only copy), and
  // no execute bits for a picture.
  const struct {
    const char* name;
    mode_t source, copy;
  } cases[] = {{"privat.jpg", 0600, 0600}, {"gruppe.jpg", 0640, 0640}, {"offen.jpg", 0644, 0644},
               {"nurlesen.jpg", 0444, 0644}, {"programm.jpg", 0755, 0644}, {"alle.jpg", 0666, 0666}};
  for (const auto& c : cases) {
    ASSERT_TRUE(writePicture(source + c.name, 160, 120, 23));
    ASSERT_EQ(::chmod(QFile::encodeName(source + c.name).constData(), c.source), 0);
  }
  makeSlideshow("Archive_0063", {}, "");
  form->OpenArchive("Archive_0063");
  prompter.answerFile(source + cases[0].name);
  QTest::mouseClick(form->OpenBitBtn, Qt::LeftButton);
  ASSERT_EQ(form->FileListBox->Count(), int(std::size(cases)));
  form->SpeedButton2->click();  // ">>": all pictures into the slideshow
  ASSERT_EQ(form->DiashowListBox->Count(), int(std::size(cases)));
  for (const auto& c : cases) EXPECT_EQ(modeOf(form->SlideshowFolder() + c.name), c.copy) << c.name;
}

TEST_F(UserFilesTest, RotatingKeepsThePicturesModeAndLeavesAReadOnlyPictureAlone) {
  makeSlideshow("Archive_0061", {"a.jpg", "b.jpg"}, "a.jpg | A\r\nb.jpg | B\r\n");
  form->OpenArchive("Archive_0061");
  const QString folder = form->SlideshowFolder();
  ASSERT_EQ(::chmod(QFile::encodeName(folder + "a.jpg").constData(), 0600), 0);
  pressOn(0, form->SpeedButton5);
  EXPECT_EQ(pictureSize(folder + "a.jpg"), QSize(120, 160));
  EXPECT_EQ(modeOf(folder + "a.jpg"), mode_t(0600));
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();

  ASSERT_EQ(::chmod(QFile::encodeName(folder + "b.jpg").constData(), 0444), 0);
  const QByteArray b = testsupport::readBytes(folder + "b.jpg");
  pressOn(1, form->SpeedButton9);
  ASSERT_EQ(prompter.messageTexts().size(), 1);
  EXPECT_EQ(prompter.messageTexts().last(), GetLanguageText(14020) + "\n" + folder + "b.jpg");
  EXPECT_EQ(testsupport::readBytes(folder + "b.jpg"), b);
  EXPECT_EQ(modeOf(folder + "b.jpg"), mode_t(0444));
}

TEST_F(UserFilesTest, AnEditedPictureOnAFullOrReadOnlyDiskStaysAsItWas) {
  SmallDisk disk(form->FArchiveRoot + "Archive_0062");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString folder = form->FArchiveRoot + "Archive_0062/";
  ASSERT_TRUE(writeNoisyJpeg(folder + "a.jpg", 240, 180));
  writeText(folder + "Diashow.ini", "[DIASHOW]\r\nTitel=Klein\r\nTime=4\r\n");
  writeText(folder + "Pictures.ini", "a.jpg | Voll\r\n");
  form->OpenArchive("Archive_0062");
  ASSERT_EQ(form->DiashowListBox->Count(), 1);
  const QByteArray picture = testsupport::readBytes(folder + "a.jpg");
  const QString changeFailed = GetLanguageText(14021) + "\n" + folder + "a.jpg";

  ASSERT_TRUE(disk.fill());
  const QStringList full = allFilesIn(folder);
  pressOn(0, form->SpeedButton5);
  ASSERT_FALSE(prompter.messageTexts().isEmpty());
  EXPECT_EQ(prompter.messageTexts().last(), changeFailed);
  EXPECT_EQ(testsupport::readBytes(folder + "a.jpg"), picture);
  EXPECT_EQ(allFilesIn(folder), full);  // no half-written file left behind

  // A folder the user may not write (the test may run as root, which modes do not stop).
  QFile::remove(folder + "filler");
  ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), 0755), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(folder + "a.jpg").constData(), 0666), 0);
  // The ordinary user must reach the picture: the test's own folders open for reading.
  ASSERT_TRUE(testsupport::OpenWayTo(folder.startsWith(appDir) ? appDir : home(), folder));
  if (testsupport::RunsAsRoot()) {
    {
      testsupport::AsOrdinaryUser user;
      pressOn(0, form->SpeedButton6);
    }
    EXPECT_EQ(prompter.messageTexts().last(), changeFailed);
    EXPECT_EQ(testsupport::readBytes(folder + "a.jpg"), picture);
  }

  // The whole disk read-only.
  const int before = int(prompter.messageTexts().size());
  ASSERT_TRUE(disk.makeReadOnly());
  pressOn(0, form->SpeedButton7);
  ASSERT_EQ(prompter.messageTexts().size(), before + 1);
  EXPECT_TRUE(prompter.messageTexts().last().endsWith("\n" + folder + "a.jpg"));
  EXPECT_EQ(testsupport::readBytes(folder + "a.jpg"), picture);
}

TEST_F(UserFilesTest, PicturesInDeepFoldersAreListed) {
  // A path of over 300 bytes, with umlauts that take two bytes each.
  QString deep = source;
  for (int i = 0; i < 3; ++i) deep += QString::fromUtf8("Ölgemälde_") + QString(80, QChar('a' + i)) + "/";
  QDir().mkpath(deep);
  ASSERT_TRUE(writePicture(deep + "tief.jpg", 160, 120, 23));
  ASSERT_TRUE(writePicture(deep + "flach.bmp", 120, 90, 6));
  ASSERT_GT((deep + "tief.jpg").toUtf8().size(), 279);
  prompter.answerFile(deep + "tief.jpg");
  QTest::mouseClick(form->OpenBitBtn, Qt::LeftButton);
  EXPECT_TRUE(prompter.messageTexts().isEmpty()) << prompter.messageTexts().join("|").toStdString();
  EXPECT_EQ(names(form->FileListBox), (QStringList{"flach_bmp.jpg", "tief.jpg"}));
  for (int i = 0; i < form->FileListBox->Count(); ++i) {
    const QString thumb = ItemThumbnailPath(form->FileListBox->Item(i));
    EXPECT_LE(FileNamePart(thumb).toUtf8().size(), 255);
    EXPECT_EQ(pictureSize(thumb).height(), 70) << thumb.toStdString();
  }
  // Two deep paths that differ only early on keep thumbnails of their own.
  const QString tail = QString(300, 'z') + ".jpg";
  EXPECT_NE(CacheThumbnailName("/a/" + tail), CacheThumbnailName("/b/" + tail));
  EXPECT_LE(CacheThumbnailName("/a/" + tail).toUtf8().size(), 255);
  EXPECT_TRUE(CacheThumbnailName("/a/" + tail).contains("zzzz_jpg_"));
  // Where the name fits, it is the one earlier versions made, so their caches stay valid.
  // The folder separators become "x", the rest is lower case with "_" for what is no letter;
  // then the first 8 hex digits of the path's MD5.
  const QString shortPath = QString::fromUtf8("/home/u/Bilder/Ölbild 1.jpg");
  EXPECT_EQ(QCryptographicHash::hash(shortPath.toUtf8(), QCryptographicHash::Md5).toHex().left(8), "765d5307");
  EXPECT_EQ(CacheThumbnailName(shortPath), "xhomexuxbilderxoelbild_1_jpg_765d5307.jpg");
}

namespace {
// A folder bound onto another one for the life of the object.
class BindMount {
 public:
  BindMount(const QString& from, const QString& to) : to_(to) {
    QDir().mkpath(to);
    ok_ = ::mount(QFile::encodeName(from).constData(), QFile::encodeName(to).constData(), nullptr, MS_BIND,
                  nullptr) == 0;
  }
  ~BindMount() {
    if (ok_) ::umount2(QFile::encodeName(to_).constData(), MNT_DETACH);
  }
  bool ok() const { return ok_; }
 private:
  QString to_;
  bool ok_ = false;
};

class DrivesTest : public shelltest::ShellTest {};
}  // namespace

TEST_F(DrivesTest, MemoryAndWorldWritableMountsAreNoStorageDrives) {
  testsupport::TempFolder place;
  ::chmod(QFile::encodeName(place.path()).constData(), 0755);
  const QString base = place.path() + "/";
  SmallDisk memory(base + "ram");
  if (!memory.mounted()) GTEST_SKIP() << memory.reason();
  QDir().mkpath(base + "offen");
  ::chmod(QFile::encodeName(base + "offen").constData(), 01777);
  QDir().mkpath(base + "eigen");
  ::chmod(QFile::encodeName(base + "eigen").constData(), 0755);
  BindMount open(base + "offen", base + "offen-platte");
  BindMount own(base + "eigen", base + "eigene-platte");
  ASSERT_TRUE(open.ok() && own.ok());

  start();
  QStringList offered;
  for (int i = 0; i < form->DriveComboBox1->count(); ++i) offered << form->DriveComboBox1->itemData(i).toString();
  EXPECT_TRUE(offered.contains(base + "eigene-platte")) << offered.join(" ").toStdString();
  EXPECT_FALSE(offered.contains(base + "ram")) << offered.join(" ").toStdString();
  EXPECT_FALSE(offered.contains(base + "offen-platte")) << offered.join(" ").toStdString();
  for (const QString& d : AvailableDrives()) {
    EXPECT_FALSE(QStorageInfo(d).fileSystemType() == "tmpfs") << d.toStdString();
  }
}

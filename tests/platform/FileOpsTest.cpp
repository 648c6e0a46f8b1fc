#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>

#include "FileOps.h"
#include "TestSupport.h"
#include "SmallDisk.h"

using namespace kalvora;
using testsupport::readBytes;
using testsupport::TempFolder;
using testsupport::writeBytes;

TEST(FileOps, MatchesMaskLikeWindows) {
  struct Case { const char* name; const char* mask; bool match; };
  const Case cases[] = {
      {"Bild.JPG", "*.jpg", true},     {"Bild.jpeg", "*.jpg", false},  {"noext", "*.*", true},
      {"a.b.c", "*.c", true},          {"_THUMB_a.jpg", "_THUMB_*", true}, {"Archive_0001", "Archive_????", true},
      {"Archive_01", "Archive_????", false}, {"", "*", true},          {"abc", "a*b*c", true},
      {"abxc", "a*b?c", true},         {"ab", "a*b?c", false},         {"UNDO_3.jpg", "undo_*.jpg", true},
  };
  for (const Case& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << c.name << " " << c.mask;
}

TEST(FileOps, FindFilesSortsWithoutCaseAndSeparatesKinds) {
  TempFolder dir;
  writeBytes(dir.file("b.jpg"), "1");
  writeBytes(dir.file("A.JPG"), "1");
  writeBytes(dir.file("c.txt"), "1");
  QDir(dir.path()).mkdir("d.jpg");
  EXPECT_EQ(FindFiles(dir.path(), "*.jpg"), QStringList({"A.JPG", "b.jpg"}));
  EXPECT_EQ(FindFiles(dir.path(), "*.jpg", FindKind::Folders), QStringList({"d.jpg"}));
  EXPECT_EQ(FindFiles(dir.path(), "*", FindKind::Both).size(), 4);
  EXPECT_TRUE(FindFiles(dir.file("missing"), "*").isEmpty());
}

TEST(FileOps, ResolveNoCaseFindsEachComponent) {
  TempFolder dir;
  QDir(dir.path()).mkpath("Archive_0001/Sub");
  writeBytes(dir.file("Archive_0001/Sub/Bild.JPG"), "x");
  EXPECT_EQ(ResolveNoCase(dir.file("archive_0001/sub/bild.jpg")), dir.file("Archive_0001/Sub/Bild.JPG"));
  EXPECT_EQ(ResolveNoCase(dir.file("Archive_0001/Sub/Bild.JPG")), dir.file("Archive_0001/Sub/Bild.JPG"));
  EXPECT_EQ(ResolveNoCase(dir.file("archive_0001/none.jpg")), dir.file("archive_0001/none.jpg"));
}

TEST(FileOps, CopyReplacesAndKeepsTime) {
  TempFolder dir;
  writeBytes(dir.file("src"), "new content");
  writeBytes(dir.file("dst"), "old");
  const QDateTime t = QDateTime::fromSecsSinceEpoch(1000000000);
  {
    QFile f(dir.file("src"));
    f.open(QIODevice::ReadWrite);
    f.setFileTime(t, QFileDevice::FileModificationTime);
  }
  ASSERT_TRUE(CopyFileReplace(dir.file("src"), dir.file("dst")));
  EXPECT_EQ(readBytes(dir.file("dst")), "new content");
  EXPECT_EQ(QFileInfo(dir.file("dst")).lastModified(), t);
  EXPECT_FALSE(CopyFileReplace(dir.file("missing"), dir.file("dst")));
  EXPECT_EQ(readBytes(dir.file("dst")), "new content");
  EXPECT_FALSE(CopyFileReplace(dir.file("src"), dir.file("no/such/folder/dst")));
}

TEST(FileOps, AtomicWriteLeavesNoTemporaryFiles) {
  TempFolder dir;
  ASSERT_TRUE(WriteFileAtomic(dir.file("a.ini"), "one"));
  ASSERT_TRUE(WriteFileAtomic(dir.file("a.ini"), "two"));
  EXPECT_EQ(readBytes(dir.file("a.ini")), "two");
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList({"a.ini"}));
  EXPECT_FALSE(WriteFileAtomic(dir.file("missing/a.ini"), "x"));
}

TEST(FileOps, AFullOrReadOnlyDiskFailsTheWriteAndKeepsTheOldFile) {
  TempFolder dir;
  testsupport::SmallDisk disk(dir.file("klein"));
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  const QString ini = dir.file("klein/Gallery.ini"), copy = dir.file("klein/kopie.jpg");
  ASSERT_TRUE(writeBytes(ini, "[SETTINGS]\r\nalt=1\r\n"));
  ASSERT_TRUE(writeBytes(copy, "old copy"));
  ASSERT_TRUE(writeBytes(dir.file("quelle.jpg"), QByteArray(20000, 'q')));
  ASSERT_TRUE(disk.fill());
  for (const char* state : {"full", "read-only"}) {
    SCOPED_TRACE(state);
    EXPECT_FALSE(WriteFileAtomic(ini, "[SETTINGS]\r\nneu=2\r\n"));
    EXPECT_FALSE(CopyFileReplace(dir.file("quelle.jpg"), copy));
    EXPECT_EQ(readBytes(ini), "[SETTINGS]\r\nalt=1\r\n");
    EXPECT_EQ(readBytes(copy), "old copy");
    EXPECT_EQ(QDir(dir.file("klein")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              (QStringList{"Gallery.ini", "filler", "kopie.jpg"}));
    ASSERT_TRUE(disk.makeReadOnly());
  }
}

TEST(FileOps, MoveToTrashUsesTheUsersTrash) {
  // A fresh home without ~/.local/share, where Qt alone would move into the working folder.
  testsupport::FakeHome home;
  TempFolder dir, work;
  const QString oldCurrent = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(work.path()));
  writeBytes(dir.file("gone.jpg"), "x");
  QDir(dir.path()).mkpath("Archive_0003/inner");
  ASSERT_TRUE(MoveToTrash(dir.file("gone.jpg")));
  ASSERT_TRUE(MoveToTrash(dir.file("Archive_0003")));
  EXPECT_FALSE(QFileInfo::exists(dir.file("gone.jpg")));
  EXPECT_FALSE(QFileInfo::exists(dir.file("Archive_0003")));
  EXPECT_FALSE(MoveToTrash(dir.file("never.jpg")));
  const QString trash = QDir::homePath() + "/.local/share/Trash/";
  EXPECT_EQ(readBytes(trash + "files/gone.jpg"), "x");
  EXPECT_TRUE(QFileInfo(trash + "files/Archive_0003/inner").isDir());
  EXPECT_TRUE(QFileInfo::exists(trash + "info/Archive_0003.trashinfo"));
  EXPECT_TRUE(QDir(work.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
  QDir::setCurrent(oldCurrent);
}

// Folder copy, move, rename and delete as the shell did them; renames never replace a file.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ShellFileOps.h"
#include "TestSupport.h"

namespace {
void put(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  ASSERT_TRUE(testsupport::writeBytes(path, bytes));
}

class ShellFileOpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base = tmp.path() + "/";
    put(base + "src/a.txt", "a");
    put(base + "src/sub/b.txt", "b");
  }
  testsupport::FakeHome home;
  testsupport::TempFolder tmp;
  QString base;
};
}  // namespace

TEST_F(ShellFileOpsTest, CopyMakesTheFolderOrPutsItIntoAnExistingOne) {
  EXPECT_TRUE(ShellFileOperation("copy", false, true, true, false, base + "src", base + "dst"));
  EXPECT_EQ(testsupport::readBytes(base + "dst/sub/b.txt"), "b");
  QDir().mkpath(base + "into");
  EXPECT_TRUE(ShellFileOperation("COPY", false, true, true, false, base + "src/", base + "into/"));
  EXPECT_EQ(testsupport::readBytes(base + "into/src/a.txt"), "a");
  EXPECT_TRUE(QFileInfo(base + "src/a.txt").isFile());
}

TEST_F(ShellFileOpsTest, RefusesWhatIsNoFolderAndUnknownOperations) {
  EXPECT_FALSE(ShellFileOperation("COPY", false, true, true, false, base + "src/a.txt", base + "x"));
  EXPECT_FALSE(ShellFileOperation("COPY", false, true, true, false, base + "missing", base + "x"));
  EXPECT_FALSE(ShellFileOperation("DUPLICATE", false, true, true, false, base + "src", base + "x"));
  EXPECT_FALSE(ShellFileOperation("COPY", false, true, true, false, base + "src", base + "src/sub"));
  EXPECT_FALSE(DeletePath(base + "missing"));
  EXPECT_FALSE(DeletePath(base + "src/a.txt"));
  EXPECT_FALSE(QFileInfo::exists(base + "x"));
}

TEST_F(ShellFileOpsTest, RenameAndMoveNeverReplaceAFolder) {
  put(base + "taken/keep.txt", "keep");
  EXPECT_FALSE(ShellFileOperation("RENAME", false, true, true, false, base + "src", base + "taken"));
  EXPECT_EQ(testsupport::readBytes(base + "taken/keep.txt"), "keep");
  EXPECT_TRUE(ShellFileOperation("RENAME", true, true, true, false, base + "src", base + "taken"));
  EXPECT_EQ(testsupport::readBytes(base + "taken (2)/a.txt"), "a");
  EXPECT_EQ(testsupport::readBytes(base + "taken/keep.txt"), "keep");
  EXPECT_TRUE(ShellFileOperation("MOVE", false, true, true, false, base + "taken (2)", base + "moved"));
  EXPECT_FALSE(QFileInfo::exists(base + "taken (2)"));
  EXPECT_EQ(testsupport::readBytes(base + "moved/sub/b.txt"), "b");
}

TEST_F(ShellFileOpsTest, DeleteMovesTheFolderToTheTrash) {
  EXPECT_TRUE(DeletePath(base + "src/"));
  EXPECT_FALSE(QFileInfo::exists(base + "src"));
  EXPECT_EQ(testsupport::readBytes(home.path() + "/.local/share/Trash/files/src/a.txt"), "a");
}

TEST_F(ShellFileOpsTest, RenameNoReplaceLoopsToAFreeName) {
  put(base + "one.wav", "1");
  put(base + "two.wav", "2");
  put(base + "two (2).wav", "2b");
  EXPECT_EQ(RenameNoReplace(base + "one.wav", base + "two.wav"), base + "two (3).wav");
  EXPECT_EQ(testsupport::readBytes(base + "two.wav"), "2");
  EXPECT_EQ(testsupport::readBytes(base + "two (2).wav"), "2b");
  EXPECT_EQ(testsupport::readBytes(base + "two (3).wav"), "1");
  EXPECT_EQ(RenameNoReplace(base + "gone.wav", base + "x.wav"), QString());
  EXPECT_EQ(FreePathFor(base + "free.wav"), base + "free.wav");
}

// The tests' drop from root to an ordinary user: every id the kernel checks changes, and all of
// root comes back.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AsUser.h"
#include "TestSupport.h"

TEST(AsOrdinaryUser, RootBecomesNobodyForTheScopeAndComesBack) {
  if (!testsupport::RunsAsRoot()) {
    testsupport::AsOrdinaryUser user;
    EXPECT_FALSE(user.dropped());
    GTEST_SKIP() << "run as an ordinary user already: nothing to drop";
  }
  testsupport::TempFolder tmp;
  const QByteArray secret = QFile::encodeName(tmp.file("root-only"));
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("root-only"), "x"));
  ASSERT_EQ(::chmod(secret.constData(), 0600), 0);
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.path()).constData(), 0755), 0);
  {
    testsupport::AsOrdinaryUser user;
    ASSERT_TRUE(user.dropped());
    EXPECT_EQ(::geteuid(), testsupport::kOrdinaryUid);
    // The real id too: access() answers for it.
    EXPECT_EQ(::getuid(), testsupport::kOrdinaryUid);
    EXPECT_EQ(::getegid(), testsupport::kOrdinaryGid);
    EXPECT_EQ(::getgroups(0, nullptr), 0);
    EXPECT_NE(::access(secret.constData(), R_OK), 0);
    EXPECT_FALSE(testsupport::readBytes(tmp.file("root-only")) == "x");
  }
  EXPECT_EQ(::geteuid(), 0u);
  EXPECT_EQ(::getuid(), 0u);
  EXPECT_EQ(::getegid(), 0u);
  EXPECT_EQ(::prctl(PR_GET_DUMPABLE), 1);
  EXPECT_EQ(testsupport::readBytes(tmp.file("root-only")), "x");
}

TEST(AsOrdinaryUser, HandedFilesAreTheUsersOwn) {
  testsupport::TempFolder tmp;
  QDir().mkpath(tmp.file("a/b"));
  ASSERT_TRUE(testsupport::writeBytes(tmp.file("a/b/c.txt"), "alt"));
  ASSERT_TRUE(testsupport::GiveToOrdinaryUser(tmp.path()));
  ASSERT_EQ(::chmod(QFile::encodeName(tmp.file("a/b/c.txt")).constData(), 0600), 0);
  {
    testsupport::AsOrdinaryUser user;
    EXPECT_TRUE(testsupport::writeBytes(tmp.file("a/b/c.txt"), "neu"));
    EXPECT_TRUE(testsupport::writeBytes(tmp.file("a/d.txt"), "neu"));
  }
  EXPECT_EQ(testsupport::readBytes(tmp.file("a/b/c.txt")), "neu");
  EXPECT_EQ(testsupport::readBytes(tmp.file("a/d.txt")), "neu");
}

TEST(AsOrdinaryUser, TheWayIsOpenedBelowTheTopOnly) {
  testsupport::TempFolder tmp;
  QDir().mkpath(tmp.file("a/b"));
  const QByteArray top = QFile::encodeName(tmp.path()), a = QFile::encodeName(tmp.file("a"));
  ASSERT_EQ(::chmod(top.constData(), 01700), 0);
  ASSERT_EQ(::chmod(a.constData(), 0700), 0);
  ASSERT_TRUE(testsupport::OpenWayTo(tmp.file("a"), tmp.file("a/b")));
  struct stat st {};
  ASSERT_EQ(::stat(top.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 01700u);  // above the top: as it was
  ASSERT_EQ(::stat(a.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
  // Other bits, the sticky one too, stay.
  ASSERT_TRUE(testsupport::OpenWayTo(tmp.path(), tmp.file("a")));
  ASSERT_EQ(::stat(top.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 01755u);
  EXPECT_FALSE(testsupport::OpenWayTo(tmp.file("a/b"), tmp.file("a")));
}

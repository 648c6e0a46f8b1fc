#include <gtest/gtest.h>

#include <QDir>

#include "SystemInfo.h"
#include "TestSupport.h"

TEST(SystemInfo, FoldersComeFromTheUsersHome) {
  testsupport::FakeHome home;
  ResetWindowsInfo();
  const TWindowsInfo& info = WindowsInfo();
  EXPECT_EQ(info.Personal, home.path() + "/Documents");
  EXPECT_EQ(info.Desktop, home.path() + "/Desktop");
  EXPECT_FALSE(info.SystemRoot.isEmpty());
  EXPECT_FALSE(info.ProgramFilesDir.isEmpty());
  EXPECT_TRUE(info.TempPath.endsWith('/'));
  EXPECT_TRUE(info.AddressBookFile.isEmpty());  // no address book here; nothing else depends on it
  EXPECT_FALSE(info.Personal.endsWith('/'));
  EXPECT_EQ(&WindowsInfo(), &info);             // one instance for the run
}

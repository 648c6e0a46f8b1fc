// Cabinets: gcab as the oracle both ways, hostile names, the missing backend.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "KvCab.h"
#include "KvErrors.h"
#include "KvUnZipper.h"
#include "SmallDisk.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

TEST(Cab, GcabCabinetListsAndExtracts) {
  if (!have("gcab") || !KvCabinetBackend()) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src");
  auto a = textBytes(50000, 1), b = randomBytes(3000, 2);
  writeFile(d / "src/a.txt", a);
  writeFile(d / "src/b.bin", b);
  ASSERT_EQ(run("cd " + d / "src" + " && gcab -c -z " + d / "x.cab" + " a.txt b.bin"), 0);
  EXPECT_EQ(DetectArchiveType(d / "x.cab", akUnrecognized), akCab);
  TKvCabArchive c(d / "x.cab", fmOpenRead);
  c.Load();
  ASSERT_EQ(c.Count(), 2);
  EXPECT_EQ(c.Items(0)->FileName(), "a.txt");
  EXPECT_EQ(c.Items(1)->UncompressedSize(), 3000);
  // To a stream it really extracts.
  KvMemoryStream m;
  c.ExtractItemToStreamAt(1, &m);
  EXPECT_EQ(m.Data(), b);
  fs::create_directories(d / "out");
  c.SetBaseDirectory(d / "out");
  c.ExtractFiles("*.*");
  EXPECT_EQ(readFile(d / "out/a.txt"), a);
  c.TestAt(0);
  // The unzipper component recognises cabinets but does not open them.
  TKvUnZipper z;
  EXPECT_THROW(z.SetFileName(d / "x.cab"), EKvUnhandledType);
}

TEST(Cab, OurCabinetExtractsWithGcab) {
  if (!have("gcab") || !KvCabinetBackend()) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src/sub");
  auto a = textBytes(20000, 3);
  writeFile(d / "src/a.txt", a);
  writeFile(d / "src/sub/b.txt", bytes("unten"));
  {
    TKvCabArchive c(d / "neu.cab", fmCreate);
    c.SetBaseDirectory(d / "src");
    c.Load();
    c.Add(c.CreateItem("a.txt"));
    c.Add(c.CreateItem("sub/b.txt"));
    c.Save();
    EXPECT_EQ(c.Count(), 2);
  }
  fs::create_directories(d / "gx");
  ASSERT_EQ(run("cd " + d / "gx" + " && gcab -x " + d / "neu.cab" + " >/dev/null"), 0);
  EXPECT_EQ(readFile(d / "gx/a.txt"), a);
  EXPECT_EQ(readFile(d / "gx/sub/b.txt"), bytes("unten"));
}

TEST(Cab, RefusedWritesAndHostileNames) {
  if (!KvCabinetBackend()) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src");
  writeFile(d / "src/a.txt", bytes("a"));
  {
    TKvCabArchive c(d / "lzx.cab", fmCreate);
    c.SetBaseDirectory(d / "src");
    c.Load();
    c.CompressionType = kCabLZX;
    c.Add(c.CreateItem("a.txt"));
    EXPECT_THROW(c.Save(), EKvFCIAddFileError);
    c.CompressionType = kCabMSZip;
    c.SpanSizeLimit = 100000;
    EXPECT_THROW(c.Save(), EKvSpanningNotSupported);
    c.SpanSizeLimit = 0;
    // A stored name that climbs out of the folder.
    static_cast<TKvCabItem*>(c.Items(0))->SetFileName("..\\x");
    c.Save();
  }
  TKvCabArchive r(d / "lzx.cab", fmOpenRead);
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  fs::create_directories(d / "out");
  r.SetBaseDirectory(d / "out");
  r.ExtractOptions = eoRestorePath | eoCreateDirs;
  int failures = 0;
  r.OnProcessItemFailure = [&](TKvArchive*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int) { ++failures; };
  r.ExtractFiles("*.*");
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(fs::exists(d / "x"));
  EXPECT_TRUE(fs::is_empty(d / "out"));
  // Not a cabinet.
  writeFile(d / "kein.cab", bytes("MSCF und dann nichts"));
  TKvCabArchive bad(d / "kein.cab", fmOpenRead);
  EXPECT_THROW(bad.Load(), EKvInvalidCabFile);
}

// A save that does not fit on the disk fails and keeps the old cabinet as it was, with
// nothing left beside it; a save that fits replaces it and keeps its mode.
TEST(Cab, FullDiskKeepsTheOldCabinet) {
  if (!KvCabinetBackend()) GTEST_SKIP();
  TempDir d;
  testsupport::SmallDisk disk(d / "klein", 300);
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  fs::create_directories(d / "src");
  writeFile(d / "src/a.txt", textBytes(20000, 5));
  writeFile(d / "src/gross.bin", randomBytes(400000, 6));
  writeFile(d / "src/b.txt", bytes("zweites"));
  const std::string cab = disk.path() + "/alt.cab";
  {
    TKvCabArchive c(cab, fmCreate);
    c.SetBaseDirectory(d / "src");
    c.Load();
    c.Add(c.CreateItem("a.txt"));
    c.Save();
  }
  ASSERT_EQ(::chmod(cab.c_str(), 0640), 0);
  const auto before = readFile(cab);
  auto listing = [&] {
    std::vector<std::string> v;
    for (auto& e : fs::directory_iterator(disk.path())) v.push_back(e.path().filename().string());
    return v;
  };
  {
    TKvCabArchive c(cab, fmOpenRead);
    c.SetBaseDirectory(d / "src");
    c.Load();
    c.Add(c.CreateItem("gross.bin"));
    EXPECT_THROW(c.Save(), EKvCabException);
    EXPECT_EQ(readFile(cab), before);
    EXPECT_EQ(listing(), std::vector<std::string>{"alt.cab"});
    // The archive still reads its cabinet.
    KvMemoryStream m;
    c.ExtractItemToStreamAt(0, &m);
    EXPECT_EQ(m.Data(), textBytes(20000, 5));
  }
  {
    TKvCabArchive c(cab, fmOpenRead);
    c.SetBaseDirectory(d / "src");
    c.Load();
    c.Add(c.CreateItem("b.txt"));
    c.Save();
    EXPECT_EQ(c.Count(), 2);
  }
  EXPECT_EQ(listing(), std::vector<std::string>{"alt.cab"});
  struct ::stat st;
  ASSERT_EQ(::stat(cab.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (have("gcab")) {
    fs::create_directories(d / "gx");
    ASSERT_EQ(run("cd " + d / "gx" + " && gcab -x '" + cab + "' >/dev/null"), 0);
    EXPECT_EQ(readFile(d / "gx/b.txt"), bytes("zweites"));
  }
}

TEST(Cab, MissingBackendIsReportedOnFirstUse) {
  TempDir d;
  writeFile(d / "x.cab", bytes("MSCF"));
  KvSetCabinetBackend(nullptr);
  TKvCabArchive c(d / "x.cab", fmOpenRead);  // creating the object does not need it
  EXPECT_THROW(c.Load(), EKvNoCabinetDll);
  KvUseDefaultCabinetBackend();
}

}  // namespace

// TAR and GZIP: our archives through GNU tar and gzip, theirs through ours, hostile headers.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "KvErrors.h"
#include "KvGzip.h"
#include "KvTar.h"
#include "KvUnZipper.h"
#include "TestFiles.h"
#include "ZlibStreams.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::string sh(const std::string& cmd) {
  std::string out;
  FILE* p = ::popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  ::pclose(p);
  return out;
}

std::string field(const uint8_t* p, int n) { return std::string(reinterpret_cast<const char*>(p), size_t(n)); }

TEST(TarHeader, OctalFields) {
  uint8_t f[12];
  KvTarPutNumber(f, 8, 0);
  EXPECT_EQ(field(f, 8), "      0 ");
  KvTarPutNumber(f, 12, 100);
  EXPECT_EQ(field(f, 12), "        144 ");
  int64_t v;
  ASSERT_TRUE(KvTarGetNumber(f, 12, v));
  EXPECT_EQ(v, 100);
  std::memset(f, ' ', 8);
  ASSERT_TRUE(KvTarGetNumber(f, 8, v));
  EXPECT_EQ(v, 0);
  // Too large for eleven octal digits: base-256, read back whole.
  KvTarPutNumber(f, 12, 100'000'000'000ull);
  EXPECT_EQ(f[0], 0x80);
  ASSERT_TRUE(KvTarGetNumber(f, 12, v));
  EXPECT_EQ(v, 100'000'000'000ll);
  std::memcpy(f, "12x4       ", 12);
  EXPECT_FALSE(KvTarGetNumber(f, 12, v));
}

// Writes files into dir and builds an archive of them with our writer.
template <class A>
std::unique_ptr<A> newArchive(const std::string& name, const std::string& base) {
  auto a = std::make_unique<A>(name, fmCreate);
  a->SetBaseDirectory(base);
  a->Load();
  return a;
}

TEST(Tar, OurArchiveReadsInGnuTarAndBack) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src/sub");
  std::string longName = "sub/" + std::string(120, 'n') + ".txt";
  auto a1 = textBytes(100, 1), a2 = randomBytes(70000, 2), a3 = bytes("lang");
  writeFile(d / "src/a.txt", a1);
  writeFile(d / "src/sub/b.bin", a2);
  writeFile(d / ("src/" + longName), a3);
  writeFile(d / "src/empty", {});
  {
    auto t = newArchive<TKvTarArchive>(d / "x.tar", d / "src");
    for (std::string n : {"a.txt", "sub/b.bin", longName.c_str(), "empty"}) t->Add(t->CreateItem(n));
    t->Save();
    EXPECT_EQ(t->Count(), 4);
  }
  std::string list = sh("tar -tvf " + d / "x.tar" + " 2>&1");
  EXPECT_NE(list.find("a.txt"), std::string::npos) << list;
  EXPECT_NE(list.find(longName), std::string::npos) << list;
  fs::create_directories(d / "gnu");
  ASSERT_EQ(run("tar -xf " + d / "x.tar" + " -C " + d / "gnu"), 0);
  EXPECT_EQ(readFile(d / "gnu/sub/b.bin"), a2);
  EXPECT_EQ(readFile(d / ("gnu/" + longName)), a3);
  // The first entry's data starts at 512 and the next header at 1024.
  auto raw = readFile(d / "x.tar");
  EXPECT_EQ(std::memcmp(raw.data() + 512, a1.data(), 100), 0);
  EXPECT_EQ(std::memcmp(raw.data() + 1024, "sub/b.bin", 9), 0);

  TKvTarArchive r(d / "x.tar", fmOpenRead);
  fs::create_directories(d / "ours");
  r.SetBaseDirectory(d / "ours");
  r.ExtractOptions = eoCreateDirs | eoRestorePath;
  r.Load();
  ASSERT_EQ(r.Count(), 4);
  EXPECT_EQ(r.Items(2)->FileName(), longName);
  r.ExtractFiles("*.*");
  EXPECT_EQ(readFile(d / "ours/a.txt"), a1);
  EXPECT_EQ(readFile(d / ("ours/" + longName)), a3);
  EXPECT_TRUE(fs::exists(d / "ours/empty"));
  r.TestAt(1);
}

TEST(Tar, DeleteAndMoveRewriteTheArchive) {
  TempDir d;
  fs::create_directories(d / "src");
  writeFile(d / "src/a", bytes("eins"));
  writeFile(d / "src/b", bytes("zwei"));
  auto t = newArchive<TKvTarArchive>(d / "x.tar", d / "src");
  t->Add(t->CreateItem("a"));
  t->Add(t->CreateItem("b"));
  t->Save();
  t->Items(0)->Action = iaDelete;
  t->IsDirty = true;
  t->Save();
  ASSERT_EQ(t->Count(), 1);
  t->Move(t->Items(0), "neu/b2");
  t->Save();
  TKvTarArchive r(d / "x.tar", fmOpenRead);
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  EXPECT_EQ(r.Items(0)->FileName(), "neu/b2");
  KvMemoryStream m;
  r.ExtractItemToStreamAt(0, &m);
  EXPECT_EQ(m.Data(), bytes("zwei"));
}

TEST(Tar, GnuUstarAndPaxLongNamesRead) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  std::string deep = std::string(60, 'd') + "/" + std::string(70, 'e');
  fs::create_directories(d / ("src/" + deep));
  std::string file = deep + "/" + std::string(90, 'f') + ".jpg";
  writeFile(d / ("src/" + file), bytes("bild"));
  for (std::string fmt : {"gnu", "ustar", "pax", "oldgnu"}) {
    std::string tarName = d / (fmt + ".tar");
    int rc = run("tar --format=" + fmt + " -cf " + tarName + " -C " + d / "src" + " . 2>/dev/null");
    if (fmt == "ustar" && rc != 0) continue;  // ustar cannot hold every long name
    ASSERT_EQ(rc, 0) << fmt;
    TKvTarArchive r(tarName, fmOpenRead);
    r.Load();
    bool found = false;
    for (int i = 0; i < r.Count(); ++i)
      if (r.Items(i)->FileName() == "./" + file) {
        found = true;
        KvMemoryStream m;
        r.ExtractItemToStreamAt(i, &m);
        EXPECT_EQ(m.Data(), bytes("bild")) << fmt;
      }
    EXPECT_TRUE(found) << fmt;
  }
}

// A one-entry archive made by hand, its header patched by the test.
std::vector<uint8_t> handTar(const std::string& name, const std::string& data,
                             std::function<void(uint8_t*)> patch = {}) {
  KvMemoryStream m;
  KvTarWriteHeader(m, name, int64_t(data.size()), 0644, 1000000);
  std::vector<uint8_t> out = m.Data();
  std::vector<uint8_t> body(data.begin(), data.end());
  body.resize((body.size() + 511) / 512 * 512);
  out.insert(out.end(), body.begin(), body.end());
  out.resize(out.size() + 1024);
  if (patch) {
    patch(out.data());
    std::memset(out.data() + 148, ' ', 8);
    KvTarPutNumber(out.data() + 148, 8, KvTarChecksum(out.data()));
  }
  return out;
}

TEST(Tar, HostileHeaders) {
  TempDir d;
  struct Case {
    const char* what;
    std::function<void(uint8_t*)> patch;
  } cases[] = {
      {"size 37777777000", [](uint8_t* h) { std::memcpy(h + 124, "37777777000 ", 12); }},
      {"huge base-256", [](uint8_t* h) { std::memset(h + 124, 0xFF, 12); h[124] = 0x80; }},
      {"negative base-256", [](uint8_t* h) { std::memset(h + 124, 0xFF, 12); }},
      {"non-octal size", [](uint8_t* h) { std::memcpy(h + 124, "0000000001x ", 12); }},
  };
  for (auto& c : cases) {
    writeFile(d / "h.tar", handTar("a.txt", "inhalt", c.patch));
    TKvTarArchive r(d / "h.tar", fmOpenRead);
    EXPECT_THROW(r.Load(), EKvException) << c.what;
    EXPECT_EQ(VerifyTarStream(*r.Stream()), 0) << c.what;
  }
  // Truncated: the data promised is not there.
  auto t = handTar("a.txt", std::string(2000, 'x'));
  t.resize(1024);
  writeFile(d / "t.tar", t);
  TKvTarArchive tr(d / "t.tar", fmOpenRead);
  EXPECT_THROW(tr.Load(), EKvException);
}

// A wrong checksum: the GNU magics still make the block a header, other magics do not.
TEST(Tar, WrongChecksumUnderAKnownMagic) {
  TempDir d;
  struct Case {
    const char* magic;  // 8 bytes at offset 257
    int kind;
  } cases[] = {
      {"ustar  \0", akTar},
      {"GNUtar \0", akTar},
      {"ustar\0" "00", 0},
      {"\0\0\0\0\0\0\0\0", 0},
  };
  for (auto& c : cases) {
    auto b = handTar("a.txt", "x");
    std::memcpy(b.data() + 257, c.magic, 8);
    b[0] = 'b';  // after the checksum was made
    writeFile(d / "b.tar", b);
    KvFileStream f(d / "b.tar", fmOpenRead);
    EXPECT_EQ(VerifyTar(f), c.kind) << c.magic;
    EXPECT_EQ(VerifyTarStream(f), c.kind) << c.magic;
    TKvTarArchive r(d / "b.tar", fmOpenRead);
    if (c.kind) {
      r.Load();
      ASSERT_EQ(r.Count(), 1);
      EXPECT_EQ(r.Items(0)->FileName(), "b.txt");
      r.TestAt(0);
    } else {
      EXPECT_THROW(r.Load(), EKvException) << c.magic;
    }
  }
}

TEST(Tar, NamesThatClimbOutAreRefused) {
  TempDir d;
  fs::create_directories(d / "out");
  auto raw = handTar("../x", "böse");
  writeFile(d / "up.tar", raw);
  TKvTarArchive r(d / "up.tar", fmOpenRead);
  r.SetBaseDirectory(d / "out");
  r.ExtractOptions = eoRestorePath | eoCreateDirs;
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  int failures = 0;
  r.OnProcessItemFailure = [&](TKvArchive*, TKvArchiveItem*, TKvProcessType, TKvErrorClass, int) { ++failures; };
  r.ExtractFiles("*.*");
  EXPECT_EQ(failures, 1);
  EXPECT_FALSE(fs::exists(d / "x"));
  EXPECT_TRUE(fs::is_empty(d / "out"));
}

TEST(Tar, DirectoryEntriesAreNotListed) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src/ordner");
  writeFile(d / "src/ordner/f", bytes("1"));
  run("tar -cf " + d / "x.tar" + " -C " + d / "src" + " ordner");
  TKvTarArchive r(d / "x.tar", fmOpenRead);
  int unhandled = 0;
  r.OnConfirmProcessItem = [&](TKvArchive*, TKvArchiveItem*, TKvProcessType pt, bool&) {
    if (pt == ptFoundUnhandled) ++unhandled;
  };
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  EXPECT_EQ(r.Items(0)->FileName(), "ordner/f");
  EXPECT_EQ(unhandled, 1);
}

TEST(Gzip, OurFilePassesGzipAndReadsBack) {
  TempDir d;
  fs::create_directories(d / "src");
  auto data = textBytes(150000, 3);
  writeFile(d / "src/daten.txt", data);
  {
    auto g = newArchive<TKvGzipArchive>(d / "daten.txt.gz", d / "src");
    g->Add(g->CreateItem("daten.txt"));
    g->Save();
  }
  if (have("gzip")) {
    EXPECT_EQ(run("gzip -t " + d / "daten.txt.gz"), 0);
    EXPECT_EQ(sh("gzip -dc " + d / "daten.txt.gz"), std::string(data.begin(), data.end()));
    EXPECT_NE(sh("gzip -lN " + d / "daten.txt.gz").find("daten.txt"), std::string::npos);
  }
  TKvGzipArchive r(d / "daten.txt.gz", fmOpenRead);
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  EXPECT_EQ(r.Items(0)->FileName(), "daten.txt");
  EXPECT_EQ(r.Items(0)->UncompressedSize(), int64_t(data.size()));
  r.TestAt(0);
  fs::create_directories(d / "out");
  r.SetBaseDirectory(d / "out");
  r.ExtractFiles("*.*");
  EXPECT_EQ(readFile(d / "out/daten.txt"), data);
}

TEST(Gzip, MembersAreJoinedAndFieldsRead) {
  TempDir d;
  auto a = bytes("erstes Mitglied\n"), b = textBytes(5000, 4);
  auto ga = gzipBytes(a), gb = gzipBytes(b);
  std::vector<uint8_t> both = ga;
  both.insert(both.end(), gb.begin(), gb.end());
  writeFile(d / "ab.gz", both);
  TKvGzipArchive r(d / "ab.gz", fmOpenRead);
  r.Load();
  ASSERT_EQ(r.Count(), 1);
  EXPECT_EQ(r.Items(0)->FileName(), "unknown");
  KvMemoryStream m;
  r.ExtractItemToStreamAt(0, &m);
  auto want = a;
  want.insert(want.end(), b.begin(), b.end());
  EXPECT_EQ(m.Data(), want);
  r.TestAt(0);

  // FEXTRA, FNAME, FCOMMENT and FHCRC, with the data behind the comment's zero.
  KvMemoryStream src(b), out;
  TKvGzipItem item;
  item.SetFileName("name.txt");
  item.Extra = std::string("XY\x02" "\0" "ab", 6);
  item.Comment = "Kommentar";
  item.WriteHeaderCRC = true;
  KvGzipWrite(out, item, src);
  writeFile(d / "f.gz", out.Data());
  if (have("gzip")) {
    EXPECT_EQ(run("gzip -t " + d / "f.gz"), 0);
  }
  KvMemoryStream back(out.Data());
  TKvGzipItem rd;
  rd.ReadHeader(back);
  EXPECT_EQ(rd.FileName(), "name.txt");
  EXPECT_EQ(rd.Comment, "Kommentar");
  EXPECT_EQ(rd.Extra, std::string("XY\x02" "\0" "ab", 6));
  KvMemoryStream plain;
  KvGunzip(back, &plain);
  EXPECT_EQ(plain.Data(), b);
}

TEST(Gzip, DamagedFilesLeaveNothing) {
  TempDir d;
  fs::create_directories(d / "out");
  auto data = textBytes(3000, 5);
  KvMemoryStream src(data), gz;
  TKvGzipItem item;
  item.SetFileName("../x");
  KvGzipWrite(gz, item, src);
  auto good = gz.Data();
  struct Case {
    const char* what;
    size_t offsetFromEnd;
    bool expectCrc;
  } cases[] = {{"crc", 8, true}, {"size", 4, false}};
  for (auto& c : cases) {
    auto bad = good;
    bad[bad.size() - c.offsetFromEnd] ^= 0x55;
    writeFile(d / "bad.gz", bad);
    TKvGzipArchive r(d / "bad.gz", fmOpenRead);
    r.SetBaseDirectory(d / "out");
    r.Load();
    if (c.expectCrc) {
      EXPECT_THROW(r.ExtractItemAt(0, ""), EKvGzipBadCRC);
    } else {
      EXPECT_THROW(r.ExtractItemAt(0, ""), EKvGzipBadFileSize);
    }
    EXPECT_TRUE(fs::is_empty(d / "out")) << c.what;
    EXPECT_THROW(r.TestAt(0), EKvException) << c.what;
  }
  // The good file with the name "../x" lands as "x" inside the folder.
  writeFile(d / "good.gz", good);
  TKvGzipArchive r(d / "good.gz", fmOpenRead);
  r.SetBaseDirectory(d / "out");
  r.ExtractOptions = eoRestorePath;
  r.Load();
  r.ExtractItemAt(0, "");
  EXPECT_EQ(readFile(d / "out/x"), data);
  EXPECT_FALSE(fs::exists(d / "x"));
  // A name without its zero byte is refused, not read forever.
  std::vector<uint8_t> endless = {31, 139, 8, gzFName, 0, 0, 0, 0, 0, 3};
  endless.resize(200000, 'n');
  writeFile(d / "endless.gz", endless);
  TKvGzipArchive e(d / "endless.gz", fmOpenRead);
  EXPECT_THROW(e.Load(), EKvGzipInvalid);
}

TEST(Gzip, GzippedTarShownAsTar) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src/dir");
  auto a = textBytes(40000, 6);
  writeFile(d / "src/dir/a.txt", a);
  writeFile(d / "src/b.txt", bytes("b"));
  ASSERT_EQ(run("tar -czf " + d / "x.tgz" + " -C " + d / "src" + " dir/a.txt b.txt"), 0);
  EXPECT_EQ(DetectArchiveType(d / "x.tgz", akUnrecognized), akGzippedTar);
  TKvGzipArchive g(d / "x.tgz", fmOpenRead);
  g.IsGzippedTar = true;
  g.SetPresentAsTar(true);
  g.Load();
  ASSERT_EQ(g.Count(), 2);
  EXPECT_EQ(g.Items(0)->FileName(), "dir/a.txt");
  fs::create_directories(d / "out");
  g.SetBaseDirectory(d / "out");
  g.ExtractOptions = eoRestorePath | eoCreateDirs;
  g.ExtractFiles("*.*");
  EXPECT_EQ(readFile(d / "out/dir/a.txt"), a);
  // Deleting an entry writes a new gzipped TAR that GNU tar reads.
  g.Items(1)->Action = iaDelete;
  g.IsDirty = true;
  g.Save();
  EXPECT_EQ(g.Count(), 1);
  EXPECT_EQ(sh("tar -tzf " + d / "x.tgz"), "dir/a.txt\n");
  if (have("gzip")) {
    EXPECT_EQ(run("gzip -t " + d / "x.tgz"), 0);
  }
}

TEST(Gzip, NewGzippedTarFromNothing) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src");
  writeFile(d / "src/eins.txt", bytes("eins"));
  {
    TKvGzipArchive g(d / "neu.tgz", fmCreate);
    g.IsGzippedTar = true;
    g.SetPresentAsTar(true);
    g.SetBaseDirectory(d / "src");
    g.Load();
    EXPECT_EQ(g.Count(), 0);
    g.Add(g.CreateItem("eins.txt"));
    g.Save();
  }
  EXPECT_EQ(sh("tar -tzf " + d / "neu.tgz"), "eins.txt\n");
}

TEST(Gzip, UnzipperShowsAGzippedTarAsItsFiles) {
  if (!have("tar")) GTEST_SKIP();
  TempDir d;
  fs::create_directories(d / "src");
  writeFile(d / "src/a.txt", bytes("A"));
  writeFile(d / "src/b.txt", bytes("BB"));
  ASSERT_EQ(run("tar -czf " + d / "x.tgz" + " -C " + d / "src" + " a.txt b.txt"), 0);
  fs::create_directories(d / "out");
  for (bool asTar : {false, true}) {
    TKvUnZipper z;
    z.TarAutoHandle = asTar;
    z.SetFileName(d / "x.tgz");
    ASSERT_EQ(z.Count(), asTar ? 2 : 1);
    if (asTar) {
      z.SetBaseDirectory(d / "out");
      z.ExtractFiles("*.*");
      EXPECT_EQ(readFile(d / "out/b.txt"), bytes("BB"));
    }
  }
}

}  // namespace

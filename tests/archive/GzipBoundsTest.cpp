// GZIP and gzipped TAR on hostile input: output bounded by what the trailer declares and
// by the target's free space, a gzipped TAR listed without being unpacked anywhere.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <filesystem>

#include "DeflateBomb.h"
#include "KvErrors.h"
#include "KvGzip.h"
#include "KvTar.h"
#include "SmallDisk.h"
#include "TestFiles.h"
#include "ZlibStreams.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

constexpr int64_t kGiB = int64_t(1) << 30;

// The TAR bytes of one entry's header (and its data, padded, when given).
std::vector<uint8_t> tarPart(const std::string& name, int64_t size, const std::string& data = "") {
  KvMemoryStream m;
  KvTarWriteHeader(m, name, size, 0644, 1000000);
  auto v = m.Data();
  std::vector<uint8_t> body(data.begin(), data.end());
  if (!body.empty()) body.resize((body.size() + 511) / 512 * 512);
  v.insert(v.end(), body.begin(), body.end());
  return v;
}

TEST(GzipBomb, TheWriterMakesWhatGzipAndTarRead) {
  if (!have("gzip") || !have("tar")) GTEST_SKIP();
  TempDir d;
  auto prefix = tarPart("a.txt", 3, "abc");
  auto head = tarPart("null.bin", 1 << 20);
  prefix.insert(prefix.end(), head.begin(), head.end());
  writeZeroBomb(d / "t.tgz", prefix, (1 << 20) + 1024);
  EXPECT_EQ(run("gzip -t " + d / "t.tgz"), 0);
  std::string list = d / "list";
  ASSERT_EQ(run("tar -tvzf " + d / "t.tgz" + " >" + list), 0);
  auto text = readFile(list);
  std::string s(text.begin(), text.end());
  EXPECT_NE(s.find(" 1048576 "), std::string::npos) << s;
  EXPECT_NE(s.find("null.bin"), std::string::npos) << s;
  writeZeroBomb(d / "lie.gz", {}, 1 << 20, 1024);
  EXPECT_NE(run("gzip -t " + d / "lie.gz" + " 2>/dev/null"), 0);
}

TEST(GzipBomb, OutputStopsAtTheDeclaredSize) {
  TempDir d;
  // 2 MiB that inflate to 2 GiB of zeros, the trailer saying 1 KiB.
  const int64_t zeros = 2 * kGiB;
  writeZeroBomb(d / "bomb.gz", {}, zeros, 1024);
  EXPECT_LT(fs::file_size(d / "bomb.gz"), 2'200'000u);
  {
    TKvGzipArchive g(d / "bomb.gz", fmOpenRead);
    g.Load();
    KvMemoryStream m;
    EXPECT_THROW(g.ExtractItemToStreamAt(0, &m), EKvGzipBadFileSize);
    // Stopped where the declared size was passed, not after the whole output.
    EXPECT_LE(m.Size(), 1024 + 2 * 258);
  }
  // Into a 300 KiB file system: the size error, not a full disk, and nothing left.
  testsupport::SmallDisk disk(d / "small");
  std::string out = disk.mounted() ? disk.path() : d / "out";
  fs::create_directories(out);
  TKvGzipArchive g(d / "bomb.gz", fmOpenRead);
  g.SetBaseDirectory(out);
  g.Load();
  EXPECT_THROW(g.ExtractItemAt(0, "x"), EKvGzipBadFileSize);
  EXPECT_TRUE(fs::is_empty(out));
  EXPECT_THROW(g.TestAt(0), EKvGzipBadFileSize);
}

TEST(GzipBomb, TrueSizesStillInflate) {
  TempDir d;
  auto big = textBytes(300000, 7), small = bytes("klein\n");
  struct Case {
    const char* what;
    std::vector<std::vector<uint8_t>> members;
    bool lyingFirst;
  } cases[] = {
      {"one member", {big}, false},
      // The last trailer declares 6 bytes; the first member is larger and tells its own size.
      {"large member first", {big, small}, false},
      {"three members", {small, big, small}, false},
      // Padding after the last member: the file's last four bytes are no size.
      {"zero padding", {big, std::vector<uint8_t>(1024, 0)}, false},
      // A first member whose own trailer lies cannot hide behind a second one.
      {"lying first member", {big, small}, true},
  };
  for (auto& c : cases) {
    std::vector<uint8_t> file, want;
    for (size_t i = 0; i < c.members.size(); ++i) {
      bool padding = i > 0 && c.members[i].size() == 1024 && c.members[i][0] == 0;
      auto m = padding ? c.members[i] : gzipBytes(c.members[i]);
      if (i == 0 && c.lyingFirst) m[m.size() - 4] ^= 0x40;
      file.insert(file.end(), m.begin(), m.end());
      if (!padding) want.insert(want.end(), c.members[i].begin(), c.members[i].end());
    }
    writeFile(d / "f.gz", file);
    fs::create_directories(d / "out");
    TKvGzipArchive g(d / "f.gz", fmOpenRead);
    g.SetBaseDirectory(d / "out");
    g.Load();
    if (c.lyingFirst) {
      EXPECT_THROW(g.ExtractItemAt(0, "x"), EKvGzipBadFileSize) << c.what;
      EXPECT_TRUE(fs::is_empty(d / "out")) << c.what;
      continue;
    }
    g.ExtractItemAt(0, "x");
    EXPECT_EQ(readFile(d / "out/x"), want) << c.what;
    g.TestAt(0);
    fs::remove_all(d / "out");
  }
}

TEST(GzipBomb, OutputStopsAtTheTargetsFreeSpace) {
  TempDir d;
  testsupport::SmallDisk disk(d / "small");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  // A true 4 MiB file: more than the file system holds.
  writeZeroBomb(d / "big.gz", bytes("Anfang"), 4 << 20);
  TKvGzipArchive g(d / "big.gz", fmOpenRead);
  g.SetBaseDirectory(disk.path());
  g.Load();
  EXPECT_THROW(g.ExtractItemAt(0, "x"), EKvNoDiskSpace);
  EXPECT_TRUE(fs::is_empty(disk.path()));
  // A bit bucket has no disk behind it.
  g.TestAt(0);
}

// Two small entries, then one of 2 GiB, as a stream of 2 MiB.
void writeLargeTgz(const std::string& path) {
  auto prefix = tarPart("klein.txt", 5, "klein");
  auto mid = tarPart("mitte.txt", 700, std::string(700, 'm'));
  auto head = tarPart("gross.bin", 2 * kGiB);
  prefix.insert(prefix.end(), mid.begin(), mid.end());
  prefix.insert(prefix.end(), head.begin(), head.end());
  writeZeroBomb(path, prefix, 2 * kGiB + 1024);
}

TEST(GzippedTar, ListedAndExtractedWithoutUnpackingTheWhole) {
  TempDir d;
  writeLargeTgz(d / "x.tgz");
  fs::create_directories(d / "swap");
  fs::create_directories(d / "tmp");
  fs::create_directories(d / "out");
  const char* oldTmp = std::getenv("TMPDIR");
  std::string keepTmp = oldTmp ? oldTmp : "";
  ::setenv("TMPDIR", (d / "tmp").c_str(), 1);
  {
    TKvGzipArchive g(d / "x.tgz", fmOpenRead);
    g.TempDirectory = d / "swap";
    g.IsGzippedTar = true;
    g.SetPresentAsTar(true);
    g.SetBaseDirectory(d / "out");
    g.Load();
    ASSERT_EQ(g.Count(), 3);
    EXPECT_EQ(g.Items(0)->FileName(), "klein.txt");
    EXPECT_EQ(g.Items(1)->FileName(), "mitte.txt");
    EXPECT_EQ(g.Items(2)->FileName(), "gross.bin");
    EXPECT_EQ(g.Items(2)->UncompressedSize(), 2 * kGiB);
    // While the archive is open, nothing of the TAR lies in a temporary folder.
    EXPECT_TRUE(fs::is_empty(d / "swap"));
    EXPECT_TRUE(fs::is_empty(d / "tmp"));
    g.ExtractItemAt(0, "");
    EXPECT_EQ(readFile(d / "out/klein.txt"), bytes("klein"));
    KvMemoryStream mid;
    g.ExtractItemToStreamAt(1, &mid);
    EXPECT_EQ(mid.Data(), bytes(std::string(700, 'm')));
    EXPECT_TRUE(fs::is_empty(d / "swap"));
    EXPECT_TRUE(fs::is_empty(d / "tmp"));
  }
  if (keepTmp.empty()) ::unsetenv("TMPDIR");
  else ::setenv("TMPDIR", keepTmp.c_str(), 1);
}

TEST(GzippedTar, SaveOrExtractThatCannotFitIsRefused) {
  TempDir d;
  testsupport::SmallDisk disk(d / "small");
  if (!disk.mounted()) GTEST_SKIP() << disk.reason();
  writeLargeTgz(d / "x.tgz");
  auto before = readFile(d / "x.tgz");
  fs::create_directories(d / "src");
  writeFile(d / "src/neu.txt", bytes("neu"));
  TKvGzipArchive g(d / "x.tgz", fmOpenRead);
  g.TempDirectory = disk.path();
  g.IsGzippedTar = true;
  g.SetPresentAsTar(true);
  g.SetBaseDirectory(disk.path());
  g.Load();
  ASSERT_EQ(g.Count(), 3);
  // The large entry does not fit the target: refused before a byte is written.
  EXPECT_THROW(g.ExtractItemAt(2, ""), EKvNoDiskSpace);
  EXPECT_TRUE(fs::is_empty(disk.path()));
  // Adding a file means holding the old TAR whole: refused, the archive as it was.
  g.SetBaseDirectory(d / "src");
  g.Add(g.CreateItem("neu.txt"));
  EXPECT_THROW(g.Save(), EKvNoDiskSpace);
  EXPECT_TRUE(fs::is_empty(disk.path()));
  EXPECT_EQ(readFile(d / "x.tgz"), before);
  // No temporary file is left beside the archive.
  int files = 0;
  for (auto& e : fs::directory_iterator(d.path)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST(GzippedTar, StreamListerAgreesWithTheScanner) {
  // Long names (GNU and pax), a directory, an empty file and a cut archive.
  TempDir d;
  if (!have("tar")) GTEST_SKIP();
  std::string deep = std::string(60, 'd') + "/" + std::string(70, 'e');
  fs::create_directories(d / ("src/" + deep));
  writeFile(d / ("src/" + deep + "/" + std::string(90, 'f')), bytes("bild"));
  writeFile(d / "src/leer", {});
  writeFile(d / "src/daten", textBytes(5000, 2));
  for (std::string fmt : {"gnu", "pax"}) {
    std::string t = d / (fmt + ".tar");
    ASSERT_EQ(run("tar --format=" + fmt + " -cf " + t + " -C " + d / "src" + " ."), 0);
    auto raw = readFile(t);
    for (size_t cut : {raw.size(), raw.size() - 1024 - 512 - 7}) {
      KvMemoryStream whole(std::vector<uint8_t>(raw.begin(), raw.begin() + long(cut)));
      std::vector<KvTarEntry> scanned;
      bool scanFailed = false;
      try {
        KvTarScanner sc(whole);
        KvTarEntry e;
        while (sc.Next(e)) scanned.push_back(e);
      } catch (const EKvException&) {
        scanFailed = true;
      }
      KvTarStreamLister l;
      bool listFailed = false;
      try {
        // In uneven pieces, as an inflater hands them on.
        for (size_t at = 0; at < cut; at += 777) l.WriteBuffer(raw.data() + at, int64_t(std::min<size_t>(777, cut - at)));
        l.Finish();
      } catch (const EKvException&) {
        listFailed = true;
      }
      EXPECT_EQ(listFailed, scanFailed) << fmt << " " << cut;
      if (scanFailed) continue;
      ASSERT_EQ(l.Entries.size(), scanned.size()) << fmt;
      for (size_t i = 0; i < scanned.size(); ++i) {
        EXPECT_EQ(l.Entries[i].Name, scanned[i].Name);
        EXPECT_EQ(l.Entries[i].DataPos, scanned[i].DataPos);
        EXPECT_EQ(l.Entries[i].Size, scanned[i].Size);
        EXPECT_EQ(l.Entries[i].Type, scanned[i].Type);
      }
    }
  }
}

}  // namespace

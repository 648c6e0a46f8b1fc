// ZIP reading and unzipping through the unzipper, against Info-ZIP, bsdtar and 7zz,
// and against hostile archives made here.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "KvArchive.h"
#include "KvUnZipper.h"
#include "KvUnzip.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "ZipBuilder.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

struct Failure {
  std::string name;
  TKvErrorClass cls;
  int code;
};

// An unzipper set up as a caller would, collecting failures.
struct Unzip {
  TKvUnZipper z;
  std::vector<Failure> failures;
  int passwordCalls = 0;
  std::vector<std::string> answers;
  Unzip() {
    z.OnProcessItemFailure = [this](TKvBaseBrowser*, TKvArchiveItem* it, TKvProcessType, TKvErrorClass c, int code) {
      failures.push_back({it->FileName(), c, code});
    };
    z.OnNeedPassword = [this](TKvBaseBrowser*, std::string& pw) {
      pw = answers.empty() ? std::string() : answers[size_t(passwordCalls) % answers.size()];
      ++passwordCalls;
    };
  }
  void open(const std::string& file, const std::string& base, uint8_t options = eoCreateDirs) {
    z.SetExtractOptions(options);
    z.SetFileName(file);
    z.SetBaseDirectory(base);
  }
};

std::string sh(const std::string& s) { return "'" + s + "'"; }

// Every file below root, relative name → bytes.
std::map<std::string, std::vector<uint8_t>> tree(const std::string& root) {
  std::map<std::string, std::vector<uint8_t>> m;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    if (e.is_symlink()) m[rel + "@link"] = {};
    else if (e.is_regular_file()) m[rel] = readFile(e.path().string());
    else if (e.is_directory()) m[rel + "/"] = {};
  }
  return m;
}

// A source folder with folders, text, a picture and binary data.
std::string makeSource(const std::string& root) {
  std::string src = root + "/src";
  fs::create_directories(src + "/bilder/rahmen");
  fs::create_directories(src + "/leer");
  writeFile(src + "/liesmich.txt", textBytes(20000, 1));
  writeFile(src + "/bilder/rahmen/r1.bmp", bmpBytes(120, 90));
  writeFile(src + "/bilder/zufall.bin", randomBytes(30000, 2));
  writeFile(src + "/bilder/null.dat", {});
  return src;
}

}  // namespace

class ZipInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    root = tmp.path().toStdString();
    src = makeSource(root);
    out = root + "/out";
    fs::create_directories(out);
  }
  void expectSameTree() {
    auto a = tree(src), b = tree(out);
    EXPECT_EQ(a, b);
  }
  testsupport::TempFolder tmp;
  std::string root, src, out;
};

TEST_F(ZipInterop, InfoZipArchivesListTestAndExtractByteIdentically) {
  if (!have("zip")) GTEST_SKIP() << "zip missing";
  std::string zip = root + "/a.zip";
  ASSERT_EQ(run("cd " + sh(src) + " && zip -qr " + sh(zip) + " ."), 0);
  Unzip u;
  u.open(zip, out, eoCreateDirs | eoRestorePath);
  EXPECT_GE(u.z.Count(), 7);
  u.z.TestFiles("*.*");
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty()) << u.failures.size() << " " << (u.failures.empty() ? "" : u.failures[0].name);
  expectSameTree();
  // Times come back as stored (DOS time: two-second steps).
  struct stat a, b;
  stat((src + "/liesmich.txt").c_str(), &a);
  stat((out + "/liesmich.txt").c_str(), &b);
  EXPECT_LE(std::llabs(int64_t(a.st_mtime) - int64_t(b.st_mtime)), 2);
}

TEST_F(ZipInterop, DataDescriptorsFromAPipe) {
  if (!have("zip")) GTEST_SKIP();
  std::string zip = root + "/d.zip";
  ASSERT_EQ(run("cd " + sh(src) + " && zip -q - liesmich.txt bilder/zufall.bin | cat > " + sh(zip)), 0);
  Unzip u;
  u.open(zip, out, eoCreateDirs | eoRestorePath);
  auto* item = static_cast<TKvZipItem*>(u.z.GetItem(0));
  EXPECT_TRUE(item->GeneralPurposeBitFlag() & 8);
  u.z.TestFiles("*.*");
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty());
  EXPECT_EQ(readFile(out + "/liesmich.txt"), readFile(src + "/liesmich.txt"));
  EXPECT_EQ(readFile(out + "/bilder/zufall.bin"), readFile(src + "/bilder/zufall.bin"));
}

TEST_F(ZipInterop, PasswordsRightAndWrong) {
  if (!have("zip")) GTEST_SKIP();
  std::string zip = root + "/p.zip";
  ASSERT_EQ(run("cd " + sh(src) + " && zip -q -P Geheim " + sh(zip) + " liesmich.txt bilder/null.dat && zip -q -0 -P Geheim " +
                sh(zip) + " bilder/zufall.bin"),
            0);
  {
    Unzip u;
    u.answers = {"Geheim"};
    u.open(zip, out, eoCreateDirs | eoRestorePath);
    u.z.ExtractFiles("*.*");
    EXPECT_TRUE(u.failures.empty());
    EXPECT_EQ(readFile(out + "/liesmich.txt"), readFile(src + "/liesmich.txt"));
    EXPECT_EQ(readFile(out + "/bilder/zufall.bin"), readFile(src + "/bilder/zufall.bin"));
    EXPECT_EQ(u.passwordCalls, 1);
  }
  fs::remove_all(out);
  fs::create_directories(out);
  {
    Unzip u;
    u.answers = {"falsch1", "falsch2", "falsch3", "falsch4"};
    u.open(zip, out, eoCreateDirs | eoRestorePath);
    u.z.ExtractFiles("*.txt;*.bin");
    ASSERT_EQ(u.failures.size(), 2u);
    // A wrong password passes the check byte of the random encryption header once in 256 (or
    // 65,536) tries; the garbage it deciphers then fails as a broken Deflate block (20, the
    // deflated liesmich.txt) or a CRC (23). Either way nothing is written.
    for (auto& f : u.failures)
      EXPECT_TRUE(f.code == 4 || f.code == 23 || (f.code == 20 && f.name == "liesmich.txt")) << f.name << " " << f.code;
    EXPECT_FALSE(fs::exists(out + "/liesmich.txt"));
    EXPECT_FALSE(fs::exists(out + "/bilder/zufall.bin"));
    EXPECT_LE(u.passwordCalls, 6);  // three tries per item at most
  }
  {
    Unzip u;  // nobody to ask
    u.z.OnNeedPassword = nullptr;
    u.open(zip, out);
    u.z.ExtractFiles("liesmich.txt");
    ASSERT_EQ(u.failures.size(), 1u);
    EXPECT_EQ(u.failures[0].code, 4);
  }
}

TEST_F(ZipInterop, BsdtarZipArchives) {
  if (!have("bsdtar")) GTEST_SKIP() << "bsdtar missing";
  std::string zip = root + "/b.zip";
  ASSERT_EQ(run("cd " + sh(src) + " && bsdtar -cf " + sh(zip) + " --format zip ."), 0);
  Unzip u;
  u.open(zip, out, eoCreateDirs | eoRestorePath);
  u.z.TestFiles("*.*");
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty()) << (u.failures.empty() ? "" : u.failures[0].name + " " + std::to_string(u.failures[0].code));
  expectSameTree();
}

TEST_F(ZipInterop, Deflate64From7zipExtracts) {
  if (!have("7zz")) GTEST_SKIP() << "7zz missing";
  std::string zip = root + "/s.zip";
  ASSERT_EQ(run("cd " + sh(src) + " && 7zz a -bd -tzip -mm=Deflate64 " + sh(zip) + " liesmich.txt bilder >/dev/null"), 0);
  Unzip u;
  u.open(zip, out, eoCreateDirs | eoRestorePath);
  bool sawDeflate64 = false;
  for (int i = 0; i < u.z.Count(); ++i) {
    auto* it = static_cast<TKvZipItem*>(u.z.GetItem(i));
    if (it->CompressionMethod() == 9) {
      sawDeflate64 = true;
      EXPECT_EQ(it->VersionNeededToExtract() & 0xFF, 21);
    }
  }
  EXPECT_TRUE(sawDeflate64);
  u.z.TestFiles("*.*");
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty());
  EXPECT_EQ(readFile(out + "/liesmich.txt"), readFile(src + "/liesmich.txt"));
  EXPECT_EQ(readFile(out + "/bilder/rahmen/r1.bmp"), readFile(src + "/bilder/rahmen/r1.bmp"));
}

TEST_F(ZipInterop, SpannedSetsInOurOwnNumbering) {
  if (!have("zip")) GTEST_SKIP();
  writeFile(src + "/gross.bin", randomBytes(200000, 5));
  std::string split = root + "/split";
  fs::create_directories(split);
  ASSERT_EQ(run("cd " + sh(src) + " && zip -qr -s 64k " + sh(split + "/x.zip") + " ."), 0);
  // Info-ZIP: x.z01 is the first part, x.zip the last. Ours: x.zip first, x.zNN after it.
  std::vector<std::string> parts;
  for (int i = 1; fs::exists(split + "/x.z" + (i < 10 ? "0" : "") + std::to_string(i)); ++i)
    parts.push_back(split + "/x.z" + (i < 10 ? "0" : "") + std::to_string(i));
  parts.push_back(split + "/x.zip");
  ASSERT_GE(parts.size(), 3u);
  std::string ours = root + "/ours";
  fs::create_directories(ours);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string name = ours + "/x.z" + (i < 10 ? "0" : "") + std::to_string(i);
    if (i == 0) name = ours + "/x.zip";
    fs::copy_file(parts[i], name);
  }
  Unzip u;
  u.open(ours + "/x.zip", out, eoCreateDirs | eoRestorePath);
  EXPECT_TRUE(u.z.Archive()->Spanned);
  u.z.ExtractFiles("*.*");
  EXPECT_TRUE(u.failures.empty()) << (u.failures.empty() ? "" : u.failures[0].name + " " + std::to_string(u.failures[0].code));
  expectSameTree();
}

// ---- hostile archives ----

class ZipHostile : public ::testing::Test {
 protected:
  void SetUp() override {
    root = tmp.path().toStdString();
    base = root + "/ziel";
    fs::create_directories(base);
    zip = root + "/h.zip";
  }
  Unzip& open(const std::vector<uint8_t>& data, uint8_t options = eoCreateDirs | eoRestorePath) {
    writeFile(zip, data);
    u = std::make_unique<Unzip>();
    u->open(zip, base, options);
    return *u;
  }
  // Nothing may appear next to the target folder.
  void expectNothingOutside() {
    for (auto& e : fs::directory_iterator(root)) {
      std::string n = e.path().filename().string();
      EXPECT_TRUE(n == "ziel" || n == "h.zip" || n == "geheim.txt" || n == "oben") << n;
    }
  }
  testsupport::TempFolder tmp;
  std::string root, base, zip;
  std::unique_ptr<Unzip> u;
};

TEST_F(ZipHostile, TraversalAndAbsoluteNamesFailAndTheRunGoesOn) {
  struct Case {
    const char* name;
    bool ok;            // extracted (made safe) or refused
    const char* where;  // where it lands when ok
  } cases[] = {
      {"../boese.txt", false, ""},         {"a/../../boese.txt", false, ""},  {"..\\boese.txt", false, ""},
      {"/etc/kvtest.txt", true, "etc/kvtest.txt"}, {"C:\\win\\x.txt", true, "win/x.txt"},
      {"\\\\srv\\share\\y.txt", true, "y.txt"},    {"./gut/./z.txt", true, "gut/z.txt"},
      {"a/..", false, ""},                         {"gut.txt", true, "gut.txt"},
  };
  Builder b;
  for (auto& c : cases) b.entries.push_back({c.name, bytes(std::string("inhalt ") + c.name)});
  open(b.build());
  u->z.ExtractFiles("*.*");
  int refused = 0;
  for (auto& c : cases) {
    if (c.ok) EXPECT_EQ(readFile(base + "/" + c.where), bytes(std::string("inhalt ") + c.name)) << c.name;
    else ++refused;
  }
  ASSERT_EQ(int(u->failures.size()), refused);
  for (auto& f : u->failures) EXPECT_EQ(f.code, 520) << f.name;
  expectNothingOutside();
  EXPECT_FALSE(fs::exists("/etc/kvtest.txt"));
}

TEST_F(ZipHostile, APlantedSymlinkIsNeverFollowed) {
  writeFile(root + "/geheim.txt", bytes("nicht anfassen"));
  fs::create_directories(root + "/oben");
  fs::create_symlink(root + "/geheim.txt", base + "/x.bmp");
  fs::create_directory_symlink(root + "/oben", base + "/ordner");
  Builder b;
  b.entries.push_back({"x.bmp", bytes("rahmen")});
  b.entries.push_back({"ordner/y.bmp", bytes("durch den link")});
  open(b.build());
  u->z.ExtractFiles("*.*");
  EXPECT_EQ(readFile(root + "/geheim.txt"), bytes("nicht anfassen"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(base + "/x.bmp")));  // the link itself was replaced
  EXPECT_EQ(readFile(base + "/x.bmp"), bytes("rahmen"));
  EXPECT_FALSE(fs::exists(root + "/oben/y.bmp"));
  ASSERT_EQ(u->failures.size(), 1u);
  EXPECT_EQ(u->failures[0].name, "ordner/y.bmp");
  expectNothingOutside();
}

TEST_F(ZipHostile, ABadCrcLeavesNoFileAndIsReportedOnce) {
  Builder b;
  Entry bad{"kaputt.txt", textBytes(5000, 3)};
  bad.crc = 0x12345678;
  b.entries.push_back(bad);
  Entry stored{"kaputt0.txt", textBytes(500, 3)};
  stored.method = 0;
  stored.crc = 1;
  b.entries.push_back(stored);
  b.entries.push_back({"heil.txt", bytes("heil")});
  open(b.build());
  u->z.ExtractFiles("*.*");
  ASSERT_EQ(u->failures.size(), 2u);
  EXPECT_EQ(u->failures[0].code, 23);
  EXPECT_EQ(u->failures[1].code, 23);
  EXPECT_FALSE(fs::exists(base + "/kaputt.txt"));
  EXPECT_FALSE(fs::exists(base + "/kaputt0.txt"));
  EXPECT_EQ(readFile(base + "/heil.txt"), bytes("heil"));
  // No temporary file stays behind.
  int files = 0;
  for (auto& e : fs::directory_iterator(base)) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(ZipHostile, EveryCutOfASmallArchiveEndsWithoutHangOrPrompt) {
  Builder b;
  b.entries.push_back({"a.txt", textBytes(3000, 4)});
  Entry s{"b.txt", bytes("gespeichert")};
  s.method = 0;
  b.entries.push_back(s);
  auto full = b.build();
  for (size_t cut = 0; cut < full.size(); ++cut) {
    std::vector<uint8_t> part(full.begin(), full.begin() + long(cut));
    writeFile(zip, part);
    Unzip v;
    int prompts = 0;
    v.z.SetOnRequestImage([&](TKvBaseBrowser*, int, std::string&, bool& abort) {
      ++prompts;
      abort = true;
    });
    try {
      v.open(zip, base);
      v.z.ExtractFiles("*.*");
      for (auto& f : v.failures) EXPECT_NE(f.cls, ecOther) << cut;
    } catch (const EKvException&) {
    }
    EXPECT_EQ(prompts, 0) << cut;
  }
}

TEST_F(ZipHostile, ABombStopsAtItsDeclaredSize) {
  std::vector<uint8_t> zeros(200u << 20, 0);
  auto packed = rawDeflate(zeros, 1);
  zeros.clear();
  zeros.shrink_to_fit();
  Builder b;
  Entry e{"bombe.bin", {}};
  e.packedOverride = packed;
  e.uncompressedSize = 1 << 20;
  e.crc = 0;
  b.entries.push_back(e);
  open(b.build());
  u->z.ExtractFiles("*.*");
  ASSERT_EQ(u->failures.size(), 1u);
  EXPECT_EQ(u->failures[0].code, 23);
  EXPECT_FALSE(fs::exists(base + "/bombe.bin"));
}

TEST_F(ZipHostile, OverlappingEntriesAreRefused) {
  Builder b;
  b.entries.push_back({"eins.txt", textBytes(4000, 6)});
  auto first = b.build();
  Entry again{"zwei.txt", textBytes(4000, 6)};
  again.offset = 0;  // the same data a second time
  again.writeLocal = false;
  b.entries.push_back(again);
  open(b.build());
  u->z.ExtractFiles("*.*");
  EXPECT_EQ(u->failures.size(), 2u);
  for (auto& f : u->failures) EXPECT_EQ(f.code, 26);
}

TEST_F(ZipHostile, ADirectoryClaimingMoreThanItHoldsIsInvalid) {
  std::vector<uint8_t> z(100, 0);
  Builder::put32(z, 0x06054B50);
  Builder::put16(z, 0);
  Builder::put16(z, 0);
  Builder::put16(z, 65535 - 1);
  Builder::put16(z, 65535 - 1);
  Builder::put32(z, 100);
  Builder::put32(z, 0);
  Builder::put16(z, 0);
  writeFile(zip, z);
  Unzip v;
  EXPECT_THROW(v.open(zip, base), EKvZipInvalid);
  EXPECT_EQ(v.z.Archive(), nullptr);
  TKvZipArchive a(zip, fmOpenRead);
  EXPECT_THROW(a.Load(), EKvZipInvalid);
}

TEST_F(ZipHostile, VersionsAndMethods) {
  Builder b;
  Entry v20{"v20.txt", bytes("zwanzig")};
  b.entries.push_back(v20);
  Entry v21{"v21.txt", bytes("einundzwanzig")};
  v21.version = 21;
  b.entries.push_back(v21);
  Entry v45{"v45.txt", bytes("zip64")};
  v45.version = 45;
  b.entries.push_back(v45);
  Entry m12{"m12.txt", bytes("bzip2")};
  m12.method = 12;
  m12.packedOverride = bytes("BZh9");
  b.entries.push_back(m12);
  Entry dir{"ordner/", {}};
  dir.method = 0;
  b.entries.push_back(dir);
  open(b.build(), eoCreateDirs);
  u->z.ExtractFiles("*.*");
  EXPECT_EQ(readFile(base + "/v20.txt"), bytes("zwanzig"));
  ASSERT_EQ(u->failures.size(), 3u);
  EXPECT_EQ(u->failures[0].code, 1);
  EXPECT_EQ(u->failures[1].code, 1);
  EXPECT_EQ(u->failures[2].code, 2);
  EXPECT_FALSE(fs::exists(base + "/ordner"));  // a folder without restored paths is skipped
}

TEST_F(ZipHostile, StoredProgressAndLegacyReduce) {
  Builder b;
  Entry s{"s.bin", randomBytes(3000, 1)};
  s.method = 0;
  b.entries.push_back(s);
  // Reduce, factor 1, with empty follower sets: plain 8-bit bytes with 144 as escape.
  std::vector<uint8_t> plain = bytes("ab\x90xyz");
  std::vector<uint8_t> packed;
  {
    uint32_t acc = 0;
    int n = 0;
    auto put = [&](uint32_t v, int bits) {
      for (int i = 0; i < bits; ++i) {
        acc |= ((v >> i) & 1u) << n;
        if (++n == 8) {
          packed.push_back(uint8_t(acc));
          acc = 0;
          n = 0;
        }
      }
    };
    for (int i = 0; i < 256; ++i) put(0, 6);
    for (uint8_t c : bytes("ab")) put(c, 8);
    put(0x90, 8);
    put(0, 8);  // escaped 144
    for (uint8_t c : bytes("xyz")) put(c, 8);
    put(0x90, 8);
    put(0x01, 8);  // length 1 + 3
    put(2, 8);     // distance 3
    if (n) packed.push_back(uint8_t(acc));
  }
  plain.insert(plain.end(), {'x', 'y', 'z', 'x'});
  Entry r{"r.txt", plain};
  r.method = 2;
  r.packedOverride = packed;
  b.entries.push_back(r);
  open(b.build(), eoCreateDirs);
  std::vector<int> progress;
  u->z.OnArchiveItemProgress = [&](TKvBaseBrowser*, TKvArchiveItem* it, uint8_t p, bool&) {
    if (it->FileName() == "s.bin") progress.push_back(p);
  };
  u->z.ExtractFiles("*.*");
  EXPECT_TRUE(u->failures.empty()) << (u->failures.empty() ? 0 : u->failures[0].code);
  EXPECT_EQ(progress, (std::vector<int>{34, 68, 100}));
  EXPECT_EQ(readFile(base + "/r.txt"), plain);
}

// ---- the unzipper component ----

TEST(UnZipper, DetectsTypesByExtensionAndContent) {
  testsupport::TempFolder tmp;
  std::string d = tmp.path().toStdString();
  Builder b;
  b.entries.push_back({"a.txt", bytes("a")});
  auto zip = b.build();
  auto put = [&](const std::string& n, const std::vector<uint8_t>& data) {
    writeFile(d + "/" + n, data);
    return d + "/" + n;
  };
  Builder sfx = b;
  sfx.prefix = bytes("MZ stub.");
  std::vector<uint8_t> exe = sfx.build();
  std::vector<uint8_t> elf = {0x7F, 'E', 'L', 'F'};
  elf.insert(elf.end(), zip.begin(), zip.end());
  std::vector<uint8_t> tar(1024, 0);
  std::memcpy(tar.data(), "a.txt", 5);
  std::memcpy(tar.data() + 100, "0000644", 7);
  std::memcpy(tar.data() + 124, "00000000000", 11);
  std::memcpy(tar.data() + 257, "ustar", 5);
  uint32_t sum = 0;
  for (int i = 0; i < 512; ++i) sum += (i >= 148 && i < 156) ? 32 : tar[size_t(i)];
  std::snprintf(reinterpret_cast<char*>(tar.data()) + 148, 8, "%06o", sum);
  std::vector<uint8_t> gz = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3};
  auto packedTar = rawDeflate(tar);
  std::vector<uint8_t> tgz = gz;
  tgz.insert(tgz.end(), packedTar.begin(), packedTar.end());
  auto packedTxt = rawDeflate(textBytes(1000, 1));
  gz.insert(gz.end(), packedTxt.begin(), packedTxt.end());
  struct Case {
    std::string file;
    TKvArchiveKind kind;
  } cases[] = {
      {put("gut.zip", zip), akZip},
      {put("schlecht.zip", bytes("kein zip, nur text, lang genug fuer eine suche")), akUnrecognized},
      {put("leer.zip", {}), akZip},
      {d + "/fehlt.zip", akZip},
      {put("span.zip", {0x50, 0x4B, 0x07, 0x08, 1, 2}), akSpannedZip},
      {put("span0.zip", bytes("PK00PK\x03\x04")), akSpannedZip},
      {put("setup.exe", exe), akSelfExtractingZip},
      {put("elf.exe", elf), akSelfExtractingZip},
      {put("nur.exe", bytes("MZ nothing")), akUnrecognized},
      {put("x.tar", tar), akTar},
      {put("x.gz", gz), akGzip},
      {put("x.tgz", tgz), akGzippedTar},
      {put("x.cab", bytes("MSCF\0\0\0\0")), akCab},
      {put("x.txt", zip), akUnrecognized},
  };
  for (auto& c : cases) EXPECT_EQ(DetectArchiveType(c.file, akUnrecognized), c.kind) << c.file;
  EXPECT_EQ(DetectArchiveType(d + "/fehlt.tar", akTar), akTar);
  EXPECT_EQ(DetectArchiveType(d + "/gut.zip", akSpannedZip), akUnrecognized);
  // Cabinets are recognised but not opened here: refused with the library's error, no archive left open.
  for (const char* n : {"x.cab", "schlecht.zip"}) {
    TKvUnZipper z;
    EXPECT_THROW(z.SetFileName(d + "/" + n), EKvUnhandledType) << n;
    EXPECT_EQ(z.Archive(), nullptr);
  }
  // TAR and GZIP open with their one entry.
  for (const char* n : {"x.tar", "x.gz", "x.tgz"}) {
    TKvUnZipper z;
    z.SetFileName(d + "/" + n);
    ASSERT_NE(z.Archive(), nullptr) << n;
    EXPECT_EQ(z.Count(), 1) << n;
  }
  // A self-extracting archive opens with its stub length.
  TKvUnZipper z;
  z.SetFileName(d + "/setup.exe");
  ASSERT_NE(z.Archive(), nullptr);
  EXPECT_EQ(z.ZipArchive()->StubLength, 8);
  z.SetBaseDirectory(d);
  z.ExtractFiles("*.*");
  EXPECT_EQ(readFile(d + "/a.txt"), bytes("a"));
}

TEST(UnZipper, MissingEmptyAndClosing) {
  testsupport::TempFolder tmp;
  std::string d = tmp.path().toStdString();
  TKvUnZipper z;
  int changes = 0;
  z.OnChange = [&](TKvBaseBrowser*) { ++changes; };
  z.SetFileName(d + "/fehlt.zip");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(z.Archive(), nullptr);
  EXPECT_THROW(z.ExtractFiles("*.*"), EKvNoArchive);
  writeFile(d + "/leer.zip", {});
  z.SetFileName(d + "/leer.zip");
  ASSERT_NE(z.Archive(), nullptr);
  EXPECT_EQ(z.Count(), 0);
  z.ExtractFiles("*.*");
  Builder b;
  b.entries.push_back({"a.txt", bytes("a")});
  auto data = b.build();
  writeFile(d + "/a.zip", data);
  z.SetFileName(d + "/a.zip");
  z.SetPasswordRetries(5);
  z.SetExtractOptions(eoCreateDirs | eoRestorePath);
  EXPECT_EQ(z.ZipArchive()->PasswordRetries, 5);
  EXPECT_EQ(z.Archive()->ExtractOptions, eoCreateDirs | eoRestorePath);
  EXPECT_THROW(z.SetBaseDirectory(d + "/gibtsnicht"), EKvNoSuchDirectory);
  z.SetBaseDirectory(d + "/");
  EXPECT_EQ(z.BaseDirectory(), d);
  z.SetLogFile(d + "/log.txt");
  EXPECT_TRUE(z.Logging());
  z.ExtractFiles("*.*");
  z.SetLogFile("");
  EXPECT_FALSE(z.Logging());
  auto log = readFile(d + "/log.txt");
  std::string text(log.begin(), log.end());
  EXPECT_NE(text.find("a.txt extracted "), std::string::npos) << text;
  z.SetFileName("");
  EXPECT_EQ(z.Archive(), nullptr);
  EXPECT_EQ(readFile(d + "/a.zip"), data);  // closing never rewrites
  EXPECT_EQ(z.Version(), "3.04");
}

TEST(UnZipper, ExclusionMasksAndWithoutRestoredPaths) {
  testsupport::TempFolder tmp;
  std::string d = tmp.path().toStdString();
  Builder b;
  for (const char* n : {"x/a.bmp", "x/b.txt", "c.ini", "y/d.bmp"}) b.entries.push_back({n, bytes(n)});
  writeFile(d + "/m.zip", b.build());
  fs::create_directories(d + "/out");
  TKvZipArchive a(d + "/m.zip", fmOpenRead);
  KvConnectUnzipProcs(&a);
  a.Load();
  a.SetBaseDirectory(d + "/out");
  a.ExtractMatching("*.*", "c*; *.txt");
  EXPECT_TRUE(fs::exists(d + "/out/a.bmp"));
  EXPECT_TRUE(fs::exists(d + "/out/d.bmp"));
  EXPECT_FALSE(fs::exists(d + "/out/b.txt"));
  EXPECT_FALSE(fs::exists(d + "/out/c.ini"));
  EXPECT_EQ(a.FixName("C:\\eins\\zwei\\drei.txt"), "eins/zwei/drei.txt");
  a.Save();  // only loaded: nothing to write
  EXPECT_EQ(a.Status(), stIdle);
}

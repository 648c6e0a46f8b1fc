// Writing ZIP archives: Info-ZIP and 7-Zip as oracles, spanned sets through our own reader.
#include <gtest/gtest.h>

#include <filesystem>

#include "KvErrors.h"
#include "KvUnZipper.h"
#include "KvZip.h"
#include "TestFiles.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::string q(const std::string& s) { return "'" + s + "'"; }

// Source files of every kind of content.
std::map<std::string, std::vector<uint8_t>> makeSources(const TempDir& d) {
  std::map<std::string, std::vector<uint8_t>> files = {
      {"text.txt", textBytes(120000, 1)},
      {"bild.bmp", bmpBytes(120, 90)},
      {"zufall.bin", randomBytes(40000, 2)},
      {"leer.txt", {}},
      {"ordner/unter.txt", bytes("unten\n")},
      {"ümlaut.txt", bytes("äöü")},
  };
  for (auto& [n, data] : files) {
    fs::create_directories(fs::path(d / ("src/" + n)).parent_path());
    writeFile(d / ("src/" + n), data);
  }
  return files;
}

std::unique_ptr<TKvZipArchive> build(const TempDir& d, const std::string& name,
                                     const std::map<std::string, std::vector<uint8_t>>& files,
                                     std::function<void(TKvZipArchive&)> setup = {}) {
  auto a = std::make_unique<TKvZipArchive>(d / name, fmCreate);
  a->SetBaseDirectory(d / "src");
  if (setup) setup(*a);
  a->Load();
  for (auto& f : files) a->Add(a->CreateItem(f.first));
  a->Save();
  return a;
}

void expectReadsBack(const TempDir& d, const std::string& zip, const std::map<std::string, std::vector<uint8_t>>& files,
                     const std::string& password = "") {
  std::string out = d / ("back-" + zip);
  fs::create_directories(out);
  TKvUnZipper z;
  std::vector<std::string> failures;
  z.OnProcessItemFailure = [&](TKvBaseBrowser*, TKvArchiveItem* it, TKvProcessType, TKvErrorClass, int code) {
    failures.push_back(it->FileName() + " " + std::to_string(code));
  };
  z.SetPassword(password);
  z.SetExtractOptions(eoCreateDirs | eoRestorePath);
  z.SetFileName(d / zip);
  z.SetBaseDirectory(out);
  ASSERT_EQ(z.Count(), int(files.size()));
  z.ExtractFiles("*.*");
  EXPECT_TRUE(failures.empty()) << failures[0];
  for (auto& [n, data] : files) EXPECT_EQ(readFile(out + "/" + n), data) << n;
}

TEST(ZipWrite, PlainArchivePassesUnzipAndReadsBack) {
  TempDir d;
  auto files = makeSources(d);
  build(d, "a.zip", files);
  if (have("unzip")) {
    EXPECT_EQ(run("unzip -tq " + q(d / "a.zip") + " >/dev/null"), 0);
    fs::create_directories(d / "info");
    ASSERT_EQ(run("unzip -q " + q(d / "a.zip") + " -d " + q(d / "info")), 0);
    // Names beyond ASCII depend on unzip's locale; the rest must match.
    for (auto& [n, data] : files) {
      if (std::all_of(n.begin(), n.end(), [](char c) { return uint8_t(c) < 0x80; })) {
        EXPECT_EQ(readFile(d / ("info/" + n)), data) << n;
      }
    }
  }
  expectReadsBack(d, "a.zip", files);
}

TEST(ZipWrite, MethodsAndEncryption) {
  TempDir d;
  auto files = makeSources(d);
  struct Case {
    const char* zip;
    uint8_t method;
    std::string password;
  } cases[] = {{"stored.zip", 0, ""}, {"deflate.zip", 1, ""}, {"geheim.zip", 2, "Geheim1"},
               {"geheim0.zip", 0, "pw"}};
  for (auto& c : cases) {
    build(d, c.zip, files, [&](TKvZipArchive& a) {
      a.MethodChoice = c.method;
      a.Password = c.password;
    });
    if (have("unzip")) {
      std::string pw = c.password.empty() ? "" : " -P " + c.password;
      EXPECT_EQ(run("unzip -tq" + pw + " " + q(d / c.zip) + " >/dev/null"), 0) << c.zip;
    }
    expectReadsBack(d, c.zip, files, c.password);
  }
}

TEST(ZipWrite, Deflate64PassesSevenZip) {
  TempDir d;
  auto files = makeSources(d);
  build(d, "d64.zip", files, [](TKvZipArchive& a) { a.MethodChoice = 3; });
  if (have("7zz")) {
    EXPECT_EQ(run("7zz t " + q(d / "d64.zip") + " >/dev/null"), 0);
  }
  expectReadsBack(d, "d64.zip", files);
}

TEST(ZipWrite, AddDeleteMoveFreshenKeepTheRest) {
  TempDir d;
  auto files = makeSources(d);
  auto a = build(d, "u.zip", files);
  // Delete one, move one, add one from a stream; the others are copied as they were.
  int del = a->ItemList().Find("zufall.bin");
  ASSERT_GE(del, 0);
  a->Items(del)->Action = iaDelete;
  a->IsDirty = true;
  a->Save();
  a->Move(a->Items(a->ItemList().Find("text.txt")), "neu/text2.txt");
  a->Save();
  KvMemoryStream extra(bytes("aus dem Strom"));
  auto* it = static_cast<TKvZipItem*>(a->CreateItem("strom.txt"));
  it->SourceStream = &extra;
  a->Add(it);
  it->Action = iaAddFromStream;
  a->Save();
  // Freshen: the disk file is newer.
  writeFile(d / "src/bild.bmp", bytes("neues Bild"));
  fs::last_write_time(d / "src/bild.bmp", fs::file_time_type::clock::now() + std::chrono::hours(1));
  a->NameOptions |= stoFreshen;
  a->Add(a->CreateItem("bild.bmp"));
  a->Save();
  a.reset();
  auto want = files;
  want.erase("zufall.bin");
  want["neu/text2.txt"] = want["text.txt"];
  want.erase("text.txt");
  want["strom.txt"] = bytes("aus dem Strom");
  want["bild.bmp"] = bytes("neues Bild");
  if (have("unzip")) {
    EXPECT_EQ(run("unzip -tq " + q(d / "u.zip") + " >/dev/null"), 0);
  }
  expectReadsBack(d, "u.zip", want);
}

TEST(ZipWrite, NothingChangedNothingWritten) {
  TempDir d;
  auto files = makeSources(d);
  build(d, "same.zip", files);
  auto before = fs::last_write_time(d / "same.zip");
  auto bytesBefore = readFile(d / "same.zip");
  {
    TKvZipArchive a(d / "same.zip", fmOpenRead);
    a.Load();
    a.Save();
  }
  EXPECT_EQ(fs::last_write_time(d / "same.zip"), before);
  EXPECT_EQ(readFile(d / "same.zip"), bytesBefore);
}

TEST(ZipWrite, SpannedSetReadsBackThroughOurReader) {
  TempDir d;
  auto files = makeSources(d);
  auto a = build(d, "s.zip", files, [](TKvZipArchive& z) { z.SpanSizeLimit = 30000; });
  EXPECT_TRUE(a->Spanned);
  a.reset();
  EXPECT_TRUE(fs::exists(d / "s.z01"));
  EXPECT_TRUE(fs::exists(d / "s.z02"));
  for (auto& e : fs::directory_iterator(d.path))
    if (e.path().filename().string().rfind("s.z", 0) == 0) {
      EXPECT_LE(fs::file_size(e.path()), 30000u);
    }
  expectReadsBack(d, "s.zip", files);
  // A spanned set is not updated in place.
  TKvZipArchive again(d / "s.zip", fmOpenRead);
  again.Load();
  again.Add(again.CreateItem("ganz-neu.txt"));
  EXPECT_THROW(again.Save(), EKvException);
}

TEST(ZipWrite, MoreThanNinetyNinePartsAreRefused) {
  TempDir d;
  std::map<std::string, std::vector<uint8_t>> big = {{"gross.bin", randomBytes(120000, 3)}};
  fs::create_directories(d / "src");
  writeFile(d / "src/gross.bin", big["gross.bin"]);
  auto a = std::make_unique<TKvZipArchive>(d / "v.zip", fmCreate);
  a->SetBaseDirectory(d / "src");
  a->SpanSizeLimit = 1000;
  a->Load();
  a->Add(a->CreateItem("gross.bin"));
  EXPECT_THROW(a->Save(), EKvException);
  a.reset();
  // Nothing half-written is left: no parts, and no temporary files.
  EXPECT_FALSE(fs::exists(d / "v.z01"));
  int files = 0;
  for (auto& e : fs::directory_iterator(d.path)) files += e.is_regular_file();
  EXPECT_LE(files, 1);  // the empty archive file that creating the object made
}

TEST(ZipWrite, SelfExtractingStubIsKept) {
  TempDir d;
  auto files = makeSources(d);
  std::vector<uint8_t> stub = bytes("MZ");
  stub.resize(1234, 0x90);
  auto a = build(d, "sfx.exe", files, [&](TKvZipArchive& z) { z.NewStub = stub; });
  a.reset();
  auto raw = readFile(d / "sfx.exe");
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), raw.begin()));
  EXPECT_EQ(DetectArchiveType(d / "sfx.exe", akUnrecognized), akSelfExtractingZip);
  TKvZipArchive r(d / "sfx.exe", fmOpenRead);
  r.Load();
  EXPECT_TRUE(r.HasStub);
  EXPECT_EQ(r.StubLength, 1234);
  if (have("unzip")) {
    EXPECT_EQ(run("unzip -tq " + q(d / "sfx.exe") + " >/dev/null 2>&1"), 0);
  }
}

TEST(ZipWrite, KeptEncryptedEntryWithDataDescriptorStillOpens) {
  if (!have("zip") || !have("unzip")) GTEST_SKIP();
  TempDir d;
  auto files = makeSources(d);
  // Written to a pipe, zip marks the entry with a data descriptor and checks the password by the time.
  ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q -P pw - text.txt > " + q(d / "p.zip")), 0);
  {
    TKvZipArchive a(d / "p.zip", fmOpenRead);
    a.SetBaseDirectory(d / "src");
    a.Load();
    ASSERT_EQ(a.Count(), 1);
    ASSERT_TRUE(a.ZipItem(0)->GeneralPurposeBitFlag() & 8);
    a.Password = "pw";
    a.Add(a.CreateItem("leer.txt"));
    a.Save();
  }
  EXPECT_EQ(run("unzip -tq -P pw " + q(d / "p.zip") + " >/dev/null"), 0);
  expectReadsBack(d, "p.zip", {{"text.txt", files["text.txt"]}, {"leer.txt", {}}}, "pw");
}

}  // namespace

// A spanned set's parts in order (the archive's own name first) and the end record's
// count of entries on its part, recounted from the central headers themselves.
namespace {
struct SetParts {
  std::vector<std::vector<uint8_t>> parts;
  uint16_t entriesOnDisk = 0, diskNumber = 0, startDisk = 0;
  uint32_t dirOffset = 0;
  size_t endAt = 0;
  int countedOnLast = 0;
};
uint32_t le(const std::vector<uint8_t>& v, size_t at, int n) {
  uint32_t x = 0;
  for (int i = n - 1; i >= 0; --i) x = (x << 8) | v.at(at + size_t(i));
  return x;
}
SetParts readSet(const std::string& zip) {
  SetParts s;
  s.parts.push_back(readFile(zip));
  for (int n = 1; n < 100; ++n) {
    std::string p = zip.substr(0, zip.size() - 2) + (n < 10 ? "0" : "") + std::to_string(n);
    if (!fs::exists(p)) break;
    s.parts.push_back(readFile(p));
  }
  const auto& last = s.parts.back();
  s.endAt = last.size() - 22;
  EXPECT_EQ(le(last, s.endAt, 4), 0x06054B50u);
  s.diskNumber = uint16_t(le(last, s.endAt + 4, 2));
  s.startDisk = uint16_t(le(last, s.endAt + 6, 2));
  s.entriesOnDisk = uint16_t(le(last, s.endAt + 8, 2));
  s.dirOffset = le(last, s.endAt + 16, 4);
  // Walk the central headers from where the end record says they start.
  size_t part = s.startDisk, at = s.dirOffset;
  uint32_t total = le(last, s.endAt + 10, 2);
  for (uint32_t i = 0; i < total; ++i) {
    if (at >= s.parts.at(part).size()) {
      ++part;
      at = 0;
    }
    const auto& p = s.parts.at(part);
    EXPECT_EQ(le(p, at, 4), 0x02014B50u) << "part " << part << " at " << at;
    if (part == s.parts.size() - 1) ++s.countedOnLast;
    at += 46 + le(p, at + 28, 2) + le(p, at + 30, 2) + le(p, at + 32, 2);
  }
  return s;
}
}  // namespace

// Across a sweep of part sizes the end record counts the entries on its own part, also
// when it has to start a new part and that count is 0; 7-Zip tests every set.
TEST(ZipWrite, SpannedEndRecordCountsTheEntriesOnItsPart) {
  TempDir d;
  std::map<std::string, std::vector<uint8_t>> files = {{"a.txt", bytes("eins")}, {"b.txt", bytes("zwei")}};
  fs::create_directories(d / "src");
  for (auto& [n, data] : files) writeFile(d / ("src/" + n), data);
  int endStartsAPart = 0;
  for (int64_t size = 64; size <= 140; ++size) {
    SCOPED_TRACE("parts of " + std::to_string(size));
    std::string name = "s" + std::to_string(size) + ".zip";
    auto a = build(d, name, files, [size](TKvZipArchive& z) {
      z.SpanSizeLimit = size;
      z.MethodChoice = 0;
    });
    ASSERT_TRUE(a->Spanned);
    a.reset();
    SetParts s = readSet(d / name);
    EXPECT_EQ(s.diskNumber, s.parts.size() - 1);
    EXPECT_EQ(s.entriesOnDisk, s.countedOnLast);
    if (s.endAt == 0) {
      ++endStartsAPart;
      EXPECT_EQ(s.entriesOnDisk, 0);
    }
    expectReadsBack(d, name, files);
    if (have("7z")) {
      // 7-Zip wants the last part under the archive's name and the ones before as .z01 on.
      std::string dir = d / ("7z-" + std::to_string(size));
      fs::create_directories(dir);
      for (size_t i = 0; i + 1 < s.parts.size(); ++i)
        writeFile(dir + "/set.z" + (i + 1 < 10 ? "0" : "") + std::to_string(i + 1), s.parts[i]);
      writeFile(dir + "/set.zip", s.parts.back());
      EXPECT_EQ(run("cd '" + dir + "' && 7z t set.zip >/dev/null 2>&1"), 0);
    }
  }
  EXPECT_GT(endStartsAPart, 0);
  if (!have("7z")) GTEST_SKIP() << "7z (p7zip-full) is missing: the sets were checked by our reader only";
}

// An empty file named .zip, opened and closed through the component, becomes the 22-byte
// empty archive; opened again it is left alone, as any archive without changes.
TEST(ZipWrite, ClosingAnEmptyZipWritesTheEmptyArchive) {
  TempDir d;
  writeFile(d / "leer.zip", {});
  {
    TKvUnZipper z;
    z.SetFileName(d / "leer.zip");
    EXPECT_EQ(z.ArchiveKind(), akZip);
    EXPECT_EQ(z.Count(), 0);
    z.SetFileName("");
  }
  std::vector<uint8_t> empty(22, 0);
  empty[0] = 'P';
  empty[1] = 'K';
  empty[2] = 5;
  empty[3] = 6;
  EXPECT_EQ(readFile(d / "leer.zip"), empty);
  if (have("7z")) {
    EXPECT_EQ(run("7z t '" + d / "leer.zip" + "' >/dev/null 2>&1"), 0);
  }
  auto written = fs::last_write_time(d / "leer.zip");
  {
    TKvUnZipper z;
    z.SetFileName(d / "leer.zip");
    EXPECT_EQ(z.Count(), 0);
    z.SetFileName("");
  }
  EXPECT_EQ(fs::last_write_time(d / "leer.zip"), written);
  EXPECT_EQ(readFile(d / "leer.zip"), empty);
}

namespace {
std::string capture(const std::string& cmd) {
  std::string out;
  if (FILE* p = ::popen(cmd.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}
}  // namespace

// An update of an Info-ZIP archive with a stub in front, an archive comment and an entry comment
// keeps all three: the stub byte for byte, the comments as Info-ZIP reads them back.
TEST(ZipWrite, AnUpdateKeepsTheStubAndTheComments) {
  if (!have("zip") || !have("unzip") || !have("zipinfo")) GTEST_SKIP();
  TempDir d;
  auto files = makeSources(d);
  ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q " + q(d / "plain.zip") + " text.txt leer.txt"), 0);
  std::vector<uint8_t> stub = bytes("MZ Kalvora");
  stub.resize(777, 0x90);
  std::vector<uint8_t> sfx = stub;
  const auto zip = readFile(d / "plain.zip");
  sfx.insert(sfx.end(), zip.begin(), zip.end());
  writeFile(d / "sfx.exe", sfx);
  ASSERT_EQ(run("zip -qA " + q(d / "sfx.exe")), 0);
  ASSERT_EQ(run("echo 'Archivkommentar' | zip -qz " + q(d / "sfx.exe")), 0);
  ASSERT_EQ(run("echo 'Eintragskommentar' | zip -qc " + q(d / "sfx.exe") + " text.txt"), 0);
  {
    TKvZipArchive a(d / "sfx.exe", fmOpenRead);
    a.SetBaseDirectory(d / "src");
    a.Load();
    ASSERT_EQ(a.Count(), 2);
    ASSERT_TRUE(a.HasStub);
    a.Add(a.CreateItem("bild.bmp"));
    a.Save();
  }
  const auto raw = readFile(d / "sfx.exe");
  ASSERT_GT(raw.size(), stub.size());
  EXPECT_TRUE(std::equal(stub.begin(), stub.end(), raw.begin()));
  EXPECT_EQ(run("unzip -tq " + q(d / "sfx.exe") + " >/dev/null 2>&1"), 0);
  EXPECT_NE(capture("unzip -z " + q(d / "sfx.exe") + " 2>/dev/null").find("Archivkommentar"), std::string::npos);
  const std::string info = capture("zipinfo -v " + q(d / "sfx.exe") + " 2>/dev/null");
  EXPECT_NE(info.find("Eintragskommentar"), std::string::npos) << info;
  expectReadsBack(d, "sfx.exe", {{"text.txt", files["text.txt"]}, {"leer.txt", {}}, {"bild.bmp", files["bild.bmp"]}});
}

// A set that would need parts is refused before anything is written when the archive has a stub
// or a part could not even hold a header: the archive stays as it was, no part is made.
TEST(ZipWrite, AStubOrTooSmallAPartIsRefusedAndTheArchiveStays) {
  TempDir d;
  auto files = makeSources(d);
  struct Case {
    const char* zip;
    bool stub;
    int64_t limit;
    const char* added;
  } cases[] = {{"stub.exe", true, 30000, "zufall.bin"},  // 40000 bytes that do not shrink
               {"tiny.zip", false, 63, "ordner/unter.txt"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.zip);
    build(d, c.zip, {{"leer.txt", {}}}, [&](TKvZipArchive& z) {
      if (c.stub) z.NewStub = bytes("MZ stub");
    });
    const auto before = readFile(d / c.zip);
    {
      TKvZipArchive a(d / c.zip, fmOpenRead);
      a.SetBaseDirectory(d / "src");
      a.Load();
      a.SpanSizeLimit = c.limit;
      a.Add(a.CreateItem(c.added));
      EXPECT_THROW(a.Save(), EKvException);
    }
    EXPECT_EQ(readFile(d / c.zip), before);
    const std::string base = std::string(c.zip).substr(0, std::string(c.zip).size() - 4);
    EXPECT_FALSE(fs::exists(d / (base + ".z01")));
  }
}

// A new set under the name of a longer one leaves none of the old parts behind; so does an
// archive without parts.
TEST(ZipWrite, PartsOfALongerSetUnderTheSameNameAreRemoved) {
  TempDir d;
  auto files = makeSources(d);
  auto parts = [&] {
    int n = 0;
    while (fs::exists(d / ("s.z" + std::string(n + 1 < 10 ? "0" : "") + std::to_string(n + 1)))) ++n;
    int left = 0;
    for (auto& e : fs::directory_iterator(d.path)) {
      const std::string name = e.path().filename().string();
      left += name.size() == 5 && name.rfind("s.z", 0) == 0 && std::isdigit(uint8_t(name[3])) && std::isdigit(uint8_t(name[4]));
    }
    EXPECT_EQ(left, n) << "numbered parts with a gap";
    return n;
  };
  build(d, "s.zip", files, [](TKvZipArchive& z) { z.SpanSizeLimit = 15000; });
  const int many = parts();
  ASSERT_GE(many, 4);
  build(d, "s.zip", files, [](TKvZipArchive& z) { z.SpanSizeLimit = 60000; });
  const int fewer = parts();
  EXPECT_GE(fewer, 1);
  EXPECT_LT(fewer, many);
  expectReadsBack(d, "s.zip", files);
  build(d, "s.zip", files);
  EXPECT_EQ(parts(), 0);
  expectReadsBack(d, "s.zip", files);
}

// A kept entry that Info-ZIP wrote to a pipe, with its sizes in a data descriptor, gets them in
// its local header instead and no descriptor: Info-ZIP still reads it.
TEST(ZipWrite, AKeptPlainEntryTakesItsSizesIntoTheLocalHeader) {
  if (!have("zip") || !have("unzip")) GTEST_SKIP();
  TempDir d;
  auto files = makeSources(d);
  ASSERT_EQ(run("cd " + q(d / "src") + " && zip -q - text.txt | cat > " + q(d / "p.zip")), 0);
  {
    TKvZipArchive a(d / "p.zip", fmOpenRead);
    a.SetBaseDirectory(d / "src");
    a.Load();
    ASSERT_EQ(a.Count(), 1);
    ASSERT_TRUE(a.ZipItem(0)->GeneralPurposeBitFlag() & 8);
    a.Add(a.CreateItem("leer.txt"));
    a.Save();
  }
  const auto raw = readFile(d / "p.zip");
  ASSERT_EQ(le(raw, 0, 4), 0x04034B50u);
  EXPECT_EQ(le(raw, 6, 2) & 8, 0u);
  const uint32_t packed = le(raw, 18, 4);
  EXPECT_GT(packed, 0u);
  EXPECT_EQ(le(raw, 22, 4), uint32_t(files["text.txt"].size()));
  // The next local header follows the data at once.
  const size_t next = 30 + le(raw, 26, 2) + le(raw, 28, 2) + packed;
  EXPECT_EQ(le(raw, next, 4), 0x04034B50u);
  EXPECT_EQ(run("unzip -tq " + q(d / "p.zip") + " >/dev/null"), 0);
  expectReadsBack(d, "p.zip", {{"text.txt", files["text.txt"]}, {"leer.txt", {}}});
}

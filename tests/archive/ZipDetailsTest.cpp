// Finer points of ZIP reading: the end record search, local header tests, the legacy
// methods, the window stream and a full disk.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "KvLegacy.h"
#include "KvScratchStreams.h"
#include "KvUnZipper.h"
#include "KvUnzip.h"
#include "TestFiles.h"
#include "TestSupport.h"
#include "ZipBuilder.h"

using namespace kv;
using namespace ziptest;
namespace fs = std::filesystem;

namespace {

std::vector<uint8_t> legacy(int method, uint16_t flags, const std::vector<uint8_t>& packed, int64_t size) {
  KvMemoryStream in(packed), out;
  KvLegacyJob job;
  job.method = method;
  job.flags = flags;
  job.compressedSize = int64_t(packed.size());
  job.uncompressedSize = size;
  job.input = &in;
  job.output = &out;
  KvLegacyExtract(job);
  return out.Data();
}

}  // namespace

TEST(ZipEndRecord, FoundWithCommentsAndAfterFalseSignatures) {
  Builder b;
  b.entries.push_back({"a.txt", bytes("a")});
  auto base = b.build();
  struct Case {
    size_t comment;
    bool falseSignature;
    size_t junk;
  } cases[] = {{0, false, 0}, {1000, false, 0}, {65535, false, 0}, {10, true, 0}, {0, false, 100}};
  for (auto c : cases) {
    auto z = base;
    z[z.size() - 2] = uint8_t(c.comment);
    z[z.size() - 1] = uint8_t(c.comment >> 8);
    std::vector<uint8_t> comment(c.comment, 'c');
    if (c.falseSignature && c.comment >= 10) {
      // A record signature inside the comment whose own comment reaches past the end.
      comment[0] = 0x50, comment[1] = 0x4B, comment[2] = 5, comment[3] = 6;
      comment[8] = 0xFF, comment[9] = 0xFF;
    }
    z.insert(z.end(), comment.begin(), comment.end());
    z.insert(z.end(), c.junk, 'j');
    KvMemoryStream s(z);
    EXPECT_EQ(FindEndRecord(s), int64_t(base.size()) - 22) << c.comment;
    EXPECT_EQ(VerifyZip(s), 1);
  }
  KvMemoryStream tiny(std::vector<uint8_t>(21, 0));
  EXPECT_EQ(FindEndRecord(tiny), -1);
}

TEST(ZipItems, TestingComparesLocalAndCentralHeaders) {
  testsupport::TempFolder tmp;
  std::string zip = tmp.file("t.zip").toStdString();
  Builder b;
  b.entries.push_back({"gut.txt", textBytes(2000, 1)});
  Entry lie{"luege.txt", textBytes(2000, 2)};
  b.entries.push_back(lie);
  auto data = b.build();
  // Change the local name of the second entry: same length, other bytes.
  size_t at = 0;
  for (size_t i = 0; i + 9 <= data.size(); ++i)
    if (std::memcmp(data.data() + i, "luege.txt", 9) == 0) {
      at = i;
      break;
    }
  data[at] = 'L';
  writeFile(zip, data);
  TKvZipArchive a(zip, fmOpenRead);
  KvConnectUnzipProcs(&a);
  a.Load();
  EXPECT_NO_THROW(a.TestAt(0));
  EXPECT_THROW(a.TestAt(1), EKvZipInvalidLFH);
  TKvBitBucketStream bucket(32768);
  EXPECT_NO_THROW(a.ExtractItemToStreamAt(0, &bucket));
  KvMemoryStream mem;
  a.ExtractToStream("gut.txt", &mem);
  EXPECT_EQ(mem.Data(), textBytes(2000, 1));
  EXPECT_THROW(UnzipToStream(&a, a.ZipItem(0), nullptr), EKvBadStream);
}

TEST(ZipLegacy, ShrinkReduceAndImplode) {
  {  // shrink: literals and one string from the dictionary
    BitWriter w;
    for (char c : std::string("abab")) w.put(uint8_t(c), 9);
    w.put(257, 9);  // "ab"
    w.put(256, 9);
    w.put(1, 9);    // codes grow to 10 bits
    w.put('z', 10);
    EXPECT_EQ(legacy(1, 0, w.done(), 7), bytes("abababz"));
  }
  {  // shrink: a code that is not yet defined
    BitWriter w;
    w.put('a', 9);
    w.put(300, 9);
    EXPECT_THROW(legacy(1, 0, w.done(), 5), EKvZipInvalid);
  }
  {  // reduce factor 2 with a follower set for 'a'
    BitWriter w;
    for (int x = 255; x >= 0; --x) {
      if (x == 'a') {
        w.put(2, 6);
        w.put('b', 8);
        w.put('c', 8);
      } else {
        w.put(0, 6);
      }
    }
    w.put('a', 8);  // no followers for the start byte 0
    w.put(0, 1);
    w.put(1, 1);    // follower 1 of 'a': 'c'
    w.put('a', 8);  // 'c' has no followers: a plain byte
    EXPECT_EQ(legacy(3, 0, w.done(), 3), bytes("aca"));
  }
  {  // implode with two trees: raw literals and one match of minimum length 2
    BitWriter w;
    // 64 symbols all of length 6: 4 entries of 16
    for (int t = 0; t < 2; ++t) {
      w.put(3, 8);
      for (int e = 0; e < 4; ++e) w.put(uint32_t(5 | (15 << 4)), 8);
    }
    w.put(1, 1);
    w.put('x', 8);
    w.put(1, 1);
    w.put('y', 8);
    w.put(0, 1);   // a match
    w.put(1, 6);   // low distance bits: 1, so distance 2
    w.put(0x3F, 6);  // distance code 0 (all ones, complemented)
    w.put(0x3F, 6);  // length code 0: length 2
    EXPECT_EQ(legacy(6, 0, w.done(), 4), bytes("xyxy"));
  }
  EXPECT_THROW(legacy(7, 0, {1, 2, 3}, 3), EKvZipInvalidMethod);
}

TEST(ZipLegacy, WindowStreamKeepsItsLast32K) {
  KvMemoryStream target;
  {
    TKvSlidingWindowStream w(&target);
    auto data = randomBytes(50000, 3);
    for (size_t i = 0; i < data.size(); i += 10000) w.Write(data.data() + i, 10000);
    EXPECT_THROW(w.Seek(1000, soBeginning), std::runtime_error);
    w.Seek(45000, soBeginning);
    uint8_t b[10];
    EXPECT_EQ(w.Read(b, 10), 10);
    EXPECT_TRUE(std::equal(b, b + 10, data.begin() + 45000));
    EXPECT_THROW(w.Write(b, 1), std::runtime_error);
    w.Seek(0, soEnd);
    try {
      w.Seek(0, 9);
      FAIL();
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "TKvSlidingWindowStream.Seek: invalid origin");
    }
  }
  EXPECT_EQ(target.Size(), 50000);
  EXPECT_EQ(target.Data(), randomBytes(50000, 3));
}

TEST(ZipItems, AFullDiskFailsTheItemAndTheRunGoesOn) {
  testsupport::TempFolder tmp;
  std::string d = tmp.path().toStdString();
  Builder b;
  b.entries.push_back({"gross.bin", randomBytes(300000, 1)});
  b.entries.push_back({"klein.txt", bytes("klein")});
  writeFile(d + "/f.zip", b.build());
  fs::create_directories(d + "/out");
  TKvUnZipper z;
  std::vector<std::pair<TKvErrorClass, int>> failures;
  z.OnProcessItemFailure = [&](TKvBaseBrowser*, TKvArchiveItem*, TKvProcessType, TKvErrorClass c, int code) {
    failures.emplace_back(c, code);
  };
  z.SetFileName(d + "/f.zip");
  z.SetBaseDirectory(d + "/out");
  struct rlimit old;
  getrlimit(RLIMIT_FSIZE, &old);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 100000;
  setrlimit(RLIMIT_FSIZE, &small);
  z.ExtractFiles("*.*");
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, oldHandler);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].first, ecFilerError);
  EXPECT_FALSE(fs::exists(d + "/out/gross.bin"));
  EXPECT_EQ(readFile(d + "/out/klein.txt"), bytes("klein"));
  int files = 0;
  for (auto& e : fs::directory_iterator(d + "/out")) files += e.is_regular_file();
  EXPECT_EQ(files, 1);
}

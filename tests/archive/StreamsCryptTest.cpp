// Scratch streams, the spanned stream and traditional encryption.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "KvCrypt.h"
#include "KvErrors.h"
#include "KvScratchStreams.h"
#include "KvSpanStream.h"
#include "KvUtils.h"
#include "TestFiles.h"
#include "TestSupport.h"

using namespace kv;
using namespace ziptest;

namespace {
// A scratch stream driven beside a vector that says what it must hold.
struct StreamModel {
  explicit StreamModel(TKvVirtualMemoryStream& stream) : s(stream) {}
  TKvVirtualMemoryStream& s;
  std::vector<uint8_t> model;
  int64_t pos = 0;
  void write(const std::vector<uint8_t>& data) {
    s.Seek(pos, soBeginning);
    s.WriteBuffer(data.data(), int64_t(data.size()));
    if (pos + int64_t(data.size()) > int64_t(model.size())) model.resize(size_t(pos) + data.size());
    std::copy(data.begin(), data.end(), model.begin() + pos);
    pos += int64_t(data.size());
  }
  void jump(uint32_t r) { pos = model.empty() ? 0 : int64_t(r % model.size()); }
  // Reads size bytes at the position: as many as the vector has there, and the same ones.
  ::testing::AssertionResult read(size_t size) {
    std::vector<uint8_t> got(size);
    s.Seek(pos, soBeginning);
    const int64_t n = s.Read(got.data(), int64_t(got.size()));
    const int64_t want = std::max<int64_t>(0, std::min<int64_t>(int64_t(got.size()), int64_t(model.size()) - pos));
    if (n != want) return ::testing::AssertionFailure() << "read " << n << " bytes, not " << want;
    if (!std::equal(got.begin(), got.begin() + n, model.begin() + pos))
      return ::testing::AssertionFailure() << "other bytes at " << pos;
    pos += n;
    return ::testing::AssertionSuccess();
  }
  void shrink(uint32_t r) {
    const int64_t ns = model.empty() ? 0 : int64_t(r % model.size());
    s.SetSize(ns);
    model.resize(size_t(ns));
    pos = std::min<int64_t>(pos, ns);
  }
};
}  // namespace

// Swap traffic goes in runs of neighbouring pages and in read-ahead windows: a larger
// cache with long writes, shrinking and re-reading must still act as the vector does.
TEST(VirtualMemoryStream, RunsAndReadAheadKeepTheContent) {
  testsupport::TempFolder tmp;
  TKvVirtualMemoryStream s;
  s.SwapFolder = tmp.path().toStdString();
  s.SetCacheBytes(64 * 1024);
  StreamModel m(s);
  std::vector<uint8_t>& model = m.model;
  std::mt19937 rng(11);
  // A sequential fill much larger than the cache, read back in one sweep.
  auto fill = randomBytes(900000, 5);
  s.WriteBuffer(fill.data(), int64_t(fill.size()));
  model = fill;
  std::vector<uint8_t> back(model.size());
  s.Seek(0, soBeginning);
  ASSERT_EQ(s.Read(back.data(), int64_t(back.size())), int64_t(model.size()));
  ASSERT_EQ(back, model);
  for (int op = 0; op < 600; ++op) {
    int kind = int(rng() % 5);
    if (kind == 0) {
      const uint32_t seed = rng();  // the seed before the size, as before
      m.write(randomBytes(rng() % 70000, seed));
    } else if (kind == 1) {
      m.jump(rng());
    } else if (kind == 2 || kind == 3) {
      ASSERT_TRUE(m.read(rng() % 90000)) << "op " << op;
    } else if (op % 40 == 0) {
      m.shrink(rng());
    }
  }
  back.assign(model.size(), 0);
  s.Seek(0, soBeginning);
  ASSERT_EQ(s.Read(back.data(), int64_t(back.size())), int64_t(model.size()));
  EXPECT_EQ(back, model);
  EXPECT_LE(s.PageCount(), 16);
}

TEST(VirtualMemoryStream, BehavesLikeAVectorAndSwapsThroughATemporaryFile) {
  testsupport::TempFolder tmp;
  std::string swapName;
  {
    TKvVirtualMemoryStream s;
    s.SwapFolder = tmp.path().toStdString();
    s.SetCacheBytes(8192);
    StreamModel m(s);
    std::mt19937 rng(3);
    for (int op = 0; op < 400; ++op) {
      int kind = int(rng() % 4);
      if (kind == 0 || op < 20) {
        const uint32_t seed = rng();  // the seed before the size, as before
        m.write(randomBytes(rng() % 3000, seed));
      } else if (kind == 1) {
        m.jump(rng());
      } else if (kind == 2) {
        ASSERT_TRUE(m.read(rng() % 5000)) << "op " << op;
      } else if (op % 50 == 0) {
        m.shrink(rng());
      }
    }
    EXPECT_EQ(s.Size(), int64_t(m.model.size()));
    swapName = s.SwapFileName();
    EXPECT_FALSE(swapName.empty());
    EXPECT_TRUE(std::filesystem::exists(swapName));
    EXPECT_LE(s.PageCount(), 2);
    // Reading at the end gives nothing.
    s.Seek(0, soEnd);
    uint8_t b;
    EXPECT_EQ(s.Read(&b, 1), 0);
    try {
      s.Seek(0, 3);
      FAIL();
    } catch (const EKvVMSInvalidOrigin& e) {
      EXPECT_STREQ(e.what(), "VMS: invalid origin 3, should be 0, 1, 2");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(swapName));
}

TEST(BitBucketStream, KeepsOnlyItsRing) {
  TKvBitBucketStream small(4096);
  std::vector<uint8_t> d(5121, 1);
  EXPECT_EQ(small.Write(d.data(), 5120), 5120);
  EXPECT_THROW(small.Write(d.data(), 5121), EKvBBSWriteTooManyBytes);
  TKvBitBucketStream b(4096);
  auto data = randomBytes(10000, 9);
  for (int i = 0; i < 10000; i += 1000) b.Write(data.data() + i, 1000);
  EXPECT_THROW(b.Seek(4000, soBeginning), EKvBBSSeekOutsideBuffer);
  EXPECT_EQ(b.Seek(6000, soBeginning), 6000);
  std::vector<uint8_t> got(4000);
  EXPECT_EQ(b.Read(got.data(), 4000), 4000);
  EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin() + 6000));
  EXPECT_THROW(b.Seek(0, 7), EKvBBSInvalidOrigin);
  EXPECT_EQ(TKvBitBucketStream(1234).RingSize(), 32768 + 1024);
}

TEST(SpanStream, PlainFilesPassThroughAndNeverAskForDisks) {
  testsupport::TempFolder tmp;
  std::string name = tmp.file("SET.ZIP").toStdString();
  writeFile(name, bytes("hello"));
  EXPECT_THROW(TKvSpanStream("relative.zip", 0, mkNumberedFiles, fmOpenRead), EKvException);
  TKvSpanStream s(name, 0, mkNumberedFiles, fmOpenRead);
  int asked = 0;
  s.OnRequestImage = [&](int, std::string&, bool&) { ++asked; };
  char buf[16];
  EXPECT_EQ(s.Read(buf, 16), 5);
  EXPECT_EQ(s.Read(buf, 16), 0);
  EXPECT_EQ(asked, 0);
  // Even when spanned, a read at the end without a handler answers 0.
  TKvSpanStream t(name, 0, mkNumberedFiles, fmOpenRead);
  t.Spanned = true;
  t.Seek(0, soEnd);
  EXPECT_EQ(t.Read(buf, 4), 0);
}

TEST(SpanStream, WritesSpillIntoTheNextPart) {
  testsupport::TempFolder tmp;
  std::string name = tmp.file("SET.ZIP").toStdString();
  TKvSpanStream s(name, 300, mkNumberedFiles, fmCreate);
  s.Spanned = true;
  std::vector<std::string> parts;
  s.OnRequestImage = [&](int n, std::string& nm, bool&) { parts.push_back(nm + "#" + std::to_string(n)); };
  auto data = randomBytes(1000, 4);
  int64_t written = s.Write(data.data(), 1000);
  EXPECT_EQ(written, 1000);
  ASSERT_GE(parts.size(), 1u);
  EXPECT_EQ(parts[0], tmp.file("SET.z01").toStdString() + "#1");
  EXPECT_EQ(readFile(name).size(), 300u);
  EXPECT_EQ(readFile(tmp.file("SET.z01").toStdString()).size(), 300u);
  // A hundredth part would overwrite the first: there is none.
  std::string n99 = name;
  KvSpanPartName(n99, 99);
  EXPECT_EQ(n99, tmp.file("SET.Z99").toStdString());
}

// The first part of a numbered set is asked for until one is accepted; a cancel aborts and a
// part that is not there is named.
TEST(SpanStream, OpenFirstPartAsksUntilAPartIsAccepted) {
  testsupport::TempFolder tmp;
  std::string name = tmp.file("SET.ZIP").toStdString();
  std::string part1 = tmp.file("SET.z01").toStdString();
  writeFile(name, bytes("last"));
  writeFile(part1, bytes("first part"));
  {
    TKvSpanStream s(name, 0, mkNumberedFiles, fmOpenRead);
    std::vector<std::string> asked;
    s.OnRequestImage = [&](int n, std::string& nm, bool&) {
      asked.push_back(nm + "#" + std::to_string(n));
      // The first answer names no medium; the second takes the offered part.
      if (asked.size() == 1) nm.clear();
    };
    s.OpenFirstPart();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], part1 + "#1");
    EXPECT_EQ(asked[1], part1 + "#1");
    EXPECT_EQ(s.PartNumber(), 1);
    EXPECT_EQ(s.FileName(), part1);
    char buf[32];
    EXPECT_EQ(s.Read(buf, 32), 10);
    EXPECT_EQ(std::string(buf, 10), "first part");
  }
  {
    TKvSpanStream s(name, 0, mkNumberedFiles, fmOpenRead);
    s.OnRequestImage = [&](int, std::string&, bool& abort) { abort = true; };
    EXPECT_THROW(s.OpenFirstPart(), EKvUserAbort);
    TKvSpanStream t(name, 0, mkNumberedFiles, fmOpenRead);
    EXPECT_THROW(t.OpenFirstPart(), EKvUserAbort);  // nobody to ask
  }
  {
    std::filesystem::remove(part1);
    TKvSpanStream s(name, 0, mkNumberedFiles, fmOpenRead);
    s.OnRequestImage = [&](int, std::string&, bool&) {};
    try {
      s.OpenFirstPart();
      ADD_FAILURE() << "opened a missing part";
    } catch (const EKvUserAbort&) {
      ADD_FAILURE() << "a missing part is no cancel";
    } catch (const EKvException& e) {
      EXPECT_EQ(std::string(e.what()), "Cannot open spanned file: " + part1);
    }
  }
}

TEST(TraditionalEncryption, KeysStreamAndRoundTrip) {
  TKvZipKeys k;
  k.Init("");
  EXPECT_EQ(k.k0, 0x12345678u);
  EXPECT_EQ(k.k2, 0x34567890u);
  uint32_t t = 0x7892;
  EXPECT_EQ(k.StreamByte(), uint8_t((t * (t ^ 1)) >> 8));
  EXPECT_EQ(k.StreamByte(), 0xAB);
  uint8_t seq = 0;
  auto fixed = [&]() { return seq++; };
  KvMemoryStream sink;
  auto plain = textBytes(1000, 8);
  {
    TKvDfEncryptStream enc(&sink, "geheim", 0xDEADBEEF, fixed);
    enc.WriteBuffer(plain.data(), int64_t(plain.size()));
  }
  EXPECT_EQ(sink.Size(), 1012);
  sink.SetPosition(0);
  TKvDfDecryptStream bad(&sink, 0xDEADBEEF, "falsch");
  EXPECT_FALSE(bad.CheckHeader());
  EXPECT_EQ(sink.Position(), 0);
  TKvDfDecryptStream dec(&sink, 0xDEADBEEF, "geheim");
  ASSERT_TRUE(dec.CheckHeader());
  std::vector<uint8_t> back(1000);
  dec.ReadBuffer(back.data(), 1000);
  EXPECT_EQ(back, plain);
  EXPECT_THROW(dec.Write("x", 1), std::logic_error);
  // Two encryptions differ in their random header.
  KvMemoryStream a, b;
  { TKvDfEncryptStream e1(&a, "pw", 1); }
  { TKvDfEncryptStream e2(&b, "pw", 1); }
  EXPECT_NE(a.Data(), b.Data());
}

TEST(TraditionalEncryption, DecoderRetriesThroughItsHandler) {
  KvMemoryStream enc;
  uint8_t seq = 40;
  { TKvDfEncryptStream e(&enc, "richtig", 0x12000000, [&]() { return seq += 3; }); }
  struct Case {
    std::vector<std::string> answers;
    bool ok;
    int calls;
  } cases[] = {{{"a", "b", "c", "d"}, false, 3}, {{"richtig"}, true, 1}, {{}, false, 0}};
  for (auto& c : cases) {
    enc.SetPosition(0);
    TKvZDecoder d("falsch", true, 0x12000000, &enc);
    d.Tries = 3;
    int calls = 0;
    if (!c.answers.empty())
      d.OnNeedPassword = [&](std::string& pw) { pw = c.answers[size_t(calls++) % c.answers.size()]; };
    if (c.ok) {
      EXPECT_NO_THROW(d.VerifyPassword());
    } else {
      EXPECT_THROW(d.VerifyPassword(), EKvZipInvalidPassword);
    }
    EXPECT_EQ(calls, c.calls);
  }
  EXPECT_EQ(KvPasswordForms("Grüße").size(), 2u);
  EXPECT_EQ(KvPasswordForms("plain").size(), 1u);
}

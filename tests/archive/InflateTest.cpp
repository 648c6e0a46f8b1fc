// Checksums and Inflate, with zlib as the oracle.
#include <gtest/gtest.h>
#include <zlib.h>

#include "KvChecksum.h"
#include "KvDeflateBase.h"
#include "KvErrors.h"
#include "KvInflate.h"
#include "KvStream.h"
#include "TestFiles.h"
#include "ZipBuilder.h"

using namespace kv;
using namespace ziptest;

namespace {

struct Result {
  std::vector<uint8_t> out;
  uint32_t check;
  int64_t packed, plain;
};

Result inflateAll(const std::vector<uint8_t>& in, int options = 0x0F, int64_t stop = 0) {
  KvMemoryStream src(in), dst;
  TKvDeflateHelper h;
  h.SetOptions(options);
  h.StopAfterSize = stop;
  uint32_t c = Inflate(&src, &dst, &h);
  return {dst.Data(), c, h.PackedSize, h.PlainSize};
}

std::vector<std::vector<uint8_t>> corpus() {
  std::vector<std::vector<uint8_t>> c;
  c.push_back({});
  c.push_back({0x41});
  c.push_back(textBytes(200000, 1));
  c.push_back(bmpBytes(160, 120));
  c.push_back(readFile("/proc/self/exe"));
  c.back().resize(std::min<size_t>(c.back().size(), 300000));
  c.push_back(randomBytes(70000, 2));
  std::vector<uint8_t> runs(100000, 'x');
  c.push_back(runs);
  return c;
}

void expectInflateError(const std::vector<uint8_t>& in, const char* part, int options = 0x0F) {
  try {
    inflateAll(in, options);
    FAIL() << "accepted, expected " << part;
  } catch (const EKvInflateError& e) {
    EXPECT_NE(std::string(e.what()).find(part), std::string::npos) << e.what();
    EXPECT_EQ(std::string(e.what()).rfind("Tamsor inflate error", 0), 0u);
  }
}

}  // namespace

TEST(Checksums, EqualZlibForRandomBuffersAndSplits) {
  EXPECT_EQ(KvCrc32(0, "abc", 3), 0x352441C2u);
  EXPECT_EQ(KvAdler32(1, "abc", 3), 0x024D0127u);
  EXPECT_EQ(KvCrc32(0, "", 0), 0u);
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    size_t n = rng() % 100000;
    auto data = randomBytes(n, rng());
    if (round % 3 == 0) std::fill(data.begin(), data.end(), uint8_t(0xFF));
    size_t split = n ? rng() % n : 0;
    uint32_t c = KvCrc32(KvCrc32(0, data.data(), split), data.data() + split, n - split);
    EXPECT_EQ(c, uint32_t(crc32(0, data.data(), uInt(n))));
    uint32_t a = KvAdler32(KvAdler32(1, data.data(), split), data.data() + split, n - split);
    EXPECT_EQ(a, uint32_t(adler32(1, data.data(), uInt(n))));
  }
}

TEST(Inflate, EqualsZlibOnTheCorpusAtEveryLevelAndStrategy) {
  const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const auto& plain : corpus())
    for (int level = 0; level <= 9; ++level)
      for (int strategy : strategies) {
        if (level != 6 && strategy != Z_DEFAULT_STRATEGY && plain.size() > 100000) continue;
        auto packed = rawDeflate(plain, level, strategy);
        size_t packedSize = packed.size();
        packed.insert(packed.end(), {'J', 'U', 'N', 'K'});  // what follows must be handed back
        Result r = inflateAll(packed);
        ASSERT_EQ(r.out, plain) << "level " << level << " strategy " << strategy << " size " << plain.size();
        EXPECT_EQ(r.check, uint32_t(crc32(0, plain.data(), uInt(plain.size()))));
        EXPECT_EQ(r.packed, int64_t(packedSize));
        EXPECT_EQ(r.plain, int64_t(plain.size()));
      }
}

TEST(Inflate, AdlerOptionAndEmptyStoredBlock) {
  auto plain = textBytes(5000, 3);
  Result r = inflateAll(rawDeflate(plain), 0x0F | dfoAdler32);
  EXPECT_EQ(r.check, uint32_t(adler32(1, plain.data(), uInt(plain.size()))));
  std::vector<uint8_t> empty = {0x01, 0x00, 0x00, 0xFF, 0xFF};
  EXPECT_EQ(inflateAll(empty).check, 0u);
  EXPECT_EQ(inflateAll(empty, 0x0F | dfoAdler32).check, 1u);
  EXPECT_TRUE(inflateAll(empty).out.empty());
}

TEST(Inflate, EveryPrefixOfAValidStreamFails) {
  for (int level : {0, 1, 9}) {
    auto plain = textBytes(3000, 11);
    auto packed = rawDeflate(plain, level);
    for (size_t cut = 0; cut < packed.size(); ++cut) {
      std::vector<uint8_t> prefix(packed.begin(), packed.begin() + long(cut));
      EXPECT_THROW(inflateAll(prefix), EKvInflateError) << "level " << level << " cut " << cut;
    }
  }
}

TEST(Inflate, HandMadeStreamsAreJudgedAsZlibJudgesThem) {
  {  // block type 3
    BitWriter w;
    w.put(1, 1);
    w.put(3, 2);
    expectInflateError(w.done(), "starting new block, but invalid block type [Inflate]");
  }
  {  // HLIT 287
    BitWriter w;
    w.put(1, 1);
    w.put(2, 2);
    w.put(30, 5);
    w.put(0, 5);
    w.put(0, 4);
    w.put(0, 32);
    expectInflateError(w.done(), "greater than 286");
  }
  auto dynamicHeader = [](BitWriter& w, int hdist) {
    w.put(1, 1);
    w.put(2, 2);
    w.put(0, 5);           // HLIT 257
    w.put(hdist - 1, 5);   // HDIST
    w.put(15, 4);          // HCLEN 19
  };
  {  // HDIST 31 without Deflate64
    BitWriter w;
    dynamicHeader(w, 31);
    w.put(0, 32);
    w.put(0, 32);
    expectInflateError(w.done(), "greater than 30");
  }
  {  // a repeat of the previous length as the first code length
    BitWriter w;
    dynamicHeader(w, 1);
    // code-length code: symbols 16, 17, 18, 0 ... all length 2 for 16/17/18/0, rest 0
    for (int i = 0; i < 19; ++i) w.put(i < 4 ? 2 : 0, 3);
    w.code(3, 2);  // canonical codes: 0->00, 16->01, 17->10, 18->11; symbol 16 is code 01
    w.put(0, 2);
    w.put(0, 32);
    auto s = w.done();
    s[s.size() - 5] = s[s.size() - 5];
    // rebuild with the right code for 16
    BitWriter v;
    dynamicHeader(v, 1);
    for (int i = 0; i < 19; ++i) v.put(i < 4 ? 2 : 0, 3);
    v.code(1, 2);
    v.put(0, 2);
    v.put(0, 32);
    expectInflateError(v.done(), "no previous length");
  }
  {  // a repeat past the end of the lengths
    BitWriter v;
    dynamicHeader(v, 1);
    for (int i = 0; i < 19; ++i) v.put(i < 4 ? 2 : 0, 3);
    for (int k = 0; k < 2; ++k) {
      v.code(3, 2);  // 18: 11 + 7 bits
      v.put(127, 7);
    }
    v.code(3, 2);
    v.put(127, 7);
    v.put(0, 32);
    expectInflateError(v.done(), "past the end");
  }
  {  // over-subscribed code lengths: three codes of length 1
    BitWriter v;
    dynamicHeader(v, 1);
    for (int i = 0; i < 19; ++i) v.put(i < 3 ? 1 : 0, 3);
    v.put(0, 32);
    expectInflateError(v.done(), "over-subscribed");
  }
  {  // a distance further back than the output
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    w.code(0x30 + 'a', 8);  // literal 'a'
    w.code(1, 7);           // length symbol 257 (length 3)
    w.code(1, 5);           // distance symbol 1 (distance 2)
    w.code(0, 7);
    expectInflateError(w.done(), "distance too far back");
  }
  {  // distance symbol 30 in a static block
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    w.code(0x30 + 'a', 8);
    w.code(1, 7);
    w.code(30, 5);
    w.code(0, 7);
    expectInflateError(w.done(), "invalid distance symbol");
  }
}

TEST(Inflate, LengthSymbol285DiffersWithDeflate64) {
  auto stream = [](bool extra) {
    BitWriter w;
    w.put(1, 1);
    w.put(1, 2);
    w.code(0x30 + 'z', 8);
    w.code(0xC5, 8);  // symbol 285 (codes 280-287 are 11000000 + n)
    if (extra) w.put(0, 16);
    w.code(0, 5);     // distance 1
    w.code(0, 7);     // end of block
    return w.done();
  };
  Result plain = inflateAll(stream(false));
  EXPECT_EQ(plain.out.size(), 259u);
  Result wide = inflateAll(stream(true), 0x0F | dfoDeflate64);
  EXPECT_EQ(wide.out.size(), 4u);
  // Distance symbols 30 and 31 are Deflate64 only.
  BitWriter w;
  w.put(1, 1);
  w.put(1, 2);
  w.code(0x30 + 'a', 8);
  w.code(1, 7);
  w.code(30, 5);
  w.put(0, 14);
  w.code(0, 7);
  expectInflateError(w.done(), "distance too far back", 0x0F | dfoDeflate64);
}

TEST(Inflate, StopAfterSizeEndsEarlyWithTheSizesSoFar) {
  auto plain = textBytes(300000, 5);
  auto packed = rawDeflate(plain, 6);
  Result r = inflateAll(packed, 0x0F, 512);
  EXPECT_EQ(r.check, 0u);
  EXPECT_GE(r.out.size(), 512u);
  EXPECT_TRUE(std::equal(r.out.begin(), r.out.end(), plain.begin()));
  EXPECT_GT(r.packed, 0);
  EXPECT_LT(r.packed, int64_t(packed.size()));
}

TEST(Inflate, OutputLimitAndTestOnly) {
  auto plain = std::vector<uint8_t>(1 << 20, 0);
  auto packed = rawDeflate(plain, 9);
  KvMemoryStream src(packed), dst;
  TKvDeflateHelper h;
  h.OutputLimit = 1000;
  EXPECT_THROW(Inflate(&src, &dst, &h), EKvInflateError);
  EXPECT_LE(dst.Size(), 1000 + 300000);
  KvMemoryStream src2(packed), none;
  TKvDeflateHelper t;
  t.SetOptions(0x0F | dfoTestOnly);
  EXPECT_EQ(Inflate(&src2, &none, &t), uint32_t(crc32(0, plain.data(), uInt(plain.size()))));
  EXPECT_EQ(none.Size(), 0);
  EXPECT_EQ(t.PlainSize, int64_t(plain.size()));
}

TEST(EngineBase, BitReaderEdges) {
  KvMemoryStream s(std::vector<uint8_t>{1, 2, 3, 4, 5});
  {
    TKvDfInBitStream b(&s, 5, {});
    EXPECT_EQ(b.ReadBits(16), 0x0201u);
    EXPECT_EQ(b.ReadBits(16), 0x0403u);
    EXPECT_EQ(b.ReadBits(8), 5u);
    EXPECT_THROW(b.ReadBits(8), EKvInternalInflateError);  // the pad is not data
  }
  KvMemoryStream t(std::vector<uint8_t>{0xAB, 0xCD, 0xEF});
  {
    TKvDfInBitStream b(&t, 3, {});
    EXPECT_EQ(b.PeekBits(16), 0xCDABu);
    b.DiscardBits(8);
  }
  EXPECT_EQ(t.Position(), 1);  // unread bytes handed back
  KvMemoryStream u(std::vector<uint8_t>{0xAB});
  TKvDfInBitStream c(&u, 1, {});
  EXPECT_EQ(c.PeekBits(16), 0xABu);
  EXPECT_THROW(c.PeekBits(33), std::logic_error);
}

TEST(EngineBase, HuffmanTables) {
  {
    TKvDfDecodeHuffmanTree t(2, huBoth, 15);
    uint8_t lens[2] = {1, 0};
    t.Build(lens, 999, nullptr, 2, 0);
    EXPECT_EQ(t.Decode(0), (1 << 16) | 0);
    EXPECT_EQ(t.Decode(1), -1);
    EXPECT_THROW(t.Encode(1), std::logic_error);
  }
  {  // RFC 1951's example: A-H with lengths 3,3,3,3,3,2,4,4
    TKvDfDecodeHuffmanTree t(8, huBoth, 15);
    uint8_t lens[8] = {3, 3, 3, 3, 3, 2, 4, 4};
    t.Build(lens, 999, nullptr, 8, 0);
    const int codes[8] = {0b010, 0b011, 0b100, 0b101, 0b110, 0b00, 0b1110, 0b1111};
    for (int s = 0; s < 8; ++s) {
      int l = lens[s], rev = 0;
      for (int b = 0; b < l; ++b) rev |= ((codes[s] >> b) & 1) << (l - 1 - b);
      EXPECT_EQ(t.Encode(s) & 0xFFFF, rev) << s;
      EXPECT_EQ(t.Decode(uint32_t(rev)) & 0xFFFF, s);
    }
    EXPECT_EQ(t.LookupBitLength(), 4);
  }
  TKvDfDecodeHuffmanTree over(3, huDecode, 15);
  uint8_t bad[3] = {1, 1, 1};
  EXPECT_THROW(over.Build(bad, 999, nullptr, 3, 0), EKvInternalInflateError);
  EXPECT_THROW(TKvDfDecodeHuffmanTree(1, huDecode, 7), std::logic_error);
}

TEST(EngineBase, OutputWindowStopsAtItsStopSize) {
  KvMemoryStream dst;
  {
    TKvDfOutputWindow w(&dst, nullptr, false, 100, true, false);
    for (int i = 0; i < 99; ++i) w.PutLiteral(uint8_t(i));
    EXPECT_THROW(w.PutLiteral(1), EKvPartSizedInflate);
  }
  EXPECT_EQ(dst.Size(), 100);
  KvMemoryStream d2;
  TKvDfOutputWindow w(&d2, nullptr, false, 0, true, false);
  w.PutLiteral('q');
  w.PutMatch(10, 1);
  EXPECT_THROW(w.PutMatch(3, 20), EKvInternalInflateError);
  w.FinalChecksum();
  EXPECT_EQ(d2.Data(), std::vector<uint8_t>(11, 'q'));
  EXPECT_EQ(w.ProducedCount(), 11);
}

TEST(EngineBase, HelperSettersAndLogger) {
  TKvDeflateHelper h;
  EXPECT_EQ(h.LevelLetter(), 'n');
  h.SetMaxLazyMatch(0);
  EXPECT_EQ(h.MaxLazyMatch(), 4);
  EXPECT_EQ(h.LevelLetter(), '?');
  h.SetMaxChainSteps(-1);
  EXPECT_EQ(h.MaxChainSteps(), -1);
  EXPECT_THROW(TKvLogger(""), std::logic_error);
  char tmpl[] = "/tmp/kvlogXXXXXX";
  int fd = mkstemp(tmpl);
  close(fd);
  {
    TKvLogger l(tmpl);
    l.LogLine("INFLATING STREAM...");
    EXPECT_THROW(l.Seek(5, soBeginning), std::logic_error);
  }
  EXPECT_EQ(readFile(tmpl), bytes("INFLATING STREAM...\r\n"));
  unlink(tmpl);
}

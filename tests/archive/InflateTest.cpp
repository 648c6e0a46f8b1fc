// Checksums and Inflate, with zlib as the oracle.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

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

// Every way of computing them the processor offers, over lengths around each form's step
// sizes, odd starting addresses and running values carried across a split.
TEST(Checksums, EveryFormEqualsZlib) {
  const auto forms = KvChecksumForms();
  ASSERT_GE(forms.size(), 2u);
  EXPECT_NE(std::find(forms.begin(), forms.end(), KvChecksumForm()), forms.end());
  std::mt19937 rng(11);
  auto data = randomBytes(300000, 5);
  std::vector<size_t> lengths;
  for (size_t n = 0; n <= 600; ++n) lengths.push_back(n);
  for (size_t n : {1023u, 1024u, 1025u, 4095u, 65536u, 65551u, 299000u}) lengths.push_back(n);
  for (TKvChecksumForm form : forms)
    for (size_t n : lengths) {
      const uint8_t* p = data.data() + rng() % 64;
      size_t split = n ? rng() % (n + 1) : 0;
      uint32_t want = uint32_t(crc32(0, p, uInt(n)));
      uint32_t whole = ~KvCrc32RawUsing(form, 0xFFFFFFFFu, p, n);
      uint32_t parts = ~KvCrc32RawUsing(form, KvCrc32RawUsing(form, 0xFFFFFFFFu, p, split), p + split, n - split);
      ASSERT_EQ(whole, want) << "form " << int(form) << " length " << n;
      ASSERT_EQ(parts, want) << "form " << int(form) << " length " << n << " split " << split;
      uint32_t adler = KvAdler32Using(form, KvAdler32Using(form, 1, p, split), p + split, n - split);
      ASSERT_EQ(adler, uint32_t(adler32(1, p, uInt(n)))) << "form " << int(form) << " length " << n;
    }
  // Long runs of one byte value, where a sum could overflow.
  std::vector<uint8_t> ff(200000, 0xFF);
  for (TKvChecksumForm form : forms) {
    EXPECT_EQ(~KvCrc32RawUsing(form, 0xFFFFFFFFu, ff.data(), ff.size()), uint32_t(crc32(0, ff.data(), uInt(ff.size()))));
    EXPECT_EQ(KvAdler32Using(form, 1, ff.data(), ff.size()), uint32_t(adler32(1, ff.data(), uInt(ff.size()))));
  }
}

TEST(Checksums, CopyingFormCopiesAndEqualsZlib) {
  auto data = randomBytes(5000, 9);
  for (size_t from : {0, 1, 7, 64})
    for (size_t n : {0, 1, 15, 63, 64, 255, 256, 257, 511, 512, 1000, 4000}) {
      std::vector<uint8_t> to(n + 3, 0xCC);
      uint32_t c = ~KvCrc32RawCopy(0xFFFFFFFFu, to.data() + 1, data.data() + from, n);
      EXPECT_EQ(c, uint32_t(crc32(0, data.data() + from, uInt(n)))) << from << " " << n;
      EXPECT_TRUE(std::equal(data.begin() + long(from), data.begin() + long(from + n), to.begin() + 1)) << n;
      EXPECT_EQ(to[0], 0xCC);
      EXPECT_EQ(to[n + 1], 0xCC);
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

// The hot loop is built twice; where the processor picks the BMI2 build, the plain one
// must still be right, as it is on processors without BMI2.
TEST(Inflate, BothBuildsOfTheHotLoopEqualZlib) {
  struct Restore {
    ~Restore() { KvInflateForcePlainLoop(false); }
  } restore;
  for (bool plain : {true, false}) {
    KvInflateForcePlainLoop(plain);
    for (const auto& data : corpus())
      for (int level : {1, 6, 9})
        for (int strategy : {Z_DEFAULT_STRATEGY, Z_FIXED}) {
          Result r = inflateAll(rawDeflate(data, level, strategy));
          ASSERT_EQ(r.out, data) << "plain " << plain << " level " << level << " size " << data.size();
          EXPECT_EQ(r.check, uint32_t(crc32(0, data.data(), uInt(data.size()))));
        }
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

// Stored blocks go straight into a memory target; the coded blocks after them must still
// find their matches in the stored bytes, and a file-like target must see the same bytes.
TEST(Inflate, StoredBlocksBetweenCodedOnesReachEveryTarget) {
  // Random stretches (stored) and copies of their tails (coded, far matches), one stream.
  std::vector<uint8_t> plain;
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 0, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<uint8_t> packed(4 << 20);
  z.next_out = packed.data();
  z.avail_out = uInt(packed.size());
  auto feed = [&](const std::vector<uint8_t>& part, int level) {
    ASSERT_EQ(deflateParams(&z, level, Z_DEFAULT_STRATEGY), Z_OK);
    plain.insert(plain.end(), part.begin(), part.end());
    z.next_in = const_cast<Bytef*>(part.data());
    z.avail_in = uInt(part.size());
    ASSERT_EQ(deflate(&z, Z_SYNC_FLUSH), Z_OK);
  };
  const size_t sizes[] = {3, 70000, 20000, 40000, 1, 33000};
  uint32_t seed = 5;
  for (size_t n : sizes) {
    feed(randomBytes(n, seed++), 0);
    std::vector<uint8_t> tail(plain.end() - long(std::min<size_t>(plain.size(), 30000)), plain.end());
    tail.resize(tail.size() / 2);
    auto text = textBytes(5000, seed++);
    tail.insert(tail.end(), text.begin(), text.end());
    feed(tail, 9);
  }
  z.avail_in = 0;
  ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  packed.resize(z.total_out);
  deflateEnd(&z);
  const uint32_t crc = uint32_t(crc32(0, plain.data(), uInt(plain.size())));

  Result r = inflateAll(packed);
  ASSERT_EQ(r.out, plain);
  EXPECT_EQ(r.check, crc);
  EXPECT_EQ(r.plain, int64_t(plain.size()));
  EXPECT_EQ(r.packed, int64_t(packed.size()));

  // A memory target with bytes of its own before the position keeps them.
  {
    KvMemoryStream src(packed), dst(std::vector<uint8_t>(100, 0xAB));
    dst.SetPosition(100);
    EXPECT_EQ(Inflate(&src, &dst, nullptr), crc);
    ASSERT_EQ(dst.Data().size(), 100 + plain.size());
    EXPECT_TRUE(std::all_of(dst.Data().begin(), dst.Data().begin() + 100, [](uint8_t b) { return b == 0xAB; }));
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), dst.Data().begin() + 100));
  }
  // A file target goes through the window.
  {
    char name[] = "/tmp/kv-inflate-XXXXXX";
    int fd = mkstemp(name);
    ASSERT_GE(fd, 0);
    {
      KvFileStream dst(fd, name);
      KvMemoryStream src(packed);
      EXPECT_EQ(Inflate(&src, &dst, nullptr), crc);
    }
    EXPECT_EQ(readFile(name), plain);
    std::remove(name);
  }
  // Cut inside a stored block: an error, and the memory target holds only bytes produced.
  {
    std::vector<uint8_t> cut(packed.begin(), packed.begin() + 30000);
    KvMemoryStream src(cut), dst;
    EXPECT_THROW(Inflate(&src, &dst, nullptr), EKvInflateError);
    EXPECT_LE(dst.Data().size(), plain.size());
    EXPECT_TRUE(std::equal(dst.Data().begin(), dst.Data().end(), plain.begin()));
  }
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

// Single bits come low bit first; aligning drops the rest of the byte; a buffer read takes
// the whole bytes left in the bit buffer, then bytes straight from the stream, and never the pad.
TEST(EngineBase, BitReaderSingleBitsAlignAndBuffers) {
  const std::vector<uint8_t> d = {0xB5, 0x3C, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x47};
  KvMemoryStream s(d);
  TKvDfInBitStream b(&s, int64_t(d.size()), {});
  // 0xB5 = 1011 0101: low bits first 1, 0, 1.
  EXPECT_EQ(b.ReadBit(), 1);
  EXPECT_EQ(b.ReadBit(), 0);
  EXPECT_EQ(b.ReadBit(), 1);
  uint8_t one = 0;
  EXPECT_THROW(b.ReadBuffer(&one, 1), std::logic_error);
  b.ByteAlign();
  std::vector<uint8_t> got(5);
  b.ReadBuffer(got.data(), 5);
  EXPECT_EQ(got, std::vector<uint8_t>(d.begin() + 1, d.begin() + 6));
  // 0x9A = 1001 1010: the bit buffer was emptied, the next bit is the low bit of 0x9A.
  EXPECT_EQ(b.ReadBit(), 0);
  EXPECT_EQ(b.ReadBit(), 1);
  EXPECT_EQ(b.ReadBit(), 0);
  EXPECT_EQ(b.ReadBit(), 1);
  b.ByteAlign();
  got.assign(4, 0);
  b.ReadBuffer(got.data(), 4);
  EXPECT_EQ(got, std::vector<uint8_t>(d.begin() + 7, d.end()));
  try {
    b.ReadBuffer(&one, 1);
    ADD_FAILURE() << "read past the end";
  } catch (const EKvInternalInflateError& e) {
    EXPECT_STREQ(e.what(), "no more compressed data in stream [TKvDfInBitStream.ReadBuffer]");
  }
  try {
    b.ReadBit();
    ADD_FAILURE() << "bit past the end";
  } catch (const EKvInternalInflateError& e) {
    EXPECT_STREQ(e.what(), "no more compressed data in stream [TKvDfInBitStream.ReadBit]");
  }
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

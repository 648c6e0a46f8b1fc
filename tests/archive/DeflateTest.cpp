// Deflate: code lengths, symbols, exact small outputs, and round trips through zlib and our Inflate.
#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>
#include <random>

#include "KvChecksum.h"
#include "KvDeflate.h"
#include "KvInflate.h"
#include "KvStream.h"
#include "TestFiles.h"
#include "ZlibStreams.h"

using namespace kv;
using namespace ziptest;

namespace {

std::vector<uint8_t> lengths(int maxLen, std::vector<uint32_t> w) {
  std::vector<uint8_t> out(w.size(), 99);
  GenerateCodeLengths(maxLen, w.data(), int(w.size()) - 1, out.data(), 0);
  return out;
}

TEST(GenerateCodeLengths, KnownCases) {
  EXPECT_EQ(lengths(15, {1, 1, 2, 4}), (std::vector<uint8_t>{3, 3, 2, 1}));
  EXPECT_EQ(lengths(15, {1, 1, 2, 4, 8, 16}), (std::vector<uint8_t>{5, 5, 4, 3, 2, 1}));
  EXPECT_EQ(lengths(3, {1, 1, 2, 4, 8, 16}), (std::vector<uint8_t>{3, 3, 3, 3, 2, 2}));
  EXPECT_EQ(lengths(15, {0, 0, 7}), (std::vector<uint8_t>{0, 0, 1}));
  EXPECT_EQ(lengths(15, {0, 0, 0}), (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_THROW(lengths(2, {1, 1, 1, 1}), std::logic_error);
  EXPECT_THROW(lengths(0, {1, 1}), std::logic_error);
  EXPECT_THROW(lengths(16, {1, 1}), std::logic_error);
}

// Cheapest prefix code within the length limit, by trying every length vector.
uint64_t bruteForceCost(const std::vector<uint32_t>& w, int maxLen) {
  std::vector<int> used;
  for (size_t i = 0; i < w.size(); ++i)
    if (w[i]) used.push_back(int(i));
  if (used.size() < 2) return used.empty() ? 0 : w[size_t(used[0])];
  uint64_t best = UINT64_MAX;
  std::vector<int> l(used.size(), 1);
  std::function<void(size_t, double)> rec = [&](size_t k, double kraft) {
    if (kraft > 1.0 + 1e-12) return;
    if (k == used.size()) {
      uint64_t c = 0;
      for (size_t i = 0; i < used.size(); ++i) c += uint64_t(w[size_t(used[i])]) * uint64_t(l[i]);
      best = std::min(best, c);
      return;
    }
    for (int len = 1; len <= maxLen; ++len) {
      l[k] = len;
      rec(k + 1, kraft + std::ldexp(1.0, -len));
    }
  };
  rec(0, 0.0);
  return best;
}

TEST(GenerateCodeLengths, PropertyOnSmallAlphabets) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    int n = 2 + int(rng() % 6);
    int maxLen = 1;
    while ((1 << maxLen) <= n) ++maxLen;
    maxLen += int(rng() % 3);
    std::vector<uint32_t> w(static_cast<size_t>(n), 0u);
    for (auto& x : w) x = (rng() % 4 == 0) ? 0 : 1 + rng() % (round % 2 ? 1000 : 10);
    auto l = lengths(maxLen, w);
    double kraft = 0;
    uint64_t cost = 0;
    int used = 0;
    for (int i = 0; i < n; ++i) {
      if (!w[size_t(i)]) {
        if (i == 0 && std::all_of(w.begin(), w.end(), [](uint32_t v) { return !v; })) continue;
        EXPECT_EQ(l[size_t(i)], 0);
        continue;
      }
      ++used;
      ASSERT_GE(l[size_t(i)], 1);
      ASSERT_LE(l[size_t(i)], maxLen);
      kraft += std::ldexp(1.0, -l[size_t(i)]);
      cost += uint64_t(w[size_t(i)]) * l[size_t(i)];
    }
    if (used >= 2) {
      EXPECT_NEAR(kraft, 1.0, 1e-9);
      EXPECT_EQ(cost, bruteForceCost(w, maxLen)) << "round " << round;
    }
  }
}

TEST(Translator, Symbols) {
  EXPECT_EQ(TKvDfTranslator::LengthSymbol(3), 257);
  EXPECT_EQ(TKvDfTranslator::LengthSymbol(257), 284);
  EXPECT_EQ(TKvDfTranslator::LengthSymbol(258), 285);
  EXPECT_EQ(TKvDfTranslator::LengthSymbol(259), 285);
  EXPECT_EQ(TKvDfTranslator::DistanceSymbol(32769), 30);
  EXPECT_EQ(TKvDfTranslator::DistanceSymbol(65536), 31);
  EXPECT_EQ(TKvDfTranslator::DistanceSymbol(257), 16);
  EXPECT_EQ(TKvDfTranslator::DistanceSymbol(1), 0);
  EXPECT_EQ(TKvDfTranslator::DistanceSymbol(24577), 29);
  EXPECT_THROW(TKvDfTranslator::LengthSymbol(2), std::logic_error);
  EXPECT_THROW(TKvDfTranslator::DistanceSymbol(0), std::logic_error);
}

TEST(CodeLenSymbols, Runs) {
  std::vector<uint8_t> zeros(140, 0);
  auto z = KvCodeLenSymbols(zeros.data(), 140);
  ASSERT_EQ(z.size(), 3u);
  EXPECT_EQ(z[0].Symbol, 18);
  EXPECT_EQ(z[0].Extra, 127);
  EXPECT_EQ(z[1].Symbol, 0);
  EXPECT_EQ(z[2].Symbol, 0);
  std::vector<uint8_t> sevens(7, 5);
  auto s = KvCodeLenSymbols(sevens.data(), 7);
  ASSERT_EQ(s.size(), 2u);
  EXPECT_EQ(s[0].Symbol, 5);
  EXPECT_EQ(s[1].Symbol, 16);
  EXPECT_EQ(s[1].Extra, 3);
}

std::vector<uint8_t> deflate(const std::vector<uint8_t>& in, int options, uint32_t* check = nullptr,
                             std::function<void(TKvDeflateHelper&)> tune = {}) {
  KvMemoryStream src(in), dst;
  TKvDeflateHelper h;
  h.SetOptions(options);
  if (tune) tune(h);
  uint32_t c = Deflate(&src, &dst, &h);
  if (check) *check = c;
  EXPECT_EQ(h.PlainSize, int64_t(in.size()));
  EXPECT_EQ(h.PackedSize, int64_t(dst.Data().size()));
  return dst.Data();
}

std::vector<uint8_t> ourInflate(const std::vector<uint8_t>& in, int options = 0x0F) {
  KvMemoryStream src(in), dst;
  TKvDeflateHelper h;
  h.SetOptions(options);
  Inflate(&src, &dst, &h);
  EXPECT_EQ(h.PackedSize, int64_t(in.size()));
  return dst.Data();
}

TEST(Deflate, EmptyInputs) {
  std::vector<uint8_t> empty;
  EXPECT_EQ(deflate(empty, 2), (std::vector<uint8_t>{0x03, 0x00}));
  for (int o : {3, 5, 6, 7, 0x0F})
    EXPECT_EQ(deflate(empty, o), (std::vector<uint8_t>{0x03, 0x00})) << o;
  // Whole-stream stored: one empty final block, which every decoder accepts.
  auto st = deflate(empty, 1);
  EXPECT_EQ(st, (std::vector<uint8_t>{0x01, 0x00, 0x00, 0xFF, 0xFF}));
  bool ok;
  EXPECT_TRUE(zlibInflate(st, &ok).empty());
  EXPECT_TRUE(ok);
  // Dynamic only still gives a valid stream.
  auto dyn = deflate(empty, 4);
  EXPECT_TRUE(zlibInflate(dyn, &ok).empty());
  EXPECT_TRUE(ok);
  EXPECT_TRUE(ourInflate(dyn).empty());
}

TEST(Deflate, StoredSeventyThousand) {
  auto in = randomBytes(70000, 3);
  auto out = deflate(in, 1);
  ASSERT_EQ(out.size(), 70000u + 10);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1] | (out[2] << 8), 65535);
  EXPECT_EQ(out[3] | (out[4] << 8), 0);
  size_t second = 5 + 65535;
  EXPECT_EQ(out[second], 1);
  EXPECT_EQ(out[second + 1] | (out[second + 2] << 8), 4465);
  EXPECT_EQ((out[second + 3] | (out[second + 4] << 8)), 0xFFFF - 4465);
  EXPECT_EQ(ourInflate(out), in);
}

std::vector<std::vector<uint8_t>> corpus() {
  std::vector<std::vector<uint8_t>> c;
  c.push_back({});
  c.push_back({0x41});
  c.push_back({0x41, 0x42});
  c.push_back(bytes("abcabcabcabcabcabcabcabcabc"));
  c.push_back(textBytes(300000, 1));
  c.push_back(bmpBytes(200, 150));
  c.push_back(readFile("/proc/self/exe"));
  c.back().resize(std::min<size_t>(c.back().size(), 400000));
  c.push_back(randomBytes(100000, 2));
  c.push_back(std::vector<uint8_t>(200000, 'x'));
  c.push_back(std::vector<uint8_t>(70000, 0));
  // Repeats far back, beyond 32 KiB for Deflate64's long distances.
  auto far = randomBytes(50000, 9);
  auto twice = far;
  twice.insert(twice.end(), far.begin(), far.end());
  c.push_back(twice);
  return c;
}

TEST(Deflate, RoundTripsThroughZlibAndOurs) {
  auto c = corpus();
  struct Mode {
    int options;
    std::function<void(TKvDeflateHelper&)> tune;
  };
  std::vector<Mode> modes = {
      {1, {}},
      {2, {}},
      {4, {}},
      {0x0F, {}},
      {0x07, {}},
      {0x0B, {}},
      {0x0D, {}},
      {0x0F | dfoAdler32, {}},
      {0x0F, [](TKvDeflateHelper& h) { h.SetMaxChainSteps(-1); h.SetGoodMatchLength(-1); h.SetMaxLazyMatch(-1); }},
      {0x0F, [](TKvDeflateHelper& h) { h.SetMaxChainSteps(4); h.SetGoodMatchLength(4); }},
      {0x0F, [](TKvDeflateHelper& h) { h.WindowSize = 4096; }},
  };
  for (size_t ci = 0; ci < c.size(); ++ci) {
    for (auto& m : modes) {
      uint32_t check = 0;
      auto packed = deflate(c[ci], m.options, &check, m.tune);
      uint32_t want = (m.options & dfoAdler32)
                          ? KvAdler32(1, c[ci].data(), c[ci].size())
                          : uint32_t(crc32(0, c[ci].data(), uInt(c[ci].size())));
      EXPECT_EQ(check, want);
      bool ok = false;
      EXPECT_EQ(zlibInflate(packed, &ok), c[ci]) << "corpus " << ci << " options " << m.options;
      EXPECT_TRUE(ok);
      EXPECT_EQ(ourInflate(packed), c[ci]) << "corpus " << ci << " options " << m.options;
    }
  }
}

TEST(Deflate, Deflate64RoundTripsThroughOurs) {
  for (auto& in : corpus()) {
    auto packed = deflate(in, 0x0F | dfoDeflate64);
    EXPECT_EQ(ourInflate(packed, 0x0F | dfoDeflate64), in);
  }
}

TEST(Deflate, ShapeOfTheOutput) {
  auto text = textBytes(200000, 4);
  std::vector<uint8_t> z(compressBound(uLong(text.size())));
  uLongf zl = uLongf(z.size());
  compress2(z.data(), &zl, text.data(), uLong(text.size()), 6);
  auto ours = deflate(text, 0x0F);
  EXPECT_LT(double(ours.size()), double(zl) * 1.10);
  // Random data falls back to stored blocks instead of growing.
  auto rnd = randomBytes(100000, 5);
  EXPECT_LT(deflate(rnd, 0x0F).size(), rnd.size() + 100);
  // A 3-byte repeat far back is left as literals: static output of 'abc' + 5000 x + 'abc'.
  std::vector<uint8_t> far = bytes("abq");
  for (int i = 0; i < 5000; ++i) far.push_back(uint8_t('0' + i % 7 + (i / 7) % 3 * 10));
  for (uint8_t b : bytes("abq")) far.push_back(b);
  bool ok;
  EXPECT_EQ(zlibInflate(deflate(far, 2), &ok), far);
}

TEST(Deflate, Encrypted) {
  auto in = textBytes(5000, 6);
  KvMemoryStream src(in), dst;
  TKvDeflateHelper h;
  h.CipherPassword = "geheim";
  h.HeaderCheck = int64_t(uint32_t(crc32(0, in.data(), uInt(in.size()))));
  Deflate(&src, &dst, &h);
  EXPECT_EQ(h.PackedSize, int64_t(dst.Data().size()));
  KvMemoryStream back(dst.Data()), plain;
  TKvDeflateHelper r;
  r.CipherPassword = "geheim";
  r.HeaderCheck = h.HeaderCheck;
  Inflate(&back, &plain, &r);
  EXPECT_EQ(plain.Data(), in);
}

TEST(Deflate, OptionsMustChooseABlockKind) {
  KvMemoryStream src, dst;
  TKvDeflateHelper h;
  h.SetOptions(dfoLazyMatch);
  EXPECT_THROW(Deflate(&src, &dst, &h), std::logic_error);
  EXPECT_THROW(Deflate(nullptr, &dst, &h), std::logic_error);
}

}  // namespace

// A smaller window is a promise: zlib, told the same window, finds no distance past it.
TEST(Deflate, SmallWindowsKeepTheirDistances) {
  std::vector<uint8_t> in = textBytes(200000, 7);
  auto rnd = randomBytes(3000, 8);
  for (int i = 0; i < 20; ++i) in.insert(in.end(), rnd.begin(), rnd.end());
  for (int bits : {8, 10, 12}) {
    auto packed = deflate(in, 0x0F, nullptr, [bits](TKvDeflateHelper& h) { h.WindowSize = 1 << bits; });
    bool ok = false;
    EXPECT_EQ(zlibInflate(packed, &ok, bits), in) << bits;
    EXPECT_TRUE(ok) << bits;
  }
}

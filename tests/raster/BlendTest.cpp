// Both blend arithmetics, the merge tables, the SIMD line forms and the colour arithmetic.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "RasterBlend.h"
#include "RasterSystem.h"

using namespace kalvora::raster;

namespace {

// Four channels with different values from one number, each a bijection of 0..255.
TColor32 Spread(std::uint32_t v) {
  return ((v & 255) << 24) | (((255 - v) & 255) << 16) | (((v + 85) & 255) << 8) | ((v * 3) & 255);
}

std::uint32_t Channel(TColor32 c, int i) { return (c >> (8 * i)) & 255; }

std::uint32_t PlainTerm(std::uint32_t x, std::uint32_t y, std::uint32_t w) {
  return ((x * w + 128) >> 8) + ((y * (255 - w) + 128) >> 8);
}

std::uint32_t MmxTerm(std::uint32_t x, std::uint32_t y, std::uint32_t w) {
  return static_cast<std::uint32_t>((static_cast<int>(y) * 256 + (static_cast<int>(x) - static_cast<int>(y)) * static_cast<int>(w) + 128) >> 8);
}

struct LevelGuard {
  ~LevelGuard() { SetRoutineLevel(DetectedRoutineLevel()); }
};

}  // namespace

TEST(Blend, CombineRegBothArithmeticsExhaustive) {
  for (std::uint32_t x = 0; x < 256; ++x)
    for (std::uint32_t y = 0; y < 256; ++y) {
      const TColor32 cx = Spread(x), cy = Spread(y);
      for (std::uint32_t w = 0; w < 256; ++w) {
        const TColor32 p = CombineReg_Plain(cx, cy, w);
        const TColor32 m = CombineReg_Mmx(cx, cy, w);
        for (int i = 0; i < 4; ++i) {
          const std::uint32_t a = Channel(cx, i), b = Channel(cy, i);
          const std::uint32_t ep = w == 0 ? b : (w == 255 ? a : PlainTerm(a, b, w));
          const std::uint32_t em = w == 0 ? b : (w == 255 ? a : MmxTerm(a, b, w));
          if (Channel(p, i) != ep || Channel(m, i) != em) {
            FAIL() << "x=" << x << " y=" << y << " w=" << w << " channel " << i << ": plain " << Channel(p, i)
                   << " want " << ep << ", mmx " << Channel(m, i) << " want " << em;
          }
        }
      }
    }
}

TEST(Blend, BlendRegAndExBothArithmetics) {
  // every foreground alpha against sample colours and every master alpha
  std::mt19937 rng(7);
  for (std::uint32_t fa = 0; fa < 256; ++fa)
    for (int k = 0; k < 64; ++k) {
      const TColor32 f = (fa << 24) | (rng() & 0xFFFFFF);
      const TColor32 b = rng();
      const TColor32 p = BlendReg_Plain(f, b), m = BlendReg_Mmx(f, b);
      for (int i = 0; i < 4; ++i) {
        const std::uint32_t x = Channel(f, i), y = Channel(b, i);
        EXPECT_EQ(Channel(p, i), fa == 0 ? y : (fa == 255 ? x : PlainTerm(x, y, fa)));
        EXPECT_EQ(Channel(m, i), fa == 0 ? y : (fa == 255 ? x : MmxTerm(x, y, fa)));
      }
      for (std::uint32_t ma : {0u, 1u, 77u, 128u, 254u, 255u}) {
        const std::uint32_t w = ((ma + 1) * fa) >> 8;
        const TColor32 pe = BlendRegEx_Plain(f, b, ma), me = BlendRegEx_Mmx(f, b, ma);
        for (int i = 0; i < 4; ++i) {  // alpha blended too, in both forms
          const std::uint32_t x = Channel(f, i), y = Channel(b, i);
          ASSERT_EQ(Channel(pe, i), (fa == 0 || w == 0) ? y : PlainTerm(x, y, w)) << fa << " " << ma << " " << i;
          ASSERT_EQ(Channel(me, i), (fa == 0 || w == 0) ? y : MmxTerm(x, y, w)) << fa << " " << ma << " " << i;
        }
      }
    }
}

TEST(Blend, EarlyExitsAreExact) {
  LevelGuard guard;
  for (TRoutineLevel level : {TRoutineLevel::Plain, TRoutineLevel::Mmx, TRoutineLevel::Sse2}) {
    SetRoutineLevel(level);
    EXPECT_EQ(BlendReg(0x00123456u, 0x87654321u), 0x87654321u);
    EXPECT_EQ(BlendReg(0xFF123456u, 0x87654321u), 0xFF123456u);
    EXPECT_EQ(CombineReg(0x11223344u, 0x55667788u, 0), 0x55667788u);
    EXPECT_EQ(CombineReg(0x11223344u, 0x55667788u, 255), 0x11223344u);
    EXPECT_EQ(BlendRegEx(0xFF102030u, 0x80405060u, 0), 0x80405060u);  // W = (1 * 255) >> 8 = 0
    TColor32 d = 0x12345678u;
    BlendMem(0x00FFFFFFu, d);
    EXPECT_EQ(d, 0x12345678u);
    CombineMem(0xFFFFFFFFu, d, 0);
    EXPECT_EQ(d, 0x12345678u);
  }
}

TEST(Blend, MergeTablesAndMerge) {
  for (int a = 0; a < 256; ++a)
    for (int b = 0; b < 256; ++b) {
      const double m = a * b / 255.0;
      EXPECT_NEAR(MulTable[a][b], m, 0.5) << a << " " << b;
      EXPECT_EQ(MulTable[a][b], MulTable[b][a]);
      if (a >= 1 && b <= a) {  // the part of the reciprocal table a merge can reach
        EXPECT_NEAR(RcpTable[a][b], b * 255.0 / a, 0.5) << a << " " << b;
      }
    }
  EXPECT_EQ(MulTable[255][128], 128);
  EXPECT_EQ(MulTable[1][128], 1);  // 0.502 rounds up
  EXPECT_EQ(RcpTable[0][17], 0);
  // alpha of two half-transparent colours: Fa + Ba - Fa * Ba / 255
  EXPECT_EQ(MergeReg(0x80FF0000u, 0x800000FFu) >> 24, 192u);
  EXPECT_EQ(MergeReg(0x00FF0000u, 0x400000FFu), 0x400000FFu);
  EXPECT_EQ(MergeReg(0x80FF0000u, 0x000000FFu), 0x80FF0000u);
  EXPECT_EQ(MergeReg(0xFFFF0000u, 0x400000FFu), 0xFFFF0000u);
  EXPECT_EQ(MergeReg(0x80FF0000u, 0xFF0000FFu), BlendReg(0x80FF0000u, 0xFF0000FFu) | 0xFF000000u);
  // the reciprocal step never wraps: the merged colour stays inside 0..255 and between the inputs
  for (int fa = 1; fa < 255; fa += 3)
    for (int ba = 1; ba < 255; ba += 5) {
      const TColor32 m = MergeReg((TColor32(fa) << 24) | 0xFFFFFF, (TColor32(ba) << 24) | 0xFFFFFF);
      EXPECT_EQ(m & 0xFFFFFF, 0xFFFFFFu) << fa << " " << ba;
      const TColor32 z = MergeReg(TColor32(fa) << 24, TColor32(ba) << 24);
      EXPECT_EQ(z & 0xFFFFFF, 0u);
    }
  // MergeRegEx scales the foreground alpha by the master alpha
  EXPECT_EQ(MergeRegEx(0xFF00FF00u, 0x00000000u, 128), 0x8000FF00u);
}

TEST(Blend, SimdLinesEqualScalarOnRandomRows) {
  LevelGuard guard;
  SetRoutineLevel(TRoutineLevel::Sse2);
  if (RoutineLevel() != TRoutineLevel::Sse2) GTEST_SKIP() << "no SSE2";
  std::mt19937 rng(42);
  auto randomPixel = [&rng]() {
    const std::uint32_t pick = rng() % 8;
    const TColor32 a = pick == 0 ? 0 : (pick == 1 ? 255 : rng() & 255);
    return (a << 24) | (rng() & 0xFFFFFF);
  };
  for (int round = 0; round < 400; ++round) {
    const int count = static_cast<int>(rng() % 70) - 3;
    const int n = count > 0 ? count : 0;
    std::vector<TColor32> src(static_cast<std::size_t>(n) + 1), dst(static_cast<std::size_t>(n) + 1);
    for (auto& p : src) p = randomPixel();
    for (auto& p : dst) p = round % 3 == 0 ? (randomPixel() | 0xFF000000u) : randomPixel();
    const TColor32 m = rng() & 255, w = rng() & 255;
    auto check = [&](auto simd, auto scalar, const char* name) {
      std::vector<TColor32> a = dst, b = dst;
      simd(a.data(), b.data());
      scalar(a.data(), b.data());
      EXPECT_EQ(a, b) << name << " count " << count;
    };
    check([&](TColor32* a, TColor32*) { BlendLine_Sse2(src.data(), a, count); },
          [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = BlendReg_Mmx(src[static_cast<std::size_t>(i)], b[i]); },
          "BlendLine");
    check([&](TColor32* a, TColor32*) { BlendLineEx_Sse2(src.data(), a, count, m); },
          [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = BlendRegEx_Mmx(src[static_cast<std::size_t>(i)], b[i], m); },
          "BlendLineEx");
    check([&](TColor32* a, TColor32*) { CombineLine_Sse2(src.data(), a, count, w); },
          [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = CombineReg_Mmx(src[static_cast<std::size_t>(i)], b[i], w); },
          "CombineLine");
    check([&](TColor32* a, TColor32*) { MergeLine_Sse2(src.data(), a, count); },
          [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = MergeReg(src[static_cast<std::size_t>(i)], b[i]); },
          "MergeLine");
    if (HasAvx2Blend()) {
      check([&](TColor32* a, TColor32*) { BlendLine_Avx2(src.data(), a, count); },
            [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = BlendReg_Mmx(src[static_cast<std::size_t>(i)], b[i]); },
            "BlendLine AVX2");
      check([&](TColor32* a, TColor32*) { MergeLine_Avx2(src.data(), a, count); },
            [&](TColor32*, TColor32* b) { for (int i = 0; i < count; ++i) b[i] = MergeReg(src[static_cast<std::size_t>(i)], b[i]); },
            "MergeLine AVX2");
    }
  }
}

TEST(Blend, TestHookInstallsThePlainForms) {
  LevelGuard guard;
  SetRoutineLevel(TRoutineLevel::Plain);
  EXPECT_FALSE(MMXActive);
  EXPECT_EQ(CombineReg, &CombineReg_Plain);
  EXPECT_EQ(BLEND_REG[0], &BlendReg_Plain);
  EXPECT_EQ(ColorAverage, &ColorAverage_Plain);
  SetRoutineLevel(TRoutineLevel::Mmx);
  EXPECT_TRUE(MMXActive);
  EXPECT_EQ(BLEND_LINE[0], &BlendLine_Mmx);
  SetRoutineLevel(TRoutineLevel::Sse2);
  EXPECT_EQ(BlendLine, HasAvx2Blend() ? &BlendLine_Avx2 : &BlendLine_Sse2);
  EXPECT_EQ(ColorAverage, &ColorAverage_Mmx);
}

TEST(Blend, ProcessorDetectionAgreesWithTheCompiler) {
#if defined(__x86_64__)
  __builtin_cpu_init();
  EXPECT_EQ(HasMMX(), __builtin_cpu_supports("mmx") != 0);
  EXPECT_EQ(HasInstructionSet(TCPUInstructionSet::ciSSE), __builtin_cpu_supports("sse") != 0);
  EXPECT_EQ(HasInstructionSet(TCPUInstructionSet::ciSSE2), __builtin_cpu_supports("sse2") != 0);
  EXPECT_TRUE(HasMMXEx());
  EXPECT_EQ(DetectedRoutineLevel(), TRoutineLevel::Sse2);
#endif
  EXPECT_FALSE(UseThemes());
  EXPECT_FALSE(InitThemeLibrary());
  EXPECT_FALSE(USE_THEMES);
}

TEST(Blend, ColourArithmetic) {
  EXPECT_EQ(ColorAdd(0x80F01020u, 0x90201020u), 0xFFFF2040u);
  EXPECT_EQ(ColorSub(0x80101020u, 0x90201010u), 0x00000010u);
  EXPECT_EQ(ColorDiv(0x00400080u, 0x80204080u), 0xFF80FFFFu);  // a zero channel in C1 gives 255
  EXPECT_EQ(ColorModulate(0xFF80FF00u, 0xFF80FFFFu), 0xFE40FE00u);
  EXPECT_EQ(ColorMax(0x10203040u, 0x40302010u), 0x40303040u);
  EXPECT_EQ(ColorMin(0x10203040u, 0x40302010u), 0x10202010u);
  EXPECT_EQ(ColorDifference(0x10203040u, 0x40302010u), 0x30101030u);
  EXPECT_EQ(ColorExclusion(0xFF000080u, 0xFF00FF80u), 0x0200FF80u);
  EXPECT_EQ(ColorScale(0xFF804020u, 128), 0x7F402010u);
  EXPECT_EQ(ColorAverage_Plain(0x01030507u, 0x02040608u), 0x01030507u);  // rounds down
  EXPECT_EQ(ColorAverage_Mmx(0x01030507u, 0x02040608u), 0x02040608u);    // rounds up
  EXPECT_EQ(ColorAverage_Plain(0xFF00FF00u, 0x01FF01FFu), 0x807F807Fu);  // no carry between channels
}

TEST(Blend, ColourConstructors) {
  EXPECT_EQ(Color32(0x000000FF), 0xFFFF0000u);
  EXPECT_EQ(Color32(0x00FF8000), 0xFF0080FFu);
  EXPECT_EQ(Gray32(128, 255), 0xFF808080u);
  EXPECT_EQ(Color32(static_cast<std::int32_t>(0x80000008u)) >> 24, 0xFFu);  // window text: black, opaque
  EXPECT_EQ(Color32(static_cast<std::int32_t>(0x80000008u)), 0xFF000000u);
}

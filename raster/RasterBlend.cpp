#include "RasterBlend.h"

#include <array>

#include "RasterSystem.h"

namespace kalvora::raster {

namespace {

// round(n / d), halves to even
constexpr std::uint32_t RoundDiv(std::uint32_t n, std::uint32_t d) {
  std::uint32_t q = n / d;
  const std::uint32_t r = n - q * d;
  if (2 * r > d || (2 * r == d && (q & 1))) ++q;
  return q;
}

struct MergeTables {
  std::uint8_t mul[256][256];
  std::uint8_t rcp[256][256];
};

constexpr MergeTables BuildMergeTables() {
  MergeTables t{};
  for (std::uint32_t a = 0; a < 256; ++a)
    for (std::uint32_t b = 0; b < 256; ++b) {
      t.mul[b][a] = static_cast<std::uint8_t>(RoundDiv(a * b, 255));
      t.rcp[b][a] = b == 0 ? 0 : static_cast<std::uint8_t>(RoundDiv(a * 255, b) & 0xFF);
    }
  return t;
}

constexpr MergeTables kTables = BuildMergeTables();

}  // namespace

const std::uint8_t (&MulTable)[256][256] = kTables.mul;
const std::uint8_t (&RcpTable)[256][256] = kTables.rcp;

TColor32 Color32(std::int32_t winColor) {
  std::uint32_t c = static_cast<std::uint32_t>(winColor);
  if (winColor < 0) {
    // The few system colours anyone asks for; the rest read as the window text colour (black).
    static constexpr std::uint32_t kSystem[31] = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xD77800, 0xC8D0D4};
    const std::uint32_t index = c & 0xFF;
    c = index < 31 ? kSystem[index] : 0;
  }
  return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// ---------------------------------------------------------------- the two channel arithmetics
// Plain: each side weighted and rounded on its own, the background by 255 - w.
static inline TColor32 PlainMix(TColor32 x, TColor32 y, TColor32 w) {
  const TColor32 v = 255 - w;
  const TColor32 xrb = ((((x & 0x00FF00FF) * w) + 0x00800080) >> 8) & 0x00FF00FF;
  const TColor32 xag = ((((x >> 8) & 0x00FF00FF) * w) + 0x00800080) & 0xFF00FF00;
  const TColor32 yrb = ((((y & 0x00FF00FF) * v) + 0x00800080) >> 8) & 0x00FF00FF;
  const TColor32 yag = ((((y >> 8) & 0x00FF00FF) * v) + 0x00800080) & 0xFF00FF00;
  return (xrb | xag) + (yrb | yag);
}

// MMX: (y * 256 + (x - y) * w + 128) >> 8 equals (x * w + y * (256 - w) + 128) >> 8, whose terms
// are never negative and stay below 65536, so two channels share one 32-bit multiply.
static inline TColor32 LaneMix(TColor32 x, TColor32 y, TColor32 w) {
  const TColor32 v = 256 - w;
  const TColor32 rb = ((((x & 0x00FF00FF) * w) + ((y & 0x00FF00FF) * v) + 0x00800080) >> 8) & 0x00FF00FF;
  const TColor32 ag = ((((x >> 8) & 0x00FF00FF) * w) + (((y >> 8) & 0x00FF00FF) * v) + 0x00800080) & 0xFF00FF00;
  return rb | ag;
}

namespace {

// The combine and blend routines over one arithmetic: the same weights and shortcuts for both.
template <TColor32 (*Mix)(TColor32, TColor32, TColor32)>
struct BlendFamily {
  static TColor32 CombineReg(TColor32 x, TColor32 y, TColor32 w) {
    if (w == 0) return y;
    if (w >= 255) return x;
    return Mix(x, y, w);
  }
  static void CombineMem(TColor32 f, TColor32& b, TColor32 w) {
    if (w == 0) return;
    b = CombineReg(f, b, w);
  }
  static void CombineLine(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w) {
    if (w == 0) return;
    if (w >= 255) {
      for (std::int32_t i = 0; i < count; ++i) dst[i] = src[i];
      return;
    }
    for (std::int32_t i = 0; i < count; ++i) dst[i] = Mix(src[i], dst[i], w);
  }
  static TColor32 BlendReg(TColor32 f, TColor32 b) {
    const TColor32 fa = f >> 24;
    if (fa == 0) return b;
    if (fa == 255) return f;
    return Mix(f, b, fa);
  }
  static void BlendMem(TColor32 f, TColor32& b) { b = BlendReg(f, b); }
  // No shortcut at w = 255: the master alpha scales even an opaque pixel by the arithmetic.
  static TColor32 BlendRegEx(TColor32 f, TColor32 b, TColor32 m) {
    const TColor32 fa = f >> 24;
    const TColor32 w = ((m + 1) * fa) >> 8;
    if (fa == 0 || w == 0) return b;
    return Mix(f, b, w);
  }
  static void BlendMemEx(TColor32 f, TColor32& b, TColor32 m) { b = BlendRegEx(f, b, m); }
  static void BlendLine(const TColor32* src, TColor32* dst, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) dst[i] = BlendReg(src[i], dst[i]);
  }
  static void BlendLineEx(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m) {
    for (std::int32_t i = 0; i < count; ++i) dst[i] = BlendRegEx(src[i], dst[i], m);
  }
};

using Plain = BlendFamily<PlainMix>;
using Mmx = BlendFamily<LaneMix>;

}  // namespace

TColor32 CombineReg_Plain(TColor32 x, TColor32 y, TColor32 w) { return Plain::CombineReg(x, y, w); }
TColor32 BlendReg_Plain(TColor32 f, TColor32 b) { return Plain::BlendReg(f, b); }
TColor32 BlendRegEx_Plain(TColor32 f, TColor32 b, TColor32 m) { return Plain::BlendRegEx(f, b, m); }
TColor32 CombineReg_Mmx(TColor32 x, TColor32 y, TColor32 w) { return Mmx::CombineReg(x, y, w); }
void CombineLine_Mmx(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w) {
  Mmx::CombineLine(src, dst, count, w);
}
TColor32 BlendReg_Mmx(TColor32 f, TColor32 b) { return Mmx::BlendReg(f, b); }
TColor32 BlendRegEx_Mmx(TColor32 f, TColor32 b, TColor32 m) { return Mmx::BlendRegEx(f, b, m); }
void BlendLine_Mmx(const TColor32* src, TColor32* dst, std::int32_t count) { Mmx::BlendLine(src, dst, count); }
void BlendLineEx_Mmx(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m) {
  Mmx::BlendLineEx(src, dst, count, m);
}

// ---------------------------------------------------------------- merge (one form)
TBlendReg BlendReg = BlendReg_Mmx;
static void MergeLine_Table(const TColor32* src, TColor32* dst, std::int32_t count);
TBlendLine MergeLine = MergeLine_Table;

static TColor32 MergeReg_Table(TColor32 f, TColor32 b) {
  const TColor32 fa = f >> 24;
  if (fa == 0) return b;
  const TColor32 ba = b >> 24;
  if (ba == 255) return BlendReg(f, b) | 0xFF000000u;
  if (fa == 255 || ba == 0) return f;
  const TColor32 ra = fa + ba - kTables.mul[fa][ba];
  const std::uint8_t* mulF = kTables.mul[fa];
  const std::uint8_t* mulB = kTables.mul[ba];
  const std::uint8_t* rcp = kTables.rcp[ra];
  TColor32 result = ra << 24;
  for (int shift = 0; shift < 24; shift += 8) {
    const std::int32_t fc = static_cast<std::int32_t>((f >> shift) & 0xFF);
    const std::int32_t bp = mulB[(b >> shift) & 0xFF];
    const std::int32_t d = fc - bp;
    const std::int32_t v = d >= 0 ? bp + mulF[d] : bp - mulF[-d];
    result |= TColor32(rcp[v]) << shift;
  }
  return result;
}

static void MergeMem_Table(TColor32 f, TColor32& b) { b = MergeReg_Table(f, b); }

static TColor32 MergeRegEx_Table(TColor32 f, TColor32 b, TColor32 m) {
  const TColor32 fa = kTables.mul[f >> 24][m & 0xFF];
  return MergeReg_Table((f & 0x00FFFFFFu) | (fa << 24), b);
}

static void MergeMemEx_Table(TColor32 f, TColor32& b, TColor32 m) { b = MergeRegEx_Table(f, b, m); }

static void MergeLine_Table(const TColor32* src, TColor32* dst, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) dst[i] = MergeReg_Table(src[i], dst[i]);
}

static void MergeLineEx_Table(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m) {
  // a master alpha of 255 leaves every alpha as it is: the plain merge (and its wide form)
  if (m >= 255) {
    MergeLine(src, dst, count);
    return;
  }
  for (std::int32_t i = 0; i < count; ++i) dst[i] = MergeRegEx_Table(src[i], dst[i], m);
}

// ---------------------------------------------------------------- colour arithmetic
template <typename Op>
static inline TColor32 PerChannel(TColor32 c1, TColor32 c2, Op op) {
  TColor32 r = 0;
  for (int s = 0; s < 32; s += 8) {
    const std::int32_t a = static_cast<std::int32_t>((c1 >> s) & 0xFF);
    const std::int32_t b = static_cast<std::int32_t>((c2 >> s) & 0xFF);
    std::int32_t v = op(a, b);
    v = v < 0 ? 0 : (v > 255 ? 255 : v);
    r |= TColor32(v) << s;
  }
  return r;
}

static TColor32 ColorAdd_(TColor32 c1, TColor32 c2) { return PerChannel(c1, c2, [](int a, int b) { return a + b; }); }
static TColor32 ColorSub_(TColor32 c1, TColor32 c2) { return PerChannel(c1, c2, [](int a, int b) { return a - b; }); }
static TColor32 ColorDiv_(TColor32 c1, TColor32 c2) {
  return PerChannel(c1, c2, [](int a, int b) { return a == 0 ? 255 : (b * 256) / a; });
}
static TColor32 ColorModulate_(TColor32 c1, TColor32 c2) {
  return PerChannel(c1, c2, [](int a, int b) { return (a * b) >> 8; });
}
static TColor32 ColorMax_(TColor32 c1, TColor32 c2) { return PerChannel(c1, c2, [](int a, int b) { return a > b ? a : b; }); }
static TColor32 ColorMin_(TColor32 c1, TColor32 c2) { return PerChannel(c1, c2, [](int a, int b) { return a < b ? a : b; }); }
static TColor32 ColorDifference_(TColor32 c1, TColor32 c2) {
  return PerChannel(c1, c2, [](int a, int b) { return a > b ? a - b : b - a; });
}
static TColor32 ColorExclusion_(TColor32 c1, TColor32 c2) {
  return PerChannel(c1, c2, [](int a, int b) { return a + b - ((a * b) >> 7); });
}
TColor32 ColorAverage_Plain(TColor32 c1, TColor32 c2) {
  return (c1 & c2) + (((c1 ^ c2) & 0xFEFEFEFEu) >> 1);
}
TColor32 ColorAverage_Mmx(TColor32 c1, TColor32 c2) {
  return (c1 | c2) - (((c1 ^ c2) & 0xFEFEFEFEu) >> 1);
}
static TColor32 ColorScale_(TColor32 c, TColor32 w) {
  TColor32 r = 0;
  for (int s = 0; s < 32; s += 8) {
    TColor32 v = (((c >> s) & 0xFF) * (w & 0xFF)) >> 8;
    r |= (v > 255 ? 255 : v) << s;
  }
  return r;
}

// ---------------------------------------------------------------- routine pointers
TCombineReg CombineReg = CombineReg_Mmx;
TCombineMem CombineMem = Mmx::CombineMem;
TCombineLine CombineLine = CombineLine_Mmx;
TBlendMem BlendMem = Mmx::BlendMem;
TBlendRegEx BlendRegEx = BlendRegEx_Mmx;
TBlendMemEx BlendMemEx = Mmx::BlendMemEx;
TBlendLine BlendLine = BlendLine_Mmx;
TBlendLineEx BlendLineEx = BlendLineEx_Mmx;
TBlendReg MergeReg = MergeReg_Table;
TBlendMem MergeMem = MergeMem_Table;
TBlendRegEx MergeRegEx = MergeRegEx_Table;
TBlendMemEx MergeMemEx = MergeMemEx_Table;
TBlendLineEx MergeLineEx = MergeLineEx_Table;
TColorOp ColorAdd = ColorAdd_, ColorSub = ColorSub_, ColorDiv = ColorDiv_, ColorModulate = ColorModulate_,
         ColorMax = ColorMax_, ColorMin = ColorMin_, ColorDifference = ColorDifference_,
         ColorAverage = ColorAverage_Mmx, ColorExclusion = ColorExclusion_;
TColor32 (*ColorScale)(TColor32 c, TColor32 w) = ColorScale_;

TBlendReg BLEND_REG[2] = {BlendReg_Mmx, MergeReg_Table};
TBlendMem BLEND_MEM[2] = {Mmx::BlendMem, MergeMem_Table};
TBlendRegEx BLEND_REG_EX[2] = {BlendRegEx_Mmx, MergeRegEx_Table};
TBlendMemEx BLEND_MEM_EX[2] = {Mmx::BlendMemEx, MergeMemEx_Table};
TBlendLine BLEND_LINE[2] = {BlendLine_Mmx, MergeLine_Table};
TBlendLineEx BLEND_LINE_EX[2] = {BlendLineEx_Mmx, MergeLineEx_Table};

bool MMXActive = true;

namespace {

void InstallBlend(TRoutineLevel level) {
  MMXActive = level != TRoutineLevel::Plain;
  if (level == TRoutineLevel::Plain) {
    CombineReg = CombineReg_Plain;
    CombineMem = Plain::CombineMem;
    CombineLine = Plain::CombineLine;
    BlendReg = BlendReg_Plain;
    BlendMem = Plain::BlendMem;
    BlendRegEx = BlendRegEx_Plain;
    BlendMemEx = Plain::BlendMemEx;
    BlendLine = Plain::BlendLine;
    BlendLineEx = Plain::BlendLineEx;
    ColorAverage = ColorAverage_Plain;
    MergeLine = MergeLine_Table;
  } else {
    CombineReg = CombineReg_Mmx;
    CombineMem = Mmx::CombineMem;
    BlendReg = BlendReg_Mmx;
    BlendMem = Mmx::BlendMem;
    BlendRegEx = BlendRegEx_Mmx;
    BlendMemEx = Mmx::BlendMemEx;
    ColorAverage = ColorAverage_Mmx;
    if (level == TRoutineLevel::Sse2) {
      CombineLine = CombineLine_Sse2;
      BlendLine = HasAvx2Blend() ? BlendLine_Avx2 : BlendLine_Sse2;
      BlendLineEx = BlendLineEx_Sse2;
      MergeLine = HasAvx2Blend() ? MergeLine_Avx2 : MergeLine_Sse2;
    } else {
      CombineLine = CombineLine_Mmx;
      BlendLine = BlendLine_Mmx;
      BlendLineEx = BlendLineEx_Mmx;
      MergeLine = MergeLine_Table;
    }
  }
  BLEND_REG[0] = BlendReg;
  BLEND_MEM[0] = BlendMem;
  BLEND_REG_EX[0] = BlendRegEx;
  BLEND_MEM_EX[0] = BlendMemEx;
  BLEND_LINE[0] = BlendLine;
  BLEND_LINE_EX[0] = BlendLineEx;
  BLEND_LINE[1] = MergeLine;
}

const bool blendRegistered = (RegisterRoutineInstaller(InstallBlend), true);

}  // namespace

// Used by the SSE2 merge line for pixels it does not take four at a time.
TColor32 MergeRegScalar(TColor32 f, TColor32 b) { return MergeReg_Table(f, b); }

}  // namespace kalvora::raster

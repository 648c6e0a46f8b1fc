#pragma once
// TColor32 and the per-pixel blend, merge and combine routines.
//
// Two arithmetics exist and may differ by one in a channel:
//   plain: two channels per multiply, each term rounded on its own:
//          ((x * w + 128) >> 8) + ((y * (255 - w) + 128) >> 8)
//   MMX:   one channel per 16-bit lane: (y * 256 + (x - y) * w + 128) >> 8
// The routine pointers below are installed once at start (MMX arithmetic on every x86-64,
// SSE2 line forms with the same bits); SetRoutineLevel of RasterSystem.h switches them for tests.
// Unlike the oldest plain forms, the plain "Ex" blends blend the alpha byte as the MMX ones do.
#include <cstdint>

#include "RasterMath.h"

namespace kalvora::raster {

enum class TCombineMode : std::uint8_t { cmBlend, cmMerge };

// ---- colour constructors ----
// A system colour $00BBGGRR (a negative value names a system colour by its low byte).
TColor32 Color32(std::int32_t winColor);
inline TColor32 Color32(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t a = 255) {
  return (TColor32(a) << 24) | (TColor32(r) << 16) | (TColor32(g) << 8) | b;
}
inline TColor32 Gray32(std::uint8_t intensity, std::uint8_t alpha = 255) {
  return (TColor32(alpha) << 24) | (TColor32(intensity) << 16) | (TColor32(intensity) << 8) | intensity;
}
inline std::uint8_t AlphaComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 24); }
inline std::uint8_t RedComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 16); }
inline std::uint8_t GreenComponent(TColor32 c) { return static_cast<std::uint8_t>(c >> 8); }
inline std::uint8_t BlueComponent(TColor32 c) { return static_cast<std::uint8_t>(c); }

// ---- routine types ----
using TCombineReg = TColor32 (*)(TColor32 x, TColor32 y, TColor32 w);
using TCombineMem = void (*)(TColor32 f, TColor32& b, TColor32 w);
using TBlendReg = TColor32 (*)(TColor32 f, TColor32 b);
using TBlendMem = void (*)(TColor32 f, TColor32& b);
using TBlendRegEx = TColor32 (*)(TColor32 f, TColor32 b, TColor32 m);
using TBlendMemEx = void (*)(TColor32 f, TColor32& b, TColor32 m);
using TBlendLine = void (*)(const TColor32* src, TColor32* dst, std::int32_t count);
using TBlendLineEx = void (*)(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m);
using TCombineLine = void (*)(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w);
using TColorOp = TColor32 (*)(TColor32 c1, TColor32 c2);

// ---- the installed routines ----
extern TCombineReg CombineReg;
extern TCombineMem CombineMem;
extern TCombineLine CombineLine;
extern TBlendReg BlendReg;
extern TBlendMem BlendMem;
extern TBlendRegEx BlendRegEx;
extern TBlendMemEx BlendMemEx;
extern TBlendLine BlendLine;
extern TBlendLineEx BlendLineEx;
extern TBlendReg MergeReg;
extern TBlendMem MergeMem;
extern TBlendRegEx MergeRegEx;
extern TBlendMemEx MergeMemEx;
extern TBlendLine MergeLine;
extern TBlendLineEx MergeLineEx;
extern TColorOp ColorAdd, ColorSub, ColorDiv, ColorModulate, ColorMax, ColorMin, ColorDifference,
    ColorAverage, ColorExclusion;
extern TColor32 (*ColorScale)(TColor32 c, TColor32 w);

// Routines by combine mode (index: TCombineMode).
extern TBlendReg BLEND_REG[2];
extern TBlendMem BLEND_MEM[2];
extern TBlendRegEx BLEND_REG_EX[2];
extern TBlendMemEx BLEND_MEM_EX[2];
extern TBlendLine BLEND_LINE[2];
extern TBlendLineEx BLEND_LINE_EX[2];

extern bool MMXActive;
// Clears the MMX state; nothing to do on this platform.
inline void EMMS() {}

// Merge tables: MulTable[a][b] = round(a * b / 255), RcpTable[a][v] = round(v * 255 / a) as a byte.
extern const std::uint8_t (&MulTable)[256][256];
extern const std::uint8_t (&RcpTable)[256][256];

// ---- the forms themselves (tests compare them) ----
TColor32 CombineReg_Plain(TColor32 x, TColor32 y, TColor32 w);
TColor32 CombineReg_Mmx(TColor32 x, TColor32 y, TColor32 w);
TColor32 BlendReg_Plain(TColor32 f, TColor32 b);
TColor32 BlendReg_Mmx(TColor32 f, TColor32 b);
TColor32 BlendRegEx_Plain(TColor32 f, TColor32 b, TColor32 m);
TColor32 BlendRegEx_Mmx(TColor32 f, TColor32 b, TColor32 m);
void BlendLine_Mmx(const TColor32* src, TColor32* dst, std::int32_t count);
void BlendLineEx_Mmx(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m);
void CombineLine_Mmx(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w);
void BlendLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count);
void BlendLineEx_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m);
void CombineLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w);
void MergeLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count);
// Eight pixels per step; installed with the SSE2 forms where the processor has AVX2.
bool HasAvx2Blend();
void BlendLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count);
void MergeLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count);
TColor32 ColorAverage_Plain(TColor32 c1, TColor32 c2);
TColor32 ColorAverage_Mmx(TColor32 c1, TColor32 c2);

}  // namespace kalvora::raster

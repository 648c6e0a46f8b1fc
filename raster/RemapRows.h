#pragma once
// The inner run of the remap's integer path with the clipped pixel read (the warp dialog's
// re-render): for each vector v[k] of a map row, the source point
//   sx = FixedRound(((xTerm + k * ds) + v.X * csX) * ssX + stX)
//   sy = FixedRound((yTerm + v.Y * csY) * ssY + stY)
// and out[k] = the source pixel there, or the outer colour outside the source's clip rectangle.
// The form is picked once at start (an AVX2 form where the processor has it, bit-identical to
// the plain one); the test hook SetRoutineLevel reaches the plain form.
#include <cstdint>

#include "RasterBlend.h"
#include "RasterMath.h"

namespace kalvora::raster {

struct TRemapRun {
  TFixed xTerm = 0;  // (x - dt) * ds of the first point; grows by ds per point without overflow
  TFixed ds = 0;
  TFixed csX = 0, ssX = 0, stX = 0;
  TFixed yTerm = 0;  // (y - dt) * ds of the row
  TFixed csY = 0, ssY = 0, stY = 0;
};

struct TRemapSource {
  const TColor32* bits = nullptr;
  std::ptrdiff_t stride = 0;
  TRect clip;
  TColor32 outer = 0;
};

// The rows and columns a run read from (before clipping); empty when count is 0.
struct TRemapReach {
  std::int32_t minX = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
};

using TRemapReadRun = void (*)(const TFixedVector* v, std::int32_t count, const TRemapRun& run,
                               const TRemapSource& src, TColor32* out, TRemapReach& reach);
extern TRemapReadRun RemapReadRun;
void RemapReadRun_Plain(const TFixedVector* v, std::int32_t count, const TRemapRun& run, const TRemapSource& src,
                        TColor32* out, TRemapReach& reach);

// Asks for the source rows just below what a run reached, over the columns it read: the rows the
// next destination rows go on to. Without it every first touch of a source line waits for memory,
// as the reads jump between rows too often for the processor's own stream detection. Nothing is
// asked when the run spread over far more columns than its count points (no row-like walk).
void PrefetchRowsBelow(const TRemapSource& src, const TRemapReach& reach, std::int32_t count);

}  // namespace kalvora::raster

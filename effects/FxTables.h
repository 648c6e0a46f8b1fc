#pragma once
// Byte tables and rounding shared by the filters. The table passes use 64-byte vector lookups
// where the processor has them (AVX-512 VBMI, chosen at run time) and plain loops elsewhere;
// both give the same bytes.
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "Bitmap24.h"

namespace kalvora::fx {

using ByteTable = std::array<std::uint8_t, 256>;

// Round to the nearest integer, ties to even: std::nearbyint under the default rounding mode,
// without the library call (adding and subtracting 2^52 rounds in the FPU's own mode).
inline double RoundEven(double v) {
  constexpr double big = 4503599627370496.0;  // 2^52
  const double a = std::fabs(v);
  if (!(a < big)) return v;  // already whole, infinite or NaN
  return std::copysign((a + big) - big, v);
}

// Every pixel byte (row padding excluded) through the table.
void ApplyTable(Bitmap24& bitmap, const ByteTable& table);
// Byte 0 through blue, byte 1 through green, byte 2 through red.
void ApplyTables(Bitmap24& bitmap, const ByteTable& blue, const ByteTable& green, const ByteTable& red);

// Vector kernels for whole blocks of 64 pixels of one row. Each returns how many pixels from
// the row's start it did (a multiple of 64, or 0 when the vector path is off or the arguments
// are outside its range); the caller does the rest with its plain loop, which gives the same bytes.
//
// light, then grey := (b + g + r) div 3 and c := clamp(grey + (saturation * (c - grey)) div 255),
// then contrast.
int VectorSaturateRow(std::uint8_t* row, int pixels, const ByteTable& light, int saturation,
                      const ByteTable& contrast);
// dst pixel := src pixel, inverted where b + g + r > bound.
int VectorSolarizeRow(const std::uint8_t* src, std::uint8_t* dst, int pixels, long long bound);
// out[i] := (seed_(i+1) * n) >> 32 of the runtime's generator for count values (a multiple of 16
// or 0); seed is advanced past them.
std::size_t VectorRandomBlock(std::uint32_t& seed, std::uint32_t n, int* out, std::size_t count);

// The identity table.
ByteTable IdentityTable();

// Whether the vector lookups are used (they are by default where available); tests switch
// them off to check the plain loops against them.
bool VectorTablesAvailable();
void SetVectorTables(bool enabled);

}  // namespace kalvora::fx

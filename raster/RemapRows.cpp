#include "RemapRows.h"

#include <algorithm>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "RasterSystem.h"

namespace kalvora::raster {

namespace {

inline TFixed WrapAdd(TFixed a, TFixed b) {
  return static_cast<TFixed>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

inline std::int32_t SourceX(const TRemapRun& r, TFixed xTerm, TFixed vx) {
  return FixedRound(WrapAdd(FixedMul(WrapAdd(xTerm, FixedMul(vx, r.csX)), r.ssX), r.stX));
}

inline std::int32_t SourceY(const TRemapRun& r, TFixed vy) {
  return FixedRound(WrapAdd(FixedMul(WrapAdd(r.yTerm, FixedMul(vy, r.csY)), r.ssY), r.stY));
}

inline TColor32 ReadClipped(const TRemapSource& s, std::int32_t sx, std::int32_t sy) {
  const std::uint32_t ux = static_cast<std::uint32_t>(sx) - static_cast<std::uint32_t>(s.clip.Left);
  const std::uint32_t uy = static_cast<std::uint32_t>(sy) - static_cast<std::uint32_t>(s.clip.Top);
  const std::uint32_t w = static_cast<std::uint32_t>(s.clip.Right - s.clip.Left);
  const std::uint32_t h = static_cast<std::uint32_t>(s.clip.Bottom - s.clip.Top);
  return (ux < w && uy < h) ? s.bits[sx + sy * s.stride] : s.outer;
}

#if defined(__x86_64__)
bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") != 0;
}

// Bits 16..47 of the signed products of the 32-bit lanes with a broadcast factor: FixedMul in
// every lane (the even lanes shift their product down, the odd ones up into the high half).
__attribute__((target("avx2"))) inline __m256i FixedMul8(__m256i a, __m256i factor) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(a, factor), 16);
  const __m256i odd = _mm256_slli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), factor), 16);
  return _mm256_blend_epi32(even, odd, 0xAA);
}

// FixedRound(a) = (a >> 16) + (((a & 0xFFFF) + 0x7FFF) >> 16): never overflows a lane.
// Short: (a + 0x7FFF) >> 16, which differs only where the sum wraps, for a at or above
// 32767.5; there both forms give a coordinate outside any source below 32767 pixels.
template <bool Short>
__attribute__((target("avx2"))) inline __m256i FixedRound8(__m256i a) {
  if (Short) return _mm256_srai_epi32(_mm256_add_epi32(a, _mm256_set1_epi32(0x7FFF)), 16);
  const __m256i frac = _mm256_add_epi32(_mm256_and_si256(a, _mm256_set1_epi32(0xFFFF)), _mm256_set1_epi32(0x7FFF));
  return _mm256_add_epi32(_mm256_srai_epi32(a, 16), _mm256_srli_epi32(frac, 16));
}

constexpr std::int32_t kMapAhead = 256;  // vectors: 2 KiB

// Eight points per step, computed and read in one pass; the reads are plain loads (a gather
// is slower on the processors at hand) with the clip test only where a step leaves the source.
template <bool ShortRound>
__attribute__((target("avx2"))) void RemapReadRunWide(const TFixedVector* v, std::int32_t count,
                                                      const TRemapRun& run, const TRemapSource& src, TColor32* out,
                                                      TRemapReach& reach) {
  const std::uint32_t uds = static_cast<std::uint32_t>(run.ds);
  // the points in the lanes, as the in-lane split of the map below leaves them
  constexpr int kPoint[8] = {0, 1, 4, 5, 2, 3, 6, 7};
  const __m256i lanes = _mm256_setr_epi32(0, 1, 4, 5, 2, 3, 6, 7);
  __m256i xt = _mm256_add_epi32(_mm256_set1_epi32(run.xTerm), _mm256_mullo_epi32(lanes, _mm256_set1_epi32(run.ds)));
  const __m256i step = _mm256_set1_epi32(static_cast<std::int32_t>(8u * uds));
  const __m256i csX = _mm256_set1_epi32(run.csX), ssX = _mm256_set1_epi32(run.ssX), stX = _mm256_set1_epi32(run.stX);
  const __m256i csY = _mm256_set1_epi32(run.csY), ssY = _mm256_set1_epi32(run.ssY), stY = _mm256_set1_epi32(run.stY);
  const __m256i yTerm = _mm256_set1_epi32(run.yTerm);
  const __m256i left = _mm256_set1_epi32(src.clip.Left), top = _mm256_set1_epi32(src.clip.Top);
  // an empty clip has no valid point: w - 1 wraps to the largest value, which the top test catches
  const __m256i lastX = _mm256_set1_epi32(src.clip.Right - src.clip.Left - 1);
  const __m256i lastY = _mm256_set1_epi32(src.clip.Bottom - src.clip.Top - 1);
  const bool emptyClip = src.clip.Right <= src.clip.Left || src.clip.Bottom <= src.clip.Top;
  const __m256i stride = _mm256_set1_epi32(static_cast<std::int32_t>(src.stride));
  __m256i maxY = _mm256_set1_epi32(INT32_MIN);
  const TColor32* bits = src.bits;
  alignas(32) std::int32_t index[8];
  alignas(32) std::int32_t inside[8];
  std::int32_t k = 0;
  for (; k + 8 <= count; k += 8) {
    // the map streams too, but beside the jumping source reads it needs asking for ahead
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(v + k) + kMapAhead * 8), 0, 3);
    // X0 Y0 X1 Y1 | X2 Y2 X3 Y3 and X4 Y4 X5 Y5 | X6 Y6 X7 Y7 -> X0 X1 X4 X5 | X2 X3 X6 X7 and the Ys
    const __m256 a = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + k)));
    const __m256 b = _mm256_castsi256_ps(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(v + k + 4)));
    const __m256i vx = _mm256_castps_si256(_mm256_shuffle_ps(a, b, 0x88));
    const __m256i vy = _mm256_castps_si256(_mm256_shuffle_ps(a, b, 0xDD));
    const __m256i sx = FixedRound8<ShortRound>(_mm256_add_epi32(FixedMul8(_mm256_add_epi32(FixedMul8(vx, csX), xt), ssX), stX));
    const __m256i sy =
        FixedRound8<ShortRound>(_mm256_add_epi32(FixedMul8(_mm256_add_epi32(FixedMul8(vy, csY), yTerm), ssY), stY));
    xt = _mm256_add_epi32(xt, step);
    maxY = _mm256_max_epi32(maxY, sy);
    const __m256i ux = _mm256_sub_epi32(sx, left), uy = _mm256_sub_epi32(sy, top);
    const __m256i in = _mm256_and_si256(_mm256_cmpeq_epi32(_mm256_min_epu32(ux, lastX), ux),
                                        _mm256_cmpeq_epi32(_mm256_min_epu32(uy, lastY), uy));
    // inside the clip the index is below width * height, so the wrapping product is exact there
    _mm256_store_si256(reinterpret_cast<__m256i*>(index), _mm256_add_epi32(sx, _mm256_mullo_epi32(sy, stride)));
    // keeps the indices in memory: eight plain loads of them beat eight lane extracts
    asm volatile("" ::: "memory");
    TColor32* o = out + k;
    if (!emptyClip && _mm256_movemask_epi8(in) == -1) {
      for (int j = 0; j < 8; ++j) o[kPoint[j]] = bits[index[j]];
    } else {
      _mm256_store_si256(reinterpret_cast<__m256i*>(inside), in);
      for (int j = 0; j < 8; ++j) o[kPoint[j]] = (inside[j] != 0 && !emptyClip) ? bits[index[j]] : src.outer;
    }
  }
  alignas(32) std::int32_t hiY[8];
  _mm256_store_si256(reinterpret_cast<__m256i*>(hiY), maxY);
  for (int j = 0; j < 8; ++j) reach.maxY = std::max(reach.maxY, hiY[j]);
  if (k > 0) {
    // the columns: those of the first and last point, which is near enough for asking ahead
    const std::int32_t first = SourceX(run, run.xTerm, v[0].X);
    const std::int32_t last =
        SourceX(run, static_cast<TFixed>(static_cast<std::uint32_t>(run.xTerm) + static_cast<std::uint32_t>(k - 1) * uds),
                v[k - 1].X);
    reach.minX = std::min({reach.minX, first, last});
    reach.maxX = std::max({reach.maxX, first, last});
  }
  if (k < count) {
    TRemapRun rest = run;
    rest.xTerm = static_cast<TFixed>(static_cast<std::uint32_t>(run.xTerm) + static_cast<std::uint32_t>(k) * uds);
    RemapReadRun_Plain(v + k, count - k, rest, src, out + k, reach);
  }
}

// The short rounding where the whole source lies below 32767 pixels (every picture in practice).
__attribute__((target("avx2"))) void RemapReadRun_Avx2(const TFixedVector* v, std::int32_t count,
                                                       const TRemapRun& run, const TRemapSource& src, TColor32* out,
                                                       TRemapReach& reach) {
  if (src.clip.Right <= 32767 && src.clip.Bottom <= 32767)
    RemapReadRunWide<true>(v, count, run, src, out, reach);
  else
    RemapReadRunWide<false>(v, count, run, src, out, reach);
}
#endif

void InstallRemapRows(TRoutineLevel level) {
#if defined(__x86_64__)
  static const bool avx2 = HasAvx2();
  if (level == TRoutineLevel::Sse2 && avx2) {
    RemapReadRun = RemapReadRun_Avx2;
    return;
  }
#endif
  (void)level;
  RemapReadRun = RemapReadRun_Plain;
}

}  // namespace

TRemapReadRun RemapReadRun = RemapReadRun_Plain;

void RemapReadRun_Plain(const TFixedVector* v, std::int32_t count, const TRemapRun& run, const TRemapSource& src,
                        TColor32* out, TRemapReach& reach) {
  // First every source point of a chunk, then the reads: the loads of the second pass do not
  // wait behind the multiplications, so many of them are in flight at once.
  constexpr std::int32_t kChunk = 256;
  std::int32_t sxs[kChunk], sys[kChunk];
  TFixed xTerm = run.xTerm;
  for (std::int32_t start = 0; start < count; start += kChunk) {
    const std::int32_t n = std::min(kChunk, count - start);
    for (std::int32_t k = 0; k < n; ++k) {
      sxs[k] = SourceX(run, xTerm, v[start + k].X);
      sys[k] = SourceY(run, v[start + k].Y);
      xTerm = WrapAdd(xTerm, run.ds);
      reach.minX = std::min(reach.minX, sxs[k]);
      reach.maxX = std::max(reach.maxX, sxs[k]);
      reach.maxY = std::max(reach.maxY, sys[k]);
    }
    for (std::int32_t k = 0; k < n; ++k) out[start + k] = ReadClipped(src, sxs[k], sys[k]);
  }
}

void PrefetchRowsBelow(const TRemapSource& src, const TRemapReach& reach, std::int32_t count) {
  if (reach.maxX < reach.minX) return;
  if (static_cast<std::int64_t>(reach.maxX) - reach.minX > 2 * static_cast<std::int64_t>(count) + 64) return;
  const std::int32_t x0 = std::max(reach.minX, src.clip.Left);
  const std::int32_t x1 = std::min(reach.maxX, src.clip.Right - 1);
  if (x1 < x0) return;
  for (std::int64_t y = static_cast<std::int64_t>(reach.maxY) + 1; y <= static_cast<std::int64_t>(reach.maxY) + 2;
       ++y) {
    if (y < src.clip.Top || y >= src.clip.Bottom) continue;
    const char* first = reinterpret_cast<const char*>(src.bits + x0 + y * src.stride);
    const char* last = reinterpret_cast<const char*>(src.bits + x1 + y * src.stride);
    for (const char* p = first; p <= last; p += 64) __builtin_prefetch(p, 0, 3);
    __builtin_prefetch(last, 0, 3);
  }
}

namespace {
const bool remapRowsRegistered = (RegisterRoutineInstaller(InstallRemapRows), true);
}  // namespace

}  // namespace kalvora::raster

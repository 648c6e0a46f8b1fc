#include "MorphBrushRow.h"

#include <climits>
#include <cstdint>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define KALVORA_BRUSH_AVX2 1
#endif

using namespace kalvora::raster;

namespace {

// The map's bilinear step with its wrapping arithmetic.
inline TFixedVector lerpVectors(const TFixedVector& a, const TFixedVector& b, TFixed w) {
  return {TFixed(std::uint32_t(a.X) + std::uint32_t(FixedMul(TFixed(std::uint32_t(b.X) - std::uint32_t(a.X)), w))),
          TFixed(std::uint32_t(a.Y) + std::uint32_t(FixedMul(TFixed(std::uint32_t(b.Y) - std::uint32_t(a.Y)), w)))};
}

void rowPlain(const MorphBrushRow& r, int a, int b) {
  const TVectorMap& map = *r.map;
  const int mw = map.Width(), mh = map.Height();
  const TFixedVector* src = map.GetVectors();
  for (int i = a; i < b; ++i) {
    const TFixedVector mv = r.mesh[i];
    const TFixedVector m{FixedMul(mv.X, r.factor.X), FixedMul(mv.Y, r.factor.Y)};
    const TFixed fxp = TFixed(std::uint32_t(Fixed(r.mapX + i)) + std::uint32_t(m.X));
    const TFixed fyp = TFixed(std::uint32_t(Fixed(r.mapY)) + std::uint32_t(m.Y));
    const int xi = fxp >> 16, yi = fyp >> 16;
    TFixedVector v;
    if (xi >= 0 && yi >= 0 && xi + 1 < mw && yi + 1 < mh) {
      // Inside the map: the four neighbours read directly.
      const TFixedVector* q = src + xi + std::ptrdiff_t(yi) * mw;
      const TFixed fx = fxp & 0xFFFF, fy = fyp & 0xFFFF;
      const TFixedVector up = lerpVectors(q[0], q[1], fx);
      const TFixedVector lo = lerpVectors(q[mw], q[mw + 1], fx);
      v = lerpVectors(up, lo, fy);
    } else {
      v = map.GetFixedVectorXS(fxp, fyp);
    }
    r.out[i] = {TFixed(std::uint32_t(v.X) + std::uint32_t(m.X)), TFixed(std::uint32_t(v.Y) + std::uint32_t(m.Y))};
  }
}

#ifdef KALVORA_BRUSH_AVX2
// FixedMul in every 32-bit lane: bits 16..47 of the 64-bit product, as the plain form keeps.
__attribute__((target("avx2"))) inline __m256i fixedMul8(__m256i a, __m256i b) {
  const __m256i even = _mm256_srli_epi64(_mm256_mul_epi32(a, b), 16);
  const __m256i odd = _mm256_srli_epi64(_mm256_mul_epi32(_mm256_srli_epi64(a, 32), _mm256_srli_epi64(b, 32)), 16);
  return _mm256_blend_epi32(even, _mm256_slli_epi64(odd, 32), 0xAA);
}

__attribute__((target("avx2"))) inline __m256i lerp8(__m256i a, __m256i b, __m256i w) {
  return _mm256_add_epi32(a, fixedMul8(_mm256_sub_epi32(b, a), w));
}

// Four vectors (X, Y pairs) per step; a group that reaches the map's border takes the plain form.
__attribute__((target("avx2"))) void rowAvx2(const MorphBrushRow& r, int a, int b) {
  const TVectorMap& map = *r.map;
  const int mw = map.Width(), mh = map.Height();
  const auto* src = reinterpret_cast<const long long*>(map.GetVectors());
  const __m256i factor = _mm256_setr_epi32(r.factor.X, r.factor.Y, r.factor.X, r.factor.Y, r.factor.X, r.factor.Y,
                                           r.factor.X, r.factor.Y);
  const __m256i limit = _mm256_setr_epi32(mw - 1, mh - 1, mw - 1, mh - 1, mw - 1, mh - 1, mw - 1, mh - 1);
  const __m256i minusOne = _mm256_set1_epi32(-1);
  const __m256i low16 = _mm256_set1_epi32(0xFFFF);
  const __m256i width = _mm256_set1_epi32(mw);
  const __m256i evenLanes = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
  const __m256i step = _mm256_setr_epi32(0, 0, 1 << 16, 0, 2 << 16, 0, 3 << 16, 0);
  int i = a;
  for (; i + 4 <= b; i += 4) {
    const __m256i mv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(r.mesh + i));
    const __m256i m = fixedMul8(mv, factor);
    const __m256i base = _mm256_add_epi32(
        _mm256_setr_epi32(int(std::uint32_t(r.mapX + i) << 16), int(std::uint32_t(r.mapY) << 16),
                          int(std::uint32_t(r.mapX + i) << 16), int(std::uint32_t(r.mapY) << 16),
                          int(std::uint32_t(r.mapX + i) << 16), int(std::uint32_t(r.mapY) << 16),
                          int(std::uint32_t(r.mapX + i) << 16), int(std::uint32_t(r.mapY) << 16)),
        step);
    const __m256i pos = _mm256_add_epi32(base, m);
    const __m256i whole = _mm256_srai_epi32(pos, 16);
    const __m256i inside = _mm256_and_si256(_mm256_cmpgt_epi32(whole, minusOne), _mm256_cmpgt_epi32(limit, whole));
    if (_mm256_movemask_epi8(inside) != -1) {
      rowPlain(r, i, i + 4);
      continue;
    }
    const __m256i frac = _mm256_and_si256(pos, low16);
    const __m256i wx = _mm256_shuffle_epi32(frac, _MM_SHUFFLE(2, 2, 0, 0));
    const __m256i wy = _mm256_shuffle_epi32(frac, _MM_SHUFFLE(3, 3, 1, 1));
    const __m256i xs = _mm256_shuffle_epi32(whole, _MM_SHUFFLE(2, 2, 0, 0));
    const __m256i ys = _mm256_shuffle_epi32(whole, _MM_SHUFFLE(3, 3, 1, 1));
    const __m256i index8 = _mm256_add_epi32(xs, _mm256_mullo_epi32(ys, width));
    const __m128i index = _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(index8, evenLanes));
    const __m256i q00 = _mm256_i32gather_epi64(src, index, 8);
    const __m256i q10 = _mm256_i32gather_epi64(src + 1, index, 8);
    const __m256i q01 = _mm256_i32gather_epi64(src + mw, index, 8);
    const __m256i q11 = _mm256_i32gather_epi64(src + mw + 1, index, 8);
    const __m256i v = lerp8(lerp8(q00, q10, wx), lerp8(q01, q11, wx), wy);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(r.out + i), _mm256_add_epi32(v, m));
  }
  rowPlain(r, i, b);
}

bool hasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2") != 0;
  return has;
}
#endif

}  // namespace

void ApplyMorphBrushRow(const MorphBrushRow& row, int a, int b) {
#ifdef KALVORA_BRUSH_AVX2
  // The four-at-a-time form indexes the map with 32-bit offsets.
  if (hasAvx2() && std::int64_t(row.map->Width()) * row.map->Height() < std::int64_t(INT32_MAX)) {
    rowAvx2(row, a, b);
    return;
  }
#endif
  rowPlain(row, a, b);
}

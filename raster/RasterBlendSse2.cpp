// SSE2 line forms of the MMX blend arithmetic: four pixels per step, the same bits as the
// one-pixel forms (tests compare them on random rows).
#include "RasterBlend.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvora::raster {

TColor32 MergeRegScalar(TColor32 f, TColor32 b);

#if defined(__SSE2__)
namespace {

// (x * w + y * (256 - w) + 128) >> 8 per 16-bit lane, w already spread over the lanes.
inline __m128i Mix16(__m128i x, __m128i y, __m128i w) {
  const __m128i v = _mm_sub_epi16(_mm_set1_epi16(256), w);
  __m128i t = _mm_add_epi16(_mm_mullo_epi16(x, w), _mm_mullo_epi16(y, v));
  t = _mm_add_epi16(t, _mm_set1_epi16(128));
  return _mm_srli_epi16(t, 8);
}

// Each pixel's alpha copied into its four lanes.
inline __m128i SpreadAlpha(__m128i px16) {
  px16 = _mm_shufflelo_epi16(px16, 0xFF);
  return _mm_shufflehi_epi16(px16, 0xFF);
}

inline __m128i BlendFour(__m128i s, __m128i d) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
  const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
  const __m128i r = _mm_packus_epi16(Mix16(sl, dl, SpreadAlpha(sl)), Mix16(sh, dh, SpreadAlpha(sh)));
  // an opaque foreground is taken as it is
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  const __m128i opaque = _mm_cmpeq_epi32(_mm_and_si128(s, amask), amask);
  return _mm_or_si128(_mm_and_si128(opaque, s), _mm_andnot_si128(opaque, r));
}

}  // namespace

void BlendLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count) {
  std::int32_t i = 0;
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i a = _mm_and_si128(s, amask);
    const int transparent = _mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128()));
    if (transparent == 0xFFFF) continue;
    const int opaque = _mm_movemask_epi8(_mm_cmpeq_epi32(a, amask));
    if (opaque == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
      continue;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), BlendFour(s, d));
  }
  if (i < count) BlendLine_Mmx(src + i, dst + i, count - i);
}

void BlendLineEx_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m) {
  std::int32_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  const __m128i m1 = _mm_set1_epi16(static_cast<short>(m + 1));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i sl = _mm_unpacklo_epi8(s, zero), sh = _mm_unpackhi_epi8(s, zero);
    const __m128i dl = _mm_unpacklo_epi8(d, zero), dh = _mm_unpackhi_epi8(d, zero);
    // w = ((m + 1) * Fa) >> 8; w = 0 gives the background exactly
    const __m128i wl = _mm_srli_epi16(_mm_mullo_epi16(SpreadAlpha(sl), m1), 8);
    const __m128i wh = _mm_srli_epi16(_mm_mullo_epi16(SpreadAlpha(sh), m1), 8);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packus_epi16(Mix16(sl, dl, wl), Mix16(sh, dh, wh)));
  }
  if (i < count) BlendLineEx_Mmx(src + i, dst + i, count - i, m);
}

void CombineLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w) {
  if (w == 0 || w >= 255) {
    CombineLine_Mmx(src, dst, count, w);
    return;
  }
  std::int32_t i = 0;
  const __m128i zero = _mm_setzero_si128();
  const __m128i ww = _mm_set1_epi16(static_cast<short>(w));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    const __m128i r = _mm_packus_epi16(Mix16(_mm_unpacklo_epi8(s, zero), _mm_unpacklo_epi8(d, zero), ww),
                                       Mix16(_mm_unpackhi_epi8(s, zero), _mm_unpackhi_epi8(d, zero), ww));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), r);
  }
  if (i < count) CombineLine_Mmx(src + i, dst + i, count - i, w);
}

void MergeLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count) {
  // A transparent foreground leaves the background and an opaque one replaces it, whatever the
  // background; over an opaque background the merge is the blend with alpha 255. Anything else
  // goes through the tables one pixel at a time.
  std::int32_t i = 0;
  const __m128i amask = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 4 <= count; i += 4) {
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
    const __m128i a = _mm_and_si128(s, amask);
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, _mm_setzero_si128())) == 0xFFFF) continue;
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(a, amask)) == 0xFFFF) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), s);
      continue;
    }
    const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + i));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(d, amask), amask)) != 0xFFFF) {
      for (int k = 0; k < 4; ++k) dst[i + k] = MergeRegScalar(src[i + k], dst[i + k]);
      continue;
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), _mm_or_si128(BlendFour(s, d), amask));
  }
  for (; i < count; ++i) dst[i] = MergeRegScalar(src[i], dst[i]);
}

#else

void BlendLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count) { BlendLine_Mmx(src, dst, count); }
void BlendLineEx_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 m) {
  BlendLineEx_Mmx(src, dst, count, m);
}
void CombineLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count, TColor32 w) {
  CombineLine_Mmx(src, dst, count, w);
}
void MergeLine_Sse2(const TColor32* src, TColor32* dst, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) dst[i] = MergeRegScalar(src[i], dst[i]);
}

#endif

}  // namespace kalvora::raster

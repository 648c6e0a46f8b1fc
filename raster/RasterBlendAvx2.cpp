// AVX2 line forms of the MMX blend arithmetic: eight pixels per step, the same bits as the
// one-pixel forms. Installed at start only where the processor has AVX2.
#include "RasterBlend.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kalvora::raster {

TColor32 MergeRegScalar(TColor32 f, TColor32 b);

#if defined(__x86_64__)

bool HasAvx2Blend() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

namespace {

// (x * a + y * (256 - a) + 128) >> 8 per 16-bit lane, a each pixel's own alpha; an opaque
// foreground is taken as it is (the one-pixel form's early exit).
__attribute__((target("avx2"))) __m256i BlendEight(__m256i s, __m256i d) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i sl = _mm256_unpacklo_epi8(s, zero), sh = _mm256_unpackhi_epi8(s, zero);
  const __m256i dl = _mm256_unpacklo_epi8(d, zero), dh = _mm256_unpackhi_epi8(d, zero);
  const __m256i al = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sl, 0xFF), 0xFF);
  const __m256i ah = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(sh, 0xFF), 0xFF);
  const __m256i k256 = _mm256_set1_epi16(256), k128 = _mm256_set1_epi16(128);
  const __m256i rl = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sl, al), _mm256_mullo_epi16(dl, _mm256_sub_epi16(k256, al))), k128), 8);
  const __m256i rh = _mm256_srli_epi16(
      _mm256_add_epi16(_mm256_add_epi16(_mm256_mullo_epi16(sh, ah), _mm256_mullo_epi16(dh, _mm256_sub_epi16(k256, ah))), k128), 8);
  const __m256i r = _mm256_packus_epi16(rl, rh);
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  const __m256i opaque = _mm256_cmpeq_epi32(_mm256_and_si256(s, amask), amask);
  return _mm256_blendv_epi8(r, s, opaque);
}

}  // namespace

__attribute__((target("avx2"))) void BlendLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count) {
  std::int32_t i = 0;
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 8 <= count; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i a = _mm256_and_si256(s, amask);
    if (_mm256_testz_si256(a, a)) continue;  // all transparent
    if (static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, amask))) == 0xFFFFFFFFu) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
      continue;
    }
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), BlendEight(s, d));
  }
  if (i < count) BlendLine_Mmx(src + i, dst + i, count - i);
}

__attribute__((target("avx2"))) void MergeLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count) {
  std::int32_t i = 0;
  const __m256i amask = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
  for (; i + 8 <= count; i += 8) {
    const __m256i s = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + i));
    const __m256i a = _mm256_and_si256(s, amask);
    if (_mm256_testz_si256(a, a)) continue;
    if (static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi32(a, amask))) == 0xFFFFFFFFu) {
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), s);
      continue;
    }
    const __m256i d = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(dst + i));
    if (static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(d, amask), amask))) !=
        0xFFFFFFFFu) {
      for (int k = 0; k < 8; ++k) dst[i + k] = MergeRegScalar(src[i + k], dst[i + k]);
      continue;
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst + i), _mm256_or_si256(BlendEight(s, d), amask));
  }
  for (; i < count; ++i) dst[i] = MergeRegScalar(src[i], dst[i]);
}

#else

bool HasAvx2Blend() { return false; }
void BlendLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count) { BlendLine_Mmx(src, dst, count); }
void MergeLine_Avx2(const TColor32* src, TColor32* dst, std::int32_t count) {
  for (std::int32_t i = 0; i < count; ++i) dst[i] = MergeRegScalar(src[i], dst[i]);
}

#endif

}  // namespace kalvora::raster

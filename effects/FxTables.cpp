#include "FxTables.h"

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12 reports the intrinsics' own deliberately undefined vectors as uninitialized.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif

#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define KALVORA_FX_VBMI 1
#endif

namespace kalvora::fx {

namespace {

#ifdef KALVORA_FX_VBMI
bool cpuHasVbmi() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512vbmi");
}
#else
bool cpuHasVbmi() { return false; }
#endif

bool& vectorOn() {
  static bool on = cpuHasVbmi();
  return on;
}

void plainTable(std::uint8_t* p, int n, const std::uint8_t* t) {
  for (int i = 0; i < n; ++i) p[i] = t[p[i]];
}

void plainTables(std::uint8_t* p, int pixels, const std::uint8_t* b, const std::uint8_t* g, const std::uint8_t* r) {
  for (int x = 0; x < pixels; ++x, p += 3) {
    p[0] = b[p[0]];
    p[1] = g[p[1]];
    p[2] = r[p[2]];
  }
}

#ifdef KALVORA_FX_VBMI
#define VBMI_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))

struct Vt {
  __m512i q0, q1, q2, q3;  // the table's four 64-byte quarters
};

VBMI_TARGET inline Vt loadTable(const std::uint8_t* t) {
  return Vt{_mm512_loadu_si512(t), _mm512_loadu_si512(t + 64), _mm512_loadu_si512(t + 128),
            _mm512_loadu_si512(t + 192)};
}

// 64 lookups: the low seven bits pick from two quarters, the top bit picks the pair.
VBMI_TARGET inline __m512i lookup(const Vt& t, __m512i x) {
  const __m512i low = _mm512_permutex2var_epi8(t.q0, x, t.q1);
  const __m512i high = _mm512_permutex2var_epi8(t.q2, x, t.q3);
  return _mm512_mask_blend_epi8(_mm512_movepi8_mask(x), low, high);
}

VBMI_TARGET inline __mmask64 tailMask(int n) { return n >= 64 ? ~__mmask64(0) : (__mmask64(1) << n) - 1; }

VBMI_TARGET void vectorTable(Bitmap24& bm, const std::uint8_t* table) {
  const Vt t = loadTable(table);
  const int n = bm.width() * 3;
  for (int y = 0; y < bm.height(); ++y) {
    std::uint8_t* p = bm.scanLine(y);
    int i = 0;
    for (; i + 64 <= n; i += 64) _mm512_storeu_si512(p + i, lookup(t, _mm512_loadu_si512(p + i)));
    if (i < n) {
      const __mmask64 m = tailMask(n - i);
      _mm512_mask_storeu_epi8(p + i, m, lookup(t, _mm512_maskz_loadu_epi8(m, p + i)));
    }
  }
}

VBMI_TARGET void vectorTables(Bitmap24& bm, const std::uint8_t* blue, const std::uint8_t* green,
                              const std::uint8_t* red) {
  const Vt tb = loadTable(blue), tg = loadTable(green), tr = loadTable(red);
  // A vector starting at byte 64 k of a row starts on channel k mod 3 (64 = 1 mod 3).
  __mmask64 isBlue[3] = {0, 0, 0}, isGreen[3] = {0, 0, 0};
  for (int phase = 0; phase < 3; ++phase)
    for (int j = 0; j < 64; ++j) {
      const int c = (phase + j) % 3;
      if (c == 0) isBlue[phase] |= __mmask64(1) << j;
      if (c == 1) isGreen[phase] |= __mmask64(1) << j;
    }
  const int n = bm.width() * 3;
  for (int y = 0; y < bm.height(); ++y) {
    std::uint8_t* p = bm.scanLine(y);
    int phase = 0;
    for (int i = 0; i < n; i += 64, phase = phase == 2 ? 0 : phase + 1) {
      const __mmask64 m = tailMask(n - i);
      const __m512i x = _mm512_maskz_loadu_epi8(m, p + i);
      __m512i v = lookup(tr, x);
      v = _mm512_mask_blend_epi8(isBlue[phase], v, lookup(tb, x));
      v = _mm512_mask_blend_epi8(isGreen[phase], v, lookup(tg, x));
      _mm512_mask_storeu_epi8(p + i, m, v);
    }
  }
}

// The 64 pixels of three vectors as blue, green and red planes, and back.
struct Planes {
  __m512i lo[3], hi[3];  // plane p of pixels 0..63: from (v0, v1) where lo, from (v1, v2) where hi
  __mmask64 useHi[3];
  __m512i out01[3], out2[3];  // interleave: vector k from (B, G) then red blended in
  __mmask64 isRed[3];
};

VBMI_TARGET inline Planes makePlanes() {
  Planes t;
  alignas(64) std::uint8_t lo[3][64], hi[3][64], o01[3][64], o2[3][64];
  for (int p = 0; p < 3; ++p) {
    t.useHi[p] = 0;
    t.isRed[p] = 0;
    for (int j = 0; j < 64; ++j) {
      const int pos = 3 * j + p;  // byte of pixel j, channel p, in the 192 bytes
      lo[p][j] = std::uint8_t(pos < 128 ? pos : 0);
      hi[p][j] = std::uint8_t(pos >= 64 ? pos - 64 : 0);
      if (pos >= 128) t.useHi[p] |= __mmask64(1) << j;
    }
    t.lo[p] = _mm512_load_si512(lo[p]);
    t.hi[p] = _mm512_load_si512(hi[p]);
  }
  for (int k = 0; k < 3; ++k) {
    for (int i = 0; i < 64; ++i) {
      const int pos = 64 * k + i, j = pos / 3, c = pos % 3;
      o01[k][i] = std::uint8_t(c == 0 ? j : 64 + j);
      o2[k][i] = std::uint8_t(j);
      if (c == 2) t.isRed[k] |= __mmask64(1) << i;
    }
    t.out01[k] = _mm512_load_si512(o01[k]);
    t.out2[k] = _mm512_load_si512(o2[k]);
  }
  return t;
}

VBMI_TARGET inline void split(const Planes& t, const __m512i v[3], __m512i plane[3]) {
  for (int p = 0; p < 3; ++p)
    plane[p] = _mm512_mask_blend_epi8(t.useHi[p], _mm512_permutex2var_epi8(v[0], t.lo[p], v[1]),
                                      _mm512_permutex2var_epi8(v[1], t.hi[p], v[2]));
}

VBMI_TARGET inline void join(const Planes& t, const __m512i plane[3], __m512i v[3]) {
  for (int k = 0; k < 3; ++k)
    v[k] = _mm512_mask_blend_epi8(t.isRed[k], _mm512_permutex2var_epi8(plane[0], t.out01[k], plane[1]),
                                  _mm512_permutexvar_epi8(t.out2[k], plane[2]));
}

VBMI_TARGET int vectorSaturateRow(std::uint8_t* row, int pixels, const std::uint8_t* light, int saturation,
                                  const std::uint8_t* contrast) {
  const Planes t = makePlanes();
  const Vt tl = loadTable(light), tc = loadTable(contrast);
  const int amount = saturation < 0 ? -saturation : saturation;
  const __m512i k = _mm512_set1_epi16(short(amount / 255)), m = _mm512_set1_epi16(short(amount % 255));
  const __m512i third = _mm512_set1_epi16(21846), by255 = _mm512_set1_epi16(short(0x8081)), zero = _mm512_setzero_si512();
  const bool negative = saturation < 0;
  int done = 0;
  for (; done + 64 <= pixels; done += 64) {
    std::uint8_t* p = row + 3 * done;
    __m512i v[3] = {_mm512_loadu_si512(p), _mm512_loadu_si512(p + 64), _mm512_loadu_si512(p + 128)};
    for (auto& x : v) x = lookup(tl, x);
    __m512i plane[3];
    split(t, v, plane);
    for (int half = 0; half < 2; ++half) {
      __m512i c[3];
      for (int q = 0; q < 3; ++q)
        c[q] = _mm512_cvtepu8_epi16(half ? _mm512_extracti64x4_epi64(plane[q], 1) : _mm512_castsi512_si256(plane[q]));
      const __m512i grey = _mm512_mulhi_epu16(_mm512_add_epi16(_mm512_add_epi16(c[0], c[1]), c[2]), third);
      __m256i packed[3];
      for (int q = 0; q < 3; ++q) {
        const __m512i d = _mm512_sub_epi16(c[q], grey);
        const __m512i ad = _mm512_abs_epi16(d);
        // amount * |d| div 255 = k |d| + (m |d|) div 255
        const __m512i u = _mm512_add_epi16(_mm512_mullo_epi16(k, ad),
                                           _mm512_srli_epi16(_mm512_mulhi_epu16(_mm512_mullo_epi16(m, ad), by255), 7));
        const __mmask32 down = negative ? _mm512_cmpgt_epi16_mask(d, zero) : _mm512_cmplt_epi16_mask(d, zero);
        const __m512i q16 = _mm512_mask_sub_epi16(u, down, zero, u);
        const __m512i val = _mm512_max_epi16(_mm512_add_epi16(grey, q16), zero);
        packed[q] = _mm512_cvtusepi16_epi8(val);
      }
      for (int q = 0; q < 3; ++q)
        plane[q] = half ? _mm512_inserti64x4(plane[q], packed[q], 1)
                        : _mm512_inserti64x4(_mm512_castsi256_si512(packed[q]), _mm512_extracti64x4_epi64(plane[q], 1), 1);
    }
    for (auto& x : plane) x = lookup(tc, x);
    join(t, plane, v);
    _mm512_storeu_si512(p, v[0]);
    _mm512_storeu_si512(p + 64, v[1]);
    _mm512_storeu_si512(p + 128, v[2]);
  }
  return done;
}

VBMI_TARGET int vectorSolarizeRow(const std::uint8_t* src, std::uint8_t* dst, int pixels, long long bound) {
  const Planes t = makePlanes();
  const __m512i limit = _mm512_set1_epi16(short(bound < -1 ? -1 : bound > 765 ? 765 : bound));
  const __m512i ones = _mm512_set1_epi8(char(0xFF));
  int done = 0;
  for (; done + 64 <= pixels; done += 64) {
    const std::uint8_t* s = src + 3 * done;
    __m512i v[3] = {_mm512_loadu_si512(s), _mm512_loadu_si512(s + 64), _mm512_loadu_si512(s + 128)};
    __m512i plane[3];
    split(t, v, plane);
    __mmask64 flip = 0;
    for (int half = 0; half < 2; ++half) {
      __m512i sum = _mm512_setzero_si512();
      for (int q = 0; q < 3; ++q)
        sum = _mm512_add_epi16(sum, _mm512_cvtepu8_epi16(half ? _mm512_extracti64x4_epi64(plane[q], 1)
                                                              : _mm512_castsi512_si256(plane[q])));
      flip |= __mmask64(_mm512_cmpgt_epi16_mask(sum, limit)) << (32 * half);
    }
    const __m512i f = _mm512_maskz_mov_epi8(flip, ones);
    const __m512i fp[3] = {f, f, f};
    __m512i fv[3];
    join(t, fp, fv);
    std::uint8_t* d = dst + 3 * done;
    _mm512_storeu_si512(d, _mm512_xor_si512(v[0], fv[0]));
    _mm512_storeu_si512(d + 64, _mm512_xor_si512(v[1], fv[1]));
    _mm512_storeu_si512(d + 128, _mm512_xor_si512(v[2], fv[2]));
  }
  return done;
}

VBMI_TARGET std::size_t vectorRandomBlock(std::uint32_t& seed, std::uint32_t n, int* out, std::size_t count) {
  // Sixteen lanes, each jumping sixteen steps: seed(k + 16) = a^16 seed(k) + c16.
  std::uint32_t lane[16];
  std::uint32_t aPow = 1, cSum = 0;  // after the loop: a^16 and 1 + a + ... + a^15
  std::uint32_t s = seed;
  for (int i = 0; i < 16; ++i) {
    s = s * 134775813u + 1u;
    lane[i] = s;
    cSum = cSum * 134775813u + 1u;
    aPow *= 134775813u;
  }
  __m512i l = _mm512_loadu_si512(lane);
  const __m512i mulA = _mm512_set1_epi32(int(aPow)), addC = _mm512_set1_epi32(int(cSum));
  const __m512i range = _mm512_set1_epi64(n);
  std::size_t i = 0;
  for (;;) {
    // High halves of the 32 x 32 bit products, even and odd lanes.
    const __m512i even = _mm512_srli_epi64(_mm512_mul_epu32(l, range), 32);
    const __m512i odd = _mm512_mul_epu32(_mm512_srli_epi64(l, 32), range);
    _mm512_storeu_si512(out + i, _mm512_mask_blend_epi32(__mmask16(0xAAAA), even, odd));
    i += 16;
    if (count - i < 16) break;
    l = _mm512_add_epi32(_mm512_mullo_epi32(l, mulA), addC);
  }
  alignas(64) std::uint32_t last[16];
  _mm512_store_si512(last, l);
  seed = last[15];
  return i;
}
#endif

}  // namespace

ByteTable IdentityTable() {
  ByteTable t;
  for (int i = 0; i < 256; ++i) t[std::size_t(i)] = std::uint8_t(i);
  return t;
}

int VectorSaturateRow(std::uint8_t* row, int pixels, const ByteTable& light, int saturation,
                      const ByteTable& contrast) {
#ifdef KALVORA_FX_VBMI
  // k |d| must stay within 16 bits: amounts up to 100 x 255.
  if (vectorOn() && saturation >= -25500 && saturation <= 25500)
    return vectorSaturateRow(row, pixels, light.data(), saturation, contrast.data());
#endif
  (void)row, (void)pixels, (void)light, (void)saturation, (void)contrast;
  return 0;
}

int VectorSolarizeRow(const std::uint8_t* src, std::uint8_t* dst, int pixels, long long bound) {
#ifdef KALVORA_FX_VBMI
  if (vectorOn()) return vectorSolarizeRow(src, dst, pixels, bound);
#endif
  (void)src, (void)dst, (void)pixels, (void)bound;
  return 0;
}

std::size_t VectorRandomBlock(std::uint32_t& seed, std::uint32_t n, int* out, std::size_t count) {
#ifdef KALVORA_FX_VBMI
  if (vectorOn() && count >= 16) return vectorRandomBlock(seed, n, out, count);
#endif
  (void)seed, (void)n, (void)out, (void)count;
  return 0;
}

bool VectorTablesAvailable() { return cpuHasVbmi(); }
void SetVectorTables(bool enabled) { vectorOn() = enabled && cpuHasVbmi(); }

void ApplyTable(Bitmap24& bitmap, const ByteTable& table) {
  if (bitmap.isEmpty()) return;
#ifdef KALVORA_FX_VBMI
  if (vectorOn()) return vectorTable(bitmap, table.data());
#endif
  const int n = bitmap.width() * 3;
  for (int y = 0; y < bitmap.height(); ++y) plainTable(bitmap.scanLine(y), n, table.data());
}

void ApplyTables(Bitmap24& bitmap, const ByteTable& blue, const ByteTable& green, const ByteTable& red) {
  if (bitmap.isEmpty()) return;
#ifdef KALVORA_FX_VBMI
  if (vectorOn()) return vectorTables(bitmap, blue.data(), green.data(), red.data());
#endif
  for (int y = 0; y < bitmap.height(); ++y)
    plainTables(bitmap.scanLine(y), bitmap.width(), blue.data(), green.data(), red.data());
}

}  // namespace kalvora::fx

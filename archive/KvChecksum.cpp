#include "KvChecksum.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace kv {
namespace {

// Sixteen tables: table s maps a byte to its effect s bytes further on.
struct Tables {
  uint32_t t[16][256];
  Tables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (int s = 1; s < 16; ++s)
      for (int i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};

const Tables& tables() {
  static const Tables tab;
  return tab;
}

uint32_t crcPlain(uint32_t crc, const uint8_t* p, size_t count) {
  const uint32_t* T = tables().t[0];
  while (count--) crc = T[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

// Slicing by sixteen: four words looked up at once per step.
uint32_t crcSliced(uint32_t crc, const uint8_t* p, size_t count) {
  const auto& T = tables().t;
  while (count >= 16) {
    uint32_t a, b, c, d;
    std::memcpy(&a, p, 4);
    std::memcpy(&b, p + 4, 4);
    std::memcpy(&c, p + 8, 4);
    std::memcpy(&d, p + 12, 4);
    a ^= crc;
    crc = T[15][a & 0xFF] ^ T[14][(a >> 8) & 0xFF] ^ T[13][(a >> 16) & 0xFF] ^ T[12][a >> 24] ^
          T[11][b & 0xFF] ^ T[10][(b >> 8) & 0xFF] ^ T[9][(b >> 16) & 0xFF] ^ T[8][b >> 24] ^
          T[7][c & 0xFF] ^ T[6][(c >> 8) & 0xFF] ^ T[5][(c >> 16) & 0xFF] ^ T[4][c >> 24] ^
          T[3][d & 0xFF] ^ T[2][(d >> 8) & 0xFF] ^ T[1][(d >> 16) & 0xFF] ^ T[0][d >> 24];
    p += 16;
    count -= 16;
  }
  return crcPlain(crc, p, count);
}

uint32_t adlerPlain(uint32_t adler, const uint8_t* p, size_t count) {
  constexpr uint32_t kMod = 65521;
  constexpr size_t kMax = 5552;  // largest run without overflow of the 32-bit sums
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  while (count) {
    size_t n = count < kMax ? count : kMax;
    count -= n;
    while (n >= 8) {
      a += p[0]; b += a; a += p[1]; b += a; a += p[2]; b += a; a += p[3]; b += a;
      a += p[4]; b += a; a += p[5]; b += a; a += p[6]; b += a; a += p[7]; b += a;
      p += 8;
      n -= 8;
    }
    while (n--) {
      a += *p++;
      b += a;
    }
    a %= kMod;
    b %= kMod;
  }
  return (b << 16) | a;
}

#if defined(__x86_64__)

// Folding constants: x^n mod P, bit-reflected and moved up one place, as the reflected
// carry-less multiplication wants them. A block is carried d bits forward by multiplying
// its low half with foldK(d + 32) and its high half with foldK(d - 32).
constexpr uint64_t foldK(int n) {
  uint64_t r = 1;
  for (int i = 0; i < n; ++i) {
    r <<= 1;
    if (r & (uint64_t(1) << 32)) r ^= 0x104C11DB7u;
  }
  uint64_t rev = 0;
  for (int b = 0; b < 32; ++b) rev |= ((r >> b) & 1) << (31 - b);
  return rev << 1;
}
static_assert(foldK(544) == 0x154442bd4 && foldK(480) == 0x1c6e41596, "fold constants");

#define KV_CLMUL __attribute__((target("pclmul,sse4.1")))
#define KV_VCLMUL __attribute__((target("avx512f,avx512vl,vpclmulqdq,pclmul,sse4.1")))

KV_CLMUL inline __m128i fold16(__m128i x, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(x, k, 0x00), hi = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

inline __m128i loadu(const uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }

// Four 16-byte lanes (consecutive in the data) down to 32 bits, with whole 16-byte
// blocks still to come; a Barrett reduction at the end.
KV_CLMUL uint32_t foldFinish(__m128i x1, __m128i x2, __m128i x3, __m128i x4, const uint8_t* buf, size_t len) {
  const __m128i k128 = _mm_set_epi64x(int64_t(foldK(96)), int64_t(foldK(160)));
  x1 = fold16(x1, k128, x2);
  x1 = fold16(x1, k128, x3);
  x1 = fold16(x1, k128, x4);
  while (len >= 16) {
    x1 = fold16(x1, k128, loadu(buf));
    buf += 16;
    len -= 16;
  }
  // 128 bits to 64.
  const __m128i mask32 = _mm_setr_epi32(~0, 0, ~0, 0);
  __m128i x2b = _mm_clmulepi64_si128(x1, k128, 0x10);
  x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2b);
  const __m128i k64 = _mm_set_epi64x(0, int64_t(foldK(64)));
  x2b = _mm_srli_si128(x1, 4);
  x1 = _mm_and_si128(x1, mask32);
  x1 = _mm_xor_si128(_mm_clmulepi64_si128(x1, k64, 0x00), x2b);
  // Barrett: the reflected polynomial and its quotient constant.
  const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
  x2b = _mm_and_si128(x1, mask32);
  x2b = _mm_clmulepi64_si128(x2b, poly, 0x10);
  x2b = _mm_and_si128(x2b, mask32);
  x2b = _mm_clmulepi64_si128(x2b, poly, 0x00);
  x1 = _mm_xor_si128(x1, x2b);
  return uint32_t(_mm_extract_epi32(x1, 1));
}

// 64 bytes a step in four lanes. Needs count >= 64, a multiple of 16.
KV_CLMUL uint32_t crcFold128(uint32_t crc, const uint8_t* buf, size_t len) {
  const __m128i k512 = _mm_set_epi64x(int64_t(foldK(480)), int64_t(foldK(544)));
  __m128i x1 = _mm_xor_si128(loadu(buf), _mm_cvtsi32_si128(int(crc)));
  __m128i x2 = loadu(buf + 16), x3 = loadu(buf + 32), x4 = loadu(buf + 48);
  buf += 64;
  len -= 64;
  while (len >= 64) {
    x1 = fold16(x1, k512, loadu(buf));
    x2 = fold16(x2, k512, loadu(buf + 16));
    x3 = fold16(x3, k512, loadu(buf + 32));
    x4 = fold16(x4, k512, loadu(buf + 48));
    buf += 64;
    len -= 64;
  }
  return foldFinish(x1, x2, x3, x4, buf, len);
}

#define load(p) _mm512_loadu_si512(p)
KV_VCLMUL inline __m512i fold64(__m512i x, __m512i k, __m512i next) {
  __m512i lo = _mm512_clmulepi64_epi128(x, k, 0x00), hi = _mm512_clmulepi64_epi128(x, k, 0x11);
  return _mm512_ternarylogic_epi64(lo, hi, next, 0x96);  // three-way xor
}

// 256 bytes a step in four 64-byte registers. Needs count >= 256, a multiple of 16.
// With a target, the steps' bytes are stored there as they are loaded (what is left
// after the last step is the caller's to copy).
template <bool kCopy>
KV_VCLMUL inline uint32_t crcFold512Into(uint32_t crc, const uint8_t* buf, size_t len, uint8_t* to) {
  const int64_t a = int64_t(foldK(2080)), b = int64_t(foldK(2016)), c = int64_t(foldK(544)), d = int64_t(foldK(480));
  const __m512i k2048 = _mm512_set_epi64(b, a, b, a, b, a, b, a);
  const __m512i k512 = _mm512_set_epi64(d, c, d, c, d, c, d, c);
  __m512i a0 = _mm512_xor_si512(load(buf), _mm512_inserti32x4(_mm512_setzero_si512(), _mm_cvtsi32_si128(int(crc)), 0));
  __m512i a1 = load(buf + 64), a2 = load(buf + 128), a3 = load(buf + 192);
  if constexpr (kCopy) {
    for (int i = 0; i < 4; ++i) _mm512_storeu_si512(to + 64 * i, load(buf + 64 * i));
    to += 256;
  }
  buf += 256;
  len -= 256;
  while (len >= 256) {
    const __m512i n0 = load(buf), n1 = load(buf + 64), n2 = load(buf + 128), n3 = load(buf + 192);
    if constexpr (kCopy) {
      _mm512_storeu_si512(to, n0);
      _mm512_storeu_si512(to + 64, n1);
      _mm512_storeu_si512(to + 128, n2);
      _mm512_storeu_si512(to + 192, n3);
      to += 256;
    }
    a0 = fold64(a0, k2048, n0);
    a1 = fold64(a1, k2048, n1);
    a2 = fold64(a2, k2048, n2);
    a3 = fold64(a3, k2048, n3);
    buf += 256;
    len -= 256;
  }
  a1 = fold64(a0, k512, a1);
  a2 = fold64(a1, k512, a2);
  a3 = fold64(a2, k512, a3);
  while (len >= 64) {
    a3 = fold64(a3, k512, load(buf));
    buf += 64;
    len -= 64;
  }
  alignas(64) uint8_t lanes[64];
  _mm512_store_si512(lanes, a3);
  return foldFinish(loadu(lanes), loadu(lanes + 16), loadu(lanes + 32), loadu(lanes + 48), buf, len);
}

KV_VCLMUL uint32_t crcFold512(uint32_t crc, const uint8_t* buf, size_t len) {
  return crcFold512Into<false>(crc, buf, len, nullptr);
}

#undef load

// Adler-32 in 32-byte steps: the byte sums and the weighted sums (weights 32 down to 1) are
// kept in lanes; each step also adds the running byte sum once more, to be weighted by 32
// at the end. Chunks are short enough that no lane overflows before the reduction.
__attribute__((target("avx2"))) uint32_t adlerAvx2(uint32_t adler, const uint8_t* p, size_t count) {
  constexpr uint32_t kMod = 65521;
  constexpr size_t kChunkBlocks = 173;  // 5536 bytes, the scalar form's bound rounded down
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  const __m256i weights = _mm256_setr_epi8(32, 31, 30, 29, 28, 27, 26, 25, 24, 23, 22, 21, 20, 19, 18, 17, 16, 15,
                                           14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1);
  const __m256i ones = _mm256_set1_epi16(1), zero = _mm256_setzero_si256();
  while (count >= 32) {
    size_t blocks = std::min(count / 32, kChunkBlocks);
    __m256i sumA = zero, sumPrev = zero, sumW = zero;
    for (size_t i = 0; i < blocks; ++i) {
      __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
      sumPrev = _mm256_add_epi64(sumPrev, sumA);
      sumA = _mm256_add_epi64(sumA, _mm256_sad_epu8(v, zero));
      sumW = _mm256_add_epi32(sumW, _mm256_madd_epi16(_mm256_maddubs_epi16(v, weights), ones));
      p += 32;
    }
    alignas(32) uint64_t la[4], lp[4];
    alignas(32) uint32_t lw[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(la), sumA);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lp), sumPrev);
    _mm256_store_si256(reinterpret_cast<__m256i*>(lw), sumW);
    uint64_t bytes = la[0] + la[1] + la[2] + la[3], prev = lp[0] + lp[1] + lp[2] + lp[3], weighted = 0;
    for (uint32_t w : lw) weighted += w;
    uint64_t n = uint64_t(blocks) * 32;
    b = uint32_t((b + n * a + 32 * prev + weighted) % kMod);
    a = uint32_t((a + bytes) % kMod);
    count -= size_t(n);
  }
  return adlerPlain((b << 16) | a, p, count);
}

bool haveFold128() { return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1"); }
bool haveAvx2() { return __builtin_cpu_supports("avx2"); }
bool haveFold512() {
  return haveFold128() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("vpclmulqdq");
}

#endif

uint32_t crcUsing(TKvChecksumForm form, uint32_t crc, const uint8_t* p, size_t count) {
  switch (form) {
    case TKvChecksumForm::Plain:
      return crcPlain(crc, p, count);
    case TKvChecksumForm::Sliced:
      return crcSliced(crc, p, count);
#if defined(__x86_64__)
    case TKvChecksumForm::Fold512:
      if (count >= 256) {
        size_t whole = count & ~size_t(15);
        return crcSliced(crcFold512(crc, p, whole), p + whole, count - whole);
      }
      [[fallthrough]];
    case TKvChecksumForm::Fold128:
      if (count >= 64) {
        size_t whole = count & ~size_t(15);
        return crcSliced(crcFold128(crc, p, whole), p + whole, count - whole);
      }
      return crcSliced(crc, p, count);
#else
    default:
      return crcSliced(crc, p, count);
#endif
  }
  return crcSliced(crc, p, count);
}

TKvChecksumForm bestForm() {
#if defined(__x86_64__)
  __builtin_cpu_init();  // we may run before the runtime's own constructor
  if (haveFold512()) return TKvChecksumForm::Fold512;
  if (haveFold128()) return TKvChecksumForm::Fold128;
#endif
  return TKvChecksumForm::Sliced;
}

using CrcFn = uint32_t (*)(uint32_t, const uint8_t*, size_t);

CrcFn pickCrc(TKvChecksumForm f) {
  switch (f) {
    case TKvChecksumForm::Plain:
      return [](uint32_t c, const uint8_t* p, size_t n) { return crcPlain(c, p, n); };
    case TKvChecksumForm::Sliced:
      return [](uint32_t c, const uint8_t* p, size_t n) { return crcSliced(c, p, n); };
    case TKvChecksumForm::Fold128:
      return [](uint32_t c, const uint8_t* p, size_t n) { return crcUsing(TKvChecksumForm::Fold128, c, p, n); };
    case TKvChecksumForm::Fold512:
      return [](uint32_t c, const uint8_t* p, size_t n) { return crcUsing(TKvChecksumForm::Fold512, c, p, n); };
  }
  return nullptr;
}

// Chosen once, before main: the processor does not change under us.
const TKvChecksumForm kForm = bestForm();
const CrcFn kCrc = pickCrc(kForm);

}  // namespace

const uint32_t* KvCrc32Table() { return tables().t[0]; }

uint32_t KvCrc32Raw(uint32_t crc, const void* data, size_t count) {
  // A caller from another file's static initialiser may come before the choice is made.
  CrcFn f = kCrc ? kCrc : pickCrc(bestForm());
  return f(crc, static_cast<const uint8_t*>(data), count);
}

uint32_t KvCrc32RawCopy(uint32_t crc, void* to, const void* from, size_t count) {
  auto* d = static_cast<uint8_t*>(to);
  auto* s = static_cast<const uint8_t*>(from);
#if defined(__x86_64__)
  if (kForm == TKvChecksumForm::Fold512 && count >= 256) {
    // One pass: each 256 bytes are stored while they are folded in.
    size_t steps = count & ~size_t(255);
    crc = crcFold512Into<true>(crc, s, steps, d);
    // The last partial step, copied already, is folded on from memory.
    d += steps;
    s += steps;
    count -= steps;
    std::memcpy(d, s, count);
    return KvCrc32Raw(crc, d, count);
  }
#endif
  std::memcpy(d, s, count);
  return KvCrc32Raw(crc, d, count);
}

uint32_t KvAdler32(uint32_t adler, const void* data, size_t count) {
  return KvAdler32Using(kForm, adler, data, count);
}

std::vector<TKvChecksumForm> KvChecksumForms() {
  std::vector<TKvChecksumForm> forms = {TKvChecksumForm::Plain, TKvChecksumForm::Sliced};
#if defined(__x86_64__)
  if (haveFold128()) forms.push_back(TKvChecksumForm::Fold128);
  if (haveFold512()) forms.push_back(TKvChecksumForm::Fold512);
#endif
  return forms;
}

TKvChecksumForm KvChecksumForm() { return kForm; }

uint32_t KvCrc32RawUsing(TKvChecksumForm form, uint32_t crc, const void* data, size_t count) {
  return crcUsing(form, crc, static_cast<const uint8_t*>(data), count);
}

uint32_t KvAdler32Using(TKvChecksumForm form, uint32_t adler, const void* data, size_t count) {
  auto* p = static_cast<const uint8_t*>(data);
#if defined(__x86_64__)
  // Adler-32 has one vector form; the folding forms stand for "vectors allowed".
  static const bool avx2 = haveAvx2();
  if (avx2 && (form == TKvChecksumForm::Fold128 || form == TKvChecksumForm::Fold512)) return adlerAvx2(adler, p, count);
#else
  (void)form;
#endif
  return adlerPlain(adler, p, count);
}

}  // namespace kv

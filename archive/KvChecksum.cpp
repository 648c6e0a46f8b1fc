#include "KvChecksum.h"

#include <cstring>

namespace kv {
namespace {

struct Tables {
  uint32_t t[8][256];
  Tables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[0][i] = c;
    }
    for (int s = 1; s < 8; ++s)
      for (int i = 0; i < 256; ++i) t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
  }
};

const Tables& tables() {
  static const Tables tab;
  return tab;
}

}  // namespace

const uint32_t* KvCrc32Table() { return tables().t[0]; }

uint32_t KvCrc32Raw(uint32_t crc, const void* data, size_t count) {
  const auto& T = tables().t;
  auto* p = static_cast<const uint8_t*>(data);
  while (count && (reinterpret_cast<uintptr_t>(p) & 7)) {
    crc = T[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    --count;
  }
  // Slicing by eight, two words at a time.
  while (count >= 16) {
    for (int r = 0; r < 2; ++r) {
      uint64_t w;
      std::memcpy(&w, p, 8);
      w ^= crc;
      crc = T[7][w & 0xFF] ^ T[6][(w >> 8) & 0xFF] ^ T[5][(w >> 16) & 0xFF] ^ T[4][(w >> 24) & 0xFF] ^
            T[3][(w >> 32) & 0xFF] ^ T[2][(w >> 40) & 0xFF] ^ T[1][(w >> 48) & 0xFF] ^ T[0][w >> 56];
      p += 8;
    }
    count -= 16;
  }
  while (count--) crc = T[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint32_t KvAdler32(uint32_t adler, const void* data, size_t count) {
  constexpr uint32_t kMod = 65521;
  constexpr size_t kMax = 5552;  // largest run without overflow of the 32-bit sums
  uint32_t a = adler & 0xFFFF, b = adler >> 16;
  auto* p = static_cast<const uint8_t*>(data);
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

}  // namespace kv

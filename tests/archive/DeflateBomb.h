#pragma once
// Hostile GZIP files written as streams: a Deflate block that turns each zero byte of
// its body into 1032 zero bytes of output, so a few MB on disk stand for GiB.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ZlibStreams.h"

namespace ziptest {

// Bits least significant first, as Deflate packs them.
class BitOut {
 public:
  explicit BitOut(std::FILE* f) : f_(f) {}
  void bits(uint32_t v, int n) {
    for (int i = 0; i < n; ++i) {
      cur_ |= uint8_t(((v >> i) & 1) << fill_);
      if (++fill_ == 8) flushByte();
    }
  }
  // Huffman codes go most significant bit first.
  void code(uint32_t c, int len) {
    for (int i = len - 1; i >= 0; --i) bits((c >> i) & 1, 1);
  }
  void zeroBits(int64_t n) {
    while (n > 0 && fill_) {
      bits(0, 1);
      --n;
    }
    static const std::vector<uint8_t> zeros(1 << 20, 0);
    for (int64_t whole = n / 8; whole > 0;) {
      int64_t k = std::min<int64_t>(whole, int64_t(zeros.size()));
      put(zeros.data(), size_t(k));
      whole -= k;
    }
    bits(0, int(n % 8));
  }
  void align() {
    if (fill_) flushByte();
  }
  void put(const uint8_t* p, size_t n) {
    if (std::fwrite(p, 1, n, f_) != n) throw std::runtime_error("write");
  }
 private:
  void flushByte() {
    put(&cur_, 1);
    cur_ = 0;
    fill_ = 0;
  }
  std::FILE* f_;
  uint8_t cur_ = 0;
  int fill_ = 0;
};

// Raw Deflate of data, ending on a byte boundary and not final (a sync flush).
inline std::vector<uint8_t> deflatePrefix(const std::vector<uint8_t>& data) {
  return zlibDeflate(data, -15, 6, Z_DEFAULT_STRATEGY, Z_SYNC_FLUSH);
}

// CRC-32 of n zero bytes, by doubling.
inline uint32_t crcOfZeros(int64_t n) {
  const uint8_t zero = 0;
  uint32_t result = 0, block = uint32_t(crc32(0, &zero, 1));
  int64_t done = 0, blen = 1;
  for (; n; n >>= 1) {
    if (n & 1) {
      result = uint32_t(crc32_combine64(result, block, blen));
      done += blen;
    }
    block = uint32_t(crc32_combine64(block, block, blen));
    blen *= 2;
  }
  return result;
}

// A GZIP member: prefix (compressed by zlib), then `zeros` zero bytes in one block at the
// highest ratio Deflate allows, then suffix (compressed by zlib); the trailer declares
// `declared` or the true size.
inline void writeZeroBomb(const std::string& path, const std::vector<uint8_t>& prefix, int64_t zeros,
                          std::optional<uint32_t> declared = std::nullopt,
                          const std::vector<uint8_t>& suffix = {}) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("open " + path);
  const uint8_t head[10] = {31, 139, 8, 0, 0, 0, 0, 0, 2, 3};
  BitOut o(f);
  o.put(head, 10);
  if (!prefix.empty()) {
    auto p = deflatePrefix(prefix);
    o.put(p.data(), p.size());
  }
  // Final dynamic block: literal/length codes 285 (1 bit), 0 and 256 (2 bits); two
  // 1-bit distance codes; the code-length code gives 18 one bit, 1 and 2 two bits.
  o.bits(suffix.empty() ? 1 : 0, 1);
  o.bits(2, 2);
  o.bits(29, 5);
  o.bits(1, 5);
  o.bits(14, 4);
  for (int v : {0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2}) o.bits(uint32_t(v), 3);
  o.code(3, 2);  // length 2 for the literal 0
  o.code(0, 1);  // 138 zeros
  o.bits(127, 7);
  o.code(0, 1);  // 117 zeros
  o.bits(106, 7);
  o.code(3, 2);  // length 2 for end of block
  o.code(0, 1);  // 28 zeros
  o.bits(17, 7);
  o.code(2, 2);  // length 1 for 285
  o.code(2, 2);  // both distance codes length 1
  o.code(2, 2);
  if (zeros > 0) {
    o.code(2, 2);  // one literal zero, then matches of 258 at distance 1: two zero bits each
    int64_t matches = (zeros - 1) / 258;
    o.zeroBits(2 * matches);
    for (int64_t r = zeros - 1 - matches * 258; r > 0; --r) o.code(2, 2);
  }
  o.code(3, 2);
  if (!suffix.empty()) {
    // An empty stored block brings the stream to a byte boundary, where zlib's final blocks follow.
    o.bits(0, 3);
    o.align();
    const uint8_t len[4] = {0, 0, 0xFF, 0xFF};
    o.put(len, 4);
    auto z = zlibDeflate(suffix, -15);
    o.put(z.data(), z.size());
  }
  o.align();
  uint32_t crc = uint32_t(crc32_combine64(uint32_t(crc32(0, prefix.data(), uInt(prefix.size()))), crcOfZeros(zeros),
                                          zeros));
  crc = uint32_t(crc32_combine64(crc, uint32_t(crc32(0, suffix.data(), uInt(suffix.size()))), int64_t(suffix.size())));
  uint32_t isize = declared ? *declared : uint32_t(int64_t(prefix.size()) + zeros + int64_t(suffix.size()));
  uint8_t tail[8];
  for (int i = 0; i < 4; ++i) {
    tail[i] = uint8_t(crc >> (8 * i));
    tail[4 + i] = uint8_t(isize >> (8 * i));
  }
  o.put(tail, 8);
  if (std::fclose(f) != 0) throw std::runtime_error("close " + path);
}

}  // namespace ziptest

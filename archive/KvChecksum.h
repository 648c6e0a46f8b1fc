#pragma once
// CRC-32 (as in ZIP) and Adler-32 over byte buffers, as running values.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kv {

// The reflected $EDB88320 table.
const uint32_t* KvCrc32Table();
// Raw running update: start with $FFFFFFFF, invert at the end. Uses the fastest form the
// processor offers, chosen once at start.
uint32_t KvCrc32Raw(uint32_t crc, const void* data, size_t count);
inline uint32_t KvCrc32Step(uint32_t crc, uint8_t b) { return KvCrc32Table()[(crc ^ b) & 0xFF] ^ (crc >> 8); }
// Copies count bytes and answers the running value over them, in one pass where it can.
uint32_t KvCrc32RawCopy(uint32_t crc, void* to, const void* from, size_t count);
// zlib-style: crc of nothing is 0; pass the previous result to continue.
inline uint32_t KvCrc32(uint32_t prev, const void* data, size_t count) {
  return ~KvCrc32Raw(~prev, data, count);
}
// Adler-32: start with 1.
uint32_t KvAdler32(uint32_t adler, const void* data, size_t count);

// The ways of computing the checksums; all give the same bits. For tests and benchmarks.
// Adler-32 has one vector form (AVX2), used with either folding form.
enum class TKvChecksumForm { Plain, Sliced, Fold128, Fold512 };
// The forms this processor can run, plain first.
std::vector<TKvChecksumForm> KvChecksumForms();
// The form KvCrc32Raw and KvAdler32 use.
TKvChecksumForm KvChecksumForm();
uint32_t KvCrc32RawUsing(TKvChecksumForm form, uint32_t crc, const void* data, size_t count);
uint32_t KvAdler32Using(TKvChecksumForm form, uint32_t adler, const void* data, size_t count);

}  // namespace kv

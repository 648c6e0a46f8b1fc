#pragma once
// Builds small ZIP files in memory for the tests, with every field open to tampering.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ZlibStreams.h"

namespace ziptest {

inline uint32_t crcOf(const std::vector<uint8_t>& d) { return uint32_t(crc32(0, d.data(), uInt(d.size()))); }

// Bits written least significant first, for hand-made streams.
struct BitWriter {
  std::vector<uint8_t> out;
  uint32_t acc = 0;
  int n = 0;
  void put(uint32_t v, int bits) {
    for (int i = 0; i < bits; ++i) {
      acc |= ((v >> i) & 1u) << n;
      if (++n == 8) {
        out.push_back(uint8_t(acc));
        acc = 0;
        n = 0;
      }
    }
  }
  // Huffman codes go most significant bit first.
  void code(uint32_t c, int len) {
    for (int i = len - 1; i >= 0; --i) put((c >> i) & 1, 1);
  }
  std::vector<uint8_t> done() {
    if (n) out.push_back(uint8_t(acc));
    return out;
  }
};

struct Entry {
  Entry(std::string n, std::vector<uint8_t> d) : name(std::move(n)), data(std::move(d)) {}
  std::string name;
  std::vector<uint8_t> data;   // plain
  int method = 8;              // 0 or 8
  uint16_t version = 20;
  uint16_t flags = 0;
  uint32_t externalAttrs = 0;
  // Overrides: set >= 0 to lie.
  int64_t crc = -1, compressedSize = -1, uncompressedSize = -1, offset = -1;
  std::vector<uint8_t> packedOverride;  // used instead of compressing when not empty
  bool writeLocal = true;
};

class Builder {
 public:
  std::vector<Entry> entries;
  std::vector<uint8_t> prefix;  // e.g. a stub
  int64_t totalEntriesOverride = -1;

  std::vector<uint8_t> build() {
    std::vector<uint8_t> out = prefix, dir;
    struct Info {
      uint32_t off, crc, csize, usize;
      std::vector<uint8_t> packed;
    };
    std::vector<Info> infos;
    for (auto& e : entries) {
      Info in;
      in.packed = !e.packedOverride.empty() ? e.packedOverride : e.method == 8 ? rawDeflate(e.data) : e.data;
      in.crc = e.crc >= 0 ? uint32_t(e.crc) : crcOf(e.data);
      in.csize = e.compressedSize >= 0 ? uint32_t(e.compressedSize) : uint32_t(in.packed.size());
      in.usize = e.uncompressedSize >= 0 ? uint32_t(e.uncompressedSize) : uint32_t(e.data.size());
      in.off = e.offset >= 0 ? uint32_t(e.offset) : uint32_t(out.size());
      if (e.writeLocal) {
        put32(out, 0x04034B50);
        put16(out, e.version);
        put16(out, e.flags);
        put16(out, uint16_t(e.method));
        put16(out, 0x6000);
        put16(out, 0x5A21);
        put32(out, in.crc);
        put32(out, in.csize);
        put32(out, in.usize);
        put16(out, uint16_t(e.name.size()));
        put16(out, 0);
        out.insert(out.end(), e.name.begin(), e.name.end());
        out.insert(out.end(), in.packed.begin(), in.packed.end());
      }
      infos.push_back(in);
    }
    uint32_t dirOff = uint32_t(out.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      auto& e = entries[i];
      auto& in = infos[i];
      put32(dir, 0x02014B50);
      put16(dir, 0x0314);
      put16(dir, e.version);
      put16(dir, e.flags);
      put16(dir, uint16_t(e.method));
      put16(dir, 0x6000);
      put16(dir, 0x5A21);
      put32(dir, in.crc);
      put32(dir, in.csize);
      put32(dir, in.usize);
      put16(dir, uint16_t(e.name.size()));
      put16(dir, 0);
      put16(dir, 0);
      put16(dir, 0);
      put16(dir, 0);
      put32(dir, e.externalAttrs);
      put32(dir, in.off);
      dir.insert(dir.end(), e.name.begin(), e.name.end());
    }
    out.insert(out.end(), dir.begin(), dir.end());
    uint16_t n = uint16_t(totalEntriesOverride >= 0 ? totalEntriesOverride : int64_t(entries.size()));
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, n);
    put16(out, n);
    put32(out, uint32_t(dir.size()));
    put32(out, dirOff);
    put16(out, 0);
    return out;
  }

  static void put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
  }
  static void put32(std::vector<uint8_t>& v, uint32_t x) {
    put16(v, uint16_t(x));
    put16(v, uint16_t(x >> 16));
  }
};

}  // namespace ziptest

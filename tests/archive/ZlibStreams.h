#pragma once
// zlib as the reference coder of the archive tests and benches: streams it packs for our
// decoders to read, and the unpacking of what our encoder writes.
#include <zlib.h>

#include <cstdint>
#include <vector>

namespace ziptest {

// One deflate pass over `in`; windowBits as for deflateInit2 (-15 raw, 31 GZIP); flush
// Z_SYNC_FLUSH leaves the stream open on a byte boundary.
inline std::vector<uint8_t> zlibDeflate(const std::vector<uint8_t>& in, int windowBits, int level = 6,
                                        int strategy = Z_DEFAULT_STRATEGY, int flush = Z_FINISH) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, strategy);
  // The bound holds the whole stream (and a flush's empty block), so one call writes it all.
  std::vector<uint8_t> out(deflateBound(&z, uLong(in.size())) + 64);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  z.next_out = out.data();
  z.avail_out = uInt(out.size());
  deflate(&z, flush);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

inline std::vector<uint8_t> rawDeflate(const std::vector<uint8_t>& in, int level = 6, int strategy = Z_DEFAULT_STRATEGY) {
  return zlibDeflate(in, -15, level, strategy);
}

// A GZIP member, as gzip -6 writes it.
inline std::vector<uint8_t> gzipBytes(const std::vector<uint8_t>& in) { return zlibDeflate(in, 31); }

// A raw deflate stream unpacked; ok (where given): it ended, with no bytes left behind it.
inline std::vector<uint8_t> zlibInflate(const std::vector<uint8_t>& in, bool* ok = nullptr, int windowBits = 15) {
  z_stream z{};
  inflateInit2(&z, -windowBits);
  std::vector<uint8_t> out, buf(1 << 16);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = uInt(in.size());
  int r;
  do {
    z.next_out = buf.data();
    z.avail_out = uInt(buf.size());
    r = inflate(&z, Z_NO_FLUSH);
    out.insert(out.end(), buf.data(), buf.data() + (buf.size() - z.avail_out));
  } while (r == Z_OK);
  if (ok) *ok = r == Z_STREAM_END && z.avail_in == 0;
  inflateEnd(&z);
  return out;
}

}  // namespace ziptest

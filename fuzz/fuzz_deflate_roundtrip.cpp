// Deflate round trip: whatever the input and the options taken from its first bytes,
// our Deflate's output inflates (in zlib and in ours) back to the same bytes.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "KvChecksum.h"
#include "KvDeflate.h"
#include "KvInflate.h"
#include "KvStream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  int modes = 1 + data[0] % 7;                 // stored, static, dynamic and the choices
  bool lazy = data[1] & 1, d64 = data[1] & 2;  // Deflate64 is checked with ours only
  int chain = 4 << ((data[1] >> 2) & 7);
  std::vector<uint8_t> in(data + 2, data + size);
  kv::KvMemoryStream src(in), packed;
  kv::TKvDeflateHelper h;
  h.SetOptions(modes | (lazy ? kv::dfoLazyMatch : 0) | (d64 ? kv::dfoDeflate64 : 0));
  h.SetMaxChainSteps(chain);
  uint32_t crc = kv::Deflate(&src, &packed, &h);
  if (crc != kv::KvCrc32(0, in.data(), in.size())) std::abort();
  if (!d64) {
    std::vector<uint8_t> out(in.size() + 1);
    z_stream z{};
    inflateInit2(&z, -15);
    z.next_in = packed.Data().data();
    z.avail_in = uInt(packed.Data().size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    int r = inflate(&z, Z_FINISH);
    size_t got = z.total_out;
    inflateEnd(&z);
    if (r != Z_STREAM_END || got != in.size() || !std::equal(in.begin(), in.end(), out.begin())) std::abort();
  }
  kv::KvMemoryStream back(packed.Data()), plain;
  kv::TKvDeflateHelper ih;
  ih.SetOptions(0x0F | (d64 ? kv::dfoDeflate64 : 0));
  kv::Inflate(&back, &plain, &ih);
  if (plain.Data() != in) std::abort();
  return 0;
}

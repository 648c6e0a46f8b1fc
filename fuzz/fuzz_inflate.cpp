// Inflate against zlib's raw inflate: where zlib accepts a stream, ours gives the same
// bytes and checksum; where only ours accepts, zlib refused a set of code lengths
// (we let incomplete codes pass). The first byte picks Deflate64 (no oracle then).
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "KvDeflateBase.h"
#include "KvInflate.h"
#include "KvStream.h"

namespace {

// zlib's verdict; output is capped like ours so a bomb stays small.
int zlibInflate(const uint8_t* data, size_t size, std::vector<uint8_t>& out, const char*& msg, int64_t& used) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(data);
  z.avail_in = uInt(size);
  static std::vector<uint8_t> buf(1 << 20);
  z.next_out = buf.data();
  z.avail_out = uInt(buf.size());
  int r = inflate(&z, Z_FINISH);
  out.assign(buf.begin(), buf.begin() + long(z.total_out));
  msg = z.msg;
  used = int64_t(z.total_in);
  inflateEnd(&z);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool wide = data[0] & 1;
  ++data;
  --size;
  kv::KvMemoryStream src(std::vector<uint8_t>(data, data + size)), dst;
  kv::TKvDeflateHelper h;
  h.SetOptions(wide ? 0x0F | kv::dfoDeflate64 : 0x0F);
  h.OutputLimit = 1 << 20;
  bool ours = true;
  uint32_t crc = 0;
  try {
    crc = kv::Inflate(&src, &dst, &h);
  } catch (const kv::EKvInflateError&) {
    ours = false;
  }
  if (wide) return 0;
  std::vector<uint8_t> ref;
  const char* msg = nullptr;
  int64_t used = 0;
  int r = zlibInflate(data, size, ref, msg, used);
  if (r == Z_STREAM_END) {
    if (!ours || dst.Data() != ref || crc != uint32_t(crc32(0, ref.data(), uInt(ref.size()))) ||
        h.PlainSize != int64_t(ref.size()) || h.PackedSize != used)
      std::abort();
  } else if (ours && ref.size() < (1u << 20)) {
    bool codeSet = msg && (std::strstr(msg, "lengths set") || std::strstr(msg, "distances set") ||
                           std::strstr(msg, "code lengths set"));
    if (!codeSet) std::abort();
  }
  return 0;
}

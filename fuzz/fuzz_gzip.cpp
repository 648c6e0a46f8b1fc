// GZIP reading: members one after another, each trailer checked; any input ends in
// the plain bytes or the library's error, with the output bounded.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "KvGzip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::KvMemoryStream s(std::vector<uint8_t>(data, data + size));
  kv::KvMemoryStream out;
  try {
    kv::TKvGzipItem item;
    item.ReadHeader(s);
    kv::KvGunzip(s, &out);
  } catch (const std::exception&) {
  }
  return 0;
}

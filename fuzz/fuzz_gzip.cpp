// GZIP reading: members one after another, each trailer checked; any input ends in
// the plain bytes or the library's error. The output may pass the size the last trailer
// declares only by what members before it prove with their own trailers, so a bomb (a
// few bytes that inflate to MB under a small declared size) stops at the cap.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <vector>

#include "KvGzip.h"
#include "KvScratchStreams.h"
#include "fuzz_output_cap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t declared = 0;
  if (size >= 4) declared = data[size - 4] | (data[size - 3] << 8) | (data[size - 2] << 16) | (uint32_t(data[size - 1]) << 24);
  kv::KvMemoryStream s(std::vector<uint8_t>(data, data + size));
  CappedSink out(int64_t(declared) + (int64_t(1) << 20));
  try {
    kv::TKvGzipItem item;
    item.ReadHeader(s);
    kv::KvGunzip(s, &out);
  } catch (const std::exception&) {
  }
  try {
    kv::TKvBitBucketStream bucket(32768);
    kv::KvGunzip(s, &bucket);
  } catch (const std::exception&) {
  }
  return 0;
}

// TAR reading: any bytes give a list of entries or the library's error, never a hang
// or a read outside the data; every listed entry's data lies inside the file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <vector>

#include "KvTar.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kv::KvMemoryStream s(std::vector<uint8_t>(data, data + size));
  try {
    kv::KvTarScanner sc(s);
    kv::KvTarEntry e;
    int64_t last = -1;
    while (sc.Next(e)) {
      if (e.HeaderPos <= last || e.Size < 0 || e.DataPos + e.Size > int64_t(size)) std::abort();
      last = e.HeaderPos;
    }
  } catch (const std::exception&) {
  }
  return 0;
}

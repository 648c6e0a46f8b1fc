// The BMP reader of px on arbitrary bytes.
#include "fuzz_px_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t magic[] = {'B', 'M'};
  return FuzzPxLoader(data, size, magic, sizeof magic);
}

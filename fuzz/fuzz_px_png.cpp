// The PNG reader of px on arbitrary bytes.
#include "fuzz_px_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t magic[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  return FuzzPxLoader(data, size, magic, sizeof magic);
}

// The GIF reader of px on arbitrary bytes.
#include "fuzz_px_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const uint8_t magic[] = {'G', 'I', 'F', '8'};
  return FuzzPxLoader(data, size, magic, sizeof magic);
}

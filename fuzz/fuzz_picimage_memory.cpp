// TPicImage::LoadMemory and the feed load on arbitrary bytes.
#include <cstdlib>

#include "fuzz_picimage_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPicImageApp();
  TPicImage img;
  img.SetEnableMethodErrors(false);
  int st = img.LoadMemory(data, qsizetype(size), 0, 1);
  if (st != 1 && img.IsAllocated()) abort();
  img.StartFeedLoad(0, 0, -1);
  size_t half = size / 2;
  img.FeedLoad(data, qsizetype(half));
  img.FeedLoad(data + half, qsizetype(size - half));
  img.StopFeedLoad();
  if (img.IsAllocated() && img.BitmapWidth() <= 0) abort();
  return 0;
}

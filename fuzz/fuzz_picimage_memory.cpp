// TPicImage::LoadMemory and the feed load on arbitrary bytes.
#include <QApplication>
#include <cstdlib>

#include "PicImageVCL.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    px::limits().maxPixels = 4 * 1000 * 1000;
    px::limits().maxPages = 64;
    return new QApplication(argc, argv);
  }();
  (void)app;
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

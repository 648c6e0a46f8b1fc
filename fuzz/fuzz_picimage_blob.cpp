// A database blob field read as the picture component's picture (with or without the
// "PXOCXBND" header), then written back and read again.
#include <QByteArray>
#include <cstdlib>

#include "fuzz_picimage_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPicImageApp();
  TPicImage img;
  img.SetEnableMethodErrors(false);
  const QByteArray field = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const int st = img.LoadBlobBytes(&field);
  if (st != 1 && img.IsAllocated()) abort();
  if (st == 1 && img.IsAllocated()) {
    QByteArray out;
    if (img.SaveBlobBytes(out) != 1) return 0;
    TPicImage again;
    again.SetEnableMethodErrors(false);
    if (again.LoadBlobBytes(&out) != 1 || again.BitmapWidth() != img.BitmapWidth()) abort();
  }
  return 0;
}

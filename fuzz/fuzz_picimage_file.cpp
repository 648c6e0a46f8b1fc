// TPicImage::Load on an arbitrary file: a status or EPicImageError, and the component ends empty
// or holding a complete picture.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>

#include "fuzz_picimage_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzPicImageApp();
  // A folder of this run's own (mode 0700, a name no one can guess), removed at exit.
  static QTemporaryDir folder(QDir::tempPath() + "/fuzz_picimage_file-XXXXXX");
  if (!folder.isValid()) return 0;
  static const QString path = folder.path() + "/input.bin";
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
  f.write(reinterpret_cast<const char*>(data), qint64(size));
  f.close();
  TPicImage img;
  img.SetEnableMethodErrors(false);
  int st = img.Load(path, 0, 1, -1);
  if (st == 1 && (!img.IsAllocated() || img.BitmapWidth() <= 0)) abort();
  if (st != 1 && img.IsAllocated()) abort();
  img.SetEnableMethodErrors(true);
  try {
    img.Load(path, 0, 0, 2);
  } catch (const EPicImageError&) {
  }
  return 0;
}

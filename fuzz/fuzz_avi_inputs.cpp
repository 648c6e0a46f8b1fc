// What the AVI writer reads from outside: a WAV sound track and BMP frame files, on arbitrary
// bytes. Either the writer refuses with one of its messages, or it writes an AVI.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <exception>

#include "AviWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A folder of this run's own (mode 0700, a name no one can guess), removed at exit.
  static QTemporaryDir folder(QDir::tempPath() + "/fuzz_avi_inputs-XXXXXX");
  if (!folder.isValid()) return 0;
  static const QString dir = folder.path() + "/";
  {
    QFile f(dir + "input.wav");
    if (!f.open(QIODevice::WriteOnly) || f.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
      return 0;
  }
  QFile::copy(dir + "input.wav", dir + "frame.bmp");
  TBitmap picture;
  TBitmap fallback;
  QImage small(2, 2, QImage::Format_RGB888);
  small.fill(Qt::red);
  fallback.Assign(small);
  bool fromFile = true;
  try {
    picture.LoadFromFile(dir + "frame.bmp");
  } catch (const EInvalidGraphic&) {
    fromFile = false;
  }
  TAviWriter writer;
  writer.SetTempFileName(dir + "AWTemp.avi");
  writer.FileName = dir + "out.avi";
  writer.Width = 4;
  writer.Height = 4;
  writer.FrameTime = 40;
  writer.Bitmaps << (fromFile ? static_cast<QObject*>(&picture) : &fallback) << &fallback;
  writer.SetWavFileName(dir + "input.wav");
  try {
    writer.Write();
  } catch (const EAviWriterError& e) {
    if (e.Message().isEmpty()) std::terminate();
  }
  if (QFile::exists(dir + "AWTemp.avi")) std::terminate();  // the work file never stays
  QFile::remove(dir + "out.avi");
  QFile::remove(dir + "frame.bmp");
  return 0;
}

// What the AVI writer reads from outside: a WAV sound track and a picture frame file, on arbitrary
// bytes. Either the writer refuses with one of its messages, or it writes an AVI.
//
// Input layout: a 4-byte little-endian length N, then N bytes of sound, then the frame file's
// bytes. A length past the end gives all the rest to the sound; an empty sound part makes a
// video without sound, an empty frame part a video of the built-in frames only. Each input
// thus reaches the sound reader and the frame writer on its own bytes.
//
// At exit the target prints how many inputs reached each stage, so a replay of the corpus shows
// that the frame writer runs on it.
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "AviWriter.h"

namespace {

struct Counts {
  long runs = 0;
  long withSound = 0;
  long reachedVideo = 0;    // the frame writer was entered
  long fileFrameLoaded = 0; // the frame part loaded as a picture
  long fileFrameWritten = 0;
  long aviWritten = 0;
};
Counts counts;

void PrintCounts() {
  std::fprintf(stderr,
               "fuzz_avi_inputs: %ld runs, %ld with sound, %ld reached WriteVideo, %ld with a frame file, "
               "%ld wrote the frame file, %ld wrote an AVI\n",
               counts.runs, counts.withSound, counts.reachedVideo, counts.fileFrameLoaded,
               counts.fileFrameWritten, counts.aviWritten);
}

bool WriteFile(const QString& path, const uint8_t* data, size_t size) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) &&
         f.write(reinterpret_cast<const char*>(data), qint64(size)) == qint64(size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A folder of this run's own (mode 0700, a name no one can guess), removed at exit.
  static QTemporaryDir folder(QDir::tempPath() + "/fuzz_avi_inputs-XXXXXX");
  if (!folder.isValid()) return 0;
  static const QString dir = folder.path() + "/";
  static const bool printing = (std::atexit(PrintCounts), true);
  (void)printing;
  ++counts.runs;

  if (size < 4) return 0;
  const size_t declared = size_t(data[0]) | size_t(data[1]) << 8 | size_t(data[2]) << 16 | size_t(data[3]) << 24;
  const uint8_t* sound = data + 4;
  const size_t soundSize = declared < size - 4 ? declared : size - 4;
  const uint8_t* frameBytes = sound + soundSize;
  const size_t frameSize = size - 4 - soundSize;

  if (!WriteFile(dir + "input.wav", sound, soundSize) || !WriteFile(dir + "frame.bmp", frameBytes, frameSize))
    return 0;
  TBitmap picture;
  TBitmap fallback;
  QImage small(2, 2, QImage::Format_RGB888);
  small.fill(Qt::red);
  fallback.Assign(small);
  bool fromFile = frameSize > 0;
  if (fromFile) {
    try {
      picture.LoadFromFile(dir + "frame.bmp");
    } catch (const EInvalidGraphic&) {
      fromFile = false;
    }
  }
  if (fromFile) ++counts.fileFrameLoaded;
  TAviWriter writer;
  writer.SetTempFileName(dir + "AWTemp.avi");
  writer.FileName = dir + "out.avi";
  writer.Width = 4;
  writer.Height = 4;
  writer.FrameTime = 40;
  // The file's frame first: the writer announcing the second frame means the first was written.
  writer.Bitmaps << (fromFile ? static_cast<QObject*>(&picture) : &fallback) << &fallback;
  if (soundSize > 0) {
    ++counts.withSound;
    writer.SetWavFileName(dir + "input.wav");
  }
  bool enteredVideo = false;
  bool secondFrame = false;
  writer.OnProgress = [&](QObject*, TProgressStage, uint8_t, bool, const QRect&, const QString& msg) {
    if (msg == " Video zum schreiben geöffnet") enteredVideo = true;
    if (msg == "Bild Nr.2 schreiben") secondFrame = true;
  };
  bool written = true;
  try {
    writer.Write();
  } catch (const EAviWriterError& e) {
    written = false;
    if (e.Message().isEmpty()) std::terminate();
  }
  if (enteredVideo) ++counts.reachedVideo;
  if (fromFile && secondFrame) ++counts.fileFrameWritten;
  if (QFile::exists(dir + "AWTemp.avi")) std::terminate();  // the work file never stays
  if (written) {
    // A reported success left a whole AVI behind.
    QFile out(dir + "out.avi");
    if (!out.open(QIODevice::ReadOnly)) std::terminate();
    const QByteArray head = out.read(12);
    if (head.size() != 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "AVI ") std::terminate();
    ++counts.aviWritten;
  }
  QFile::remove(dir + "out.avi");
  return 0;
}

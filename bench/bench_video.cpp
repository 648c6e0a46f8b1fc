// Video production against ffmpeg, in one run, on generated input:
// 1. 100 pictures of 12 megapixels (JPEG) into PAL VCD key frames (352 x 288, JPEG q85):
//    TPictureConverter::ConvertPicture against
//    ffmpeg -i p%03d.jpg -vf scale=352:288:force_original_aspect_ratio=decrease,pad=352:288 ...
// 2. An AVI of 101 frames (352 x 288 BMP files) with 504 s of 44.1 kHz stereo sound:
//    TAviWriter against ffmpeg -framerate 1/5 -i inp%04d.bmp -i Input.wav -c:v rawvideo -c:a copy.
// Prints each time and the ratio ffmpeg / ours (above 1: we are faster). Run with
// QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "AviWriter.h"
#include "BmpFile.h"
#include "FrameConversion.h"
#include "BenchPicture.h"
#include "PcmWave.h"
#include "PxFile.h"
#include "fCapture.h"

namespace {

using Clock = std::chrono::steady_clock;
double Since(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

bool Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  return p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QByteArray Wave(double seconds) {
  const qint64 bytes = qint64(seconds * 44100) * 4;
  QByteArray data(qsizetype(bytes), '\0');
  for (qint64 i = 0; i < bytes; i += 2) data[qsizetype(i)] = char(i / 7);
  return testsupport::PcmWaveHeader(44100, 2, 16, quint32(bytes)) + data;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString d = dir.path() + "/";
  QDir().mkpath(d + "ours");
  QDir().mkpath(d + "ffmpeg");

  // 1. Pictures to frames.
  std::printf("making 100 pictures of 12 megapixels...\n");
  for (int i = 0; i < 8; ++i)
    if (!MakeBenchPicture(d + QString("p%1.jpg").arg(i, 3, 10, QChar('0')), i)) return 1;
  for (int i = 8; i < 100; ++i)
    QFile::copy(d + QString("p%1.jpg").arg(i % 8, 3, 10, QChar('0')), d + QString("p%1.jpg").arg(i, 3, 10, QChar('0')));

  TPictureConverter conv;
  conv.HighQuality = true;
  conv.Captions = false;
  conv.SetFrameSize(true, "VCD");
  auto t = Clock::now();
  for (int i = 0; i < 100; ++i)
    conv.ConvertPicture(d + QString("p%1.jpg").arg(i, 3, 10, QChar('0')), d + QString("ours/inp%1").arg(i + 1, 4, 10, QChar('0')));
  const double ours1 = Since(t);
  const QString vf = "scale=352:288:force_original_aspect_ratio=decrease,pad=352:288:(ow-iw)/2:(oh-ih)/2";
  t = Clock::now();
  if (!Run("ffmpeg", {"-v", "error", "-y", "-i", d + "p%03d.jpg", "-vf", vf, "-q:v", "3", d + "ffmpeg/out%04d.jpg"}))
    return 1;
  const double ff1 = Since(t);
  t = Clock::now();
  if (!Run("ffmpeg", {"-v", "error", "-y", "-threads", "1", "-filter_threads", "1", "-i", d + "p%03d.jpg", "-vf", vf,
                      "-q:v", "3", d + "ffmpeg/one%04d.jpg"}))
    return 1;
  const double ff1single = Since(t);
  std::printf("frames:  ours %.3f s  ffmpeg %.3f s  ratio %.2f  (ffmpeg one thread %.3f s, ratio %.2f)\n", ours1, ff1,
              ff1 / ours1, ff1single, ff1single / ours1);

  // One transition (a wipe, no delay) of two key frames into 18 JPEG frames: time only.
  {
    QFile::copy(d + "ours/inp0001_Key.jpg", d + "a_Key.jpg");
    QFile::copy(d + "ours/inp0002_Key.jpg", d + "b_Key.jpg");
    QFile e(d + "Effects.ini");
    if (!e.open(QIODevice::WriteOnly) || e.write("2000;0;8;4;0\r\n") < 0) return 1;
    e.close();
    TCaptureJob job;
    job.FirstPicture = d + "a_Key.jpg";
    job.SecondPicture = d + "b_Key.jpg";
    job.FrameBaseName = d + "trans";
    job.EffectsFile = d + "Effects.ini";
    RunCaptureWindow(job);  // warm-up
    t = Clock::now();
    int grabs = 0;
    for (int i = 0; i < 10; ++i) grabs = RunCaptureWindow(job);
    std::printf("transition: %.1f ms for %d frames\n", Since(t) * 100, grabs);
  }

  // 2. The AVI.
  for (int i = 1; i <= 101; ++i) {
    QImage img(352, 288, QImage::Format_RGB888);
    img.fill(QColor(i, 255 - i, 2 * i % 256));
    SaveBmp24(img, d + QString("inp%1.bmp").arg(i, 4, 10, QChar('0')));
  }
  {
    QFile f(d + "Input.wav");
    if (!f.open(QIODevice::WriteOnly) || f.write(Wave(504.0)) < 0) return 1;
  }
  TAviWriter writer;
  writer.SetTempFileName(d + "AWTemp.avi");
  QList<TBitmap*> frames;
  t = Clock::now();
  for (int i = 1; i <= 101; ++i) {
    auto* b = new TBitmap;
    b->LoadFromFile(d + QString("inp%1.bmp").arg(i, 4, 10, QChar('0')));
    frames << b;
    writer.Bitmaps << b;
  }
  writer.FileName = d + "ours.avi";
  writer.Width = 352;
  writer.Height = 288;
  writer.FrameTime = 5000;
  writer.Stretch = false;
  writer.SetWavFileName(d + "Input.wav");
  writer.Write();
  const double ours2 = Since(t);
  qDeleteAll(frames);
  t = Clock::now();
  if (!Run("ffmpeg", {"-v", "error", "-y", "-framerate", "1/5", "-i", d + "inp%04d.bmp", "-i", d + "Input.wav", "-c:v",
                      "rawvideo", "-c:a", "copy", d + "ffmpeg.avi"}))
    return 1;
  const double ff2 = Since(t);
  t = Clock::now();
  QFile::copy(d + "ours.avi", d + "copy.avi");
  const double cp = Since(t);
  std::printf("avi:     ours %.3f s  ffmpeg %.3f s  ratio %.2f  (copying the result: %.3f s, %.0f %% of our speed)\n",
              ours2, ff2, ff2 / ours2, cp, 100.0 * cp / ours2);
  return 0;
}

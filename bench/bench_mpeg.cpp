// The MPEG encoding step against ffmpeg making the same PAL VCD from the same frames, repeat
// list and sound track (concat list with durations, -target pal-vcd). Prints both times and
// the ratio.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "MpegEncoder.h"
#include "PcmWave.h"

namespace {

void writeWave(const QString& path, int seconds) {
  const qint64 frames = qint64(seconds) * 44100;
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly)) return;
  f.write(testsupport::PcmWaveHeader(44100, 2, 16, quint32(frames * 4)));
  QByteArray block(44100 * 4, '\0');
  auto* s = reinterpret_cast<int16_t*>(block.data());
  for (int i = 0; i < 44100 * 2; ++i) s[i] = int16_t((i / 2) % 200 * 50 - 5000);
  for (int i = 0; i < seconds; ++i) f.write(block);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int pictures = argc > 1 ? atoi(argv[1]) : 20;
  const int seconds = 5, grabs = 18;
  QTemporaryDir tmp;
  const QString work = tmp.path() + "/work/";
  QDir().mkpath(work);
  QStringList nno, concat;
  int k = 0;
  for (int p = 0; p < pictures; ++p) {
    QImage img(352, 288, QImage::Format_RGB32);
    img.fill(QColor::fromHsv((p * 37) % 360, 180, 200));
    QPainter(&img).drawText(20, 140, QString("Bild %1").arg(p + 1));
    const QString key = QString("Test_%1.jpg").arg(k++, 4, 10, QChar('0'));
    img.save(work + key, "JPG", 90);
    nno << key + "*" + QString::number(seconds * 25);
    concat << "file '" + work + key + "'" << QString("duration %1").arg(seconds);
    for (int g = 0; g < grabs && p + 1 < pictures; ++g) {
      QImage t = img;
      t.fill(QColor::fromHsv((p * 37 + g) % 360, 180, 200));
      const QString name = QString("Test_%1.jpg").arg(k++, 4, 10, QChar('0'));
      t.save(work + name, "JPG", 90);
      concat << "file '" + work + name + "'" << "duration 0.04";
    }
  }
  QFile f(work + "Test_quantity.nno");
  if (f.open(QIODevice::WriteOnly)) f.write(nno.join("\r\n").toUtf8());
  f.close();
  const int total = pictures * seconds + 2;
  writeWave(work + "Input.wav", total);
  QFile c(tmp.path() + "/list.txt");
  if (c.open(QIODevice::WriteOnly)) c.write((concat.join("\n") + "\n").toUtf8());
  c.close();

  QElapsedTimer t;
  t.start();
  const QByteArray folder = work.toUtf8(), out = (tmp.path() + "/ours_VCD.mpg").toUtf8();
  const char* fp = folder.constData();
  const char* op = out.constData();
  OpenMPDX(&fp, &op);
  EncodeMPDX();
  const double ours = t.elapsed() / 1000.0;
  if (MPDXResult().Status != kalvora::mpeg::EncodeStatus::Done) {
    std::printf("encoder failed: %s\n", qPrintable(MPDXResult().ErrorText));
    return 1;
  }
  t.restart();
  QProcess ff;
  ff.start("ffmpeg", {"-v", "error", "-y", "-f", "concat", "-safe", "0", "-i", tmp.path() + "/list.txt", "-i",
                      work + "Input.wav", "-shortest", "-target", "pal-vcd", tmp.path() + "/ffmpeg.mpg"});
  ff.waitForFinished(-1);
  const double theirs = t.elapsed() / 1000.0;
  std::printf("encode step, %d pictures, %lld frames: ours %.2f s, ffmpeg %.2f s, ratio %.2f\n", pictures,
              static_cast<long long>(MPDXResult().VideoFrames), ours, theirs, theirs > 0 ? ours / theirs : 0.0);
  return 0;
}

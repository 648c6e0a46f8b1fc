// Reading a folder of 12-megapixel JPEGs into the source list (conversion check, cached
// thumbnails, list) against vipsthumbnail making 70-pixel-high thumbnails of the same folder,
// and opening a slideshow of 1000 pictures with and without its thumbnails present.
// KALVORA_BENCH_PICTURES sets the number of large pictures (default 200).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "DecodeAhead.h"
#include "FileOps.h"
#include "Language.h"
#include "PxBitmap.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "StringList.h"
#include "fMain.h"

namespace {
QTemporaryDir* work = nullptr;
TMainForm* form = nullptr;
QString sourceFolder, archiveFolder;
double shellSeconds = 0, vipsSeconds = 0, openWithSeconds = 0, openWithoutSeconds = 0;
// The same with every picture read on the main thread alone (the reading before the workers).
double shellOneThreadSeconds = 0, openWithoutOneThreadSeconds = 0;

void writeJpeg(const QString& path, int w, int h, int seed) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    uchar* line = img.scanLine(y);
    for (int x = 0; x < w; ++x) {
      line[3 * x] = uchar(x * 7 + seed);
      line[3 * x + 1] = uchar(y * 5);
      line[3 * x + 2] = uchar((x ^ y) + seed * 3);
    }
  }
  px::Bitmap bmp;
  px::FromQImage(img, bmp);
  px::SaveBitmap(path.toStdString(), bmp, px::kFormatJpeg422, 24, 22);
}

void clearFolder(const QString& folder, const QString& mask) {
  for (const QString& n : kalvora::FindFiles(folder, mask)) QFile::remove(folder + n);
}

void BM_ReadFolder(benchmark::State& state) {
  const bool oneThread = state.range(0) != 0;
  DecodeAhead::SetWorkerCount(oneThread ? -1 : 0);
  for (auto _ : state) {
    state.PauseTiming();
    clearFolder(form->FAppDir + "thumbs/", "*.*");
    state.ResumeTiming();
    QElapsedTimer t;
    t.start();
    form->BilderEinlesen(sourceFolder);
    (oneThread ? shellOneThreadSeconds : shellSeconds) = t.nsecsElapsed() / 1e9;
  }
  DecodeAhead::SetWorkerCount(0);
  state.counters["pictures"] = form->FileListBox->Count();
}

void BM_Vipsthumbnail(benchmark::State& state) {
  const QString out = work->path() + "/vips/";
  QDir().mkpath(out);
  QStringList args{"-s", "x70", "-o", out + "%s.jpg"};
  for (const QString& n : kalvora::FindFiles(sourceFolder, "*.jpg")) args << sourceFolder + n;
  for (auto _ : state) {
    state.PauseTiming();
    clearFolder(out, "*.*");
    state.ResumeTiming();
    QElapsedTimer t;
    t.start();
    QProcess::execute("vipsthumbnail", args);
    vipsSeconds = t.nsecsElapsed() / 1e9;
  }
}

void BM_OpenSlideshow(benchmark::State& state) {
  const bool withThumbs = state.range(0) != 0;
  const bool oneThread = state.range(1) != 0;
  DecodeAhead::SetWorkerCount(oneThread ? -1 : 0);
  form->OpenArchive("Archive_0100");  // thumbnails made once
  for (auto _ : state) {
    if (!withThumbs) {
      state.PauseTiming();
      clearFolder(archiveFolder, "_THUMB*");
      state.ResumeTiming();
    }
    QElapsedTimer t;
    t.start();
    form->OpenArchive("Archive_0100");
    (withThumbs ? openWithSeconds : oneThread ? openWithoutOneThreadSeconds : openWithoutSeconds) =
        t.nsecsElapsed() / 1e9;
  }
  DecodeAhead::SetWorkerCount(0);
  state.counters["pictures"] = form->DiashowListBox->Count();
}

BENCHMARK(BM_ReadFolder)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadFolder)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Vipsthumbnail)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenSlideshow)->Args({1, 0})->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenSlideshow)->Args({0, 1})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenSlideshow)->Args({0, 0})->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  work = &dir;
  const QString appDir = dir.path() + "/app/";
  QDir().mkpath(appDir);
  for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
    QFile::copy(QString(KALVORA_BIN_DIR) + "/" + f, appDir + f);
  qputenv("KALVORA_APPDIR", appDir.toUtf8());
  qputenv("HOME", (dir.path() + "/home").toUtf8());
  QDir().mkpath(dir.path() + "/home");

  bool ok = false;
  int count = qEnvironmentVariableIntValue("KALVORA_BENCH_PICTURES", &ok);
  if (!ok || count <= 0) count = 200;
  sourceFolder = dir.path() + "/fotos/";
  QDir().mkpath(sourceFolder);
  std::fprintf(stderr, "Writing %d pictures of 4000x3000...\n", count);
  for (int i = 0; i < count; ++i) writeJpeg(sourceFolder + QString("foto%1.jpg").arg(i, 4, 10, QChar('0')), 4000, 3000, i);

  LoadLanguage();
  TMainForm main;
  form = &main;
  // A slideshow of 1000 pictures.
  archiveFolder = main.FArchiveRoot + "Archive_0100/";
  QDir().mkpath(archiveFolder);
  kalvora::StringList lines;
  for (int i = 0; i < 1000; ++i) {
    const QString name = QString("bild%1.jpg").arg(i, 4, 10, QChar('0'));
    if (i < 8) writeJpeg(archiveFolder + name, 1024, 768, i);
    else QFile::copy(archiveFolder + QString("bild%1.jpg").arg(i % 8, 4, 10, QChar('0')), archiveFolder + name);
    lines.add(name + " | Bild " + QString::number(i));
  }
  lines.saveToFile(archiveFolder + "Pictures.ini");
  kalvora::StringList ini;
  ini.add("[DIASHOW]");
  ini.add("Titel=Tausend");
  ini.add("Time=5");
  ini.saveToFile(archiveFolder + "Diashow.ini");

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("Reading %d pictures into the source list: %.2f s, vipsthumbnail: %.2f s, ratio %.2f\n", count,
              shellSeconds, vipsSeconds, vipsSeconds > 0 ? shellSeconds / vipsSeconds : 0.0);
  std::printf("Opening a slideshow of 1000 pictures: %.2f s with thumbnails, %.2f s without, ratio %.2f\n",
              openWithSeconds, openWithoutSeconds, openWithSeconds > 0 ? openWithoutSeconds / openWithSeconds : 0.0);
  std::printf("Workers against one thread: reading the folder %.2f s against %.2f s, speed-up %.2f; vipsthumbnail "
              "against the workers %.2f\n",
              shellSeconds, shellOneThreadSeconds, shellSeconds > 0 ? shellOneThreadSeconds / shellSeconds : 0.0,
              shellSeconds > 0 ? vipsSeconds / shellSeconds : 0.0);
  std::printf("Opening 1000 pictures without thumbnails: %.2f s with workers against %.2f s on one thread, speed-up "
              "%.2f\n",
              openWithoutSeconds, openWithoutOneThreadSeconds,
              openWithoutSeconds > 0 ? openWithoutOneThreadSeconds / openWithoutSeconds : 0.0);
  return 0;
}

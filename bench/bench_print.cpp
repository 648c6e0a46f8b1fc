// The thumbnail sheet of a slideshow of 12-megapixel JPEGs printed to PDF, against ImageMagick's
// montage making the same four-column sheet of 120-pixel pictures with their names (told to
// decode the JPEGs small with -define jpeg:size=, as Debian's resource policy needs; it writes a
// PNG, as that policy forbids PDF).
// KALVORA_BENCH_PICTURES sets the number of pictures (default 200).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "Language.h"
#include "Report.h"
#include "StringList.h"
#include "Windows.h"
#include "fMain.h"
#include "fQRThumbnail.h"

namespace {
QString archiveFolder, outFolder;
QStringList names;
double sheetSeconds = 0, montageSeconds = 0;

void writeJpeg(const QString& path, int w, int h, int seed) {
  QImage img(w, h, QImage::Format_RGB888);
  for (int y = 0; y < h; ++y) {
    uchar* line = img.scanLine(y);
    for (int x = 0; x < w; ++x) {
      line[3 * x] = uchar(x / 16 + seed);
      line[3 * x + 1] = uchar(y / 12);
      line[3 * x + 2] = uchar(((x ^ y) >> 4) + seed * 3);
    }
  }
  img.save(path, "JPG", 90);
}

void BM_ThumbnailSheet(benchmark::State& state) {
  int n = 0;
  kalvora::report::SetPdfPrintHook([&](const QString&) { return outFolder + QString("sheet%1.pdf").arg(++n); });
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    QRThumbnailForm->Print();
    QRThumbnailForm->FinishPrint();
    sheetSeconds = t.nsecsElapsed() / 1e9;
  }
  kalvora::report::SetPdfPrintHook(nullptr);
  state.counters["pictures"] = names.size();
}

void BM_Montage(benchmark::State& state) {
  QStringList args{"-define", "jpeg:size=240x240", "-label", "%f", "-pointsize", "8", "-geometry", "120x120+28+20",
                   "-tile", "4x", "-title", "Zweihundert"};
  for (const QString& n : names) args << archiveFolder + n;
  args << outFolder + "montage.png";  // Debian's policy forbids writing PDF
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    QProcess::execute("montage", args);
    montageSeconds = t.nsecsElapsed() / 1e9;
  }
}

BENCHMARK(BM_ThumbnailSheet)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Montage)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QTemporaryDir dir;
  const QString appDir = dir.path() + "/app/";
  QDir().mkpath(appDir);
  for (const char* f : {"Generator.ini", "Language.ini", "Effects.ini"})
    QFile::copy(QString(KALVORA_BIN_DIR) + "/" + f, appDir + f);
  // No tips or notices at start.
  for (const char* f : {"NoTip.ini", "NoWer.ini", "NoZuschneidenTip2.ini"}) QFile(appDir + f).open(QIODevice::WriteOnly);
  qputenv("KALVORA_APPDIR", appDir.toUtf8());
  qputenv("HOME", (dir.path() + "/home").toUtf8());
  QDir().mkpath(dir.path() + "/home");
  outFolder = dir.path() + "/out/";
  QDir().mkpath(outFolder);

  bool ok = false;
  int count = qEnvironmentVariableIntValue("KALVORA_BENCH_PICTURES", &ok);
  if (!ok || count <= 0) count = 200;

  LoadLanguage();
  CreateWindows();
  archiveFolder = MainForm->FArchiveRoot + "Archive_0200/";
  QDir().mkpath(archiveFolder);
  std::fprintf(stderr, "Writing %d pictures of 4000x3000...\n", count);
  kalvora::StringList lines;
  for (int i = 0; i < count; ++i) {
    const QString name = QString("foto%1.jpg").arg(i, 4, 10, QChar('0'));
    if (i < 8) writeJpeg(archiveFolder + name, 4000, 3000, i * 31);
    else QFile::copy(archiveFolder + names[i % 8], archiveFolder + name);
    names << name;
    lines.add(name + " | Foto " + QString::number(i));
  }
  lines.saveToFile(archiveFolder + "Pictures.ini");
  kalvora::StringList ini;
  ini.add("[DIASHOW]");
  ini.add("Titel=Zweihundert");
  ini.add("Time=5");
  ini.saveToFile(archiveFolder + "Diashow.ini");
  std::fprintf(stderr, "Opening the slideshow...\n");
  MainForm->OpenArchive("Archive_0200");
  MainForm->FPrintAllPictures = true;

  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("Thumbnail sheet of %d pictures of 12 megapixels to PDF: %.2f s, montage: %.2f s, ratio %.2f\n",
              int(names.size()), sheetSeconds, montageSeconds, montageSeconds > 0 ? sheetSeconds / montageSeconds : 0.0);
  DestroyWindows();
  return 0;
}

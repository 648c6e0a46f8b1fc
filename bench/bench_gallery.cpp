// Generating the HTML gallery of generated 12-megapixel pictures (two JPEGs per picture with
// the frame, and the pages) against vipsthumbnail making the same two sizes of every picture,
// in one run. Prints the ratio vipsthumbnail time / our time (above 1: we are faster).
// KALVORA_BENCH_PICTURES sets the number of pictures (200 by default).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <random>

#include "GalleryBuilder.h"
#include "PicImageVCL.h"
#include "PxFile.h"

namespace {
constexpr int kWidth = 4000, kHeight = 3000;

bool makePicture(const QString& path, int i) {
  std::mt19937 rng(unsigned(i) + 1);
  px::Bitmap b;
  px::CreateBitmap(b, kWidth, kHeight, 24);
  for (int y = 0; y < kHeight; ++y) {
    uint8_t* p = b.scanLine(y);
    for (int x = 0; x < kWidth; ++x, p += 3) {
      const int g = int(rng() & 15);
      p[0] = uint8_t((x * 255 / kWidth + g + i * 40) & 255);
      p[1] = uint8_t((y * 255 / kHeight + g) & 255);
      p[2] = uint8_t(128 + 100 * std::sin((x + i * 300) / 150.0) * std::cos(y / 170.0));
    }
  }
  return px::SaveBitmap(path.toStdString(), b, px::kFormatJpeg422, 24, 2) == px::kOk;
}
}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int count = qEnvironmentVariableIsSet("KALVORA_BENCH_PICTURES") ? qEnvironmentVariableIntValue("KALVORA_BENCH_PICTURES") : 200;
  QTemporaryDir dir;
  const QString src = dir.filePath("src"), ours = dir.filePath("gallery"), vips = dir.filePath("vips");
  QDir().mkpath(src);
  QDir().mkpath(vips);
  gallery::RunInput in;
  in.galleryFolder = ours;
  in.language = "GERMAN";
  in.identity = gallery::DefaultIdentity();
  in.title = "Benchmark";
  std::printf("making %d pictures of %dx%d...\n", count, kWidth, kHeight);
  for (int i = 0; i < count; ++i) {
    const QString name = QStringLiteral("bild%1.jpg").arg(i, 4, 10, QLatin1Char('0'));
    if (!makePicture(src + "/" + name, i)) return 1;
    in.pictures.push_back({src + "/" + name, name, QStringLiteral("Bild %1").arg(i)});
  }

  TPicImage pic;
  gallery::SetUpFramePicture(&pic);
  pic.SetAutoRepaint(false);
  gallery::GalleryBuilder builder(&pic);
  QElapsedTimer t;
  t.start();
  const gallery::RunResult r = builder.Run(in);
  const double oursMs = double(t.elapsed());
  if (r.status != gallery::RunStatus::Ok || !r.failedPictures.isEmpty()) {
    std::fprintf(stderr, "gallery run failed\n");
    return 1;
  }

  // vipsthumbnail: one run over all pictures per size (the shorter side 80 and 250).
  QStringList files;
  for (const auto& p : in.pictures) files << p.path;
  t.restart();
  for (const char* size : {"333x250", "107x80"}) {
    QProcess p;
    p.start("vipsthumbnail", QStringList{"-s", size, "-o", vips + "/%s_" + size + ".jpg[Q=90]"} + files);
    if (!p.waitForFinished(-1) || p.exitCode() != 0) {
      std::fprintf(stderr, "vipsthumbnail failed: %s\n", p.readAllStandardError().constData());
      return 1;
    }
  }
  const double vipsMs = double(t.elapsed());
  std::printf("gallery (ours):  %8.0f ms for %d pictures (%.1f ms each)\n", oursMs, count, oursMs / count);
  std::printf("vipsthumbnail:   %8.0f ms for the same two sizes\n", vipsMs);
  std::printf("ratio vipsthumbnail / ours: %.2f\n", vipsMs / oursMs);
  return 0;
}

// The resampling kernels scaling a 12-megapixel picture (4000 x 3000 to 2000 x 1500 and to
// 6000 x 4500), each against ImageMagick's `convert -filter <name> -resize` in the same run.
// Counters: ours_ms (best of three), im_ms (ImageMagick's best of three for the same resize, minus
// its time for reading the input alone), ratio (ImageMagick's time / ours; above 1: we are faster).
// "threads:1" runs give ImageMagick one thread too (-limit thread 1); the others let both use
// every core.
#include <benchmark/benchmark.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <thread>

#include "FxResample.h"

using namespace kalvora;

namespace {

constexpr int kW = 4000, kH = 3000;

// ImageMagick names for our kernels.
const std::map<std::string, std::string>& imNames() {
  static const std::map<std::string, std::string> m = {
      {"Box", "Box"},     {"Triangle", "Triangle"}, {"Hermite", "Hermite"}, {"Bell", "Quadratic"},
      {"B-Spline", "Spline"}, {"Lanczos3", "Lanczos"}, {"Mitchell", "Mitchell"}};
  return m;
}

const Bitmap24& picture() {
  static Bitmap24 b = [] {
    Bitmap24 p(kW, kH);
    std::uint32_t s = 12345;
    for (int y = 0; y < kH; ++y) {
      std::uint8_t* row = p.scanLine(y);
      for (int x = 0; x < kW; ++x) {
        s = s * 1664525u + 1013904223u;
        const int noise = int(s >> 28);
        row[3 * x] = std::uint8_t((x * 255 / kW + noise) & 255);
        row[3 * x + 1] = std::uint8_t((y * 255 / kH + noise) & 255);
        row[3 * x + 2] = std::uint8_t(((x ^ y) & 64 ? 220 : 30) + noise);
      }
    }
    return p;
  }();
  return b;
}

QString convertTool() {
  QString c = QStandardPaths::findExecutable("convert-im6.q16");
  return c.isEmpty() ? QStandardPaths::findExecutable("convert") : c;
}

// The picture as an ImageMagick cache file (read back almost for free).
QString imInput() {
  static QTemporaryDir dir;
  static QString mpc;
  if (!mpc.isEmpty()) return mpc;
  const QString ppm = dir.filePath("in.ppm");
  QFile f(ppm);
  if (!f.open(QIODevice::WriteOnly)) return {};
  f.write(QByteArray("P6\n") + QByteArray::number(kW) + " " + QByteArray::number(kH) + "\n255\n");
  QByteArray row(kW * 3, 0);
  for (int y = 0; y < kH; ++y) {
    const std::uint8_t* s = picture().scanLine(y);
    for (int x = 0; x < kW; ++x) row[3 * x] = char(s[3 * x + 2]), row[3 * x + 1] = char(s[3 * x + 1]), row[3 * x + 2] = char(s[3 * x]);
    f.write(row);
  }
  f.close();
  mpc = dir.filePath("in.mpc");
  QProcess::execute(convertTool(), {ppm, mpc});
  return mpc;
}

// Best of three runs, in milliseconds; -1 when ImageMagick is missing or fails.
double timeIm(const QStringList& args) {
  const QString tool = convertTool();
  if (tool.isEmpty()) return -1;
  double best = 1e30;
  for (int i = 0; i < 3; ++i) {
    QElapsedTimer t;
    t.start();
    if (QProcess::execute(tool, args) != 0) return -1;
    best = std::min(best, double(t.nsecsElapsed()) / 1e6);
  }
  return best;
}

// One thread for ImageMagick too when we run on one, else its default (all cores).
double imResizeMs(const std::string& filter, int w, int h, int threads) {
  const QString in = imInput();
  if (in.isEmpty()) return -1;
  QStringList limit;
  if (threads == 1) limit = {"-limit", "thread", "1"};
  const double base = timeIm(limit + QStringList{in, "null:"});
  const double all = timeIm(limit + QStringList{in, "-filter", QString::fromStdString(filter), "-resize",
                                                QString("%1x%2!").arg(w).arg(h), "null:"});
  if (all < 0 || base < 0) return -1;
  return std::max(all - base, 0.001);
}

void BM_Resample(benchmark::State& state, const FxResampleKernel* kernel, int w, int h, int threads) {
  const Bitmap24& src = picture();
  double ourMs = 1e30;
  for (auto _ : state) {
    QElapsedTimer t;
    t.start();
    Bitmap24 out = Resample(src, w, h, *kernel, threads);
    ourMs = std::min(ourMs, double(t.nsecsElapsed()) / 1e6);
    benchmark::DoNotOptimize(out.bits());
  }
  const double im = imResizeMs(imNames().at(kernel->name), w, h, threads);
  state.counters["ours_ms"] = ourMs;
  state.counters["im_ms"] = im;
  state.counters["ratio"] = im > 0 ? im / ourMs : 0;
}

int registerAll() {
  const int cores = int(std::max(1u, std::thread::hardware_concurrency()));
  for (const auto& k : ResampleKernels()) {
    for (auto [w, h] : {std::pair{2000, 1500}, std::pair{6000, 4500}}) {
      for (int threads : {1, cores}) {
        const std::string name = std::string("Resample/") + k.name + "/" + std::to_string(w) + "x" +
                                 std::to_string(h) + "/threads:" + std::to_string(threads);
        benchmark::RegisterBenchmark(name.c_str(), BM_Resample, &k, w, h, threads)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->UseRealTime();
      }
    }
  }
  return 0;
}
const int registered = registerAll();

}  // namespace

BENCHMARK_MAIN();

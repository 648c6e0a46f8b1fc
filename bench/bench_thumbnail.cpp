// Making a thumbnail of a 12-megapixel JPEG: load, resize to 70 pixels high, save as JPEG 4:2:2
// with quality factor 2 (libjpeg quality 95). Ours (px with reduced-size decoding, and the same
// through TPicImage) against vipsthumbnail and ImageMagick's convert -thumbnail on the same
// generated pictures, all single-threaded, in one run. Prints the ratios at the end
// (tool time / our time: above 1 means we are faster).
//
// The tools are separate programs, so their times include starting the program; the line
// "vips batch" runs vipsthumbnail once over all pictures to show its time without most of that.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "PicImageVCL.h"
#include "PxFile.h"

namespace {

constexpr int kWidth = 4000, kHeight = 3000, kPictures = 4, kThumbHeight = 70;

QTemporaryDir& Folder() {
  static QTemporaryDir dir;
  return dir;
}

std::string In(int i) { return (Folder().path() + QStringLiteral("/pic%1.jpg").arg(i)).toStdString(); }
std::string Out(const char* who, int i) {
  return (Folder().path() + QStringLiteral("/thumb_%1_%2.jpg").arg(who).arg(i)).toStdString();
}

// Photograph-like pictures: gradients, shapes and grain.
void MakePictures() {
  std::mt19937 rng(7);
  for (int i = 0; i < kPictures; ++i) {
    px::Bitmap b;
    px::CreateBitmap(b, kWidth, kHeight, 24);
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = b.scanLine(y);
      for (int x = 0; x < kWidth; ++x, p += 3) {
        int g = int(rng() & 15);
        p[0] = uint8_t((x * 255 / kWidth + g + i * 40) & 255);
        p[1] = uint8_t((y * 255 / kHeight + g) & 255);
        p[2] = uint8_t(128 + 100 * std::sin((x + i * 300) / 150.0) * std::cos(y / 170.0));
      }
    }
    if (px::SaveBitmap(In(i), b, px::kFormatJpeg422, 24, 2) != px::kOk) {
      std::fprintf(stderr, "cannot write %s\n", In(i).c_str());
      std::exit(1);
    }
  }
}

int OursPx(int i) {
  px::LoadOptions o;
  o.sizeHintHeight = kThumbHeight;  // reduced-size decoding
  px::BitmapList list;
  int st = px::LoadFileToList(In(i), o, 0, list, 1);
  if (st != px::kOk) return st;
  const px::Bitmap& b = list.items[0];
  int w = std::max(1, int(std::lround(double(b.width) * kThumbHeight / b.height)));
  px::Bitmap t;
  st = px::ResizeBitmap(b, t, w, kThumbHeight, 2);
  if (st != px::kOk) return st;
  return px::SaveBitmap(Out("px", i), t, px::kFormatJpeg422, 24, 2);
}

int OursComponent(TPicImage& img, int i) {
  img.SetLoadSizeHint(0, kThumbHeight);
  img.Load(QString::fromStdString(In(i)), 0, 1, -1);
  px::Bitmap t;
  int w = std::max(1, int(std::lround(double(img.BitmapWidth()) * kThumbHeight / img.BitmapHeight())));
  int st = px::ResizeBitmap(img.Bitmap(), t, w, kThumbHeight, 2);
  if (st != px::kOk) return st;
  img.SetBitmap(&t);
  return img.Save(QString::fromStdString(Out("pic", i)), 23, 24, 2, 0);
}

int Run(const std::string& cmd) { return std::system((cmd + " >/dev/null 2>&1").c_str()); }

void BM_OursPx(benchmark::State& state) {
  int i = 0;
  for (auto _ : state)
    if (OursPx(i++ % kPictures) != px::kOk) state.SkipWithError("px thumbnail failed");
}

void BM_OursComponent(benchmark::State& state) {
  TPicImage img;
  int i = 0;
  for (auto _ : state)
    if (OursComponent(img, i++ % kPictures) != 1) state.SkipWithError("component thumbnail failed");
}

void BM_Vips(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int n = i++ % kPictures;
    if (Run("vipsthumbnail '" + In(n) + "' --size x" + std::to_string(kThumbHeight) + " -o '" + Out("vips", n) +
            "[Q=95]'") != 0)
      state.SkipWithError("vipsthumbnail failed");
  }
}

void BM_VipsBatch(benchmark::State& state) {
  std::string files;
  for (int n = 0; n < kPictures; ++n) files += " '" + In(n) + "'";
  for (auto _ : state)
    if (Run("vipsthumbnail" + files + " --size x" + std::to_string(kThumbHeight) + " -o 'vb_%s.jpg[Q=95]'") != 0)
      state.SkipWithError("vipsthumbnail failed");
  state.SetItemsProcessed(state.iterations() * kPictures);
}

void BM_Magick(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    int n = i++ % kPictures;
    if (Run("convert-im6.q16 '" + In(n) + "' -thumbnail x" + std::to_string(kThumbHeight) +
            " -sampling-factor 2x1 -quality 95 '" + Out("im", n) + "'") != 0)
      state.SkipWithError("convert failed");
  }
}

// Keeps the real time per picture of every benchmark for the ratios.
class Collect : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> perPicture;  // seconds
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred || r.iterations == 0) continue;
      double t = r.real_accumulated_time / double(r.iterations);
      std::string name = r.benchmark_name();
      if (name.find("VipsBatch") != std::string::npos) t /= kPictures;
      perPicture[name.substr(0, name.find('/'))] = t;
    }
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

BENCHMARK(BM_OursPx)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_OursComponent)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Vips)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_VipsBatch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_Magick)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Everyone on one thread, as our thumbnail maker runs on the main thread.
  setenv("VIPS_CONCURRENCY", "1", 1);
  setenv("OMP_NUM_THREADS", "1", 1);
  setenv("MAGICK_THREAD_LIMIT", "1", 1);
  QApplication app(argc, argv);
  if (!Folder().isValid()) return 1;
  QDir::setCurrent(Folder().path());
  MakePictures();
  benchmark::Initialize(&argc, argv);
  Collect reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  auto get = [&](const char* n) { return reporter.perPicture.count(n) ? reporter.perPicture[n] : 0.0; };
  double px = get("BM_OursPx"), comp = get("BM_OursComponent");
  std::printf("\nThumbnail of a %dx%d JPEG to %d pixels high, per picture:\n", kWidth, kHeight, kThumbHeight);
  std::printf("  ours (px)          %8.2f ms\n", px * 1e3);
  std::printf("  ours (TPicImage)   %8.2f ms\n", comp * 1e3);
  for (const char* n : {"BM_Vips", "BM_VipsBatch", "BM_Magick"}) {
    double t = get(n);
    if (t <= 0 || px <= 0) continue;
    std::printf("  %-18s %8.2f ms   ratio to ours (px) %.2f, to ours (TPicImage) %.2f\n", n + 3, t * 1e3, t / px,
                comp > 0 ? t / comp : 0.0);
  }
  benchmark::Shutdown();
  return 0;
}

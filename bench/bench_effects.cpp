// The effects engine's filters on a 12-megapixel 24-bit picture, against ImageMagick doing the
// nearest equivalent operation (one thread, like ours) and against one memcpy of the picture
// as the roof. Prints, per filter: our time, memcpy / ours as the multiple of the roof, and
// ImageMagick / ours.
//
// ImageMagick's time for an operation is its per-iteration time of "-bench" with the operation
// minus that of merely reading the same picture (OMP_NUM_THREADS=1, best of three runs each).
#include <benchmark/benchmark.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FxDrawImage.h"
#include "FxPaintFX.h"
#include "FxTables.h"

using namespace kalvora;

namespace {

constexpr int kWidth = 4000, kHeight = 3000;  // 12 megapixels

Bitmap24 makePicture() {
  Bitmap24 b(kWidth, kHeight);
  FxRandom r(1);
  for (int y = 0; y < kHeight; ++y) {
    std::uint8_t* p = b.scanLine(y);
    for (int x = 0; x < kWidth; ++x, p += 3) {
      // Gradients with some grain, like a photograph.
      p[0] = std::uint8_t((x * 255 / kWidth + r.random(16)) & 255);
      p[1] = std::uint8_t((y * 255 / kHeight + r.random(16)) & 255);
      p[2] = std::uint8_t(((x + y) * 255 / (kWidth + kHeight)) & 255);
    }
  }
  return b;
}

const Bitmap24& picture() {
  static const Bitmap24 b = makePicture();
  return b;
}

// The host's two copies of the picture for Plasma, made before timing starts.
Bitmap24& plasmaSource() {
  static Bitmap24 b = picture();
  return b;
}
Bitmap24& plasmaMap() {
  static Bitmap24 b = picture();
  return b;
}

struct Filter {
  std::string name;
  std::function<void(TFxPaintFX&, TFxDrawImage&, Bitmap24&)> run;
  std::string magick;  // ImageMagick arguments of the nearest equivalent; empty: none
  bool perPixelColour = false;
  // How often ImageMagick repeats the operation in one command: quick operations are repeated
  // so that their time stands out from the time of reading the picture.
  int magickRepeat = 1;
};

std::vector<Filter> filters() {
  return {
      {"Lightness", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Lightness(&b, 50); }, "+level 20%,100%", true},
      {"Saturation", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Saturation(&b, 350); }, "-modulate 100,137", true},
      {"Contrast", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Contrast(&b, 60); }, "-brightness-contrast 0x25", true, 8},
      {"AdjustColors", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.AdjustColors(&b, 30, 350, 40); },
       "+level 12%,100% -modulate 100,137 -brightness-contrast 0x16", true},
      {"AddColorNoise", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.AddColorNoise(&b, 60); }, "+noise Uniform", true},
      {"AddMonoNoise", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.AddMonoNoise(&b, 60); }, "+noise Uniform", true},
      {"FilterRed", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.FilterRed(&b, 1, 128); },
       "-channel R -threshold 50% -channel GB -evaluate set 0 +channel", true, 8},
      {"FilterXRed", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.FilterXRed(&b, 1, 128); },
       "-channel R -threshold 50% +channel", true, 8},
      {"Solarize", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Solarize(&b, &b, 128); }, "-solarize 50%", true, 8},
      {"Posterize", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Posterize(&b, &b, 64); }, "-posterize 4", true},
      {"SplitLight", [](TFxPaintFX&, TFxDrawImage& h, Bitmap24& b) { std::swap(h.WorkBitmap, b); h.SplitLight(3); std::swap(h.WorkBitmap, b); },
       "-function Sinusoid 0.25,0,1,0", true},
      {"SplitBlur", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.SplitBlur(&b, 3); }, "-blur 0x2"},
      {"GaussianBlur", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.GaussianBlur(&b, 3); }, "-blur 0x6"},
      {"MakeSeamless", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.MakeSeamless(&b, 5); }, ""},
      {"Mosaic", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Mosaic(&b, 15); }, "-scale 6.6667% -scale 1500%"},
      {"Twist", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Twist(&b, &b, 10); }, "-swirl 90"},
      {"FishEye", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.FishEye(&b, &b, 0.5f); },
       "-distort Barrel 0.2,0.0,0.0"},
      {"Emboss", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Emboss(&b); }, "-emboss 0x1"},
      {"Skew", [](TFxPaintFX&, TFxDrawImage& h, Bitmap24& b) { h.Skew(&b, 30); }, "-shear 17x0"},
      {"Plasma",
       [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.Plasma(&plasmaSource(), &plasmaMap(), 20, 10, &b); },
       "\\( +clone \\) -compose displace -set option:compose:args 10x10 -composite"},
      {"TexturizeTile", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.TexturizeTile(&b, 100); },
       "-sample 100x100 -write mpr:t +delete -size 4000x3000 tile:mpr:t"},
      {"TexturizeOverlap", [](TFxPaintFX& f, TFxDrawImage&, Bitmap24& b) { f.TexturizeOverlap(&b, 100); },
       "-sample 100x100 -write mpr:t +delete -size 4000x3000 tile:mpr:t"},
  };
}

// Real time per iteration in milliseconds, by benchmark name.
std::map<std::string, double>& results() {
  static std::map<std::string, double> r;
  return r;
}

class Collector : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) results()[run.benchmark_name()] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

// ImageMagick's single-thread seconds per iteration of a command line (the best of three runs
// of two iterations each, so a busy machine disturbs it less), -1 when it failed.
double magickSeconds(const std::string& input, const std::string& args) {
  const std::string cmd = "OMP_NUM_THREADS=1 convert-im6.q16 '" + input + "' -bench 2 " + args + " null: 2>&1";
  double best = -1;
  for (int run = 0; run < 3; ++run) {
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return -1;
    char line[512];
    double ips = -1;
    while (fgets(line, sizeof line, p)) {
      const char* perf = std::strstr(line, "Performance[1]:");
      if (!perf) continue;
      int iterations = 0;
      if (std::sscanf(perf, "Performance[1]: %di %lfips", &iterations, &ips) != 2) ips = -1;
    }
    if (pclose(p) != 0 || ips <= 0) return -1;
    if (best < 0 || 1.0 / ips < best) best = 1.0 / ips;
  }
  return best;
}

void writePpm(const Bitmap24& b, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fprintf(f, "P6\n%d %d\n255\n", b.width(), b.height());
  std::vector<std::uint8_t> row(std::size_t(b.width()) * 3);
  for (int y = 0; y < b.height(); ++y) {
    const std::uint8_t* p = b.scanLine(y);
    for (int x = 0; x < b.width(); ++x) {
      row[3 * x] = p[3 * x + 2];
      row[3 * x + 1] = p[3 * x + 1];
      row[3 * x + 2] = p[3 * x];
    }
    std::fwrite(row.data(), 1, row.size(), f);
  }
  std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  TFxPaintFX fx;
  TFxDrawImage host;
  plasmaSource();
  plasmaMap();

  benchmark::RegisterBenchmark("memcpy", [](benchmark::State& state) {
    const Bitmap24& src = picture();
    Bitmap24 dst(kWidth, kHeight);
    for (auto _ : state) {
      std::memcpy(dst.bits(), src.bits(), src.byteCount());
      benchmark::ClobberMemory();
    }
  })->Unit(benchmark::kMillisecond);

  const std::vector<Filter> list = filters();
  for (const Filter& f : list) {
    benchmark::RegisterBenchmark(f.name.c_str(), [&f, &fx, &host](benchmark::State& state) {
      Bitmap24 work = picture();
      for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(work.bits(), picture().bits(), work.byteCount());
        state.ResumeTiming();
        f.run(fx, host, work);
        benchmark::ClobberMemory();
      }
    })->Unit(benchmark::kMillisecond);
  }

  benchmark::Initialize(&argc, argv);
  Collector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  // ImageMagick in the same run.
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "kalvora_bench_effects";
  std::filesystem::create_directories(dir);
  const std::string input = (dir / "picture.ppm").string();
  writePpm(picture(), input);
  // KALVORA_BENCH_NO_MAGICK=1 leaves ImageMagick out (quick runs while tuning).
  const bool haveMagick = !std::getenv("KALVORA_BENCH_NO_MAGICK") &&
                          std::system("command -v convert-im6.q16 >/dev/null 2>&1") == 0;
  const double readOnly = haveMagick ? magickSeconds(input, "") : -1;

  const double roof = results().count("memcpy") ? results()["memcpy"] : 0;
  std::printf("\n12-megapixel 24-bit picture, one thread, vector lookups %s. memcpy roof: %.2f ms\n",
              fx::VectorTablesAvailable() ? "on" : "not available", roof);
  std::printf("%-18s %10s %12s %14s %12s\n", "filter", "ours ms", "x memcpy", "ImageMagick ms", "IM / ours");
  for (const Filter& f : list) {
    if (!results().count(f.name)) continue;
    const double ours = results()[f.name];
    std::printf("%-18s %10.2f %11.1fx", f.name.c_str(), ours, roof > 0 ? ours / roof : 0.0);
    if (f.magick.empty() || readOnly < 0) {
      std::printf(" %14s %12s\n", "-", "-");
      continue;
    }
    std::string args;
    for (int i = 0; i < f.magickRepeat; ++i) args += " " + f.magick;
    const double total = magickSeconds(input, args);
    if (total < 0) {
      std::printf(" %14s %12s\n", "failed", "-");
      continue;
    }
    const double im = (total - readOnly) * 1000 / f.magickRepeat;
    if (im <= ours) {
      std::printf(" %14s %12s\n", "below noise", "-");  // lost in the time of reading the picture
      continue;
    }
    std::printf(" %14.1f %11.1fx\n", im, im / ours);
  }
  std::filesystem::remove_all(dir);
  return 0;
}

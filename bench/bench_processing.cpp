// Processing of a 12-megapixel picture (4000 x 3000, 24 bits) by px against ImageMagick doing
// the same in the same run. ImageMagick's time is its command's time less the time of the same
// command without the operation (reading and writing the PPM file), so only the operation
// counts. At the end the ratios (ImageMagick / px; above 1 means px is faster) are printed.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "PxProcess.h"

namespace {

constexpr int kW = 4000, kH = 3000;
const char* kMagick = "convert-im6.q16";

px::Bitmap& Source() {
  static px::Bitmap b = [] {
    px::Bitmap s;
    px::CreateBitmap(s, kW, kH, 24);
    for (int y = 0; y < kH; ++y) {
      uint8_t* p = s.scanLine(y);
      for (int x = 0; x < kW; ++x, p += 3) {
        p[0] = uint8_t((x * 7 + y * 3) & 255);
        p[1] = uint8_t((x ^ y) & 255);
        p[2] = uint8_t((x * y / 97) & 255);
      }
    }
    return s;
  }();
  return b;
}

std::string PpmPath() {
  static std::string path = [] {
    std::string p = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/kalvora_bench_12mp.ppm";
    std::ofstream f(p, std::ios::binary);
    f << "P6\n" << kW << " " << kH << "\n255\n";
    const px::Bitmap& s = Source();
    std::string row(size_t(kW) * 3, '\0');
    for (int y = 0; y < kH; ++y) {
      const uint8_t* q = s.scanLine(y);
      for (int x = 0; x < kW; ++x) {
        row[size_t(x) * 3] = char(q[x * 3 + 2]);
        row[size_t(x) * 3 + 1] = char(q[x * 3 + 1]);
        row[size_t(x) * 3 + 2] = char(q[x * 3]);
      }
      f.write(row.data(), std::streamsize(row.size()));
    }
    return p;
  }();
  return path;
}

bool HaveMagick() {
  static bool have = std::system((std::string(kMagick) + " -version > /dev/null 2>&1").c_str()) == 0;
  return have;
}

void RunPx(benchmark::State& state, const std::function<int(px::Bitmap&)>& op) {
  const px::Bitmap& src = Source();
  for (auto _ : state) {
    state.PauseTiming();
    px::Bitmap b;
    px::CopyBitmap(src, b);
    state.ResumeTiming();
    if (op(b) != px::kOk) state.SkipWithError("px failed");
    benchmark::DoNotOptimize(b.pixels.get());
  }
}

void RunMagick(benchmark::State& state, const std::string& args) {
  if (!HaveMagick()) {
    state.SkipWithError("ImageMagick is not installed");
    for (auto _ : state) {
    }
    return;
  }
  const std::string in = PpmPath();
  const std::string out = in + ".out.ppm";
  const std::string full = std::string(kMagick) + " " + in + " " + args + " " + out;
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(full.c_str()) != 0) state.SkipWithError("ImageMagick failed");
    auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  std::remove(out.c_str());
}

bool HaveVips() {
  static bool have = std::system("vips --version > /dev/null 2>&1") == 0;
  return have;
}

void RunVips(benchmark::State& state, const std::string& op, const std::string& args, bool oneThread) {
  if (!HaveVips()) {
    state.SkipWithError("libvips-tools is not installed");
    for (auto _ : state) {
    }
    return;
  }
  const std::string in = PpmPath();
  const std::string out = in + ".vips.ppm";
  const std::string full = std::string(oneThread ? "VIPS_CONCURRENCY=1 " : "") + "vips " + op + " " + in + " " + out +
                           (args.empty() ? "" : " " + args);
  for (auto _ : state) {
    auto t0 = std::chrono::steady_clock::now();
    if (std::system(full.c_str()) != 0) state.SkipWithError("vips failed");
    auto t1 = std::chrono::steady_clock::now();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  std::remove(out.c_str());
}

// Each benchmark name ends in the operation; the reporter pairs px/<op> with magick/<op>.
void BM_px_resize(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::SizeBitmap(b, 1600, 1200, 2); }); }
void BM_px_resize_bicubic(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::SizeBitmap(b, 1600, 1200, 4); }); }
void BM_px_rotate90(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::RotateBitmap(b, 9000, 1, 0xFFFFFF); }); }
void BM_px_rotate15(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::RotateBitmap(b, 1500, 1, 0xFFFFFF); }); }
void BM_px_sharpen(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::SharpenBitmap(b, 850); }); }
void BM_px_gaussian(benchmark::State& s) { RunPx(s, [](px::Bitmap& b) { return px::GaussianFilterBitmap(b, 20); }); }
void BM_px_gaussian_1thread(benchmark::State& s) {
  const bool was = px::SetSerialRows(true);
  RunPx(s, [](px::Bitmap& b) { return px::GaussianFilterBitmap(b, 20); });
  px::SetSerialRows(was);
}

void BM_magick_copy(benchmark::State& s) { RunMagick(s, ""); }
// libvips: its read and write of the PPM file measured alone (vips copy) and taken off as for
// ImageMagick; on one thread (VIPS_CONCURRENCY=1) and on all.
void BM_vips_copy_1thread(benchmark::State& s) { RunVips(s, "copy", "", true); }
void BM_vips_gaussian_1thread(benchmark::State& s) { RunVips(s, "gaussblur", "2", true); }
void BM_vips_copy(benchmark::State& s) { RunVips(s, "copy", "", false); }
void BM_vips_gaussian(benchmark::State& s) { RunVips(s, "gaussblur", "2", false); }
void BM_magick_resize(benchmark::State& s) { RunMagick(s, "-resize 1600x1200!"); }
void BM_magick_resize_bicubic(benchmark::State& s) { RunMagick(s, "-filter Catrom -resize 1600x1200!"); }
void BM_magick_rotate90(benchmark::State& s) { RunMagick(s, "-rotate 90"); }
void BM_magick_rotate15(benchmark::State& s) { RunMagick(s, "-background white -rotate 15"); }
void BM_magick_sharpen(benchmark::State& s) { RunMagick(s, "-sharpen 0x1"); }
void BM_magick_gaussian(benchmark::State& s) { RunMagick(s, "-gaussian-blur 0x2"); }

BENCHMARK(BM_px_resize)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_resize_bicubic)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_rotate90)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_rotate15)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_sharpen)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_gaussian)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_px_gaussian_1thread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_magick_copy)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_resize)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_resize_bicubic)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_rotate90)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_rotate15)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_sharpen)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_magick_gaussian)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);
BENCHMARK(BM_vips_copy_1thread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_vips_gaussian_1thread)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_vips_copy)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);
BENCHMARK(BM_vips_gaussian)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(5);

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> ms;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs)
      if (!r.error_occurred) ms[r.benchmark_name().substr(0, r.benchmark_name().find('/'))] = r.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  Source();
  PpmPath();
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double copy = reporter.ms.count("BM_magick_copy") ? reporter.ms["BM_magick_copy"] : 0.0;
  std::printf("\nImageMagick operation time = command time - %.1f ms (read and write only)\n", copy);
  for (const char* op : {"resize", "resize_bicubic", "rotate90", "rotate15", "sharpen", "gaussian"}) {
    const std::string p = std::string("BM_px_") + op, m = std::string("BM_magick_") + op;
    if (!reporter.ms.count(p) || !reporter.ms.count(m)) continue;
    const double ours = reporter.ms[p], theirs = std::max(0.0, reporter.ms[m] - copy);
    std::printf("ratio %-15s ImageMagick %8.1f ms / px %8.1f ms = %6.2f%s\n", op, theirs, ours,
                ours > 0 ? theirs / ours : 0.0, theirs > ours ? "" : "   (px slower)");
  }
  // The Gaussian against libvips, which cuts its kernel where its amplitude falls below 0.2 / 255.
  for (const char* threads : {"_1thread", ""}) {
    const std::string p = std::string("BM_px_gaussian") + threads, v = std::string("BM_vips_gaussian") + threads,
                      c = std::string("BM_vips_copy") + threads;
    if (!reporter.ms.count(p) || !reporter.ms.count(v) || !reporter.ms.count(c)) continue;
    const double ours = reporter.ms[p], theirs = std::max(0.0, reporter.ms[v] - reporter.ms[c]);
    std::printf("ratio gaussian%-8s vips %8.1f ms (command %.1f - read and write %.1f) / px %8.1f ms = %6.2f%s\n",
                threads, theirs, reporter.ms[v], reporter.ms[c], ours, ours > 0 ? theirs / ours : 0.0,
                theirs > ours ? "" : "   (px slower)");
  }
  std::remove(PpmPath().c_str());
  benchmark::Shutdown();
  return 0;
}

// The raster library's hot paths on 12-megapixel pictures, each against an outside reference in
// the same run (all on one thread): BlendLine / MergeLine against pixman's OVER and
// QPainter::drawImage, fill and block transfer against memset / memcpy, stretching and kernel
// resampling against libvips (vips_reduce) and QImage::scaled, and the warp dialog's full nearest
// remap against OpenCV's cv::remap (INTER_NEAREST) and the memory-bandwidth floor measured here.
// Every side runs on one thread. Prints Mpx/s for both sides and ratio = ours / reference (above 1: we are faster).
#include <QImage>
#include <QPainter>
#include <QThreadPool>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <utility>
#include <string>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#include <pixman.h>
#include <vips/vips.h>

#include "Bitmap32.h"
#include "Kernels.h"
#include "RasterSystem.h"
#include "Resamplers.h"
#include "Transfer.h"
#include "Transforms.h"

using namespace kalvora::raster;

namespace {

constexpr int kW = 4000, kH = 3000;
constexpr double kMpx = kW * double(kH) / 1e6;

// Best of n runs, in seconds.
double Best(const std::function<void()>& run, int n = 3) {
  double best = 1e30;
  for (int i = 0; i < n; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    run();
    const auto t1 = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double>(t1 - t0).count());
  }
  return best;
}

// Ours and the reference run in turns (best of n each), so a load change on the machine hits both.
std::pair<double, double> BestPair(const std::function<void()>& ours, const std::function<void()>& ref, int n = 5) {
  double a = 1e30, b = 1e30;
  for (int i = 0; i < n; ++i) {
    a = std::min(a, Best(ours, 1));
    b = std::min(b, Best(ref, 1));
  }
  return {a, b};
}

void Report(const char* what, double mpx, double ours, const char* refName, double ref) {
  std::printf("%-34s ours %9.1f Mpx/s   %-22s %9.1f Mpx/s   ratio %5.2f\n", what, mpx / ours, refName, mpx / ref,
              ref / ours);
}

void FillPicture(TBitmap32& b, unsigned seed, bool mixedAlpha) {
  std::mt19937 rng(seed);
  for (int y = 0; y < b.Height(); ++y) {
    TColor32* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      TColor32 c = rng();
      if (!mixedAlpha) {
        c |= 0xFF000000u;
      } else {
        // a third transparent, a third opaque, a third translucent
        const std::uint32_t k = (x / 64 + y / 64) % 3;
        c = (c & 0x00FFFFFFu) | (k == 0 ? 0u : (k == 1 ? 0xFF000000u : (c & 0xFF000000u)));
      }
      row[x] = c;
    }
  }
}

void BenchBlend() {
  TBitmap32 src, dst;
  src.SetSize(kW, kH);
  dst.SetSize(kW, kH);
  FillPicture(src, 1, true);
  FillPicture(dst, 2, false);
  std::vector<TColor32> keep(dst.Bits(), dst.Bits() + std::size_t(kW) * kH);
  auto reset = [&] { std::memcpy(dst.Bits(), keep.data(), keep.size() * 4); };

  pixman_image_t* ps = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(src.Bits()), kW * 4);
  pixman_image_t* pd = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, reinterpret_cast<uint32_t*>(dst.Bits()), kW * 4);
  QImage qs(reinterpret_cast<uchar*>(src.Bits()), kW, kH, kW * 4, QImage::Format_ARGB32_Premultiplied);
  QImage qd(reinterpret_cast<uchar*>(dst.Bits()), kW, kH, kW * 4, QImage::Format_ARGB32_Premultiplied);

  auto blend = [&] {
    reset();
    for (int y = 0; y < kH; ++y) BlendLine(src.ScanLine(y), dst.ScanLine(y), kW);
  };
  auto merge = [&] {
    reset();
    for (int y = 0; y < kH; ++y) MergeLine(src.ScanLine(y), dst.ScanLine(y), kW);
  };
  auto pixman = [&] {
    reset();
    pixman_image_composite32(PIXMAN_OP_OVER, ps, nullptr, pd, 0, 0, 0, 0, 0, 0, kW, kH);
  };
  auto qt = [&] {
    reset();
    QPainter p(&qd);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(0, 0, qs);
  };
  const double tReset = Best([&] { reset(); }, 5);
  auto [b1, p1] = BestPair(blend, pixman);
  Report("BlendLine (12 Mpx, mixed alpha)", kMpx, b1 - tReset, "pixman OVER", p1 - tReset);
  auto [b2, q2] = BestPair(blend, qt);
  Report("BlendLine", kMpx, b2 - tReset, "QPainter drawImage", q2 - tReset);
  auto [m3, p3] = BestPair(merge, pixman);
  Report("MergeLine (opaque background)", kMpx, m3 - tReset, "pixman OVER", p3 - tReset);
  pixman_image_unref(ps);
  pixman_image_unref(pd);
}

double BenchFillCopy() {
  TBitmap32 a, b;
  a.SetSize(kW, kH);
  b.SetSize(kW, kH);
  FillPicture(a, 3, false);
  b.Clear(0);
  auto [tFill, tMemset] = BestPair([&] { FillLongword(b.Bits(), kW * kH, 0xFFFFFFFFu); },
                                   [&] { std::memset(b.Bits(), 0xFF, std::size_t(kW) * kH * 4); });
  Report("FillLongword", kMpx, tFill, "memset", tMemset);
  auto [tBlock, tMemcpy] = BestPair(
      [&] { BlockTransfer(&b, 0, 0, b.BoundsRect(), &a, a.BoundsRect(), TDrawMode::dmOpaque, {}); },
      [&] { std::memcpy(b.Bits(), a.Bits(), std::size_t(kW) * kH * 4); });
  Report("BlockTransfer (opaque)", kMpx, tBlock, "memcpy", tMemcpy);
  return tMemcpy;  // 8 bytes per pixel moved
}

void BenchResample() {
  TBitmap32 src;
  src.SetSize(kW, kH);
  FillPicture(src, 4, false);
  const int dw = kW / 2, dh = kH / 2;
  TBitmap32 dst;
  dst.SetSize(dw, dh);
  QImage qsrc(reinterpret_cast<const uchar*>(src.Bits()), kW, kH, kW * 4, QImage::Format_ARGB32);
  VipsImage* vin = vips_image_new_from_memory(src.Bits(), std::size_t(kW) * kH * 4, kW, kH, 4, VIPS_FORMAT_UCHAR);
  auto vipsReduce = [&](VipsKernel kernel) {
    return [&, kernel] {
      VipsImage* out = nullptr;
      if (vips_reduce(vin, &out, 2.0, 2.0, "kernel", kernel, nullptr) != 0) return;
      std::size_t size = 0;
      void* mem = vips_image_write_to_memory(out, &size);
      g_free(mem);
      g_object_unref(out);
    };
  };
  auto resample = [&](TCustomKernel* k) {
    return [&, k] { Resample(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), k, TDrawMode::dmOpaque, {}); };
  };
  TLinearKernel linear;
  TCubicKernel cubic;
  TLanczosKernel lanczos;
  auto [tNearest, tQtFast] = BestPair(
      [&] { StretchNearest(&dst, dst.BoundsRect(), dst.BoundsRect(), &src, src.BoundsRect(), TDrawMode::dmOpaque, {}); },
      [&] { (void)qsrc.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::FastTransformation); });
  Report("StretchNearest 1/2", kMpx, tNearest, "QImage::scaled fast", tQtFast);
  auto [tLinear, tLinearVips] = BestPair(resample(&linear), vipsReduce(VIPS_KERNEL_LINEAR), 3);
  Report("Resample linear 1/2", kMpx, tLinear, "vips_reduce linear", tLinearVips);
  auto [tLinear2, tQtSmooth] = BestPair(resample(&linear),
                                        [&] { (void)qsrc.scaled(dw, dh, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); }, 3);
  Report("Resample linear 1/2", kMpx, tLinear2, "QImage::scaled smooth", tQtSmooth);
  auto [tCubic, tCubicVips] = BestPair(resample(&cubic), vipsReduce(VIPS_KERNEL_CUBIC), 3);
  Report("Resample cubic 1/2", kMpx, tCubic, "vips_reduce cubic", tCubicVips);
  auto [tLanczos, tLanczosVips] = BestPair(resample(&lanczos), vipsReduce(VIPS_KERNEL_LANCZOS3), 3);
  Report("Resample Lanczos3 1/2", kMpx, tLanczos, "vips_reduce lanczos3", tLanczosVips);

  // magnification 1.5x of a quarter of the picture (same output size order)
  TBitmap32 part, big;
  part.SetSize(2000, 1500);
  FillPicture(part, 5, false);
  big.SetSize(3000, 2250);
  const double outMpx = 3000 * 2250 / 1e6;
  QImage qpart(reinterpret_cast<const uchar*>(part.Bits()), 2000, 1500, 2000 * 4, QImage::Format_ARGB32);
  auto [tLin, tQtUp] = BestPair(
      [&] {
        StretchHorzStretchVertLinear(&big, big.BoundsRect(), big.BoundsRect(), &part, part.BoundsRect(),
                                     TDrawMode::dmOpaque, {});
      },
      [&] { (void)qpart.scaled(3000, 2250, Qt::IgnoreAspectRatio, Qt::SmoothTransformation); });
  Report("bilinear stretch 1.5x (out Mpx)", outMpx, tLin, "QImage::scaled smooth", tQtUp);
  g_object_unref(vin);
}

void BenchRemap(double memcpyTime) {
  TBitmap32 src, dst;
  src.SetSize(kW, kH);
  FillPicture(src, 6, false);
  src.SetDrawMode(TDrawMode::dmBlend);  // as the warp dialog's source picture
  src.SetCombineMode(TCombineMode::cmMerge);
  dst.SetSize(kW, kH);
  dst.Clear(0xFF000000u);
  TRemapTransformation remap;
  remap.VectorMap()->SetSize(kW, kH);
  remap.SetSrcRect(FloatRect(src.BoundsRect()));
  remap.SetMappingRect(FloatRect(dst.BoundsRect()));
  // a smooth swirl of a few pixels
  cv::Mat mapX(kH, kW, CV_32FC1), mapY(kH, kW, CV_32FC1);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      const float amp = std::getenv("KALVORA_BENCH_AMP") ? std::strtof(std::getenv("KALVORA_BENCH_AMP"), nullptr) : 6.0f;
      const float dx = amp * std::sin(y * 0.01f), dy = amp * std::cos(x * 0.013f);
      remap.VectorMap()->SetFixedVector(x, y, {Fixed(dx), Fixed(dy)});
      mapX.at<float>(y, x) = x + dx;
      mapY.at<float>(y, x) = y + dy;
    }
  remap.PrepareTransform();
  cv::setNumThreads(1);
  cv::Mat csrc(kH, kW, CV_8UC4, src.Bits()), cdst(kH, kW, CV_8UC4);
  auto [tOurs, tCv] = BestPair([&] { Transform(&dst, &src, &remap); },
                               [&] { cv::remap(csrc, cdst, mapX, mapY, cv::INTER_NEAREST, cv::BORDER_CONSTANT); });
  Report("remap nearest (warp re-render)", kMpx, tOurs, "cv::remap nearest", tCv);
  if (std::getenv("KALVORA_BENCH_PARTS") != nullptr) {
    // the row sampling alone, without rasterizer and combine
    std::vector<TColor32> row(kW);
    const double tRows = Best([&] {
      for (int y = 0; y < kH; ++y) remap.ReverseTransformRowReadS(0, y, kW, src, row.data());
    });
    Report("  remap rows alone", kMpx, tRows, "cv::remap nearest", tCv);
  }
  // floor: map 8 bytes, source 4, destination read and written 8 per pixel; memcpy moves 8
  const double floor = memcpyTime * 20.0 / 8.0;
  std::printf("%-34s %.1f ms, bandwidth floor %.1f ms, ours / floor %.2f\n", "remap against memory bandwidth",
              tOurs * 1e3, floor * 1e3, tOurs / floor);
}

}  // namespace

int main(int argc, char** argv) {
  if (VIPS_INIT(argv[0])) return 1;
  vips_concurrency_set(1);
  // Qt scales and paints large pictures on its global pool: one thread for it too
  QThreadPool::globalInstance()->setMaxThreadCount(1);
  vips_cache_set_max(0);
  std::printf("routine level: %s\n", RoutineLevel() == TRoutineLevel::Sse2 ? "SSE2" : "MMX/plain");
  // an argument picks one part: blend, copy, resample or remap
  const std::string only = argc > 1 ? argv[1] : "";
  auto wanted = [&only](const char* part) { return only.empty() || only == part; };
  if (wanted("blend")) BenchBlend();
  const double tMemcpy = wanted("copy") || wanted("remap") ? BenchFillCopy() : 0;
  if (wanted("resample")) BenchResample();
  if (wanted("remap")) BenchRemap(tMemcpy);
  vips_shutdown();
  return 0;
}

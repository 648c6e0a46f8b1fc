#include "Transfer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Kernels.h"
#include "RasterSystem.h"
#include "Resamplers.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kalvora::raster {

bool FullEdge = true;

namespace {

// The combine step of a transfer for a computed colour C and a destination pixel D.
struct Combiner {
  TDrawMode op;
  const TPixelCombineEvent* callback;
  TColor32 masterAlpha;
  TColor32 outerColor;
  TBlendMemEx memEx;
  TBlendLine line;
  TBlendLineEx lineEx;

  Combiner(TDrawMode combineOp, const TBitmap32* src, const TPixelCombineEvent& cb)
      : op(combineOp), callback(&cb), masterAlpha(src->MasterAlpha()), outerColor(src->OuterColor()) {
    if (op == TDrawMode::dmCustom && !cb) op = TDrawMode::dmOpaque;
    const int cm = static_cast<int>(src->CombineMode());
    memEx = BLEND_MEM_EX[cm];
    line = BLEND_LINE[cm];
    lineEx = BLEND_LINE_EX[cm];
  }

  void Pixel(TColor32 c, TColor32& d) const {
    switch (op) {
      case TDrawMode::dmOpaque: d = c; break;
      case TDrawMode::dmBlend: memEx(c, d, masterAlpha); break;
      case TDrawMode::dmCustom: (*callback)(c, d, masterAlpha); break;
      case TDrawMode::dmTransparent:
        if (c != outerColor) d = c;
        break;
    }
  }

  // lineForm: whole rows through the blend-line routines (block and nearest transfers).
  void Row(const TColor32* s, TColor32* d, std::int32_t n, bool lineForm) const {
    if (n <= 0) return;
    if (op == TDrawMode::dmOpaque) {
      MoveLongword(s, d, n);
    } else if (op == TDrawMode::dmBlend && lineForm) {
      if (masterAlpha >= 255)
        line(s, d, n);
      else
        lineEx(s, d, n, masterAlpha);
    } else {
      for (std::int32_t i = 0; i < n; ++i) Pixel(s[i], d[i]);
    }
  }
};

TColor32 BlockAverage_Rounded(std::uint32_t width, std::uint32_t height, const TColor32* src,
                              std::uint32_t rowStride) {
  std::uint64_t b = 0, g = 0, r = 0, a = 0;
  for (std::uint32_t y = 0; y < height; ++y) {
    const TColor32* p = src + static_cast<std::size_t>(y) * rowStride;
    for (std::uint32_t x = 0; x < width; ++x) {
      const TColor32 c = p[x];
      b += c & 0xFF;
      g += (c >> 8) & 0xFF;
      r += (c >> 16) & 0xFF;
      a += c >> 24;
    }
  }
  const std::uint64_t n = static_cast<std::uint64_t>(width) * height;
  if (n == 0) return 0;
  const std::uint64_t h = n / 2;
  return static_cast<TColor32>(((a + h) / n) << 24 | ((r + h) / n) << 16 | ((g + h) / n) << 8 | ((b + h) / n));
}

TColor32 Interpolator_Plain(std::uint32_t wx, std::uint32_t wy, const TColor32* p1, const TColor32* p2) {
  std::uint32_t x = wx >> 16, y = wy >> 16;
  if (x > 255) x = 255;
  if (y > 255) y = 255;
  const TColor32 c1 = CombineReg(p1[0], p1[1], x);
  const TColor32 c2 = CombineReg(p2[0], p2[1], x);
  return CombineReg(c1, c2, y);
}

// A scaling transfer reads only inside its source rectangle, which must lie in the source.
bool SourceUsable(const TBitmap32* src, const TRect& srcRect) {
  if (IsRectEmpty(srcRect) || src->Empty()) return false;
  if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src->Width() || srcRect.Bottom > src->Height())
    throw ESrcInvalidException("Source rectangle is invalid");
  return true;
}

#if defined(__SSE2__)
// One row of Interpolator results in the MMX arithmetic. CombineReg with weight w equals
// (x * w' + y * (256 - w') + 128) >> 8 with w' = 256 for w = 255 (its early exit) and w' = w
// otherwise (w = 0 gives y exactly), so the three blends of a pixel are three multiply-adds.
void InterpolateRow_Sse2(const TColor32* upper, std::ptrdiff_t stride, const std::int32_t* pos,
                         const std::uint32_t* colWeight, std::uint32_t rowWeight, TColor32* out, std::int32_t n) {
  auto spread = [](std::uint32_t w) {
    w >>= 16;
    if (w >= 255) w = 256;
    return _mm_set1_epi32(static_cast<int>(w | ((256 - w) << 16)));
  };
  const __m128i zero = _mm_setzero_si128();
  const __m128i bias = _mm_set1_epi32(128);
  const __m128i wy = spread(rowWeight);
  for (std::int32_t i = 0; i < n; ++i) {
    const TColor32* p1 = upper + pos[i];
    const __m128i wx = spread(colWeight[i]);
    const __m128i a = _mm_cvtsi32_si128(static_cast<int>(p1[0]));
    const __m128i b = _mm_cvtsi32_si128(static_cast<int>(p1[1]));
    const __m128i c = _mm_cvtsi32_si128(static_cast<int>(p1[stride]));
    const __m128i d = _mm_cvtsi32_si128(static_cast<int>(p1[stride + 1]));
    // channels of the pair side by side in 16-bit lanes: [x0 y0 x1 y1 ...]
    const __m128i top = _mm_unpacklo_epi8(_mm_unpacklo_epi8(a, b), zero);
    const __m128i bottom = _mm_unpacklo_epi8(_mm_unpacklo_epi8(c, d), zero);
    const __m128i c1 = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(top, wx), bias), 8);
    const __m128i c2 = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(bottom, wx), bias), 8);
    // [c1 c2] per channel for the vertical blend
    const __m128i pair = _mm_or_si128(c1, _mm_slli_epi32(c2, 16));
    __m128i r = _mm_srli_epi32(_mm_add_epi32(_mm_madd_epi16(pair, wy), bias), 8);
    r = _mm_packs_epi32(r, r);
    r = _mm_packus_epi16(r, r);
    out[i] = static_cast<TColor32>(_mm_cvtsi128_si32(r));
  }
}
#endif

bool ClipToDestination(TBitmap32* dst, const TRect& dstRect, TRect& dstClip) {
  TRect r;
  IntersectRect(r, dstClip, dst->BoundsRect());
  IntersectRect(r, r, dstRect);
  dstClip = r;
  return !IsRectEmpty(r);
}

}  // namespace

TBlockAverage BlockAverage = BlockAverage_Rounded;
TInterpolatorProc Interpolator = Interpolator_Plain;

void CheckBitmaps(const TBitmap32* dst, const TBitmap32* src) {
  if (dst == nullptr) throw EBitmapException("Destination bitmap is nil");
  if (src == nullptr) throw EBitmapException("Source bitmap is nil");
}

bool CheckSrcRect(const TBitmap32* src, const TRect& srcRect) {
  if (IsRectEmpty(srcRect)) return false;
  if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src->Width() || srcRect.Bottom > src->Height())
    throw ESrcInvalidException("Source rectangle is invalid");
  return true;
}

void BlockTransfer(TBitmap32* dst, std::int32_t dstX, std::int32_t dstY, TRect dstClip, TBitmap32* src,
                   TRect srcRect, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  if (dst->Empty() || src->Empty()) return;
  if (combineOp == TDrawMode::dmBlend && src->MasterAlpha() == 0) return;
  // source inside its bitmap, destination inside the clip and its bitmap
  TRect s;
  if (!IntersectRect(s, srcRect, src->BoundsRect()) || IsRectEmpty(s)) return;
  dstX += s.Left - srcRect.Left;
  dstY += s.Top - srcRect.Top;
  TRect d{dstX, dstY, dstX + s.Width(), dstY + s.Height()};
  TRect clip;
  IntersectRect(clip, dstClip, dst->BoundsRect());
  if (!IntersectRect(d, d, clip) || IsRectEmpty(d)) return;
  const std::int32_t sx = s.Left + (d.Left - dstX), sy = s.Top + (d.Top - dstY);
  const Combiner comb(combineOp, src, callback);
  const std::int32_t w = d.Width();
  for (std::int32_t y = 0; y < d.Height(); ++y)
    comb.Row(src->PixelPtr(sx, sy + y), dst->PixelPtr(d.Left, d.Top + y), w, true);
  EMMS();
}

void StretchTransfer(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                     TCustomResampler* resampler, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  if (src->Empty() || dst->Empty()) return;
  if (combineOp == TDrawMode::dmBlend && src->MasterAlpha() == 0) return;
  if (!CheckSrcRect(src, srcRect)) return;
  if (!dst->MeasuringMode()) {
    if (!ClipToDestination(dst, dstRect, dstClip)) return;
    if (combineOp == TDrawMode::dmCustom && !callback) combineOp = TDrawMode::dmOpaque;
    if (dstRect.Width() == srcRect.Width() && dstRect.Height() == srcRect.Height()) {
      BlockTransfer(dst, dstRect.Left, dstRect.Top, dstClip, src, srcRect, combineOp, callback);
    } else {
      if (resampler == nullptr) resampler = src->Resampler();
      struct EmmsGuard {
        ~EmmsGuard() { EMMS(); }
      } guard;
      resampler->Transfer(dst, dstRect, dstClip, src, srcRect, combineOp, callback);
    }
  }
  dst->Changed(dstRect);
}

// ---------------------------------------------------------------- nearest
void StretchNearest(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                    TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  if (!ClipToDestination(dst, dstRect, dstClip)) return;
  if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > src->Width() || srcRect.Bottom > src->Height())
    throw ERasterException("Invalid SrcRect");
  if (IsRectEmpty(srcRect)) return;
  if (dstRect.Width() == srcRect.Width() && dstRect.Height() == srcRect.Height()) {
    BlockTransfer(dst, dstRect.Left, dstRect.Top, dstClip, src, srcRect, combineOp, callback);
    return;
  }
  const std::int64_t srcW = srcRect.Width(), srcH = srcRect.Height();
  const std::int64_t dstW = dstRect.Width(), dstH = dstRect.Height();
  auto mapAxis = [](std::int32_t clipLo, std::int32_t clipHi, std::int32_t dstLo, std::int64_t dW, std::int32_t srcLo,
                    std::int32_t srcHi, std::int64_t sW) {
    std::vector<std::int32_t> map(static_cast<std::size_t>(clipHi - clipLo));
    for (std::int32_t x = clipLo; x < clipHi; ++x) {
      std::int32_t v;
      if (dW < 2)
        v = static_cast<std::int32_t>((static_cast<std::int64_t>(srcLo) + srcHi - 1) / 2);
      else if (FullEdge)
        v = static_cast<std::int32_t>(srcLo + (static_cast<std::int64_t>(x) - dstLo) * sW / dW);
      else
        v = static_cast<std::int32_t>(
            srcLo + std::llrint(static_cast<double>(x - dstLo) * static_cast<double>(sW - 1) / static_cast<double>(dW - 1)));
      map[static_cast<std::size_t>(x - clipLo)] = std::clamp<std::int32_t>(v, srcLo, srcHi - 1);
    }
    return map;
  };
  const std::vector<std::int32_t> cols = mapAxis(dstClip.Left, dstClip.Right, dstRect.Left, dstW, srcRect.Left,
                                                 srcRect.Right, srcW);
  const std::vector<std::int32_t> rows = mapAxis(dstClip.Top, dstClip.Bottom, dstRect.Top, dstH, srcRect.Top,
                                                 srcRect.Bottom, srcH);
  const std::int32_t w = dstClip.Width();
  const Combiner comb(combineOp, src, callback);
  std::vector<TColor32> buffer(static_cast<std::size_t>(w));
  std::int32_t lastRow = -1;
  for (std::int32_t j = 0; j < dstClip.Height(); ++j) {
    const std::int32_t sy = rows[static_cast<std::size_t>(j)];
    TColor32* d = dst->PixelPtr(dstClip.Left, dstClip.Top + j);
    if (comb.op == TDrawMode::dmOpaque) {
      if (sy == lastRow) {
        MoveLongword(d - dst->Width(), d, w);
      } else {
        const TColor32* s = src->ScanLine(sy);
        for (std::int32_t i = 0; i < w; ++i) d[i] = s[cols[static_cast<std::size_t>(i)]];
      }
    } else {
      if (sy != lastRow) {
        const TColor32* s = src->ScanLine(sy);
        for (std::int32_t i = 0; i < w; ++i) buffer[static_cast<std::size_t>(i)] = s[cols[static_cast<std::size_t>(i)]];
      }
      comb.Row(buffer.data(), d, w, true);
    }
    lastRow = sy;
  }
  EMMS();
}

// ---------------------------------------------------------------- bilinear magnification
void StretchHorzStretchVertLinear(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                                  TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  if (!SourceUsable(src, srcRect) || !ClipToDestination(dst, dstRect, dstClip)) return;
  if (src->Width() < 2 || src->Height() < 2) {
    Resample(dst, dstRect, dstClip, src, srcRect, nullptr, combineOp, callback);
    return;
  }
  struct Entry {
    std::int32_t pos;
    std::uint32_t weight;  // in both 16-bit halves
  };
  auto mapAxis = [](std::int32_t clipLo, std::int32_t clipHi, std::int32_t dstLo, std::int32_t dW, std::int32_t srcLo,
                    std::int32_t sW, std::int32_t srcSize) {
    std::vector<Entry> map(static_cast<std::size_t>(clipHi - clipLo));
    for (std::int32_t x = clipLo; x < clipHi; ++x) {
      double p;
      if (FullEdge)
        p = (srcLo - 0.5) + (x - dstLo + 0.5) * static_cast<double>(sW) / dW;
      else
        p = srcLo + (x - dstLo) * static_cast<double>(sW - 1) / (dW > 1 ? dW - 1 : 1);
      p = std::clamp(p, 0.0, static_cast<double>(srcSize - 1));
      std::int32_t pos = static_cast<std::int32_t>(std::floor(p));
      std::uint32_t w = 256u - static_cast<std::uint32_t>(std::lrint((p - pos) * 256.0));
      if (pos >= srcSize - 1) {
        pos = srcSize - 2;
        w = 0;
      }
      map[static_cast<std::size_t>(x - clipLo)] = {pos, (w << 16) | w};
    }
    return map;
  };
  const auto cols = mapAxis(dstClip.Left, dstClip.Right, dstRect.Left, dstRect.Width(), srcRect.Left,
                            srcRect.Width(), src->Width());
  const auto rows = mapAxis(dstClip.Top, dstClip.Bottom, dstRect.Top, dstRect.Height(), srcRect.Top,
                            srcRect.Height(), src->Height());
  const Combiner comb(combineOp, src, callback);
  const std::int32_t w = dstClip.Width();
  const std::int32_t sw = src->Width();
  std::vector<TColor32> buffer(static_cast<std::size_t>(w));
#if defined(__SSE2__)
  const bool wide = RoutineLevel() == TRoutineLevel::Sse2 && Interpolator == Interpolator_Plain;
  std::vector<std::int32_t> colPos(static_cast<std::size_t>(w));
  std::vector<std::uint32_t> colWeight(static_cast<std::size_t>(w));
  for (std::int32_t i = 0; i < w; ++i) {
    colPos[static_cast<std::size_t>(i)] = cols[static_cast<std::size_t>(i)].pos;
    colWeight[static_cast<std::size_t>(i)] = cols[static_cast<std::size_t>(i)].weight;
  }
#endif
  for (std::int32_t j = 0; j < dstClip.Height(); ++j) {
    const Entry& row = rows[static_cast<std::size_t>(j)];
    const TColor32* line = src->ScanLine(row.pos);
#if defined(__SSE2__)
    if (wide) {
      InterpolateRow_Sse2(line, sw, colPos.data(), colWeight.data(), row.weight, buffer.data(), w);
      comb.Row(buffer.data(), dst->PixelPtr(dstClip.Left, dstClip.Top + j), w, false);
      continue;
    }
#endif
    for (std::int32_t i = 0; i < w; ++i) {
      const Entry& col = cols[static_cast<std::size_t>(i)];
      buffer[static_cast<std::size_t>(i)] = Interpolator(col.weight, row.weight, line + col.pos, line + col.pos + sw);
    }
    comb.Row(buffer.data(), dst->PixelPtr(dstClip.Left, dstClip.Top + j), w, false);
  }
  EMMS();
}

// ---------------------------------------------------------------- kernel resampling
TMappingTable BuildMappingTable(std::int32_t dstLo, std::int32_t dstHi, std::int32_t clipLo, std::int32_t clipHi,
                                std::int32_t srcLo, std::int32_t srcHi, TCustomKernel* kernel) {
  TMappingTable result;
  const std::int32_t srcW = srcHi - srcLo, dstW = dstHi - dstLo, clipW = clipHi - clipLo;
  if (srcW <= 0 || clipW <= 0) return result;
  if (srcW == 1) {
    result.assign(static_cast<std::size_t>(clipW), TCluster{TPointRec{srcLo, 256}});
    return result;
  }
  double scale;
  if (FullEdge)
    scale = static_cast<double>(dstW) / srcW;
  else
    scale = static_cast<double>(dstW - 1) / (srcW - 1);
  if (scale == 0) {
    result.assign(1, TCluster{TPointRec{(srcLo + srcHi) / 2, 256}});
    return result;
  }
  const double radius = kernel->GetWidth();
  result.resize(static_cast<std::size_t>(clipW));
  for (std::int32_t i = 0; i < clipW; ++i) {
    double c;
    if (FullEdge)
      c = (srcLo - 0.5) + (i + clipLo - dstLo + 0.5) / scale;
    else
      c = srcLo + (i + clipLo - dstLo) / scale;
    TCluster& cluster = result[static_cast<std::size_t>(i)];
    if (scale >= 1) {
      const std::int32_t lo = static_cast<std::int32_t>(std::floor(c - radius));
      const std::int32_t hi = static_cast<std::int32_t>(std::ceil(c + radius));
      for (std::int32_t j = lo; j <= hi; ++j) {
        const std::int32_t w = static_cast<std::int32_t>(std::lrint(kernel->Filter(static_cast<TFloat>(c - j)) * 256.0));
        if (w != 0) cluster.push_back({std::clamp(j, srcLo, srcHi - 1), w});
      }
    } else {
      const double width = radius / scale;
      const std::int32_t lo = static_cast<std::int32_t>(std::floor(c - width));
      const std::int32_t hi = static_cast<std::int32_t>(std::ceil(c + width));
      for (std::int32_t j = lo; j <= hi; ++j) {
        const std::int32_t w = static_cast<std::int32_t>(
            std::lrint(kernel->Filter(static_cast<TFloat>((c - j) * scale)) * 256.0 * scale));
        if (w != 0) cluster.push_back({std::clamp(j, srcLo, srcHi - 1), w});
      }
      if (cluster.empty())
        cluster.push_back({std::clamp(static_cast<std::int32_t>(std::floor(c)), srcLo, srcHi - 1), 256});
    }
    if (cluster.empty()) cluster.push_back({std::clamp(static_cast<std::int32_t>(std::floor(c)), srcLo, srcHi - 1), 256});
    std::int32_t count = -256;
    for (const TPointRec& p : cluster) count += p.Weight;
    if (count != 0) cluster[(cluster.size() - 1) / 2].Weight -= count;
  }
  return result;
}

void Resample(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect, TCustomKernel* kernel,
              TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  if (combineOp == TDrawMode::dmCustom && !callback) combineOp = TDrawMode::dmOpaque;
  if (combineOp == TDrawMode::dmBlend && src->MasterAlpha() == 0) return;
  if (!SourceUsable(src, srcRect) || dst->Empty()) return;
  if (!ClipToDestination(dst, dstRect, dstClip)) return;
  TLinearKernel fallback;
  if (kernel == nullptr) kernel = &fallback;
  const TMappingTable mapX = BuildMappingTable(dstRect.Left, dstRect.Right, dstClip.Left, dstClip.Right, srcRect.Left,
                                               srcRect.Right, kernel);
  const TMappingTable mapY = BuildMappingTable(dstRect.Top, dstRect.Bottom, dstClip.Top, dstClip.Bottom, srcRect.Top,
                                               srcRect.Bottom, kernel);
  if (mapX.empty() || mapY.empty()) return;
  const bool rangeCheck = kernel->RangeCheck();
  std::int32_t minX = INT32_MAX, maxX = INT32_MIN;
  for (const TCluster& c : mapX)
    for (const TPointRec& p : c) {
      minX = std::min(minX, p.Pos);
      maxX = std::max(maxX, p.Pos);
    }
  const std::int32_t span = maxX - minX + 1;
  // Column clusters relative to the buffer, flattened for the inner loop.
  std::vector<std::int32_t> xStart(mapX.size() + 1);
  std::vector<TPointRec> xEntries;
  for (std::size_t i = 0; i < mapX.size(); ++i) {
    xStart[i] = static_cast<std::int32_t>(xEntries.size());
    for (const TPointRec& p : mapX[i]) xEntries.push_back({(p.Pos - minX) * 4, p.Weight});
  }
  xStart[mapX.size()] = static_cast<std::int32_t>(xEntries.size());

  const Combiner comb(combineOp, src, callback);
  const std::int32_t w = dstClip.Width();
  const std::int32_t rows = std::min<std::int32_t>(dstClip.Height(), static_cast<std::int32_t>(mapY.size()));
  std::vector<std::int32_t> buffer(static_cast<std::size_t>(span) * 4);
  std::vector<TColor32> out(static_cast<std::size_t>(w));
  for (std::int32_t j = 0; j < rows; ++j) {
    std::fill(buffer.begin(), buffer.end(), 0);
    std::int32_t* buf = buffer.data();
    for (const TPointRec& p : mapY[static_cast<std::size_t>(j)]) {
      const std::uint8_t* line = reinterpret_cast<const std::uint8_t*>(src->PixelPtr(minX, p.Pos));
      const std::int32_t wy = p.Weight;
      for (std::int32_t k = 0; k < span * 4; ++k) buf[k] += line[k] * wy;
    }
    for (std::int32_t i = 0; i < w; ++i) {
      std::int64_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
      const TPointRec* e = xEntries.data() + xStart[static_cast<std::size_t>(i)];
      const TPointRec* end = xEntries.data() + xStart[static_cast<std::size_t>(i) + 1];
      for (; e != end; ++e) {
        const std::int32_t* b = buf + e->Pos;
        s0 += static_cast<std::int64_t>(b[0]) * e->Weight;
        s1 += static_cast<std::int64_t>(b[1]) * e->Weight;
        s2 += static_cast<std::int64_t>(b[2]) * e->Weight;
        s3 += static_cast<std::int64_t>(b[3]) * e->Weight;
      }
      TColor32 c;
      if (rangeCheck) {
        auto ch = [](std::int64_t s) -> TColor32 {
          s = s < 0 ? 0 : (s > 0xFF0000 ? 0xFF0000 : s);
          return static_cast<TColor32>(s) >> 16;
        };
        c = ch(s0) | ch(s1) << 8 | ch(s2) << 16 | ch(s3) << 24;
      } else {
        auto ch = [](std::int64_t s) -> TColor32 {
          return (static_cast<TColor32>(static_cast<std::uint64_t>(s)) >> 16) & 0xFF;
        };
        c = ch(s0) | ch(s1) << 8 | ch(s2) << 16 | ch(s3) << 24;
      }
      out[static_cast<std::size_t>(i)] = c;
    }
    comb.Row(out.data(), dst->PixelPtr(dstClip.Left, dstClip.Top + j), w, false);
  }
  EMMS();
}

void DraftResample(TBitmap32* dst, TRect dstRect, TRect dstClip, TBitmap32* src, TRect srcRect,
                   TCustomKernel* kernel, TDrawMode combineOp, const TPixelCombineEvent& callback) {
  CheckBitmaps(dst, src);
  const std::int32_t srcW = srcRect.Width(), srcH = srcRect.Height();
  const std::int32_t dstW = dstRect.Width(), dstH = dstRect.Height();
  if (srcW < dstW || srcH < dstH) {
    if (srcW < 2 || srcH < 2)
      Resample(dst, dstRect, dstClip, src, srcRect, kernel, combineOp, callback);
    else
      StretchHorzStretchVertLinear(dst, dstRect, dstClip, src, srcRect, combineOp, callback);
    return;
  }
  if (combineOp == TDrawMode::dmCustom && !callback) combineOp = TDrawMode::dmOpaque;
  if (combineOp == TDrawMode::dmBlend && src->MasterAlpha() == 0) return;
  if (!SourceUsable(src, srcRect) || dst->Empty() || dstW <= 0 || dstH <= 0) return;
  if (!ClipToDestination(dst, dstRect, dstClip)) return;
  // block edges as truncated 16.16 steps
  const std::int64_t sx = (static_cast<std::int64_t>(srcW) << 16) / dstW;
  const std::int64_t sy = (static_cast<std::int64_t>(srcH) << 16) / dstH;
  const std::int32_t ox = srcRect.Left + static_cast<std::int32_t>(((dstClip.Left - dstRect.Left) * sx) >> 16);
  const std::int32_t oy = srcRect.Top + static_cast<std::int32_t>(((dstClip.Top - dstRect.Top) * sy) >> 16);
  const std::int32_t w = dstClip.Width();
  const Combiner comb(combineOp, src, callback);
  std::vector<TColor32> out(static_cast<std::size_t>(w));
  for (std::int32_t j = 1; j <= dstClip.Height(); ++j) {
    const std::int32_t y0 = oy + static_cast<std::int32_t>(((j - 1) * sy) >> 16);
    const std::int32_t y1 = oy + static_cast<std::int32_t>((j * sy) >> 16);
    for (std::int32_t i = 1; i <= w; ++i) {
      const std::int32_t x0 = ox + static_cast<std::int32_t>(((i - 1) * sx) >> 16);
      const std::int32_t x1 = ox + static_cast<std::int32_t>((i * sx) >> 16);
      out[static_cast<std::size_t>(i - 1)] =
          BlockAverage(static_cast<std::uint32_t>(x1 - x0), static_cast<std::uint32_t>(y1 - y0), src->PixelPtr(x0, y0),
                       static_cast<std::uint32_t>(src->Width()));
    }
    comb.Row(out.data(), dst->PixelPtr(dstClip.Left, dstClip.Top + j - 1), w, false);
  }
  EMMS();
}

}  // namespace kalvora::raster

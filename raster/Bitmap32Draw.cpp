// Pixel access and drawing on TBitmap32: clipped and unclipped pixels, lines, fills, frames,
// sub-pixel blending with gamma-corrected weights and anti-aliased lines.
#include <cmath>

#include "Bitmap32.h"
#include "Containers.h"
#include "RasterSystem.h"

namespace kalvora::raster {

std::uint8_t GammaTable[256];

void SetGamma(float gamma) {
  for (int i = 0; i < 256; ++i)
    GammaTable[i] = static_cast<std::uint8_t>(std::lrint(std::pow(i / 255.0, static_cast<double>(gamma)) * 255.0));
}

namespace {

TColor32 Interpolate_Plain(std::uint32_t wx, std::uint32_t wy, const TColor32* p1, const TColor32* p2) {
  if (wx > 255) wx = 255;
  if (wy > 255) wy = 255;
  return CombineReg(CombineReg(p1[0], p1[1], wx), CombineReg(p2[0], p2[1], wx), wy);
}

const bool gammaBuilt = (SetGamma(0.7f), true);

}  // namespace

TInterpolator Interpolate = Interpolate_Plain;

// ---------------------------------------------------------------- reads
TColor32 TBitmap32::PixelW(std::int32_t x, std::int32_t y) const {
  if (IsRectEmpty(clipRect_)) return outerColor_;
  const TWrapProc w = WrapProcs[static_cast<int>(wrapMode_)];
  return Pixel(w(x, clipRect_.Left, clipRect_.Right - 1), w(y, clipRect_.Top, clipRect_.Bottom - 1));
}

TColor32 TBitmap32::PixelX(TFixed x, TFixed y) const {
  const TColor32 c = SampleSubPixel((x + 127) >> 8, (y + 127) >> 8);
  EMMS();
  return c;
}

TColor32 TBitmap32::PixelXS(TFixed x, TFixed y) const {
  const TColor32 c = SampleSubPixelS(static_cast<std::int32_t>((static_cast<std::int64_t>(x) + 127) >> 8),
                                     static_cast<std::int32_t>((static_cast<std::int64_t>(y) + 127) >> 8));
  EMMS();
  return c;
}

TColor32 TBitmap32::PixelXW(TFixed x, TFixed y) const {
  if (IsRectEmpty(clipRect_)) return outerColor_;
  const TWrapProc w = WrapProcs[static_cast<int>(wrapMode_)];
  const std::int32_t xi = x >> 16, yi = y >> 16;
  const std::int32_t x0 = w(xi, clipRect_.Left, clipRect_.Right - 1);
  const std::int32_t x1 = w(xi == INT32_MAX ? xi : xi + 1, clipRect_.Left, clipRect_.Right - 1);
  const std::int32_t y0 = w(yi, clipRect_.Top, clipRect_.Bottom - 1);
  const std::int32_t y1 = w(yi == INT32_MAX ? yi : yi + 1, clipRect_.Top, clipRect_.Bottom - 1);
  const TColor32 fx = (static_cast<std::uint32_t>(x) >> 8) & 0xFF;
  const TColor32 fy = (static_cast<std::uint32_t>(y) >> 8) & 0xFF;
  const TColor32 upper = CombineReg(Pixel(x1, y0), Pixel(x0, y0), fx);
  const TColor32 lower = CombineReg(Pixel(x1, y1), Pixel(x0, y1), fx);
  const TColor32 c = CombineReg(lower, upper, fy);
  EMMS();
  return c;
}

TColor32 TBitmap32::SampleSubPixel(std::int32_t x, std::int32_t y) const {
  const std::uint32_t wx = GammaTable[255 - (x & 255)];
  const std::uint32_t wy = GammaTable[255 - (y & 255)];
  const TColor32* p = PixelPtr(x >> 8, y >> 8);
  return Interpolate(wx, wy, p, p + width_);
}

TColor32 TBitmap32::SampleSubPixelS(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || Empty()) return outerColor_;
  const std::int32_t xm = (width_ - 1) << 8;
  const std::int32_t ym = (height_ - 1) << 8;
  if (x < xm && y < ym) return SampleSubPixel(x, y);
  if (x == xm && y <= ym) return Pixel(width_ - 1, y >> 8);
  if (x <= xm && y == ym) return Pixel(x >> 8, height_ - 1);
  return outerColor_;
}

// ---------------------------------------------------------------- lines and fills
void TBitmap32::HorzLine(std::int32_t x1, std::int32_t y, std::int32_t x2, TColor32 value) {
  FillLongword(PixelPtr(x1, y), x2 - x1 + 1, value);
}

void TBitmap32::HorzLineS(std::int32_t x1, std::int32_t y, std::int32_t x2, TColor32 value) {
  if (measuringMode_) {
    Changed(TRect{x1, y, x2, y + 1});
    return;
  }
  if (y >= clipRect_.Top && y < clipRect_.Bottom && TestClip(x1, x2, clipRect_.Left, clipRect_.Right)) {
    HorzLine(x1, y, x2, value);
    Changed(TRect{x1, y, x2, y + 1});
  }
}

void TBitmap32::VertLine(std::int32_t x, std::int32_t y1, std::int32_t y2, TColor32 value) {
  if (y2 < y1) return;
  TColor32* p = PixelPtr(x, y1);
  for (std::int32_t y = y1; y <= y2; ++y, p += width_) *p = value;
}

void TBitmap32::VertLineS(std::int32_t x, std::int32_t y1, std::int32_t y2, TColor32 value) {
  if (measuringMode_) {
    Changed(TRect{x, y1, x + 1, y2});
    return;
  }
  if (x >= clipRect_.Left && x < clipRect_.Right && TestClip(y1, y2, clipRect_.Top, clipRect_.Bottom)) {
    VertLine(x, y1, y2, value);
    Changed(TRect{x, y1, x + 1, y2});
  }
}

void TBitmap32::FillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value) {
  for (std::int32_t y = y1; y < y2; ++y) FillLongword(PixelPtr(x1, y), x2 - x1, value);
  Changed(TRect{x1, y1, x2, y2});
}

void TBitmap32::FillRectS(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value) {
  if (!measuringMode_ && x1 < x2 && y1 < y2 && x1 < clipRect_.Right && y1 < clipRect_.Bottom &&
      x2 > clipRect_.Left && y2 > clipRect_.Top) {
    if (x1 < clipRect_.Left) x1 = clipRect_.Left;
    if (y1 < clipRect_.Top) y1 = clipRect_.Top;
    if (x2 > clipRect_.Right) x2 = clipRect_.Right;
    if (y2 > clipRect_.Bottom) y2 = clipRect_.Bottom;
    FillRect(x1, y1, x2, y2, value);
  }
  Changed(TRect{x1, y1, x2, y2});
}

void TBitmap32::FillRectS(const TRect& r, TColor32 value) {
  if (measuringMode_) {
    Changed(r);
    return;
  }
  FillRectS(r.Left, r.Top, r.Right, r.Bottom, value);
}

void TBitmap32::FrameRectS(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value) {
  if (x2 <= x1 || y2 <= y1 || x1 >= clipRect_.Right || y1 >= clipRect_.Bottom || x2 <= clipRect_.Left ||
      y2 <= clipRect_.Top)
    return;
  HorzLineS(x1, y1, x2 - 1, value);
  if (y1 < y2 - 1) HorzLineS(x1, y2 - 1, x2 - 1, value);
  if (y1 + 1 < y2 - 1) {
    VertLineS(x1, y1 + 1, y2 - 2, value);
    if (x2 - 1 > x1) VertLineS(x2 - 1, y1 + 1, y2 - 2, value);
  }
}

void TBitmap32::FrameRectS(const TRect& r, TColor32 value) { FrameRectS(r.Left, r.Top, r.Right, r.Bottom, value); }

// ---------------------------------------------------------------- sub-pixel blending
void TBitmap32::BlendSubPixelWeights(TColor32* p, TColor32 c, std::uint32_t fx, std::uint32_t fy, bool clip,
                                     std::int32_t px, std::int32_t py) {
  // The four pixels in order: P, right of P, below right, below P.
  const std::int32_t dx[4] = {0, 1, 1, 0};
  const std::int32_t dy[4] = {0, 0, 1, 1};
  std::uint32_t weight[4];
  const bool merge = combineMode_ == TCombineMode::cmMerge;
  if (!merge) {
    const std::uint32_t a = c >> 24;
    const std::uint32_t cx = GammaTable[255 - fx] * a, cy = GammaTable[255 - fy];
    const std::uint32_t fxw = GammaTable[fx] * a, fyw = GammaTable[fy];
    weight[0] = (cx * cy) >> 16;
    weight[1] = (fxw * cy) >> 16;
    weight[2] = (fxw * fyw) >> 16;
    weight[3] = (cx * fyw) >> 16;
  } else {
    const std::uint32_t cx = GammaTable[255 - fx], cy = GammaTable[255 - fy];
    const std::uint32_t fxw = GammaTable[fx], fyw = GammaTable[fy];
    weight[0] = (cx * cy) >> 8;
    weight[1] = (fxw * cy) >> 8;
    weight[2] = (fxw * fyw) >> 8;
    weight[3] = (cx * fyw) >> 8;
  }
  for (int k = 0; k < 4; ++k) {
    if (clip) {
      const std::int32_t x = px + dx[k], y = py + dy[k];
      if (x < clipRect_.Left || x >= clipRect_.Right || y < clipRect_.Top || y >= clipRect_.Bottom) continue;
    }
    // the block's pixels are addressed one by one: a corner of it may lie outside the bitmap
    TColor32* q = p != nullptr ? p + dx[k] + static_cast<std::ptrdiff_t>(dy[k]) * width_
                               : bits_ + (px + dx[k]) + static_cast<std::ptrdiff_t>(py + dy[k]) * width_;
    if (merge) {
      const TColor32 t = MergeReg(c, *q);
      CombineMem(t, *q, weight[k]);
    } else {
      CombineMem(c, *q, weight[k]);
    }
  }
}

void TBitmap32::BlendSubPixel(std::int32_t x, std::int32_t y, TColor32 c) {
  const std::int32_t px = x >> 8, py = y >> 8;
  BlendSubPixelWeights(PixelPtr(px, py), c, x & 255, y & 255, false, px, py);
}

void TBitmap32::BlendSubPixelS(std::int32_t x, std::int32_t y, TColor32 c) {
  if (bits_ == nullptr) return;
  if (static_cast<std::int64_t>(x) < static_cast<std::int64_t>(clipRect256_.Left) - 256 || x >= clipRect256_.Right ||
      static_cast<std::int64_t>(y) < static_cast<std::int64_t>(clipRect256_.Top) - 256 || y >= clipRect256_.Bottom)
    return;
  const std::int32_t px = x >> 8, py = y >> 8;
  const bool inside = px >= clipRect_.Left && px + 1 < clipRect_.Right && py >= clipRect_.Top &&
                      py + 1 < clipRect_.Bottom;
  BlendSubPixelWeights(nullptr, c, x & 255, y & 255, !inside, px, py);
}

// ---------------------------------------------------------------- anti-aliased lines
namespace {

struct LineSteps {
  std::int64_t n = 0;
  std::int32_t ex = 0, ey = 0;
};

LineSteps LineLength(std::int64_t dx, std::int64_t dy, bool l) {
  LineSteps s;
  s.n = std::llrint(std::hypot(static_cast<double>(dx), static_cast<double>(dy)));
  if (l) s.n += 0x10000;
  if (s.n >= 0x10000) {
    const double scale = 65536.0 / static_cast<double>(s.n);
    s.ex = static_cast<std::int32_t>(std::lrint(static_cast<double>(dx) * scale));
    s.ey = static_cast<std::int32_t>(std::lrint(static_cast<double>(dy) * scale));
  }
  return s;
}

TColor32 LastDotColor(TColor32 value, std::int64_t n) {
  const std::int64_t r = n - ((n >> 16) << 16);
  return (value & 0x00FFFFFFu) + (static_cast<TColor32>(((value >> 24) * r) << 8) & 0xFF000000u);
}

}  // namespace

void TBitmap32::LineAA(TFixed x1, TFixed y1, TFixed x2, TFixed y2, TColor32 value, bool l) {
  const TRect area = MakeRect(FixedRect(x1, y1, x2, y2), TRectRounding::rrClosest);
  const std::int64_t dx = static_cast<std::int64_t>(x2) - x1, dy = static_cast<std::int64_t>(y2) - y1;
  const LineSteps s = LineLength(dx, dy, l);
  if (s.n >= 256) {
    std::int64_t x = static_cast<std::int64_t>(x1) + 127, y = static_cast<std::int64_t>(y1) + 127;
    for (std::int64_t k = s.n >> 16; k > 0; --k) {
      BlendSubPixel(static_cast<std::int32_t>(x >> 8), static_cast<std::int32_t>(y >> 8), value);
      x += s.ex;
      y += s.ey;
    }
    const std::int64_t ex2 = static_cast<std::int64_t>(x2) + 127, ey2 = static_cast<std::int64_t>(y2) + 127;
    BlendSubPixel(static_cast<std::int32_t>((ex2 + x - s.ex) >> 9), static_cast<std::int32_t>((ey2 + y - s.ey) >> 9),
                  LastDotColor(value, s.n));
    EMMS();
  }
  Changed(area, AREAINFO_LINE + 2);
}

void TBitmap32::LineAAS(TFixed x1, TFixed y1, TFixed x2, TFixed y2, TColor32 value, bool l) {
  const TRect area = MakeRect(FixedRect(x1, y1, x2, y2), TRectRounding::rrClosest);
  if (measuringMode_) {
    Changed(area, AREAINFO_LINE + 2);
    return;
  }
  const TFixedRect& fc = fixedClipRect_;
  const TFixed ox2 = x2, oy2 = y2;
  if (!ClipLine(x1, y1, x2, y2, fc.Left - FixedOne, fc.Top - FixedOne, fc.Right, fc.Bottom)) return;
  if (x2 != ox2 || y2 != oy2) l = true;
  auto inside = [&fc](TFixed x, TFixed y) {
    return fc.Left < x && static_cast<std::int64_t>(x) < static_cast<std::int64_t>(fc.Right) - 0x20000 &&
           fc.Top < y && static_cast<std::int64_t>(y) < static_cast<std::int64_t>(fc.Bottom) - 0x20000;
  };
  if (inside(x1, y1) && inside(x2, y2)) {
    LineAA(x1, y1, x2, y2, value, l);
    return;
  }
  const std::int64_t dx = static_cast<std::int64_t>(x2) - x1, dy = static_cast<std::int64_t>(y2) - y1;
  const LineSteps s = LineLength(dx, dy, l);
  if (s.n < 256) {
    EMMS();
    return;
  }
  std::int64_t x = static_cast<std::int64_t>(x1) + 127, y = static_cast<std::int64_t>(y1) + 127;
  for (std::int64_t k = s.n >> 16; k > 0; --k) {
    BlendSubPixelS(static_cast<std::int32_t>(x >> 8), static_cast<std::int32_t>(y >> 8), value);
    x += s.ex;
    y += s.ey;
  }
  const std::int64_t ex2 = static_cast<std::int64_t>(x2) + 127, ey2 = static_cast<std::int64_t>(y2) + 127;
  BlendSubPixelS(static_cast<std::int32_t>((ex2 + x - s.ex) >> 9), static_cast<std::int32_t>((ey2 + y - s.ey) >> 9),
                 LastDotColor(value, s.n));
  EMMS();
  Changed(area, AREAINFO_LINE + 2);
}

void TBitmap32::MoveToF(float x, float y) {
  PenPosX = Fixed(x);
  PenPosY = Fixed(y);
}

void TBitmap32::LineToXS(TFixed x, TFixed y) {
  LineAAS(PenPosX, PenPosY, x, y, penColor_, false);
  PenPosX = x;
  PenPosY = y;
}

void TBitmap32::LineToFS(float x, float y) { LineToXS(Fixed(x), Fixed(y)); }

}  // namespace kalvora::raster

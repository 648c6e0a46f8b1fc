#include "PxBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace px {

Limits& limits() {
  static Limits l;
  return l;
}

bool IsTurnedPerspective(int vp) { return vp == 4 || vp == 5 || vp == 7 || vp == 8; }

bool IsValidBits(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32; }

int64_t RowBytes(int width, int bits) { return (int64_t(width) * bits + 7) / 8; }
int64_t StrideFor(int width, int bits) { return (RowBytes(width, bits) + 3) & ~int64_t(3); }

int Bitmap::rowBytes() const { return int(RowBytes(width, bits)); }

void InitBitmap(Bitmap& bmp) { bmp = Bitmap(); }

std::vector<uint32_t> GreyPalette(int count) {
  std::vector<uint32_t> pal(size_t(std::max(count, 0)));
  for (int i = 0; i < count; ++i) {
    uint32_t g = count > 1 ? uint32_t(i * 255 / (count - 1)) : 0;
    pal[size_t(i)] = (g << 16) | (g << 8) | g;
  }
  return pal;
}

int CreateBitmap(Bitmap& bmp, int width, int height, int bits, const std::vector<uint32_t>* palette) {
  if (!IsValidBits(bits)) return kInvalidBits;
  if (width <= 0 || height <= 0 || width > limits().maxSide || height > limits().maxSide ||
      int64_t(width) * height > limits().maxPixels)
    return kInvalidSize;
  int64_t stride = StrideFor(width, bits);
  int64_t total = stride * height;
  uint8_t* mem = new (std::nothrow) uint8_t[size_t(total)];
  if (!mem) return kNoMemory;
  std::memset(mem, 0, size_t(total));
  Bitmap b;
  b.width = width;
  b.height = height;
  b.bits = bits;
  b.stride = int(stride);
  b.flags = kFlagAllocated;
  b.pixels.reset(mem);
  if (bits <= 8) {
    int entries = 1 << bits;
    if (palette && !palette->empty()) {
      b.palette = *palette;
      if (int(b.palette.size()) > entries) b.palette.resize(size_t(entries));
    } else {
      b.palette = GreyPalette(entries);
    }
  }
  bmp = std::move(b);
  return kOk;
}

int CopyBitmap(const Bitmap& src, Bitmap& dst) {
  if (!src.allocated()) return kInvalidBitmap;
  Bitmap b = src;
  size_t total = size_t(src.stride) * size_t(src.height);
  uint8_t* mem = new (std::nothrow) uint8_t[total];
  if (!mem) return kNoMemory;
  std::memcpy(mem, src.pixels.get(), total);
  b.pixels.reset(mem);
  dst = std::move(b);
  return kOk;
}

int DetachBitmap(Bitmap& bmp) {
  if (!bmp.allocated()) return kInvalidBitmap;
  if (bmp.pixels.use_count() <= 1) return kOk;
  Bitmap copy;
  int st = CopyBitmap(bmp, copy);
  if (st != kOk) return st;
  bmp = std::move(copy);
  return kOk;
}

int GetIndex(const Bitmap& bmp, int x, int y) {
  if (!bmp.allocated() || x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) return 0;
  const uint8_t* row = bmp.scanLine(y);
  switch (bmp.bits) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x >> 1] & 15) : (row[x >> 1] >> 4);
    case 8: return row[x];
    default: return 0;
  }
}

void SetIndex(Bitmap& bmp, int x, int y, int index) {
  if (!bmp.allocated() || x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) return;
  uint8_t* row = bmp.scanLine(y);
  switch (bmp.bits) {
    case 1: {
      uint8_t mask = uint8_t(0x80 >> (x & 7));
      if (index & 1) row[x >> 3] |= mask; else row[x >> 3] &= uint8_t(~mask);
      break;
    }
    case 4:
      if (x & 1) row[x >> 1] = uint8_t((row[x >> 1] & 0xF0) | (index & 15));
      else row[x >> 1] = uint8_t((row[x >> 1] & 0x0F) | ((index & 15) << 4));
      break;
    case 8: row[x] = uint8_t(index); break;
    default: break;
  }
}

uint32_t GetPixel(const Bitmap& bmp, int x, int y) {
  if (!bmp.allocated() || x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) return 0;
  const uint8_t* row = bmp.scanLine(y);
  if (bmp.bits == 24) {
    const uint8_t* p = row + size_t(x) * 3;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
  }
  if (bmp.bits == 32) {
    const uint8_t* p = row + size_t(x) * 4;
    return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
  }
  int idx = GetIndex(bmp, x, y);
  return size_t(idx) < bmp.palette.size() ? bmp.palette[size_t(idx)] & 0xFFFFFF : 0;
}

static int NearestIndex(const std::vector<uint32_t>& pal, uint32_t rgb) {
  int best = 0;
  int bestD = 1 << 30;
  int r = (rgb >> 16) & 255, g = (rgb >> 8) & 255, b = rgb & 255;
  for (size_t i = 0; i < pal.size(); ++i) {
    int dr = int((pal[i] >> 16) & 255) - r, dg = int((pal[i] >> 8) & 255) - g, db = int(pal[i] & 255) - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < bestD) {
      bestD = d;
      best = int(i);
      if (d == 0) break;
    }
  }
  return best;
}

void SetPixel(Bitmap& bmp, int x, int y, uint32_t rgb) {
  if (!bmp.allocated() || x < 0 || y < 0 || x >= bmp.width || y >= bmp.height) return;
  uint8_t* row = bmp.scanLine(y);
  if (bmp.bits == 24 || bmp.bits == 32) {
    uint8_t* p = row + size_t(x) * size_t(bmp.bits / 8);
    p[0] = uint8_t(rgb);
    p[1] = uint8_t(rgb >> 8);
    p[2] = uint8_t(rgb >> 16);
    if (bmp.bits == 32) p[3] = 255;
    return;
  }
  SetIndex(bmp, x, y, NearestIndex(bmp.palette, rgb));
}

int64_t GetRows(const Bitmap& bmp, int firstRow, int count, uint8_t* buf) {
  if (!bmp.allocated() || firstRow < 0 || count <= 0 || firstRow >= bmp.height) return 0;
  int last = std::min(bmp.height, firstRow + count);
  int rb = bmp.rowBytes();
  int64_t written = 0;
  for (int y = firstRow; y < last; ++y) {
    std::memcpy(buf + written, bmp.scanLine(y), size_t(rb));
    written += rb;
  }
  return written;
}

static inline uint8_t Grey(uint32_t rgb) {
  return uint8_t((((rgb >> 16) & 255) * 77 + ((rgb >> 8) & 255) * 150 + (rgb & 255) * 29) >> 8);
}

int ConvertBitmap(const Bitmap& src, Bitmap& dst, int bits) {
  if (!src.allocated()) return kInvalidBitmap;
  if (!IsValidBits(bits)) return kInvalidBits;
  if (bits == src.bits) return CopyBitmap(src, dst);
  Bitmap out;
  // Palette pictures going to a smaller palette keep their palette when every index fits.
  bool keepPalette = false;
  if (src.bits <= 8 && bits <= 8) {
    int maxIndex = 0;
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x) maxIndex = std::max(maxIndex, GetIndex(src, x, y));
    keepPalette = maxIndex < (1 << bits);
  }
  std::vector<uint32_t> pal;
  if (keepPalette) {
    pal = src.palette;
    if (int(pal.size()) > (1 << bits)) pal.resize(size_t(1) << bits);
  }
  int st = CreateBitmap(out, src.width, src.height, bits, keepPalette ? &pal : nullptr);
  if (st != kOk) return st;
  out.viewPerspective = src.viewPerspective;
  out.xResolution = src.xResolution;
  out.yResolution = src.yResolution;
  out.frameLeft = src.frameLeft;
  out.frameTop = src.frameTop;
  out.delay = src.delay;
  out.disposal = src.disposal;
  if (keepPalette) out.transparentIndex = src.transparentIndex;
  for (int y = 0; y < src.height; ++y) {
    uint8_t* drow = out.scanLine(y);
    for (int x = 0; x < src.width; ++x) {
      if (keepPalette) {
        SetIndex(out, x, y, GetIndex(src, x, y));
        continue;
      }
      uint32_t rgb = GetPixel(src, x, y);
      switch (bits) {
        case 24: {
          uint8_t* p = drow + size_t(x) * 3;
          p[0] = uint8_t(rgb); p[1] = uint8_t(rgb >> 8); p[2] = uint8_t(rgb >> 16);
          break;
        }
        case 32: {
          uint8_t* p = drow + size_t(x) * 4;
          p[0] = uint8_t(rgb); p[1] = uint8_t(rgb >> 8); p[2] = uint8_t(rgb >> 16);
          uint8_t a = 255;
          if (src.bits == 32 && (src.flags & kFlagTransparency)) a = src.scanLine(y)[size_t(x) * 4 + 3];
          else if (src.bits <= 8 && src.transparentIndex >= 0 && GetIndex(src, x, y) == src.transparentIndex) a = 0;
          p[3] = a;
          break;
        }
        case 8: drow[x] = Grey(rgb); break;
        case 4: SetIndex(out, x, y, Grey(rgb) >> 4); break;
        case 1: SetIndex(out, x, y, Grey(rgb) >= 128 ? 1 : 0); break;
      }
    }
  }
  if (bits == 32 && ((src.flags & kFlagTransparency) || src.transparentIndex >= 0)) out.flags |= kFlagTransparency;
  dst = std::move(out);
  return kOk;
}

// ---- View perspective -----------------------------------------------------------------------
// Maps a shown point (vx, vy) to stored coordinates for a stored size w x h.
static void ViewToStored(int vp, int w, int h, int vx, int vy, int& sx, int& sy) {
  switch (vp) {
    case 2: sx = w - 1 - vx; sy = vy; break;
    case 3: sx = w - 1 - vx; sy = h - 1 - vy; break;
    case 6: sx = vx; sy = h - 1 - vy; break;
    case 4: sx = vy; sy = vx; break;                   // transposed
    case 5: sx = vy; sy = h - 1 - vx; break;           // turned 90 clockwise
    case 7: sx = w - 1 - vy; sy = h - 1 - vx; break;   // transverse
    case 8: sx = w - 1 - vy; sy = vx; break;           // turned 90 anticlockwise
    default: sx = vx; sy = vy; break;
  }
}

static void StoredToView(int vp, int w, int h, int sx, int sy, int& vx, int& vy) {
  switch (vp) {
    case 2: vx = w - 1 - sx; vy = sy; break;
    case 3: vx = w - 1 - sx; vy = h - 1 - sy; break;
    case 6: vx = sx; vy = h - 1 - sy; break;
    case 4: vx = sy; vy = sx; break;
    case 5: vx = h - 1 - sy; vy = sx; break;
    case 7: vx = h - 1 - sy; vy = w - 1 - sx; break;
    case 8: vx = sy; vy = w - 1 - sx; break;
    default: vx = sx; vy = sy; break;
  }
}

void ViewToBitmapPoint(const Bitmap& bmp, int& x, int& y) {
  int sx, sy;
  ViewToStored(bmp.viewPerspective, bmp.width, bmp.height, x, y, sx, sy);
  x = sx;
  y = sy;
}

void BitmapToViewPoint(const Bitmap& bmp, int& x, int& y) {
  int vx, vy;
  StoredToView(bmp.viewPerspective, bmp.width, bmp.height, x, y, vx, vy);
  x = vx;
  y = vy;
}

void ViewToBitmapRect(const Bitmap& bmp, int& left, int& top, int& right, int& bottom) {
  if (right <= left || bottom <= top) {
    int l = left, t = top;
    ViewToBitmapPoint(bmp, l, t);
    left = right = l;
    top = bottom = t;
    return;
  }
  int x1 = left, y1 = top, x2 = right - 1, y2 = bottom - 1;
  ViewToBitmapPoint(bmp, x1, y1);
  ViewToBitmapPoint(bmp, x2, y2);
  left = std::min(x1, x2);
  right = std::max(x1, x2) + 1;
  top = std::min(y1, y2);
  bottom = std::max(y1, y2) + 1;
}

int NormalizeViewPerspective(Bitmap& bmp) {
  if (!bmp.allocated()) return kInvalidBitmap;
  int vp = bmp.viewPerspective;
  if (vp == 0 || vp == 1 || vp < 0 || vp > 8) {
    bmp.viewPerspective = 0;
    return kOk;
  }
  Bitmap out;
  int st = CreateBitmap(out, bmp.viewWidth(), bmp.viewHeight(), bmp.bits, &bmp.palette);
  if (st != kOk) return st;
  int bpp = bmp.bits / 8;
  for (int vy = 0; vy < out.height; ++vy) {
    uint8_t* drow = out.scanLine(vy);
    for (int vx = 0; vx < out.width; ++vx) {
      int sx, sy;
      ViewToStored(vp, bmp.width, bmp.height, vx, vy, sx, sy);
      if (bpp >= 3) std::memcpy(drow + size_t(vx) * size_t(bpp), bmp.scanLine(sy) + size_t(sx) * size_t(bpp), size_t(bpp));
      else SetIndex(out, vx, vy, GetIndex(bmp, sx, sy));
    }
  }
  out.flags = bmp.flags;
  out.palette = bmp.palette;
  out.transparentIndex = bmp.transparentIndex;
  out.xResolution = IsTurnedPerspective(vp) ? bmp.yResolution : bmp.xResolution;
  out.yResolution = IsTurnedPerspective(vp) ? bmp.xResolution : bmp.yResolution;
  out.frameLeft = bmp.frameLeft;
  out.frameTop = bmp.frameTop;
  out.delay = bmp.delay;
  out.disposal = bmp.disposal;
  out.paintContrast = bmp.paintContrast;
  out.paintIntensity = bmp.paintIntensity;
  out.paintGamma = bmp.paintGamma;
  bmp = std::move(out);
  return kOk;
}

// ---- Resampling -----------------------------------------------------------------------------
// Area-average shrink of a 24/32-bit picture, separable: first rows, then columns, in 16.16 fixed
// point weights.
static void AreaShrink(const Bitmap& src, Bitmap& dst, int ch) {
  const int sw = src.width, sh = src.height, dw = dst.width, dh = dst.height;
  // Horizontal pass into a temporary of dw x sh (uint32 sums scaled).
  std::vector<uint16_t> tmp(size_t(dw) * size_t(sh) * size_t(ch));
  // Weights for each destination column: source span [x0, x1) in 1/dw units.
  struct Span { int first, last; std::vector<uint32_t> w; };
  auto makeSpans = [](int s, int d) {
    std::vector<Span> spans(static_cast<size_t>(d));
    for (int i = 0; i < d; ++i) {
      // Destination pixel i covers source [i*s/d, (i+1)*s/d) in exact fractions (units of 1/d).
      int64_t a = int64_t(i) * s, b = int64_t(i + 1) * s;  // in 1/d units
      int first = int(a / d), last = int((b + d - 1) / d) - 1;
      Span sp{first, last, {}};
      for (int k = first; k <= last; ++k) {
        int64_t lo = std::max<int64_t>(a, int64_t(k) * d), hi = std::min<int64_t>(b, int64_t(k + 1) * d);
        sp.w.push_back(uint32_t((hi - lo) * 65536 / s));
      }
      spans[size_t(i)] = std::move(sp);
    }
    return spans;
  };
  auto hs = makeSpans(sw, dw);
  auto vs = makeSpans(sh, dh);
  for (int y = 0; y < sh; ++y) {
    const uint8_t* s = src.scanLine(y);
    uint16_t* t = tmp.data() + size_t(y) * size_t(dw) * size_t(ch);
    for (int x = 0; x < dw; ++x) {
      const Span& sp = hs[size_t(x)];
      uint32_t acc[4] = {0, 0, 0, 0};
      for (int k = sp.first; k <= sp.last; ++k) {
        const uint8_t* p = s + size_t(k) * size_t(ch);
        uint32_t w = sp.w[size_t(k - sp.first)];
        for (int c = 0; c < ch; ++c) acc[c] += p[c] * w;
      }
      for (int c = 0; c < ch; ++c) t[size_t(x) * size_t(ch) + size_t(c)] = uint16_t(std::min<uint32_t>((acc[c] + 128) >> 8, 65535));
    }
  }
  std::vector<uint32_t> acc(size_t(dw) * size_t(ch));
  for (int y = 0; y < dh; ++y) {
    const Span& sp = vs[size_t(y)];
    std::fill(acc.begin(), acc.end(), 0u);
    for (int k = sp.first; k <= sp.last; ++k) {
      const uint16_t* t = tmp.data() + size_t(k) * size_t(dw) * size_t(ch);
      uint32_t w = sp.w[size_t(k - sp.first)] >> 4;  // 12-bit weight keeps the sum in 32 bits
      for (size_t i = 0; i < acc.size(); ++i) acc[i] += t[i] * w;
    }
    uint8_t* d = dst.scanLine(y);
    for (size_t i = 0; i < acc.size(); ++i) d[i] = uint8_t(std::min<uint32_t>((acc[i] + (1u << 19)) >> 20, 255));
  }
}

static void Bilinear(const Bitmap& src, Bitmap& dst, int ch) {
  const int sw = src.width, sh = src.height, dw = dst.width, dh = dst.height;
  for (int y = 0; y < dh; ++y) {
    double fy = dh > 1 ? (y + 0.5) * sh / dh - 0.5 : (sh - 1) / 2.0;
    fy = std::clamp(fy, 0.0, double(sh - 1));
    int y0 = int(fy), y1 = std::min(y0 + 1, sh - 1);
    double wy = fy - y0;
    uint8_t* d = dst.scanLine(y);
    for (int x = 0; x < dw; ++x) {
      double fx = dw > 1 ? (x + 0.5) * sw / dw - 0.5 : (sw - 1) / 2.0;
      fx = std::clamp(fx, 0.0, double(sw - 1));
      int x0 = int(fx), x1 = std::min(x0 + 1, sw - 1);
      double wx = fx - x0;
      for (int c = 0; c < ch; ++c) {
        double a = src.scanLine(y0)[x0 * ch + c] * (1 - wx) + src.scanLine(y0)[x1 * ch + c] * wx;
        double b = src.scanLine(y1)[x0 * ch + c] * (1 - wx) + src.scanLine(y1)[x1 * ch + c] * wx;
        d[x * ch + c] = uint8_t(std::lround(std::clamp(a * (1 - wy) + b * wy, 0.0, 255.0)));
      }
    }
  }
}

int ResizeBitmap(const Bitmap& src, Bitmap& dst, int width, int height, int flags) {
  if (!src.allocated()) return kInvalidBitmap;
  if (width <= 0 || height <= 0) return kInvalidSize;
  Bitmap out;
  if (flags == 0) {
    int st = CreateBitmap(out, width, height, src.bits, &src.palette);
    if (st != kOk) return st;
    int bpp = src.bits / 8;
    for (int y = 0; y < height; ++y) {
      int sy = int(int64_t(y) * src.height / height);
      for (int x = 0; x < width; ++x) {
        int sx = int(int64_t(x) * src.width / width);
        if (bpp >= 3) std::memcpy(out.scanLine(y) + size_t(x) * size_t(bpp), src.scanLine(sy) + size_t(sx) * size_t(bpp), size_t(bpp));
        else SetIndex(out, x, y, GetIndex(src, sx, sy));
      }
    }
    out.transparentIndex = src.transparentIndex;
  } else {
    Bitmap work;
    const Bitmap* s = &src;
    if (src.bits <= 8) {
      int st = ConvertBitmap(src, work, 24);
      if (st != kOk) return st;
      s = &work;
    }
    int st = CreateBitmap(out, width, height, s->bits);
    if (st != kOk) return st;
    int ch = s->bits / 8;
    if (flags != 1 && width <= s->width && height <= s->height) AreaShrink(*s, out, ch);
    else Bilinear(*s, out, ch);
  }
  out.flags |= src.flags & kFlagTransparency;
  out.viewPerspective = src.viewPerspective;
  out.xResolution = src.xResolution;
  out.yResolution = src.yResolution;
  out.paintContrast = src.paintContrast;
  out.paintIntensity = src.paintIntensity;
  out.paintGamma = src.paintGamma;
  dst = std::move(out);
  return kOk;
}

// ---- Lists ----------------------------------------------------------------------------------
int BitmapList::append(const Bitmap& bmp) {
  items.push_back(bmp);
  return kOk;
}
int BitmapList::insert(int index, const Bitmap& bmp) {
  if (index < 0 || index > count()) return kInvalidParam;
  items.insert(items.begin() + index, bmp);
  return kOk;
}
int BitmapList::remove(int index) {
  if (index < 0 || index >= count()) return kInvalidParam;
  items.erase(items.begin() + index);
  return kOk;
}
int BitmapList::get(int index, Bitmap& out) const {
  if (index < 0 || index >= count()) return kInvalidParam;
  out = items[size_t(index)];
  return kOk;
}
int BitmapList::set(int index, const Bitmap& bmp) {
  if (index < 0 || index >= count()) return kInvalidParam;
  items[size_t(index)] = bmp;
  return kOk;
}

}  // namespace px

#pragma once
// Small helpers for the effects tests.
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "Bitmap24.h"
#include "Random.h"

namespace fxtest {

using kalvora::Bgr;
using kalvora::Bitmap24;

// A bitmap of the given width holding the pixels row by row.
inline Bitmap24 make(int width, std::initializer_list<Bgr> pixels) {
  const int h = int(pixels.size()) / width;
  Bitmap24 b(width, h);
  int i = 0;
  for (Bgr p : pixels) b.setPixel(i % width, i / width, p), ++i;
  return b;
}

// One row of single-byte-equal pixels: (v, v, v) for each v.
inline Bitmap24 greys(std::initializer_list<int> values) {
  Bitmap24 b(int(values.size()), 1);
  int x = 0;
  for (int v : values) b.setPixel(x++, 0, Bgr{std::uint8_t(v), std::uint8_t(v), std::uint8_t(v)});
  return b;
}

inline Bitmap24 noise(int w, int h, std::uint32_t seed) {
  kalvora::FxRandom r(seed);
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w * 3; ++x) b.scanLine(y)[x] = std::uint8_t(r.random(256));
  return b;
}

// A smooth picture with edges: gradients plus a bright square.
inline Bitmap24 scene(int w, int h) {
  Bitmap24 b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      Bgr p{std::uint8_t(x * 255 / (w > 1 ? w - 1 : 1)), std::uint8_t(y * 255 / (h > 1 ? h - 1 : 1)),
            std::uint8_t((x + y) * 7)};
      if (x > w / 3 && x < 2 * w / 3 && y > h / 3 && y < 2 * h / 3) p = Bgr{240, 240, 20};
      b.setPixel(x, y, p);
    }
  return b;
}

inline bool uniform(const Bitmap24& b, Bgr c) {
  for (int y = 0; y < b.height(); ++y)
    for (int x = 0; x < b.width(); ++x)
      if (!(b.pixel(x, y) == c)) return false;
  return true;
}

}  // namespace fxtest

#include "Bitmap24.h"

#include <cstring>
#include <limits>
#include <new>

namespace kalvora {

Bitmap24::Bitmap24(int width, int height) { setSize(width, height); }

Bitmap24::Bitmap24(int width, int height, Bgr fillColor) {
  setSize(width, height);
  fill(fillColor);
}

void Bitmap24::setSize(int width, int height) {
  if (width <= 0 || height <= 0) {
    width_ = height_ = stride_ = 0;
    data_.clear();
    data_.shrink_to_fit();
    return;
  }
  long long stride = ((long long)width * 3 + 3) & ~3LL;
  if (stride > std::numeric_limits<int>::max()) throw std::bad_alloc();
  unsigned long long bytes = (unsigned long long)stride * (unsigned long long)height;
  if (bytes > std::numeric_limits<std::size_t>::max() / 2 || bytes > (1ULL << 40)) throw std::bad_alloc();
  data_.assign(std::size_t(bytes), 0);
  width_ = width;
  height_ = height;
  stride_ = int(stride);
}

void Bitmap24::fill(Bgr c) {
  if (isEmpty()) return;
  std::uint8_t* row0 = scanLine(0);
  for (int x = 0; x < width_; ++x) {
    row0[3 * x] = c.b;
    row0[3 * x + 1] = c.g;
    row0[3 * x + 2] = c.r;
  }
  for (int y = 1; y < height_; ++y) std::memcpy(scanLine(y), row0, std::size_t(stride_));
}

Bgr Bitmap24::pixel(int x, int y) const {
  if (!contains(x, y)) return Bgr{};
  const std::uint8_t* p = scanLine(y) + 3 * x;
  return Bgr{p[0], p[1], p[2]};
}

void Bitmap24::setPixel(int x, int y, Bgr c) {
  if (!contains(x, y)) return;
  std::uint8_t* p = scanLine(y) + 3 * x;
  p[0] = c.b;
  p[1] = c.g;
  p[2] = c.r;
}

}  // namespace kalvora

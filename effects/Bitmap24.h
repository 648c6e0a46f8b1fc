#pragma once
// The pixel store of the effects engine: a 24-bit bitmap of our own, free of Qt, so every filter
// runs and is tested headless.
//
// Layout (fixed, the filters and the QImage bridge rely on it):
//   - top-down: row 0 is the top row;
//   - 3 bytes per pixel in memory order blue, green, red ("byte 0" is blue, "byte 2" red);
//   - every row starts on a 4-byte boundary: stride() = (width * 3 + 3) rounded down to a multiple of 4;
//   - padding bytes are kept at zero.
// This is exactly QImage::Format_BGR888 with a 4-byte aligned stride, so Bitmap24Qt.h can wrap a
// bitmap as a QImage without copying.
//
// A bitmap of width or height 0 is empty: it has no rows and scanLine() must not be called.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kalvora {

// A class-library colour: $00BBGGRR (red in the low byte).
using TColor = std::uint32_t;

// One pixel in memory order.
struct Bgr {
  std::uint8_t b = 0, g = 0, r = 0;
  friend bool operator==(const Bgr&, const Bgr&) = default;
};

inline Bgr BgrFromColor(TColor c) {
  return Bgr{std::uint8_t((c >> 16) & 0xFF), std::uint8_t((c >> 8) & 0xFF), std::uint8_t(c & 0xFF)};
}
inline TColor ColorFromBgr(Bgr p) { return TColor(p.r) | (TColor(p.g) << 8) | (TColor(p.b) << 16); }

class Bitmap24 {
 public:
  // Empty bitmap (0 x 0).
  Bitmap24() = default;
  // width x height, all black. Negative sizes count as 0. Throws std::bad_alloc when the
  // picture would not fit in memory or its byte count would overflow.
  Bitmap24(int width, int height);
  Bitmap24(int width, int height, Bgr fillColor);

  int width() const { return width_; }
  int height() const { return height_; }
  // Bytes from the start of one row to the next.
  int stride() const { return stride_; }
  bool isEmpty() const { return width_ <= 0 || height_ <= 0; }
  // stride() * height()
  std::size_t byteCount() const { return data_.size(); }

  // New size; every pixel becomes black (the old contents are dropped).
  void setSize(int width, int height);
  void fill(Bgr c);

  // Row y (0 = top). y must lie in 0 .. height() - 1.
  std::uint8_t* scanLine(int y) { return data_.data() + std::size_t(y) * std::size_t(stride_); }
  const std::uint8_t* scanLine(int y) const { return data_.data() + std::size_t(y) * std::size_t(stride_); }
  std::uint8_t* bits() { return data_.data(); }
  const std::uint8_t* bits() const { return data_.data(); }

  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // Checked pixel access: outside the bitmap pixel() gives black and setPixel() does nothing.
  Bgr pixel(int x, int y) const;
  void setPixel(int x, int y, Bgr c);

  // Same size and the same pixels (padding is always zero, so the bytes are compared).
  friend bool operator==(const Bitmap24& a, const Bitmap24& b) {
    return a.width_ == b.width_ && a.height_ == b.height_ && a.data_ == b.data_;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<std::uint8_t> data_;
};

}  // namespace kalvora

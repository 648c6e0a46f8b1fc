#include "VectorMaps.h"

#include <algorithm>
#include <new>

#include "RasterErrors.h"

namespace kalvora::raster {

namespace {
inline TFixed WrapSub(TFixed a, TFixed b) {
  return static_cast<TFixed>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
inline TFixed WrapAdd(TFixed a, TFixed b) {
  return static_cast<TFixed>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
}  // namespace

TFixedVector CombineVectors(const TFixedVector& a, const TFixedVector& b, TFixed w) {
  return {WrapAdd(a.X, FixedMul(WrapSub(b.X, a.X), w)), WrapAdd(a.Y, FixedMul(WrapSub(b.Y, a.Y), w))};
}

TVectorMap::~TVectorMap() {
  Lock();
  vectors_.clear();
  width_ = height_ = 0;
  Unlock();
}

bool TVectorMap::Empty() const { return width_ == 0 || height_ == 0 || vectors_.empty(); }

void TVectorMap::Clear() { std::fill(vectors_.begin(), vectors_.end(), TFixedVector{}); }

void TVectorMap::ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                            std::int32_t newHeight) {
  vectors_.clear();
  vectors_.shrink_to_fit();
  width = 0;
  height = 0;
  if (newWidth >= 1 && newHeight >= 1) {
    try {
      vectors_.assign(static_cast<std::size_t>(newWidth) * static_cast<std::size_t>(newHeight), TFixedVector{});
    } catch (const std::bad_alloc&) {
      throw ERasterException("Can't allocate VectorMap!");
    } catch (const std::length_error&) {
      throw ERasterException("Can't allocate VectorMap!");
    }
  }
  width = newWidth;
  height = newHeight;
}

TFixedVector TVectorMap::GetFixedVectorX(TFixed x, TFixed y) const {
  const std::int32_t xi = x >> 16, yi = y >> 16;
  if (xi < 0 || yi < 0 || xi > width_ - 1 || yi > height_ - 1) return {};
  const TFixed fx = x & 0xFFFF, fy = y & 0xFFFF;
  const TFixedVector* p = vectors_.data() + xi + static_cast<std::ptrdiff_t>(yi) * width_;
  const std::ptrdiff_t rowStep = yi == height_ - 1 ? 0 : width_;
  const std::ptrdiff_t colStep = xi == width_ - 1 ? 0 : 1;
  const TFixedVector upper = CombineVectors(p[0], p[colStep], fx);
  const TFixedVector lower = CombineVectors(p[rowStep], p[rowStep + colStep], fx);
  return CombineVectors(upper, lower, fy);
}

TFixedVector TVectorMap::GetFixedVectorXS(TFixed x, TFixed y) const {
  const std::int32_t xi = x >> 16, yi = y >> 16;
  const TFixed fx = x & 0xFFFF, fy = y & 0xFFFF;
  const TFixedVector upper = CombineVectors(GetFixedVectorS(xi, yi), GetFixedVectorS(xi + 1, yi), fx);
  const TFixedVector lower = CombineVectors(GetFixedVectorS(xi, yi + 1), GetFixedVectorS(xi + 1, yi + 1), fx);
  return CombineVectors(upper, lower, fy);
}

TFloatVector TVectorMap::GetFloatVectorX(TFloat x, TFloat y) const {
  const TFixedVector v = GetFixedVectorX(Fixed(x), Fixed(y));
  return {v.X * FixedToFloat, v.Y * FixedToFloat};
}

TRect TVectorMap::GetTrimmedBounds() const {
  std::int32_t left = width_, top = height_, right = -1, bottom = -1;
  for (std::int32_t y = 0; y < height_; ++y) {
    const TFixedVector* row = vectors_.data() + static_cast<std::ptrdiff_t>(y) * width_;
    std::int32_t first = -1, last = -1;
    for (std::int32_t x = 0; x < width_; ++x)
      if (row[x].X != 0 || row[x].Y != 0) {
        if (first < 0) first = x;
        last = x;
      }
    if (first < 0) continue;
    left = std::min(left, first);
    right = std::max(right, last);
    if (top > y) top = y;
    bottom = y;
  }
  if (right < 0) return TRect{};
  return TRect{left, top, right + 1, bottom + 1};
}

void TVectorMap::SetVectorCombineMode(TVectorCombineMode v) {
  if (v == vectorCombineMode_) return;
  vectorCombineMode_ = v;
  Changed();
}

}  // namespace kalvora::raster

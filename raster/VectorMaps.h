#pragma once
// TVectorMap: a grid of 16.16 displacement vectors, read with bilinear interpolation.
#include <cstdint>
#include <functional>
#include <vector>

#include "Persistent.h"
#include "RasterMath.h"

namespace kalvora::raster {

enum class TVectorCombineMode : std::uint8_t { vcmAdd, vcmReplace, vcmCustom };
using TVectorCombineEvent = std::function<void(const TFixedVector& f, const TFixedVector& p, TFixedVector& b)>;

// A + (B - A) * W for each component, W the 16-bit fraction of a 16.16 coordinate.
TFixedVector CombineVectors(const TFixedVector& a, const TFixedVector& b, TFixed w);

class TVectorMap : public TCustomMap {
 public:
  ~TVectorMap() override;
  bool Empty() const override;
  // Every vector to zero. (A resize zeroes the map; SetSize to the same size changes nothing.)
  void Clear();
  TFixedVector* GetVectors() { return vectors_.data(); }
  const TFixedVector* GetVectors() const { return vectors_.data(); }

  // Unchecked: the caller keeps 0 <= x < Width, 0 <= y < Height.
  TFixedVector GetFixedVector(std::int32_t x, std::int32_t y) const {
    return vectors_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_)];
  }
  void SetFixedVector(std::int32_t x, std::int32_t y, const TFixedVector& v) {
    vectors_[static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * static_cast<std::size_t>(width_)] = v;
  }
  // Zero outside the grid.
  TFixedVector GetFixedVectorS(std::int32_t x, std::int32_t y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return {};
    return GetFixedVector(x, y);
  }
  // Bilinear at 16.16 coordinates; zero outside, the last row and column blend only with themselves.
  TFixedVector GetFixedVectorX(TFixed x, TFixed y) const;
  // Bilinear from four clipped reads: fades to zero across the border.
  TFixedVector GetFixedVectorXS(TFixed x, TFixed y) const;
  TFloatVector GetFloatVectorX(TFloat x, TFloat y) const;

  // The exclusive bounds of the non-zero vectors; (0, 0, 0, 0) when there is none.
  TRect GetTrimmedBounds() const;

  TVectorCombineMode VectorCombineMode() const { return vectorCombineMode_; }
  void SetVectorCombineMode(TVectorCombineMode v);
  TVectorCombineEvent OnVectorCombine;

 protected:
  void ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                  std::int32_t newHeight) override;

 private:
  std::vector<TFixedVector> vectors_;
  TVectorCombineMode vectorCombineMode_ = TVectorCombineMode::vcmAdd;
};

}  // namespace kalvora::raster

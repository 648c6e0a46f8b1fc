#pragma once
// The warp brush: how strongly a stroke moves a point at a given distance from its centre, and
// the layer that shows the brush as a dashed circle over an image view.
#include "Layers.h"

namespace kalvora::raster {

class TGenericBrush {
 public:
  float Pressure() const { return pressure_; }
  void SetPressure(float v);  // 0 .. 1
  float Pinch() const { return pinch_; }
  void SetPinch(float v);  // -1 .. 1
  float Feather() const { return feather_; }
  void SetFeather(float v);  // 0 .. 1
  // The weight at (x, y) from the centre, measured in brush radii; 0 from the rim outwards.
  float Weight(float x, float y) const;

 private:
  float pressure_ = 1.0f;
  float pinch_ = 0.0f;
  float feather_ = 0.0f;
};

class TBrushLayer : public TPositionedLayer {
 public:
  explicit TBrushLayer(TLayerCollection* collection) : TPositionedLayer(collection) {}
  TPoint Center() const { return {centerX_, centerY_}; }
  void SetCenter(TPoint value);
  int Radius() const { return radius_; }
  void SetRadius(int value);
  void Paint(TBitmap32* buffer) override;

 private:
  TRect square() const {
    return {centerX_ - radius_, centerY_ - radius_, centerX_ + radius_ + 1, centerY_ + radius_ + 1};
  }
  int centerX_ = 0, centerY_ = 0, radius_ = 0;
};

}  // namespace kalvora::raster

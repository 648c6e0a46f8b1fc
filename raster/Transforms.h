#pragma once
// Transformations map destination points back to the source (and, where they can, forward);
// TRemapTransformation displaces each destination point by the vector its TVectorMap holds.
// Transform renders a source bitmap through a transformation into a destination.
#include <cstdint>
#include <memory>
#include <string>

#include "Bitmap32.h"
#include "Persistent.h"
#include "RasterErrors.h"
#include "VectorMaps.h"

namespace kalvora::raster {

class TRasterizer;

class TTransformation : public TNotifiablePersistent {
 public:
  virtual const char* ClassName() const { return "TTransformation"; }
  const TFloatRect& SrcRect() const { return srcRect_; }
  void SetSrcRect(const TFloatRect& value);
  bool TransformValid() const { return transformValid_; }
  void Changed() override;

  virtual void PrepareTransform();
  virtual void ReverseTransformInt(std::int32_t dstX, std::int32_t dstY, std::int32_t& srcX, std::int32_t& srcY);
  virtual void ReverseTransformFixed(TFixed dstX, TFixed dstY, TFixed& srcX, TFixed& srcY);
  virtual void ReverseTransformFloat(TFloat dstX, TFloat dstY, TFloat& srcX, TFloat& srcY);
  virtual void TransformInt(std::int32_t srcX, std::int32_t srcY, std::int32_t& dstX, std::int32_t& dstY);
  virtual void TransformFixed(TFixed srcX, TFixed srcY, TFixed& dstX, TFixed& dstY);
  virtual void TransformFloat(TFloat srcX, TFloat srcY, TFloat& dstX, TFloat& dstY);
  virtual bool HasTransformedBounds() const { return true; }
  virtual TRect GetTransformedBounds(const TFloatRect& srcRect);
  TRect GetTransformedBounds() { return GetTransformedBounds(srcRect_); }
  // The integer reverse transform of count points along a row (same results as one at a time).
  virtual void ReverseTransformRowInt(std::int32_t dstX, std::int32_t dstY, std::int32_t count, TPoint* out);

  // These prepare the transformation first when it is not valid.
  TPoint ReverseTransform(const TPoint& p);
  TFixedPoint ReverseTransform(const TFixedPoint& p);
  TFloatPoint ReverseTransform(const TFloatPoint& p);
  TPoint Transform(const TPoint& p);
  TFixedPoint Transform(const TFixedPoint& p);
  TFloatPoint Transform(const TFloatPoint& p);

 protected:
  TFloatRect srcRect_;
  bool transformValid_ = false;
};

class TRemapTransformation : public TTransformation {
 public:
  TRemapTransformation();
  ~TRemapTransformation() override;
  const char* ClassName() const override { return "TRemapTransformation"; }

  TVectorMap* VectorMap() const { return vectorMap_; }
  // Replaces the reference only (the map is not owned); nullptr goes back to the own map.
  void SetVectorMap(TVectorMap* map) { vectorMap_ = map != nullptr ? map : ownMap_.get(); }
  void Scale(TFloat sx, TFloat sy);
  const TFloatRect& MappingRect() const { return mappingRect_; }
  void SetMappingRect(const TFloatRect& rect);

  // Raises ERasterException "SrcRect is empty!" / "MappingRect is empty!". A map one cell wide
  // or high is fine: the source scale is then taken per destination pixel.
  void PrepareTransform() override;
  void ReverseTransformInt(std::int32_t dstX, std::int32_t dstY, std::int32_t& srcX, std::int32_t& srcY) override;
  void ReverseTransformFixed(TFixed dstX, TFixed dstY, TFixed& srcX, TFixed& srcY) override;
  void ReverseTransformFloat(TFloat dstX, TFloat dstY, TFloat& srcX, TFloat& srcY) override;
  void ReverseTransformRowInt(std::int32_t dstX, std::int32_t dstY, std::int32_t count, TPoint* out) override;
  // The integer reverse transform of a row with the clipped pixel read of each point (the warp
  // dialog's re-render in one pass): out[i] = src.PixelS(ReverseTransformInt(dstX + i, dstY)).
  void ReverseTransformRowReadS(std::int32_t dstX, std::int32_t dstY, std::int32_t count, const TBitmap32& src,
                                TColor32* out);
  bool HasTransformedBounds() const override { return false; }
  using TTransformation::GetTransformedBounds;
  TRect GetTransformedBounds(const TFloatRect& srcRect) override;

 private:
  std::unique_ptr<TVectorMap> ownMap_;
  TVectorMap* vectorMap_;
  TFixedVector scalingFixed_{FixedOne, FixedOne};
  TFloatVector scalingFloat_{1.0f, 1.0f};
  TFixedVector combinedScalingFixed_;
  TFloatVector combinedScalingFloat_;
  TFixedVector srcTranslationFixed_, srcScaleFixed_, dstTranslationFixed_, dstScaleFixed_;
  TFloatVector srcTranslationFloat_, srcScaleFloat_, dstTranslationFloat_, dstScaleFloat_;
  TFixedVector offsetFixed_;
  TPoint offsetInt_;
  TFloatRect mappingRect_;
  TFloatVector offsetFloat_;
  // The fixed and integer paths per axis: ((d - dt) * ds + v * cs) * ss + st, all 16.16 and
  // wrapping as 32-bit values do.
  struct TFixedAxis {
    TFixed dt = 0, ds = 0, cs = 0, ss = 0, st = 0;
    TFixed At(TFixed d, TFixed v) const {
      const auto add = [](TFixed a, TFixed b) {
        return static_cast<TFixed>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
      };
      const TFixed rel = static_cast<TFixed>(static_cast<std::uint32_t>(d) - static_cast<std::uint32_t>(dt));
      return add(FixedMul(add(FixedMul(rel, ds), FixedMul(v, cs)), ss), st);
    }
    std::int32_t Rounded(TFixed d, TFixed v) const { return FixedRound(At(d, v)); }
  };
  TFixedAxis axisX_, axisY_;
};

// Renders src through the transformation into dst (the default rasterizer is a
// TRegularRasterizer); nothing happens where the transformed bounds miss the clip.
void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation);
void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, const TRect& dstClip);
void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, TRasterizer* rasterizer);
void Transform(TBitmap32* dst, TBitmap32* src, TTransformation* transformation, const TRect& dstClip,
               TRasterizer* rasterizer);
// Clears the alpha of the border pixels of r (limited to the bitmap).
void SetBorderTransparent(TBitmap32* bitmap, const TRect& r);

}  // namespace kalvora::raster

#pragma once
// TBitmap32: the 32-bit top-down bitmap of the raster library, on an owned pixel buffer.
//
// The pixels are one contiguous block, row after row, each pixel a TColor32 ($AARRGGBB, bytes
// B, G, R, A in memory: the layout of QImage::Format_ARGB32). Canvas() is a QImage over the same
// memory, so QPainter draws into the bitmap without copies; RgbView() is a Format_RGB32 view for
// blits that must ignore alpha. A freshly sized bitmap reads as zero.
#include <QFont>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "Persistent.h"
#include "RasterBlend.h"
#include "RasterErrors.h"
#include "RasterMath.h"

class QIODevice;
class QPainter;

namespace kalvora::raster {

enum class TDrawMode : std::uint8_t { dmOpaque, dmBlend, dmCustom, dmTransparent };

constexpr std::uint32_t AREAINFO_RECT = 0x80000000u;
constexpr std::uint32_t AREAINFO_LINE = 0x40000000u;

class TBitmap32;
class TCustomResampler;

using TPixelCombineEvent = std::function<void(TColor32 f, TColor32& b, TColor32 m)>;
using TAreaChangedEvent = std::function<void(TBitmap32* sender, const TRect& area, std::uint32_t info)>;

class TBitmap32 : public TCustomMap {
 public:
  TBitmap32();
  ~TBitmap32() override;

  // ---- container ----
  TColor32* Bits() { return bits_; }
  const TColor32* Bits() const { return bits_; }
  // Stands for the system bitmap handle: the pixel block, nullptr when empty.
  const void* Handle() const { return bits_; }
  bool Empty() const override;
  void Delete() override;

  QImage& Canvas();
  void DeleteCanvas();
  bool HasCanvas() const { return canvas_ != nullptr; }
  QImage RgbView() const;
  QFont Font;

  void Clear();
  void Clear(TColor32 fillColor);
  void ResetAlpha(std::uint8_t alphaValue = 255);

  // Copies the whole bitmap 1:1 to a painter at (dstX, dstY), ignoring alpha as a screen blit does.
  void DrawTo(QPainter& painter, std::int32_t dstX, std::int32_t dstY) const;
  void DrawTo(TBitmap32* dst, const TRect& dstRect);
  void DrawTo(TBitmap32* dst, std::int32_t dstX, std::int32_t dstY);
  void DrawTo(TBitmap32* dst);

  // nullptr empties the bitmap.
  void Assign(const TBitmap32* source);
  // A picture: its pixels, alpha 255 where the picture has no alpha channel.
  void Assign(const QImage& source);
  void AssignTo(QImage& dest) const;
  virtual void CopyMapTo(TBitmap32* dst) const;
  virtual void CopyPropertiesTo(TBitmap32* dst) const;

  // Any picture the Qt image readers take (JPEG and BMP among them). Raises EBitmapException
  // when the file is missing or not a picture; the bitmap is unchanged then.
  void LoadFromFile(const QString& fileName);
  // Always a 32-bit Windows bitmap file (alpha kept), whatever the extension; written to a
  // temporary file and renamed, so a failure leaves the old file. Raises EBitmapException.
  void SaveToFile(const QString& fileName) const;
  // The 32-bit bitmap file image of the pixels.
  QByteArray BitmapFileBytes() const;
  // "Data" streaming: width, height (4 bytes each) and the pixels. ReadData raises
  // EBitmapException on a short or impossible stream and leaves the bitmap as it was.
  void ReadData(QIODevice& stream);
  void WriteData(QIODevice& stream) const;

  // ---- settings ----
  TDrawMode DrawMode() const { return drawMode_; }
  void SetDrawMode(TDrawMode v);
  TCombineMode CombineMode() const { return combineMode_; }
  void SetCombineMode(TCombineMode v);
  TWrapMode WrapMode() const { return wrapMode_; }
  void SetWrapMode(TWrapMode v);
  TColor32 MasterAlpha() const { return masterAlpha_; }
  void SetMasterAlpha(TColor32 v);  // values above 255 are taken as 255
  TColor32 OuterColor() const { return outerColor_; }
  void SetOuterColor(TColor32 v) { outerColor_ = v; }
  TColor32 PenColor() const { return penColor_; }
  void SetPenColor(TColor32 v) { penColor_ = v; }
  float StippleStep = 1.0f;

  TCustomResampler* Resampler() const { return resampler_.get(); }
  // Takes ownership; nullptr and the current resampler are ignored. Frees the old resampler,
  // stores the new one, then notifies.
  void SetResampler(TCustomResampler* resampler);
  // The same without the notification.
  void InstallResampler(TCustomResampler* resampler);
  std::string ResamplerClassName() const;
  // An empty, current or unknown name is ignored.
  void SetResamplerClassName(const std::string& name);

  // ---- clipping ----
  const TRect& ClipRect() const { return clipRect_; }
  const TFixedRect& FixedClipRect() const { return fixedClipRect_; }
  const TRect& ClipRect256() const { return clipRect256_; }
  bool Clipping() const { return clipping_; }
  void SetClipRect(const TRect& value);
  void ResetClipRect();

  // ---- change notification ----
  void Changed() override;
  virtual void Changed(const TRect& area, std::uint32_t info = AREAINFO_RECT);
  void BeginMeasuring(TAreaChangedEvent callback);
  void EndMeasuring();
  bool MeasuringMode() const { return measuringMode_; }

  TNotifyEvent OnHandleChanged;
  TPixelCombineEvent OnPixelCombine;
  TAreaChangedEvent OnAreaChanged;

  // ---- pixel access (unchecked forms: the caller keeps every pixel inside) ----
  TColor32 Pixel(std::int32_t x, std::int32_t y) const { return bits_[x + static_cast<std::ptrdiff_t>(y) * width_]; }
  void SetPixel(std::int32_t x, std::int32_t y, TColor32 v) { bits_[x + static_cast<std::ptrdiff_t>(y) * width_] = v; }
  TColor32* PixelPtr(std::int32_t x, std::int32_t y) { return bits_ + x + static_cast<std::ptrdiff_t>(y) * width_; }
  const TColor32* PixelPtr(std::int32_t x, std::int32_t y) const { return bits_ + x + static_cast<std::ptrdiff_t>(y) * width_; }
  TColor32* ScanLine(std::int32_t y) { return bits_ + static_cast<std::ptrdiff_t>(y) * width_; }
  const TColor32* ScanLine(std::int32_t y) const { return bits_ + static_cast<std::ptrdiff_t>(y) * width_; }
  // Clipped forms: outside ClipRect the read gives OuterColor and the write does nothing.
  TColor32 PixelS(std::int32_t x, std::int32_t y) const {
    return (x >= clipRect_.Left && x < clipRect_.Right && y >= clipRect_.Top && y < clipRect_.Bottom)
               ? Pixel(x, y) : outerColor_;
  }
  void SetPixelS(std::int32_t x, std::int32_t y, TColor32 v) {
    if (x >= clipRect_.Left && x < clipRect_.Right && y >= clipRect_.Top && y < clipRect_.Bottom) SetPixel(x, y, v);
  }
  TColor32 PixelW(std::int32_t x, std::int32_t y) const;
  TColor32 PixelX(TFixed x, TFixed y) const;
  TColor32 PixelXS(TFixed x, TFixed y) const;
  TColor32 PixelXW(TFixed x, TFixed y) const;

  // ---- drawing ----
  void HorzLine(std::int32_t x1, std::int32_t y, std::int32_t x2, TColor32 value);
  void HorzLineS(std::int32_t x1, std::int32_t y, std::int32_t x2, TColor32 value);
  void VertLine(std::int32_t x, std::int32_t y1, std::int32_t y2, TColor32 value);
  void VertLineS(std::int32_t x, std::int32_t y1, std::int32_t y2, TColor32 value);
  void FillRect(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value);
  void FillRectS(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value);
  void FillRectS(const TRect& r, TColor32 value);
  void FrameRectS(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, TColor32 value);
  void FrameRectS(const TRect& r, TColor32 value);
  // 24.8 positions.
  void BlendSubPixel(std::int32_t x, std::int32_t y, TColor32 c);
  void BlendSubPixelS(std::int32_t x, std::int32_t y, TColor32 c);
  TColor32 SampleSubPixel(std::int32_t x, std::int32_t y) const;
  TColor32 SampleSubPixelS(std::int32_t x, std::int32_t y) const;
  // 16.16 end points; l includes the end point.
  void LineAA(TFixed x1, TFixed y1, TFixed x2, TFixed y2, TColor32 value, bool l = false);
  void LineAAS(TFixed x1, TFixed y1, TFixed x2, TFixed y2, TColor32 value, bool l = false);
  void MoveToF(float x, float y);
  void LineToXS(TFixed x, TFixed y);
  void LineToFS(float x, float y);
  TFixed PenPosX = 0;
  TFixed PenPosY = 0;

 protected:
  void ChangeSize(std::int32_t& width, std::int32_t& height, std::int32_t newWidth,
                  std::int32_t newHeight) override;
  virtual void HandleChanged();

 private:
  void FreePixels();
  void BlendSubPixelWeights(TColor32* p, TColor32 c, std::uint32_t fx, std::uint32_t fy, bool clip,
                            std::int32_t px, std::int32_t py);

  TColor32* bits_ = nullptr;
  std::unique_ptr<QImage> canvas_;
  TRect clipRect_;
  TFixedRect fixedClipRect_;
  TRect clipRect256_;
  bool clipping_ = false;
  TDrawMode drawMode_ = TDrawMode::dmOpaque;
  TCombineMode combineMode_ = TCombineMode::cmBlend;
  TWrapMode wrapMode_ = TWrapMode::wmClamp;
  TColor32 masterAlpha_ = 255;
  TColor32 outerColor_ = 0;
  TColor32 penColor_ = 0xFFFFFFFFu;
  bool measuringMode_ = false;
  TAreaChangedEvent savedAreaChanged_;
  std::unique_ptr<TCustomResampler> resampler_;
};

// Sub-pixel weights: entry i = round(255 * (i / 255) ^ gamma), gamma 0.7 at start.
extern std::uint8_t GammaTable[256];
void SetGamma(float gamma = 0.7f);

// Interpolate(wx, wy, upper pair, lower pair): the bilinear blend of four pixels.
using TInterpolator = TColor32 (*)(std::uint32_t wx, std::uint32_t wy, const TColor32* p1, const TColor32* p2);
extern TInterpolator Interpolate;

}  // namespace kalvora::raster

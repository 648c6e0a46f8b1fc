#pragma once
// TFxPaintFX: the component that holds the program's pixel filters. Every filter works in place
// on 24-bit bitmaps (Bitmap24.h), row by row, top to bottom, pixels left to right.
//
// Rules all filters share (keep to them when adding filters):
//   - A null or empty bitmap makes a filter return at once.
//   - A filter with a source and a destination reads the source and writes the destination.
//     The host passes the same bitmap as both; later pixels then see values already written.
//     Where source and destination differ in size, the destination is first given the source's
//     size (so no pixel outside either bitmap is ever touched).
//   - "div" is integer division truncating toward zero (C++ '/'), "mod" is '%'.
//   - IntToByte clamps to 0..255.
//   - Round is to the nearest integer with ties to the even one: std::nearbyint under the default
//     rounding mode (never std::round). Trunc is a cast toward zero, done only after a range check.
//   - This library is compiled with -ffp-contract=off, so floating expressions are evaluated as
//     written (no fused multiply-add) and give the same pixels on every machine.
//   - Random numbers come from random(), the shared FxRandom unless another was injected.
//   - A zero or invalid divisor (amount 0 where the filter divides by it, a tile of 0 pixels ...)
//     makes the filter do nothing instead of failing.
#include <cstdint>

#include "Bitmap24.h"
#include "Random.h"

namespace kalvora {

class TFxPaintFX {
 public:
  TFxPaintFX() = default;
  virtual ~TFxPaintFX() = default;

  // Generator used by the noise filters (not owned; nullptr = FxRandom::shared()).
  void setRandom(FxRandom* random) { random_ = random; }
  FxRandom& random() const { return random_ ? *random_ : FxRandom::shared(); }

  static std::uint8_t IntToByte(int v) { return v > 255 ? 255 : v < 0 ? 0 : std::uint8_t(v); }
  static std::uint8_t IntToByte(long long v) { return v > 255 ? 255 : v < 0 ? 0 : std::uint8_t(v); }

  // ---- Colour adjustment -------------------------------------------------------------------
  // c := IntToByte(c + ((255 - c) * Amount) div 255) for every byte.
  void Lightness(Bitmap24* bitmap, int amount);
  // grey := (b + g + r) div 3; c := IntToByte(grey + (Amount * (c - grey)) div 255).
  void Saturation(Bitmap24* bitmap, int amount);
  // d := (Amount * |127 - c|) div 255; c > 127: c + d, else c - d; clamped.
  void Contrast(Bitmap24* bitmap, int amount);
  // Lightness, Saturation and Contrast one after the other, fused into one pass over the
  // pixels with lookup tables; gives exactly the bytes of the three separate passes.
  void AdjustColors(Bitmap24* bitmap, int lightness, int saturation, int contrast);

  // ---- Pixel filters of the effects dialog ---------------------------------------------------
  // c := IntToByte(c + Random(Amount) - Amount div 2), three draws per pixel (blue, green, red).
  void AddColorNoise(Bitmap24* bitmap, int amount);
  // One draw n := Random(Amount) - Amount div 2 per pixel, added to all three bytes.
  void AddMonoNoise(Bitmap24* bitmap, int amount);
  // SplitBlur with distance 3, run Amount + 1 times.
  void GaussianBlur(Bitmap24* bitmap, int amount);
  // Each byte := average of the four pixels Amount away diagonally (in place). Rows and columns
  // beyond the picture are clamped to its edge.
  void SplitBlur(Bitmap24* bitmap, int amount);
  // Makes the top and bottom rows and the left and right columns match (bands of 1/Amount).
  void MakeSeamless(Bitmap24* bitmap, int amount);
  // Size x Size blocks from the top-left take their top-left pixel's colour.
  void Mosaic(Bitmap24* bitmap, int size);
  // Swirl around the centre: 90 degrees at the centre, falling off by 1/Amount radian per pixel.
  void Twist(Bitmap24* source, Bitmap24* dest, int amount);
  // Fish-eye lens with radius Dest width x Amount.
  void FishEye(Bitmap24* source, Bitmap24* dest, float amount);
  // Relief: (c + 255 - the byte of pixel (x + 3, y + 1)) shr 1.
  void Emboss(Bitmap24* bitmap);
  // Channel becomes 255 if Lower < c < Upper, else 0; the other two bytes become 0.
  void FilterRed(Bitmap24* bitmap, int lower, int upper);
  void FilterGreen(Bitmap24* bitmap, int lower, int upper);
  void FilterBlue(Bitmap24* bitmap, int lower, int upper);
  // As above, but the other two bytes keep their values.
  void FilterXRed(Bitmap24* bitmap, int lower, int upper);
  void FilterXGreen(Bitmap24* bitmap, int lower, int upper);
  void FilterXBlue(Bitmap24* bitmap, int lower, int upper);
  // Displaces each pixel by a vector picked by the map's blue byte.
  void Plasma(Bitmap24* source, Bitmap24* map, double scale, double amplitude, Bitmap24* dest);
  // The picture shrunk into a tile of min(W div 2, H div 2, Amount) pixels, repeated.
  void TexturizeTile(Bitmap24* bitmap, int amount);
  // The same tile at steps of Round(size * 2 / 3), later tiles covering earlier ones.
  void TexturizeOverlap(Bitmap24* bitmap, int amount);
  // Pixels whose (b + g + r) div 3 exceeds Threshold are inverted.
  void Solarize(Bitmap24* source, Bitmap24* dest, int threshold);
  // c := Round(c / Level) * Level, clamped to 255.
  void Posterize(Bitmap24* source, Bitmap24* dest, int level);

  // ---- Further filters -----------------------------------------------------------------------
  // Reached by effect indexes no dialog entry carries, and by the drawing tools. They are defined
  // in FxPaintFXFurther.cpp; until they are written there they leave the picture unchanged.
  void Marble(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble2(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble3(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble4(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble5(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble6(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble7(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void Marble8(Bitmap24* source, Bitmap24* dest, int scale, double turbulence);
  void EmptyFilter() {}
  void SmoothRotate(Bitmap24* source, Bitmap24* dest, int centreX, int centreY, double angle);
  void Wave(Bitmap24* bitmap, int amount, int style, int inference);
  void SqueezeHor(Bitmap24* source, Bitmap24* dest, int style, int amount);
  void SplitRound(Bitmap24* source, Bitmap24* dest, int style, int amount);
  void Mandelbrot(Bitmap24* bitmap, int iterations, bool mandelbrot, double bottom, double right, double top,
                  double left);
  void Triangles(Bitmap24* bitmap, int amount);
  void RippleTooth(Bitmap24* bitmap, int amount);
  void RippleRandom(Bitmap24* bitmap, int amount);
  void HeightMap(Bitmap24* bitmap, int amount);
  void Blend(Bitmap24* source1, Bitmap24* source2, double amount, Bitmap24* dest);
  void MaskKeepColor(Bitmap24* bitmap, TColor color);
  void MaskRemoveColor(Bitmap24* bitmap, TColor color);
  static int ClampToRange(int value, int low, int high) { return value > high ? high : value < low ? low : value; }
  static TColor PaletteColor(int index);

 private:
  FxRandom* random_ = nullptr;
};

}  // namespace kalvora

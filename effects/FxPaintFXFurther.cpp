// The further filters of TFxPaintFX (marble, rotation, waves, squeezes, fractals, ripples,
// blends, colour masks). Placeholders: each leaves its bitmaps unchanged until written here.
#include "FxPaintFX.h"

namespace kalvora {

void TFxPaintFX::Marble(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble2(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble3(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble4(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble5(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble6(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble7(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::Marble8(Bitmap24*, Bitmap24*, int, double) {}
void TFxPaintFX::SmoothRotate(Bitmap24*, Bitmap24*, int, int, double) {}
void TFxPaintFX::Wave(Bitmap24*, int, int, int) {}
void TFxPaintFX::SqueezeHor(Bitmap24*, Bitmap24*, int, int) {}
void TFxPaintFX::SplitRound(Bitmap24*, Bitmap24*, int, int) {}
void TFxPaintFX::Mandelbrot(Bitmap24*, int, bool, double, double, double, double) {}
void TFxPaintFX::Triangles(Bitmap24*, int) {}
void TFxPaintFX::RippleTooth(Bitmap24*, int) {}
void TFxPaintFX::RippleRandom(Bitmap24*, int) {}
void TFxPaintFX::HeightMap(Bitmap24*, int) {}
void TFxPaintFX::Blend(Bitmap24*, Bitmap24*, double, Bitmap24*) {}
void TFxPaintFX::MaskKeepColor(Bitmap24*, TColor) {}
void TFxPaintFX::MaskRemoveColor(Bitmap24*, TColor) {}
TColor TFxPaintFX::PaletteColor(int) { return 0xFFFFFF; }

}  // namespace kalvora

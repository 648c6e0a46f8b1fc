#include "MenuColors.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace kvmenu {

namespace {
int clampByte(int v) { return std::clamp(v, 0, 255); }
}  // namespace

SystemColors SystemColors::FromPalette(const QPalette& pal) {
  SystemColors s;
  s.btnFace = FromQColor(pal.color(QPalette::Active, QPalette::Button));
  s.highlight = FromQColor(pal.color(QPalette::Active, QPalette::Highlight));
  s.btnShadow = FromQColor(pal.color(QPalette::Active, QPalette::Dark));
  s.menuText = FromQColor(pal.color(QPalette::Active, QPalette::Text));
  s.inactiveCaption = FromQColor(pal.color(QPalette::Disabled, QPalette::Text));
  s.window = FromQColor(pal.color(QPalette::Active, QPalette::Base));
  return s;
}

SystemColors SystemColors::FromApplication() {
  if (!QGuiApplication::instance()) return SystemColors{};
  return FromPalette(QGuiApplication::palette());
}

TColor FromQColor(const QColor& c) { return RGBColor(c.red(), c.green(), c.blue()); }

TColor ColorToRGB(TColor c, const SystemColors& sys) {
  if (c >= 0) return c & 0xFFFFFF;
  switch (c) {
    case clMenuText: return sys.menuText;
    case clInactiveCaption: return sys.inactiveCaption;
    case clWindow: return sys.window;
    case clHighlight: return sys.highlight;
    case clBtnFace: return sys.btnFace;
    case clBtnShadow: return sys.btnShadow;
    default: return clBlack;  // an unknown reference paints black rather than garbage
  }
}

QColor ToQColor(TColor c, const SystemColors& sys) {
  const TColor v = ColorToRGB(c, sys);
  return QColor(RedOf(v), GreenOf(v), BlueOf(v));
}

TColor LightenColor(TColor c, int percent, const SystemColors& sys) {
  const double p = std::min(std::max(percent, 0), 100);
  const TColor v = ColorToRGB(c, sys);
  // std::nearbyint under the default rounding mode rounds halves to even.
  auto up = [p](int ch) { return ch + static_cast<int>(std::nearbyint((255 - ch) * p / 100.0)); };
  return RGBColor(clampByte(up(RedOf(v))), clampByte(up(GreenOf(v))), clampByte(up(BlueOf(v))));
}

TColor DarkenColor(TColor c, int amount, const SystemColors& sys) {
  const TColor v = ColorToRGB(c, sys);
  return RGBColor(clampByte(RedOf(v) - amount), clampByte(GreenOf(v) - amount + 2),
                  clampByte(BlueOf(v) - amount));
}

TColor GrayOfColor(TColor c, int lift, const SystemColors& sys) {
  const TColor v = ColorToRGB(c, sys);
  const int g = std::min((RedOf(v) + GreenOf(v) + BlueOf(v)) / 3 + lift, 240);
  return RGBColor(clampByte(g), clampByte(g), clampByte(g));
}

TColor AverageColor(const std::vector<TColor>& colors, const SystemColors& sys) {
  if (colors.empty()) return clBlack;
  const int n = static_cast<int>(colors.size());
  int r = 0, g = 0, b = 0;
  for (TColor c : colors) {
    const TColor v = ColorToRGB(c, sys);
    r += RedOf(v) / n;
    g += GreenOf(v) / n;
    b += BlueOf(v) / n;
  }
  return RGBColor(r, g, b);
}

namespace {
template <typename F>
void mapPixels(QImage& img, F f) {
  if (img.isNull()) return;
  if (img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32)
    img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  bool have = false;
  QRgb lastIn = 0, lastOut = 0;
  for (int y = 0; y < img.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < img.width(); ++x) {
      const QRgb px = row[x];
      if (!have || px != lastIn) {
        const TColor out = f(RGBColor(qRed(px), qGreen(px), qBlue(px)));
        lastIn = px;
        lastOut = qRgba(RedOf(out), GreenOf(out), BlueOf(out), qAlpha(px));
        have = true;
      }
      row[x] = lastOut;
    }
  }
}
}  // namespace

void MakeBitmapPale(QImage& glyph, int percent) {
  const SystemColors sys;
  mapPixels(glyph, [&](TColor c) { return LightenColor(c, std::min(percent, 100), sys); });
}

void MakeBitmapGray(QImage& glyph, int lift) {
  const SystemColors sys;
  mapPixels(glyph, [&](TColor c) { return GrayOfColor(c, lift, sys); });
}

void PaintGlyphShadow(const QImage& glyph, QImage& canvas, int x, int y, TColor color) {
  if (glyph.isNull()) return;
  const QRgb transparent = glyph.pixel(0, glyph.height() - 1) | 0xFF000000u;
  const QRgb shade = qRgb(RedOf(color), GreenOf(color), BlueOf(color));
  for (int gy = 0; gy < glyph.height(); ++gy)
    for (int gx = 0; gx < glyph.width(); ++gx) {
      const QRgb px = glyph.pixel(gx, gy);
      if (qAlpha(px) == 0 || (px | 0xFF000000u) == transparent) continue;
      const int cx = x + gx, cy = y + gy;
      if (cx >= 0 && cy >= 0 && cx < canvas.width() && cy < canvas.height())
        canvas.setPixel(cx, cy, shade);
    }
}

SchemeColors ComputeSchemeColors(const MenuColorSettings& s, int bitsPerPixel, const SystemColors& sys) {
  SchemeColors k;
  auto rgb = [&](TColor c) { return ColorToRGB(c, sys); };
  auto light = [&](TColor c, int p) { return LightenColor(c, p, sys); };
  k.HighColor = bitsPerPixel >= 16;
  k.ControlShadeLow = 16;
  k.ControlShadeHigh = 40;
  k.MenuColor = rgb(s.Color);
  k.IconColumnColor = rgb(s.IconBackColor);
  if (k.HighColor) {
    if (s.UseDimColor) {
      k.SelectFillColor = light(s.SelectColor, 68);
      k.CheckedFillColor = light(s.SelectColor, 80);
      k.CheckedSelectedFillColor = light(s.SelectColor, 50);
    } else {
      k.SelectFillColor = k.CheckedFillColor = k.CheckedSelectedFillColor = rgb(s.SelectColor);
    }
    k.FrameColor = DarkenColor(clBtnFace, 90, sys);
    k.ShadowColor = DarkenColor(clBtnFace, 76, sys);
  } else {
    k.SelectFillColor = rgb(s.SelectColor);
    k.CheckedFillColor = clWhite;
    k.CheckedSelectedFillColor = clSilver;
    k.FrameColor = k.ShadowColor = rgb(clBtnShadow);
  }
  k.SelectFrameColor = rgb(s.SelectBorderColor);
  k.SelectTextColor = rgb(s.SelectFontColor);
  k.BarColor = rgb(s.MenuBarColor);
  k.DisabledTextColor = rgb(s.DisabledColor);
  k.CheckFrameColor = rgb(s.CheckedColor);
  k.SeparatorLineColor = rgb(s.SeparatorColor);
  if (s.UseSystemColors) {
    const bool h = k.HighColor;
    k.SelectTextColor = rgb(s.FontColor);
    k.MenuColor = h ? light(clBtnFace, 86) : clWhite;
    k.IconColumnColor = h ? light(clBtnFace, 16) : rgb(clBtnFace);
    k.SelectFillColor = h ? light(clHighlight, 68) : clWhite;
    k.SelectFrameColor = rgb(clHighlight);
    k.BarColor = rgb(clBtnFace);
    k.DisabledTextColor = h ? light(clBtnShadow, 10) : rgb(clBtnShadow);
    k.SeparatorLineColor = h ? light(clBtnShadow, 25) : rgb(clBtnShadow);
    k.CheckFrameColor = rgb(clHighlight);
    k.CheckedFillColor = h ? light(clHighlight, 80) : clWhite;
    k.CheckedSelectedFillColor = h ? light(clHighlight, 50) : clWhite;
  }
  return k;
}

TColor MenuBarHotTextColor(TColor color, TColor fontColor, const SystemColors& sys) {
  const TColor c = ColorToRGB(color, sys);
  if ((RedOf(c) + BlueOf(c)) / 2 < 151 && GreenOf(c) < 201) return LightenColor(c, 90, sys);
  return ColorToRGB(fontColor, sys);
}

}  // namespace kvmenu

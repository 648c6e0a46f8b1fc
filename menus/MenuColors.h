#pragma once
// Colours of the owner-drawn menus: BGR values as the stored settings keep them, the system
// colour references resolved through the palette, and the small colour and glyph routines.
#include <QColor>
#include <QImage>
#include <QPalette>
#include <cstdint>
#include <vector>

// Kept in a namespace of their own: other folders name their colours the same way.
namespace kvmenu {

using TColor = std::int32_t;  // 0x00BBGGRR, or a negative system-colour reference

constexpr TColor kSysColorBase = static_cast<TColor>(0x80000000u);
constexpr TColor clMenuText = kSysColorBase | 7;
constexpr TColor clInactiveCaption = kSysColorBase | 3;
constexpr TColor clWindow = kSysColorBase | 5;
constexpr TColor clHighlight = kSysColorBase | 13;
constexpr TColor clBtnFace = kSysColorBase | 15;
constexpr TColor clBtnShadow = kSysColorBase | 16;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clSilver = 0xC0C0C0;

constexpr TColor RGBColor(int r, int g, int b) { return (b << 16) | (g << 8) | r; }
constexpr int RedOf(TColor c) { return c & 0xFF; }
constexpr int GreenOf(TColor c) { return (c & 0xFF00) >> 8; }
constexpr int BlueOf(TColor c) { return (c & 0xFF0000) >> 16; }

// The system colours the menus read, taken from a palette once.
struct SystemColors {
  TColor btnFace = RGBColor(212, 208, 200);
  TColor highlight = RGBColor(10, 36, 106);
  TColor btnShadow = RGBColor(128, 128, 128);
  TColor menuText = clBlack;
  TColor inactiveCaption = RGBColor(128, 128, 128);
  TColor window = clWhite;
  static SystemColors FromPalette(const QPalette& pal);
  static SystemColors FromApplication();
};

TColor FromQColor(const QColor& c);
QColor ToQColor(TColor c, const SystemColors& sys = SystemColors::FromApplication());
TColor ColorToRGB(TColor c, const SystemColors& sys = SystemColors::FromApplication());

TColor LightenColor(TColor c, int percent, const SystemColors& sys = SystemColors::FromApplication());
TColor DarkenColor(TColor c, int amount, const SystemColors& sys = SystemColors::FromApplication());
TColor GrayOfColor(TColor c, int lift, const SystemColors& sys = SystemColors::FromApplication());
TColor AverageColor(const std::vector<TColor>& colors,
                    const SystemColors& sys = SystemColors::FromApplication());

// Glyph conversions on an image (RGB32 or ARGB32; alpha is kept).
void MakeBitmapPale(QImage& glyph, int percent);
void MakeBitmapGray(QImage& glyph, int lift);
// Every glyph pixel that differs from the bottom-left one sets (x + gx, y + gy) on canvas.
void PaintGlyphShadow(const QImage& glyph, QImage& canvas, int x, int y, TColor color);

// The colour properties the scheme is derived from.
struct MenuColorSettings {
  TColor Color = clBtnFace;
  TColor IconBackColor = clBtnFace;
  TColor MenuBarColor = clBtnFace;
  TColor SelectColor = clHighlight;
  TColor SelectBorderColor = clHighlight;
  TColor SelectFontColor = clMenuText;
  TColor DisabledColor = clInactiveCaption;
  TColor SeparatorColor = clBtnFace;
  TColor CheckedColor = clHighlight;
  TColor FontColor = clMenuText;
  bool UseSystemColors = true;
  bool UseDimColor = false;
};

// The 13 working colours, always resolved to RGB.
struct SchemeColors {
  TColor MenuColor = 0, IconColumnColor = 0, SelectFillColor = 0, SelectFrameColor = 0,
         SelectTextColor = 0, CheckedFillColor = 0, CheckedSelectedFillColor = 0,
         CheckFrameColor = 0, BarColor = 0, DisabledTextColor = 0, SeparatorLineColor = 0,
         FrameColor = 0, ShadowColor = 0;
  bool HighColor = true;
  int ControlShadeLow = 16;
  int ControlShadeHigh = 40;
};

SchemeColors ComputeSchemeColors(const MenuColorSettings& s, int bitsPerPixel,
                                 const SystemColors& sys = SystemColors::FromApplication());

// Text colour of a hot menu-bar item: light on dark bars, otherwise the font colour.
TColor MenuBarHotTextColor(TColor color, TColor fontColor,
                           const SystemColors& sys = SystemColors::FromApplication());

}  // namespace kvmenu

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "MenuColors.h"
#include "MenuLook.h"

using namespace kvmenu;

namespace {

struct Rgb { int r, g, b; };
void expectRgb(TColor c, Rgb e, const char* what) {
  EXPECT_EQ(RedOf(c), e.r) << what;
  EXPECT_EQ(GreenOf(c), e.g) << what;
  EXPECT_EQ(BlueOf(c), e.b) << what;
}

// The rules the expected values below are worked from, per channel c:
//   Lighten(c, P) = c + Round((255 - c) x min(P, 100) / 100), halves to even
//   Darken(c, A)  = c - A for red and blue, c - A + 2 for green, each clamped to 0..255
//   Gray(c, L)    = min((r + g + b) div 3 + L, 240)
//   Average       = per channel the sum of (c div N)
// Pinned system colours (MenuLook.cpp): clBtnFace (212, 208, 200), clHighlight (10, 36, 106),
// clBtnShadow (128, 128, 128), clMenuText (0, 0, 0), clInactiveCaption (128, 128, 128).
TEST(MenuColors, LightenDarkenGrayTable) {
  const SystemColors sys = PinnedColors();
  struct Case { const char* what; TColor got; Rgb want; };
  const Case cases[] = {
      {"lighten 150 is white", LightenColor(RGBColor(10, 20, 30), 150, sys), {255, 255, 255}},
      {"lighten 100 is white", LightenColor(RGBColor(10, 20, 30), 100, sys), {255, 255, 255}},
      // 2 + Round(253 x 0.5 = 126.5) = 2 + 126
      {"lighten halves to even", LightenColor(RGBColor(2, 2, 2), 50, sys), {128, 128, 128}},
      {"lighten 0 keeps", LightenColor(RGBColor(7, 8, 9), 0, sys), {7, 8, 9}},
      // clBtnFace: 212 + Round(43 x 0.16 = 6.88), 208 + Round(47 x 0.16 = 7.52), 200 + Round(55 x 0.16 = 8.8)
      {"lighten resolves system colours", LightenColor(clBtnFace, 16, sys), {219, 216, 209}},
      // 0 - 10 and 0 - 10 + 2 clamp to 0
      {"darken black stays black", DarkenColor(clBlack, 10, sys), {0, 0, 0}},
      {"darken spares green by two", DarkenColor(RGBColor(100, 100, 100), 10, sys), {90, 92, 90}},
      // 255 - 1 + 2 = 256 clamps to 255
      {"darken clamps white green", DarkenColor(clWhite, 1, sys), {254, 255, 254}},
      // 765 div 3 + 10 = 265, capped at 240
      {"gray of white capped", GrayOfColor(clWhite, 10, sys), {240, 240, 240}},
      {"gray of black lifted", GrayOfColor(clBlack, 10, sys), {10, 10, 10}},
      // 180 div 3
      {"gray is the mean", GrayOfColor(RGBColor(30, 60, 90), 0, sys), {60, 60, 60}},
      // 1 div 2 + 2 div 2 = 1, 3 div 2 + 4 div 2 = 3, 5 div 2 + 7 div 2 = 5
      {"average truncates each term", AverageColor({RGBColor(1, 3, 5), RGBColor(2, 4, 7)}, sys), {1, 3, 5}},
      {"average of one", AverageColor({RGBColor(9, 8, 7)}, sys), {9, 8, 7}},
      // (0 + 0) div 2 < 151 and 0 < 201: Lighten(black, 90) = Round(229.5) = 230 (even)
      {"hot text on dark bar", MenuBarHotTextColor(RGBColor(0, 0, 0), clMenuText, sys), {230, 230, 230}},
      // (200 + 200) div 2 = 200 >= 151: the font colour, clMenuText
      {"hot text on light bar", MenuBarHotTextColor(RGBColor(200, 200, 200), clMenuText, sys), {0, 0, 0}},
  };
  for (const Case& c : cases) expectRgb(c.got, c.want, c.what);
}

struct SchemeRow { const char* field; TColor SchemeColors::*member; Rgb want; };

void checkScheme(const SchemeColors& k, std::initializer_list<SchemeRow> rows) {
  for (const SchemeRow& r : rows) expectRgb(k.*(r.member), r.want, r.field);
}

TEST(MenuColors, SchemeOfTheDefaultSettings) {
  // System colours on a deep display: the scheme comes from the system column.
  const SchemeColors k = ComputeSchemeColors(MenuColorSettings{}, 32, PinnedColors());
  EXPECT_TRUE(k.HighColor);
  checkScheme(k, {
      // Lighten(clBtnFace, 86): 212 + Round(36.98), 208 + Round(40.42), 200 + Round(47.3)
      {"MenuColor", &SchemeColors::MenuColor, {249, 248, 247}},
      // Lighten(clBtnFace, 16): 212 + Round(6.88), 208 + Round(7.52), 200 + Round(8.8)
      {"IconColumnColor", &SchemeColors::IconColumnColor, {219, 216, 209}},
      // Lighten(clHighlight, 68): 10 + Round(166.6), 36 + Round(148.92), 106 + Round(101.32)
      {"SelectFillColor", &SchemeColors::SelectFillColor, {177, 185, 207}},
      // clHighlight
      {"SelectFrameColor", &SchemeColors::SelectFrameColor, {10, 36, 106}},
      // the font colour, clMenuText
      {"SelectTextColor", &SchemeColors::SelectTextColor, {0, 0, 0}},
      // Lighten(clHighlight, 80): 10 + 196, 36 + Round(175.2), 106 + Round(119.2)
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, {206, 211, 225}},
      // Lighten(clHighlight, 50): 10 + Round(122.5) = 10 + 122, 36 + Round(109.5) = 36 + 110,
      // 106 + Round(74.5) = 106 + 74 (halves to even)
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, {132, 146, 180}},
      // clHighlight
      {"CheckFrameColor", &SchemeColors::CheckFrameColor, {10, 36, 106}},
      // clBtnFace
      {"BarColor", &SchemeColors::BarColor, {212, 208, 200}},
      // Lighten(clBtnShadow, 10): 128 + Round(12.7)
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, {141, 141, 141}},
      // Lighten(clBtnShadow, 25): 128 + Round(31.75)
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, {160, 160, 160}},
      // Darken(clBtnFace, 90): 212 - 90, 208 - 90 + 2, 200 - 90
      {"FrameColor", &SchemeColors::FrameColor, {122, 120, 110}},
      // Darken(clBtnFace, 76): 212 - 76, 208 - 76 + 2, 200 - 76
      {"ShadowColor", &SchemeColors::ShadowColor, {136, 134, 124}},
  });
}

TEST(MenuColors, SchemeWithoutSystemColoursAndDimmed) {
  MenuColorSettings s;
  s.UseSystemColors = false;
  s.UseDimColor = true;
  s.SeparatorColor = RGBColor(1, 2, 3);
  // The colour properties with their defaults (MenuColorSettings), dimmed selection colours.
  const SchemeColors k = ComputeSchemeColors(s, 24, PinnedColors());
  checkScheme(k, {
      // Color = clBtnFace
      {"MenuColor", &SchemeColors::MenuColor, {212, 208, 200}},
      // IconBackColor = clBtnFace
      {"IconColumnColor", &SchemeColors::IconColumnColor, {212, 208, 200}},
      // Lighten(SelectColor = clHighlight, 68), as in the system scheme
      {"SelectFillColor", &SchemeColors::SelectFillColor, {177, 185, 207}},
      // SelectBorderColor = clHighlight
      {"SelectFrameColor", &SchemeColors::SelectFrameColor, {10, 36, 106}},
      // SelectFontColor = clMenuText
      {"SelectTextColor", &SchemeColors::SelectTextColor, {0, 0, 0}},
      // Lighten(clHighlight, 80)
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, {206, 211, 225}},
      // Lighten(clHighlight, 50)
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, {132, 146, 180}},
      // CheckedColor = clHighlight
      {"CheckFrameColor", &SchemeColors::CheckFrameColor, {10, 36, 106}},
      // MenuBarColor = clBtnFace
      {"BarColor", &SchemeColors::BarColor, {212, 208, 200}},
      // DisabledColor = clInactiveCaption
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, {128, 128, 128}},
      // SeparatorColor as set
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, {1, 2, 3}},
      // Darken(clBtnFace, 90) and Darken(clBtnFace, 76) on every deep display
      {"FrameColor", &SchemeColors::FrameColor, {122, 120, 110}},
      {"ShadowColor", &SchemeColors::ShadowColor, {136, 134, 124}},
  });
  // Undimmed, the three selection colours are the select colour itself.
  s.UseDimColor = false;
  const SchemeColors plain = ComputeSchemeColors(s, 24, PinnedColors());
  expectRgb(plain.SelectFillColor, {10, 36, 106}, "plain select");
  expectRgb(plain.CheckedSelectedFillColor, {10, 36, 106}, "plain checked selected");
}

// A second route to the schemes: the rules, applied by the test itself to another set of system
// colours and colour properties.
TEST(MenuColors, SchemesFollowTheRulesForOtherSystemColours) {
  SystemColors sys;
  sys.btnFace = RGBColor(235, 233, 216);
  sys.highlight = RGBColor(49, 106, 197);
  sys.btnShadow = RGBColor(171, 168, 153);
  sys.menuText = RGBColor(5, 6, 7);
  sys.inactiveCaption = RGBColor(122, 150, 223);
  auto lighten = [](Rgb c, int p) {
    auto one = [p](int v) { return v + int(std::nearbyint((255 - v) * std::min(p, 100) / 100.0)); };
    return Rgb{one(c.r), one(c.g), one(c.b)};
  };
  auto darken = [](Rgb c, int a) {
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return Rgb{clamp(c.r - a), clamp(c.g - a + 2), clamp(c.b - a)};
  };
  const Rgb face{235, 233, 216}, high{49, 106, 197}, shadow{171, 168, 153}, text{5, 6, 7}, inactive{122, 150, 223};
  // Halves on the way: (255 - 106) x 0.5 = 74.5, (255 - 153) x 0.25 = 25.5, and for the own select
  // colour below 127 x 0.5 = 63.5 and 255 x 0.5 = 127.5.
  const SchemeColors k = ComputeSchemeColors(MenuColorSettings{}, 32, sys);
  checkScheme(k, {
      {"MenuColor", &SchemeColors::MenuColor, lighten(face, 86)},
      {"IconColumnColor", &SchemeColors::IconColumnColor, lighten(face, 16)},
      {"SelectFillColor", &SchemeColors::SelectFillColor, lighten(high, 68)},
      {"SelectFrameColor", &SchemeColors::SelectFrameColor, high},
      {"SelectTextColor", &SchemeColors::SelectTextColor, text},
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, lighten(high, 80)},
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, lighten(high, 50)},
      {"CheckFrameColor", &SchemeColors::CheckFrameColor, high},
      {"BarColor", &SchemeColors::BarColor, face},
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, lighten(shadow, 10)},
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, lighten(shadow, 25)},
      {"FrameColor", &SchemeColors::FrameColor, darken(face, 90)},
      {"ShadowColor", &SchemeColors::ShadowColor, darken(face, 76)},
  });
  MenuColorSettings own;
  own.UseSystemColors = false;
  own.UseDimColor = true;
  own.SelectColor = RGBColor(0, 128, 255);
  own.Color = RGBColor(3, 4, 5);
  const SchemeColors d = ComputeSchemeColors(own, 16, sys);
  checkScheme(d, {
      {"MenuColor", &SchemeColors::MenuColor, {3, 4, 5}},
      {"IconColumnColor", &SchemeColors::IconColumnColor, face},
      {"SelectFillColor", &SchemeColors::SelectFillColor, lighten({0, 128, 255}, 68)},
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, lighten({0, 128, 255}, 80)},
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, lighten({0, 128, 255}, 50)},
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, inactive},
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, face},
      {"FrameColor", &SchemeColors::FrameColor, darken(face, 90)},
      {"ShadowColor", &SchemeColors::ShadowColor, darken(face, 76)},
  });
  const SchemeColors low = ComputeSchemeColors(MenuColorSettings{}, 4, sys);
  checkScheme(low, {
      {"MenuColor", &SchemeColors::MenuColor, {255, 255, 255}},
      {"IconColumnColor", &SchemeColors::IconColumnColor, face},
      {"SelectFillColor", &SchemeColors::SelectFillColor, {255, 255, 255}},
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, shadow},
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, shadow},
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, {255, 255, 255}},
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, {255, 255, 255}},
      {"FrameColor", &SchemeColors::FrameColor, shadow},
      {"ShadowColor", &SchemeColors::ShadowColor, shadow},
  });
}

TEST(MenuColors, LowColourDisplayFallsBack) {
  MenuColorSettings s;
  s.UseSystemColors = false;
  // Below 16 bits: white, silver and clBtnShadow instead of lightened and darkened colours.
  const SchemeColors k = ComputeSchemeColors(s, 8, PinnedColors());
  EXPECT_FALSE(k.HighColor);
  expectRgb(k.CheckedFillColor, {255, 255, 255}, "checked");
  expectRgb(k.CheckedSelectedFillColor, {192, 192, 192}, "checked selected");
  expectRgb(k.FrameColor, {128, 128, 128}, "frame");
  expectRgb(k.ShadowColor, {128, 128, 128}, "shadow");
  s.UseSystemColors = true;
  const SchemeColors sys = ComputeSchemeColors(s, 8, PinnedColors());
  expectRgb(sys.MenuColor, {255, 255, 255}, "menu");
  expectRgb(sys.IconColumnColor, {212, 208, 200}, "icon column");
}

TEST(MenuColors, GlyphConversions) {
  QImage g(3, 2, QImage::Format_RGB32);
  g.fill(qRgb(0, 0, 0));
  g.setPixel(2, 0, qRgb(200, 100, 0));
  QImage pale0 = g;
  MakeBitmapPale(pale0, 0);
  EXPECT_EQ(pale0, g) << "a dim level of 0 keeps the glyph";
  QImage pale = g;
  MakeBitmapPale(pale, 40);  // black: Round(255 x 0.4) = 102; 200 + Round(22), 100 + Round(62), 0 + 102
  EXPECT_EQ(pale.pixel(0, 0), qRgb(102, 102, 102));
  EXPECT_EQ(pale.pixel(2, 0), qRgb(222, 162, 102));
  QImage gray = g;
  MakeBitmapGray(gray, 10);  // black: 0 + 10; (200 + 100 + 0) div 3 + 10 = 110
  EXPECT_EQ(gray.pixel(0, 0), qRgb(10, 10, 10)) << "grey from the first pixel on";
  EXPECT_EQ(gray.pixel(2, 0), qRgb(110, 110, 110));

  // The shadow takes every pixel that differs from the bottom-left one.
  QImage canvas(6, 6, QImage::Format_RGB32);
  canvas.fill(qRgb(255, 255, 255));
  PaintGlyphShadow(g, canvas, 2, 2, RGBColor(9, 9, 9));
  EXPECT_EQ(canvas.pixel(4, 2), qRgb(9, 9, 9));
  EXPECT_EQ(canvas.pixel(2, 2), qRgb(255, 255, 255));
  PaintGlyphShadow(g, canvas, 5, 5, RGBColor(9, 9, 9));  // clipped at the canvas edge
}

}  // namespace

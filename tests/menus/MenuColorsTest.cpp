#include <gtest/gtest.h>

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

TEST(MenuColors, LightenDarkenGrayTable) {
  const SystemColors sys = PinnedColors();
  struct Case { const char* what; TColor got; Rgb want; };
  const Case cases[] = {
      {"lighten 150 is white", LightenColor(RGBColor(10, 20, 30), 150, sys), {255, 255, 255}},
      {"lighten 100 is white", LightenColor(RGBColor(10, 20, 30), 100, sys), {255, 255, 255}},
      {"lighten halves to even", LightenColor(RGBColor(2, 2, 2), 50, sys), {128, 128, 128}},
      {"lighten 0 keeps", LightenColor(RGBColor(7, 8, 9), 0, sys), {7, 8, 9}},
      {"lighten resolves system colours", LightenColor(clBtnFace, 16, sys), {219, 216, 209}},
      {"darken black stays black", DarkenColor(clBlack, 10, sys), {0, 0, 0}},
      {"darken spares green by two", DarkenColor(RGBColor(100, 100, 100), 10, sys), {90, 92, 90}},
      {"darken clamps white green", DarkenColor(clWhite, 1, sys), {254, 255, 254}},
      {"gray of white capped", GrayOfColor(clWhite, 10, sys), {240, 240, 240}},
      {"gray of black lifted", GrayOfColor(clBlack, 10, sys), {10, 10, 10}},
      {"gray is the mean", GrayOfColor(RGBColor(30, 60, 90), 0, sys), {60, 60, 60}},
      {"average truncates each term", AverageColor({RGBColor(1, 3, 5), RGBColor(2, 4, 7)}, sys), {1, 3, 5}},
      {"average of one", AverageColor({RGBColor(9, 8, 7)}, sys), {9, 8, 7}},
      {"hot text on dark bar", MenuBarHotTextColor(RGBColor(0, 0, 0), clMenuText, sys), {230, 230, 230}},
      {"hot text on light bar", MenuBarHotTextColor(RGBColor(200, 200, 200), clMenuText, sys), {0, 0, 0}},
  };
  for (const Case& c : cases) expectRgb(c.got, c.want, c.what);
}

struct SchemeRow { const char* field; TColor SchemeColors::*member; Rgb want; };

void checkScheme(const SchemeColors& k, std::initializer_list<SchemeRow> rows) {
  for (const SchemeRow& r : rows) expectRgb(k.*(r.member), r.want, r.field);
}

TEST(MenuColors, SchemeOfTheDefaultSettings) {
  const SchemeColors k = ComputeSchemeColors(MenuColorSettings{}, 32, PinnedColors());
  EXPECT_TRUE(k.HighColor);
  checkScheme(k, {
      {"MenuColor", &SchemeColors::MenuColor, {249, 248, 247}},
      {"IconColumnColor", &SchemeColors::IconColumnColor, {219, 216, 209}},
      {"SelectFillColor", &SchemeColors::SelectFillColor, {177, 185, 207}},
      {"SelectFrameColor", &SchemeColors::SelectFrameColor, {10, 36, 106}},
      {"SelectTextColor", &SchemeColors::SelectTextColor, {0, 0, 0}},
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, {206, 211, 225}},
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, {132, 146, 180}},
      {"CheckFrameColor", &SchemeColors::CheckFrameColor, {10, 36, 106}},
      {"BarColor", &SchemeColors::BarColor, {212, 208, 200}},
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, {141, 141, 141}},
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, {160, 160, 160}},
      {"FrameColor", &SchemeColors::FrameColor, {122, 120, 110}},
      {"ShadowColor", &SchemeColors::ShadowColor, {136, 134, 124}},
  });
}

TEST(MenuColors, SchemeWithoutSystemColoursAndDimmed) {
  MenuColorSettings s;
  s.UseSystemColors = false;
  s.UseDimColor = true;
  s.SeparatorColor = RGBColor(1, 2, 3);
  const SchemeColors k = ComputeSchemeColors(s, 24, PinnedColors());
  checkScheme(k, {
      {"MenuColor", &SchemeColors::MenuColor, {212, 208, 200}},
      {"IconColumnColor", &SchemeColors::IconColumnColor, {212, 208, 200}},
      {"SelectFillColor", &SchemeColors::SelectFillColor, {177, 185, 207}},
      {"SelectFrameColor", &SchemeColors::SelectFrameColor, {10, 36, 106}},
      {"SelectTextColor", &SchemeColors::SelectTextColor, {0, 0, 0}},
      {"CheckedFillColor", &SchemeColors::CheckedFillColor, {206, 211, 225}},
      {"CheckedSelectedFillColor", &SchemeColors::CheckedSelectedFillColor, {132, 146, 180}},
      {"CheckFrameColor", &SchemeColors::CheckFrameColor, {10, 36, 106}},
      {"BarColor", &SchemeColors::BarColor, {212, 208, 200}},
      {"DisabledTextColor", &SchemeColors::DisabledTextColor, {128, 128, 128}},
      {"SeparatorLineColor", &SchemeColors::SeparatorLineColor, {1, 2, 3}},
      {"FrameColor", &SchemeColors::FrameColor, {122, 120, 110}},
      {"ShadowColor", &SchemeColors::ShadowColor, {136, 134, 124}},
  });
  // Undimmed, the three selection colours are the select colour itself.
  s.UseDimColor = false;
  const SchemeColors plain = ComputeSchemeColors(s, 24, PinnedColors());
  expectRgb(plain.SelectFillColor, {10, 36, 106}, "plain select");
  expectRgb(plain.CheckedSelectedFillColor, {10, 36, 106}, "plain checked selected");
}

TEST(MenuColors, LowColourDisplayFallsBack) {
  MenuColorSettings s;
  s.UseSystemColors = false;
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
  MakeBitmapPale(pale, 40);
  EXPECT_EQ(pale.pixel(0, 0), qRgb(102, 102, 102));
  EXPECT_EQ(pale.pixel(2, 0), qRgb(222, 162, 102));
  QImage gray = g;
  MakeBitmapGray(gray, 10);
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

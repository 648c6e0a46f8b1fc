#pragma once
// px drawing: 3-D frames, 3-D shapes and rotated 3-D text, drawn with a QPainter on the
// target picture.
//
// Definitions of the numeric arguments:
// - Frame flags: 0x10 inner bevel raised, 0x20 outer bevel raised (inset otherwise). The frame
//   is drawn from the outside in: outer bevel, plain frame, inner bevel.
// - Shape codes: 1000 ellipse, 2000 rectangle (the 3-D frame of thumbnails and gallery
//   pictures), 3000 rounded rectangle, 4000 diamond. Other codes: kInvalidParam.
//   Background styles 0 transparent, 1 opaque (fill colour), 2 translucent (fill colour at half
//   strength), 3 tiled image, 4 translucent tiled image; pattern styles 0..7 as in PxEffects.h
//   (2..7 hatch the background with the pattern colour). Border styles 0 none, 1 solid, 2 dash,
//   3 dot, 4 dash-dot, 5 dash-dot-dot. Band styles 0 none, 1 inset, 2 raised. The drawing
//   order is shadow, background, outer band, border, inner band, from the outside in.
// - Text flags: style code (low 4 bits: 0 normal, 1 inset light, 2 inset heavy, 3 raised
//   light, 4 raised heavy, 5 drop shadow, 6 block shadow, 7 outline block, 8 inset extra
//   light, 9 inset extra heavy, 10 raised extra light, 11 raised extra heavy) | horizontal
//   alignment (0 left, 16 centre, 32 right) | vertical alignment (0 top, 256 centre,
//   512 bottom) | 4096 word wrap. The angle is in tenths of a degree, anticlockwise, around the
//   centre of the text rectangle; everything is clipped to the turned rectangle and, for the
//   shadow styles, to that rectangle moved by the shadow depth. Inset and raised styles light
//   one side with the highlight colour and shade the other with the shadow colour. A texture
//   image, when given, fills the letters instead of the text colour.
// Colours are QColors (the component converts its TColor values).
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QRect>
#include <QString>

namespace px {

int EfxDrawFrame(QPainter& p, QRect& rect, int flags, int thickness, QColor color, int innerThickness,
                 QColor innerShadow, QColor innerHilite, int outerThickness, QColor outerShadow, QColor outerHilite);

struct ShapeStyle {
  QColor fillColor;          // background colour
  int backgroundStyle = 0;
  const QImage* background = nullptr;
  QRect backgroundRect;      // part of `background` used as the tile
  QColor patternColor;
  int patternStyle = 0;
  QColor borderColor;
  int borderStyle = 0;
  int borderThickness = 0;
  QColor innerHilite, innerShadow;
  int innerStyle = 0, innerThickness = 0;
  QColor outerHilite, outerShadow;
  int outerStyle = 0, outerThickness = 0;
  int shadowX = 0, shadowY = 0;
  QColor shadowColor;
};
int EfxDraw3dShape(QPainter& p, int shape, const QRect& rect, const ShapeStyle& style);

struct TextStyle {
  int angle = 0;  // tenths of a degree
  int flags = 0;
  int shadowX = 0, shadowY = 0;
  QColor color, shadowColor, hiliteColor;
  QFont font;
  const QImage* texture = nullptr;
};
int EfxDrawRotated3dText(QPainter& p, const QString& text, const QRect& rect, const TextStyle& style);

}  // namespace px

#include "PxDraw.h"

#include <QPainterPath>
#include <algorithm>

#include "PxBitmap.h"

namespace px {

namespace {

void Bevel(QPainter& p, QRect& r, int thickness, bool raised, QColor hilite, QColor shadow) {
  for (int i = 0; i < thickness && r.width() > 0 && r.height() > 0; ++i) {
    const QColor tl = raised ? hilite : shadow, br = raised ? shadow : hilite;
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), tl);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), tl);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), br);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), br);
    r.adjust(1, 1, -1, -1);
  }
}

QPainterPath ShapePath(int shape, const QRectF& r) {
  QPainterPath path;
  if (r.width() <= 0 || r.height() <= 0) return path;
  switch (shape) {
    case 1000: path.addEllipse(r); break;
    case 3000: {
      const double rad = std::min(r.width(), r.height()) / 6.0;
      path.addRoundedRect(r, rad, rad);
      break;
    }
    case 4000: {
      QPolygonF poly;
      poly << QPointF(r.center().x(), r.top()) << QPointF(r.right(), r.center().y())
           << QPointF(r.center().x(), r.bottom()) << QPointF(r.left(), r.center().y());
      path.addPolygon(poly);
      path.closeSubpath();
      break;
    }
    default: path.addRect(r); break;
  }
  return path;
}

// A band between the shape shrunk by `from` and by `from + thickness`, light on the upper
// left and dark on the lower right (or the other way round when inset).
void ShapeBand(QPainter& p, int shape, const QRectF& r, double from, int thickness, int style, QColor hilite,
               QColor shadow) {
  if (style == 0 || thickness <= 0) return;
  QPainterPath ring = ShapePath(shape, r.adjusted(from, from, -from, -from))
                          .subtracted(ShapePath(shape, r.adjusted(from + thickness, from + thickness,
                                                                  -from - thickness, -from - thickness)));
  QPolygonF upperLeft;
  upperLeft << r.topLeft() << r.topRight() << r.bottomLeft();
  QPainterPath ul;
  ul.addPolygon(upperLeft);
  ul.closeSubpath();
  const bool raised = style == 2;
  p.fillPath(ring.intersected(ul), raised ? hilite : shadow);
  p.fillPath(ring.subtracted(ul), raised ? shadow : hilite);
}

Qt::PenStyle BorderPen(int style) {
  switch (style) {
    case 2: return Qt::DashLine;
    case 3: return Qt::DotLine;
    case 4: return Qt::DashDotLine;
    case 5: return Qt::DashDotDotLine;
    default: return Qt::SolidLine;
  }
}

}  // namespace

int EfxDrawFrame(QPainter& p, QRect& r, int flags, int thickness, QColor color, int innerThickness,
                 QColor innerShadow, QColor innerHilite, int outerThickness, QColor outerShadow, QColor outerHilite) {
  if (thickness < 0 || innerThickness < 0 || outerThickness < 0) return kInvalidParam;
  Bevel(p, r, outerThickness, (flags & 0x20) != 0, outerHilite, outerShadow);
  for (int i = 0; i < thickness && r.width() > 0 && r.height() > 0; ++i) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), color);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), color);
    p.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), color);
    p.fillRect(QRect(r.right(), r.top(), 1, r.height()), color);
    r.adjust(1, 1, -1, -1);
  }
  Bevel(p, r, innerThickness, (flags & 0x10) != 0, innerHilite, innerShadow);
  return kOk;
}

int EfxDraw3dShape(QPainter& p, int shape, const QRect& rect, const ShapeStyle& s) {
  if (shape != 1000 && shape != 2000 && shape != 3000 && shape != 4000) return kInvalidParam;
  if (s.backgroundStyle < 0 || s.backgroundStyle > 4 || s.borderStyle < 0 || s.borderStyle > 5 ||
      s.innerStyle < 0 || s.innerStyle > 2 || s.outerStyle < 0 || s.outerStyle > 2)
    return kInvalidParam;
  if (rect.width() <= 0 || rect.height() <= 0) return kInvalidSize;
  p.save();
  p.setRenderHint(QPainter::Antialiasing, shape != 2000);
  const QRectF r(rect);
  const QPainterPath outline = ShapePath(shape, r);
  if (s.shadowX != 0 || s.shadowY != 0)
    p.fillPath(outline.translated(s.shadowX, s.shadowY).subtracted(outline), s.shadowColor);
  switch (s.backgroundStyle) {
    case 1: p.fillPath(outline, s.fillColor); break;
    case 2: {
      QColor c = s.fillColor;
      c.setAlpha(128);
      p.fillPath(outline, c);
      break;
    }
    case 3:
    case 4:
      if (s.background && !s.background->isNull()) {
        QRect part = s.backgroundRect.isEmpty() ? s.background->rect() : s.backgroundRect.intersected(s.background->rect());
        QBrush tile(s.background->copy(part));
        tile.setTransform(QTransform::fromTranslate(r.left(), r.top()));
        if (s.backgroundStyle == 4) p.setOpacity(0.5);
        p.fillPath(outline, tile);
        p.setOpacity(1.0);
      }
      break;
    default: break;
  }
  static const Qt::BrushStyle kHatch[8] = {Qt::NoBrush,      Qt::NoBrush,      Qt::HorPattern,   Qt::VerPattern,
                                            Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern};
  if (s.patternStyle >= 2 && s.patternStyle <= 7) p.fillPath(outline, QBrush(s.patternColor, kHatch[s.patternStyle]));
  double inset = 0;
  ShapeBand(p, shape, r, inset, s.outerThickness, s.outerStyle, s.outerHilite, s.outerShadow);
  if (s.outerStyle != 0) inset += std::max(0, s.outerThickness);
  if (s.borderStyle != 0 && s.borderThickness > 0) {
    const double half = s.borderThickness / 2.0;
    QPen pen(s.borderColor, s.borderThickness, BorderPen(s.borderStyle), Qt::FlatCap, Qt::MiterJoin);
    p.strokePath(ShapePath(shape, r.adjusted(inset + half, inset + half, -inset - half, -inset - half)), pen);
    inset += s.borderThickness;
  }
  ShapeBand(p, shape, r, inset, s.innerThickness, s.innerStyle, s.innerHilite, s.innerShadow);
  p.restore();
  return kOk;
}

int EfxDrawRotated3dText(QPainter& p, const QString& text, const QRect& rect, const TextStyle& s) {
  const int style = s.flags & 15;
  if (style > 11) return kInvalidParam;
  if (rect.width() <= 0 || rect.height() <= 0) return kInvalidSize;
  if (text.isEmpty()) return kOk;
  int qt = 0;
  const int h = s.flags & 0x30, v = s.flags & 0x300;
  qt |= h == 16 ? Qt::AlignHCenter : h == 32 ? Qt::AlignRight : Qt::AlignLeft;
  qt |= v == 256 ? Qt::AlignVCenter : v == 512 ? Qt::AlignBottom : Qt::AlignTop;
  if (s.flags & 4096) qt |= Qt::TextWordWrap;
  p.save();
  QTransform t;
  const QPointF c = QRectF(rect).center();
  t.translate(c.x(), c.y());
  t.rotate(-s.angle / 10.0);
  t.translate(-c.x(), -c.y());
  p.setTransform(t, true);
  const bool shadowed = style == 5 || style == 6 || style == 7;
  QPainterPath clip;
  clip.addRect(QRectF(rect));
  if (shadowed) {
    QPainterPath moved;
    moved.addRect(QRectF(rect.translated(s.shadowX, s.shadowY)));
    clip = clip.united(moved);
  }
  p.setClipPath(clip, Qt::IntersectClip);
  p.setFont(s.font);
  auto draw = [&](int dx, int dy, const QColor& color) {
    p.setPen(QPen(color));
    p.drawText(rect.translated(dx, dy), qt, text);
  };
  // Light and dark offsets of the inset and raised styles: 1 light, 2 heavy, 3 extra heavy;
  // the extra light styles only light one side.
  int depth = 0;
  bool raised = false, oneSided = false;
  switch (style) {
    case 1: depth = 1; break;
    case 2: depth = 2; break;
    case 8: depth = 1, oneSided = true; break;
    case 9: depth = 3; break;
    case 3: depth = 1, raised = true; break;
    case 4: depth = 2, raised = true; break;
    case 10: depth = 1, raised = true, oneSided = true; break;
    case 11: depth = 3, raised = true; break;
    default: break;
  }
  if (depth > 0) {
    const int sgn = raised ? -1 : 1;
    for (int d = depth; d >= 1; --d) {
      if (!oneSided) draw(-sgn * d, -sgn * d, s.shadowColor);
      draw(sgn * d, sgn * d, s.hiliteColor);
    }
  } else if (style == 5) {
    draw(s.shadowX, s.shadowY, s.shadowColor);
  } else if (style == 6 || style == 7) {
    const int n = std::max(std::abs(s.shadowX), std::abs(s.shadowY));
    for (int i = n; i >= 1; --i) draw(s.shadowX * i / n, s.shadowY * i / n, s.shadowColor);
    if (style == 7)
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
          if (dx || dy) draw(dx, dy, s.hiliteColor);
  }
  if (s.texture && !s.texture->isNull()) {
    QBrush tex(*s.texture);
    tex.setTransform(QTransform::fromTranslate(rect.left(), rect.top()));
    p.setPen(QPen(tex, 1));
    p.drawText(rect, qt, text);
  } else {
    draw(0, 0, s.color);
  }
  p.restore();
  return kOk;
}

}  // namespace px

#include "ControlPainters.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStyle>
#include <QTextEdit>
#include <cmath>

#include "FlatMenu.h"

namespace kvmenu {

namespace {

// Rectangles here are (left, top, right, bottom) with right and bottom outside, as the painters
// compute them; these helpers draw them with the platform's rectangle rules.
void fillLTRB(QPainter& p, int l, int t, int r, int b, TColor c) {
  if (r <= l || b <= t) return;
  p.fillRect(QRect(l, t, r - l, b - t), ToQColor(c));
}

void outlineLTRB(QPainter& p, int l, int t, int r, int b, TColor c) {
  if (r <= l || b <= t) return;
  fillLTRB(p, l, t, r, t + 1, c);
  fillLTRB(p, l, b - 1, r, b, c);
  fillLTRB(p, l, t, l + 1, b, c);
  fillLTRB(p, r - 1, t, r, b, c);
}

// A horizontal run from x0 to x1, x1 left out.
void hrun(QPainter& p, int x0, int x1, int y, TColor c) { fillLTRB(p, std::min(x0, x1), y, std::max(x0, x1), y + 1, c); }
void vrun(QPainter& p, int x, int y0, int y1, TColor c) { fillLTRB(p, x, std::min(y0, y1), x + 1, std::max(y0, y1), c); }

// The small drop-down arrow: rows of 5, 3 and 1 pixels.
void downArrow(QPainter& p, int x0, int y0, TColor c) {
  hrun(p, x0, x0 + 5, y0, c);
  hrun(p, x0 + 1, x0 + 4, y0 + 1, c);
  hrun(p, x0 + 2, x0 + 3, y0 + 2, c);
}

bool isEditLike(const QWidget* w) {
  return qobject_cast<const QComboBox*>(w) || qobject_cast<const QLineEdit*>(w) ||
         qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
         qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w);
}

const SchemeColors& schemeOf(const ControlState& s) { return s.menu->Scheme(); }

void drawCaption(QPainter& p, TFlatMenu* menu, const QFont& font, const QString& text, const QRect& r,
                 int flags, bool selected, bool enabled) {
  if (text.isEmpty() || r.width() <= 0 || r.height() <= 0) return;
  const SchemeColors& k = menu->Scheme();
  TColor color = ColorToRGB(clMenuText);
  if (selected) color = k.SelectTextColor;
  if (!enabled) color = k.DisabledTextColor;
  p.setFont(font);
  p.setPen(ToQColor(color));
  p.drawText(r, flags | Qt::TextShowMnemonic | Qt::TextSingleLine, text);
}

}  // namespace

int ThumbSize() {
  const int m = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
  return std::max(m, 16);
}

TColor ParentColorOf(const QWidget* w) {
  if (!w) return ColorToRGB(clBtnFace);
  const QWidget* p = w->parentWidget() ? w->parentWidget() : w;
  return FromQColor(p->palette().color(p->backgroundRole()));
}

TColor ControlColorOf(const QWidget* w) {
  if (!w) return ColorToRGB(clWindow);
  // Edits, combos and lists show their window colour; the rest their face.
  return FromQColor(w->palette().color(isEditLike(w) ? QPalette::Base : w->backgroundRole()));
}

void Outline(QPainter& p, const QRect& r, TColor c) {
  outlineLTRB(p, r.left(), r.top(), r.left() + r.width(), r.top() + r.height(), c);
}

void Frame3D(QPainter& p, QRect& r, TColor top, TColor bottom, int width) {
  for (int i = 0; i < width && r.width() > 0 && r.height() > 0; ++i) {
    const int l = r.left(), t = r.top(), rr = r.left() + r.width(), b = r.top() + r.height();
    hrun(p, l, rr - 1, t, top);
    vrun(p, l, t, b - 1, top);
    vrun(p, rr - 1, t, b, bottom);
    hrun(p, l, rr, b - 1, bottom);
    r.adjust(1, 1, -1, -1);
  }
}

void PaintFlatCombo(QPainter& p, const ControlState& s, const QRect& client, bool droppedDown, bool simple) {
  if (!s.menu || client.width() <= 0 || client.height() <= 0) return;
  const SchemeColors& k = schemeOf(s);
  const TColor parent = ParentColorOf(s.control), own = ControlColorOf(s.control);
  TColor arrow = s.enabled ? clBlack : clWhite;
  TColor frame = own;
  TColor button = s.tag == 1000 ? LightenColor(parent, k.ControlShadeLow) : ColorToRGB(clBtnFace);
  if (s.hot) {
    frame = k.SelectFrameColor;
    button = k.SelectFillColor;
  } else if (s.focused) {
    frame = LightenColor(k.SelectFrameColor, 60);
    button = k.CheckedFillColor;
  }
  if (droppedDown) {
    frame = k.SelectFrameColor;
    arrow = clWhite;
    button = k.CheckedSelectedFillColor;
  }
  const bool lit = s.hot || s.focused;
  int L = client.left(), T = client.top(), R = L + client.width(), B = T + client.height();
  outlineLTRB(p, L, T, R, B, parent);
  ++L, ++T, --R, --B;
  hrun(p, L, R, T, parent);
  ++T, --B;
  if (lit) --L, --T, ++R, ++B;
  outlineLTRB(p, L, T, R, B, own);
  ++B;
  outlineLTRB(p, L, T, R, B, frame);
  if (simple) return;
  ++L, ++T, --R, --B;
  const int M = ThumbSize();
  int bl, br;
  if (!s.rightToLeft) {
    br = R;
    bl = R - (M + 1) - (lit ? 1 : 0);
    fillLTRB(p, bl, T, br, B, button);
    fillLTRB(p, bl - 5, T, bl, B, own);
    vrun(p, bl, T, B, frame);
  } else {
    bl = L;
    br = L + M + 1 + (lit ? 2 : 0);
    fillLTRB(p, bl, T, br, B, button);
    fillLTRB(p, br, T, br + 5, B, own);
    vrun(p, br - 1, T, B, frame);
  }
  // Centred as on the standard 21-pixel combo, where the rows are 10, 11 and 12.
  const int y0 = client.top() + (client.height() - 3) / 2 + 1;
  downArrow(p, s.rightToLeft ? L + 5 : R - 10, y0, arrow);
}

void PaintFlatLookupCombo(QPainter& p, const ControlState& s, const QRect& client, bool droppedDown) {
  if (!s.menu || client.width() <= 0 || client.height() <= 0) return;
  const SchemeColors& k = schemeOf(s);
  const TColor parent = ParentColorOf(s.control), own = ControlColorOf(s.control);
  TColor outer = DarkenColor(parent, 60), line = LightenColor(k.SelectFrameColor, 60);
  TColor button = ColorToRGB(clBtnFace), arrow = s.enabled ? clBlack : clWhite;
  if (s.hot) {
    outer = line = k.SelectFrameColor;
    button = k.SelectFillColor;
  } else if (s.focused) {
    outer = LightenColor(k.SelectFrameColor, 60);
    button = k.CheckedFillColor;
  }
  if (droppedDown) {
    outer = line = k.SelectFrameColor;
    arrow = clWhite;
    button = k.CheckedSelectedFillColor;
  }
  const int L = client.left(), T = client.top(), R = L + client.width(), B = T + client.height();
  outlineLTRB(p, L, T, R, B, outer);
  outlineLTRB(p, L + 1, T + 1, R + 1, B + 1, own);
  const int M = ThumbSize();
  const int bl = s.rightToLeft ? L + 1 : R - 1 - (M + 1), br = s.rightToLeft ? L + 1 + M + 1 : R - 1;
  // As on the combo, five pixels of the control's colour separate the button from the text.
  if (s.rightToLeft) fillLTRB(p, br, T + 2, br + 5, B - 2, own);
  else fillLTRB(p, bl - 5, T + 2, bl, B - 2, own);
  fillLTRB(p, bl, T + 1, br, B - 1, button);
  outlineLTRB(p, bl, T + 1, br, B - 1, line);
  const int y0 = T + (client.height() - 3) / 2;
  downArrow(p, s.rightToLeft ? L + 5 : R - 9, y0, arrow);
}

void PaintFlatEdit(QPainter& p, const ControlState& s, const QRect& client) {
  if (!s.menu || client.width() <= 0 || client.height() <= 0) return;
  const SchemeColors& k = schemeOf(s);
  const TColor parent = ParentColorOf(s.control), own = ControlColorOf(s.control);
  TColor frame = (s.hot || s.focused) ? LightenColor(k.SelectFrameColor, 60) : DarkenColor(parent, 60);
  if (!s.framed) frame = (s.hot && !s.focused) ? LightenColor(AverageColor({own, parent}), 40) : own;
  Outline(p, client, frame);
}

void PaintFlatListBorder(QPainter& p, const ControlState& s, const QRect& bounds) {
  if (!s.menu || bounds.width() <= 0 || bounds.height() <= 0) return;
  const SchemeColors& k = schemeOf(s);
  const TColor parent = ParentColorOf(s.control);
  TColor c = s.framed ? DarkenColor(parent, 60) : parent;
  if (s.hot || s.focused) c = LightenColor(k.SelectFrameColor, s.framed ? 60 : 80);
  Outline(p, bounds, c);
}

void PaintFlatDoubleOutline(QPainter& p, const ControlState& s, const QRect& bounds) {
  if (!s.menu || bounds.width() <= 0 || bounds.height() <= 0) return;
  PaintFlatListBorder(p, s, bounds);
  Outline(p, bounds.adjusted(1, 1, -1, -1), ColorToRGB(clWindow));
}

void PaintControlBand(QPainter& p, TFlatMenu* menu, const QRect& band, TColor color) {
  if (!menu || band.width() <= 0 || band.height() <= 0) return;
  const bool high = menu->Scheme().HighColor;
  p.fillRect(band, ToQColor(high ? LightenColor(color, 6) : ColorToRGB(color)));
}

void PaintBandGrip(QPainter& p, const QRect& handle, TColor color, bool vertical) {
  if (handle.width() <= 0 || handle.height() <= 0) return;
  // Short lines on every second row, each a little darker than the one before.
  int level = 30;
  if (!vertical) {
    const int top = handle.top(), bottom = handle.top() + handle.height();
    for (int y = top + 5; y <= bottom - 5; ++y) {
      if (y % 2) continue;
      hrun(p, handle.left() + 3, handle.left() + 6, y, DarkenColor(color, level));
      level += 7;
    }
  } else {
    const int left = handle.left(), right = handle.left() + handle.width();
    for (int x = left + 5; x <= right - 5; ++x) {
      if (x % 2) continue;
      vrun(p, x, handle.top() + 3, handle.top() + 6, DarkenColor(color, level));
      level += 7;
    }
  }
}

void PaintFlatProgress(QPainter& p, const ControlState& s, const QRect& bounds) {
  if (!s.menu || bounds.width() <= 0 || bounds.height() <= 0) return;
  Outline(p, bounds, s.hot ? schemeOf(s).SelectFrameColor : DarkenColor(ParentColorOf(s.control), 60));
}

void PaintFlatPanel(QPainter& p, const ControlState& s, const QRect& client, BevelKind outer, BevelKind inner,
                    int bevelWidth, int borderWidth) {
  if (client.width() <= 0 || client.height() <= 0) return;
  const TColor own = ControlColorOf(s.control);
  const TColor dark = DarkenColor(own, 60), light = LightenColor(own, 60);
  QRect r = client;
  auto bevel = [&](BevelKind kind) {
    if (kind == bvLowered) Frame3D(p, r, dark, light, bevelWidth);
    else if (kind == bvRaised) Frame3D(p, r, light, dark, bevelWidth);
  };
  bevel(outer);
  if (inner != bvNone) {
    r.adjust(borderWidth, borderWidth, -borderWidth, -borderWidth);
    bevel(inner);
  }
}

void PaintFlatGroupBox(QPainter& p, const ControlState& s, const QRect& C, const QString& caption, bool ctl3D,
                       int captionIndent) {
  if (!s.control || C.width() <= 0 || C.height() <= 0) return;
  const QFontMetrics fm(s.control->font());
  const QString measured = caption.isEmpty() ? QStringLiteral(" ") : caption;
  const int h = fm.height();
  const int w = fm.horizontalAdvance(QString(measured).remove(QLatin1Char('&')));
  const TColor own = ControlColorOf(s.control), parent = ParentColorOf(s.control);
  const TColor dark = DarkenColor(own, 60), light = LightenColor(own, 60);
  const int l = C.left(), t = C.top(), r = C.left() + C.width(), b = C.top() + C.height();
  // (1) cover the platform's own frame
  outlineLTRB(p, l + 1, t + 1 + h - 1, r - 1, b - 1, own);
  // (2) the frame
  QRect R(QPoint(l, t + h / 2 - 1), QPoint(r - 1, b - 1));
  vrun(p, R.left() + 1, R.top(), R.bottom() + 1, own);
  QRect fr = R;
  Frame3D(p, fr, ctl3D ? light : dark, dark, 1);
  // (3) above the frame line the parent shows through
  fillLTRB(p, l, t, r, t + h / 2 + 1, parent);
  // (4) the caption box
  int cl = l + captionIndent, cr = l + captionIndent + w;
  if (s.rightToLeft) cl = r - captionIndent - w, cr = r - captionIndent;
  const int ct = t, cb = t + h;
  // (5) the band under the caption and the right edge beside it
  fillLTRB(p, cl, t + h / 2 + 1, cr, t + h / 2 + 1 + h / 2 + 1, own);
  vrun(p, r - 2, t + h / 2 + 1, cb, own);
  // (6) the caption
  if (!caption.isEmpty()) {
    p.setFont(s.control->font());
    p.setPen(s.control->palette().color(s.enabled ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    p.drawText(QRect(cl, ct, cr - cl, cb - ct),
               Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic | Qt::TextSingleLine, caption);
  }
  // (7) the top line on both sides of the caption
  const int y = t + h / 2 + 1;
  const TColor top = ctl3D ? light : dark;
  hrun(p, l, cl, y, top);
  hrun(p, cr, r - 1, y, top);
}

void SpeedButtonLayout(const QSize& client, const QSize& glyph, const QSize& text, GlyphLayout layout,
                       int spacing, bool rightToLeft, QPoint* glyphAt, QPoint* textAt) {
  const int W = client.width(), H = client.height();
  const int GW = glyph.width(), GH = glyph.height(), TW = text.width(), TH = text.height();
  const int S = TW > 0 ? spacing : 0;
  if (rightToLeft) {
    if (layout == blGlyphLeft) layout = blGlyphRight;
    else if (layout == blGlyphRight) layout = blGlyphLeft;
  }
  QPoint g, t;
  switch (layout) {
    case blGlyphLeft:
      g = {(W - (S + GW + TW)) / 2, (H - GH) / 2 - 1};
      t = {g.x() + GW + S, (H - TH) / 2};
      break;
    case blGlyphRight: {
      const int right = (S + GW + TW + W) / 2;
      g = {right - GW, (H - GH) / 2};
      t = {g.x() - S - TW, (H - TH) / 2};
      break;
    }
    case blGlyphTop:
      g = {(W - GW) / 2, (H - (S + GH + TH)) / 2};
      t = {(W - TW) / 2, g.y() + GH + S};
      break;
    case blGlyphBottom: {
      const int bottom = (S + GH + TH + H) / 2;
      g = {(W - GW) / 2, bottom - GH};
      t = {(W - TW) / 2, g.y() - S - TH};
      break;
    }
  }
  if (glyphAt) *glyphAt = g;
  if (textAt) *textAt = t;
}

void PaintButtonGlyph(QImage& buf, TFlatMenu* menu, QImage glyph, QPoint at, bool checked, bool enabled,
                      bool selected) {
  if (!menu || glyph.isNull() || buf.isNull()) return;
  const SchemeColors& k = menu->Scheme();
  int x = at.x(), y = at.y();
  const bool lifted = selected && enabled && !checked;
  if (lifted) --x, --y;
  if (!selected && enabled && !checked && k.HighColor) MakeBitmapPale(glyph, menu->DimLevel);
  if (!enabled) {
    MakeBitmapGray(glyph, menu->GrayLevel);
    MakeBitmapPale(glyph, 40);
  }
  if (lifted) PaintGlyphShadow(glyph, buf, x + 2, y + 2, DarkenColor(k.SelectFillColor, 50));
  QPainter p(&buf);
  p.drawImage(x, y, glyph);
}

void PaintButtonCaption(QPainter& p, TFlatMenu* menu, const QFont& font, const QString& text, const QRect& r,
                        int flags, bool enabled, bool isDefault, TColor under) {
  if (!menu || text.isEmpty() || r.width() <= 0 || r.height() <= 0) return;
  if (isDefault) {
    p.setFont(font);
    struct Pass { int dl, dt, dr, level; };
    for (const Pass& ps : {Pass{1, 0, 0, 30}, Pass{1, 2, 1, 30}, Pass{0, 1, 0, 40}, Pass{1, 1, 1, 60}}) {
      p.setPen(ToQColor(DarkenColor(under, ps.level)));
      p.drawText(r.adjusted(ps.dl, ps.dt, ps.dr, 0), flags | Qt::TextShowMnemonic | Qt::TextSingleLine, text);
    }
  }
  drawCaption(p, menu, font, text, r, flags, false, enabled);
}

void PaintFlatSpeedButton(QPainter& p, const ControlState& s, const QRect& client, const SpeedButtonLook& b) {
  if (!s.menu || client.width() <= 0 || client.height() <= 0) return;
  const SchemeColors& k = schemeOf(s);
  const TColor parent = ParentColorOf(s.control);
  TColor face;
  if (s.hot) {
    face = b.flat ? k.SelectFillColor
                  : LightenColor(s.tag == 1000 ? parent : ColorToRGB(clBtnFace), k.ControlShadeHigh);
  } else {
    face = b.flat ? parent : s.tag == 1000 ? LightenColor(parent, k.ControlShadeLow) : k.IconColumnColor;
  }
  if (b.down) face = s.hot ? k.CheckedSelectedFillColor : k.CheckedFillColor;
  TColor frame = s.hot ? LightenColor(k.SelectFrameColor, 60) : b.down ? k.SelectFrameColor : ColorToRGB(clBtnShadow);
  if (!s.enabled) frame = ColorToRGB(clBtnShadow);

  QImage buf(client.size(), QImage::Format_RGB32);
  buf.fill(ToQColor(face));
  {
    QPainter c(&buf);
    // A flat button at rest shows no frame, as flat tool buttons do.
    if (!b.flat || s.hot || b.down) Outline(c, buf.rect(), frame);
  }
  // Glyph slice: 1 normal, 2 disabled, 3 mouse down, 4 down, where the bitmap has that many.
  QImage slice;
  if (!b.glyph.isNull()) {
    const int n = std::max(1, b.numGlyphs);
    int index = 1;
    if (!s.enabled && n >= 2) index = 2;
    else if (s.mouseDown && n >= 3) index = 3;
    else if (b.down && n >= 4) index = 4;
    const int gw = b.glyph.width() / n;
    if (gw > 0) slice = b.glyph.copy((index - 1) * gw, 0, gw, b.glyph.height());
  }
  const QFontMetrics fm(s.control ? s.control->font() : s.menu->Font);
  const QSize text = b.caption.isEmpty() ? QSize()
                                         : fm.boundingRect(QRect(0, 0, 10000, 10000), Qt::TextShowMnemonic,
                                                           b.caption).size();
  QPoint g, t;
  SpeedButtonLayout(client.size(), slice.size(), text, b.layout, b.spacing, s.rightToLeft, &g, &t);
  PaintButtonGlyph(buf, s.menu, slice, g, b.down || s.mouseDown, s.enabled, s.hot);
  {
    QPainter c(&buf);
    drawCaption(c, s.menu, s.control ? s.control->font() : s.menu->Font, b.caption, QRect(t, text), Qt::AlignLeft,
                s.hot, s.enabled);
  }
  p.drawImage(client.topLeft(), buf);
}

void PaintFlatUpDown(QPainter& p, const ControlState& s, const QRect& up, const QRect& down, int hotPart,
                     int pressedPart) {
  if (!s.menu) return;
  const SchemeColors& k = schemeOf(s);
  for (int part : {1, 2}) {
    const QRect r = part == 1 ? up : down;
    if (r.width() <= 0 || r.height() <= 0) continue;
    TColor fill = LightenColor(clBtnFace, k.ControlShadeHigh), arrow = s.enabled ? clBlack : k.DisabledTextColor;
    bool framed = false;
    if (s.enabled && pressedPart == part) {
      fill = k.CheckedSelectedFillColor;
      arrow = clWhite;
      framed = true;
    } else if (s.enabled && hotPart == part) {
      fill = LightenColor(k.SelectFillColor, 60);
      framed = true;
    }
    p.fillRect(r, ToQColor(fill));
    if (framed) Outline(p, r, k.SelectFrameColor);
    // Arrow rows of 1, 3 and 5 pixels, centred.
    const int cx = r.left() + r.width() / 2, cy = r.top() + (r.height() - 3) / 2;
    for (int row = 0; row < 3; ++row) {
      const int half = part == 1 ? row : 2 - row;
      hrun(p, cx - half, cx + half + 1, cy + row, arrow);
    }
  }
}

void PaintToolBarButton(QImage& buf, TFlatMenu* menu, const ToolBarButtonLook& b) {
  if (!menu || buf.isNull() || b.bounds.width() <= 0 || b.bounds.height() <= 0) return;
  const SchemeColors& k = menu->Scheme();
  const MenuColorSettings& cs = menu->Colors();
  const TColor sel = (k.HighColor && !cs.UseSystemColors) ? LightenColor(cs.SelectColor, 68) : k.SelectFillColor;
  const TColor background = k.HighColor ? LightenColor(b.barColor, 16) : ColorToRGB(b.barColor);
  const int L = b.bounds.left(), T = b.bounds.top(), R = L + b.bounds.width(), B = T + b.bounds.height();
  {
    QPainter c(&buf);
    fillLTRB(c, L, T, R, B, background);
    // The face of the state.
    bool framed = false, filled = false;
    TColor brush = background;
    if (b.hot) {
      brush = (b.checked || b.selected) ? k.CheckedSelectedFillColor : sel;
      framed = filled = true;
    } else if (b.checked) {
      brush = k.CheckedFillColor;
      framed = filled = true;
    } else if (b.hasMenu && !b.selected) {
      brush = ColorToRGB(b.barColor);
      filled = true;
    }
    if (filled) fillLTRB(c, L, T + 1, R, B, brush);
    if (framed) {
      if (b.dropDown) {
        outlineLTRB(c, L, T + 1, R - 1 - 13, B - 1, k.SelectFrameColor);
        outlineLTRB(c, R - 13, T + 1, R, B - 1, k.SelectFrameColor);
      } else {
        outlineLTRB(c, L, T + 1, R - 1, B - 1, k.SelectFrameColor);
      }
    }
  }
  if (b.selected && b.hasMenu) menu->PaintBarItemSelected(buf, b.bounds, b.barColor, false);
  QPainter c(&buf);
  if (b.dropDown) downArrow(c, R - 10, T + (B - T - 3) / 2 + 1, clBlack);
  const int right = b.dropDown ? R - 12 : R;
  const int gw = b.glyph.width();
  if (!b.glyph.isNull()) {
    int gx;
    if (b.list) gx = b.rightToLeft ? right - 3 - gw : L + 3;
    else gx = L + static_cast<int>(std::lround((right - L - gw) / 2.0));
    c.end();
    PaintButtonGlyph(buf, menu, b.glyph, {gx, T + 2}, b.checked, b.enabled, b.hot);
    c.begin(&buf);
  }
  if (b.showCaption && !b.caption.isEmpty()) {
    const QFontMetrics fm(menu->Font);
    QRect tr(QPoint(L, T), QPoint(right - 1, B - 1));
    int flags = Qt::AlignHCenter | Qt::AlignTop;
    if (!b.list) {
      tr.setTop(B - fm.height() - 6);
    } else {
      flags = b.rightToLeft ? (Qt::AlignRight | Qt::AlignTop) : (Qt::AlignLeft | Qt::AlignTop);
      if (b.rightToLeft) tr.setRight(right - 1 - gw - 7);
      else tr.setLeft(L + gw + 6);
      tr.setTop(tr.top() + (B - T - fm.height()) / 2);
    }
    if (b.hasMenu) flags = Qt::AlignHCenter | Qt::AlignTop;
    if (b.checked && !b.enabled) tr.adjust(1, 1, -1, -1);
    drawCaption(c, menu, menu->Font, b.caption, tr, flags, false, b.enabled);
  }
}

void PaintToolBarSeparator(QPainter& p, TFlatMenu* menu, const QRect& r, TColor barColor, int tag,
                           bool horizontalBar) {
  if (!menu || r.width() <= 0 || r.height() <= 0) return;
  const SchemeColors& k = menu->Scheme();
  p.fillRect(r, ToQColor(k.HighColor ? LightenColor(barColor, 16) : ColorToRGB(barColor)));
  if (tag <= 0) return;
  const TColor line = DarkenColor(barColor, 30);
  if (horizontalBar) vrun(p, r.left() + r.width() / 2, r.top() + 2, r.top() + r.height() - 1, line);
  else hrun(p, r.left() + 2, r.left() + r.width() - 1, r.top() + r.height() / 2, line);
}

}  // namespace kvmenu

// Measuring and painting of menu items: each item is painted into an image first and copied
// to the menu in one block.
#include <QAction>
#include <QFontMetrics>
#include <QKeySequence>
#include <QMenu>
#include <QPainter>
#include <cmath>

#include "FlatMenu.h"

using namespace kvmenu;

namespace {

QRect ltrb(int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r - 1, b - 1)); }

void fill(QPainter& c, int l, int t, int r, int b, TColor col) {
  if (r <= l || b <= t) return;
  c.fillRect(ltrb(l, t, r, b), ToQColor(col));
}

// The outline of (l, t, r, b), right and bottom excluded, as the platform's rectangle draws it.
void outline(QPainter& c, int l, int t, int r, int b, TColor col) {
  if (r <= l || b <= t) return;
  c.fillRect(ltrb(l, t, r, t + 1), ToQColor(col));
  c.fillRect(ltrb(l, b - 1, r, b), ToQColor(col));
  c.fillRect(ltrb(l, t, l + 1, b), ToQColor(col));
  c.fillRect(ltrb(r - 1, t, r, b), ToQColor(col));
}

// A line without its end point.
void line(QImage& img, QPoint a, QPoint b, TColor col) {
  const QRgb px = qRgb(RedOf(col), GreenOf(col), BlueOf(col));
  int x = a.x(), y = a.y();
  const int dx = std::abs(b.x() - x), dy = -std::abs(b.y() - y);
  const int sx = x < b.x() ? 1 : -1, sy = y < b.y() ? 1 : -1;
  int err = dx + dy;
  while (x != b.x() || y != b.y()) {
    if (x >= 0 && y >= 0 && x < img.width() && y < img.height()) img.setPixel(x, y, px);
    const int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

void polyline(QImage& img, std::initializer_list<QPoint> pts, TColor col) {
  const QPoint* prev = nullptr;
  for (const QPoint& p : pts) {
    if (prev) line(img, *prev, p, col);
    prev = &p;
  }
}

int textWidth(const QFontMetrics& fm, const QString& s) { return fm.horizontalAdvance(s); }

}  // namespace

QSize MeasureMenuItem(const MenuItemSpec& item, const QFont& font, int iconWidth, QSize start) {
  QString s = item.caption;
  const bool separator = s == QLatin1String("-");
  if (separator) s.clear();
  if (!item.shortcut.trimmed().isEmpty()) s += item.shortcut + QStringLiteral("WWW");
  const QFontMetrics fm(font);
  int w = textWidth(fm, s) + 5;
  if (s.contains(QLatin1Char('&'))) w -= textWidth(fm, QStringLiteral("&"));
  if (!item.topLevel && item.hasSubItems) w += 6;
  const QSize glyph(std::max(0, item.glyph.width()), std::max(0, item.glyph.height()));
  int glyphW = glyph.width();
  if (!item.topLevel) glyphW = std::max(glyphW, iconWidth);
  w += glyphW;
  QSize out = start;
  if (w > out.width()) out.setWidth(w);
  if (separator) {
    out.setHeight(4);
  } else {
    const int th = fm.height();
    int h = th + static_cast<int>(std::nearbyint(th * 0.75));
    h = std::max(h, glyph.height() + 6);
    if (h > out.height()) out.setHeight(h);
  }
  return out;
}

namespace {
QSize glyphSizeOf(const QAction* a) {
  if (!a || a->icon().isNull()) return {};
  const QList<QSize> sizes = a->icon().availableSizes();
  return sizes.isEmpty() ? QSize(16, 16) : sizes.first();
}
}  // namespace

QSize TFlatMenu::MeasureItem(QAction* a, bool topLevel, QSize start) {
  if (!active_ || !a) return start;
  MenuItemSpec spec;
  spec.caption = a->isSeparator() ? QStringLiteral("-") : a->text();
  spec.shortcut = a->shortcut().toString(QKeySequence::NativeText);
  spec.hasSubItems = a->menu() && !a->menu()->actions().isEmpty();
  spec.topLevel = topLevel;
  spec.glyph = glyphSizeOf(a);
  return MeasureMenuItem(spec, Font, IconWidth, start);
}

void TFlatMenu::paintGradientColumn(QPainter& c, const QRect& r, bool rtl) {
  const auto& k = scheme_;
  int level = 0;
  const int left = r.left(), right = r.left() + r.width();  // r as (left, top, right, bottom)
  if (!rtl) {
    for (int x = left; x <= right; ++x) {
      level += (x > left && x < left + IconWidth + 5) ? 3 : 1;
      level = std::min(level, 96);
      fill(c, x, r.top(), x + 1, r.top() + r.height(), LightenColor(k.IconColumnColor, level));
    }
  } else {
    for (int x = right - 1; x >= left - 1; --x) {
      level += (x > right - IconWidth + 5 && x < right) ? 3 : 1;
      level = std::min(level, 96);
      fill(c, x, r.top(), x + 1, r.top() + r.height(), LightenColor(k.IconColumnColor, level));
    }
  }
}

void TFlatMenu::paintMenuBarItemSelected(QImage& buf, QPainter& c, QRect rr, TColor barBase, bool rtl) {
  const auto& k = scheme_;
  const int L = rr.left(), T = rr.top(), Rt = rr.left() + rr.width(), B = rr.top() + rr.height();
  fill(c, L, T, Rt, B, k.SelectFillColor);
  c.end();
  if (!rtl && k.HighColor) {
    polyline(buf, {{L, B - 1}, {L, T}, {Rt - 8, T}, {Rt - 8, B}}, k.SelectFrameColor);
    c.begin(&buf);
    const TColor bar = k.BarColor;
    fill(c, Rt - 7, T, Rt, B, DarkenColor(bar, 10));
    fill(c, Rt - 7, T + 3, Rt - 2, B, DarkenColor(bar, 30));
    fill(c, Rt - 7, T + 5, Rt - 3, B, DarkenColor(bar, 60));
    fill(c, Rt - 7, T + 6, Rt - 5, B, DarkenColor(bar, 100));
    c.end();
    polyline(buf, {{Rt - 5, T + 1}, {Rt - 1, T + 1}, {Rt - 1, T + 6}}, bar);
    polyline(buf, {{Rt - 3, T + 2}, {Rt - 2, T + 2}, {Rt - 2, T + 3}, {Rt - 3, T + 3}}, bar);
    polyline(buf, {{Rt - 6, T + 3}, {Rt - 3, T + 3}, {Rt - 3, T + 6}, {Rt - 4, T + 6}, {Rt - 4, T + 3}},
             DarkenColor(bar, 10));
    polyline(buf, {{Rt - 5, T + 5}, {Rt - 4, T + 5}, {Rt - 4, T + 9}}, DarkenColor(bar, 30));
    polyline(buf, {{Rt - 6, T + 5}, {Rt - 6, T + 7}}, DarkenColor(bar, 40));
  } else {
    polyline(buf, {{L, B - 1}, {L, T}, {Rt - 3, T}, {Rt - 3, B}}, k.SelectFrameColor);
    c.begin(&buf);
    fill(c, Rt - 2, T + 2, Rt, B, DarkenColor(barBase, 70));
    fill(c, Rt - 2, T, Rt, T + 2, ColorToRGB(barBase));
    c.end();
  }
  c.begin(&buf);
}

void TFlatMenu::paintCheckMark(QPainter& c, const MenuItemPaint& item, bool hasGlyph, QRect box) {
  const auto& k = scheme_;
  const int L = box.left(), T = box.top(), R = box.left() + box.width(), B = box.top() + box.height();
  const TColor brush = item.selected ? k.CheckedSelectedFillColor : k.CheckedFillColor;
  c.setRenderHint(QPainter::Antialiasing, false);
  if (item.radio) {
    if (!item.checked) return;
    const TColor pen = item.enabled ? k.SelectFrameColor : k.DisabledTextColor;
    c.setPen(ToQColor(pen));
    c.setBrush(ToQColor(brush));
    if (hasGlyph) {
      c.drawRoundedRect(ltrb(L, T, R, B), 3, 3);
    } else {
      c.drawEllipse(ltrb(L, T, R, B));
      c.setBrush(ToQColor(pen));
      c.drawEllipse(ltrb(L + 2, T + 2, R - 2, B - 2));
    }
    c.setBrush(Qt::NoBrush);
    return;
  }
  if (!item.checked) return;
  if (hasGlyph) {
    fill(c, L, T, R, B, brush);
    outline(c, L, T, R, B, item.enabled ? k.SelectFrameColor : k.DisabledTextColor);
    return;
  }
  fill(c, L, T, R, B, brush);
  outline(c, L, T, R, B, item.enabled ? k.CheckFrameColor : k.DisabledTextColor);
  QImage* img = static_cast<QImage*>(c.device());
  c.end();
  const TColor pen = item.enabled ? clBlack : k.DisabledTextColor;
  line(*img, {L + 1, T + 5}, {L + 4, B - 2}, pen);
  line(*img, {L + 2, T + 5}, {L + 4, B - 3}, pen);
  line(*img, {L + 2, T + 4}, {L + 5, B - 3}, pen);
  line(*img, {L + 4, B - 3}, {R + 2, T - 1}, pen);
  line(*img, {L + 4, B - 2}, {R - 2, T + 3}, pen);
  c.begin(img);
}

void TFlatMenu::paintItemGlyph(QImage& buf, QPainter& c, const MenuItemPaint& item, bool highlighted,
                               const QRect& iconRect, QImage glyph) {
  if (glyph.isNull() || glyph.width() == 0) return;
  const auto& k = scheme_;
  int x = iconRect.left();
  int y = iconRect.top() + 1 + 2;
  if (glyph.width() < IconWidth) x = iconRect.left() + (IconWidth - glyph.width()) / 2 - 1;
  else x = item.rightToLeft ? iconRect.right() + 1 - glyph.width() - 2 : iconRect.left() + 2;
  if (item.topLevel) {
    x = item.rightToLeft ? iconRect.right() + 1 - glyph.width() - 5 : iconRect.left() + 1;
  }
  const bool sel = highlighted;
  if (sel && item.topLevel && item.enabled) { x -= 1; y -= 2; }
  else if (sel && !item.topLevel && item.enabled && !item.checked) { x -= 1; y -= 1; }
  if (!sel && item.enabled && !item.checked && k.HighColor) MakeBitmapPale(glyph, DimLevel);
  if (!item.enabled) {
    MakeBitmapGray(glyph, GrayLevel);
    MakeBitmapPale(glyph, 40);
  }
  if (sel && item.enabled && !item.checked) {
    c.end();
    PaintGlyphShadow(glyph, buf, x + 2, y + 2, DarkenColor(k.SelectFillColor, 50));
    c.begin(&buf);
  }
  c.drawImage(x, y, glyph);
}

void TFlatMenu::paintItemText(QPainter& c, const MenuItemPaint& item, const QString& text, QRect tr,
                              int flags) {
  const auto& k = scheme_;
  c.setFont(Font);
  TColor color = ColorToRGB(clMenuText);
  if (item.selected) color = k.SelectTextColor;
  if (!item.enabled) color = k.DisabledTextColor;
  if (item.topLevel && item.selected && colors_.UseSystemColors)
    color = MenuBarHotTextColor(k.IconColumnColor, color);
  flags |= Qt::TextShowMnemonic | Qt::TextSingleLine;
  if (item.isDefault && item.enabled) {
    QImage* img = static_cast<QImage*>(c.device());
    struct Pass { int dl, dt, dr, level; };
    for (const Pass& ps : {Pass{1, 0, 0, 30}, Pass{1, 2, 1, 30}, Pass{0, 1, 0, 40}, Pass{1, 1, 1, 60}}) {
      QRect r = tr.adjusted(ps.dl, ps.dt, ps.dr, 0);
      const QPoint tl = r.topLeft();
      TColor under = clBlack;
      if (img && img->rect().contains(tl)) under = FromQColor(QColor(img->pixel(tl)));
      c.setPen(ToQColor(DarkenColor(under, ps.level)));
      c.drawText(r, flags, text);
    }
  }
  c.setPen(ToQColor(color));
  c.drawText(tr, flags, text);
  if (!item.shortcut.isEmpty()) {
    const QString s = item.shortcut + QLatin1Char(' ');
    QRect r = tr;
    if (!item.rightToLeft) r.setRight(r.right() - 10);
    else r.setLeft(r.left() + 10);
    c.drawText(r, (item.rightToLeft ? Qt::AlignLeft : Qt::AlignRight) | Qt::TextSingleLine, s);
  }
}

QImage TFlatMenu::RenderMenuItem(const MenuItemPaint& item, const QSize& size) {
  // Buffer coordinates: popup items keep four spare columns on the left, as the platform's
  // menu window has them; the copy leaves them out.
  const int w = std::max(1, size.width()), h = std::max(1, size.height());
  QRect R = ltrb(4, 0, w + 4, h);
  int bufW = w + 4;
  int bottom = h;
  if (item.topLevel) {
    R = ltrb(0, 0, w, h);
    bufW = w;
    bottom = h - 1;
  }
  const auto& k = Scheme();
  QImage buf(bufW, h, QImage::Format_RGB32);
  buf.fill(ToQColor(k.MenuColor));
  QPainter c(&buf);
  c.setFont(Font);
  bottom += 1;
  int L = R.left(), T = 0, Rr = R.left() + R.width(), B = bottom;
  const QString text = QLatin1Char(' ') + item.caption;
  QImage glyph = item.glyph.isNull() ? QImage() : item.glyph.convertToFormat(QImage::Format_ARGB32);
  const bool hasGlyph = !glyph.isNull();
  const int gw = hasGlyph ? glyph.width() : 0;
  QRect icon = item.rightToLeft ? ltrb(Rr - IconWidth, T, Rr, B) : ltrb(L, T, L + IconWidth, B);
  int il = icon.left(), it = icon.top(), ir = il + icon.width(), ib = it + icon.height();
  int cl, ct, cr, cb;
  if (hasGlyph) { cl = il + 1; ct = it + 2; cr = ir - 3; cb = ib - 2; }
  else {
    cl = il + (icon.width() - 10) / 2; ct = it + (icon.height() - 10) / 2; cr = cl + 10; cb = ct + 10;
  }
  if (gw > IconWidth) {
    if (!item.rightToLeft) cr = cl + gw;
    else cl = cr - gw;
  }
  if (item.topLevel) ct -= 1;
  int tl, tr;
  if (!item.rightToLeft) {
    tl = L + (item.topLevel ? 4 : IconWidth);
    if (tl < gw + L) tl = gw + L + 4;
    tr = Rr;
  } else {
    tl = L;
    tr = Rr - (item.topLevel ? 4 : IconWidth);
    if (tr > Rr - gw) tr = Rr - gw - 8;
  }
  int tt = T, tb = B;
  if (item.topLevel) {
    if (!hasGlyph) { tl = L; tr = Rr; }
    else if (!item.rightToLeft) tl -= 5;
    else tr += 5;
  }
  // Background
  if (item.topLevel) {
    const TColor bar = DrawMenuBar ? ColorToRGB(colors_.MenuBarColor) : k.BarColor;
    if (DrawMenuBar) scheme_.BarColor = bar;
    fill(c, L, T, Rr, B, bar);
  } else if (k.HighColor && Gradient) {
    paintGradientColumn(c, ltrb(L, T, Rr + 2, B), item.rightToLeft);
  } else {
    fill(c, L - 4, T, Rr, B, k.MenuColor);
    fill(c, il, it, ir, ib, k.IconColumnColor);
  }
  // Selection
  bool highlighted = false;
  if (item.selected && DrawSelect) {
    if (item.topLevel) {
      paintMenuBarItemSelected(buf, c, ltrb(L, T, Rr, B), colors_.MenuBarColor, item.rightToLeft);
    } else if (item.enabled) {
      const int sr = FlatMenu ? Rr - 1 : Rr;
      fill(c, L, T + 1, sr, B - 1, k.SelectFillColor);
      outline(c, L, T + 1, sr, B - 1, k.SelectFrameColor);
    }
    highlighted = true;
  } else if (item.topLevel && item.enabled && item.hot) {
    fill(c, L, T, Rr - 7, B, k.SelectFillColor);
    outline(c, L, T, Rr - 7, B, k.SelectFrameColor);
    highlighted = true;
  }
  if (item.checked || item.radio) paintCheckMark(c, item, hasGlyph, ltrb(cl, ct, cr, cb));
  if (gw > 0) paintItemGlyph(buf, c, item, item.selected || highlighted, ltrb(il, it, ir, ib), glyph);
  if (!item.separator) {
    int flags = Qt::AlignLeft;
    if (!item.rightToLeft) tl += 3;
    else { flags = Qt::AlignRight; tr -= 3; }
    const QFontMetrics fm(Font);
    tt += ((tb - tt) - fm.height()) / 2;
    paintItemText(c, item, text, ltrb(tl, tt, tr, tb), flags);
  } else {
    const int x0 = item.rightToLeft ? tl : tl + 7;
    const int x1 = item.rightToLeft ? tr - 7 : tr;
    const int y = tt + static_cast<int>(std::nearbyint((tb - tt) / 2.0));
    fill(c, x0, y, x1, y + 1, k.SeparatorLineColor);
  }
  c.end();
  return item.topLevel ? buf : buf.copy(4, 0, w, h);
}

void TFlatMenu::PaintMenuItem(const MenuItemPaint& item, QPainter* p, const QRect& rect) {
  if (!active_ || !p || rect.isEmpty()) return;
  try {
    p->drawImage(rect.topLeft(), RenderMenuItem(item, rect.size()));
  } catch (...) {
    // A failed paint leaves what the base style drew.
  }
}

void TFlatMenu::PaintMenuFrame(QPainter* p, const QRect& win, bool rtl) {
  if (!p) return;
  const auto& k = Scheme();
  const int w = win.width(), h = win.height();
  // The panel takes the item background so the margins match the first and last rows.
  if (k.HighColor && Gradient) paintGradientColumn(*p, ltrb(3, 0, w - 3, h), rtl);
  else {
    fill(*p, 0, 0, w, h, k.MenuColor);
    fill(*p, rtl ? w - 3 - IconWidth : 3, 0, rtl ? w - 3 : 3 + IconWidth, h, k.IconColumnColor);
  }
  const int r = w - 2, b = h - 2;
  outline(*p, 0, 0, r, b, k.FrameColor);
  if (rtl) fill(*p, r - 3, 2, r - 1, b - 1, k.IconColumnColor);
  else fill(*p, 1, 2, 3, b - 1, k.IconColumnColor);
  // Two-pixel shadow, offset two pixels from the top left, inside the window's region.
  fill(*p, 2, b, w, h, k.ShadowColor);
  fill(*p, r, 2, w, h, k.ShadowColor);
}

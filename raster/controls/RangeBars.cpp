#include "RangeBars.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace kalvora::raster {

TArrowBar::TArrowBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  resize(100, 16);
  const QPalette& pal = palette();
  colors_[0] = pal.color(QPalette::Midlight);
  colors_[1] = pal.color(QPalette::Dark);
  colors_[2] = pal.color(QPalette::Button);
  colors_[3] = pal.color(QPalette::Light);
  colors_[4] = pal.color(QPalette::Dark);
  colors_[5] = pal.color(QPalette::Shadow);
  connect(&timer_, &QTimer::timeout, this, [this] { TimerHandler(); });
}

void TArrowBar::SetBorderStyle(TRBBorderStyle v) {
  borderStyle_ = v;
  updateGeometry();
  update();
}
void TArrowBar::SetButtonSize(int v) { if (v != buttonSize_) { buttonSize_ = v; update(); } }
void TArrowBar::SetShowArrows(bool v) { if (v != showArrows_) { showArrows_ = v; update(); } }
void TArrowBar::SetStyle(TRBStyle v) { style_ = v; update(); }
void TArrowBar::SetKind(TScrollBarKind v) {
  if (v == kind_) return;
  kind_ = v;
  update();
}

QRect TArrowBar::ClientRect() const {
  const int b = borderStyle_ == TRBBorderStyle::bsSingle ? 1 : 0;
  return rect().adjusted(b, b, -b, -b);
}
int TArrowBar::length() const { return horz() ? ClientRect().width() : ClientRect().height(); }
int TArrowBar::thickness() const { return horz() ? ClientRect().height() : ClientRect().width(); }

int TArrowBar::GetButtonSize() const {
  if (!showArrows_) return 0;
  int b = buttonSize_ > 0 ? buttonSize_ : std::min(thickness(), 32);
  if (length() <= 2 * b) b = length() / 2;
  if (style_ == TRBStyle::rbsMac) --b;
  return b < 2 ? 0 : b;
}

QRect TArrowBar::trackRect() const {
  const QRect c = ClientRect();
  const int b = GetButtonSize();
  return horz() ? c.adjusted(b, 0, -b, 0) : c.adjusted(0, b, 0, -b);
}

TRBZone TArrowBar::GetZone(int x, int y) const {
  const QRect c = ClientRect();
  if (!c.contains(x, y)) return 0;
  const int b = GetButtonSize();
  const int along = horz() ? x - c.left() : y - c.top();
  if (along < b) return 1;
  if (along >= length() - b) return 5;
  const QRect h = GetHandleRect();
  if (!h.isEmpty() && h.contains(x, y)) return 3;
  const int hs = horz() ? h.left() - c.left() : h.top() - c.top();
  const int he = horz() ? h.right() + 1 - c.left() : h.bottom() + 1 - c.top();
  if (h.isEmpty()) return 0;
  if (along >= 1 && along < hs) return 2;
  if (along >= he && along < length() - 1) return 4;
  return 0;
}

void TArrowBar::DoChange() {
  if (OnChange) OnChange(this);
  if (genChange_ && OnUserChange) OnUserChange(this);
}

void TArrowBar::TimerHandler() {
  if (timerMode_ == 1) {
    timer_.setInterval(100);
    timerMode_ = 2;
  } else if (timerMode_ == 3) {
    if (!ClientRect().contains(mapFromGlobal(QCursor::pos()))) MouseLeft();
    return;
  }
  if (genChange_ && dragZone_ != 0 && dragZone_ != 3) StepFor(dragZone_, stored_);
}

void TArrowBar::MouseLeft() {
  if (timerMode_ == 3) {
    timer_.stop();
    timerMode_ = 0;
  }
  if (hotZone_ != 0) {
    hotZone_ = 0;
    update();
  }
}

void TArrowBar::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !DrawEnabled()) return;
  const QPoint p = e->position().toPoint();
  dragZone_ = GetZone(p.x(), p.y());
  update();
  stored_ = p;
  genChange_ = true;
  if (dragZone_ == 3) {
    timer_.stop();
    timerMode_ = 0;
    BeginHandleDrag();
    return;
  }
  timer_.setInterval(600);
  timerMode_ = 2;
  TimerHandler();
  timerMode_ = 1;
  if (dragZone_ != 0) timer_.start();
}

void TArrowBar::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (dragZone_ == 3) {
    DragHandle(horz() ? p.x() - stored_.x() : p.y() - stored_.y());
    return;
  }
  if (dragZone_ != 0) {
    stored_ = p;
    return;
  }
  if (!DrawEnabled()) return;
  const TRBZone z = GetZone(p.x(), p.y());
  if (z != hotZone_) {
    hotZone_ = z;
    if (z != 0) {
      // Hot tracking: checks every 150 ms whether the mouse has left.
      timer_.stop();
      timerMode_ = 3;
      timer_.setInterval(150);
      timer_.start();
    }
    update();
  }
}

void TArrowBar::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const bool was = dragZone_ != 0;
  dragZone_ = 0;
  genChange_ = false;
  timer_.stop();
  timerMode_ = 3;
  timer_.setInterval(150);
  timer_.start();
  update();
  if (was && OnMouseUp) OnMouseUp(this);
}

void TArrowBar::leaveEvent(QEvent*) { MouseLeft(); }
void TArrowBar::changeEvent(QEvent* e) {
  if (e->type() == QEvent::EnabledChange) update();
  QWidget::changeEvent(e);
}

namespace {
QColor lighten(const QColor& c, int amount) {
  return QColor(std::clamp(c.red() + amount, 0, 255), std::clamp(c.green() + amount, 0, 255),
                std::clamp(c.blue() + amount, 0, 255));
}
// (a * w + b * (255 - w)) / 256 per channel.
QColor mix(const QColor& a, const QColor& b, int w) {
  auto ch = [w](int x, int y) { return (x * w + y * (255 - w)) / 256; };
  return QColor(ch(a.red(), b.red()), ch(a.green(), b.green()), ch(a.blue(), b.blue()));
}
void patternFill(QPainter& p, const QRect& r, const QColor& c1, const QColor& c2) {
  if (r.isEmpty()) return;
  p.fillRect(r, c2);
  if (c1 != c2) p.fillRect(r, QBrush(c1, Qt::Dense4Pattern));
}
// Sides: 1 left, 2 top, 4 right, 8 bottom.
void sideLines(QPainter& p, const QRect& r, int sides, const QColor& c) {
  if (r.isEmpty()) return;
  p.setPen(c);
  if (sides & 1) p.drawLine(r.topLeft(), r.bottomLeft());
  if (sides & 2) p.drawLine(r.topLeft(), r.topRight());
  if (sides & 4) p.drawLine(r.topRight(), r.bottomRight());
  if (sides & 8) p.drawLine(r.bottomLeft(), r.bottomRight());
}
QRect insideSides(const QRect& r, int sides) {
  return r.adjusted(sides & 1 ? 1 : 0, sides & 2 ? 1 : 0, sides & 4 ? -1 : 0, sides & 8 ? -1 : 0);
}
void bevel(QPainter& p, const QRect& r, const QColor& light, const QColor& dark) {
  sideLines(p, r, 1 | 2, light);
  sideLines(p, r, 4 | 8, dark);
}
// A filled triangle of about three quarters of the smaller half-size, pointing in direction.
void arrow(QPainter& p, const QRect& r, int direction, const QColor& c) {
  if (r.width() < 2 || r.height() < 2) return;
  const QPointF m = QRectF(r).center();
  const qreal s = std::min(r.width(), r.height()) * 0.5 * 0.75 * 0.6;
  QPolygonF tri;
  switch (direction) {
    case 0: tri << QPointF(m.x() - s, m.y()) << QPointF(m.x() + s * 0.6, m.y() - s) << QPointF(m.x() + s * 0.6, m.y() + s); break;
    case 2: tri << QPointF(m.x() + s, m.y()) << QPointF(m.x() - s * 0.6, m.y() - s) << QPointF(m.x() - s * 0.6, m.y() + s); break;
    case 1: tri << QPointF(m.x(), m.y() - s) << QPointF(m.x() - s, m.y() + s * 0.6) << QPointF(m.x() + s, m.y() + s * 0.6); break;
    default: tri << QPointF(m.x(), m.y() + s) << QPointF(m.x() - s, m.y() - s * 0.6) << QPointF(m.x() + s, m.y() - s * 0.6); break;
  }
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(tri);
  p.restore();
}
// The three outer sides of a button: the side towards the track stays open.
int buttonSides(int direction) {
  switch (direction) {
    case 0: return 1 | 2 | 8;
    case 1: return 1 | 2 | 4;
    case 2: return 2 | 4 | 8;
    default: return 1 | 4 | 8;
  }
}
}  // namespace

void TArrowBar::SetBackgnd(TRBBackgnd v) {
  if (v != backgnd_) {
    backgnd_ = v;
    update();
  }
}
void TArrowBar::SetShowHandleGrip(bool v) {
  if (v != showHandleGrip_) {
    showHandleGrip_ = v;
    update();
  }
}
void TArrowBar::setColorAt(int i, const QColor& v) {
  if (v != colors_[i]) {
    colors_[i] = v;
    update();
  }
}

void TArrowBar::DoDrawButton(QPainter& p, QRect r, int direction, bool pushed, bool enabled, bool hot) {
  if (r.isEmpty()) return;
  if (style_ == TRBStyle::rbsMac) {
    const int sides = buttonSides(direction);
    const QRect in = insideSides(r, sides);
    if (!enabled) {
      sideLines(p, r, sides, ShadowColor());
      p.fillRect(in, ButtonColor());
      arrow(p, in.translated(1, 1), direction, HighLightColor());
      arrow(p, in, direction, ShadowColor());
      return;
    }
    sideLines(p, r, sides, BorderColor());
    if (pushed) {
      p.fillRect(in, ButtonColor());
      arrow(p, in.translated(1, 1), direction, BorderColor());
    } else {
      bevel(p, in, HighLightColor(), ShadowColor());
      p.fillRect(in.adjusted(1, 1, -1, -1), ButtonColor());
      arrow(p, in, direction, BorderColor());
    }
    return;
  }
  QColor face = ButtonColor();
  if (hot && !pushed) face = face.lighter(108);
  p.fillRect(r, face);
  if (pushed) {
    sideLines(p, r, 1 | 2 | 4 | 8, ShadowColor());
  } else {
    bevel(p, r, HighLightColor(), palette().color(QPalette::Shadow));
    bevel(p, r.adjusted(1, 1, -1, -1), face, ShadowColor());
  }
  const QRect a = pushed ? r.translated(1, 1) : r;
  arrow(p, a, direction, enabled ? palette().color(QPalette::ButtonText) : palette().color(QPalette::Mid));
}

void TArrowBar::DoDrawHandle(QPainter& p, QRect r, bool horzBar, bool pushed, bool hot) {
  if (r.isEmpty()) return;
  if (style_ == TRBStyle::rbsMac) {
    sideLines(p, r, 1 | 2 | 4 | 8, BorderColor());
    const QRect in = r.adjusted(1, 1, -1, -1);
    const QColor light = lighten(HandleColor(), pushed ? -24 : 24);
    const QColor dark = pushed ? HandleColor() : mix(BorderColor(), HandleColor(), 96);
    bevel(p, in, light, dark);
    p.fillRect(in.adjusted(1, 1, -1, -1), HandleColor());
    if (showHandleGrip_) {
      const int len = horzBar ? r.width() : r.height();
      const int n = len > 10 ? 4 : 3;
      const QPoint c = r.center() + (pushed ? QPoint(1, 1) : QPoint(0, 0));
      const int across = std::max(1, (horzBar ? r.height() : r.width()) / 2 - 3);
      for (int k = 0; k < n; ++k) {
        const int off = (k - (n - 1) / 2) * 3 - (n % 2 == 0 ? 1 : 0);
        if (horzBar) {
          sideLines(p, QRect(c.x() + off, c.y() - across / 2, 1, across), 1, light);
          sideLines(p, QRect(c.x() + off + 1, c.y() - across / 2, 1, across), 1, dark);
        } else {
          sideLines(p, QRect(c.x() - across / 2, c.y() + off, across, 1), 2, light);
          sideLines(p, QRect(c.x() - across / 2, c.y() + off + 1, across, 1), 2, dark);
        }
      }
    }
    return;
  }
  QColor face = ButtonColor();
  if (pushed) face = face.darker(108);
  else if (hot) face = face.lighter(108);
  p.fillRect(r, face);
  bevel(p, r, HighLightColor(), palette().color(QPalette::Shadow));
  bevel(p, r.adjusted(1, 1, -1, -1), face, ShadowColor());
}

void TArrowBar::DoDrawTrack(QPainter& p, QRect r, int direction, bool pushed, bool enabled, bool) {
  if (r.isEmpty()) return;
  if (style_ == TRBStyle::rbsMac) {
    // The long sides are the bar's outline; the ends meet a button or the handle.
    const int sides = (direction == 0 || direction == 2) ? (2 | 8) : (1 | 4);
    sideLines(p, r, sides, enabled ? BorderColor() : ShadowColor());
    const QRect in = insideSides(r, sides);
    if (pushed) {
      p.fillRect(in, BorderColor());
    } else if (enabled) {
      sideLines(p, in, (direction == 0 || direction == 2) ? 2 : 1,
                mix(mix(HighLightColor(), Color(), 127), BorderColor(), 32));
      const QRect rest = insideSides(in, (direction == 0 || direction == 2) ? 2 : 1);
      if (backgnd_ == TRBBackgnd::bgPattern) patternFill(p, rest, HighLightColor(), Color());
      else p.fillRect(rest, Color());
    } else {
      p.fillRect(in, ButtonColor());
    }
    return;
  }
  if (pushed) p.fillRect(r, palette().color(QPalette::Shadow));
  else if (backgnd_ == TRBBackgnd::bgPattern) patternFill(p, r, HighLightColor(), Color());
  else p.fillRect(r, Color());
}

void TArrowBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), Color());
  if (borderStyle_ == TRBBorderStyle::bsSingle) {
    // A sunken edge around the whole control.
    bevel(p, rect(), palette().color(QPalette::Dark), palette().color(QPalette::Light));
  }
  const QRect c = ClientRect();
  const bool enabled = DrawEnabled();
  const int b = GetButtonSize();
  if (b > 0) {
    DoDrawButton(p, horz() ? QRect(c.left(), c.top(), b, c.height()) : QRect(c.left(), c.top(), c.width(), b),
                 horz() ? 0 : 1, dragZone_ == 1, enabled, hotZone_ == 1);
    DoDrawButton(p,
                 horz() ? QRect(c.right() + 1 - b, c.top(), b, c.height())
                        : QRect(c.left(), c.bottom() + 1 - b, c.width(), b),
                 horz() ? 2 : 3, dragZone_ == 5, enabled, hotZone_ == 5);
  }
  const QRect t = trackRect();
  const QRect h = enabled ? GetHandleRect() : QRect();
  QRect before, after;
  if (h.isEmpty()) {
    // No handle: the track is split at its middle.
    if (horz()) {
      before = QRect(t.left(), t.top(), t.width() / 2, t.height());
      after = QRect(before.right() + 1, t.top(), t.width() - before.width(), t.height());
    } else {
      before = QRect(t.left(), t.top(), t.width(), t.height() / 2);
      after = QRect(t.left(), before.bottom() + 1, t.width(), t.height() - before.height());
    }
  } else if (horz()) {
    before = QRect(QPoint(t.left(), t.top()), QPoint(h.left() - 1, t.bottom()));
    after = QRect(QPoint(h.right() + 1, t.top()), t.bottomRight());
  } else {
    before = QRect(QPoint(t.left(), t.top()), QPoint(t.right(), h.top() - 1));
    after = QRect(QPoint(t.left(), h.bottom() + 1), t.bottomRight());
  }
  DoDrawTrack(p, before, horz() ? 0 : 1, dragZone_ == 2, enabled, hotZone_ == 2);
  DoDrawTrack(p, after, horz() ? 2 : 3, dragZone_ == 4, enabled, hotZone_ == 4);
  if (!h.isEmpty()) DoDrawHandle(p, h, horz(), dragZone_ == 3, hotZone_ == 3);
}

void TArrowBarAccess::Assign(const TArrowBarAccess& source) {
  if (source.master_ == nullptr || master_ == nullptr) return;
  SetColor(source.Color());
  SetBackgnd(source.Backgnd());
  SetButtonSize(source.ButtonSize());
  SetHandleColor(source.HandleColor());
  SetButtonColor(source.ButtonColor());
  SetHighLightColor(source.HighLightColor());
  SetShadowColor(source.ShadowColor());
  SetBorderColor(source.BorderColor());
  SetShowArrows(source.ShowArrows());
  SetShowHandleGrip(source.ShowHandleGrip());
  SetStyle(source.Style());
}

// ---- range bar ----

TCustomRangeBar::TCustomRangeBar(QWidget* parent) : TArrowBar(parent) { updateEffectiveWindow(); }

void TCustomRangeBar::updateEffectiveWindow() { effectiveWindow_ = EffectiveWindow(); }

void TCustomRangeBar::AdjustPosition() {
  effectiveWindow_ = EffectiveWindow();
  if (position_ > range_ - effectiveWindow_) position_ = float(range_ - effectiveWindow_);
  if (position_ < 0) position_ = 0;
}

void TCustomRangeBar::SetPosition(float v) {
  if (v == position_) return;
  const float old = position_;
  position_ = v;
  AdjustPosition();
  if (position_ != old) {
    update();
    DoChange();
  }
}

// With Centered, the point in the middle of the visible window stays there; a window that
// showed everything before starts from the middle.
void TCustomRangeBar::keepCentre(int oldRange, int oldEw) {
  if (!Centered || range_ <= effectiveWindow_) return;
  const float c = oldRange > oldEw && oldRange != 0 ? (oldEw * 0.5f + position_) / float(oldRange) : 0.5f;
  position_ = range_ * c - effectiveWindow_ * 0.5f;
}

void TCustomRangeBar::SetParams(int newRange, int newWindow) {
  newRange = std::max(0, newRange);
  newWindow = std::max(0, newWindow);
  if (newRange == range_ && newWindow == window_) return;
  const int oldRange = range_, oldEw = effectiveWindow_;
  range_ = newRange;
  window_ = newWindow;
  updateEffectiveWindow();
  const float old = position_;
  keepCentre(oldRange, oldEw);
  AdjustPosition();
  update();
  if (position_ != old) DoChange();
}

void TCustomRangeBar::resizeEvent(QResizeEvent*) {
  const int ew = effectiveWindow_;
  updateEffectiveWindow();
  if (ew != effectiveWindow_) {
    const float old = position_;
    keepCentre(range_, ew);
    AdjustPosition();
    if (old != position_) DoChange();
  }
}

QRect TCustomRangeBar::GetHandleRect() const {
  const int effectiveWindow_ = EffectiveWindow();
  const QRect t = trackRect();
  const int l = horz() ? t.width() : t.height();
  if (l < 18) return {};
  int off = 0, size = l;
  if (effectiveWindow_ < range_) {
    size = int(std::lround(double(l) * effectiveWindow_ / range_));
    if (size < 17) {
      size = 17;
      off = int(std::lround((l - 17) * double(position_) / (range_ - effectiveWindow_)));
    } else {
      off = int(std::lround(l * double(position_) / range_));
    }
  }
  return horz() ? QRect(t.left() + off, t.top(), size, t.height()) : QRect(t.left(), t.top() + off, t.width(), size);
}

void TCustomRangeBar::wheelEvent(QWheelEvent* e) {
  genChange_ = true;
  SetPosition(position_ + Increment * e->angleDelta().y() / 120.0f);
  genChange_ = false;
  e->accept();
}

void TCustomRangeBar::StepFor(TRBZone zone, QPoint mouse) {
  const float old = position_;
  const QRect h = GetHandleRect();
  const int m = horz() ? mouse.x() : mouse.y();
  switch (zone) {
    case 1: SetPosition(position_ - Increment); break;
    case 5: SetPosition(position_ + Increment); break;
    case 2:
      if (m < (horz() ? h.left() : h.top())) SetPosition(position_ - EffectiveWindow());
      break;
    case 4:
      if (m > (horz() ? h.right() : h.bottom())) SetPosition(position_ + EffectiveWindow());
      break;
    default: break;
  }
  if (position_ == old) timer_.stop();
}

void TCustomRangeBar::DragHandle(int delta) {
  effectiveWindow_ = EffectiveWindow();
  if (range_ <= effectiveWindow_) return;
  const QRect t = trackRect();
  const int lt = horz() ? t.width() : t.height();
  const int size = std::max(17, int(std::lround(double(lt) * effectiveWindow_ / range_)));
  if (lt - size <= 0) return;
  SetPosition(posBeforeDrag_ + float(range_ - effectiveWindow_) * delta / float(lt - size));
}

// ---- gauge bar ----

TGaugeBar::TGaugeBar(QWidget* parent) : TArrowBar(parent) {}

void TGaugeBar::SetPosition(int v) {
  v = std::clamp(v, min_, max_);
  if (v == position_) return;
  position_ = v;
  update();
  DoChange();
}

void TGaugeBar::SetMin(int v) {
  if (!Loading && v >= max_) v = max_ - 1;
  if (v == min_) return;
  min_ = v;
  if (position_ < min_) SetPosition(min_);
  update();
}

void TGaugeBar::SetMax(int v) {
  if (!Loading && v <= min_) v = min_ + 1;
  if (v == max_) return;
  max_ = v;
  if (position_ > max_) SetPosition(max_);
  update();
}

void TGaugeBar::SetHandleSize(int v) {
  v = std::max(0, v);
  if (v != handleSize_) {
    handleSize_ = v;
    update();
  }
}

QRect TGaugeBar::GetHandleRect() const {
  const QRect t = trackRect();
  const int l = horz() ? t.width() : t.height();
  int hl = handleSize_ > 0 ? handleSize_ : thickness();
  hl = std::max(0, std::min(hl, l - 1));
  const int off = max_ > min_ ? int(std::lround(double(l - hl) * (position_ - min_) / (max_ - min_))) : 0;
  return horz() ? QRect(t.left() + off, t.top(), hl, t.height()) : QRect(t.left(), t.top() + off, t.width(), hl);
}

void TGaugeBar::wheelEvent(QWheelEvent* e) {
  genChange_ = true;
  SetPosition(position_ + smallChange_ * e->angleDelta().y() / 120);
  genChange_ = false;
  e->accept();
}

void TGaugeBar::StepFor(TRBZone zone, QPoint mouse) {
  const int old = position_;
  const QRect h = GetHandleRect();
  const QPoint m(std::clamp(mouse.x(), 0, width() - 1), std::clamp(mouse.y(), 0, height() - 1));
  const int a = horz() ? m.x() : m.y();
  switch (zone) {
    case 1: SetPosition(position_ - smallChange_); break;
    case 5: SetPosition(position_ + smallChange_); break;
    case 2:
      if (a < (horz() ? h.left() : h.top())) SetPosition(position_ - largeChange_);
      break;
    case 4:
      if (a > (horz() ? h.right() : h.bottom())) SetPosition(position_ + largeChange_);
      break;
    default: break;
  }
  if (position_ == old) timer_.stop();
}

void TGaugeBar::DragHandle(int delta) {
  const QRect t = trackRect();
  const QRect h = GetHandleRect();
  const int room = horz() ? t.width() - h.width() : t.height() - h.height();
  if (room <= 0) return;
  SetPosition(int(std::lround(posBeforeDrag_ + double(max_ - min_) * delta / room)));
}

}  // namespace kalvora::raster

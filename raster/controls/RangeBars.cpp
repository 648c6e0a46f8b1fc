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
  connect(&timer_, &QTimer::timeout, this, [this] { TimerHandler(); });
}

void TArrowBar::SetBorderStyle(TRBBorderStyle v) { borderStyle_ = v; update(); }
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
  const TRBZone z = GetZone(p.x(), p.y());
  if (z != hotZone_) {
    hotZone_ = z;
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

void TArrowBar::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QPalette& pal = palette();
  p.fillRect(rect(), pal.color(QPalette::Window));
  if (borderStyle_ == TRBBorderStyle::bsSingle) {
    p.setPen(pal.color(QPalette::Dark));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
  }
  const QRect c = ClientRect();
  const QRect t = trackRect();
  QColor track = pal.color(QPalette::Midlight);
  if (dragZone_ == 2 || dragZone_ == 4) track = track.darker(110);
  p.fillRect(t, Backgnd == TRBBackgnd::bgPattern ? QBrush(track, Qt::Dense4Pattern) : QBrush(track));
  const int b = GetButtonSize();
  auto button = [&](const QRect& r, bool first, TRBZone zone) {
    QColor face = pal.color(QPalette::Button);
    if (dragZone_ == zone) face = face.darker(115);
    else if (hotZone_ == zone) face = face.lighter(108);
    p.fillRect(r, face);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    const QPointF m = QRectF(r).center();
    const qreal s = std::min(r.width(), r.height()) * 0.25;
    QPolygonF tri;
    if (horz())
      tri << QPointF(first ? m.x() - s : m.x() + s, m.y()) << QPointF(first ? m.x() + s : m.x() - s, m.y() - s)
          << QPointF(first ? m.x() + s : m.x() - s, m.y() + s);
    else
      tri << QPointF(m.x(), first ? m.y() - s : m.y() + s) << QPointF(m.x() - s, first ? m.y() + s : m.y() - s)
          << QPointF(m.x() + s, first ? m.y() + s : m.y() - s);
    p.setBrush(DrawEnabled() ? pal.color(QPalette::ButtonText) : pal.color(QPalette::Mid));
    p.setPen(Qt::NoPen);
    p.drawPolygon(tri);
    p.setBrush(Qt::NoBrush);
  };
  if (b > 0) {
    button(horz() ? QRect(c.left(), c.top(), b, c.height()) : QRect(c.left(), c.top(), c.width(), b), true, 1);
    button(horz() ? QRect(c.right() + 1 - b, c.top(), b, c.height()) : QRect(c.left(), c.bottom() + 1 - b, c.width(), b),
           false, 5);
  }
  const QRect h = GetHandleRect();
  if (DrawEnabled() && !h.isEmpty()) {
    QColor face = pal.color(QPalette::Button);
    if (dragZone_ == 3) face = face.darker(115);
    else if (hotZone_ == 3) face = face.lighter(108);
    p.fillRect(h, face);
    p.setPen(pal.color(QPalette::Shadow));
    p.drawRect(h.adjusted(0, 0, -1, -1));
  }
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

void TCustomRangeBar::SetParams(int newRange, int newWindow) {
  newRange = std::max(0, newRange);
  newWindow = std::max(0, newWindow);
  if (newRange == range_ && newWindow == window_) return;
  const int oldRange = range_, oldEw = effectiveWindow_;
  range_ = newRange;
  window_ = newWindow;
  updateEffectiveWindow();
  const float old = position_;
  if (Centered && oldRange > oldEw) {
    // Keep the same point in the middle of the window.
    const float centre = position_ + oldEw * 0.5f;
    position_ = oldRange > 0 ? centre * range_ / oldRange - effectiveWindow_ * 0.5f : 0;
  }
  AdjustPosition();
  update();
  if (position_ != old) DoChange();
}

void TCustomRangeBar::resizeEvent(QResizeEvent*) {
  const int ew = effectiveWindow_;
  updateEffectiveWindow();
  if (ew != effectiveWindow_) {
    const float old = position_;
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

#include "FxDrawTools.h"

#include <QCursor>
#include <QEvent>
#include <QMouseEvent>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <numbers>

#include "Bitmap24Qt.h"
#include "FxBrushes.h"
#include "FxDrawImage.h"
#include "FxTextures.h"
#include "Prompter.h"

namespace kalvora {

namespace {
constexpr double kPi = std::numbers::pi;
constexpr TColor kWhite = 0xFFFFFF;

bool is(const QString& s, std::initializer_list<const char*> names) {
  for (const char* n : names)
    if (s == QLatin1String(n)) return true;
  return false;
}
inline int roundi(double v) {
  const double r = std::nearbyint(v);
  return r >= 2147483647.0 ? 2147483647 : r <= -2147483648.0 ? -2147483647 - 1 : int(r);
}
// Coordinates that may be multiplied stay in a range where that cannot overflow.
inline int tame(long long v) { return int(std::clamp<long long>(v, -(1LL << 24), 1LL << 24)); }
inline QPoint tame(QPoint p) { return QPoint(tame(p.x()), tame(p.y())); }
// Moves a brush centre so that the patch of radius r around it lies inside the bitmap (as far
// as the bitmap is large enough for it).
void keepPatchInside(const Bitmap24& b, int r, int& x, int& y) {
  x = std::max(std::min(x, b.width() - 1 - r), r);
  y = std::max(std::min(y, b.height() - 1 - r), r);
}
}  // namespace

TFxDrawTools::TFxDrawTools(TFxDrawImage* host) : QObject(host), host_(host) {
  if (host_) host_->installEventFilter(this);
}

TFxDrawTools::~TFxDrawTools() = default;

TFxCanvas& TFxDrawTools::Canvas() {
  bind();
  return canvas_;
}

const std::vector<QString>& TFxDrawTools::KnownTools() {
  static const std::vector<QString> names = [] {
    std::vector<QString> v;
    for (const char* n : TFxDrawImage::ShapeNames()) v.push_back(QString::fromLatin1(n));
    for (const char* n : {"rotatetext", "spray", "waveline", "fastwaveline", "colorwaveline", "borderwaveline",
                          "decoline", "cube1", "cube2", "chord1", "chord2", "chord3", "arc1", "arc2", "arc3", "pie1",
                          "pie2", "pie3", "skewrect1", "skewrect2", "triangle1", "triangle2", "bezier1", "bezier2",
                          "bezier3"})
      v.push_back(QString::fromLatin1(n));
    return v;
  }();
  return names;
}

// ---- Binding to the host -------------------------------------------------------------------------

void TFxDrawTools::bind() {
  if (host_) canvas_.setTarget(host_->Picture());
}

void TFxDrawTools::done() {
  if (host_) host_->update();
}

int TFxDrawTools::pictureWidth() const { return host_ ? host_->Picture().width() : 0; }
int TFxDrawTools::pictureHeight() const { return host_ ? host_->Picture().height() : 0; }

bool TFxDrawTools::eventFilter(QObject* watched, QEvent* event) {
  if (watched != host_) return false;
  const QEvent::Type t = event->type();
  if (t != QEvent::MouseButtonPress && t != QEvent::MouseMove && t != QEvent::MouseButtonRelease &&
      t != QEvent::MouseButtonDblClick)
    return false;
  const auto* me = static_cast<QMouseEvent*>(event);
  const QPointF pos = me->position();
  const int x = int(std::floor(pos.x())), y = int(std::floor(pos.y()));
  if (t == QEvent::MouseButtonPress || t == QEvent::MouseButtonDblClick)
    MouseDown(me->button(), me->modifiers(), x, y);
  else if (t == QEvent::MouseMove)
    MouseMove(me->modifiers(), x, y);
  else
    MouseUp(me->button(), me->modifiers(), x, y);
  return true;  // the control's own mouse handlers are not called
}

// ---- Work bitmap transfers -----------------------------------------------------------------------

void TFxDrawTools::ClearWork(TColor colour) {
  if (!host_) return;
  const auto& r = host_->Tools.range;
  // The range never reaches beyond the picture, so the work bitmap stays the picture's size or less.
  const long long w = std::clamp<long long>(static_cast<long long>(r[2]) - r[0] + 1, 0, std::max(pictureWidth(), 0));
  const long long h = std::clamp<long long>(static_cast<long long>(r[3]) - r[1] + 1, 0, std::max(pictureHeight(), 0));
  host_->WorkBitmap = Bitmap24(int(w), int(h), BgrFromColor(colour));
}

void TFxDrawTools::CopyRangeToWork() {
  if (!host_) return;
  const auto& r = host_->Tools.range;
  ClearWork(kWhite);
  Bitmap24& work = host_->WorkBitmap;
  if (work.isEmpty()) return;
  bind();
  TFxCanvas w(work);
  w.CopyMode = host_->Tools.copyMode;
  w.CopyRect(QRect(0, 0, work.width(), work.height()), canvas_.surface(),
             QRect(r[0], r[1], work.width(), work.height()));
}

void TFxDrawTools::CopyPictureToWork() {
  if (!host_) return;
  host_->CopyPictureToWork();
}

void TFxDrawTools::CopyRectToWork(const QRect& r) {
  if (!host_) return;
  const Bitmap24 picture = FromQImage(host_->Picture());
  const int w = std::clamp(r.width() + 1, 0, std::max(picture.width(), 1));
  const int h = std::clamp(r.height() + 1, 0, std::max(picture.height(), 1));
  host_->WorkBitmap = CopyPart(picture, r.x(), r.y(), w, h);
}

void TFxDrawTools::SnapshotPicture() {
  if (host_) host_->SecondBitmap = FromQImage(host_->Picture());
}

void TFxDrawTools::WorkToPicture() {
  if (!host_) return;
  host_->setPicture(ToQImage(host_->WorkBitmap));
  bind();
}

void TFxDrawTools::drawWork(int x, int y, std::uint32_t mode) {
  bind();
  const std::uint32_t keep = canvas_.CopyMode;
  canvas_.CopyMode = mode;
  canvas_.Draw(x, y, host_->WorkBitmap);
  canvas_.CopyMode = keep;
}

// ---- Brushes ------------------------------------------------------------------------------------------

bool TFxDrawTools::prepareWork() {
  const Bitmap24& work = host_->WorkBitmap;
  if (work.width() != pictureWidth() || work.height() != pictureHeight()) CopyPictureToWork();
  return !work.isEmpty();
}

int TFxDrawTools::limitRadius(long long r) const {
  // A patch is never more than twice the picture's size.
  const long long most = std::max({pictureWidth(), pictureHeight(), 5});
  return int(std::clamp<long long>(r, 0, most));
}

void TFxDrawTools::ApplyRoundBrush(int kind, int x, int y, int r) {
  if (!host_ || kind < 0 || kind > 13) return;
  r = limitRadius(std::max(r, 5));
  if (kind <= 8) CopyPictureToWork();
  Bitmap24& work = host_->WorkBitmap;
  if (!prepareWork()) return;
  Bitmap24 patch = CopyPart(work, x - r, y - r, 2 * r, 2 * r);
  RoundBrushPixels(patch, kind);
  TFxCanvas w(work);
  DrawMaskedPatch(w, x - r, y - r, patch);
  WorkToPicture();
}

void TFxDrawTools::ApplyAdjustBrush(int kind, int x, int y, int amount, int r) {
  if (!host_ || kind < 0 || kind > 2) return;
  Bitmap24& work = host_->WorkBitmap;
  if (!prepareWork()) return;
  r = limitRadius(r);
  keepPatchInside(work, r, x, y);
  Bitmap24 patch = CopyPart(work, x - r, y - r, 2 * r, 2 * r);
  TFxPaintFX& fx = host_->PaintFX();
  if (kind == 0) fx.Lightness(&patch, amount);
  if (kind == 1) fx.Contrast(&patch, amount);
  if (kind == 2) fx.Saturation(&patch, amount);
  drawWork(0, 0, SRCCOPY);
  DrawMaskedPatch(canvas_, x - r, y - r, patch);
  done();
}

void TFxDrawTools::ApplyLensBrush(int kind, int x, int y, double amount, int r) {
  if (!host_ || kind < 3 || kind > 15) return;
  Bitmap24& work = host_->WorkBitmap;
  if (!prepareWork()) return;
  r = limitRadius(r);
  if (r < 1) return;
  keepPatchInside(work, r, x, y);
  Bitmap24 a = CopyPart(work, x - r, y - r, 2 * r, 2 * r);
  Bitmap24 b(a.width(), a.height(), Bgr{255, 255, 255});
  TFxPaintFX& fx = host_->PaintFX();
  const int whole = std::isfinite(amount) ? roundi(amount) : 0;
  switch (kind) {
    case 3: fx.FishEye(&a, &b, float(amount)); break;
    case 4: fx.SmoothRotate(&a, &b, a.width() / 2, a.height() / 2, amount); break;
    case 5: fx.Twist(&a, &b, whole); break;
    case 6: RippleLens(a, b, amount); break;
    case 14:
    case 15: fx.SplitRound(&a, &b, kind, whole); break;
    default: fx.SqueezeHor(&a, &b, kind, whole); break;
  }
  drawWork(0, 0, SRCCOPY);
  DrawMaskedPatch(canvas_, x - r, y - r, b);
  done();
}

QRect TFxDrawTools::ApplyBandBrush(int kind, int x, int y, double angle, int r) {
  if (!host_ || kind < 0 || kind > 3) return QRect();
  const Bitmap24& work = host_->WorkBitmap;
  r = limitRadius(r);
  keepPatchInside(work, r, x, y);
  double a = std::fabs(angle);
  if (!(a >= 1)) a = 1;
  const int t = std::min(std::max(roundi(r * std::min(a, 1e6) / 360), 5), r);
  const QRect band = (kind == 0 || kind == 2) ? QRect(QPoint(x - r, y - t), QPoint(x + r, y + t))
                                              : QRect(QPoint(x - t, y - r), QPoint(x + t, y + r));
  // The band's transformation keeps the picture as it was at the press: nothing is drawn.
  return band;
}

void TFxDrawTools::ZoomLens(int x, int y, int r) {
  if (!host_) return;
  const Bitmap24& snap = host_->SecondBitmap;
  if (snap.isEmpty()) return;
  r = limitRadius(r);
  auto& z = host_->Tools.zoomRect;
  z = {std::max(x - r, 0), std::max(y - r, 0), std::min(x + r, snap.width() - 1), std::min(y + r, snap.height() - 1)};
  const int w = z[2] - z[0], h = z[3] - z[1];
  if (w <= 0 || h <= 0) return;
  const Bitmap24 part = CopyPart(snap, z[0], z[1], w, h);
  bind();
  const std::uint32_t keep = canvas_.CopyMode;
  canvas_.CopyMode = SRCCOPY;
  canvas_.StretchDraw(QRect(0, 0, snap.width(), snap.height()), part);
  canvas_.CopyMode = keep;
  done();
}

QRect TFxDrawTools::BlockCellRect(int x, int y) const {
  if (!host_ || host_->blocks <= 0) return QRect();
  const int cw = pictureWidth() / host_->blocks, ch = pictureHeight() / host_->blocks;
  if (cw <= 0 || ch <= 0) return QRect();  // more blocks than pixels
  const int l = x / cw * cw, t = y / ch * ch;
  return QRect(l, t, cw, ch);
}

// ---- Figures ------------------------------------------------------------------------------------------

void TFxDrawTools::DrawStar(QPoint p) {
  if (!host_) return;
  const std::vector<QPoint> v = StarVertices(tame(origin_), tame(p), host_->starpoints, host_->polygonchecked);
  if (v.empty()) return;
  vertices_ = v;
  bind();
  canvas_.Polygon(v);
}

void TFxDrawTools::InitSymmetry(QPoint p) {
  vertices_.clear();
  if (!host_ || host_->starpoints <= 0) return;
  const int n = std::min(host_->starpoints, kMaxFigurePoints);
  const QPoint centre(pictureWidth() / 2, pictureHeight() / 2);
  const double step = 2 * kPi / n;
  vertices_.push_back(tame(p));
  for (int i = 1; i < n; ++i) vertices_.push_back(RotatePoint(centre, vertices_.back(), step));
}

void TFxDrawTools::DrawSymmetryStroke(QPoint p) {
  if (vertices_.empty()) return;
  const QPoint centre(pictureWidth() / 2, pictureHeight() / 2);
  const double step = 2 * kPi / double(vertices_.size());
  p = tame(p);
  bind();
  for (QPoint& v : vertices_) {
    line(v, p);
    v = p;
    p = RotatePoint(centre, p, step);
  }
}

int TFxDrawTools::DrawSpirograph(QPoint p1, QPoint p2) {
  if (!host_) return 0;
  const int w = pictureWidth(), h = pictureHeight();
  if (w / 2 != h / 2) {
    CurrentPrompter().message(MsgKind::Information, QString(), QStringLiteral("image must be square for spirographs"));
    return 0;
  }
  const QPointF c(w / 2, h / 2);
  p1 = tame(p1), p2 = tame(p2);
  const int r1 = roundi(std::hypot(p1.x() - c.x(), p1.y() - c.y()));
  const int r2 = roundi(std::hypot(p2.x() - p1.x(), p2.y() - p1.y()));
  if (r1 + r2 > w / 2) {
    CurrentPrompter().message(MsgKind::Information, QString(), QStringLiteral("sum of radi to large"));
    return 0;
  }
  if (r1 < 5 || r2 < 5) {
    CurrentPrompter().message(MsgKind::Information, QString(), QStringLiteral("both radi must be >5"));
    return 0;
  }
  bind();
  canvas_.MoveTo(int(c.x()) + r1 + r2, int(c.y()));
  double a1 = 0, a2 = 0;
  const double s = kPi / 18, s1 = double(r2) / r1 * s;
  const int steps = std::clamp(host_->Tools.spiroTurns, 0, 10000) * 36;
  for (int i = 0; i < steps; ++i) {
    const int x = roundi(c.x() + r1 * std::cos(a1) + r2 * std::cos(a2));
    const int y = roundi(c.y() + r1 * std::sin(a1) + r2 * std::sin(a2));
    a2 += s, a1 += s1;
    canvas_.LineTo(x, y);
  }
  done();
  return steps;
}

// ---- Drawing helpers ------------------------------------------------------------------------------------

void TFxDrawTools::line(QPoint a, QPoint b) {
  canvas_.MoveTo(a.x(), a.y());
  canvas_.LineTo(b.x(), b.y());
}

void TFxDrawTools::bandLine(QPoint p) {
  canvas_.Pen.Mode = pmNotXor;
  line(origin_, last_);
  line(origin_, p);
  last_ = p;
}

void TFxDrawTools::bandRect(QPoint p, bool dotted) {
  canvas_.Pen.Mode = pmNotXor;
  if (dotted) canvas_.Pen.Style = psDot;
  canvas_.Rectangle(origin_.x(), origin_.y(), last_.x(), last_.y());
  canvas_.Rectangle(origin_.x(), origin_.y(), p.x(), p.y());
  if (dotted) canvas_.Pen.Style = psSolid;
  last_ = p;
}

void TFxDrawTools::bandRoundRect(QPoint p) {
  const int c = host_->Tools.cornerSize;
  canvas_.Pen.Mode = pmNotXor;
  canvas_.RoundRect(origin_.x(), origin_.y(), last_.x(), last_.y(), c, c);
  canvas_.RoundRect(origin_.x(), origin_.y(), p.x(), p.y(), c, c);
  last_ = p;
}

void TFxDrawTools::bandEllipse(QPoint p) {
  canvas_.Pen.Mode = pmNotXor;
  canvas_.Ellipse(origin_.x(), origin_.y(), last_.x(), last_.y());
  canvas_.Ellipse(origin_.x(), origin_.y(), p.x(), p.y());
  last_ = p;
}

void TFxDrawTools::drawCube() {
  const auto& P = P_;
  canvas_.Polyline({P[0], P[1], P[2], P[3], P[0]});
  const QPoint d = P[4] - P[2];
  if (d.x() >= 0 && d.y() <= 0) {
    canvas_.Polyline({P[0], P[0] + d, P[1] + d, P[2] + d, P[2]});
    line(P[1], P[1] + d);
  } else if (d.x() >= 0 && d.y() > 0) {
    canvas_.Polyline({P[1], P[1] + d, P[2] + d, P[3] + d, P[3]});
    line(P[2], P[2] + d);
  } else if (d.x() < 0 && d.y() > 0) {
    canvas_.Polyline({P[0], P[0] + d, P[3] + d, P[2] + d, P[2]});
    line(P[3], P[3] + d);
  } else if (d.x() < 0 && d.y() < 0) {
    canvas_.Polyline({P[1], P[1] + d, P[0] + d, P[3] + d, P[3]});
    line(P[0], P[0] + d);
  }
}

void TFxDrawTools::drawParallelogram() { canvas_.Polyline({P_[0], P_[1], P_[2], P_[3], P_[0]}); }
void TFxDrawTools::drawTriangle() { canvas_.Polyline({P_[0], P_[1], P_[2], P_[0]}); }
void TFxDrawTools::drawCurve() { canvas_.PolyBezier({C_[0], C_[1], C_[2], C_[3]}); }

void TFxDrawTools::cornersForUnlocked() {
  if (!lock1_) C_[1] = QPoint(C_[0].x(), C_[3].y());
  if (!lock2_) C_[2] = QPoint(C_[3].x(), C_[0].y());
}

double TFxDrawTools::dragAngle(QPoint p) const {
  double dx = double(p.x()) - origin_.x();
  const double dy = double(p.y()) - origin_.y();
  if (dx == 0) dx = 0.01;
  return std::atan2(dy, dx);
}

int TFxDrawTools::dragRadius(QPoint p) const {
  const double dx = double(p.x()) - origin_.x(), dy = double(p.y()) - origin_.y();
  return std::max(roundi(std::sqrt(dx * dx + dy * dy)), 10);
}

void TFxDrawTools::followMouse(Qt::KeyboardModifiers shift, QPoint p) {
  if (shift & Qt::AltModifier) origin_ += p - last_;
}

void TFxDrawTools::decoLine(QPoint to, bool oval) {
  const int w0 = canvas_.Pen.Width;
  if (w0 <= 0) return;  // the colour step would divide by zero
  const TColor keepColor = canvas_.Pen.Color;
  const TBrushStyle keepBrush = canvas_.Brush.Style;
  const TColor start = savedBrushColor_, end = oval ? savedPenColor_ : canvas_.Pen.Color;
  double value[3], step[3];
  int lo[3], hi[3];
  for (int k = 0; k < 3; ++k) {
    const int s = int((start >> (8 * k)) & 0xFF), e = int((end >> (8 * k)) & 0xFF);
    value[k] = s;
    step[k] = (s - e) / (w0 / 3.0);
    lo[k] = std::min(s, e), hi[k] = std::max(s, e);
  }
  if (canvas_.Pen.Width < 30) canvas_.Pen.Width = 30;
  if (oval) canvas_.Brush.Style = bsClear;
  const int passes = std::min(canvas_.Pen.Width / 3, 10000);
  for (int i = 0; i < passes; ++i) {
    int c[3];
    for (int k = 0; k < 3; ++k) {
      value[k] -= step[k];
      // The colour stops at the end colour.
      c[k] = std::clamp(roundi(value[k]), lo[k], hi[k]);
    }
    canvas_.Pen.Color = TColor(c[0]) | (TColor(c[1]) << 8) | (TColor(c[2]) << 16);
    if (oval) {
      canvas_.Pen.Width = std::max(canvas_.Pen.Width - 2, 1);
      canvas_.Ellipse(origin_.x(), origin_.y(), to.x(), to.y());
    } else {
      line(origin_, to);
      canvas_.Pen.Width = std::max(canvas_.Pen.Width - 2, 1);
    }
  }
  canvas_.Pen.Width = w0;
  canvas_.Pen.Color = keepColor;
  canvas_.Brush.Style = keepBrush;
}

// ---- Press -----------------------------------------------------------------------------------------------

void TFxDrawTools::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  if (!host_) return;
  bind();
  savedPenColor_ = canvas_.Pen.Color;
  savedBrushColor_ = canvas_.Brush.Color;
  if (button == Qt::RightButton) {
    finishMultiClick(shift, x, y);
    done();
    return;
  }
  if ((shift & Qt::ControlModifier) && (shift & Qt::ShiftModifier)) {
    // Snap to the anchor point.
    x = host_->Tools.anchorX, y = host_->Tools.anchorY;
    QCursor::setPos(host_->mapToGlobal(QPoint(x, y)));
  }
  const QPoint p(x, y);
  canvas_.MoveTo(x, y);
  origin_ = last_ = p;
  direction_ = Direction::None;
  drawing_ = true;
  savedPenMode_ = canvas_.Pen.Mode;
  QString& shape = host_->Shape;

  if (is(shape, {"rangemove", "rangesmear"})) {
    host_->Tools.copyMode = SRCINVERT;
    CopyRangeToWork();
    drawWork(x, y, SRCINVERT);
  } else if (is(shape, {"darkerbrush", "lighterbrush", "graybrush", "rollmixbrush", "smoothbrush", "mbHorOval",
                        "mbVerOval", "mbVerBox", "mbHorBox", "mbHor", "mbTop", "mbBottom", "mbDiamond", "mbWaste",
                        "mbRound", "mbRound2", "mbSplitRound", "mbSplitWaste", "brightnessbrush", "contrastbrush",
                        "saturationbrush", "fisheyebrush", "fisheyefixbrush", "rotatebrush", "twistbrush",
                        "rimplebrush"})) {
    CopyPictureToWork();
  } else if (is(shape, {"zoombrush", "zoomkeepbrush"})) {
    SnapshotPicture();
  } else if (shape == QLatin1String("mixbrush")) {
    const int w = canvas_.Pen.Width;
    const TColor a = (shift & Qt::AltModifier) ? canvas_.Pixel(x, y - w) : canvas_.Pixel(x - w, y);
    const TColor b = (shift & Qt::AltModifier) ? canvas_.Pixel(x, y + w) : canvas_.Pixel(x + w, y);
    canvas_.Pen.Color = MixColors(a & 0xFFFFFF, b & 0xFFFFFF);
  } else if (shape == QLatin1String("sym")) {
    InitSymmetry(p);
  } else if (is(shape, {"chord3", "pie3", "arc3", "bezier3", "skewrect2", "triangle2", "cube2"})) {
    shape.chop(1);
  } else if (shape == QLatin1String("snapshot")) {
    savedBrushStyle_ = canvas_.Brush.Style;
    savedPenWidth_ = canvas_.Pen.Width;
    canvas_.Brush.Style = bsClear;
    canvas_.Pen.Width = 1;
  } else if (is(shape, {"bezier1", "bezier2"})) {
    canvas_.Pen.Mode = pmNotXor;
    drawCurve();
    C_[shape == QLatin1String("bezier1") ? 1 : 2] = p;
    drawCurve();
  }
  canvas_.Pen.Mode = savedPenMode_;
  done();
}

void TFxDrawTools::finishMultiClick(Qt::KeyboardModifiers shift, int x, int y) {
  const QString& shape = host_->Shape;
  if (shape == QLatin1String("polygon")) {
    if (polyCount_ > 2) canvas_.Polygon(std::vector<QPoint>(poly_.begin(), poly_.begin() + std::min(polyCount_, 100)));
    polyCount_ = 0;
    drawing_ = false;
  } else if (shape == QLatin1String("polyline")) {
    polyCount_ = 0;
    drawing_ = false;
  } else if (shape == QLatin1String("polybezier")) {
    lock1_ = lock2_ = false;
    origin_ = last_ = QPoint(x, y);
    if (shift & Qt::AltModifier) drawing_ = false;
  }
  canvas_.Pen.Mode = savedPenMode_;
  host_->Tools.anchorX = x, host_->Tools.anchorY = y;
}

// ---- Move ------------------------------------------------------------------------------------------------

void TFxDrawTools::MouseMove(Qt::KeyboardModifiers shift, int x, int y) {
  if (!host_) return;
  if ((shift & Qt::ControlModifier) && (shift & Qt::AltModifier)) return;
  bind();
  const TPenMode keep = canvas_.Pen.Mode;
  const QPoint p(x, y);
  if (drawing_) moveTool(shift, p);
  canvas_.Pen.Mode = keep;
  last_ = p;
  done();
}

void TFxDrawTools::moveTool(Qt::KeyboardModifiers shift, QPoint p) {
  const QString& shape = host_->Shape;
  const int x = p.x(), y = p.y();
  const int W = pictureWidth(), H = pictureHeight();
  const int penRadius = canvas_.Pen.Width < 5 ? 50 : canvas_.Pen.Width;
  if (is(shape, {"line", "rotatetext", "star", "spiral", "skewrect", "triangle", "cone", "spiro", "decobar",
                 "polyline", "polygon"})) {
    bandLine(p);
  } else if (is(shape, {"rectangle", "cube", "maze", "interprect", "intercolumn"})) {
    bandRect(p, false);
  } else if (shape == QLatin1String("roundrect")) {
    bandRoundRect(p);
  } else if (is(shape, {"ellipse", "globe", "intersphere", "multisphere", "dropletsphere", "wavesphere",
                        "risingwavesphere", "decooval", "chord", "pie", "arc"})) {
    bandEllipse(p);
  } else if (is(shape, {"snapshot", "bars", "border"})) {
    bandRect(p, true);
  } else if (is(shape, {"freehand", "mixbrush", "waveline", "fastwaveline", "colorwaveline"})) {
    canvas_.LineTo(x, y);
  } else if (shape == QLatin1String("borderwaveline")) {
    line(last_, p);
    line(QPoint(W - last_.x(), H - last_.y()), QPoint(W - x, H - y));
  } else if (shape == QLatin1String("decoline")) {
    const int w = canvas_.Pen.Width;
    canvas_.Pen.Color = savedPenColor_;
    canvas_.Pen.Mode = pmCopy;
    line(last_, p);
    canvas_.Pen.Width = std::min(w, 1 << 20) * 2;
    canvas_.Pen.Mode = pmMaskNotPen;
    line(last_, p);
    canvas_.Pen.Width = w;
  } else if (shape == QLatin1String("sline")) {
    const int t = host_->Tools.slineThreshold;
    if (direction_ == Direction::None)
      direction_ = std::abs(y - origin_.y()) > std::abs(x - origin_.x()) ? Direction::V : Direction::H;
    if (direction_ == Direction::H && std::abs(y - last_.y()) > t)
      direction_ = Direction::V;
    else if (direction_ == Direction::V && std::abs(x - last_.x()) > t)
      direction_ = Direction::H;
    if (direction_ == Direction::H)
      canvas_.LineTo(x, last_.y());
    else
      canvas_.LineTo(last_.x(), y);
  } else if (is(shape, {"vmirror", "hmirror", "cmirror", "mirror4"})) {
    line(last_, p);
    auto mirror = [&](bool mx, bool my) {
      auto f = [&](QPoint q) { return QPoint(mx ? W - q.x() : q.x(), my ? H - q.y() : q.y()); };
      line(f(last_), f(p));
    };
    if (shape == QLatin1String("vmirror")) mirror(true, false);
    if (shape == QLatin1String("hmirror")) mirror(false, true);
    if (shape == QLatin1String("cmirror")) mirror(true, true);
    if (shape == QLatin1String("mirror4")) mirror(true, true), mirror(true, false), mirror(false, true);
  } else if (shape == QLatin1String("sym")) {
    DrawSymmetryStroke(p);
  } else if (shape == QLatin1String("spray")) {
    for (int i = 0; i < 10; ++i) {
      const int sx = x + random().random(30) - 15;
      const int sy = y + random().random(30) - 15;
      canvas_.SetPixel(sx, sy, canvas_.Brush.Color);
    }
  } else if (shape == QLatin1String("airbrush")) {
    if (host_->AirBrush().Ready()) {
      host_->AirBrush().Spray(host_->Picture(), x, y);
      bind();
    }
  } else if (shape == QLatin1String("blocks")) {
    const QRect cell = BlockCellRect(x, y);
    if (!cell.isEmpty()) canvas_.FillRect(cell.x(), cell.y(), cell.x() + cell.width(), cell.y() + cell.height());
  } else if (shape == QLatin1String("cube1")) {
    canvas_.Pen.Mode = pmNotXor;
    drawCube();
    P_[4] = tame(p);
    drawCube();
  } else if (shape == QLatin1String("skewrect1")) {
    canvas_.Pen.Mode = pmNotXor;
    drawParallelogram();
    P_[2] = tame(p);
    P_[3] = P_[2] - P_[1] + P_[0];
    drawParallelogram();
  } else if (shape == QLatin1String("triangle1")) {
    canvas_.Pen.Mode = pmNotXor;
    drawTriangle();
    P_[2] = tame(p);
    drawTriangle();
  } else if (shape == QLatin1String("bezier")) {
    canvas_.Pen.Mode = pmNotXor;
    C_[0] = C_[1] = tame(origin_);
    C_[2] = C_[3] = tame(last_);
    drawCurve();
    C_[2] = C_[3] = tame(p);
    drawCurve();
  } else if (is(shape, {"bezier1", "bezier2"})) {
    canvas_.Pen.Mode = pmNotXor;
    drawCurve();
    C_[shape == QLatin1String("bezier1") ? 1 : 2] = tame(p);
    drawCurve();
  } else if (shape == QLatin1String("polybezier")) {
    canvas_.Pen.Mode = pmNotXor;
    C_[0] = tame(origin_);
    C_[3] = tame(last_);
    cornersForUnlocked();
    drawCurve();
    C_[3] = tame(p);
    if (shift & Qt::ControlModifier) C_[1] = C_[3], lock1_ = true;
    if (shift & Qt::ShiftModifier) C_[2] = C_[3], lock2_ = true;
    cornersForUnlocked();
    drawCurve();
  } else if (shape == QLatin1String("rangemove")) {
    drawWork(last_.x(), last_.y(), SRCINVERT);
    drawWork(x, y, SRCINVERT);
  } else if (shape == QLatin1String("rangesmear")) {
    drawWork(x, y, SRCINVERT);
  } else if (shape == QLatin1String("paste")) {
    if (shift & Qt::ShiftModifier) {
      const auto& r = host_->Tools.range;
      canvas_.CopyRect(QRect(x, y, r[2] - r[0] + 1, r[3] - r[1] + 1), canvas_.surface(),
                       QRect(r[0], r[1], r[2] - r[0] + 1, r[3] - r[1] + 1));
    }
  } else if (is(shape, {"cloneall", "clonenottarget"})) {
    const QPoint anchor(host_->Tools.anchorX, host_->Tools.anchorY);
    const QPoint src = p - (origin_ - anchor);
    const int w = std::clamp(canvas_.Pen.Width, 1, std::max({W, H, 1}));
    if (shape == QLatin1String("cloneall")) {
      const std::uint32_t keep = canvas_.CopyMode;
      canvas_.CopyMode = SRCCOPY;
      canvas_.CopyRect(QRect(x, y, w, w), canvas_.surface(), QRect(src.x(), src.y(), w, w));
      canvas_.CopyMode = keep;
    } else {
      const TColor key = canvas_.Pixel(anchor.x(), anchor.y()) & 0xFFFFFF;
      host_->WorkBitmap = CopyPart(FromQImage(host_->Picture()), src.x(), src.y(), w, w);
      canvas_.DrawTransparent(x, y, host_->WorkBitmap, key);
    }
  } else if (is(shape, {"zoombrush", "zoomkeepbrush"})) {
    ZoomLens(x, y, penRadius);
  } else if (shape == QLatin1String("fisheyebrush")) {
    ApplyLensBrush(3, x, y, 0.9, penRadius);
  } else if (shape == QLatin1String("fisheyefixbrush")) {
    followMouse(shift, p);
    const double amount = std::clamp(dragAngle(p) / kPi * 0.5 + 0.5, 0.55, 0.99);
    ApplyLensBrush(3, origin_.x(), origin_.y(), amount, dragRadius(p));
  } else if (shape == QLatin1String("twistbrush")) {
    followMouse(shift, p);
    ApplyLensBrush(5, origin_.x(), origin_.y(), roundi(std::fabs(dragAngle(p) * 25 / kPi) + 1), dragRadius(p));
  } else if (is(shape, {"rotatebrush", "rimplebrush", "mbHor", "mbTop", "mbBottom", "mbDiamond", "mbWaste", "mbRound",
                        "mbRound2", "mbSplitRound", "mbSplitWaste"})) {
    static const char* const order[] = {"rotatebrush", "rimplebrush", "mbHor", "mbTop", "mbBottom", "mbDiamond",
                                        "mbWaste", "mbRound", "mbRound2", "mbSplitRound", "mbSplitWaste"};
    static const int kinds[] = {4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    int kind = 4;
    for (int i = 0; i < 11; ++i)
      if (shape == QLatin1String(order[i])) kind = kinds[i];
    followMouse(shift, p);
    ApplyLensBrush(kind, origin_.x(), origin_.y(), dragAngle(p) * 180 / kPi, dragRadius(p));
  } else if (is(shape, {"mbVerBox", "mbHorBox", "mbVerOval", "mbHorOval"})) {
    const int kind = shape == QLatin1String("mbVerBox") ? 0 : shape == QLatin1String("mbHorBox") ? 1
                     : shape == QLatin1String("mbVerOval") ? 2 : 3;
    followMouse(shift, p);
    ApplyBandBrush(kind, origin_.x(), origin_.y(), dragAngle(p) * 180 / kPi, dragRadius(p));
  } else if (is(shape, {"brightnessbrush", "contrastbrush", "saturationbrush"})) {
    const int kind = shape == QLatin1String("brightnessbrush") ? 0 : shape == QLatin1String("contrastbrush") ? 1 : 2;
    followMouse(shift, p);
    ApplyAdjustBrush(kind, origin_.x(), origin_.y(), roundi(dragAngle(p) * 100 / kPi), dragRadius(p));
  } else if (is(shape, {"bluebrush", "greenbrush", "redbrush", "notbluebrush", "notgreenbrush", "notredbrush",
                        "halfbluebrush", "halfgreenbrush", "halfredbrush", "darkerbrush", "lighterbrush", "graybrush",
                        "rollmixbrush", "smoothbrush"})) {
    static const char* const order[] = {"bluebrush", "greenbrush", "redbrush", "notbluebrush", "notgreenbrush",
                                        "notredbrush", "halfbluebrush", "halfgreenbrush", "halfredbrush",
                                        "darkerbrush", "lighterbrush", "graybrush", "rollmixbrush", "smoothbrush"};
    int kind = 0;
    for (int i = 0; i < 14; ++i)
      if (shape == QLatin1String(order[i])) kind = i;
    ApplyRoundBrush(kind, x, y, canvas_.Pen.Width);
  } else if (shape == QLatin1String("gradientbrush")) {
    const int w = std::clamp(canvas_.Pen.Width, 0, std::max({W, H, 1}));
    const bool vertical = shift & Qt::AltModifier;
    const TColor c1 = (vertical ? canvas_.Pixel(x, y - w) : canvas_.Pixel(x - w, y)) & 0xFFFFFF;
    const TColor c2 = (vertical ? canvas_.Pixel(x, y + w) : canvas_.Pixel(x + w, y)) & 0xFFFFFF;
    for (int i = 0; i < 3; ++i) {
      CopyPictureToWork();
      if (vertical)
        DrawGradientColumn(host_->WorkBitmap, x - i, y - w, y + w, c1, c2, true);
      else
        DrawGradientRow(host_->WorkBitmap, y + i, x - w, x + w, c1, c2, true);
      WorkToPicture();
    }
  }
}

// ---- Release ------------------------------------------------------------------------------------------

void TFxDrawTools::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y) {
  if (!host_) return;
  if (((shift & Qt::ControlModifier) && (shift & Qt::AltModifier)) || button == Qt::RightButton) return;
  // A release away from the last move first moves there, so no rubber band is left behind.
  if (drawing_ && QPoint(x, y) != last_) MouseMove(shift, x, y);
  bind();
  const TPenMode keep = canvas_.Pen.Mode;
  savedPenMode_ = keep;
  releaseTool(shift, QPoint(x, y));
  canvas_.Pen.Mode = keep;
  if (!is(host_->Shape, {"polygon", "polyline", "polybezier"})) drawing_ = false;
  done();
}

void TFxDrawTools::releaseTool(Qt::KeyboardModifiers shift, QPoint p) {
  QString& shape = host_->Shape;
  const int X = p.x(), Y = p.y();
  const int ox = origin_.x(), oy = origin_.y();
  const int W = pictureWidth(), H = pictureHeight();
  const bool notXor = savedPenMode_ == pmNotXor;
  const bool alt = shift & Qt::AltModifier;
  auto eraseBandLine = [&] {
    canvas_.Pen.Mode = pmNotXor;
    line(origin_, last_);
    canvas_.Pen.Mode = savedPenMode_;
  };
  auto eraseBandEllipse = [&] {
    canvas_.Pen.Mode = pmNotXor;
    canvas_.Ellipse(ox, oy, last_.x(), last_.y());
  };
  auto eraseDottedBand = [&] {
    canvas_.Pen.Mode = pmNotXor;
    canvas_.Pen.Style = psDot;
    canvas_.Rectangle(ox, oy, last_.x(), last_.y());
    canvas_.Pen.Style = psSolid;
    canvas_.Pen.Mode = savedPenMode_;
  };
  auto sphereColours = [&](TColor& c1, TColor& c2) {
    c1 = savedPenColor_, c2 = savedBrushColor_;
    if (alt) c1 = canvas_.Pixel(ox, oy) & 0xFFFFFF, c2 = canvas_.Pixel(X, Y) & 0xFFFFFF;
  };

  if (shape == QLatin1String("zoombrush")) {
    const std::uint32_t k = canvas_.CopyMode;
    canvas_.CopyMode = SRCCOPY;
    canvas_.Draw(0, 0, host_->SecondBitmap);
    canvas_.CopyMode = k;
  }
  if (shape == QLatin1String("transcopy")) {
    host_->Tools.copyMode = SRCCOPY;
    CopyRangeToWork();
    const Bitmap24& work = host_->WorkBitmap;
    const int w = work.width(), h = work.height();
    bind();
    canvas_.BrushCopy(QRect(X, Y, w - 1, h - 1), work, QRect(0, 0, w, h), host_->Tools.keyColor);
    drawing_ = false;
  }
  if (shape == QLatin1String("cube1")) {
    if (!notXor) drawCube();
    shape = QStringLiteral("cube2");
  }
  if (is(shape, {"texlines", "texovals", "blurovals", "texcurves", "blurcurves", "texpoly", "blurpoly", "texrects",
                 "blurrects", "blurlines"})) {
    QString texture = shape;
    if (texture.startsWith(QLatin1String("blur"))) texture = QStringLiteral("tex") + texture.mid(4);
    DrawTexture(canvas_, texture, tame(origin_), tame(p), random());
    if (shape.startsWith(QLatin1String("blur"))) {
      CopyPictureToWork();
      if (is(shape, {"blurrects", "blurovals"})) host_->PaintFX().GaussianBlur(&host_->WorkBitmap, 4);
      RingFilter(host_->WorkBitmap);
      WorkToPicture();
    }
  }
  if (shape == QLatin1String("cube")) {
    P_ = {origin_, QPoint(X, oy), p, QPoint(ox, Y), p};
    for (QPoint& q : P_) q = tame(q);
    drawCube();
    shape = QStringLiteral("cube1");
  }
  if (is(shape, {"interprect", "intercolumn"})) {
    CopyPictureToWork();
    if (shape == QLatin1String("interprect"))
      InterferenceRect(host_->WorkBitmap, ox, oy, X, Y);
    else
      InterferenceColumn(host_->WorkBitmap, ox, oy, X, Y);
    WorkToPicture();
  }
  if (shape == QLatin1String("intersphere")) {
    if (X != ox && Y != oy) {
      TColor c1, c2;
      sphereColours(c1, c2);
      CopyPictureToWork();
      DrawSphereRow(host_->WorkBitmap, shape, ox, oy, X, Y, c1, c2);
      WorkToPicture();
    }
  }
  if (is(shape, {"multisphere", "dropletsphere", "wavesphere", "risingwavesphere"})) {
    eraseBandEllipse();
    canvas_.Pen.Mode = pmCopy;
    if (X != ox && Y != oy) {
      TColor c1, c2;
      sphereColours(c1, c2);
      CopyPictureToWork();
      DrawSphereRow(host_->WorkBitmap, shape, ox, oy, X, Y, c1, c2);
      WorkToPicture();
    }
  }
  const int stars = host_->stars;
  if (is(shape, {"rectangle", "roundrect", "ellipse"})) {
    const int c = host_->Tools.cornerSize;
    auto figure = [&](int l, int t, int r, int b) {
      if (shape == QLatin1String("rectangle")) canvas_.Rectangle(l, t, r, b);
      if (shape == QLatin1String("roundrect")) canvas_.RoundRect(l, t, r, b, c, c);
      if (shape == QLatin1String("ellipse")) canvas_.Ellipse(l, t, r, b);
    };
    if (!notXor) figure(ox, oy, X, Y);
    if (stars > 1) {
      const int sx = ((X - ox) / 2) / stars, sy = ((Y - oy) / 2) / stars;
      for (int i = 1; i <= std::min(stars - 1, 10000); ++i) figure(ox + i * sx, oy + i * sy, X - i * sx, Y - i * sy);
    }
  }
  if (shape == QLatin1String("maze")) {
    if (!notXor) canvas_.Rectangle(ox, oy, X, Y);
    const int sx = (X - ox) / 10, sy = (Y - oy) / 10;
    for (int i = 1; i <= 10; ++i) {
      line(QPoint(ox + i * sx, Y), QPoint(X, Y - i * sy));
      line(QPoint(X, Y - i * sy), QPoint(X - i * sx, oy));
      line(QPoint(X - i * sx, oy), QPoint(ox, oy + i * sy));
      line(QPoint(ox, oy + i * sy), QPoint(ox + i * sx, Y));
    }
  }
  if (shape == QLatin1String("blocks")) {
    const QRect cell = BlockCellRect(X, Y);
    if (!cell.isEmpty()) canvas_.FillRect(cell.x(), cell.y(), cell.x() + cell.width(), cell.y() + cell.height());
  }
  if (shape == QLatin1String("star")) {
    eraseBandLine();
    for (int i = 1; i <= std::min(stars, 1000); ++i) DrawStar(ScalePoint(tame(origin_), tame(p), double(i) / stars));
  }
  if (shape == QLatin1String("spiral")) {
    eraseBandLine();
    const QPoint o = tame(origin_) * 100;
    QPoint q = tame(p) * 100;
    canvas_.MoveTo(X, Y);
    const double step = host_->Tools.spiralStep * kPi / 18;
    const int n = std::clamp(host_->spirals, 0, 10000) * 36;
    for (int i = 0; i < n; ++i) {
      q = ScalePoint(o, RotatePoint(o, q, step), host_->Tools.spiralShrink);
      canvas_.LineTo(q.x() / 100, q.y() / 100);
    }
  }
  if (shape == QLatin1String("globe")) {
    if (!notXor) canvas_.Ellipse(ox, oy, X, Y);
    const int sx = (X - ox) / 20, sy = (Y - oy) / 20;
    for (int i = 1; i <= 10; ++i) {
      canvas_.Ellipse(ox + i * sx, oy, X - i * sx, Y);
      canvas_.Ellipse(ox, oy + i * sy, X, Y - i * sy);
    }
  }
  if (is(shape, {"chord2", "arc2", "pie2"})) {
    arcB_ = p;
    shape = shape.left(shape.size() - 1) + QLatin1Char('3');
    canvas_.Pen.Mode = pmNotXor;
    canvas_.Ellipse(arcBox_.left(), arcBox_.top(), arcBox_.right(), arcBox_.bottom());
    canvas_.Pen.Mode = savedPenMode_;
    const int l = arcBox_.left(), t = arcBox_.top(), r = arcBox_.right(), b = arcBox_.bottom();
    if (shape.startsWith(QLatin1String("chord"))) canvas_.Chord(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
    if (shape.startsWith(QLatin1String("arc"))) canvas_.Arc(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
    if (shape.startsWith(QLatin1String("pie"))) canvas_.Pie(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
  }
  if (is(shape, {"chord1", "arc1", "pie1"})) {
    arcA_ = p;
    shape = shape.left(shape.size() - 1) + QLatin1Char('2');
  }
  if (is(shape, {"chord", "arc", "pie"})) {
    // Stored as corner points: left, top, right, bottom.
    arcBox_ = QRect(origin_, p);
    shape += QLatin1Char('1');
  }
  if (shape == QLatin1String("skewrect1")) {
    if (!notXor) drawParallelogram();
    shape = QStringLiteral("skewrect2");
  }
  if (shape == QLatin1String("skewrect")) {
    if (!notXor) line(origin_, p);
    P_[0] = tame(origin_), P_[1] = P_[2] = tame(p), P_[3] = tame(origin_);
    shape = QStringLiteral("skewrect1");
  }
  if (shape == QLatin1String("triangle1")) {
    if (!notXor) drawTriangle();
    shape = QStringLiteral("triangle2");
  }
  if (shape == QLatin1String("triangle")) {
    if (!notXor) line(origin_, p);
    P_[0] = tame(origin_), P_[1] = P_[2] = tame(p);
    shape = QStringLiteral("triangle1");
  }
  if (shape == QLatin1String("decobar")) decoLine(p, false);
  if (shape == QLatin1String("decooval")) {
    eraseBandEllipse();
    canvas_.Pen.Mode = pmCopy;
    decoLine(p, true);
  }
  if (is(shape, {"polyline", "polygon"})) {
    if (!notXor) line(origin_, p);
    if (polyCount_ == 0) {
      poly_[0] = origin_;
      polyCount_ = 1;
    } else {
      poly_[std::size_t(polyCount_)] = p;
      if (polyCount_ < 100) ++polyCount_;
    }
  }
  if (shape == QLatin1String("line")) {
    if (!notXor) line(origin_, p);
  }
  if (shape == QLatin1String("spiro")) {
    eraseBandLine();
    DrawSpirograph(origin_, p);
    bind();
  }
  if (shape == QLatin1String("cone")) {
    eraseBandLine();
    const long long w = W, c = w / 2, a = (w - 2LL * ox) / 20, b = (w - 2LL * X) / 20;
    auto pt = [](long long x, long long y) { return QPoint(tame(x), tame(y)); };
    for (long long i = 0; i <= 10; ++i) {
      line(pt(c + i * a, oy), pt(c + i * b, Y));
      line(pt(c - i * a, oy), pt(c - i * b, Y));
    }
    line(pt(c + 10 * a, oy), pt(c - 10 * a, oy));
    line(pt(c + 10 * b, Y), pt(c - 10 * b, Y));
  }
  if (shape == QLatin1String("bezier2")) {
    C_[2] = tame(p);
    if (!notXor) drawCurve();
    shape = QStringLiteral("bezier3");
  }
  if (shape == QLatin1String("bezier1")) shape = QStringLiteral("bezier2");
  if (shape == QLatin1String("bezier")) shape = QStringLiteral("bezier1");
  if (shape == QLatin1String("bezier3")) shape = QStringLiteral("bezier");
  if (shape == QLatin1String("floodfill")) {
    if (alt)
      canvas_.FloodFill(X, Y, canvas_.Pen.Color, fsBorder);
    else
      canvas_.FloodFill(X, Y, canvas_.Pixel(X, Y), fsSurface);
  }
  if (shape == QLatin1String("snapshot")) {
    eraseDottedBand();
    // The range is kept inside the picture.
    const int l = std::clamp(std::min(ox, X), 0, std::max(W - 1, 0)), r = std::clamp(std::max(ox, X), 0, std::max(W - 1, 0));
    const int t = std::clamp(std::min(oy, Y), 0, std::max(H - 1, 0)), b = std::clamp(std::max(oy, Y), 0, std::max(H - 1, 0));
    host_->Tools.range = {l, t, r, b};
    canvas_.Brush.Style = savedBrushStyle_;
    canvas_.Pen.Width = savedPenWidth_;
    shape.clear();
  }
  if (shape == QLatin1String("bars")) {
    eraseDottedBand();
    int top = std::min(oy, Y), bottom = std::max(oy, Y);
    if (top < 10) top = 0;
    if (bottom > H - 10) bottom = H;
    canvas_.FillRect(0, top, W, bottom);
  }
  if (shape == QLatin1String("border")) {
    eraseDottedBand();
    const int dy = Y - oy, dx = X - ox;
    canvas_.FillRect(0, 0, W, dy);
    canvas_.FillRect(0, H - dy, W, H);
    canvas_.FillRect(0, 0, dx, H);
    canvas_.FillRect(W - dx, 0, W, H);
  }
  if (shape == QLatin1String("paste")) {
    const auto& r = host_->Tools.range;
    const int rw = r[2] - r[0] + 1, rh = r[3] - r[1] + 1;
    canvas_.CopyRect(QRect(X, Y, rw, rh), canvas_.surface(), QRect(r[0], r[1], rw, rh));
  }
  if (is(shape, {"pastecolor", "pastecolorx"})) {
    CopyRangeToWork();
    if (shape == QLatin1String("pastecolor"))
      host_->PaintFX().MaskKeepColor(&host_->WorkBitmap, canvas_.Brush.Color);
    else
      host_->PaintFX().MaskRemoveColor(&host_->WorkBitmap, canvas_.Brush.Color);
    bind();
    canvas_.DrawTransparent(X, Y, host_->WorkBitmap, 0x000000);
  }
  if (shape == QLatin1String("zoomkeepbrush")) {
    shape = QStringLiteral("freehand");
    canvas_.Pen.Width = 2;
  }
  if (shape == QLatin1String("paintpick")) {
    const TColor c = alt ? MixColors(canvas_.Pixel(X + 5, Y) & 0xFFFFFF, canvas_.Pixel(X - 5, Y) & 0xFFFFFF)
                         : canvas_.Pixel(X, Y) & 0xFFFFFF;
    canvas_.Brush.Color = c;
    host_->DoColorPicked(c);
    shape.clear();
  }
}

}  // namespace kalvora

#include "FxDrawTools.h"

#include <QCursor>
#include <QHash>
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

// ---- Tool tables ---------------------------------------------------------------------------------------

TFxDrawTools::ToolTable TFxDrawTools::toolTable(std::initializer_list<ToolRow> rows) {
  ToolTable table;
  for (const ToolRow& row : rows) {
    int kind = row.kind;
    for (const char* name : row.names) {
      Q_ASSERT(!table.contains(QLatin1String(name)));
      table.insert(QString::fromLatin1(name), ToolEntry{row.step, kind++});
    }
  }
  return table;
}

void TFxDrawTools::runStep(const ToolTable& steps, Qt::KeyboardModifiers shift, QPoint p) {
  const auto it = steps.constFind(host_->Shape);
  if (it != steps.cend()) (this->*(it->step))(Gesture{shift, p, it->kind});
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
  // The names of a brush row take the brush kinds from the row's kind on, in order.
  static const ToolTable steps = toolTable({
      {{"line", "rotatetext", "star", "spiral", "skewrect", "triangle", "cone", "spiro", "decobar", "polyline",
        "polygon"},
       &TFxDrawTools::moveLineBand},
      {{"rectangle", "cube", "maze", "interprect", "intercolumn"}, &TFxDrawTools::moveRectBand},
      {{"roundrect"}, &TFxDrawTools::moveRoundRectBand},
      {{"ellipse", "globe", "intersphere", "multisphere", "dropletsphere", "wavesphere", "risingwavesphere",
        "decooval", "chord", "pie", "arc"},
       &TFxDrawTools::moveEllipseBand},
      {{"snapshot", "bars", "border"}, &TFxDrawTools::moveDottedBand},
      {{"freehand", "mixbrush", "waveline", "fastwaveline", "colorwaveline"}, &TFxDrawTools::moveLineTo},
      {{"borderwaveline"}, &TFxDrawTools::moveBorderWave},
      {{"decoline"}, &TFxDrawTools::moveDecoLine},
      {{"sline"}, &TFxDrawTools::moveStraightLine},
      {{"vmirror", "hmirror", "cmirror", "mirror4"}, &TFxDrawTools::moveMirrorLines},
      {{"sym"}, &TFxDrawTools::moveSymmetry},
      {{"spray"}, &TFxDrawTools::moveSpray},
      {{"airbrush"}, &TFxDrawTools::moveAirbrush},
      {{"blocks"}, &TFxDrawTools::fillBlock},
      {{"cube1"}, &TFxDrawTools::moveCubeDepth},
      {{"skewrect1"}, &TFxDrawTools::moveSkewCorner},
      {{"triangle1"}, &TFxDrawTools::moveTriangleCorner},
      {{"bezier"}, &TFxDrawTools::moveBezierEnds},
      {{"bezier1", "bezier2"}, &TFxDrawTools::moveBezierControl},
      {{"polybezier"}, &TFxDrawTools::movePolyBezier},
      {{"rangemove"}, &TFxDrawTools::moveRange},
      {{"rangesmear"}, &TFxDrawTools::smearRange},
      {{"paste"}, &TFxDrawTools::movePaste},
      {{"cloneall", "clonenottarget"}, &TFxDrawTools::moveClone},
      {{"zoombrush", "zoomkeepbrush"}, &TFxDrawTools::moveZoomLens},
      {{"fisheyebrush"}, &TFxDrawTools::moveFishEye},
      {{"fisheyefixbrush"}, &TFxDrawTools::moveFishEyeFix},
      {{"twistbrush"}, &TFxDrawTools::moveTwist},
      {{"rotatebrush"}, &TFxDrawTools::moveLensBrush, 4},
      {{"rimplebrush"}, &TFxDrawTools::moveLensBrush, 6},
      {{"mbHor", "mbTop", "mbBottom", "mbDiamond", "mbWaste", "mbRound", "mbRound2", "mbSplitRound", "mbSplitWaste"},
       &TFxDrawTools::moveLensBrush,
       7},
      {{"mbVerBox", "mbHorBox", "mbVerOval", "mbHorOval"}, &TFxDrawTools::moveBandBrush, 0},
      {{"brightnessbrush", "contrastbrush", "saturationbrush"}, &TFxDrawTools::moveAdjustBrush, 0},
      {{"bluebrush", "greenbrush", "redbrush", "notbluebrush", "notgreenbrush", "notredbrush", "halfbluebrush",
        "halfgreenbrush", "halfredbrush", "darkerbrush", "lighterbrush", "graybrush", "rollmixbrush", "smoothbrush"},
       &TFxDrawTools::moveRoundBrush,
       0},
      {{"gradientbrush"}, &TFxDrawTools::moveGradientBrush},
  });
  runStep(steps, shift, p);
}

// The rubber bands: the figure from the origin to the last point (erasing it) and to p.
void TFxDrawTools::moveLineBand(const Gesture& g) { bandLine(g.p); }
void TFxDrawTools::moveRectBand(const Gesture& g) { bandRect(g.p, false); }
void TFxDrawTools::moveRoundRectBand(const Gesture& g) { bandRoundRect(g.p); }
void TFxDrawTools::moveEllipseBand(const Gesture& g) { bandEllipse(g.p); }
void TFxDrawTools::moveDottedBand(const Gesture& g) { bandRect(g.p, true); }

void TFxDrawTools::moveLineTo(const Gesture& g) { canvas_.LineTo(g.p.x(), g.p.y()); }

void TFxDrawTools::moveBorderWave(const Gesture& g) {
  const int W = pictureWidth(), H = pictureHeight();
  line(last_, g.p);
  line(QPoint(W - last_.x(), H - last_.y()), QPoint(W - g.p.x(), H - g.p.y()));
}

void TFxDrawTools::moveDecoLine(const Gesture& g) {
  const int w = canvas_.Pen.Width;
  canvas_.Pen.Color = savedPenColor_;
  canvas_.Pen.Mode = pmCopy;
  line(last_, g.p);
  canvas_.Pen.Width = std::min(w, 1 << 20) * 2;
  canvas_.Pen.Mode = pmMaskNotPen;
  line(last_, g.p);
  canvas_.Pen.Width = w;
}

// "sline": strokes along one axis; a move across by more than the threshold turns the axis.
void TFxDrawTools::moveStraightLine(const Gesture& g) {
  const int x = g.p.x(), y = g.p.y();
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
}

void TFxDrawTools::moveMirrorLines(const Gesture& g) {
  const int W = pictureWidth(), H = pictureHeight();
  const QString& shape = host_->Shape;
  line(last_, g.p);
  auto mirror = [&](bool mx, bool my) {
    auto f = [&](QPoint q) { return QPoint(mx ? W - q.x() : q.x(), my ? H - q.y() : q.y()); };
    line(f(last_), f(g.p));
  };
  if (shape == QLatin1String("vmirror")) mirror(true, false);
  if (shape == QLatin1String("hmirror")) mirror(false, true);
  if (shape == QLatin1String("cmirror")) mirror(true, true);
  if (shape == QLatin1String("mirror4")) mirror(true, true), mirror(true, false), mirror(false, true);
}

void TFxDrawTools::moveSymmetry(const Gesture& g) { DrawSymmetryStroke(g.p); }

void TFxDrawTools::moveSpray(const Gesture& g) {
  for (int i = 0; i < 10; ++i) {
    const int sx = g.p.x() + random().random(30) - 15;
    const int sy = g.p.y() + random().random(30) - 15;
    canvas_.SetPixel(sx, sy, canvas_.Brush.Color);
  }
}

void TFxDrawTools::moveAirbrush(const Gesture& g) {
  if (host_->AirBrush().Ready()) {
    host_->AirBrush().Spray(host_->Picture(), g.p.x(), g.p.y());
    bind();
  }
}

// The grid cell under the mouse, filled with the brush (on moves and on the release).
void TFxDrawTools::fillBlock(const Gesture& g) {
  const QRect cell = BlockCellRect(g.p.x(), g.p.y());
  if (!cell.isEmpty()) canvas_.FillRect(cell.x(), cell.y(), cell.x() + cell.width(), cell.y() + cell.height());
}

// The later corners of the multi-step figures follow the mouse, drawn (and erased) in NotXor.
void TFxDrawTools::moveCubeDepth(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  drawCube();
  P_[4] = tame(g.p);
  drawCube();
}

void TFxDrawTools::moveSkewCorner(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  drawParallelogram();
  P_[2] = tame(g.p);
  P_[3] = P_[2] - P_[1] + P_[0];
  drawParallelogram();
}

void TFxDrawTools::moveTriangleCorner(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  drawTriangle();
  P_[2] = tame(g.p);
  drawTriangle();
}

void TFxDrawTools::moveBezierEnds(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  C_[0] = C_[1] = tame(origin_);
  C_[2] = C_[3] = tame(last_);
  drawCurve();
  C_[2] = C_[3] = tame(g.p);
  drawCurve();
}

void TFxDrawTools::moveBezierControl(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  drawCurve();
  C_[host_->Shape == QLatin1String("bezier1") ? 1 : 2] = tame(g.p);
  drawCurve();
}

// Ctrl locks the first control point at the mouse, Shift the second; unlocked ones sit at the
// corners of the segment.
void TFxDrawTools::movePolyBezier(const Gesture& g) {
  canvas_.Pen.Mode = pmNotXor;
  C_[0] = tame(origin_);
  C_[3] = tame(last_);
  cornersForUnlocked();
  drawCurve();
  C_[3] = tame(g.p);
  if (g.shift & Qt::ControlModifier) C_[1] = C_[3], lock1_ = true;
  if (g.shift & Qt::ShiftModifier) C_[2] = C_[3], lock2_ = true;
  cornersForUnlocked();
  drawCurve();
}

// The range drawn inverted: moved (erased at the last point) or smeared (left behind).
void TFxDrawTools::moveRange(const Gesture& g) {
  drawWork(last_.x(), last_.y(), SRCINVERT);
  drawWork(g.p.x(), g.p.y(), SRCINVERT);
}

void TFxDrawTools::smearRange(const Gesture& g) { drawWork(g.p.x(), g.p.y(), SRCINVERT); }

// With Shift held the range is pasted all along the way.
void TFxDrawTools::movePaste(const Gesture& g) {
  if (g.shift & Qt::ShiftModifier) {
    const auto& r = host_->Tools.range;
    canvas_.CopyRect(QRect(g.p.x(), g.p.y(), r[2] - r[0] + 1, r[3] - r[1] + 1), canvas_.surface(),
                     QRect(r[0], r[1], r[2] - r[0] + 1, r[3] - r[1] + 1));
  }
}

// The square at the anchor's offset from the press, copied to the mouse ("clonenottarget"
// leaves out the anchor pixel's colour).
void TFxDrawTools::moveClone(const Gesture& g) {
  const int W = pictureWidth(), H = pictureHeight();
  const QPoint anchor(host_->Tools.anchorX, host_->Tools.anchorY);
  const QPoint src = g.p - (origin_ - anchor);
  const int w = std::clamp(canvas_.Pen.Width, 1, std::max({W, H, 1}));
  if (host_->Shape == QLatin1String("cloneall")) {
    const std::uint32_t keep = canvas_.CopyMode;
    canvas_.CopyMode = SRCCOPY;
    canvas_.CopyRect(QRect(g.p.x(), g.p.y(), w, w), canvas_.surface(), QRect(src.x(), src.y(), w, w));
    canvas_.CopyMode = keep;
  } else {
    const TColor key = canvas_.Pixel(anchor.x(), anchor.y()) & 0xFFFFFF;
    host_->WorkBitmap = CopyPart(FromQImage(host_->Picture()), src.x(), src.y(), w, w);
    canvas_.DrawTransparent(g.p.x(), g.p.y(), host_->WorkBitmap, key);
  }
}

// The lens brushes reach as far as the pen is wide (50 for narrow pens).
int TFxDrawTools::penRadius() const { return canvas_.Pen.Width < 5 ? 50 : canvas_.Pen.Width; }

void TFxDrawTools::moveZoomLens(const Gesture& g) { ZoomLens(g.p.x(), g.p.y(), penRadius()); }

void TFxDrawTools::moveFishEye(const Gesture& g) { ApplyLensBrush(3, g.p.x(), g.p.y(), 0.9, penRadius()); }

// The dragged brushes work at the origin with the drag's angle and radius; Alt drags them along.
void TFxDrawTools::moveFishEyeFix(const Gesture& g) {
  followMouse(g.shift, g.p);
  const double amount = std::clamp(dragAngle(g.p) / kPi * 0.5 + 0.5, 0.55, 0.99);
  ApplyLensBrush(3, origin_.x(), origin_.y(), amount, dragRadius(g.p));
}

void TFxDrawTools::moveTwist(const Gesture& g) {
  followMouse(g.shift, g.p);
  ApplyLensBrush(5, origin_.x(), origin_.y(), roundi(std::fabs(dragAngle(g.p) * 25 / kPi) + 1), dragRadius(g.p));
}

void TFxDrawTools::moveLensBrush(const Gesture& g) {
  followMouse(g.shift, g.p);
  ApplyLensBrush(g.kind, origin_.x(), origin_.y(), dragAngle(g.p) * 180 / kPi, dragRadius(g.p));
}

void TFxDrawTools::moveBandBrush(const Gesture& g) {
  followMouse(g.shift, g.p);
  ApplyBandBrush(g.kind, origin_.x(), origin_.y(), dragAngle(g.p) * 180 / kPi, dragRadius(g.p));
}

void TFxDrawTools::moveAdjustBrush(const Gesture& g) {
  followMouse(g.shift, g.p);
  ApplyAdjustBrush(g.kind, origin_.x(), origin_.y(), roundi(dragAngle(g.p) * 100 / kPi), dragRadius(g.p));
}

void TFxDrawTools::moveRoundBrush(const Gesture& g) { ApplyRoundBrush(g.kind, g.p.x(), g.p.y(), canvas_.Pen.Width); }

// Three gradient lines across the mouse between the colours a pen width to either side (above
// and below with Alt).
void TFxDrawTools::moveGradientBrush(const Gesture& g) {
  const int x = g.p.x(), y = g.p.y();
  const int w = std::clamp(canvas_.Pen.Width, 0, std::max({pictureWidth(), pictureHeight(), 1}));
  const bool vertical = g.shift & Qt::AltModifier;
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
  // One step per release: a multi-step figure's step moves `Shape` on to the next step's name.
  static const ToolTable steps = toolTable({
      {{"zoombrush"}, &TFxDrawTools::releaseZoomLens},
      {{"transcopy"}, &TFxDrawTools::releaseTransCopy},
      {{"texlines", "texovals", "blurovals", "texcurves", "blurcurves", "texpoly", "blurpoly", "texrects",
        "blurrects", "blurlines"},
       &TFxDrawTools::releaseTexture},
      {{"cube"}, &TFxDrawTools::releaseCubeFace},
      {{"cube1"}, &TFxDrawTools::releaseCubeDepth},
      {{"interprect", "intercolumn"}, &TFxDrawTools::releaseInterference},
      {{"intersphere"}, &TFxDrawTools::releaseSphere},
      {{"multisphere", "dropletsphere", "wavesphere", "risingwavesphere"}, &TFxDrawTools::releaseSphereRow},
      {{"rectangle", "roundrect", "ellipse"}, &TFxDrawTools::releaseNestedFigures},
      {{"maze"}, &TFxDrawTools::releaseMaze},
      {{"blocks"}, &TFxDrawTools::fillBlock},
      {{"star"}, &TFxDrawTools::releaseStars},
      {{"spiral"}, &TFxDrawTools::releaseSpiral},
      {{"globe"}, &TFxDrawTools::releaseGlobe},
      {{"chord", "arc", "pie"}, &TFxDrawTools::releaseArcBox},
      {{"chord1", "arc1", "pie1"}, &TFxDrawTools::releaseArcStart},
      {{"chord2", "arc2", "pie2"}, &TFxDrawTools::releaseArcEnd},
      {{"skewrect"}, &TFxDrawTools::releaseSkewSide},
      {{"skewrect1"}, &TFxDrawTools::releaseSkewCorner},
      {{"triangle"}, &TFxDrawTools::releaseTriangleSide},
      {{"triangle1"}, &TFxDrawTools::releaseTriangleCorner},
      {{"decobar"}, &TFxDrawTools::releaseDecoBar},
      {{"decooval"}, &TFxDrawTools::releaseDecoOval},
      {{"polyline", "polygon"}, &TFxDrawTools::releasePolyPoint},
      {{"line"}, &TFxDrawTools::releaseLine},
      {{"spiro"}, &TFxDrawTools::releaseSpiro},
      {{"cone"}, &TFxDrawTools::releaseCone},
      {{"bezier", "bezier1", "bezier2", "bezier3"}, &TFxDrawTools::releaseBezier},
      {{"floodfill"}, &TFxDrawTools::releaseFloodFill},
      {{"snapshot"}, &TFxDrawTools::releaseSnapshot},
      {{"bars"}, &TFxDrawTools::releaseBars},
      {{"border"}, &TFxDrawTools::releaseBorder},
      {{"paste"}, &TFxDrawTools::releasePaste},
      {{"pastecolor", "pastecolorx"}, &TFxDrawTools::releasePasteColour},
      {{"zoomkeepbrush"}, &TFxDrawTools::releaseZoomKeep},
      {{"paintpick"}, &TFxDrawTools::releasePaintPick},
  });
  runStep(steps, shift, p);
}

// With a NotXor pen the band drawn last is the figure itself: the release draws it no more.
bool TFxDrawTools::bandIsFigure() const { return savedPenMode_ == pmNotXor; }

void TFxDrawTools::eraseBandLine() {
  canvas_.Pen.Mode = pmNotXor;
  line(origin_, last_);
  canvas_.Pen.Mode = savedPenMode_;
}

// Leaves the pen in NotXor.
void TFxDrawTools::eraseBandEllipse() {
  canvas_.Pen.Mode = pmNotXor;
  canvas_.Ellipse(origin_.x(), origin_.y(), last_.x(), last_.y());
}

void TFxDrawTools::eraseDottedBand() {
  canvas_.Pen.Mode = pmNotXor;
  canvas_.Pen.Style = psDot;
  canvas_.Rectangle(origin_.x(), origin_.y(), last_.x(), last_.y());
  canvas_.Pen.Style = psSolid;
  canvas_.Pen.Mode = savedPenMode_;
}

// The snapshot taken at the press is drawn back.
void TFxDrawTools::releaseZoomLens(const Gesture&) {
  const std::uint32_t k = canvas_.CopyMode;
  canvas_.CopyMode = SRCCOPY;
  canvas_.Draw(0, 0, host_->SecondBitmap);
  canvas_.CopyMode = k;
}

// The range, with the key colour left out, copied to the release point.
void TFxDrawTools::releaseTransCopy(const Gesture& g) {
  host_->Tools.copyMode = SRCCOPY;
  CopyRangeToWork();
  const Bitmap24& work = host_->WorkBitmap;
  const int w = work.width(), h = work.height();
  bind();
  canvas_.BrushCopy(QRect(g.p.x(), g.p.y(), w - 1, h - 1), work, QRect(0, 0, w, h), host_->Tools.keyColor);
  drawing_ = false;
}

// The "blur" tools draw their texture and blur it.
void TFxDrawTools::releaseTexture(const Gesture& g) {
  const QString& shape = host_->Shape;
  QString texture = shape;
  if (texture.startsWith(QLatin1String("blur"))) texture = QStringLiteral("tex") + texture.mid(4);
  DrawTexture(canvas_, texture, tame(origin_), tame(g.p), random());
  if (shape.startsWith(QLatin1String("blur"))) {
    CopyPictureToWork();
    if (is(shape, {"blurrects", "blurovals"})) host_->PaintFX().GaussianBlur(&host_->WorkBitmap, 4);
    RingFilter(host_->WorkBitmap);
    WorkToPicture();
  }
}

// The cube: the front face at the first release, its depth at the second.
void TFxDrawTools::releaseCubeFace(const Gesture& g) {
  const QPoint p = g.p;
  P_ = {origin_, QPoint(p.x(), origin_.y()), p, QPoint(origin_.x(), p.y()), p};
  for (QPoint& q : P_) q = tame(q);
  drawCube();
  host_->Shape = QStringLiteral("cube1");
}

void TFxDrawTools::releaseCubeDepth(const Gesture&) {
  if (!bandIsFigure()) drawCube();
  host_->Shape = QStringLiteral("cube2");
}

void TFxDrawTools::releaseInterference(const Gesture& g) {
  CopyPictureToWork();
  if (host_->Shape == QLatin1String("interprect"))
    InterferenceRect(host_->WorkBitmap, origin_.x(), origin_.y(), g.p.x(), g.p.y());
  else
    InterferenceColumn(host_->WorkBitmap, origin_.x(), origin_.y(), g.p.x(), g.p.y());
  WorkToPicture();
}

// Spheres in the dragged box, shaded from the pen to the brush colour (with Alt, from the
// colour under the origin to that under the release point).
void TFxDrawTools::releaseSphere(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  if (X == ox || Y == oy) return;
  TColor c1 = savedPenColor_, c2 = savedBrushColor_;
  if (g.shift & Qt::AltModifier) c1 = canvas_.Pixel(ox, oy) & 0xFFFFFF, c2 = canvas_.Pixel(X, Y) & 0xFFFFFF;
  CopyPictureToWork();
  DrawSphereRow(host_->WorkBitmap, host_->Shape, ox, oy, X, Y, c1, c2);
  WorkToPicture();
}

void TFxDrawTools::releaseSphereRow(const Gesture& g) {
  eraseBandEllipse();
  canvas_.Pen.Mode = pmCopy;
  releaseSphere(g);
}

// The figure and, with `stars` above 1, as many smaller ones nested inside it.
void TFxDrawTools::releaseNestedFigures(const Gesture& g) {
  const QString& shape = host_->Shape;
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  const int stars = host_->stars;
  const int c = host_->Tools.cornerSize;
  auto figure = [&](int l, int t, int r, int b) {
    if (shape == QLatin1String("rectangle")) canvas_.Rectangle(l, t, r, b);
    if (shape == QLatin1String("roundrect")) canvas_.RoundRect(l, t, r, b, c, c);
    if (shape == QLatin1String("ellipse")) canvas_.Ellipse(l, t, r, b);
  };
  if (!bandIsFigure()) figure(ox, oy, X, Y);
  if (stars > 1) {
    const int sx = ((X - ox) / 2) / stars, sy = ((Y - oy) / 2) / stars;
    for (int i = 1; i <= std::min(stars - 1, 10000); ++i) figure(ox + i * sx, oy + i * sy, X - i * sx, Y - i * sy);
  }
}

void TFxDrawTools::releaseMaze(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  if (!bandIsFigure()) canvas_.Rectangle(ox, oy, X, Y);
  const int sx = (X - ox) / 10, sy = (Y - oy) / 10;
  for (int i = 1; i <= 10; ++i) {
    line(QPoint(ox + i * sx, Y), QPoint(X, Y - i * sy));
    line(QPoint(X, Y - i * sy), QPoint(X - i * sx, oy));
    line(QPoint(X - i * sx, oy), QPoint(ox, oy + i * sy));
    line(QPoint(ox, oy + i * sy), QPoint(ox + i * sx, Y));
  }
}

// `stars` stars about the origin, their first vertices spaced along the drag.
void TFxDrawTools::releaseStars(const Gesture& g) {
  const int stars = host_->stars;
  eraseBandLine();
  for (int i = 1; i <= std::min(stars, 1000); ++i) DrawStar(ScalePoint(tame(origin_), tame(g.p), double(i) / stars));
}

// Turns about the origin, shrinking by the shrink factor each step (in hundredths of a pixel).
void TFxDrawTools::releaseSpiral(const Gesture& g) {
  eraseBandLine();
  const QPoint o = tame(origin_) * 100;
  QPoint q = tame(g.p) * 100;
  canvas_.MoveTo(g.p.x(), g.p.y());
  const double step = host_->Tools.spiralStep * kPi / 18;
  const int n = std::clamp(host_->spirals, 0, 10000) * 36;
  for (int i = 0; i < n; ++i) {
    q = ScalePoint(o, RotatePoint(o, q, step), host_->Tools.spiralShrink);
    canvas_.LineTo(q.x() / 100, q.y() / 100);
  }
}

void TFxDrawTools::releaseGlobe(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  if (!bandIsFigure()) canvas_.Ellipse(ox, oy, X, Y);
  const int sx = (X - ox) / 20, sy = (Y - oy) / 20;
  for (int i = 1; i <= 10; ++i) {
    canvas_.Ellipse(ox + i * sx, oy, X - i * sx, Y);
    canvas_.Ellipse(ox, oy + i * sy, X, Y - i * sy);
  }
}

// Chord, arc and pie: the box, then point A, then point B (and the figure).
void TFxDrawTools::releaseArcBox(const Gesture& g) {
  // Stored as corner points: left, top, right, bottom.
  arcBox_ = QRect(origin_, g.p);
  host_->Shape += QLatin1Char('1');
}

void TFxDrawTools::releaseArcStart(const Gesture& g) {
  QString& shape = host_->Shape;
  arcA_ = g.p;
  shape = shape.left(shape.size() - 1) + QLatin1Char('2');
}

void TFxDrawTools::releaseArcEnd(const Gesture& g) {
  QString& shape = host_->Shape;
  arcB_ = g.p;
  shape = shape.left(shape.size() - 1) + QLatin1Char('3');
  canvas_.Pen.Mode = pmNotXor;
  canvas_.Ellipse(arcBox_.left(), arcBox_.top(), arcBox_.right(), arcBox_.bottom());
  canvas_.Pen.Mode = savedPenMode_;
  const int l = arcBox_.left(), t = arcBox_.top(), r = arcBox_.right(), b = arcBox_.bottom();
  if (shape.startsWith(QLatin1String("chord"))) canvas_.Chord(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
  if (shape.startsWith(QLatin1String("arc"))) canvas_.Arc(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
  if (shape.startsWith(QLatin1String("pie"))) canvas_.Pie(l, t, r, b, arcA_.x(), arcA_.y(), arcB_.x(), arcB_.y());
}

// The parallelogram and the triangle: a side first, then the third corner.
void TFxDrawTools::releaseSkewSide(const Gesture& g) {
  if (!bandIsFigure()) line(origin_, g.p);
  P_[0] = tame(origin_), P_[1] = P_[2] = tame(g.p), P_[3] = tame(origin_);
  host_->Shape = QStringLiteral("skewrect1");
}

void TFxDrawTools::releaseSkewCorner(const Gesture&) {
  if (!bandIsFigure()) drawParallelogram();
  host_->Shape = QStringLiteral("skewrect2");
}

void TFxDrawTools::releaseTriangleSide(const Gesture& g) {
  if (!bandIsFigure()) line(origin_, g.p);
  P_[0] = tame(origin_), P_[1] = P_[2] = tame(g.p);
  host_->Shape = QStringLiteral("triangle1");
}

void TFxDrawTools::releaseTriangleCorner(const Gesture&) {
  if (!bandIsFigure()) drawTriangle();
  host_->Shape = QStringLiteral("triangle2");
}

void TFxDrawTools::releaseDecoBar(const Gesture& g) { decoLine(g.p, false); }

void TFxDrawTools::releaseDecoOval(const Gesture& g) {
  eraseBandEllipse();
  canvas_.Pen.Mode = pmCopy;
  decoLine(g.p, true);
}

// The first release keeps the origin as the first point, each later one its own point.
void TFxDrawTools::releasePolyPoint(const Gesture& g) {
  if (!bandIsFigure()) line(origin_, g.p);
  if (polyCount_ == 0) {
    poly_[0] = origin_;
    polyCount_ = 1;
  } else {
    poly_[std::size_t(polyCount_)] = g.p;
    if (polyCount_ < 100) ++polyCount_;
  }
}

void TFxDrawTools::releaseLine(const Gesture& g) {
  if (!bandIsFigure()) line(origin_, g.p);
}

void TFxDrawTools::releaseSpiro(const Gesture& g) {
  eraseBandLine();
  DrawSpirograph(origin_, g.p);
  bind();
}

// Lines between the origin's row and the release row, fanning out from the picture's middle.
void TFxDrawTools::releaseCone(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  eraseBandLine();
  const long long w = pictureWidth(), c = w / 2, a = (w - 2LL * ox) / 20, b = (w - 2LL * X) / 20;
  auto pt = [](long long x, long long y) { return QPoint(tame(x), tame(y)); };
  for (long long i = 0; i <= 10; ++i) {
    line(pt(c + i * a, oy), pt(c + i * b, Y));
    line(pt(c - i * a, oy), pt(c - i * b, Y));
  }
  line(pt(c + 10 * a, oy), pt(c - 10 * a, oy));
  line(pt(c + 10 * b, Y), pt(c - 10 * b, Y));
}

// The curve: its end points, then the first control point, then the second (and the curve,
// after which the next drag starts a new one).
void TFxDrawTools::releaseBezier(const Gesture& g) {
  QString& shape = host_->Shape;
  if (shape == QLatin1String("bezier2")) {
    C_[2] = tame(g.p);
    if (!bandIsFigure()) drawCurve();
    shape = QStringLiteral("bezier");
  } else if (shape == QLatin1String("bezier1")) {
    shape = QStringLiteral("bezier2");
  } else if (shape == QLatin1String("bezier")) {
    shape = QStringLiteral("bezier1");
  } else {
    shape = QStringLiteral("bezier");
  }
}

// The area of the colour under the point; with Alt, up to the pen colour.
void TFxDrawTools::releaseFloodFill(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y();
  if (g.shift & Qt::AltModifier)
    canvas_.FloodFill(X, Y, canvas_.Pen.Color, fsBorder);
  else
    canvas_.FloodFill(X, Y, canvas_.Pixel(X, Y), fsSurface);
}

// The dragged rectangle becomes the range; the tool is used once.
void TFxDrawTools::releaseSnapshot(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y(), ox = origin_.x(), oy = origin_.y();
  const int W = pictureWidth(), H = pictureHeight();
  eraseDottedBand();
  // The range is kept inside the picture.
  const int l = std::clamp(std::min(ox, X), 0, std::max(W - 1, 0));
  const int r = std::clamp(std::max(ox, X), 0, std::max(W - 1, 0));
  const int t = std::clamp(std::min(oy, Y), 0, std::max(H - 1, 0));
  const int b = std::clamp(std::max(oy, Y), 0, std::max(H - 1, 0));
  host_->Tools.range = {l, t, r, b};
  canvas_.Brush.Style = savedBrushStyle_;
  canvas_.Pen.Width = savedPenWidth_;
  host_->Shape.clear();
}

// A full-width bar between the two rows; near the picture's edge it reaches the edge.
void TFxDrawTools::releaseBars(const Gesture& g) {
  const int W = pictureWidth(), H = pictureHeight();
  eraseDottedBand();
  int top = std::min(origin_.y(), g.p.y()), bottom = std::max(origin_.y(), g.p.y());
  if (top < 10) top = 0;
  if (bottom > H - 10) bottom = H;
  canvas_.FillRect(0, top, W, bottom);
}

// A border as wide and high as the drag all round the picture.
void TFxDrawTools::releaseBorder(const Gesture& g) {
  const int W = pictureWidth(), H = pictureHeight();
  eraseDottedBand();
  const int dy = g.p.y() - origin_.y(), dx = g.p.x() - origin_.x();
  canvas_.FillRect(0, 0, W, dy);
  canvas_.FillRect(0, H - dy, W, H);
  canvas_.FillRect(0, 0, dx, H);
  canvas_.FillRect(W - dx, 0, W, H);
}

void TFxDrawTools::releasePaste(const Gesture& g) {
  const auto& r = host_->Tools.range;
  const int rw = r[2] - r[0] + 1, rh = r[3] - r[1] + 1;
  canvas_.CopyRect(QRect(g.p.x(), g.p.y(), rw, rh), canvas_.surface(), QRect(r[0], r[1], rw, rh));
}

// The range pasted with only ("pastecolor") or without ("pastecolorx") the brush colour.
void TFxDrawTools::releasePasteColour(const Gesture& g) {
  CopyRangeToWork();
  if (host_->Shape == QLatin1String("pastecolor"))
    host_->PaintFX().MaskKeepColor(&host_->WorkBitmap, canvas_.Brush.Color);
  else
    host_->PaintFX().MaskRemoveColor(&host_->WorkBitmap, canvas_.Brush.Color);
  bind();
  canvas_.DrawTransparent(g.p.x(), g.p.y(), host_->WorkBitmap, 0x000000);
}

// The zoomed view stays; drawing goes on with a thin freehand pen.
void TFxDrawTools::releaseZoomKeep(const Gesture&) {
  host_->Shape = QStringLiteral("freehand");
  canvas_.Pen.Width = 2;
}

// The colour under the point (with Alt, the mix of those 5 pixels to either side) becomes the
// brush colour; the tool is used once.
void TFxDrawTools::releasePaintPick(const Gesture& g) {
  const int X = g.p.x(), Y = g.p.y();
  const TColor c = (g.shift & Qt::AltModifier)
                       ? MixColors(canvas_.Pixel(X + 5, Y) & 0xFFFFFF, canvas_.Pixel(X - 5, Y) & 0xFFFFFF)
                       : canvas_.Pixel(X, Y) & 0xFFFFFF;
  canvas_.Brush.Color = c;
  host_->DoColorPicked(c);
  host_->Shape.clear();
}

}  // namespace kalvora

// TPicImage: the paint cycle with frame, background, transitions and the picture's effect
// passes, the playback frame, off-screen rendering, rubber band and zoom-in rectangle.
#include <QCoreApplication>
#include <QBackingStore>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QWindow>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <utility>

#include "PicImageVCL.h"
#include "PxEffects.h"
#include "PxDraw.h"
#include "PxPaint.h"

namespace {

uint32_t Rgb(const QColor& c) { return uint32_t(c.red()) << 16 | uint32_t(c.green()) << 8 | uint32_t(c.blue()); }

}  // namespace

bool TPicImage::IsValidEffectCode(int code) { return px::IsValidEffectCode(code); }
bool TPicImage::IsValidGradientStyle(int code) { return px::IsValidGradientStyle(code); }

void TPicImage::WaitMilliseconds(unsigned milliseconds, bool dispatch) {
  if (milliseconds == 0) return;
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < qint64(milliseconds)) {
    if (dispatch) QCoreApplication::processEvents();
  }
}

int TPicImage::ApplyDisplayMode() {
  // Qt paints true colour; of the display options only the scaling changes what is shown
  // (PaintBitmapPass reads PaintScaling).
  return 1;
}

void TPicImage::EraseBackground(QPainter& p, const QRect& inner) {
  if (transparent_) return;
  p.fillRect(inner, ColorToQColor(backColor_, &palette()));
}

void TPicImage::DrawFrame(QPainter& p, QRect& r) {
  const QPalette* pal = &palette();
  int flags = (frameInnerStyle_ == fisRaised ? 0x10 : 0) | (frameOuterStyle_ == fosRaised ? 0x20 : 0);
  px::EfxDrawFrame(p, r, flags, int(frameThickness_), ColorToQColor(frameColor_, pal), int(frameInnerThickness_),
                   ColorToQColor(frameInnerShadow_, pal), ColorToQColor(frameInnerHilite_, pal),
                   int(frameOuterThickness_), ColorToQColor(frameOuterShadow_, pal),
                   ColorToQColor(frameOuterHilite_, pal));
}

int TPicImage::PaintBitmapPass(QPainter& p, const QRect& src, const QRect& srcClip, const QRect& dst,
                               const QRect& clip, int effect, unsigned pass, unsigned maxPasses) {
  (void)effect;
  (void)pass;
  (void)maxPasses;
  // The plain paint of the picture; the effects are composed from it.
  bool shrinking = dst.width() < src.width() || dst.height() < src.height();
  return px::PaintBitmap(p, bitmap_, src, srcClip, dst, clip, paintScaling_ != psNormal || shrinking);
}

QTransform TPicImage::BitmapToDisplay() const {
  const int fw = FrameWidth();
  QTransform t;
  t.translate(dstLeft_ + fw, dstTop_ + fw);
  if (srcWidth_ != 0 && srcHeight_ != 0) t.scale(double(dstWidth_) / srcWidth_, double(dstHeight_) / srcHeight_);
  t.translate(-srcLeft_, -srcTop_);
  return t;
}

// One paint: the frame being composed (the component's effect frame) and the rectangles and
// region of the picture on it.
struct TPicImage::PaintCycle {
  PaintCycle(const QRect& clip, QImage& frame) : c0(clip), frame(frame) {}
  const QRect c0;  // the area to repaint
  QImage& frame;
  QRect r;         // the control inside its frame
  QColor back;
  QRect dstClip, dst, paintClip, src, srcClip, trans;
  QPainterPath rgnPath;  // the region on the control when only the region is painted
  bool picture = false;
  bool live = false;  // every step is shown on the screen at once
  QElapsedTimer sinceShown;
  QRect unshown;
};

void TPicImage::paintEvent(QPaintEvent* event) {
  if (!isVisible() || inPaint_) return;
  // A paint that arrives while an operation of this component runs (event processing from a
  // handler) must not end that operation's status bracket.
  const bool ownBracket = !busy_;
  if (ownBracket) BeginStatusCallback();
  inPaint_ = true;
  ++paintNestingCount_;
  struct Ending {
    TPicImage* self;
    bool own;
    ~Ending() { self->EndPaint(own); }
  } ending{this, ownBracket};

  if (autoScroll_ && !autoSize_) FollowScrollPositions();
  PaintCycle c(event->rect(), effectFrame_);
  if (pending_ & 2) {
    pending_ &= uint8_t(~2);
    UpdateScrollLayout();
  }
  pending_ &= uint8_t(~1);
  StartFrame(c);
  if (FrameWidth() != 0 && (c.r.width() <= 0 || c.r.height() <= 0)) {
    // The frame fills the control.
    if (OnPaint) OnPaint(this);
    ShowFrame(c);
    return;
  }
  LayOutPaint(c);
  if (!transparent_ && !backErase_ && c.picture) FillOutside(c, c.r);
  if (transitionStyle_ != etsNone)
    RunTransition(c);
  else if (backErase_ || (!transparent_ && (!c.picture || useTransparentColor_)))
    EraseFrame(c);
  if (c.picture) PaintPicture(c);
  DrawOverlays(c);
  if (OnPaint) OnPaint(this);
  ShowFrame(c);
}

void TPicImage::EndPaint(bool ownBracket) {
  --paintNestingCount_;
  inPaint_ = false;
  if (ownBracket) {
    EndStatusCallback();
    // An abort asked for after the last step belongs to this paint, not to the next operation.
    if (AbortRequested()) {
      const bool events = enableProgressEvent_;
      SetEnableProgressEvent(true);
      enableProgressEvent_ = events;
    }
  }
  DoAfterPaint();
}

void TPicImage::FollowScrollPositions() {
  SetScrollBarRange(hBar_, true, 0, hScrollMax_);
  hBar_.pos = hScrollPos_;
  SetScrollBarRange(vBar_, false, 0, vScrollMax_);
  vBar_.pos = vScrollPos_;
  hBar_.visible = hScrollMax_ != 0;
  vBar_.visible = vScrollMax_ != 0;
  // With CenterImage each axis that does not fit follows its own scroll position.
  if (!centerImage_) {
    dstLeft_ = -hScrollPos_;
    dstTop_ = -vScrollPos_;
  } else {
    if (!(dstRect_[2] - dstRect_[0] < width())) dstLeft_ = -hScrollPos_;
    if (!(dstRect_[3] - dstRect_[1] < height())) dstTop_ = -vScrollPos_;
  }
}

// The frame starts from what the control showed last, so effects run from the old picture;
// the component's frame is drawn round it and r becomes the inside.
void TPicImage::StartFrame(PaintCycle& c) {
  c.r = rect();
  c.back = ColorToQColor(backColor_, &palette());
  if (!transparent_ && lastFrame_.size() == size()) {
    c.frame = lastFrame_.copy();
  } else {
    c.frame = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    c.frame.fill(transparent_ ? QColor(Qt::transparent) : c.back);
  }
  if (FrameWidth() != 0) {
    QPainter p(&c.frame);
    DrawFrame(p, c.r);
  }
}

void TPicImage::LayOutPaint(PaintCycle& c) {
  const int fw = FrameWidth();
  c.dstClip = QRect(dstClipLeft_, dstClipTop_, dstClipWidth_, dstClipHeight_).translated(fw, fw);
  c.dst = QRect(dstLeft_, dstTop_, dstWidth_, dstHeight_).translated(fw, fw);
  c.picture = allocated_ && bitmap_.allocated();
  c.paintClip = QRect(dstClipLeft_, dstClipTop_, dstClipWidth_ + hScrollPos_, dstClipHeight_ + vScrollPos_)
                    .translated(fw, fw)
                    .intersected(c.r);
  c.src = QRect(srcLeft_, srcTop_, srcWidth_, srcHeight_);
  c.srcClip = QRect(srcClipLeft_, srcClipTop_, srcClipWidth_, srcClipHeight_);
  c.trans = c.dst.intersected(c.r);
  if (c.picture && paintRgnOnly_ && !rgn_.isEmpty()) {
    c.rgnPath.addRegion(rgn_);
    c.rgnPath = BitmapToDisplay().map(c.rgnPath);
  }
  // On a real screen every step is shown at once, so the animation is seen (and can be grabbed
  // from the screen) while the paint runs; offscreen the frame is shown at the end.
  c.live = QGuiApplication::platformName() != QLatin1String("offscreen") && backingStore() &&
           window()->windowHandle();
}

// The back colour on `area` outside the destination clip rectangle.
void TPicImage::FillOutside(PaintCycle& c, const QRect& area) {
  QPainter p(&c.frame);
  for (const QRect& part : QRegion(area).subtracted(QRegion(c.dstClip))) p.fillRect(part, c.back);
}

void TPicImage::EraseFrame(PaintCycle& c) {
  QPainter p(&c.frame);
  EraseBackground(p, c.r);
}

// A transition fills the picture's rectangle with the gradient or the pattern, pass by pass;
// the picture is painted over it afterwards.
void TPicImage::RunTransition(PaintCycle& c) {
  if (backErase_ && (!scrollInProgress_ || paintRgnOnly_ || useTransparentColor_)) EraseFrame(c);
  const QImage from = c.frame.copy();
  QImage to = from.copy();
  if (!c.trans.isEmpty()) {
    QImage fill = transitionStyle_ == etsGradient
                      ? px::GradientImage(c.trans.size(), int(gradientStyle_), ColorToQColor(GradientStartColor()),
                                          ColorToQColor(GradientEndColor()), int(gradientSteps_))
                      : px::PatternImage(from.copy(c.trans), PatternStyleCode(int(PatternStyle())),
                                         ColorToQColor(PatternBackColor()), ColorToQColor(PatternForeColor()));
    QPainter p(&to);
    if (!c.rgnPath.isEmpty()) p.setClipPath(c.rgnPath);
    p.drawImage(c.trans.topLeft(), fill);
  }
  RunPasses(c, transitionEffect_, from, to, c.trans, paintMaxPasses_, false, 0);
}

void TPicImage::PaintPicture(PaintCycle& c) {
  bitmap_.paintContrast = paintContrast_;
  bitmap_.paintIntensity = paintIntensity_;
  bitmap_.paintGamma = int(paintGamma_);
  if (!transparent_) {
    if (backErase_) {
      QPainter p(&c.frame);
      p.fillRect(c.r, c.back);
    } else if (!scrollInProgress_) {
      FillOutside(c, c.r);
    }
  }
  if (playbackActive_ || paintRgnOnly_) {
    // The playback frame and the region alone are painted at once, without passes.
    QPainter p(&c.frame);
    if (!c.rgnPath.isEmpty()) p.setClipPath(c.rgnPath);
    PaintBitmapPass(p, c.src, c.srcClip, c.dst, c.paintClip, 1000, 1, 1);
    return;
  }
  const QImage from = c.frame.copy();
  QImage to = from.copy();
  {
    QPainter p(&to);
    PaintBitmapPass(p, c.src, c.srcClip, c.dst, c.paintClip, paintEffect_, 1, 1);
  }
  const QRect area = c.dst.intersected(c.paintClip);
  // The plain paint is one pass for the library, its steps unseen.
  const unsigned libMax = paintEffect_ == 1000 ? 1u : paintMaxPasses_;
  RunPasses(c, paintEffect_, from, to, area, libMax, true, 1);
}

// The passes from `from` to `to` with the effect `code` in `libMax` passes for the library (both
// read again for every pass, as a notification may change them), notified as `type` (0
// transition, 1 picture). After an abort the remaining passes go straight to the end. With
// `plainUnseen` the plain paint's steps are not shown.
void TPicImage::RunPasses(PaintCycle& c, const int& code, const QImage& from, const QImage& to, const QRect& area,
                          const unsigned& libMax, bool plainUnseen, unsigned type) {
  const std::function<void(const QRect&)> step = [this, &c](const QRect& a) { ShowStep(c, a); };
  paintPass_ = 1;
  if (OnPaintNotify) OnPaintNotify(this, 0, type);
  bool aborted = false;
  while (paintPass_ <= paintMaxPasses_) {
    const px::EffectSettings s = EffectSettingsFor(code);
    const int st = px::EfxRunPass(c.frame, from, to, area, s, aborted ? int(libMax) + 1 : int(paintPass_), int(libMax),
                                  plainUnseen && code == 1000 ? std::function<void(const QRect&)>() : step);
    aborted = aborted || st == px::kAborted;
    ++paintPass_;
    if (paced_) WaitMilliseconds(paintNotificationDelay_, false);
    if (OnPaintNotify) OnPaintNotify(this, paintPass_ - 1, type);
  }
}

px::EffectSettings TPicImage::EffectSettingsFor(int code) const {
  px::EffectSettings s;
  s.code = code;
  s.grain = int(effectGrain_);
  s.delay = paced_ ? int(effectDelay_) : 0;
  s.useTransparent = useTransparentColor_;
  s.transparentRgb = Rgb(ColorToQColor(transparentColor_, &palette()));
  s.wandSize = int(wandSize_);
  s.wandRgb = Rgb(ColorToQColor(wandColor_, &palette()));
  return s;
}

// Shows a step of an effect on the screen. Unpaced (rendering for a recording), the screen is
// only a preview: it is brought up to date at most at the video's frame rate, since every
// flush waits for the window system.
void TPicImage::ShowStep(PaintCycle& c, const QRect& area) {
  if (!c.live) return;
  if (!paced_) {
    c.unshown |= area;
    if (c.sinceShown.isValid() && c.sinceShown.elapsed() < 40) return;
    c.sinceShown.start();
  }
  const QRect part = paced_ ? area : std::exchange(c.unshown, QRect());
  {
    QPainter wp(this);
    wp.setCompositionMode(QPainter::CompositionMode_Source);
    wp.drawImage(part.topLeft(), c.frame, part);
  }
  backingStore()->flush(QRegion(part.translated(mapTo(window(), QPoint(0, 0)))), window()->windowHandle());
}

// Over the picture: the rubber band (unless a region tool is drawing), the region's outline,
// the floaters, and what was drawn on the window on top of all.
void TPicImage::DrawOverlays(PaintCycle& c) {
  QPainter p(&c.frame);
  p.setClipRect(c.r);
  if (c.picture && rgnMouseMode_ == 0 && rubberBandActive_) {
    p.setPen(QPen(Qt::black, 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(rubberBandRect_.normalized().translated(rubberBandScroll_.x() - hScrollPos_,
                                                       rubberBandScroll_.y() - vScrollPos_));
  }
  if (c.picture) DrawRegionOutline(p, c.c0);
  if (c.picture) DrawFloaters(p);
  if (!windowLayer_.isNull()) p.drawImage(0, 0, windowLayer_);
}

void TPicImage::ShowFrame(const PaintCycle& c) {
  QPainter wp(this);
  wp.setClipRect(c.c0);
  wp.setCompositionMode(QPainter::CompositionMode_Source);
  wp.drawImage(0, 0, c.frame);
  lastFrame_ = c.frame;
}

void TPicImage::PaintPlaybackFrame() {
  // Painting happens in paintEvent; a synchronous repaint shows the frame at once.
  repaint();
}

QImage TPicImage::RenderToScreenBitmap(const px::Bitmap& bmp, int originX, int originY, int width, int height,
                                       int paintWidth, int paintHeight) {
  if (width <= 0 || height <= 0 || !bmp.allocated()) return QImage();
  QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
  if (out.isNull()) return out;
  out.fill(ColorToQColor(backColor_, &palette()));
  QPainter p(&out);
  const QRect whole(0, 0, bmp.viewWidth(), bmp.viewHeight());
  px::PaintBitmap(p, bmp, whole, whole, QRect(-originX, -originY, paintWidth, paintHeight), out.rect(),
                  paintScaling_ != psNormal);
  return out;
}

void TPicImage::StartRubberBand(int x, int y) {
  rubberBandActive_ = true;
  rubberBandStart_ = QPoint(x, y);
  rubberBandRect_ = QRect(QPoint(x, y), QPoint(x, y));
  rubberBandScroll_ = QPoint(hScrollPos_, vScrollPos_);
  update();
}

void TPicImage::MoveRubberBand(int x, int y) {
  rubberBandRect_ = QRect(rubberBandStart_, QPoint(x, y));
  rubberBandScroll_ = QPoint(hScrollPos_, vScrollPos_);
  update();
}

void TPicImage::EndRubberBand() {
  rubberBandActive_ = false;
  update();
}

void TPicImage::DrawRubberBand() {
  // Drawn by the paint cycle; asking for it schedules a paint.
  if (rubberBandActive_) update();
}

void TPicImage::DrawZoomInRect(const QRect& rect) {
  if (!EnableZoomInRect() || rect.isNull()) return;
  // Drawing the same rectangle twice hides it again, as an inverted outline would.
  zoomInRect_ = zoomInRect_ == rect.adjusted(-1, -1, 1, 1) ? QRect() : rect.adjusted(-1, -1, 1, 1);
}

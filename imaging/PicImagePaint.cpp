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
    ~Ending() {
      --paintNestingCount_;
      self->inPaint_ = false;
      if (own) {
        self->EndStatusCallback();
        // An abort asked for after the last step belongs to this paint, not to the next
        // operation.
        if (AbortRequested()) {
          const bool events = self->enableProgressEvent_;
          self->SetEnableProgressEvent(true);
          self->enableProgressEvent_ = events;
        }
      }
      self->DoAfterPaint();
    }
  } ending{this, ownBracket};

  if (autoScroll_ && !autoSize_) {
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
  const QRect c0 = event->rect();
  if (pending_ & 2) {
    pending_ &= uint8_t(~2);
    UpdateScrollLayout();
  }
  pending_ &= uint8_t(~1);
  QRect r = rect();
  const QColor back = ColorToQColor(backColor_, &palette());
  // The frame starts from what the control showed last, so effects run from the old picture.
  QImage& frame = effectFrame_;
  if (!transparent_ && lastFrame_.size() == size()) {
    frame = lastFrame_.copy();
  } else {
    frame = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    frame.fill(transparent_ ? QColor(Qt::transparent) : back);
  }
  auto show = [&] {
    QPainter wp(this);
    wp.setClipRect(c0);
    wp.setCompositionMode(QPainter::CompositionMode_Source);
    wp.drawImage(0, 0, frame);
    lastFrame_ = frame;
  };
  const int fw = FrameWidth();
  if (fw != 0) {
    QPainter p(&frame);
    DrawFrame(p, r);
  }
  if (fw != 0 && (r.width() <= 0 || r.height() <= 0)) {
    if (OnPaint) OnPaint(this);
    show();
    return;
  }
  const QRect dstClip = QRect(dstClipLeft_, dstClipTop_, dstClipWidth_, dstClipHeight_).translated(fw, fw);
  const QRect dst = QRect(dstLeft_, dstTop_, dstWidth_, dstHeight_).translated(fw, fw);
  const bool picture = allocated_ && bitmap_.allocated();
  auto fillOutside = [&](const QRect& area) {
    QPainter p(&frame);
    for (const QRect& part : QRegion(area).subtracted(QRegion(dstClip))) p.fillRect(part, back);
  };
  if (!transparent_ && !backErase_ && picture) fillOutside(r);
  const QRect paintClip =
      QRect(dstClipLeft_, dstClipTop_, dstClipWidth_ + hScrollPos_, dstClipHeight_ + vScrollPos_).translated(fw, fw).intersected(r);
  const QRect src(srcLeft_, srcTop_, srcWidth_, srcHeight_);
  const QRect srcClip(srcClipLeft_, srcClipTop_, srcClipWidth_, srcClipHeight_);
  const QRect trans = dst.intersected(r);
  const QPainterPath rgnPath = [&] {
    QPainterPath path;
    if (picture && paintRgnOnly_ && !rgn_.isEmpty()) {
      path.addRegion(rgn_);
      path = BitmapToDisplay().map(path);
    }
    return path;
  }();
  // On a real screen every step is shown at once, so the animation is seen (and can be grabbed
  // from the screen) while the paint runs; offscreen the frame is shown at the end.
  const bool live = QGuiApplication::platformName() != QLatin1String("offscreen") && backingStore() &&
                    window()->windowHandle();
  // Unpaced (rendering for a recording), the screen is only a preview: it is brought up to date
  // at most at the video's frame rate, since every flush waits for the window system.
  QElapsedTimer sinceShown;
  QRect unshown;
  auto onStep = [&](const QRect& area) {
    if (!live) return;
    if (!paced_) {
      unshown |= area;
      if (sinceShown.isValid() && sinceShown.elapsed() < 40) return;
      sinceShown.start();
    }
    const QRect part = paced_ ? area : std::exchange(unshown, QRect());
    {
      QPainter wp(this);
      wp.setCompositionMode(QPainter::CompositionMode_Source);
      wp.drawImage(part.topLeft(), frame, part);
    }
    backingStore()->flush(QRegion(part.translated(mapTo(window(), QPoint(0, 0)))), window()->windowHandle());
  };
  auto settings = [&](int code) {
    px::EffectSettings s;
    s.code = code;
    s.grain = int(effectGrain_);
    s.delay = paced_ ? int(effectDelay_) : 0;
    s.useTransparent = useTransparentColor_;
    s.transparentRgb = Rgb(ColorToQColor(transparentColor_, &palette()));
    s.wandSize = int(wandSize_);
    s.wandRgb = Rgb(ColorToQColor(wandColor_, &palette()));
    return s;
  };
  if (transitionStyle_ != etsNone) {
    if (backErase_ && (!scrollInProgress_ || paintRgnOnly_ || useTransparentColor_)) {
      QPainter p(&frame);
      EraseBackground(p, r);
    }
    const QImage from = frame.copy();
    QImage to = from.copy();
    if (!trans.isEmpty()) {
      QImage fill = transitionStyle_ == etsGradient
                        ? px::GradientImage(trans.size(), int(gradientStyle_), ColorToQColor(GradientStartColor()),
                                            ColorToQColor(GradientEndColor()), int(gradientSteps_))
                        : px::PatternImage(from.copy(trans), PatternStyleCode(int(PatternStyle())),
                                           ColorToQColor(PatternBackColor()), ColorToQColor(PatternForeColor()));
      QPainter p(&to);
      if (!rgnPath.isEmpty()) p.setClipPath(rgnPath);
      p.drawImage(trans.topLeft(), fill);
    }
    paintPass_ = 1;
    if (OnPaintNotify) OnPaintNotify(this, 0, 0);
    bool aborted = false;
    while (paintPass_ <= paintMaxPasses_) {
      const px::EffectSettings s = settings(transitionEffect_);
      int st = px::EfxRunPass(frame, from, to, trans, s, aborted ? int(paintMaxPasses_) + 1 : int(paintPass_),
                              int(paintMaxPasses_), onStep);
      aborted = aborted || st == px::kAborted;
      ++paintPass_;
      if (paced_) WaitMilliseconds(paintNotificationDelay_, false);
      if (OnPaintNotify) OnPaintNotify(this, paintPass_ - 1, 0);
    }
  } else if (backErase_ || (!transparent_ && (!picture || useTransparentColor_))) {
    QPainter p(&frame);
    EraseBackground(p, r);
  }
  if (picture) {
    bitmap_.paintContrast = paintContrast_;
    bitmap_.paintIntensity = paintIntensity_;
    bitmap_.paintGamma = int(paintGamma_);
    if (!transparent_) {
      if (backErase_) {
        QPainter p(&frame);
        p.fillRect(r, back);
      } else if (!scrollInProgress_) {
        fillOutside(r);
      }
    }
    if (playbackActive_ || paintRgnOnly_) {
      QPainter p(&frame);
      if (!rgnPath.isEmpty()) p.setClipPath(rgnPath);
      PaintBitmapPass(p, src, srcClip, dst, paintClip, 1000, 1, 1);
    } else {
      const QImage from = frame.copy();
      QImage to = from.copy();
      {
        QPainter p(&to);
        PaintBitmapPass(p, src, srcClip, dst, paintClip, paintEffect_, 1, 1);
      }
      const QRect area = dst.intersected(paintClip);
      paintPass_ = 1;
      if (OnPaintNotify) OnPaintNotify(this, 0, 1);
      const int maxForLib = paintEffect_ == 1000 ? 1 : int(paintMaxPasses_);
      bool aborted = false;
      while (paintPass_ <= paintMaxPasses_) {
        const px::EffectSettings s = settings(paintEffect_);
        int st = px::EfxRunPass(frame, from, to, area, s, aborted ? maxForLib + 1 : int(paintPass_), maxForLib,
                                paintEffect_ == 1000 ? std::function<void(const QRect&)>() : onStep);
        aborted = aborted || st == px::kAborted;
        ++paintPass_;
        if (paced_) WaitMilliseconds(paintNotificationDelay_, false);
        if (OnPaintNotify) OnPaintNotify(this, paintPass_ - 1, 1);
      }
    }
  }
  {
    QPainter p(&frame);
    p.setClipRect(r);
    if (picture && rgnMouseMode_ == 0 && rubberBandActive_) {
      p.setPen(QPen(Qt::black, 1, Qt::DotLine));
      p.setBrush(Qt::NoBrush);
      p.drawRect(rubberBandRect_.normalized().translated(rubberBandScroll_.x() - hScrollPos_,
                                                         rubberBandScroll_.y() - vScrollPos_));
    }
    if (picture) DrawRegionOutline(p, c0);
    if (picture) DrawFloaters(p);
    if (!windowLayer_.isNull()) p.drawImage(0, 0, windowLayer_);
  }
  if (OnPaint) OnPaint(this);
  show();
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

// TPicImage: processing operations (one px call each, with backup, abort and error protocol),
// shape and text drawing, the control frame, layered saving, screen capture and the cut-out
// of the floater region.
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cmath>

#include "PicImageVCL.h"
#include "PxDraw.h"
#include "PxEffects.h"
#include "PxFile.h"
#include "PxPaint.h"
#include "PxProcess.h"

namespace {

uint32_t Rgb(const QColor& c) { return uint32_t(c.red()) << 16 | uint32_t(c.green()) << 8 | uint32_t(c.blue()); }

int RoundEven(double v) { return int(std::nearbyint(v)); }

// The status callback is asked before and after a processing call, so an abort requested
// before or during the call (from event processing) takes effect.
int AskStatus(int percent) {
  px::StatusCallback cb = px::GetStatusCallback();
  return cb.fn && cb.fn(percent, cb.user) == 0 ? px::kAborted : px::kOk;
}

}  // namespace

int TPicImage::PlainProcess(const QString& opName, const std::function<int(px::Bitmap&)>& op, bool cutOutAware) {
  if (cutOutAware) {
    CheckProcessingAllowed();
    lastError_ = 1;
  }
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \n%2: Image not allocated.").arg(objectName(), opName));
  }
  const bool cut = cutOutAware && enableFloater_ && !rgn_.isEmpty();
  if (cut) CutOutRegion();
  px::Bitmap& target = cut ? cutOut_ : bitmap_;
  BeginProcessing(target);
  int status;
  try {
    status = AskStatus(0);
    if (status == 1) status = op(target);
    if (status == 1) status = AskStatus(100);
  } catch (...) {
    lastError_ = px::kFail;
    ProcessingDone(target);
    throw;
  }
  lastError_ = status;
  ProcessingDone(target);
  if (cut && !rgn_.isEmpty()) {
    lastError_ = PasteCutOut();
    if (status != 1) lastError_ = status;
    else UpdateRgnBounds();
  }
  return RaiseMethodError(opName, lastError_);
}

int TPicImage::Size(int width, int height, int flags) {
  const int oldW = bitmapWidth_, oldH = bitmapHeight_;
  return PlainProcess(QStringLiteral("Size"), [&](px::Bitmap& t) {
    int st = px::SizeBitmap(t, width, height, flags);
    if (st == 1) {
      ScrollToOrigin();
      DoSized(oldW, oldH, width, height);
      BitmapGeometryChanged();
      SetPaintSizeMode(paintSizeMode_);
    }
    return st;
  }, true);
}

int TPicImage::Rotate(int angle, int flags, TColor fillColor) {
  const uint32_t fill = Rgb(ColorToQColor(fillColor, &palette()));
  return PlainProcess(QStringLiteral("Rotate"), [&](px::Bitmap& t) {
    int st = px::RotateBitmap(t, angle, flags, fill);
    if (st == 1) {
      DoRotated(angle / 100.0);
      BitmapGeometryChanged();
    }
    return st;
  }, true);
}

int TPicImage::FastRotate(int angle) {
  if (enableFloater_ && !rgn_.isEmpty()) ForceMethodError(QStringLiteral("FastRotate"), px::kNotSupported);
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nFastRotate: Image not allocated.").arg(objectName()));
  }
  BeginProcessing(bitmap_);
  int status = px::RotateBitmapViewPerspective(bitmap_, angle);
  if (status == 1 && !Aborted()) {
    ScrollToOrigin();
    BitmapGeometryChanged();
    DoFastRotated(angle / 100.0);
  }
  lastError_ = status;
  ProcessingDone(bitmap_);
  return RaiseMethodError(QStringLiteral("FastRotate"), status);
}

int TPicImage::Flip() {
  return PlainProcess(QStringLiteral("Flip"), [](px::Bitmap& t) { return px::FlipBitmap(t); }, true);
}

int TPicImage::Reverse() {
  return PlainProcess(QStringLiteral("Reverse"), [](px::Bitmap& t) { return px::ReverseBitmap(t); }, true);
}

int TPicImage::GrayScale(int bits) {
  int status = PlainProcess(QStringLiteral("GrayScale"), [&](px::Bitmap& t) {
    int st = px::GrayScaleBitmap(t, bits);
    if (st == 1) BitmapGeometryChanged();
    return st;
  }, false);
  if (status == 1 && enableFloater_ && background_.allocated() && !Aborted()) {
    int st = px::GrayScaleBitmap(background_, bits);
    if (st != 1) {
      FreeFloaterResources();
      lastError_ = st;
    }
  }
  return lastError_;
}

int TPicImage::Sharpen(int sharpness) {
  return PlainProcess(QStringLiteral("Sharpen"), [&](px::Bitmap& t) { return px::SharpenBitmap(t, sharpness); }, false);
}

int TPicImage::GaussianFilter(int radius) {
  return PlainProcess(QStringLiteral("GaussianFilter"), [&](px::Bitmap& t) { return px::GaussianFilterBitmap(t, radius); },
                      false);
}

int TPicImage::BalanceColors(const double red[3], const double green[3], const double blue[3]) {
  return PlainProcess(QStringLiteral("BalanceColors"), [&](px::Bitmap& t) { return px::BalanceColors(t, red, green, blue); },
                      false);
}

int TPicImage::Fill(TColor color) {
  const uint32_t rgb = Rgb(ColorToQColor(color, &palette()));
  return PlainProcess(QStringLiteral("Fill"), [&](px::Bitmap& t) {
    if (rgn_.isEmpty()) return px::FillBitmap(t, rgb);
    QRegion stored;
    for (const QRect& r : rgn_) {
      int l = r.left(), tp = r.top(), rr = r.right() + 1, b = r.bottom() + 1;
      px::ViewToBitmapRect(t, l, tp, rr, b);
      stored += QRect(l, tp, rr - l, b - tp);
    }
    return px::FillBitmap(t, rgb, &stored);
  }, false);
}

int TPicImage::Combine(int left, int top, int width, int height, const px::Bitmap* source, int srcLeft, int srcTop,
                       int operation) {
  return PlainProcess(QStringLiteral("Combine"), [&](px::Bitmap& t) {
    if (!source || !source->allocated()) return int(px::kInvalidBitmap);
    // A copy, so a source that shares pixels with this picture stays as it was.
    px::Bitmap copy;
    int st = px::CopyBitmap(*source, copy);
    if (st != 1) return st;
    return px::CombineBitmap(t, left, top, width, height, copy, srcLeft, srcTop, operation);
  }, false);
}

int TPicImage::RemoveRedeye(TColor newColor, int threshold, int lightness) {
  CheckAllocated(QStringLiteral("RemoveRedeye"), 0);
  BeginStatusCallback();
  int status;
  {
    QRegion stored;
    for (const QRect& r : rgn_) {
      int l = r.left(), tp = r.top(), rr = r.right() + 1, b = r.bottom() + 1;
      px::ViewToBitmapRect(bitmap_, l, tp, rr, b);
      stored += QRect(l, tp, rr - l, b - tp);
    }
    status = px::RemoveRedeyeBitmap(bitmap_, Rgb(ColorToQColor(newColor, &palette())), threshold, lightness,
                                    rgn_.isEmpty() ? nullptr : &stored);
  }
  EndStatusCallback();
  if (status == 1) {
    if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
    UpdateBitmapInfo();
  }
  invalidateIfAuto();
  return RaiseMethodError(QStringLiteral("RemoveRedeye"), status);
}

px::ShapeStyle TPicImage::ShapeStyleOf(const px::Bitmap* target, QImage& background) {
  const QPalette* pal = &palette();
  const double scale = DrawPersistence() ? std::max(1, PaintZoomFactor()) / 100.0 : 1.0;
  px::ShapeStyle s;
  s.fillColor = ColorToQColor(PatternBackColor(), pal);
  s.backgroundStyle = int(ShapeBackgroundStyle());
  background = QImage();
  s.backgroundRect = QRect(BackgroundImageLeft(), BackgroundImageTop(), BackgroundImageWidth(), BackgroundImageHeight());
  if (ShapeBackgroundStyle() == sbsGradient || ShapeBackgroundStyle() == sbsTranslucentGradient) {
    s.backgroundStyle = ShapeBackgroundStyle() == sbsGradient ? 3 : 4;
    background = px::GradientImage(QSize(std::max(1, ShapeWidth()), std::max(1, ShapeHeight())), int(gradientStyle_),
                                   ColorToQColor(GradientStartColor(), pal), ColorToQColor(GradientEndColor(), pal),
                                   int(gradientSteps_));
    s.backgroundRect = background.rect();
  } else if (target && target->allocated()) {
    background = px::ToQImage(*target);
  }
  s.background = background.isNull() ? nullptr : &background;
  s.patternColor = ColorToQColor(PatternForeColor(), pal);
  s.patternStyle = int(PatternStyle());
  s.borderColor = ColorToQColor(ShapeBorderColor(), pal);
  s.borderStyle = int(ShapeBorderStyle());
  s.borderThickness = RoundEven(ShapeBorderThickness() / scale);
  s.innerHilite = ColorToQColor(ShapeInnerBandHiliteColor(), pal);
  s.innerShadow = ColorToQColor(ShapeInnerBandShadowColor(), pal);
  s.innerStyle = int(ShapeInnerBandStyle());
  s.innerThickness = RoundEven(ShapeInnerBandThickness() / scale);
  s.outerHilite = ColorToQColor(ShapeOuterBandHiliteColor(), pal);
  s.outerShadow = ColorToQColor(ShapeOuterBandShadowColor(), pal);
  s.outerStyle = int(ShapeOuterBandStyle());
  s.outerThickness = RoundEven(ShapeOuterBandThickness() / scale);
  s.shadowX = RoundEven(ShadowXDepth() / scale);
  s.shadowY = RoundEven(ShadowYDepth() / scale);
  s.shadowColor = ColorToQColor(ShadowColor(), pal);
  return s;
}

int TPicImage::DrawShape(int shape, const px::Bitmap* target) {
  QPainter* canvas = BeginDrawCanvas(true);
  if (!canvas) {
    lastError_ = -1;
    return RaiseMethodError(QStringLiteral("DrawShape"), -1);
  }
  QImage background;
  const px::ShapeStyle s = ShapeStyleOf(target, background);
  int status = px::EfxDraw3dShape(*canvas, shape, QRect(ShapeLeft(), ShapeTop(), ShapeWidth(), ShapeHeight()), s);
  EndDrawCanvas(canvas);
  return RaiseMethodError(QStringLiteral("DrawShape"), status);
}

int TPicImage::DrawText(const QString& text, const px::Bitmap* target) {
  QPainter* canvas = BeginDrawCanvas(true);
  if (!canvas) {
    lastError_ = -1;
    return RaiseMethodError(QStringLiteral("DrawText"), -1);
  }
  const QRect rect(TextLeft(), TextTop(), TextWidth(), TextHeight());
  QImage texture;
  if (target && target->allocated()) {
    texture = px::ToQImage(*target);
    if (DrawPersistence() && !rect.isEmpty()) texture = texture.scaled(rect.size());
  }
  const QPalette* pal = &palette();
  px::TextStyle s;
  s.angle = TextAngle();
  s.flags = TextStyleCode(TextStyle()) | TextAlignFlags(TextAlign()) | (TextWordWrap() ? 4096 : 0);
  s.shadowX = ShadowXDepth();
  s.shadowY = ShadowYDepth();
  s.color = ColorToQColor(textColor_, pal);
  s.shadowColor = ColorToQColor(ShadowColor(), pal);
  s.hiliteColor = ColorToQColor(TextHiliteColor(), pal);
  s.font = textFont_;
  s.texture = texture.isNull() ? nullptr : &texture;
  int status = px::EfxDrawRotated3dText(*canvas, text, rect, s);
  EndDrawCanvas(canvas);
  return RaiseMethodError(QStringLiteral("DrawText"), status);
}

int TPicImage::DrawFrame(const QRect& rect) {
  if (windowLayer_.size() != size()) {
    windowLayer_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    windowLayer_.fill(Qt::transparent);
  }
  QPainter p(&windowLayer_);
  QRect r = rect;
  DrawFrame(p, r);
  update();
  return 1;
}

int TPicImage::SaveWithLayers(const QString& fileName, int format, int saveOptions, int flags, int qfactor, int bits) {
  (void)flags;
  if (!list_ || list_->count() == 0) return px::kInvalidBitmap;
  px::SaveOptions o;
  o.flags = uint32_t(saveOptions);
  return px::SaveBitmapList(QFile::encodeName(fileName).toStdString(), *list_, format, bits, qfactor, o);
}

void TPicImage::CaptureScreenAround(uint32_t point, bool freeList) {
  DrawZoomInRect(captureRect_);
  if (freeList) FreeImage();
  const int x = int(point & 0xFFFF), y = int(point >> 16);
  // A zoom factor of 0 (or less) would divide by zero: such a capture takes the area 1:1.
  int zoom = PaintZoomFactor();
  if (zoom <= 0) zoom = 100;
  const int w = int(std::lround(double(width()) * 100 / zoom)), h = int(std::lround(double(height()) * 100 / zoom));
  QScreen* screen = QGuiApplication::primaryScreen();
  const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1, 1);
  QRect r = QRect(x - w / 2, y - h / 2, w, h).intersected(screenRect);
  if (r.width() <= 0) r.setWidth(1);
  if (r.height() <= 0) r.setHeight(1);
  DrawZoomInRect(r);
  captureRect_ = r;
  QImage shot;
  if (screen) shot = screen->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
  if (shot.isNull()) {
    shot = QImage(r.size(), QImage::Format_RGB32);
    shot.fill(Qt::black);
  }
  px::Bitmap bmp;
  int st = px::FromQImage(shot, bmp);
  if (st != 1) {
    lastError_ = st;
    return;
  }
  const bool ref = refBitmap_;
  refBitmap_ = false;
  lastError_ = StoreBitmapInList(&bmp);
  refBitmap_ = ref;
}

int TPicImage::CopyRectToNewBitmap(px::Bitmap& dst, const px::Bitmap& src, int& left, int& top, int& width,
                                   int& height) {
  if (left < 0) width += left, left = 0;
  if (top < 0) height += top, top = 0;
  if (width > src.viewWidth() - left) width = src.viewWidth() - left;
  if (height > src.viewHeight() - top) height = src.viewHeight() - top;
  px::Bitmap out;
  if (px::CreateBitmap(out, width, height, src.bits, &src.palette) != 1) return 0;
  out.viewPerspective = 0;
  int st = px::CombineBitmap(out, 0, 0, width, height, src, left, top, 800);
  if (st == 1) dst = std::move(out);
  return st;
}

int TPicImage::CutOutRegion() {
  if (bitmap_.viewPerspective != 0 && bitmap_.viewPerspective != 1) px::NormalizeViewPerspective(bitmap_);
  const QRect b = rgn_.boundingRect();
  cutOutRect_ = b;
  px::InitBitmap(cutOut_);
  int l = b.left(), t = b.top(), w = b.width(), h = b.height();
  int status = CopyRectToNewBitmap(cutOut_, bitmap_, l, t, w, h);
  cutOutRect_ = QRect(l, t, w, h);
  cutOutRgn_ = rgn_.translated(-l, -t);
  return RaiseMethodError(QStringLiteral("Floater"), status);
}

int TPicImage::PasteCutOut() {
  const QRect old = cutOutRect_;
  // The region follows the cut-out: its shape while the size is kept, the whole cut-out when
  // processing changed the size.
  QRegion shape = cutOut_.width == old.width() && cutOut_.height == old.height()
                      ? cutOutRgn_
                      : QRegion(0, 0, cutOut_.width, cutOut_.height);
  rgn_ = QRegion();
  if (background_.allocated()) {
    px::CombineBitmap(bitmap_, old.left(), old.top(), old.width(), old.height(), background_, 0, 0, 800);
    px::InitBitmap(background_);
  }
  const int newLeft = old.left() + (old.width() - cutOut_.width) / 2;
  const int newTop = old.top() + (old.height() - cutOut_.height) / 2;
  const QRect rb = shape.boundingRect();
  int l = newLeft + rb.left(), t = newTop + rb.top(), w = rb.width(), h = rb.height();
  if (CopyRectToNewBitmap(background_, bitmap_, l, t, w, h) != 1) {
    px::InitBitmap(background_);
    lastError_ = -1;
    throw EPicImageError(QStringLiteral("%1 \nNot enough memory to allocate background bitmap.").arg(objectName()));
  }
  rgn_ = shape.translated(newLeft, newTop).intersected(QRect(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight()));
  cutOutRgn_ = shape;
  cutOutRect_ = QRect(newLeft, newTop, cutOut_.width, cutOut_.height);
  int status = px::CombineBitmap(bitmap_, newLeft, newTop, cutOut_.width, cutOut_.height, cutOut_, 0, 0, 800);
  if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  update();
  return status;
}

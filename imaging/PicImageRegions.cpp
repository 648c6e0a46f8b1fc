// TPicImage: the region (a QRegion in displayed bitmap pixels), its outline, and the floater.
#include <QPainter>
#include <QPainterPath>
#include <QTimer>
#include <cmath>

#include "PicImageVCL.h"
#include "PxPaint.h"
#include "PxProcess.h"

namespace {

int CombineRegion(QRegion& rgn, const QRegion& with, int mode) {
  switch (mode) {
    case 1: rgn = with; break;
    case 2: rgn = rgn.intersected(with); break;
    case 3: rgn = rgn.united(with); break;
    case 4: rgn = rgn.xored(with); break;
    case 5: rgn = rgn.subtracted(with); break;
    default: return px::kInvalidParam;
  }
  return px::kOk;
}

// Floor division for the drop offset (negative movements round down).
int FloorDiv(int64_t a, int64_t b) { return int(a >= 0 ? a / b : (a - (b - 1)) / b); }

}  // namespace

int TPicImage::SetRgnRect(int left, int top, int width, int height, int combineMode) {
  CheckProcessingAllowed();
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nSetRgnRect: Image not allocated.").arg(objectName()));
  }
  // Client to bitmap: scale by source / destination, offsets minus the destination origin.
  const QRect r = QRect(left, top, width, height).normalized();
  auto mapX = [&](int x) {
    return dstWidth_ ? int(std::floor(double(x - dstLeft_) * srcWidth_ / dstWidth_ + 0.5)) : x - dstLeft_;
  };
  auto mapY = [&](int y) {
    return dstHeight_ ? int(std::floor(double(y - dstTop_) * srcHeight_ / dstHeight_ + 0.5)) : y - dstTop_;
  };
  const QRect b(QPoint(mapX(r.left()), mapY(r.top())), QPoint(mapX(r.left() + r.width()) - 1, mapY(r.top() + r.height()) - 1));
  const QRect whole(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight());
  int status = b.isEmpty() || !b.intersects(whole) ? px::kInvalidParam : CombineRegion(rgn_, QRegion(b), combineMode);
  lastError_ = status;
  if (status == 1) RegionChanged();
  return RaiseMethodError(QStringLiteral("SetRgnRect"), lastError_);
}

int TPicImage::SetRgnHandle(HRGN rgn, int xOffset, int yOffset, int combineMode) {
  CheckProcessingAllowed();
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nSetRgnHandle: Image not allocated.").arg(objectName()));
  }
  int status = rgn ? CombineRegion(rgn_, rgn->translated(xOffset, yOffset), combineMode) : px::kInvalidParam;
  lastError_ = status;
  if (status == 1) RegionChanged();
  return RaiseMethodError(QStringLiteral("SetRgnHandle"), lastError_);
}

TPicImage::HRGN TPicImage::GetRgnHandle() {
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nGetRgnHandle: Image not allocated.").arg(objectName()));
  }
  lastError_ = 1;
  return new QRegion(rgn_);
}

bool TPicImage::DeleteRgn(HRGN rgn) {
  lastError_ = rgn ? 1 : 0;
  delete rgn;
  return rgn != nullptr;
}

int TPicImage::FreeRgn() {
  CheckProcessingAllowed();
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nFreeRgn: Image not allocated.").arg(objectName()));
  }
  const bool had = !rgn_.isEmpty();
  rgn_ = QRegion();
  rgnLeft_ = rgnTop_ = rgnWidth_ = rgnHeight_ = 0;
  if (enableFloater_) FreeFloaterResources();
  if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  if (had && (paintRgnOnly_ || rgnFrameType_ != 0)) update();
  return RaiseMethodError(QStringLiteral("FreeRgn"), 1);
}

bool TPicImage::HasRgn() {
  lastError_ = 1;
  return allocated_ && !rgn_.isEmpty();
}

int TPicImage::UpdateRgnBounds() {
  if (!allocated_ || !bitmap_.allocated()) return 0;
  rgn_ = rgn_.intersected(QRect(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight()));
  const QRect b = rgn_.boundingRect();
  if (b.isEmpty()) {
    // The region is gone.
    rgn_ = QRegion();
    if (enableFloater_ && !floaterDragging_) FreeFloaterResources();
  }
  rgnLeft_ = b.isEmpty() ? 0 : b.left();
  rgnTop_ = b.isEmpty() ? 0 : b.top();
  rgnWidth_ = b.width();
  rgnHeight_ = b.height();
  lastError_ = 1;
  return 1;
}

void TPicImage::RegionChanged() {
  lastError_ = UpdateRgnBounds();
  if (lastError_ != 1) return;
  if (enableFloater_ && !rgn_.isEmpty()) {
    int l = rgnLeft_, t = rgnTop_, w = rgnWidth_, h = rgnHeight_;
    int st = CopyRectToNewBitmap(background_, bitmap_, l, t, w, h);
    if (st != 1) {
      px::InitBitmap(background_);
      RaiseMethodError(QStringLiteral("Error Allocating Floater Bitmaps"), st);
    }
  }
  if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  if (paintRgnOnly_ || rgnFrameType_ != 0) update();
  if (OnRgnChange) OnRgnChange(this);
}

bool TPicImage::RgnOutlineTimerActive() const { return rgnTimer_ && rgnTimer_->isActive(); }

void TPicImage::SetRgnFrameType(int value) {
  if (value == 0) {
    if (rgnTimer_ && rgnTimer_->isActive()) rgnTimer_->stop();
    update();
  } else if (!RgnOutlineTimerActive()) {
    if (!rgnTimer_) {
      rgnTimer_ = new QTimer(this);
      rgnTimer_->setInterval(1000);
      connect(rgnTimer_, &QTimer::timeout, this, [this] { RgnOutlineTick(); });
    }
    rgnTimer_->start();
    if (!rgnTimer_->isActive())
      throw EPicImageError(QStringLiteral("%1 \nSetRgnFrameType:System out of resources.").arg(objectName()));
    if (!rgn_.isEmpty()) update();
  }
  rgnFrameType_ = value;
  lastError_ = 1;
}

void TPicImage::RgnOutlineTick() {
  if (rgnFrameType_ != 1 && rgnFrameType_ != 2) {
    if (rgnTimer_) rgnTimer_->stop();
    return;
  }
  if (rgn_.isEmpty()) return;
  if (rgnFrameType_ == 2) rgnFramePhase_ = (rgnFramePhase_ + 1) % 8;
  update();
}

void TPicImage::DrawRegionOutline(QPainter& p, const QRect& clip) {
  if (rgn_.isEmpty() || rgnFrameType_ == 0) return;
  const int fw = FrameWidth();
  QPainterPath path;
  path.addRegion(rgn_);
  path = BitmapToDisplay().map(path.simplified());
  p.save();
  p.setClipRect(QRect(dstLeft_ + fw, dstTop_ + fw, dstWidth_, dstHeight_).intersected(rect().adjusted(fw, fw, -fw, -fw)));
  p.setClipRect(clip, Qt::IntersectClip);
  if (rgnFrameType_ == 3) {
    p.fillPath(path, ColorToQColor(rgnColor_, &palette()));
  } else {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 1));
    p.drawPath(path);
    QPen dash(Qt::black, 1, Qt::CustomDashLine);
    dash.setDashPattern({4, 4});
    dash.setDashOffset(rgnFramePhase_);
    p.setPen(dash);
    p.drawPath(path);
  }
  p.restore();
  if (rgnFrameType_ == 2 && rgnMouseMode_ == 0 && rgnTimer_ && !rgnTimer_->isActive()) rgnTimer_->start();
}

// ---- Floater ------------------------------------------------------------------------------
void TPicImage::FreeFloaterResources() {
  floaterImage_ = QImage();
  px::InitBitmap(cutOut_);
  px::InitBitmap(background_);
  cutOutRgn_ = QRegion();
  floaterRgn_ = QRegion();
}

void TPicImage::SetAutoFloater(bool on) {
  if (on != autoFloater_) {
    if (on) {
      autoFloater_ = true;
      SetFloaterVisible(false);
      FreeFloaterResources();
      px::InitBitmap(floater_);
    } else {
      FreeFloaterResources();
      enableFloater_ = false;
    }
  }
  autoFloater_ = on;
  lastError_ = 1;
}

void TPicImage::SetEnableFloater(bool on) {
  if (!autoFloater_ || floaterDragging_) {
    lastError_ = 0;
    return;
  }
  if (!on) FreeFloaterResources();
  enableFloater_ = on;
  lastError_ = 1;
}

px::Bitmap* TPicImage::Floater() {
  if (!autoFloater_) {
    lastError_ = 1;
    return floater_.allocated() ? &floater_ : nullptr;
  }
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = 1;
    return nullptr;
  }
  QRect b = rgn_.isEmpty() ? QRect(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight()) : rgn_.boundingRect();
  int l = b.left(), t = b.top(), w = b.width(), h = b.height();
  int st = CopyRectToNewBitmap(floaterCopy_, bitmap_, l, t, w, h);
  RaiseMethodError(QStringLiteral("Floater"), st);
  return st == 1 ? &floaterCopy_ : nullptr;
}

int TPicImage::SetFloater(const px::Bitmap* bmp) {
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    return -2;
  }
  if (autoFloater_) autoFloater_ = false;
  if (floater_.allocated()) {
    px::InitBitmap(floater_);
    FreeFloaterResources();
    update();
  }
  int status = 1;
  if (bmp && bmp->allocated()) {
    const QRect whole(0, 0, bmp->viewWidth(), bmp->viewHeight());
    const QRect b = rgn_.isEmpty() ? whole : rgn_.boundingRect().intersected(whole);
    int l = b.left(), t = b.top(), w = b.width(), h = b.height();
    status = w > 0 && h > 0 ? CopyRectToNewBitmap(floater_, *bmp, l, t, w, h) : px::kInvalidSize;
    if (status == 1) {
      floaterRgn_ = rgn_.isEmpty() ? QRegion(0, 0, w, h) : rgn_.translated(-l, -t);
      if (autoSetRects_) {
        const int fw = FrameWidth();
        floaterDstRect_ = QRect(0, 0, w, h);
        floaterDstClipRect_ = QRect(0, 0, width() - 2 * fw, height() - 2 * fw);
      }
      if (floaterVisible_) update();
    }
  }
  lastError_ = status;
  return status;
}

int TPicImage::SetFloaterDstRect(int left, int top, int width, int height) {
  floaterDstRect_ = QRect(left, top, width, height);
  if (floaterVisible_) update();
  return 1;
}

int TPicImage::SetFloaterDstClipRect(int left, int top, int width, int height) {
  floaterDstClipRect_ = QRect(left, top, width, height);
  if (floaterVisible_) update();
  return 1;
}

void TPicImage::SetFloaterDstLeft(int value) {
  floaterDstRect_.moveLeft(value);
  if (floaterVisible_) update();
}

void TPicImage::SetFloaterDstTop(int value) {
  floaterDstRect_.moveTop(value);
  if (floaterVisible_) update();
}

int TPicImage::SetFloaterVisible(bool visible) {
  floaterVisible_ = visible;
  if (!floater_.allocated()) return 0;
  update();
  return 1;
}

bool TPicImage::FloaterHitTest(QPoint client) {
  const int fw = FrameWidth();
  const QPoint pt = client - QPoint(fw, fw);
  if (!floaterVisible_ || !floater_.allocated() || !floaterDstRect_.intersected(floaterDstClipRect_).contains(pt))
    return false;
  if (floaterDstRect_.width() <= 0 || floaterDstRect_.height() <= 0) return false;
  const int x = (pt.x() - floaterDstRect_.left()) * floater_.viewWidth() / floaterDstRect_.width();
  const int y = (pt.y() - floaterDstRect_.top()) * floater_.viewHeight() / floaterDstRect_.height();
  return floaterRgn_.contains(QPoint(x, y));
}

void TPicImage::DrawFloaters(QPainter& p) {
  const int fw = FrameWidth();
  const QRect inner = rect().adjusted(fw, fw, -fw, -fw);
  if (!autoFloater_ && floaterVisible_ && floater_.allocated()) {
    const QRect dst = floaterDstRect_.translated(fw, fw);
    const QRect clip = floaterDstClipRect_.translated(fw, fw).intersected(inner);
    p.save();
    QPainterPath shape;
    shape.addRegion(floaterRgn_);
    QTransform t;
    t.translate(dst.left(), dst.top());
    t.scale(double(dst.width()) / std::max(1, floater_.viewWidth()), double(dst.height()) / std::max(1, floater_.viewHeight()));
    p.setClipRect(clip);
    p.setClipPath(t.map(shape), Qt::IntersectClip);
    const QRect whole(0, 0, floater_.viewWidth(), floater_.viewHeight());
    px::PaintBitmap(p, floater_, whole, whole, dst, clip, paintScaling_ != psNormal);
    p.restore();
  }
  if (floaterDragging_ && !floaterImage_.isNull()) {
    p.save();
    p.setClipRect(inner);
    QPainterPath shape;
    shape.addRegion(floaterRgn_.translated(floaterScreenRect_.topLeft()));
    p.setClipPath(shape, Qt::IntersectClip);
    p.drawImage(floaterScreenRect_.topLeft(), floaterImage_);
    p.restore();
  }
}

int TPicImage::FloaterLift(QPoint client) {
  if (!enableFloater_ || !autoFloater_ || rgn_.isEmpty() || !allocated_ || floaterDragging_) return 0;
  const QTransform toDisplay = BitmapToDisplay();
  const QPointF inBitmap = toDisplay.inverted().map(QPointF(client));
  if (!rgn_.contains(QPoint(int(std::floor(inBitmap.x())), int(std::floor(inBitmap.y()))))) return 0;
  if (bitmap_.viewPerspective != 0 && bitmap_.viewPerspective != 1) px::NormalizeViewPerspective(bitmap_);
  cutOutRect_ = rgn_.boundingRect();
  cutOutRgn_ = rgn_.translated(-cutOutRect_.topLeft());
  floaterScreenRect_ = toDisplay.mapRect(QRectF(cutOutRect_)).toAlignedRect();
  QPainterPath shape;
  shape.addRegion(rgn_);
  const QPolygon poly = toDisplay.map(shape).translated(-floaterScreenRect_.topLeft()).toFillPolygon().toPolygon();
  floaterRgn_ = QRegion(poly);
  rgn_ = QRegion();
  int l = cutOutRect_.left(), t = cutOutRect_.top(), w = cutOutRect_.width(), h = cutOutRect_.height();
  int status = CopyRectToNewBitmap(cutOut_, bitmap_, l, t, w, h);
  floaterImage_ = RenderToScreenBitmap(cutOut_, 0, 0, floaterScreenRect_.width(), floaterScreenRect_.height(),
                                       floaterScreenRect_.width(), floaterScreenRect_.height());
  if (background_.allocated()) {
    // Taking up an earlier drop puts back what it covered.
    px::CombineBitmap(bitmap_, cutOutRect_.left(), cutOutRect_.top(), cutOutRect_.width(), cutOutRect_.height(),
                      background_, 0, 0, 800);
  } else if (status == 1) {
    status = px::CopyBitmap(cutOut_, background_);
  }
  lastError_ = status;
  if (status != 1 || floaterImage_.isNull() || !cutOut_.allocated() || !background_.allocated()) {
    FreeFloaterResources();
    throw EPicImageError(QStringLiteral("%1 \nError Allocating Floater Bitmaps.").arg(objectName()));
  }
  floaterDragOffset_ = QPoint(0, 0);
  lastMousePoint_ = client;
  floaterDragging_ = true;
  update();
  return status;
}

void TPicImage::FloaterDragTo(QPoint client) {
  if (!floaterDragging_) return;
  const QPoint d = client - lastMousePoint_;
  floaterDragOffset_ += d;
  floaterScreenRect_.translate(d);
  lastMousePoint_ = client;
  update();
}

int TPicImage::FloaterDrop() {
  if (!floaterDragging_) return 0;
  floaterDragging_ = false;
  const int dx = dstWidth_ ? FloorDiv(int64_t(floaterDragOffset_.x()) * srcWidth_, dstWidth_) : floaterDragOffset_.x();
  const int dy = dstHeight_ ? FloorDiv(int64_t(floaterDragOffset_.y()) * srcHeight_, dstHeight_) : floaterDragOffset_.y();
  cutOutRect_.translate(dx, dy);
  int l = cutOutRect_.left(), t = cutOutRect_.top(), w = cutOutRect_.width(), h = cutOutRect_.height();
  if (CopyRectToNewBitmap(background_, bitmap_, l, t, w, h) != 1) px::InitBitmap(background_);
  rgn_ = cutOutRgn_.translated(cutOutRect_.topLeft());
  px::CombineBitmap(bitmap_, cutOutRect_.left(), cutOutRect_.top(), cutOutRect_.width(), cutOutRect_.height(), cutOut_,
                    0, 0, 800);
  floaterImage_ = QImage();
  update();
  lastError_ = UpdateRgnBounds();
  if (list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  if (OnRgnChange) OnRgnChange(this);
  return lastError_;
}

int TPicImage::CopyFloaterBackground() {
  px::InitBitmap(background_);
  int status = 1;
  if (!allocated_ || !bitmap_.allocated()) {
    status = px::kInvalidBitmap;
  } else {
    const QRect b = rgn_.boundingRect();
    int l = b.left(), t = b.top(), w = b.width(), h = b.height();
    status = b.isEmpty() ? px::kInvalidParam : CopyRectToNewBitmap(background_, bitmap_, l, t, w, h);
  }
  lastError_ = status;
  if (status != 1 && enableMethodErrors_)
    throw EPicImageError(QStringLiteral("%1 \nError code: %2\nError Allocating Floater Bitmaps: %3 ")
                             .arg(objectName(), QString::number(status), ErrorCodeText(status)));
  return status;
}

int TPicImage::BlitFloater() {
  if (floaterImage_.isNull() && !(floaterVisible_ && floater_.allocated())) return 0;
  update();
  return 1;
}

bool TPicImage::PaletteChanged(bool foreground) {
  if (foreground) return true;
  update();
  return RealizeImagePalette(true);
}

bool TPicImage::RealizeImagePalette(bool) { return false; }

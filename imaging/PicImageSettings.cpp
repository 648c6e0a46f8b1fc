// TPicImage: validated display, effect and drawing settings, code tables, polygon points, the
// drawing canvas, and the bitmap hand-over with the animation switch.
#include <QPainter>
#include <QTimer>

#include "PicImageVCL.h"
#include "PxPaint.h"

namespace {

QString InvalidProperty(const QString& name, const char* prop, bool fullStop) {
  return QStringLiteral("%1 \n%2: Invalid Property value%3").arg(name, QLatin1String(prop), fullStop ? "." : "");
}

}  // namespace

// ---- Validated settings -------------------------------------------------------------------
void TPicImage::SetEffectGrain(unsigned v) {
  if (v < 1 || v > 256) throw EPicImageError(InvalidProperty(objectName(), "EffectGrain", true));
  effectGrain_ = v;
  lastError_ = 1;
}

void TPicImage::SetGradientSteps(unsigned v) {
  if (v < 2 || v > 265) throw EPicImageError(InvalidProperty(objectName(), "GradientSteps", true));
  gradientSteps_ = v;
  lastError_ = 1;
}

void TPicImage::SetPaintMaxPasses(unsigned v) {
  if (v < 1 || v > 64) throw EPicImageError(InvalidProperty(objectName(), "PaintMaxPasses", true));
  paintMaxPasses_ = v;
  changed();
}

void TPicImage::SetPaintEffect(int v) {
  if (!IsValidEffectCode(v)) throw EPicImageError(InvalidProperty(objectName(), "PaintEffect", false));
  paintEffect_ = v;
  changed();
}

void TPicImage::SetTransitionEffect(int v) {
  if (!IsValidEffectCode(v)) throw EPicImageError(InvalidProperty(objectName(), "TransitionEffect", false));
  transitionEffect_ = v;
  changed();
}

void TPicImage::SetGradientStyle(unsigned v) {
  if (v > 0x7FFFFFFFu || !IsValidGradientStyle(int(v)))
    throw EPicImageError(InvalidProperty(objectName(), "GradientStyle", false));
  gradientStyle_ = v;
  lastError_ = 1;
}

void TPicImage::SetTransparent(bool on) {
  if (on != transparent_) {
    if (on) SetAutoScroll(false);
    transparent_ = on;
    lastFrame_ = QImage();
  }
  changed();
}

void TPicImage::SetDropFilesAllowed(bool v) {
  if (v != dropFilesAllowed_) setAcceptDrops(v);
  dropFilesAllowed_ = v;
  lastError_ = 1;
}

// ---- Code tables ----------------------------------------------------------------------------
int TPicImage::PatternStyleCode(int style) { return style >= 0 && style <= 7 ? style : 0; }
int TPicImage::ShapeStyleCode(TShapeBackgroundStyle v) { return v >= 0 && v <= 4 ? int(v) : -1; }
int TPicImage::ShapeStyleCode(TShapeBorderStyle v) { return v >= 0 && v <= 5 ? int(v) : -1; }
int TPicImage::ShapeStyleCode(TShapeInnerBandStyle v) { return v >= 0 && v <= 2 ? int(v) : -1; }
int TPicImage::ShapeStyleCode(TShapeOuterBandStyle v) { return v >= 0 && v <= 2 ? int(v) : -1; }

int TPicImage::TextAlignFlags(TTextAlign v) {
  static const int kFlags[9] = {0, 256, 512, 16, 272, 528, 32, 288, 544};
  return v >= 0 && v <= 8 ? kFlags[v] : 0;
}

int TPicImage::TextStyleCode(TTextStyle v) {
  // etsNormal, etsInsetLight, etsInsetExtraLight, etsInsetHeavy, etsInsetExtraHeavy,
  // etsRaisedLight, etsRaisedHeavy, etsDropShadow, etsBlockShadow, etsOutLineBlock,
  // etsRaisedExtraHeavy, etsRaisedExtraLight
  static const int kCodes[12] = {0, 1, 8, 2, 9, 3, 4, 5, 6, 7, 11, 10};
  return v >= 0 && v <= 11 ? kCodes[v] : 0;
}

// ---- Polygon points -------------------------------------------------------------------------
void TPicImage::SetPolygonSize(int count) {
  polygon_.resize(size_t(std::max(count, 0)));
  lastError_ = 1;
}

void TPicImage::SetPolygonPoint(int index, QPoint point) {
  if (index < 0 || index >= int(polygon_.size())) {
    lastError_ = 0;
    throw ERangeError(QStringLiteral("%1 \nPolygonPoint[]: Index out of range.").arg(objectName()));
  }
  polygon_[size_t(index)] = point;
  lastError_ = 1;
}

// ---- Drawing canvas -------------------------------------------------------------------------
int TPicImage::MakeBoundsRect(QRect& rect, int left, int top, int width, int height) {
  rect = QRect(left, top, width, height);
  return 1;
}

QPainter* TPicImage::BeginDrawCanvas(bool forText) {
  QPainter* p = nullptr;
  if (DrawPersistence()) {
    if (!allocated_ || !bitmap_.allocated() || (state_ & 8) || busy_) return nullptr;
    p = GetBitmapDC();
    if (!p) return nullptr;
    drawCanvasOnBitmap_ = true;
    // Control coordinates are mapped onto bitmap pixels.
    const int fw = FrameWidth();
    QTransform t;
    t.translate(srcLeft_, srcTop_);
    if (dstWidth_ != 0 && dstHeight_ != 0) t.scale(double(srcWidth_) / dstWidth_, double(srcHeight_) / dstHeight_);
    t.translate(-(dstLeft_ + fw), -(dstTop_ + fw));
    p->setTransform(t);
  } else {
    if (windowLayer_.size() != size()) {
      windowLayer_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
      windowLayer_.fill(Qt::transparent);
    }
    drawCanvas_ = std::make_unique<QPainter>(&windowLayer_);
    p = drawCanvas_.get();
    drawCanvasOnBitmap_ = false;
    const int fw = FrameWidth();
    p->setClipRect(rect().adjusted(fw, fw, -fw, -fw));
  }
  if (forText) {
    p->setFont(textFont_);
    p->setPen(ColorToQColor(textColor_, &palette()));
  } else {
    static const Qt::PenStyle kPen[7] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                         Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
    p->setPen(QPen(ColorToQColor(DrawPenColor(), &palette()), DrawPenWidth(), kPen[std::clamp(int(DrawPenStyle()), 0, 6)]));
    if (DrawFillStyle() == bsClear) p->setBrush(Qt::NoBrush);
    else p->setBrush(ColorToQColor(DrawFillColor(), &palette()));
  }
  return p;
}

void TPicImage::EndDrawCanvas(QPainter* canvas) {
  if (!canvas) return;
  if (drawCanvasOnBitmap_) {
    drawCanvasOnBitmap_ = false;
    ReleaseBitmapDC();
  } else if (drawCanvas_.get() == canvas) {
    drawCanvas_->end();
    drawCanvas_.reset();
  }
  update();
}

// ---- Bitmap hand-over -----------------------------------------------------------------------
px::Bitmap* TPicImage::GetBitmap() {
  lastError_ = 1;
  if (!allocated_ || !bitmap_.allocated() || (state_ & 8)) return nullptr;
  return &bitmap_;
}

int TPicImage::SetBitmap(const px::Bitmap* bmp) {
  CheckProcessingAllowed();
  // A caller's const record is shared, not emptied, when RefBitmap is on.
  px::Bitmap copy;
  if (bmp) copy = *bmp;
  int status = StoreBitmapInList(bmp ? &copy : nullptr);
  return RaiseMethodError(QStringLiteral("Bitmap"), status);
}

int TPicImage::SetBitmap(px::Bitmap* bmp) {
  CheckProcessingAllowed();
  return RaiseMethodError(QStringLiteral("Bitmap"), StoreBitmapInList(bmp));
}

int TPicImage::StoreBitmapInList(px::Bitmap* bmp) {
  // A new bitmap closes the pan window.
  if (panWin_) ShowPanWin(false);
  if (allocated_ && !rgn_.isEmpty() && enableFloater_) FreeFloaterResources();
  bool newList = false, append = false;
  if (!list_) {
    list_ = std::make_unique<px::BitmapList>();
    listIndex_ = 0;
    newList = true;
  }
  int status = 1;
  if (list_->count() > 0) {
    status = list_->remove(std::clamp(listIndex_, 0, list_->count() - 1));
    if (list_->count() > 0) {
      if (listIndex_ >= list_->count()) {
        listIndex_ = list_->count() - 1;
        append = true;
      }
    } else {
      listIndex_ = 0;
      newList = true;
    }
  }
  if (!transparent_ && backErase_) update();
  if (status == 1) {
    if (!bmp || !bmp->allocated() || bmp->width == 0 || bmp->height == 0) {
      if (list_->count() == 0) {
        list_.reset();
        listIndex_ = 0;
        px::InitBitmap(bitmap_);
        allocated_ = false;
      } else if (list_->get(listIndex_, bitmap_) != 1) {
        px::InitBitmap(bitmap_);
        allocated_ = false;
      } else {
        allocated_ = bitmap_.allocated();
      }
    } else {
      px::Bitmap rec;
      status = refBitmap_ ? 1 : px::CopyBitmap(*bmp, rec);
      if (refBitmap_) rec = *bmp;
      if (status == 1) {
        if (append) {
          status = list_->append(rec);
          listIndex_ = list_->count() - 1;
        } else {
          status = list_->insert(std::clamp(listIndex_, 0, list_->count()), rec);
        }
      }
      if (status == 1) {
        bitmap_ = rec;
        allocated_ = true;
        // Only the component owns the pixels now.
        if (refBitmap_) *bmp = px::Bitmap();
      } else {
        px::InitBitmap(bitmap_);
        allocated_ = false;
      }
    }
  }
  ImageChanged();
  MarkFieldModified();
  if (newList && list_) ReadListInfo();
  return status;
}

int TPicImage::ReadListInfo() {
  if (!list_ || list_->count() == 0) return px::kInvalidBitmap;
  const px::Bitmap& item = list_->items.front();
  listInfoWidth_ = item.viewWidth();
  listInfoHeight_ = item.viewHeight();
  listInfoBits_ = item.bits;
  listInfoTransparent_ = item.transparentIndex >= 0 && size_t(item.transparentIndex) < item.palette.size()
                             ? item.palette[size_t(item.transparentIndex)]
                             : 0;
  // The whole palette: all 2^bits entries.
  listInfoPalette_.clear();
  if (item.bits <= 8) {
    listInfoPalette_ = item.palette;
    listInfoPalette_.resize(size_t(1) << item.bits, 0);
  }
  return 1;
}

void TPicImage::AnimationEnable(bool enable) {
  if (!list_ && !allocated_) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nAnimationEnable: No bitmap list.").arg(objectName()));
  }
  if ((state_ & 8) || busy_) ForceMethodError(QStringLiteral("Processing not allowed"), 0);
  if (enable == animationOn_) {
    lastError_ = 1;
    return;
  }
  if (!animationTimer_) {
    animationTimer_ = new QTimer(this);
    connect(animationTimer_, &QTimer::timeout, this, [this] { AnimationTimer(); });
  }
  animationTimer_->setInterval(1);
  int status = 1;
  animationOn_ = enable;
  if (enable) {
    rgn_ = QRegion();
    UpdateRgnBounds();
    if (!list_) {
      list_ = std::make_unique<px::BitmapList>();
      list_->append(bitmap_);
      listIndex_ = 0;
    }
    status = list_->set(std::clamp(listIndex_, 0, list_->count() - 1), bitmap_);
    if (status == 1) status = StartPlayback();
    if (status == 1) {
      playbackActive_ = true;
      animationPlaying_ = true;
      animationTimer_->start();
      repaint();
    }
  } else {
    animationTimer_->stop();
    playbackActive_ = false;
    animationPlaying_ = false;
    if (list_ && list_->count() > 0) listIndex_ = std::clamp(listIndex_, 0, list_->count() - 1);
    StopPlayback();
  }
  if (OnAnimate) OnAnimate(this, enable);
  if (status != 1) {
    animationTimer_->stop();
    animationTimer_->setInterval(0);
    animationOn_ = false;
    playbackActive_ = false;
    animationPlaying_ = false;
  }
  RaiseMethodError(QStringLiteral("AnimationEnable"), status);
}

// TPicImage: scroll messages, keys, wheel, dropped files, and the mouse (region tools, rubber
// band, AutoFloater drag).
#include <QCursor>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QUrl>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "PicImagePan.h"
#include "PicImageVCL.h"

namespace {

// Shows the shape being drawn with a region tool above the picture.
class RubberOverlay : public QWidget {
 public:
  explicit RubberOverlay(TPicImage* owner) : QWidget(owner), owner_(owner) {
    setObjectName(QStringLiteral("RubberShape"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    if (!owner_->RgnDrawing()) return;
    QPainter p(this);
    p.translate(-pos());
    p.setBrush(Qt::NoBrush);
    for (int pass = 0; pass < 2; ++pass) {
      // A light and a dark line, so the shape shows on every picture.
      p.setPen(pass == 0 ? QPen(Qt::white, 1) : QPen(Qt::black, 1, Qt::DotLine));
      const QRect r = QRect(owner_->RgnAnchor(), owner_->RgnEnd()).normalized();
      switch (owner_->RgnMouseMode()) {
        case 1: p.drawRect(r); break;
        case 2: p.drawRoundedRect(r, 25, 25); break;
        case 3: p.drawEllipse(r); break;
        case 4: {
          QPolygon poly;
          for (int i = 0; i < owner_->MousePolygonCount(); ++i) poly << owner_->PolygonPoint(i);
          p.drawPolyline(poly);
          break;
        }
        default: break;
      }
    }
  }

 private:
  TPicImage* owner_;
};

int VirtualKey(int qtKey) {
  switch (qtKey) {
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Delete: return 46;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    default: return qtKey;
  }
}

TPicImage::TShiftState ModifierShift(Qt::KeyboardModifiers m) {
  TPicImage::TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= TPicImage::ssShift;
  if (m & Qt::ControlModifier) s |= TPicImage::ssCtrl;
  if (m & Qt::AltModifier) s |= TPicImage::ssAlt;
  return s;
}

}  // namespace

// ---- Scroll, keys, wheel ----------------------------------------------------------------------
void TPicImage::ScrollMessage(bool vertical, int code, int thumbPos) {
  if (!EnableScroll() || scrollInProgress_) return;
  inScrollMessage_ = true;
  const int pos = vertical ? vScrollPos_ : hScrollPos_;
  const int max = vertical ? vScrollMax_ : hScrollMax_;
  const int line = vertical ? vScrollStep_ : hScrollStep_;
  // The page of the bar: as set with the range, else a tenth of the picture.
  int page = vertical ? vScrollPage_ : hScrollPage_;
  if (page == -1 && allocated_) page = int(std::nearbyint((vertical ? bitmapHeight_ : bitmapWidth_) / 10.0));
  if (page <= 0) page = 1;
  int delta = 0;
  switch (code) {
    case 0: delta = -line; break;
    case 1: delta = line; break;
    case 2: delta = -page; break;
    case 3: delta = page; break;
    case 4:
    case 5: delta = thumbPos - pos; break;
    case 6: delta = -pos; break;
    case 7: delta = max - pos; break;
    default: break;
  }
  delta = std::min(delta, max - pos);
  delta = std::max(delta, -pos);
  if (delta != 0 && autoScroll_ && OnBeforeScroll) OnBeforeScroll(this);
  if (autoScroll_) {
    if (vertical)
      ScrollImageBy(0, delta);
    else
      ScrollImageBy(delta, 0);
  }
  UpdatePanAndMag();
  inScrollMessage_ = false;
  if (autoScroll_ && OnScroll) OnScroll(this);
}

// ---- Scroll bars ------------------------------------------------------------------------------
void TPicImage::SyncScrollBars() {
  if (state_ & 3) return;
  const bool scrolling = autoScroll_ && EnableScroll() && allocated_ && !autoSize_;
  const bool showH = scrolling && hScrollMax_ > 0, showV = scrolling && vScrollMax_ > 0;
  if (!showH && !showV && !hScrollBar_ && !vScrollBar_) return;
  auto make = [this](QScrollBar*& bar, bool vertical) {
    if (bar) return;
    bar = new QScrollBar(vertical ? Qt::Vertical : Qt::Horizontal, this);
    bar->setObjectName(vertical ? QStringLiteral("VScrollBar") : QStringLiteral("HScrollBar"));
    bar->setFocusPolicy(Qt::NoFocus);
    connect(bar, &QAbstractSlider::actionTriggered, this, [this, vertical](int action) { ScrollBarAction(vertical, action); });
  };
  make(hScrollBar_, false);
  make(vScrollBar_, true);
  const int fw = FrameWidth();
  const QRect inner = rect().adjusted(fw, fw, -fw, -fw);
  const int ext = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  auto place = [&](QScrollBar* bar, bool vertical, bool show) {
    if (!show) {
      bar->hide();
      return;
    }
    const QSignalBlocker block(bar);
    if (vertical)
      bar->setGeometry(inner.right() - ext + 1, inner.top(), ext, inner.height() - (showH ? ext : 0));
    else
      bar->setGeometry(inner.left(), inner.bottom() - ext + 1, inner.width() - (showV ? ext : 0), ext);
    int page = vertical ? vScrollPage_ : hScrollPage_;
    if (page == -1) page = int(std::nearbyint((vertical ? bitmapHeight_ : bitmapWidth_) / 10.0));
    bar->setRange(0, vertical ? vScrollMax_ : hScrollMax_);
    bar->setPageStep(std::max(1, page));
    bar->setSingleStep(vertical ? vScrollStep_ : hScrollStep_);
    bar->setValue(vertical ? vScrollPos_ : hScrollPos_);
    bar->show();
    bar->raise();
  };
  place(hScrollBar_, false, showH);
  place(vScrollBar_, true, showV);
}

void TPicImage::ScrollBarAction(bool vertical, int action) {
  QScrollBar* bar = vertical ? vScrollBar_ : hScrollBar_;
  if (!bar) return;
  int code = -1;
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = 0; break;
    case QAbstractSlider::SliderSingleStepAdd: code = 1; break;
    case QAbstractSlider::SliderPageStepSub: code = 2; break;
    case QAbstractSlider::SliderPageStepAdd: code = 3; break;
    case QAbstractSlider::SliderMove: code = 5; break;
    case QAbstractSlider::SliderToMinimum: code = 6; break;
    case QAbstractSlider::SliderToMaximum: code = 7; break;
    default: break;
  }
  if (code >= 0) ScrollMessage(vertical, code, bar->sliderPosition());
  // The bar shows where the picture really is.
  bar->setSliderPosition(vertical ? vScrollPos_ : hScrollPos_);
}

void TPicImage::KeyDownMessage(int key, TShiftState shift) {
  if (EnableKeyboard()) {
    switch (key) {
      case 33: ScrollMessage(true, 2); break;
      case 34: ScrollMessage(true, 3); break;
      case 38: ScrollMessage(true, 0); break;
      case 40: ScrollMessage(true, 1); break;
      case 37: ScrollMessage(false, 0); break;
      case 39: ScrollMessage(false, 1); break;
      default: break;
    }
  }
  if (hasFocus() && OnKeyDown) OnKeyDown(this, key, shift);
}

void TPicImage::MouseWheelMessage(int keyFlags, int delta) {
  if (keyFlags & (1 | 16 | 2)) return;
  // The message's word: key flags low, wheel delta high.
  const int16_t d = int16_t(std::clamp(delta, -32768, 32767));
  const int32_t wParam = int32_t((uint32_t(uint16_t(d)) << 16) | uint32_t(keyFlags & 0xFFFF));
  if (keyFlags & 4)
    ScrollMessage(false, wParam >= 120 ? 3 : 2);
  else
    ScrollMessage(true, wParam >= 120 ? 2 : 3);
}

void TPicImage::keyPressEvent(QKeyEvent* event) {
  KeyDownMessage(VirtualKey(event->key()), ModifierShift(event->modifiers()));
  event->accept();
}

void TPicImage::wheelEvent(QWheelEvent* event) {
  int flags = 0;
  const Qt::MouseButtons b = event->buttons();
  if (b & Qt::LeftButton) flags |= 1;
  if (b & Qt::RightButton) flags |= 2;
  if (b & Qt::MiddleButton) flags |= 16;
  if (event->modifiers() & Qt::ShiftModifier) flags |= 4;
  const QPoint a = event->angleDelta();
  const int delta = a.y() != 0 ? a.y() : a.x();
  if (delta != 0) MouseWheelMessage(flags, delta);
  event->accept();
}

bool TPicImage::event(QEvent* event) {
  // The arrow and page keys belong to the control while EnableKeyboard is on.
  if (event->type() == QEvent::ShortcutOverride && WantsArrowKeys()) {
    const int vk = VirtualKey(static_cast<QKeyEvent*>(event)->key());
    if (vk >= 33 && vk <= 40) {
      event->accept();
      return true;
    }
  }
  return QWidget::event(event);
}

void TPicImage::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange && isMinimized() && panWin_ && panWinShown_) panWin_->hide();
}

// ---- Timers and the deferred change ---------------------------------------------------------
void TPicImage::TimerMessage(int id) {
  if (id == 2) {
    const QPoint c = QCursor::pos();
    CaptureScreenAround(uint32_t(uint16_t(c.x())) | (uint32_t(uint16_t(c.y())) << 16), true);
  } else if (id == 100) {
    RgnOutlineTick();
  }
}

void TPicImage::DeferredImageChange() {
  if (animationPlaying_) {
    lastError_ = -16;
    return;
  }
  if ((state_ & 8) || busy_) {
    lastError_ = 0;
    return;
  }
  if (allocated_ && list_ && listIndex_ >= 0 && listIndex_ < list_->count()) list_->set(listIndex_, bitmap_);
  ImageChanged();
  if (autoFloater_) {
    if (enableFloater_) FreeFloaterResources();
    // Without a picture there is no region to free.
    if (allocated_) FreeRgn();
  } else if (floater_.allocated()) {
    update();
  }
  ImageChanged();
  MarkBlobModified();
}

// ---- Dropped files --------------------------------------------------------------------------
void TPicImage::DropFiles(const QStringList& files) {
  if (files.isEmpty() || files.front().isEmpty()) return;
  const QString name = files.front();
  if (OnDropFile) OnDropFile(this, name);
  if (!DropAutoLoad()) return;
  // A drop is no place for an exception: the status stays in LastError.
  SuspendMethodErrors();
  try {
    lastError_ = Load(name, 0, 1, -1);
  } catch (const EPicException&) {
  }
  ResumeMethodErrors();
}

void TPicImage::dragEnterEvent(QDragEnterEvent* event) {
  if (DropFilesAllowed() && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TPicImage::dropEvent(QDropEvent* event) {
  if (!DropFilesAllowed()) return;
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  event->acceptProposedAction();
  DropFiles(files);
}

// ---- Mouse ----------------------------------------------------------------------------------
void TPicImage::mouseEventShift(QMouseEvent* e, TShiftState& shift, TMouseButton& button) const {
  shift = ModifierShift(e->modifiers());
  const Qt::MouseButtons b = e->buttons();
  if (b & Qt::LeftButton) shift |= ssLeft;
  if (b & Qt::RightButton) shift |= ssRight;
  if (b & Qt::MiddleButton) shift |= ssMiddle;
  button = e->button() == Qt::RightButton ? mbRight : e->button() == Qt::MiddleButton ? mbMiddle : mbLeft;
}

void TPicImage::mousePressEvent(QMouseEvent* e) {
  TShiftState shift;
  TMouseButton button;
  mouseEventShift(e, shift, button);
  const QPoint p = e->position().toPoint();
  MouseDown(button, shift, p.x(), p.y());
}

void TPicImage::mouseMoveEvent(QMouseEvent* e) {
  TShiftState shift;
  TMouseButton button;
  mouseEventShift(e, shift, button);
  const QPoint p = e->position().toPoint();
  MouseMove(shift, p.x(), p.y());
}

void TPicImage::mouseReleaseEvent(QMouseEvent* e) {
  TShiftState shift;
  TMouseButton button;
  mouseEventShift(e, shift, button);
  const QPoint p = e->position().toPoint();
  MouseUp(button, shift, p.x(), p.y());
  if (e->buttons() == Qt::NoButton) mouseCaptured_ = false;
}

QRect TPicImage::MouseLimitRect() const {
  const int fw = FrameWidth();
  return rect().adjusted(fw, fw, -fw, -fw).intersected(DisplayedPictureRect());
}

void TPicImage::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
  const QPoint pt(x, y);
  if ((shift & ssRight) || FloaterHitTest(pt) || (state_ & 8) || busy_ || animationPlaying_ || magGlassRunning_)
    return;
  limitRect_ = MouseLimitRect();
  rgnDrawing_ = false;
  setFocus();
  mouseCaptured_ = true;
  if (!limitRect_.contains(pt) || !allocated_ || !bitmap_.allocated()) return;
  if (enableFloater_ && autoFloater_ && !rgn_.isEmpty() && FloaterLift(pt) == 1) return;
  if (rgnMouseMode_ != 0) {
    // A new drawing replaces the region.
    if (autoFloater_) FreeFloaterResources();
    if (rgnFrameType_ != 0) update();
    if (!rgn_.isEmpty()) {
      SuspendMethodErrors();
      try {
        FreeRgn();
      } catch (const EPicException&) {
      }
      ResumeMethodErrors();
    }
  }
  if (rgnMouseMode_ == 0 && !rubberBandEnabled_) return;
  rgnDrawing_ = true;
  rgnCombineMode_ = 1;
  if (rgnMouseMode_ == 4) {
    polygon_.assign(50, QPoint());
    polygon_[0] = pt;
    polygonUsed_ = 1;
  }
  if (rubberBandEnabled_ && rgnMouseMode_ == 0) {
    if (rubberBandActive_) EndRubberBand();
    rubberBandActive_ = false;
    rubberBandRect_ = QRect();
    StartRubberBand(x, y);
  }
  rgnAnchor_ = rgnEnd_ = pt;
  if (rgnMouseMode_ != 0) {
    if (!rubberOverlay_) rubberOverlay_ = new RubberOverlay(this);
    rubberOverlay_->setGeometry(rect());
    rubberOverlay_->show();
    rubberOverlay_->raise();
  }
}

void TPicImage::UpdateRubberShape(QPoint to) {
  rgnEnd_ = to;
  if (rgnMouseMode_ == 4) {
    if (polygonUsed_ < 0 || polygonUsed_ >= int(polygon_.size())) {
      lastError_ = 0;
      throw ERangeError(QStringLiteral("%1 \nPolygonPoint[]: Index out of range.").arg(objectName()));
    }
    polygon_[size_t(polygonUsed_)] = to;
    ++polygonUsed_;
    // The array grows in steps of 50 points.
    if (polygonUsed_ == int(polygon_.size())) polygon_.resize(polygon_.size() + 50);
  }
  if (rubberOverlay_) {
    rubberOverlay_->setGeometry(rect());
    rubberOverlay_->update();
  }
}

void TPicImage::MouseMove(TShiftState shift, int x, int y) {
  if (magGlassRunning_ && magGlass_) {
    magGlass_->Follow(QPoint(x, y));
    if ((magGlassFlags_ & 2) && OnMagGlassCursor) OnMagGlassCursor(this);
  }
  if ((shift & ssRight) || (state_ & 8) || busy_ || animationPlaying_ || magGlassRunning_ || !mouseCaptured_) {
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
    return;
  }
  if (enableFloater_ && floaterDragging_) {
    FloaterDragTo(QPoint(x, y));
    if (OnMouseMove) OnMouseMove(this, shift, x, y);
    return;
  }
  if (rgnDrawing_) {
    // The shape stays on the picture: the end point is held inside it (right and bottom edges
    // included, as the rectangle's far side).
    x = std::clamp(x, limitRect_.left(), limitRect_.left() + limitRect_.width());
    y = std::clamp(y, limitRect_.top(), limitRect_.top() + limitRect_.height());
    if (rgnMouseMode_ != 0)
      UpdateRubberShape(QPoint(x, y));
    else if (rubberBandEnabled_)
      MoveRubberBand(x, y);
  }
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TPicImage::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if ((shift & ssRight) || (state_ & 8) || busy_ || animationPlaying_) {
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
    return;
  }
  if (floaterDragging_) {
    FloaterDrop();
  } else if (rgnDrawing_) {
    if (rgnMouseMode_ != 0) {
      if (rubberOverlay_) rubberOverlay_->hide();
      const int fw = FrameWidth();
      // The rectangle from anchor to end (the end is its far edge), without the frame.
      const QRect r = QRect(QPoint(std::min(rgnAnchor_.x(), rgnEnd_.x()), std::min(rgnAnchor_.y(), rgnEnd_.y())),
                            QSize(std::abs(rgnEnd_.x() - rgnAnchor_.x()), std::abs(rgnEnd_.y() - rgnAnchor_.y())))
                          .translated(-fw, -fw);
      // Client to bitmap: the source / destination scale, offsets minus the destination origin.
      const QTransform toBitmap = QTransform::fromTranslate(-dstLeft_, -dstTop_) *
                                  QTransform::fromScale(dstWidth_ ? double(srcWidth_) / dstWidth_ : 1.0,
                                                        dstHeight_ ? double(srcHeight_) / dstHeight_ : 1.0);
      SuspendMethodErrors();
      try {
        if (rgnMouseMode_ == 1) {
          SetRgnRect(r.left(), r.top(), r.width(), r.height(), rgnCombineMode_);
        } else {
          QPolygonF shape;
          if (rgnMouseMode_ == 4) {
            QPolygon poly;
            for (int i = 0; i < polygonUsed_; ++i) poly << polygon_[size_t(i)] - QPoint(fw, fw);
            shape = QPolygonF(poly);
          } else {
            QPainterPath path;
            if (rgnMouseMode_ == 2)
              path.addRoundedRect(QRectF(r), 25, 25);
            else
              path.addEllipse(QRectF(r));
            shape = path.toFillPolygon();
          }
          QRegion region(toBitmap.map(shape).toPolygon(), Qt::OddEvenFill);
          if (region.isEmpty())
            lastError_ = px::kInvalidParam;
          else
            SetRgnHandle(&region, 0, 0, rgnCombineMode_);
        }
      } catch (const EPicException&) {
      }
      ResumeMethodErrors();
      if (rgnMouseMode_ == 4) {
        polygon_.clear();
        polygonUsed_ = 0;
      }
    } else if (rubberBandEnabled_) {
      rubberBandRect_ = rubberBandRect_.normalized();
      rubberBandScrollPos_ = QPoint(hScrollPos_, vScrollPos_);
      if (!rubberBandActive_) DrawRubberBand();
      if (OnRubberBand) OnRubberBand(this);
    }
    rgnDrawing_ = false;
  }
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

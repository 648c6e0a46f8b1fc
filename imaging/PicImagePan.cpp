// TPicImage: pan window and magnifying glass.
#include "PicImagePan.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "PxPaint.h"

namespace {

// The class library's cursor numbers (crArrow -2, crCross -3, ...) as Qt cursors; 0 keeps the
// default cursor.
bool CursorFor(int pointer, Qt::CursorShape& shape) {
  static const Qt::CursorShape shapes[] = {
      Qt::BlankCursor,     Qt::ArrowCursor,   Qt::CrossCursor,    Qt::IBeamCursor,   Qt::SizeAllCursor,
      Qt::SizeBDiagCursor, Qt::SizeVerCursor, Qt::SizeFDiagCursor, Qt::SizeHorCursor, Qt::UpArrowCursor,
      Qt::WaitCursor,      Qt::DragMoveCursor, Qt::ForbiddenCursor, Qt::SplitHCursor, Qt::SplitVCursor,
      Qt::DragCopyCursor,  Qt::WaitCursor,    Qt::ForbiddenCursor, Qt::BusyCursor,    Qt::WhatsThisCursor,
      Qt::PointingHandCursor, Qt::SizeAllCursor};
  if (pointer >= 0 || -pointer > int(std::size(shapes))) return false;
  shape = shapes[-pointer - 1];
  return true;
}

}  // namespace

// ---- Pan window -----------------------------------------------------------------------------
TPicPanWindow::TPicPanWindow(TPicImage* owner) : QWidget(owner, Qt::Tool), owner_(owner) {
  setObjectName(QStringLiteral("PX_PANWINDOW_32"));
  setAttribute(Qt::WA_DeleteOnClose, false);
}

int TPicPanWindow::Update(const px::Bitmap& bmp, uint32_t, TColor rectColor, const QString& title,
                          const QRect& visible) {
  if (!bmp.allocated()) return px::kInvalidBitmap;
  const QSize size(bmp.viewWidth(), bmp.viewHeight());
  if (size != bitmapSize_ || picture_.isNull() || picture_.size() != PictureRect().size()) {
    bitmapSize_ = size;
    const QRect pr = PictureRect();
    picture_ = QImage(std::max(1, pr.width()), std::max(1, pr.height()), QImage::Format_RGB32);
    picture_.fill(Qt::white);
    QPainter p(&picture_);
    const QRect whole(0, 0, size.width(), size.height());
    px::PaintBitmap(p, bmp, whole, whole, picture_.rect(), picture_.rect(), true);
  }
  rectColor_ = rectColor;
  visible_ = visible;
  setWindowTitle(title);
  update();
  return 1;
}

QRect TPicPanWindow::PictureRect() const {
  if (bitmapSize_.isEmpty()) return QRect();
  const QSize fitted = bitmapSize_.scaled(size(), Qt::KeepAspectRatio);
  return QRect(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
}

QRect TPicPanWindow::FrameRect() const {
  const QRect pr = PictureRect();
  if (pr.isEmpty() || bitmapSize_.isEmpty()) return QRect();
  const double sx = double(pr.width()) / bitmapSize_.width(), sy = double(pr.height()) / bitmapSize_.height();
  const QRect v = dragging_ ? dragRect_ : visible_;
  return QRect(pr.left() + int(std::lround(v.left() * sx)), pr.top() + int(std::lround(v.top() * sy)),
               std::max(1, int(std::lround(v.width() * sx))), std::max(1, int(std::lround(v.height() * sy))));
}

void TPicPanWindow::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QRect pr = PictureRect();
  if (!picture_.isNull()) p.drawImage(pr, picture_);
  p.setPen(QPen(ColorToQColor(rectColor_), 1));
  p.setBrush(Qt::NoBrush);
  p.drawRect(FrameRect().adjusted(0, 0, -1, -1));
}

void TPicPanWindow::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !FrameRect().contains(e->position().toPoint())) return;
  dragging_ = true;
  dragStart_ = e->position().toPoint();
  dragRect_ = visible_;
}

void TPicPanWindow::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const QRect pr = PictureRect();
  if (pr.isEmpty()) return;
  const QPoint d = e->position().toPoint() - dragStart_;
  const int dx = int(std::lround(d.x() * double(bitmapSize_.width()) / pr.width()));
  const int dy = int(std::lround(d.y() * double(bitmapSize_.height()) / pr.height()));
  QRect r = visible_.translated(dx, dy);
  r.moveLeft(std::clamp(r.left(), 0, std::max(0, bitmapSize_.width() - r.width())));
  r.moveTop(std::clamp(r.top(), 0, std::max(0, bitmapSize_.height() - r.height())));
  dragRect_ = r;
  update();
}

void TPicPanWindow::mouseReleaseEvent(QMouseEvent*) {
  if (!dragging_) return;
  dragging_ = false;
  const QRect r = dragRect_;
  if (owner_ && r != visible_) owner_->PanWinCallback(this, 1, r);
  update();
}

void TPicPanWindow::closeEvent(QCloseEvent* e) {
  e->accept();
  if (owner_) owner_->PanWinCallback(this, 2, QRect());
}

// ---- Magnifying glass -----------------------------------------------------------------------
TPicMagGlass::TPicMagGlass(TPicImage* owner) : QWidget(owner), owner_(owner) {
  setObjectName(QStringLiteral("MagGlass"));
  setAttribute(Qt::WA_TransparentForMouseEvents);
  // The cursor over the lens (the control's while the lens runs).
  Qt::CursorShape shape;
  if (CursorFor(owner->MagGlassPointer(), shape)) owner->setCursor(shape);
}

void TPicMagGlass::Follow(QPoint at) {
  if (!owner_) return;
  centre_ = at;
  int w = 0, h = 0, zoom = 0, border = 0, shape = 0, ox = 0, oy = 0;
  owner_->MagGlassGeometry(w, h, zoom, border, shape, ox, oy);
  setGeometry(at.x() - w / 2 + ox, at.y() - h / 2 + oy, w, h);
  const QRect d = owner_->DisplayedPictureRect();
  const px::Bitmap& bmp = owner_->Bitmap();
  if (d.width() > 0 && d.height() > 0 && bmp.allocated()) {
    bitmapCentre_ = QPoint(int(int64_t(at.x() - d.left()) * bmp.viewWidth() / d.width()),
                           int(int64_t(at.y() - d.top()) * bmp.viewHeight() / d.height()));
  }
  show();
  raise();
  update();
  owner_->MagGlassCallback(bitmapCentre_.x(), bitmapCentre_.y(), zoom);
}

void TPicMagGlass::paintEvent(QPaintEvent*) {
  if (!owner_) return;
  int w = 0, h = 0, zoom = 0, border = 0, shape = 0, ox = 0, oy = 0;
  owner_->MagGlassGeometry(w, h, zoom, border, shape, ox, oy);
  TColor borderColor = owner_->MagGlassBorderColor();
  QPainter p(this);
  QPainterPath clip;
  if (shape == 1)
    clip.addEllipse(QRectF(rect()));
  else
    clip.addRect(QRectF(rect()));
  p.setClipPath(clip);
  p.fillRect(rect(), Qt::white);
  const px::Bitmap& bmp = owner_->Bitmap();
  const QRect d = owner_->DisplayedPictureRect();
  if (bmp.allocated() && d.width() > 0 && d.height() > 0) {
    // The lens shows the picture at zoom percent of its displayed size around its centre.
    const double scale = double(d.width()) / bmp.viewWidth() * zoom / 100.0;
    const double scaleY = double(d.height()) / bmp.viewHeight() * zoom / 100.0;
    const int pw = int(std::lround(bmp.viewWidth() * scale)), ph = int(std::lround(bmp.viewHeight() * scaleY));
    const int left = int(std::lround(width() / 2.0 - bitmapCentre_.x() * scale));
    const int top = int(std::lround(height() / 2.0 - bitmapCentre_.y() * scaleY));
    const QRect whole(0, 0, bmp.viewWidth(), bmp.viewHeight());
    px::PaintBitmap(p, bmp, whole, whole, QRect(left, top, pw, ph), rect(),
                    owner_->MagGlassPaintScaling() != psNormal);
  }
  if (border > 0) {
    p.setClipping(false);
    p.setPen(QPen(ColorToQColor(borderColor), border));
    p.setBrush(Qt::NoBrush);
    const QRectF r = QRectF(rect()).adjusted(border / 2.0, border / 2.0, -border / 2.0, -border / 2.0);
    if (shape == 1)
      p.drawEllipse(r);
    else
      p.drawRect(r);
  }
}

// ---- The component's side -------------------------------------------------------------------
QWidget* TPicImage::PanWinHandle() const { return panWin_; }
QWidget* TPicImage::MagGlassWindow() const { return magGlass_; }

QRect TPicImage::DisplayedPictureRect() const {
  const int fw = FrameWidth();
  return QRect(dstLeft_ + fw, dstTop_ + fw, dstWidth_, dstHeight_);
}

void TPicImage::UpdatePanAndMag() {
  if (state_ & 2) return;
  SyncScrollBars();
  if (panWin_) UpdatePanWin();
  UpdateMagGlass();
}

int TPicImage::ShowPanWin(bool value) {
  QWidget* focus = QApplication::focusWidget();
  panWinShown_ = value;
  int status = 1;
  if (!value) {
    if (panWin_) {
      TPicPanWindow* w = panWin_;
      panWin_ = nullptr;
      w->hide();
      w->deleteLater();
    }
  } else if (!panWin_ && allocated_ && bitmap_.allocated()) {
    panWin_ = new TPicPanWindow(this);
    panWin_->setGeometry(panWinX_, panWinY_, panWinWidth_, panWinHeight_);
    if (panWinIcon_) panWin_->setWindowIcon(*panWinIcon_);
    if (!panWinSysMenu_) panWin_->setWindowFlag(Qt::WindowSystemMenuHint, false);
    Qt::CursorShape shape;
    if (CursorFor(panWinPointer_, shape)) panWin_->setCursor(shape);
    PanWinCallback(panWin_, 0, QRect());
    panWin_->show();
    status = UpdatePanWin();
  } else if (!allocated_) {
    status = px::kInvalidBitmap;
  }
  if (focus && focus != QApplication::focusWidget()) focus->setFocus();
  return status;
}

int TPicImage::UpdatePanWin() {
  if (!panWin_ || !allocated_ || !bitmap_.allocated() || !panWinShown_) return 1;
  // The part of the picture inside the control, in bitmap pixels.
  const int fw = FrameWidth();
  const int iw = std::max(0, width() - 2 * fw), ih = std::max(0, height() - 2 * fw);
  QRect visible(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight());
  if (dstWidth_ > 0 && dstHeight_ > 0) {
    const int left = int(int64_t(-dstLeft_) * srcWidth_ / dstWidth_);
    const int top = int(int64_t(-dstTop_) * srcHeight_ / dstHeight_);
    const int w = int(int64_t(iw) * srcWidth_ / dstWidth_);
    const int h = int(int64_t(ih) * srcHeight_ / dstHeight_);
    visible = QRect(left, top, w, h).intersected(QRect(0, 0, bitmap_.viewWidth(), bitmap_.viewHeight()));
  }
  panWinVisibleRect_ = visible;
  return panWin_->Update(bitmap_, panWinFlags_ | 0x10000000u, panWinRectColor_, panWinTitle_, visible);
}

int TPicImage::PanWinCallback(QWidget* panWindow, int code, const QRect& rect) {
  if (code == 1) {
    inScrollMessage_ = true;
    const int x = std::min(hScrollMax_, int(std::nearbyint(rect.left() * scaleX_))) + dstLeft_;
    const int y = std::min(vScrollMax_, int(std::nearbyint(rect.top() * scaleY_))) + dstTop_;
    if (centerImage_) {
      const int rw = dstRect_[2] - dstRect_[0], rh = dstRect_[3] - dstRect_[1];
      if (rw < width() || rh < height()) CenterDstRect();
    }
    DoPanWinMoved();
    if (autoRepaint_) ScrollImageBy(x, y);
    inScrollMessage_ = false;
  } else if (code == 2) {
    if (panWin_) panWin_->deleteLater();
    panWin_ = nullptr;
    panWinShown_ = false;
  }
  if (OnPanWin) OnPanWin(this, code == 2 ? nullptr : panWindow, code);
  return 1;
}

int TPicImage::PanWinSetterDone(const QString& name) {
  const int status = UpdatePanWin();
  if (status != 1) return RaiseMethodError(name, status);
  lastError_ = 1;
  return 1;
}

static void MovePanWindow(QWidget* w, int x, int y, int width, int height) {
  if (w) w->setGeometry(x, y, width, height);
}

void TPicImage::SetPanWinX(int v) {
  panWinX_ = v;
  if (!panWin_) { lastError_ = 1; return; }
  MovePanWindow(panWin_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  PanWinSetterDone(QStringLiteral("PanWinX"));
}
void TPicImage::SetPanWinY(int v) {
  panWinY_ = v;
  if (!panWin_) { lastError_ = 1; return; }
  MovePanWindow(panWin_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  PanWinSetterDone(QStringLiteral("PanWinY"));
}
void TPicImage::SetPanWinWidth(int v) {
  panWinWidth_ = v;
  if (!panWin_) { lastError_ = 1; return; }
  MovePanWindow(panWin_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  PanWinSetterDone(QStringLiteral("PanWinWidth"));
}
void TPicImage::SetPanWinHeight(int v) {
  panWinHeight_ = v;
  if (!panWin_) { lastError_ = 1; return; }
  MovePanWindow(panWin_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  PanWinSetterDone(QStringLiteral("PanWinHeight"));
}

// A shown pan window may have been moved by the user: its geometry is read first.
static void ReadPanGeometry(QWidget* w, bool shown, int& x, int& y, int& width, int& height) {
  if (!w || !shown) return;
  const QRect g = w->geometry();
  x = g.left();
  y = g.top();
  width = g.width();
  height = g.height();
}
int TPicImage::PanWinX() {
  ReadPanGeometry(panWin_, panWinShown_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  lastError_ = 1;
  return panWinX_;
}
int TPicImage::PanWinY() {
  ReadPanGeometry(panWin_, panWinShown_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  lastError_ = 1;
  return panWinY_;
}
int TPicImage::PanWinWidth() {
  ReadPanGeometry(panWin_, panWinShown_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  lastError_ = 1;
  return panWinWidth_;
}
int TPicImage::PanWinHeight() {
  ReadPanGeometry(panWin_, panWinShown_, panWinX_, panWinY_, panWinWidth_, panWinHeight_);
  lastError_ = 1;
  return panWinHeight_;
}

void TPicImage::SetPanWinTitle(const QString& v) {
  panWinTitle_ = v;
  PanWinSetterDone(QStringLiteral("PanWinTitle"));
}
void TPicImage::SetPanWinRectColor(TColor v) {
  panWinRectColor_ = v;
  PanWinSetterDone(QStringLiteral("PanWinRectColor"));
}
void TPicImage::SetPanWinSysMenu(bool v) {
  panWinSysMenu_ = v;
  lastError_ = 1;
}
QIcon TPicImage::PanWinIcon() const { return panWinIcon_ ? *panWinIcon_ : QIcon(); }
void TPicImage::SetPanWinIcon(const QIcon& icon) {
  if (icon.isNull()) {
    panWinIcon_.reset();
  } else {
    if (!panWinIcon_) panWinIcon_ = std::make_unique<QIcon>();
    *panWinIcon_ = icon;
  }
  lastError_ = 1;
}
void TPicImage::SetPanWinPointer(int v) {
  panWinPointer_ = v;
  Qt::CursorShape shape;
  if (panWin_ && CursorFor(v, shape))
    panWin_->setCursor(shape);
  else if (panWin_)
    panWin_->unsetCursor();
  lastError_ = 1;
}

void TPicImage::RecomputePanWinFlags() {
  panWinFlags_ = DisplayFlags(panWinPaintDither_, panWinBitonalScaling_, panWinPaintPalette_, panWinPaintScaling_);
}
void TPicImage::SetPanWinPaintPalette(TPaletteType v) {
  panWinPaintPalette_ = v;
  RecomputePanWinFlags();
  PanWinSetterDone(QStringLiteral("PanWinPaintPalette"));
}
void TPicImage::SetPanWinBitonalScaling(TBitonalScaling v) {
  panWinBitonalScaling_ = v;
  RecomputePanWinFlags();
  PanWinSetterDone(QStringLiteral("PanWinBitonalScaling"));
}
void TPicImage::SetPanWinPaintDither(TPaintDither v) {
  panWinPaintDither_ = v;
  RecomputePanWinFlags();
  PanWinSetterDone(QStringLiteral("PanWinPaintDither"));
}
void TPicImage::SetPanWinPaintScaling(TPaintScaling v) {
  panWinPaintScaling_ = v;
  RecomputePanWinFlags();
  PanWinSetterDone(QStringLiteral("PanWinPaintScaling"));
}

// ---- Magnifier ------------------------------------------------------------------------------
uint32_t TPicImage::MagGlassPaintFlags() const {
  return DisplayFlags(magGlassPaintDither_, magGlassBitonalScaling_, magGlassPaintPalette_, magGlassPaintScaling_);
}

void TPicImage::MagGlassGeometry(int& w, int& h, int& zoom, int& border, int& shape, int& ox, int& oy) const {
  w = magParams_[0] > 0 ? magParams_[0] : 100;
  h = magParams_[1] > 0 ? magParams_[1] : 100;
  zoom = magParams_[2] > 0 ? magParams_[2] : 200;
  border = std::max(0, magParams_[3]);
  shape = magParams_[5];
  ox = magParams_[6];
  oy = magParams_[7];
}

TColor TPicImage::MagGlassBorderColor() const { return magParams_[4]; }

int TPicImage::StartMagGlass(int p1, int p2, int p3, int p4, int p5, int p6, int p7, int p8, int p9, int p10,
                             int p11) {
  if (!allocated_ || !bitmap_.allocated()) {
    lastError_ = -2;
    throw EPicImageError(QStringLiteral("%1 \nStartMagGlass: Image not allocated.").arg(objectName()));
  }
  if (magGlassRunning_ || magGlass_) {
    lastError_ = px::kInvalidParam;
  } else {
    const int p[11] = {p1, p2, p3, p4, p5, p6 & 255, p7, p8 & 255, p9, p10 & 255, p11 & 255};
    std::copy(p, p + 11, magParams_);
    magGlass_ = new TPicMagGlass(this);
    magGlass_->hide();
    setMouseTracking(true);
    magGlassRunning_ = true;
    lastError_ = 1;
  }
  return RaiseMethodError(QStringLiteral("StartMagGlass"), lastError_);
}

int TPicImage::StopMagGlass() {
  lastError_ = 0;
  if (magGlass_) {
    delete magGlass_;
    magGlass_ = nullptr;
    magGlassRunning_ = false;
    setMouseTracking(false);
    if (magGlassPointer_ != 0) unsetCursor();
    lastError_ = 1;
  }
  return RaiseMethodError(QStringLiteral("StopMagGlass"), lastError_);
}

void TPicImage::UpdateMagGlass() {
  if (magGlassRunning_ && magGlass_ && magGlass_->isVisible()) magGlass_->update();
}

void TPicImage::RestartMagGlass() {
  if (!magGlassRunning_ || !magGlass_) return;
  const QPoint at = magGlass_->Centre();
  const bool shown = magGlass_->isVisible();
  delete magGlass_;
  unsetCursor();
  magGlass_ = new TPicMagGlass(this);
  if (shown) magGlass_->Follow(at);
}

void TPicImage::SetMagGlassPaintPalette(TPaletteType v) {
  magGlassPaintPalette_ = v;
  RestartMagGlass();
  lastError_ = 1;
}
void TPicImage::SetMagGlassBitonalScaling(TBitonalScaling v) {
  magGlassBitonalScaling_ = v;
  RestartMagGlass();
  lastError_ = 1;
}
void TPicImage::SetMagGlassPaintDither(TPaintDither v) {
  magGlassPaintDither_ = v;
  RestartMagGlass();
  lastError_ = 1;
}
void TPicImage::SetMagGlassPaintScaling(TPaintScaling v) {
  magGlassPaintScaling_ = v;
  RestartMagGlass();
  lastError_ = 1;
}
void TPicImage::SetMagGlassPointer(int v) {
  magGlassPointer_ = v;
  RestartMagGlass();
  lastError_ = 1;
}

int TPicImage::MagGlassCallback(int x, int y, int zoom) {
  if (OnMagGlass) OnMagGlass(this, x, y, zoom);
  return magGlassCallbackOn_ ? 1 : px::kAborted;
}

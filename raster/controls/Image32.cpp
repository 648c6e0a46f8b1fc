#include "Image32.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "RepaintOptimizer.h"
#include "Resamplers.h"

namespace kalvora::raster {

// ---- paint box ----

TCustomPaintBox32::TCustomPaintBox32(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  optimizer_ = std::make_unique<TMicroTilesRepaintOptimizer>(&buffer_, &invalidRects_);
  resize(192, 192);
  ResizeBuffer();
}

TCustomPaintBox32::~TCustomPaintBox32() = default;

void TCustomPaintBox32::SetRepaintMode(TRepaintMode value) {
  buffer_.OnAreaChanged = nullptr;
  if (value == TRepaintMode::rmOptimizer)
    buffer_.OnAreaChanged = [this](TBitmap32*, const TRect& a, std::uint32_t info) {
      optimizer_->AreaUpdateHandler(a, info);
      RequestRepaint();
    };
  else if (value == TRepaintMode::rmDirect)
    buffer_.OnAreaChanged = [this](TBitmap32*, const TRect& a, std::uint32_t info) {
      TRect r = a;
      if ((info & AREAINFO_LINE_BIT) != 0 && (info & AREAINFO_RECT) == 0) {
        // A line: its corners in any order, widened by its width.
        const int w = int(info & 0xFFFFFF) + 1;
        r = {std::min(a.Left, a.Right) - w, std::min(a.Top, a.Bottom) - w, std::max(a.Left, a.Right) + w,
             std::max(a.Top, a.Bottom) + w};
      }
      addInvalidRect(r);
      updateRect(r);
    };
  optimizer_->SetEnabled(value == TRepaintMode::rmOptimizer);
  repaintMode_ = value;
  Invalidate();
}

void TCustomPaintBox32::updateRect(const TRect& r) {
  TRect c;
  if (IntersectRect(c, r, GetViewportRect())) update(QRect(c.Left, c.Top, c.Width(), c.Height()));
}

void TCustomPaintBox32::RequestRepaint() {
  TRect r;
  if (optimizer_->Enabled() && !forceFullRepaint_ && optimizer_->PendingBounds(r)) updateRect(r);
  else update();
}

void TCustomPaintBox32::addInvalidRect(const TRect& r) {
  TRect c;
  if (IntersectRect(c, r, GetViewportRect())) invalidRects_.push_back(c);
}

bool TCustomPaintBox32::CustomRepaint() const {
  return optimizer_->Enabled() && !forceFullRepaint_ && optimizer_->UpdatesAvailable();
}

void TCustomPaintBox32::DoPrepareInvalidRects() {
  if (optimizer_->Enabled() && !forceFullRepaint_) optimizer_->PerformOptimization();
}

void TCustomPaintBox32::DoPaintBuffer() {
  if (forceFullRepaint_) {
    forceFullRepaint_ = false;
    invalidRects_.clear();
  } else {
    DoPrepareInvalidRects();
  }
  bufferValid_ = true;
}

void TCustomPaintBox32::Invalidate() {
  bufferValid_ = false;
  update();
}

void TCustomPaintBox32::ForceFullInvalidate() {
  if (optimizer_->Enabled()) optimizer_->Reset();
  forceFullRepaint_ = true;
  Invalidate();
}

TRect TCustomPaintBox32::GetViewportRect() const { return {0, 0, width(), height()}; }

void TCustomPaintBox32::paintEvent(QPaintEvent*) {
  if (optimizer_->Enabled()) optimizer_->BeginPaint();
  if (!bufferValid_ || CustomRepaint() || !invalidRects_.empty()) DoPaintBuffer();
  QPainter p(this);
  const TRect v = GetViewportRect();
  const QImage img = buffer_.RgbView();
  // The whole viewport is copied: Qt clips to the region it asked for.
  p.drawImage(QRect(v.Left, v.Top, v.Width(), v.Height()), img, QRect(0, 0, v.Width(), v.Height()));
  DoPaintGDIOverlay(p);
  if (optimizer_->Enabled()) optimizer_->EndPaint();
  invalidRects_.clear();
  forceFullRepaint_ = false;
}

void TCustomPaintBox32::ResizeBuffer() {
  const TRect v = GetViewportRect();
  const int w = std::max(0, v.Width()), h = std::max(0, v.Height());
  auto side = [](int cur, int want) {
    if (cur < want) cur = want + BufferOversize;
    else if (cur > want + BufferOversize) cur = want;
    return std::max(1, cur);
  };
  const int nw = side(buffer_.Width(), w), nh = side(buffer_.Height(), h);
  if (nw != buffer_.Width() || nh != buffer_.Height()) {
    buffer_.Lock();
    buffer_.SetSize(nw, nh);
    buffer_.Unlock();
    optimizer_->BufferResizedHandler(nw, nh);
    ForceFullInvalidate();
  }
  bufferValid_ = false;
}

void TCustomPaintBox32::resizeEvent(QResizeEvent*) {
  ResizeBuffer();
  if (OnResize) OnResize();
}

void TCustomPaintBox32::enterEvent(QEnterEvent*) {
  mouseInControl_ = true;
  if (OnMouseEnter) OnMouseEnter();
}
void TCustomPaintBox32::leaveEvent(QEvent*) {
  mouseInControl_ = false;
  if (OnMouseLeave) OnMouseLeave();
}

namespace {
bool isArrowKey(int key) { return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up || key == Qt::Key_Down; }
}  // namespace

bool TCustomPaintBox32::event(QEvent* e) {
  // Arrow keys the control wants must not be taken as shortcuts by the window first.
  if (e->type() == QEvent::ShortcutOverride && (Options & pboWantArrowKeys) != 0 &&
      isArrowKey(static_cast<QKeyEvent*>(e)->key())) {
    e->accept();
    return true;
  }
  return QWidget::event(e);
}

void TCustomPaintBox32::keyPressEvent(QKeyEvent* e) {
  if ((Options & pboWantArrowKeys) != 0 && isArrowKey(e->key())) {
    if (OnKeyDown) OnKeyDown(e->key(), e->modifiers());
    e->accept();
    return;
  }
  if (!isArrowKey(e->key()) && OnKeyDown) OnKeyDown(e->key(), e->modifiers());
  QWidget::keyPressEvent(e);
}

void TCustomPaintBox32::mousePressEvent(QMouseEvent* e) {
  if ((Options & pboAutoFocus) != 0 && focusPolicy() != Qt::NoFocus && isEnabled()) setFocus(Qt::MouseFocusReason);
  e->accept();
}

TPaintBox32::TPaintBox32(QWidget* parent) : TCustomPaintBox32(parent) {}

void TPaintBox32::DoPaintBuffer() {
  const bool optimized = optimizer_->Enabled();
  if (optimized) optimizer_->BeginPaintBuffer();
  {
    // What the handler draws is the repaint itself, not a change that asks for another one.
    buffer_.BeginUpdate();
    struct EndUpdate {
      TBitmap32& b;
      ~EndUpdate() { b.EndUpdate(); }
    } end{buffer_};
    if (OnPaintBuffer) OnPaintBuffer(this);
  }
  TCustomPaintBox32::DoPaintBuffer();
  if (optimized) optimizer_->EndPaintBuffer();
}

// ---- image ----

TCustomImage32::TCustomImage32(QWidget* parent) : TCustomPaintBox32(parent) {
  layers_ = std::make_unique<TLayerCollection>(this);
  bitmap_.OnResize = [this](TNotifiablePersistent*) { BitmapResized(); };
  layers_->OnChange = [this] { Changed(); };
  layers_->OnGDIUpdate = [this] { update(); };
  layers_->OnSetCursor = [this](const TCustomLayer* l) { showLayerCursor(l); };
  layers_->OnGetViewportScale = [this](float& sx, float& sy) {
    UpdateCache();
    sx = cachedXForm_[0] * FixedToFloat;
    sy = cachedXForm_[1] * FixedToFloat;
  };
  layers_->OnGetViewportShift = [this](float& sx, float& sy) {
    UpdateCache();
    sx = float(cachedXForm_[2]);
    sy = float(cachedXForm_[3]);
  };
  optimizer_->RegisterLayerCollection(layers_.get());
  SetRepaintMode(TRepaintMode::rmFull);
  InitDefaultStages();
}

TCustomImage32::~TCustomImage32() {
  optimizer_->UnregisterLayerCollection(layers_.get());
  layers_.reset();
  bitmap_.OnResize = nullptr;
  bitmap_.OnChange = nullptr;
  bitmap_.OnAreaChanged = nullptr;
}

void TCustomImage32::InitDefaultStages() {
  stages_.Clear();
  auto add = [&](unsigned code, bool dsgn, bool run, unsigned param = 0) {
    TPaintStage* s = stages_.Add();
    s->Stage = code;
    s->DsgnTime = dsgn;
    s->RunTime = run;
    s->Parameter = param;
  };
  add(PST_CLEAR_BACKGND, true, true);
  add(PST_CONTROL_FRAME, true, false);
  add(PST_DRAW_BITMAP, true, true);
  add(PST_BITMAP_FRAME, true, false);
  add(PST_DRAW_LAYERS, true, true, LOB_VISIBLE);
}

void TCustomImage32::SetRepaintMode(TRepaintMode value) {
  TCustomPaintBox32::SetRepaintMode(value);
  bitmap_.OnChange = nullptr;
  bitmap_.OnAreaChanged = nullptr;
  if (value == TRepaintMode::rmFull) {
    bitmap_.OnChange = [this](TNotifiablePersistent*) {
      if (optimizer_->Enabled()) optimizer_->Reset();
      Changed();
    };
  } else {
    bitmap_.OnAreaChanged = [this](TBitmap32*, const TRect& a, std::uint32_t) { bitmapAreaChanged(a); };
  }
}

void TCustomImage32::bitmapAreaChanged(const TRect& area) {
  if (bitmap_.Empty()) return;
  UpdateCache();
  int w = 1;
  if (bitmap_.Resampler() != nullptr) w = int(std::ceil(bitmap_.Resampler()->GetWidth())) + 1;
  const TPoint tl = BitmapToControl({area.Left - w, area.Top - w});
  const TPoint br = BitmapToControl({area.Right + w, area.Bottom + w});
  std::vector<TRect> rects;
  if (bitmapAlign_ == TBitmapAlign::baTile) {
    const int tw = cachedBitmapRect_.Width(), th = cachedBitmapRect_.Height();
    if (tw <= 0 || th <= 0) return;
    for (int j = 0; j <= height() / th; ++j)
      for (int i = 0; i <= width() / tw; ++i)
        rects.push_back({tl.X + i * tw, tl.Y + j * th, br.X + i * tw, br.Y + j * th});
  } else {
    rects.push_back({tl.X, tl.Y, br.X, br.Y});
  }
  for (const TRect& r : rects) {
    if (RepaintMode() == TRepaintMode::rmDirect) {
      addInvalidRect(r);
      updateRect(r);
    } else {
      optimizer_->AreaUpdateHandler(r, AREAINFO_RECT);
    }
  }
  if (RepaintMode() != TRepaintMode::rmDirect) RequestRepaint();
}

void TCustomImage32::SetBitmap(const TBitmap32* value) {
  InvalidateCache();
  bitmap_.Assign(value);
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign v) {
  InvalidateCache();
  bitmapAlign_ = v;
  Changed();
}
void TCustomImage32::SetOffsetHorz(float v) {
  if (v == offsetHorz_) return;
  InvalidateCache();
  offsetHorz_ = v;
  Changed();
}
void TCustomImage32::SetOffsetVert(float v) {
  if (v == offsetVert_) return;
  InvalidateCache();
  offsetVert_ = v;
  Changed();
}
void TCustomImage32::SetScaleMode(TScaleMode value) {
  if (value == scaleMode_) return;
  InvalidateCache();
  scaleMode_ = value;
  Changed();
}
void TCustomImage32::SetScale(float value) {
  if (value < 0.001f) value = 0.001f;
  if (value == scaleX_) return;
  InvalidateCache();
  scaleX_ = scaleY_ = value;
  DoScaleChange();
  Changed();
}

void TCustomImage32::EndUpdate() {
  // A programming error that must not pass silently in a release build either.
  if (updateCount_ <= 0) throw std::logic_error("Unpaired EndUpdate call");
  --updateCount_;
}

void TCustomImage32::Changed() {
  if (updateCount_ != 0) return;
  // Invalidate, showing again only what the optimizer knows to have changed.
  cacheValid_ = false;
  bufferValid_ = false;
  RequestRepaint();
  if (OnChange) OnChange();
}

void TCustomImage32::Invalidate() {
  cacheValid_ = false;
  TCustomPaintBox32::Invalidate();
}

void TCustomImage32::InvalidateCache() {
  if (optimizer_->Enabled()) optimizer_->Reset();
  cacheValid_ = false;
}

bool TCustomImage32::InvalidRectsAvailable() {
  DoPrepareInvalidRects();
  return !invalidRects_.empty();
}

void TCustomImage32::DoPaintGDIOverlay(QPainter& p) {
  for (int i = 0; i < layers_->Count(); ++i) {
    TCustomLayer* l = layers_->Items(i);
    if ((l->LayerOptions() & LOB_GDI_OVERLAY) != 0) l->PaintGDI(p);
  }
  TCustomPaintBox32::DoPaintGDIOverlay(p);
}

bool TCustomImage32::CanAutoSize(int& newWidth, int& newHeight) {
  InvalidateCache();
  int w = bitmap_.Width(), h = bitmap_.Height();
  if (scaleMode_ == TScaleMode::smScale) {
    w = int(std::lrint(w * scaleX_));
    h = int(std::lrint(h * scaleY_));
  }
  if (Align == TAlign::alNone || Align == TAlign::alLeft || Align == TAlign::alRight) newWidth = w;
  if (Align == TAlign::alNone || Align == TAlign::alTop || Align == TAlign::alBottom) newHeight = h;
  return true;
}

void TCustomImage32::Loaded() {
  TCustomPaintBox32::Loaded();
  DoInitStages();
}

void TCustomImage32::showLayerCursor(const TCustomLayer* layer) {
  if (layer != nullptr) {
    if (!layerCursor_) ownCursor_ = cursor();
    layerCursor_ = true;
    setCursor(layer->Cursor());
  } else if (layerCursor_) {
    layerCursor_ = false;
    setCursor(ownCursor_);
  }
}

void TCustomImage32::leaveEvent(QEvent* e) {
  if (layers_->MouseEvents && layers_->MouseListener() == nullptr) showLayerCursor(nullptr);
  TCustomPaintBox32::leaveEvent(e);
}

void TCustomImage32::BitmapResized() {
  if (AutoSize) {
    int w = width(), h = height();
    if (CanAutoSize(w, h) && w >= 1 && h >= 1 && bitmap_.Width() >= 1 && bitmap_.Height() >= 1) resize(w, h);
  }
  if (OnBitmapResize) OnBitmapResize();
  InvalidateCache();
  ForceFullInvalidate();
}

QSize TCustomImage32::GetBitmapSize() const {
  if (bitmap_.Empty() || width() == 0 || height() == 0) return {0, 0};
  const TRect v = GetViewportRect();
  const int vw = v.Width(), vh = v.Height(), bw = bitmap_.Width(), bh = bitmap_.Height();
  TScaleMode mode = scaleMode_;
  if (mode == TScaleMode::smOptimal) mode = (bw > vw || bh > vh) ? TScaleMode::smResize : TScaleMode::smNormal;
  else if (mode == TScaleMode::smOptimalScaled)
    mode = (std::lround(bw * scaleX_) > vw || std::lround(bh * scaleY_) > vh) ? TScaleMode::smResize
                                                                               : TScaleMode::smScale;
  int cx = bw, cy = bh;
  switch (mode) {
    case TScaleMode::smStretch: cx = vw; cy = vh; break;
    case TScaleMode::smResize: {
      const double rx = double(vw) / bw, ry = double(vh) / bh;
      if (rx >= ry) { cx = int(std::lround(bw * ry)); cy = vh; }
      else { cx = vw; cy = int(std::lround(bh * rx)); }
      break;
    }
    case TScaleMode::smScale: cx = int(std::lround(bw * scaleX_)); cy = int(std::lround(bh * scaleY_)); break;
    default: break;
  }
  return {cx < 1 ? 0 : cx, cy < 1 ? 0 : cy};
}

TRect TCustomImage32::GetBitmapRect() const {
  if (bitmap_.Empty()) return {};
  const QSize s = GetBitmapSize();
  TRect r{0, 0, s.width(), s.height()};
  if (bitmapAlign_ == TBitmapAlign::baCenter) OffsetRect(r, (width() - s.width()) / 2, (height() - s.height()) / 2);
  else if (bitmapAlign_ == TBitmapAlign::baCustom)
    OffsetRect(r, int(std::lround(offsetHorz_)), int(std::lround(offsetVert_)));
  return r;
}

void TCustomImage32::UpdateCache() {
  if (cacheValid_) return;
  cachedBitmapRect_ = GetBitmapRect();
  if (bitmap_.Empty() || IsRectEmpty(cachedBitmapRect_)) {
    cachedXForm_[0] = cachedXForm_[1] = cachedXForm_[4] = cachedXForm_[5] = FixedOne;
    cachedXForm_[2] = cachedXForm_[3] = 0;
  } else {
    cachedXForm_[2] = cachedBitmapRect_.Left;
    cachedXForm_[3] = cachedBitmapRect_.Top;
    cachedXForm_[0] = MulDiv(cachedBitmapRect_.Width(), FixedOne, bitmap_.Width());
    cachedXForm_[1] = MulDiv(cachedBitmapRect_.Height(), FixedOne, bitmap_.Height());
    cachedXForm_[4] = MulDiv(bitmap_.Width(), FixedOne, cachedBitmapRect_.Width());
    cachedXForm_[5] = MulDiv(bitmap_.Height(), FixedOne, cachedBitmapRect_.Height());
  }
  cacheValid_ = true;
}

// Products in 64 bits: a 16.16 factor times a control coordinate may pass 2^31.
TPoint TCustomImage32::BitmapToControl(TPoint p) {
  UpdateCache();
  return {std::int32_t(std::int64_t(p.X) * cachedXForm_[0] / FixedOne + cachedXForm_[2]),
          std::int32_t(std::int64_t(p.Y) * cachedXForm_[1] / FixedOne + cachedXForm_[3])};
}

TPoint TCustomImage32::ControlToBitmap(TPoint p) {
  UpdateCache();
  return {std::int32_t(std::int64_t(p.X - cachedXForm_[2]) * cachedXForm_[4] / FixedOne),
          std::int32_t(std::int64_t(p.Y - cachedXForm_[3]) * cachedXForm_[5] / FixedOne)};
}

TColor32 TCustomImage32::controlColor() const {
  const QColor c = palette().color(QPalette::Window);
  return Color32(std::uint8_t(c.red()), std::uint8_t(c.green()), std::uint8_t(c.blue()));
}

void TCustomImage32::runStage(TBitmap32* dest, unsigned index) {
  const TPaintStage& s = stages_.Items(int(index));
  switch (s.Stage) {
    case PST_CUSTOM:
      if (OnPaintStage) OnPaintStage(this, dest, index);
      break;
    case PST_CLEAR_BUFFER: dest->Clear(controlColor()); break;
    case PST_CLEAR_BACKGND: {
      const TColor32 c = controlColor();
      const TRect b = cachedBitmapRect_;
      if (!invalidRects_.empty() && dest == &buffer_) {
        for (const TRect& r : invalidRects_) dest->FillRectS(r, c);
      } else if (bitmap_.Empty() || bitmap_.DrawMode() != TDrawMode::dmOpaque) {
        dest->Clear(c);
      } else if (!(b.Left <= 0 && b.Top <= 0 && b.Right >= width() &&
                   (b.Bottom >= height() || bitmapAlign_ == TBitmapAlign::baTile))) {
        dest->FillRectS(0, 0, dest->Width(), b.Top, c);
        dest->FillRectS(0, b.Bottom, dest->Width(), dest->Height(), c);
        dest->FillRectS(0, b.Top, b.Left, b.Bottom, c);
        dest->FillRectS(b.Right, b.Top, dest->Width(), b.Bottom, c);
      }
      break;
    }
    case PST_DRAW_BITMAP: {
      if (bitmap_.Empty() || IsRectEmpty(cachedBitmapRect_)) break;
      bitmap_.Lock();
      if (bitmapAlign_ == TBitmapAlign::baTile) {
        const int tw = cachedBitmapRect_.Width(), th = cachedBitmapRect_.Height();
        for (int j = 0; j <= height() / th; ++j)
          for (int i = 0; i <= width() / tw; ++i) {
            TRect r = cachedBitmapRect_;
            OffsetRect(r, i * tw, j * th);
            bitmap_.DrawTo(dest, r);
          }
      } else {
        bitmap_.DrawTo(dest, cachedBitmapRect_);
      }
      bitmap_.Unlock();
      break;
    }
    case PST_DRAW_LAYERS:
      for (int i = 0; i < layers_->Count(); ++i) {
        TCustomLayer* l = layers_->Items(i);
        if ((l->LayerOptions() & s.Parameter) != 0) l->Paint(dest);
      }
      break;
    case PST_CONTROL_FRAME: dest->FrameRectS(0, 0, width(), height(), 0xFF000000u); break;
    case PST_BITMAP_FRAME: dest->FrameRectS(cachedBitmapRect_, 0xFF000000u); break;
    default: break;
  }
}

void TCustomImage32::DoPaintBuffer() {
  if (optimizer_->Enabled()) optimizer_->BeginPaintBuffer();
  UpdateCache();
  if (forceFullRepaint_) {
    forceFullRepaint_ = false;
    invalidRects_.clear();
  } else {
    DoPrepareInvalidRects();
  }
  std::vector<unsigned> picked;
  for (int i = 0; i < stages_.Count(); ++i) {
    const TPaintStage& s = stages_.Items(i);
    if (s.RunTime && s.Stage >= 1 && s.Stage <= 7) picked.push_back(unsigned(i));
  }
  buffer_.BeginUpdate();
  const TRect view = GetViewportRect();
  if (!invalidRects_.empty()) {
    for (const TRect& r : invalidRects_) {
      buffer_.SetClipRect(r);
      for (unsigned i : picked) runStage(&buffer_, i);
    }
  } else {
    buffer_.SetClipRect(view);
    for (unsigned i : picked) runStage(&buffer_, i);
  }
  buffer_.SetClipRect(view);
  buffer_.EndUpdate();
  if (optimizer_->Enabled()) optimizer_->EndPaintBuffer();
  bufferValid_ = true;
}

void TCustomImage32::PaintTo(TBitmap32* dest, const TRect& destRect) {
  const TRepaintMode mode = RepaintMode();
  SetRepaintMode(TRepaintMode::rmFull);
  cachedBitmapRect_ = destRect;
  if (bitmap_.Empty() || IsRectEmpty(destRect)) {
    cachedXForm_[0] = cachedXForm_[1] = cachedXForm_[4] = cachedXForm_[5] = FixedOne;
    cachedXForm_[2] = cachedXForm_[3] = 0;
  } else {
    cachedXForm_[2] = destRect.Left;
    cachedXForm_[3] = destRect.Top;
    cachedXForm_[0] = MulDiv(destRect.Width(), FixedOne, bitmap_.Width());
    cachedXForm_[1] = MulDiv(destRect.Height(), FixedOne, bitmap_.Height());
    cachedXForm_[4] = MulDiv(bitmap_.Width(), FixedOne, destRect.Width());
    cachedXForm_[5] = MulDiv(bitmap_.Height(), FixedOne, destRect.Height());
  }
  cacheValid_ = true;
  const std::vector<TRect> saved = std::move(invalidRects_);
  invalidRects_.clear();
  for (int i = 0; i < stages_.Count(); ++i) {
    const TPaintStage& s = stages_.Items(i);
    if (s.RunTime && s.Stage >= 1 && s.Stage <= 7) runStage(dest, unsigned(i));
  }
  invalidRects_ = saved;
  cacheValid_ = false;
  SetRepaintMode(mode);
}

void TCustomImage32::SetupBitmap(bool doClear, TColor32 clearColor) {
  const TRect v = GetViewportRect();
  bitmap_.BeginUpdate();
  bitmap_.SetSize(std::max(v.Width(), 1), std::max(v.Height(), 1));
  if (doClear) bitmap_.Clear(clearColor);
  bitmap_.EndUpdate();
  InvalidateCache();
  Changed();
}

void TCustomImage32::mousePressEvent(QMouseEvent* e) {
  TCustomPaintBox32::mousePressEvent(e);
  if (focusPolicy() != Qt::NoFocus) setFocus();
  const QPoint p = e->position().toPoint();
  TCustomLayer* layer = layers_->MouseEvents ? layers_->MouseDown(e->button(), e->modifiers(), p.x(), p.y()) : nullptr;
  if (OnMouseDown) OnMouseDown(this, e->button(), e->modifiers(), p.x(), p.y(), layer);
}

void TCustomImage32::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  TCustomLayer* layer = nullptr;
  if (layers_->MouseEvents) {
    layers_->MouseMove(e->modifiers(), p.x(), p.y());
    layer = layers_->MouseListener();
  }
  if (OnMouseMove) OnMouseMove(this, e->modifiers(), p.x(), p.y(), layer);
}

void TCustomImage32::mouseReleaseEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  TCustomLayer* layer = layers_->MouseListener();
  if (layers_->MouseEvents) layers_->MouseUp(e->button(), e->modifiers(), p.x(), p.y());
  if (OnMouseUp) OnMouseUp(this, e->button(), e->modifiers(), p.x(), p.y(), layer);
}

// ---- image view ----

TImgView32::TImgView32(QWidget* parent) : TCustomImage32(parent) {
  hScroll_ = new TCustomRangeBar(this);
  vScroll_ = new TCustomRangeBar(this);
  vScroll_->SetKind(TScrollBarKind::sbVertical);
  for (TCustomRangeBar* b : {hScroll_, vScroll_}) {
    b->SetBorderStyle(TRBBorderStyle::bsNone);
    b->Centered = true;
    b->OnUserChange = [this](TArrowBar* s) { ScrollHandler(s); };
  }
  scaleMode_ = TScaleMode::smScale;
  bitmapAlign_ = TBitmapAlign::baCustom;
  scrollProps_ = std::make_unique<TIVScrollProperties>(this, hScroll_, vScroll_);
  AlignAll();
}

void TImgView32::Loaded() {
  AlignAll();
  Invalidate();
  UpdateScrollBars();
  if (centered_) ScrollToCenter(bitmap_.Width() / 2, bitmap_.Height() / 2);
  TCustomImage32::Loaded();
}

void TIVScrollProperties::Assign(const TArrowBarAccess& source) {
  TArrowBarAccess::Assign(source);
  if (const auto* p = dynamic_cast<const TIVScrollProperties*>(&source); p != nullptr && p != this) {
    SetIncrement(p->Increment());
    SetSize(p->Size());
    SetVisibility(p->Visibility());
  }
}

void TIVScrollProperties::SetIncrement(int v) {
  hbar_->Increment = v;
  vbar_->Increment = v;
}
int TIVScrollProperties::Size() const { return view_->ScrollBarSizeSetting(); }
void TIVScrollProperties::SetSize(int v) { view_->SetScrollBarSize(v); }
TScrollBarVisibility TIVScrollProperties::Visibility() const { return view_->ScrollBarVisibility(); }
void TIVScrollProperties::SetVisibility(TScrollBarVisibility v) { view_->SetScrollBarVisibility(v); }

int TImgView32::GetScrollBarSize() const {
  if (!GetScrollBarsVisible()) return 0;
  return scrollBarSize_ > 0 ? scrollBarSize_ : style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

bool TImgView32::GetScrollBarsVisible() const {
  if (visibility_ == TScrollBarVisibility::svAlways) return true;
  if (visibility_ == TScrollBarVisibility::svHidden) return false;
  return hScroll_->Range() > hScroll_->EffectiveWindow() || vScroll_->Range() > vScroll_->EffectiveWindow();
}

TRect TImgView32::GetViewportRect() const {
  const int s = GetScrollBarSize();
  return {0, 0, std::max(0, width() - s), std::max(0, height() - s)};
}

void TImgView32::AlignAll() {
  const TRect v = GetViewportRect();
  const bool vis = GetScrollBarsVisible();
  hScroll_->setGeometry(v.Left, v.Bottom, v.Width(), height() - v.Bottom);
  vScroll_->setGeometry(v.Right, v.Top, width() - v.Right, v.Height());
  hScroll_->setVisible(vis);
  vScroll_->setVisible(vis);
  hScroll_->update();
  vScroll_->update();
}

void TImgView32::UpdateScrollBars() {
  const QSize s = GetBitmapSize();
  const int extra = int(std::lround(2.0 * overSize_ * scaleX_));
  hScroll_->SetRange(s.width() + extra);
  vScroll_->SetRange(s.height() + extra);
  if (visibility_ == TScrollBarVisibility::svAuto) AlignAll();
}

void TImgView32::UpdateImage() {
  const QSize s = GetBitmapSize();
  const int sh = int(std::lround(overSize_ * scaleX_));
  const TRect v = GetViewportRect();
  BeginUpdate();
  float ox, oy;
  if (centered_) {
    ox = v.Width() > s.width() + 2 * sh ? (v.Width() - s.width()) / 2.0f : sh - hScroll_->Position();
    oy = v.Height() > s.height() + 2 * sh ? (v.Height() - s.height()) / 2.0f : sh - vScroll_->Position();
  } else {
    ox = sh - hScroll_->Position();
    oy = sh - vScroll_->Position();
  }
  SetOffsetHorz(ox);
  SetOffsetVert(oy);
  EndUpdate();
  InvalidateCache();
  Changed();
}

void TImgView32::ScrollToCenter(int x, int y) {
  disableScrollUpdate_ = true;
  AlignAll();
  const TRect v = GetViewportRect();
  const int sh = int(std::lround(overSize_ * scaleX_));
  hScroll_->SetPosition(x * scaleX_ - v.Width() / 2.0f + sh);
  vScroll_->SetPosition(y * scaleY_ - v.Height() / 2.0f + sh);
  disableScrollUpdate_ = false;
  UpdateImage();
}

void TImgView32::Scroll(int dx, int dy) {
  disableScrollUpdate_ = true;
  hScroll_->SetPosition(hScroll_->Position() + dx);
  vScroll_->SetPosition(vScroll_->Position() + dy);
  disableScrollUpdate_ = false;
  UpdateImage();
}

void TImgView32::ScrollHandler(TArrowBar* sender) {
  if (disableScrollUpdate_) return;
  sender->update();
  UpdateImage();
  if (OnScroll) OnScroll();
  update();
}

void TImgView32::SetCentered(bool v) {
  centered_ = v;
  InvalidateCache();
  hScroll_->Centered = vScroll_->Centered = v;
  UpdateScrollBars();
  UpdateImage();
  if (v) ScrollToCenter(bitmap_.Width() / 2, bitmap_.Height() / 2);
  else ScrollToCenter(0, 0);
}

void TImgView32::SetScaleMode(TScaleMode value) {
  TCustomImage32::SetScaleMode(value);
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
  if (centered_) ScrollToCenter(bitmap_.Width() / 2, bitmap_.Height() / 2);
  else ScrollToCenter(0, 0);
}

void TImgView32::SetOverSize(int v) {
  if (v == overSize_) return;
  overSize_ = v;
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
}

void TImgView32::SetSizeGrip(TSizeGripStyle v) {
  if (v == sizeGrip_) return;
  sizeGrip_ = v;
  Invalidate();
}

void TImgView32::SetScrollBarVisibility(TScrollBarVisibility v) {
  if (v == visibility_) return;
  visibility_ = v;
  AlignAll();
  ResizeBuffer();
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
}

void TImgView32::SetScrollBarSize(int v) {
  v = std::max(0, v);
  if (v == scrollBarSize_) return;
  scrollBarSize_ = v;
  AlignAll();
  ResizeBuffer();
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
}

void TImgView32::BitmapResized() {
  TCustomImage32::BitmapResized();
  UpdateScrollBars();
  if (centered_) {
    ScrollToCenter(bitmap_.Width() / 2, bitmap_.Height() / 2);
  } else {
    disableScrollUpdate_ = true;
    hScroll_->SetPosition(0);
    vScroll_->SetPosition(0);
    disableScrollUpdate_ = false;
    UpdateImage();
  }
}

void TImgView32::DoScaleChange() {
  TCustomImage32::DoScaleChange();
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
  Invalidate();
}

void TImgView32::resizeEvent(QResizeEvent* e) {
  AlignAll();
  InvalidateCache();
  UpdateScrollBars();
  UpdateImage();
  Invalidate();
  TCustomImage32::resizeEvent(e);
}

bool TImgView32::GetSizeGripVisible() const {
  if (sizeGrip_ == TSizeGripStyle::sgAlways) return true;
  if (sizeGrip_ == TSizeGripStyle::sgNone || !GetScrollBarsVisible()) return false;
  // Automatic: only when the view fills its window up to the top.
  const QWidget* w = this;
  while (w->parentWidget() != nullptr && !w->isWindow()) {
    const QWidget* p = w->parentWidget();
    if (w->geometry() != p->contentsRect() && w->geometry() != p->rect()) return false;
    w = p;
  }
  return true;
}

QRect TImgView32::SizeGripRect() const {
  const int s = GetScrollBarSize();
  return QRect(width() - s, height() - s, s, s);
}

void TImgView32::paintEvent(QPaintEvent* e) {
  TCustomImage32::paintEvent(e);
  const int s = GetScrollBarSize();
  if (s <= 0) return;
  QPainter p(this);
  const QRect g = SizeGripRect();
  p.fillRect(g, palette().color(QPalette::Button));
  if (GetSizeGripVisible()) {
    p.setPen(palette().color(QPalette::Dark));
    for (int i = 3; i < s; i += 4) p.drawLine(g.right() - i, g.bottom(), g.right(), g.bottom() - i);
  }
}

void TImgView32::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && GetSizeGripVisible() && SizeGripRect().contains(e->position().toPoint()) &&
      window()->windowHandle() != nullptr) {
    window()->windowHandle()->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    return;
  }
  TCustomImage32::mousePressEvent(e);
}

void TImgView32::mouseMoveEvent(QMouseEvent* e) {
  const bool overGrip = GetSizeGripVisible() && SizeGripRect().contains(e->position().toPoint());
  if (overGrip && !gripCursor_) {
    savedCursor_ = cursor();
    setCursor(Qt::SizeFDiagCursor);
    gripCursor_ = true;
  } else if (!overGrip && gripCursor_) {
    setCursor(savedCursor_);
    gripCursor_ = false;
  }
  TCustomImage32::mouseMoveEvent(e);
}

}  // namespace kalvora::raster

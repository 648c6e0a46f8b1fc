#pragma once
// Controls that paint through an off-screen TBitmap32: the paint box, the image control with its
// bitmap, layers and paint stages, and the scrollable image view.
#include <QCursor>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "Bitmap32.h"
#include "Layers.h"
#include "RangeBars.h"

namespace kalvora::raster {

class TCustomRepaintOptimizer;

enum class TRepaintMode { rmFull, rmDirect, rmOptimizer };
enum class TBitmapAlign { baTopLeft = 0, baCenter = 1, baTile = 2, baCustom = 3 };
enum TPaintBoxOption : unsigned { pboWantArrowKeys = 1, pboAutoFocus = 2 };
using TPaintBoxOptions = unsigned;
// How a parent lays the control out (the auto-size rule proposes only the free sides).
enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum class TScaleMode { smNormal = 0, smStretch = 1, smScale = 2, smResize = 3, smOptimal = 4, smOptimalScaled = 5 };

class TCustomPaintBox32 : public QWidget {
  Q_OBJECT
 public:
  explicit TCustomPaintBox32(QWidget* parent = nullptr);
  ~TCustomPaintBox32() override;

  TBitmap32* Buffer() { return &buffer_; }
  static constexpr int BufferOversize = 40;
  TRepaintMode RepaintMode() const { return repaintMode_; }
  virtual void SetRepaintMode(TRepaintMode value);
  TCustomRepaintOptimizer* RepaintOptimizer() const { return optimizer_.get(); }
  // Control areas to repaint; empty means everything.
  const std::vector<TRect>& InvalidRects() const { return invalidRects_; }
  bool BufferValid() const { return bufferValid_; }

  virtual void Invalidate();
  void ForceFullInvalidate();
  virtual TRect GetViewportRect() const;

  std::function<void()> OnGDIOverlay, OnMouseEnter, OnMouseLeave, OnResize;
  // Arrow keys reach it (pboWantArrowKeys) as OnKeyDown; others are left to the parent.
  std::function<void(int key, Qt::KeyboardModifiers)> OnKeyDown;

  TPaintBoxOptions Options = 0;
  bool MouseInControl() const { return mouseInControl_; }
  // Called once the creator has set the control up (the image lets OnInitStages replace its stages).
  virtual void Loaded() {}

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  bool CustomRepaint() const;
  virtual bool InvalidRectsAvailable() { return true; }
  void DoPrepareInvalidRects();
  virtual void DoPaintBuffer();
  virtual void DoPaintGDIOverlay(QPainter&) { if (OnGDIOverlay) OnGDIOverlay(); }
  void ResizeBuffer();
  void addInvalidRect(const TRect& r);
  void updateRect(const TRect& r);
  // Asks for a paint of what the pending changes touch (everything when that is not known).
  void RequestRepaint();

  TBitmap32 buffer_;
  bool bufferValid_ = false;
  bool forceFullRepaint_ = true;
  std::vector<TRect> invalidRects_;
  std::unique_ptr<TCustomRepaintOptimizer> optimizer_;
  bool mouseInControl_ = false;

 private:
  TRepaintMode repaintMode_ = TRepaintMode::rmFull;
};

class TPaintBox32 : public TCustomPaintBox32 {
  Q_OBJECT
 public:
  explicit TPaintBox32(QWidget* parent = nullptr);
  std::function<void(TPaintBox32*)> OnPaintBuffer;

 protected:
  void DoPaintBuffer() override;
};

struct TPaintStage {
  bool DsgnTime = false;
  bool RunTime = true;
  unsigned Stage = 0;
  unsigned Parameter = 0;
};
constexpr unsigned PST_CUSTOM = 1, PST_CLEAR_BUFFER = 2, PST_CLEAR_BACKGND = 3, PST_DRAW_BITMAP = 4,
                   PST_DRAW_LAYERS = 5, PST_CONTROL_FRAME = 6, PST_BITMAP_FRAME = 7;

class TPaintStages {
 public:
  TPaintStage* Add() { items_.emplace_back(); return &items_.back(); }
  void Clear() { items_.clear(); }
  int Count() const { return int(items_.size()); }
  TPaintStage& Items(int i) { return items_.at(std::size_t(i)); }
  void Assign(const TPaintStages& source) { if (&source != this) items_ = source.items_; }

 private:
  std::vector<TPaintStage> items_;
};

class TCustomImage32 : public TCustomPaintBox32 {
  Q_OBJECT
 public:
  explicit TCustomImage32(QWidget* parent = nullptr);
  ~TCustomImage32() override;

  TBitmap32* Bitmap() { return &bitmap_; }
  void SetBitmap(const TBitmap32* value);
  TLayerCollection* Layers() { return layers_.get(); }
  TPaintStages* PaintStages() { return &stages_; }
  TBitmapAlign BitmapAlign() const { return bitmapAlign_; }
  void SetBitmapAlign(TBitmapAlign v);
  float OffsetHorz() const { return offsetHorz_; }
  void SetOffsetHorz(float v);
  float OffsetVert() const { return offsetVert_; }
  void SetOffsetVert(float v);
  float Scale() const { return scaleX_; }
  void SetScale(float value);
  TScaleMode ScaleMode() const { return scaleMode_; }
  virtual void SetScaleMode(TScaleMode value);
  void SetRepaintMode(TRepaintMode value) override;
  bool AutoSize = false;
  TAlign Align = TAlign::alNone;
  // Proposes the bitmap's size (scaled in scale mode) for the sides the alignment leaves free.
  bool CanAutoSize(int& newWidth, int& newHeight);
  void Loaded() override;

  void BeginUpdate() { ++updateCount_; }
  // Raises std::logic_error "Unpaired EndUpdate call" without a matching BeginUpdate.
  void EndUpdate();
  virtual void Changed();
  void Invalidate() override;
  void InvalidateCache();
  QSize GetBitmapSize() const;
  virtual TRect GetBitmapRect() const;
  TPoint BitmapToControl(TPoint p);
  TPoint ControlToBitmap(TPoint p);
  void PaintTo(TBitmap32* dest, const TRect& destRect);
  void SetupBitmap(bool doClear = false, TColor32 clearColor = 0xFF000000u);
  TRect CachedBitmapRect() { UpdateCache(); return cachedBitmapRect_; }

  std::function<void(TCustomImage32*, Qt::MouseButton, Qt::KeyboardModifiers, int, int, TCustomLayer*)>
      OnMouseDown, OnMouseUp;
  std::function<void(TCustomImage32*, Qt::KeyboardModifiers, int, int, TCustomLayer*)> OnMouseMove;
  std::function<void(TCustomImage32*, TBitmap32*, unsigned)> OnPaintStage;
  std::function<void()> OnChange, OnBitmapResize, OnScaleChange, OnInitStages;

 protected:
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;
  bool InvalidRectsAvailable() override;
  virtual void DoInitStages() { if (OnInitStages) OnInitStages(); }
  void DoPaintGDIOverlay(QPainter& p) override;
  void showLayerCursor(const TCustomLayer* layer);
  void DoPaintBuffer() override;
  virtual void BitmapResized();
  virtual void DoScaleChange() { if (OnScaleChange) OnScaleChange(); }
  void InitDefaultStages();
  void UpdateCache();
  void runStage(TBitmap32* dest, unsigned index);
  void bitmapAreaChanged(const TRect& area);
  TColor32 controlColor() const;

  TBitmap32 bitmap_;
  std::unique_ptr<TLayerCollection> layers_;
  TPaintStages stages_;
  TBitmapAlign bitmapAlign_ = TBitmapAlign::baTopLeft;
  float offsetHorz_ = 0, offsetVert_ = 0;
  float scaleX_ = 1, scaleY_ = 1;
  TScaleMode scaleMode_ = TScaleMode::smNormal;
  int updateCount_ = 0;
  // The view cache: bitmap rectangle and 16.16 factors.
  bool cacheValid_ = false;
  TRect cachedBitmapRect_;
  std::int32_t cachedXForm_[6] = {FixedOne, FixedOne, 0, 0, FixedOne, FixedOne};  // sx, sy, dx, dy, rx, ry
  bool layerCursor_ = false;
  QCursor ownCursor_;
};

enum class TScrollBarVisibility { svAlways, svHidden, svAuto };
enum class TSizeGripStyle { sgAuto, sgNone, sgAlways };

class TImgView32;

// The image view's scroll-bar settings as one property object: the look of both bars, their
// step, their size and when they show.
class TIVScrollProperties : public TArrowBarAccess {
 public:
  TIVScrollProperties(TImgView32* view, TCustomRangeBar* hbar, TCustomRangeBar* vbar)
      : TArrowBarAccess(hbar, vbar), view_(view), hbar_(hbar), vbar_(vbar) {}
  void Assign(const TArrowBarAccess& source) override;
  int Increment() const { return hbar_->Increment; }
  void SetIncrement(int v);
  int Size() const;
  void SetSize(int v);
  TScrollBarVisibility Visibility() const;
  void SetVisibility(TScrollBarVisibility v);

 private:
  TImgView32* view_;
  TCustomRangeBar* hbar_;
  TCustomRangeBar* vbar_;
};

class TImgView32 : public TCustomImage32 {
  Q_OBJECT
 public:
  explicit TImgView32(QWidget* parent = nullptr);

  TRect GetViewportRect() const override;
  bool Centered() const { return centered_; }
  void SetCentered(bool v);
  int OverSize() const { return overSize_; }
  void SetOverSize(int v);
  TSizeGripStyle SizeGrip() const { return sizeGrip_; }
  void SetSizeGrip(TSizeGripStyle v);
  TScrollBarVisibility ScrollBarVisibility() const { return visibility_; }
  void SetScrollBarVisibility(TScrollBarVisibility v);
  void SetScrollBarSize(int v);
  int ScrollBarSizeSetting() const { return scrollBarSize_; }
  TIVScrollProperties* ScrollBars() const { return scrollProps_.get(); }
  void SetScrollBars(const TIVScrollProperties& v) { scrollProps_->Assign(v); }
  void Loaded() override;
  void SetScaleMode(TScaleMode value) override;
  int GetScrollBarSize() const;
  bool GetScrollBarsVisible() const;
  bool GetSizeGripVisible() const;
  QRect SizeGripRect() const;
  // Bitmap coordinates.
  void ScrollToCenter(int x, int y);
  void Scroll(int dx, int dy);
  TCustomRangeBar* HScroll() const { return hScroll_; }
  TCustomRangeBar* VScroll() const { return vScroll_; }

  std::function<void()> OnScroll;

 protected:
  void resizeEvent(QResizeEvent*) override;
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void BitmapResized() override;
  void DoScaleChange() override;
  void UpdateImage();
  void UpdateScrollBars();
  void AlignAll();
  void ScrollHandler(TArrowBar* sender);

 private:
  bool centered_ = true;
  int overSize_ = 0;
  int scrollBarSize_ = 0;
  TScrollBarVisibility visibility_ = TScrollBarVisibility::svAlways;
  TSizeGripStyle sizeGrip_ = TSizeGripStyle::sgAuto;
  bool disableScrollUpdate_ = false;
  bool gripCursor_ = false;
  QCursor savedCursor_;
  TCustomRangeBar* hScroll_ = nullptr;
  TCustomRangeBar* vScroll_ = nullptr;
  std::unique_ptr<TIVScrollProperties> scrollProps_;
};

}  // namespace kalvora::raster

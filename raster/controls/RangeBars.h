#pragma once
// Scroll-bar-like controls drawn by the program itself: the arrow bar base, the range bar over a
// floating-point position, and the gauge bar over an integer position.
#include <QTimer>
#include <QColor>
#include <QWidget>
#include <functional>

class QPainter;

namespace kalvora::raster {

enum class TRBStyle { rbsDefault, rbsMac };
enum class TRBBackgnd { bgPattern, bgSolid };
enum class TScrollBarKind { sbHorizontal, sbVertical };
enum class TRBBorderStyle { bsNone, bsSingle };
// 0 none, 1 first button, 2 track before the handle, 3 handle, 4 track after, 5 second button.
using TRBZone = int;

class TArrowBar : public QWidget {
  Q_OBJECT
 public:
  explicit TArrowBar(QWidget* parent = nullptr);

  std::function<void(TArrowBar*)> OnChange;
  std::function<void(TArrowBar*)> OnUserChange;
  std::function<void(TArrowBar*)> OnMouseUp;

  TRBBackgnd Backgnd() const { return backgnd_; }
  void SetBackgnd(TRBBackgnd v);
  // The track's colour (the platform's scroll-bar colour by default).
  QColor Color() const { return colors_[0]; }
  void SetColor(const QColor& v) { setColorAt(0, v); }
  QColor HandleColor() const { return colors_[1]; }
  void SetHandleColor(const QColor& v) { setColorAt(1, v); }
  QColor ButtonColor() const { return colors_[2]; }
  void SetButtonColor(const QColor& v) { setColorAt(2, v); }
  QColor HighLightColor() const { return colors_[3]; }
  void SetHighLightColor(const QColor& v) { setColorAt(3, v); }
  QColor ShadowColor() const { return colors_[4]; }
  void SetShadowColor(const QColor& v) { setColorAt(4, v); }
  QColor BorderColor() const { return colors_[5]; }
  void SetBorderColor(const QColor& v) { setColorAt(5, v); }
  bool ShowHandleGrip() const { return showHandleGrip_; }
  void SetShowHandleGrip(bool v);
  TRBBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TRBBorderStyle v);
  int ButtonSize() const { return buttonSize_; }
  void SetButtonSize(int v);
  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind v);
  bool ShowArrows() const { return showArrows_; }
  void SetShowArrows(bool v);
  TRBStyle Style() const { return style_; }
  void SetStyle(TRBStyle v);

  // The client rectangle inside the border.
  QRect ClientRect() const;
  // Automatic or set button size along the bar (0: no buttons).
  int GetButtonSize() const;
  virtual QRect GetHandleRect() const = 0;
  TRBZone GetZone(int x, int y) const;
  TRBZone DragZone() const { return dragZone_; }
  TRBZone HotZone() const { return hotZone_; }
  virtual bool DrawEnabled() const { return isEnabled(); }
  // The timer behind auto-repeat and hot tracking (tests drive it).
  QTimer* RepeatTimer() { return &timer_; }

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent*) override;
  void changeEvent(QEvent* e) override;

  bool horz() const { return kind_ == TScrollBarKind::sbHorizontal; }
  int length() const;     // client length along the bar
  int thickness() const;  // client size across the bar
  QRect trackRect() const;
  void DoChange();
  virtual void TimerHandler();
  virtual void StepFor(TRBZone zone, QPoint mouse) = 0;  // one auto-repeat step
  virtual void DragHandle(int delta) = 0;                 // handle moved by delta along the bar
  virtual void BeginHandleDrag() = 0;
  void MouseLeft();
  // The parts of the bar; direction 0 left, 1 up, 2 right, 3 down.
  virtual void DoDrawButton(QPainter& p, QRect r, int direction, bool pushed, bool enabled, bool hot);
  virtual void DoDrawHandle(QPainter& p, QRect r, bool horz, bool pushed, bool hot);
  virtual void DoDrawTrack(QPainter& p, QRect r, int direction, bool pushed, bool enabled, bool hot);

  bool genChange_ = false;
  TRBZone dragZone_ = 0, hotZone_ = 0;
  QPoint stored_;
  int timerMode_ = 0;  // 1 first delay passed, 2 repeating, 3 hot tracking
  QTimer timer_;

 private:
  TRBBorderStyle borderStyle_ = TRBBorderStyle::bsSingle;
  int buttonSize_ = 0;
  TScrollBarKind kind_ = TScrollBarKind::sbHorizontal;
  bool showArrows_ = true;
  TRBStyle style_ = TRBStyle::rbsDefault;
  TRBBackgnd backgnd_ = TRBBackgnd::bgPattern;
  bool showHandleGrip_ = true;
  QColor colors_[6];  // Color, handle, button, highlight, shadow, border
  void setColorAt(int i, const QColor& v);
};

class TCustomRangeBar : public TArrowBar {
  Q_OBJECT
 public:
  explicit TCustomRangeBar(QWidget* parent = nullptr);
  bool Centered = false;
  int Increment = 8;
  float Position() const { return position_; }
  void SetPosition(float v);
  int Range() const { return range_; }
  void SetRange(int v) { SetParams(v, window_); }
  int Window() const { return window_; }
  void SetWindow(int v) { SetParams(range_, v); }
  void SetParams(int newRange, int newWindow);
  // Window, or the bar's length when Window is 0 (read live: a hidden bar gets no resize event).
  int EffectiveWindow() const { return window_ > 0 ? window_ : (horz() ? width() : height()); }
  QRect GetHandleRect() const override;
  bool DrawEnabled() const override { return isEnabled() && range_ > EffectiveWindow(); }

 protected:
  void resizeEvent(QResizeEvent*) override;
  void wheelEvent(QWheelEvent* e) override;
  void StepFor(TRBZone zone, QPoint mouse) override;
  void DragHandle(int delta) override;
  void BeginHandleDrag() override { posBeforeDrag_ = position_; }
  void AdjustPosition();
  void updateEffectiveWindow();
  void keepCentre(int oldRange, int oldEw);

 private:
  float position_ = 0, posBeforeDrag_ = 0;
  int range_ = 0, window_ = 0, effectiveWindow_ = 0;
};

class TGaugeBar : public TArrowBar {
  Q_OBJECT
 public:
  explicit TGaugeBar(QWidget* parent = nullptr);
  int Position() const { return position_; }
  void SetPosition(int v);
  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int LargeChange() const { return largeChange_; }
  void SetLargeChange(int v) { largeChange_ = v < 1 ? 1 : v; }
  int SmallChange() const { return smallChange_; }
  void SetSmallChange(int v) { smallChange_ = v < 1 ? 1 : v; }
  int HandleSize() const { return handleSize_; }
  void SetHandleSize(int v);
  QRect GetHandleRect() const override;
  // True while a form sets its bars up (Min and Max do not push each other then).
  bool Loading = false;

 protected:
  void wheelEvent(QWheelEvent* e) override;
  void StepFor(TRBZone zone, QPoint mouse) override;
  void DragHandle(int delta) override;
  void BeginHandleDrag() override { posBeforeDrag_ = position_; }

 private:
  int position_ = 0, posBeforeDrag_ = 0, min_ = 0, max_ = 100;
  int largeChange_ = 1, smallChange_ = 1, handleSize_ = 0;
};

// The look of a bar as a property object, so an owner can expose its bars' look as one
// setting. A second bar, when given, follows every change, so both bars of a view look alike.
class TArrowBarAccess {
 public:
  // The getters read the master bar, so a proxy always has one.
  explicit TArrowBarAccess(TArrowBar* master, TArrowBar* slave = nullptr) : master_(master), slave_(slave) {}
  virtual ~TArrowBarAccess() = default;
  TArrowBar* Master() const { return master_; }
  // Copies every look setting from another proxy (nothing when either has no bar).
  virtual void Assign(const TArrowBarAccess& source);

  QColor Color() const { return master_->Color(); }
  void SetColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetColor(v); }); }
  TRBBackgnd Backgnd() const { return master_->Backgnd(); }
  void SetBackgnd(TRBBackgnd v) { apply([&](TArrowBar* b) { b->SetBackgnd(v); }); }
  int ButtonSize() const { return master_->ButtonSize(); }
  void SetButtonSize(int v) { apply([&](TArrowBar* b) { b->SetButtonSize(v); }); }
  QColor HandleColor() const { return master_->HandleColor(); }
  void SetHandleColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetHandleColor(v); }); }
  QColor ButtonColor() const { return master_->ButtonColor(); }
  void SetButtonColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetButtonColor(v); }); }
  QColor HighLightColor() const { return master_->HighLightColor(); }
  void SetHighLightColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetHighLightColor(v); }); }
  QColor ShadowColor() const { return master_->ShadowColor(); }
  void SetShadowColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetShadowColor(v); }); }
  QColor BorderColor() const { return master_->BorderColor(); }
  void SetBorderColor(const QColor& v) { apply([&](TArrowBar* b) { b->SetBorderColor(v); }); }
  bool ShowArrows() const { return master_->ShowArrows(); }
  void SetShowArrows(bool v) { apply([&](TArrowBar* b) { b->SetShowArrows(v); }); }
  bool ShowHandleGrip() const { return master_->ShowHandleGrip(); }
  void SetShowHandleGrip(bool v) { apply([&](TArrowBar* b) { b->SetShowHandleGrip(v); }); }
  TRBStyle Style() const { return master_->Style(); }
  void SetStyle(TRBStyle v) { apply([&](TArrowBar* b) { b->SetStyle(v); }); }

 protected:
  template <class F>
  void apply(F f) {
    if (master_ != nullptr) f(master_);
    if (slave_ != nullptr) f(slave_);
  }
  TArrowBar* master_;
  TArrowBar* slave_;
};

}  // namespace kalvora::raster

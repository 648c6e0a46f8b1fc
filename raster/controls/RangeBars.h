#pragma once
// Scroll-bar-like controls drawn by the program itself: the arrow bar base, the range bar over a
// floating-point position, and the gauge bar over an integer position.
#include <QTimer>
#include <QWidget>
#include <functional>

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

  TRBBackgnd Backgnd = TRBBackgnd::bgPattern;
  std::function<void(TArrowBar*)> OnChange;
  std::function<void(TArrowBar*)> OnUserChange;
  std::function<void(TArrowBar*)> OnMouseUp;

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

}  // namespace kalvora::raster

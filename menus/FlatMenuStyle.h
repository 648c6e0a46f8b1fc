#pragma once
// The proxy style set on every owner-drawn menu bar and menu (and on subclassed controls): it
// asks the registry who measures and draws an item and leaves everything else to the base style.
#include <QProxyStyle>

class TFlatMenu;

class FlatMenuStyle : public QProxyStyle {
  Q_OBJECT
 public:
  FlatMenuStyle();
  QSize sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size,
                         const QWidget* w) const override;
  void drawControl(ControlElement el, const QStyleOption* opt, QPainter* p, const QWidget* w) const override;
  void drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p, const QWidget* w) const override;
  int pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* w) const override;
  int styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w,
                QStyleHintReturn* ret) const override;
};

// The one flat style of the program (owned by the application object).
FlatMenuStyle* FlatStyle();
// The component that paints the frame of a popup menu: the manager's active one, else the
// component that hooked the menu's items.
TFlatMenu* FrameMenuFor(const QWidget* menu);

#pragma once
// Flat look for an ordinary control: the object watches the control's events (hover, focus,
// presses, the space key) and the flat style paints the control's frame and face from that state.
#include <QObject>
#include <QPointer>
#include <QStyle>

class QWidget;
class QPainter;
class QStyleOption;
class TFlatMenu;

class TControlSubClass : public QObject {
  Q_OBJECT
 public:
  explicit TControlSubClass(TFlatMenu* owner);
  ~TControlSubClass() override;

  // Takes the control over unless it already has a subclass object.
  void Attach(QWidget* control);
  // Takes over a control from another object (hand-over between components).
  void TakeOver(TControlSubClass* from);
  // Gives the control its former style back and lets go of it.
  void GiveBack();
  static TControlSubClass* Of(const QWidget* w);

  bool PaintPrimitive(QStyle::PrimitiveElement el, const QStyleOption* opt, QPainter* p);
  bool PaintControl(QStyle::ControlElement el, const QStyleOption* opt, QPainter* p);

  QPointer<QWidget> Control;
  bool KeepOnDestroy = false;
  bool Hot = false;
  bool MouseDown = false;
  bool SpaceDown = false;
  bool SpacePainted = false;
  bool HasFocus = false;
  QPointer<TFlatMenu> Menu;
  QPointer<QStyle> OrgStyle;  // null: the control followed the application's style
  int LastMessage = 0;
  int Paints = 0;  // requests to repaint, for tests of the once-only space paint

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void paint();
};

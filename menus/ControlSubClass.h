#pragma once
// Flat look for an ordinary control: the object watches the control's events (hover, focus,
// presses, the space key) and the flat style paints the control's frame and face from that state.
#include <QObject>
#include <QPointer>
#include <QStyle>

#include "ControlPainters.h"

class QWidget;
class QPainter;
class QStyleOption;
class QStyleOptionComplex;
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
  bool PaintComplex(QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p);

  // Which painter the control gets, decided once when it is taken over. A combo box whose class
  // is named "TDBLookupComboBox" or whose "lookup" property is true is a lookup combo; a tool
  // button is a speed button (its "glyph" image property may hold "numGlyphs" slices side by
  // side, its "glyphLayout" and "spacing" properties place glyph and caption).
  enum Kind {
    kNone, kCombo, kLookupCombo, kEdit, kMemo, kCheckBox, kRadio, kButton, kBitButton, kSpeedButton,
    kPanel, kGroupBox, kList, kListView, kProgress, kUpDown
  };
  static Kind KindOf(const QWidget* w);
  Kind ControlKind = kNone;

  QPointer<QWidget> Control;
  bool KeepOnDestroy = false;
  bool Hot = false;
  bool MouseDown = false;
  bool SpaceDown = false;
  bool SpacePainted = false;
  bool HasFocus = false;
  QPointer<TFlatMenu> Menu;
  QPointer<QStyle> OrgStyle;  // null: the control followed the application's style
  bool OrgFramed = true;    // the control had a border when taken over
  int OrgFrameStyle = -1;   // frame style and width of a list or memo, put back on release
  int OrgLineWidth = 1;
  int LastMessage = 0;
  int Paints = 0;  // requests to repaint, for tests of the once-only space paint

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void paint();
  kvmenu::ControlState state() const;
  kvmenu::TColor buttonFace() const;
  void paintButtonLabel(const QStyleOption* opt, QPainter* p);
  void flattenFrame();
  void restoreFrame();
};

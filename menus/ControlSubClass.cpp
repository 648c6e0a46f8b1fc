#include "ControlSubClass.h"

#include <QApplication>
#include <QCheckBox>
#include <QMouseEvent>
#include <QToolButton>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>

#include "FlatMenu.h"
#include "FlatMenuStyle.h"

using namespace kvmenu;

namespace {
const char* kProp = "kvSubClass";

TColor parentColor(const QWidget* w) {
  const QWidget* p = w->parentWidget() ? w->parentWidget() : w;
  return FromQColor(p->palette().color(p->backgroundRole()));
}
TColor ownColor(const QWidget* w) { return FromQColor(w->palette().color(w->backgroundRole())); }

void outlineRect(QPainter* p, const QRect& r, TColor c) {
  p->save();
  p->setPen(ToQColor(c));
  p->setBrush(Qt::NoBrush);
  p->drawRect(r.adjusted(0, 0, -1, -1));
  p->restore();
}
}  // namespace

TControlSubClass::TControlSubClass(TFlatMenu* owner) : QObject(owner), Menu(owner) {}

TControlSubClass::~TControlSubClass() { GiveBack(); }

TControlSubClass* TControlSubClass::Of(const QWidget* w) {
  if (!w) return nullptr;
  return qobject_cast<TControlSubClass*>(w->property(kProp).value<QObject*>());
}

void TControlSubClass::Attach(QWidget* control) {
  if (!control || Of(control)) return;
  Control = control;
  OrgStyle = control->testAttribute(Qt::WA_SetStyle) ? control->style() : nullptr;
  control->setProperty(kProp, QVariant::fromValue<QObject*>(this));
  control->installEventFilter(this);
  control->setStyle(FlatStyle());
}

void TControlSubClass::TakeOver(TControlSubClass* from) {
  if (!from || !from->Control) return;
  QWidget* c = from->Control;
  c->removeEventFilter(from);
  Control = c;
  OrgStyle = from->OrgStyle;
  from->Control = nullptr;
  c->setProperty(kProp, QVariant::fromValue<QObject*>(this));
  c->installEventFilter(this);
}

void TControlSubClass::GiveBack() {
  QWidget* c = Control;
  Control = nullptr;
  if (!c || Of(c) != this) return;
  c->removeEventFilter(this);
  c->setProperty(kProp, QVariant());
  c->setStyle(OrgStyle);
  c->update();
}

void TControlSubClass::paint() {
  ++Paints;
  if (Control) {
    HasFocus = Control->hasFocus();
    Control->update();
  }
}

bool TControlSubClass::eventFilter(QObject* watched, QEvent* e) {
  if (watched != Control) return false;
  if (Menu && !Menu->Active()) {
    // The component was switched off: the control gets its former look back.
    GiveBack();
    deleteLater();
    return false;
  }
  LastMessage = e->type();
  switch (e->type()) {
    case QEvent::Destroy: GiveBack(); break;
    case QEvent::FocusIn: Hot = true; paint(); break;
    case QEvent::FocusOut: Hot = false; paint(); break;
    case QEvent::Enter:
      if (Control->isEnabled()) { Hot = true; paint(); }
      break;
    case QEvent::Leave:
      if (Control->isEnabled()) { Hot = false; paint(); }
      break;
    case QEvent::MouseButtonPress: MouseDown = true; paint(); break;
    case QEvent::MouseButtonRelease: MouseDown = false; paint(); break;
    case QEvent::MouseButtonDblClick:
      // On a button or check box a double click acts as a second click.
      if (qobject_cast<QPushButton*>(Control) || qobject_cast<QToolButton*>(Control) ||
          qobject_cast<QCheckBox*>(Control)) {
        auto* m = static_cast<QMouseEvent*>(e);
        QMouseEvent press(QEvent::MouseButtonPress, m->position(), m->scenePosition(),
                          m->globalPosition(), m->button(), m->buttons(), m->modifiers());
        QApplication::sendEvent(Control, &press);
        return true;
      }
      break;
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Space) {
        SpaceDown = true;
        if (!SpacePainted) paint();
        SpacePainted = true;
      }
      break;
    case QEvent::KeyRelease: {
      auto* k = static_cast<QKeyEvent*>(e);
      if (k->key() == Qt::Key_Space && !k->isAutoRepeat()) {
        SpaceDown = false;
        SpacePainted = false;
        paint();
      }
      break;
    }
    default: break;
  }
  return false;
}

bool TControlSubClass::PaintPrimitive(QStyle::PrimitiveElement el, const QStyleOption* opt, QPainter* p) {
  if (!Menu || !Control) return false;
  const SchemeColors& k = Menu->Scheme();
  const bool focus = Control->hasFocus();
  if (el == QStyle::PE_FrameLineEdit && qobject_cast<QLineEdit*>(Control)) {
    const TColor frame = (Hot || focus) ? LightenColor(k.SelectFrameColor, 60) : DarkenColor(parentColor(Control), 60);
    outlineRect(p, opt->rect, frame);
    return true;
  }
  if (el == QStyle::PE_IndicatorCheckBox || el == QStyle::PE_IndicatorRadioButton) {
    const bool radio = el == QStyle::PE_IndicatorRadioButton;
    TColor fill = clWindow, frame = clBtnShadow;
    if (Hot || focus) { fill = k.SelectFillColor; frame = k.SelectFrameColor; }
    if (SpaceDown || MouseDown) fill = k.CheckedSelectedFillColor;
    const bool grayed = opt->state & QStyle::State_NoChange;
    if (grayed) fill = clSilver;
    const QRect box = opt->rect.adjusted(0, 0, -1, -1);
    p->save();
    p->setPen(ToQColor(frame));
    p->setBrush(ToQColor(fill));
    if (radio) p->drawEllipse(box); else p->drawRect(box);
    const bool on = opt->state & QStyle::State_On;
    const bool enabled = opt->state & QStyle::State_Enabled;
    if (radio && on) {
      const TColor dot = enabled ? clHighlight : k.DisabledTextColor;
      p->setPen(ToQColor(dot));
      p->setBrush(ToQColor(dot));
      p->drawEllipse(box.adjusted(3, 3, -3, -3));
    } else if (!radio && (on || grayed)) {
      TColor pen = clHighlight;
      if (!enabled) pen = k.DisabledTextColor;
      else if (SpaceDown || MouseDown) pen = clWindow;
      else if (grayed) pen = 0x808080;
      p->setPen(ToQColor(pen));
      const int x = box.left() + 1, y = box.bottom() - 1;
      for (int d = 0; d < 3; ++d)
        p->drawPolyline(QPolygon({QPoint(x + 1, y - 5 - d + 2), QPoint(x + 3, y - 3 - d + 2),
                                  QPoint(x + 8, y - 8 - d + 2)}));
    }
    p->restore();
    return true;
  }
  return false;
}

bool TControlSubClass::PaintControl(QStyle::ControlElement el, const QStyleOption* opt, QPainter* p) {
  if (!Menu || !Control) return false;
  const SchemeColors& k = Menu->Scheme();
  const bool focus = Control->hasFocus();
  if (el == QStyle::CE_PushButtonBevel && qobject_cast<QPushButton*>(Control)) {
    const int tag = TagOf(Control);
    const bool bitBtn = !static_cast<QPushButton*>(Control.data())->icon().isNull();
    const bool hot = Hot || (bitBtn && SpaceDown);
    const bool parentFace = bitBtn ? (tag & 1000) == 1000 : tag == 1000;
    TColor face = hot ? LightenColor(clBtnFace, k.ControlShadeHigh) : k.IconColumnColor;
    if (parentFace) face = LightenColor(parentColor(Control), hot ? k.ControlShadeHigh : k.ControlShadeLow);
    TColor frame = (hot || focus) ? LightenColor(k.SelectFrameColor, 60) : ColorToRGB(clBtnShadow);
    const bool noFrame = bitBtn && (tag & 1001) == 1001;
    if (noFrame) frame = face;
    const QRect r = opt->rect;
    p->save();
    p->fillRect(r, ToQColor(parentColor(Control)));
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setBrush(ToQColor(face));
    p->setPen(ToQColor(noFrame ? face : LightenColor(frame, 30)));
    p->drawRoundedRect(r.adjusted(0, 0, -1, -1), 2, 2);
    if (Control->isEnabled() && !noFrame) {
      p->setPen(ToQColor(DarkenColor(frame, 50)));
      const int L = r.left(), T = r.top(), R = r.right() + 1, B = r.bottom() + 1;
      if (SpaceDown || (MouseDown && Hot))
        p->drawPolyline(QPolygon({QPoint(L, B - 2), QPoint(L, T + 1), QPoint(L + 1, T), QPoint(R - 2, T)}));
      else
        p->drawPolyline(QPolygon({QPoint(R - 1, T + 1), QPoint(R - 1, B - 2), QPoint(R - 2, B - 1), QPoint(L + 1, B - 1)}));
    }
    p->restore();
    return true;
  }
  if (el == QStyle::CE_ProgressBarGroove && qobject_cast<QProgressBar*>(Control)) {
    outlineRect(p, opt->rect, Hot ? k.SelectFrameColor : DarkenColor(parentColor(Control), 60));
    return true;
  }
  (void)ownColor;
  return false;
}

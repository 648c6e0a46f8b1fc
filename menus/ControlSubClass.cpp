#include "ControlSubClass.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOption>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

#include "ControlPainters.h"
#include "FlatMenu.h"
#include "FlatMenuStyle.h"

using namespace kvmenu;

namespace {
const char* kProp = "kvSubClass";
}  // namespace

TControlSubClass::Kind TControlSubClass::KindOf(const QWidget* w) {
  if (!w) return kNone;
  // In the order the painters are tried.
  if (qobject_cast<const QComboBox*>(w)) {
    const bool lookup = qstrcmp(w->metaObject()->className(), "TDBLookupComboBox") == 0 ||
                        w->property("lookup").toBool();
    return lookup ? kLookupCombo : kCombo;
  }
  if (qobject_cast<const QLineEdit*>(w)) return kEdit;
  if (qobject_cast<const QPlainTextEdit*>(w) || qobject_cast<const QTextEdit*>(w)) return kMemo;
  if (qobject_cast<const QCheckBox*>(w)) return kCheckBox;
  if (qobject_cast<const QRadioButton*>(w)) return kRadio;
  if (auto* pb = qobject_cast<const QPushButton*>(w)) return pb->icon().isNull() ? kButton : kBitButton;
  if (qobject_cast<const QToolButton*>(w)) return kSpeedButton;
  if (qobject_cast<const QGroupBox*>(w)) return kGroupBox;
  if (qobject_cast<const QTableView*>(w)) return kListView;
  if (qobject_cast<const QAbstractItemView*>(w)) return kList;
  if (qobject_cast<const QProgressBar*>(w)) return kProgress;
  if (qobject_cast<const QAbstractSpinBox*>(w)) return kUpDown;
  if (w->metaObject() == &QFrame::staticMetaObject) return kPanel;
  return kNone;
}

TControlSubClass::TControlSubClass(TFlatMenu* owner) : QObject(owner), Menu(owner) {}

TControlSubClass::~TControlSubClass() { GiveBack(); }

TControlSubClass* TControlSubClass::Of(const QWidget* w) {
  if (!w) return nullptr;
  return qobject_cast<TControlSubClass*>(w->property(kProp).value<QObject*>());
}

void TControlSubClass::Attach(QWidget* control) {
  if (!control || Of(control)) return;
  Control = control;
  ControlKind = KindOf(control);
  OrgStyle = control->testAttribute(Qt::WA_SetStyle) ? control->style() : nullptr;
  if (auto* le = qobject_cast<QLineEdit*>(control)) OrgFramed = le->hasFrame();
  else if (auto* f = qobject_cast<QFrame*>(control)) OrgFramed = f->frameShape() != QFrame::NoFrame;
  control->setProperty(kProp, QVariant::fromValue<QObject*>(this));
  control->installEventFilter(this);
  // A control freed while taken over takes its object with it.
  connect(control, &QObject::destroyed, this, &QObject::deleteLater);
  flattenFrame();
  control->setStyle(FlatStyle());
}

// Lists and memos lose their sunken border: the painter draws a one-pixel line in its place.
void TControlSubClass::flattenFrame() {
  if (ControlKind != kList && ControlKind != kMemo && ControlKind != kListView) return;
  auto* f = qobject_cast<QFrame*>(Control.data());
  if (!f || !OrgFramed) return;
  OrgFrameStyle = f->frameStyle();
  OrgLineWidth = f->lineWidth();
  f->setFrameStyle(QFrame::Box | QFrame::Plain);
  // The double outline needs two pixels.
  f->setLineWidth(ControlKind == kListView ? 2 : 1);
}

void TControlSubClass::restoreFrame() {
  auto* f = qobject_cast<QFrame*>(Control.data());
  if (!f || OrgFrameStyle < 0) return;
  f->setFrameStyle(OrgFrameStyle);
  f->setLineWidth(OrgLineWidth);
  OrgFrameStyle = -1;
}

void TControlSubClass::TakeOver(TControlSubClass* from) {
  if (!from || !from->Control) return;
  QWidget* c = from->Control;
  c->removeEventFilter(from);
  disconnect(c, nullptr, from, nullptr);
  Control = c;
  ControlKind = from->ControlKind;
  OrgStyle = from->OrgStyle;
  OrgFramed = from->OrgFramed;
  OrgFrameStyle = from->OrgFrameStyle;
  OrgLineWidth = from->OrgLineWidth;
  from->Control = nullptr;
  c->setProperty(kProp, QVariant::fromValue<QObject*>(this));
  c->installEventFilter(this);
  connect(c, &QObject::destroyed, this, &QObject::deleteLater);
}

void TControlSubClass::GiveBack() {
  QWidget* c = Control;
  Control = nullptr;
  if (!c || Of(c) != this) return;
  c->removeEventFilter(this);
  disconnect(c, nullptr, this, nullptr);
  c->setProperty(kProp, QVariant());
  Control = c;
  restoreFrame();
  Control = nullptr;
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

ControlState TControlSubClass::state() const {
  ControlState s;
  s.control = Control;
  s.menu = Menu;
  s.hot = Hot;
  s.focused = Control && Control->hasFocus();
  s.mouseDown = MouseDown;
  s.spaceDown = SpaceDown;
  s.enabled = Control && Control->isEnabled();
  s.rightToLeft = Control && Control->layoutDirection() == Qt::RightToLeft;
  s.framed = OrgFramed;
  s.tag = TagOf(Control);
  return s;
}

bool TControlSubClass::PaintPrimitive(QStyle::PrimitiveElement el, const QStyleOption* opt, QPainter* p) {
  if (!Menu || !Control) return false;
  const SchemeColors& k = Menu->Scheme();
  const bool focus = Control->hasFocus();
  if (ControlKind == kEdit && el == QStyle::PE_FrameLineEdit) {
    PaintFlatEdit(*p, state(), opt->rect);
    return true;
  }
  if (ControlKind == kEdit && el == QStyle::PE_PanelLineEdit && !OrgFramed) {
    // A borderless edit still gets its one-pixel line, in its own colour at rest.
    FlatStyle()->baseStyle()->drawPrimitive(el, opt, p, Control);
    PaintFlatEdit(*p, state(), opt->rect);
    return true;
  }
  if ((ControlKind == kCheckBox && el == QStyle::PE_IndicatorCheckBox) ||
      (ControlKind == kRadio && el == QStyle::PE_IndicatorRadioButton)) {
    const bool radio = el == QStyle::PE_IndicatorRadioButton;
    TColor fill = clWindow, frame = clBtnShadow;
    if (radio ? focus : (Hot || focus)) fill = k.SelectFillColor;
    if (Hot || focus) frame = k.SelectFrameColor;
    if (SpaceDown || MouseDown) fill = k.CheckedSelectedFillColor;
    const bool grayed = opt->state & QStyle::State_NoChange;
    if (grayed) fill = clSilver;
    const QRect box = opt->rect.adjusted(0, 0, -1, -1);
    if (box.width() <= 0 || box.height() <= 0) return true;
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

namespace {
BevelKind bevelOf(QFrame::Shadow s) {
  return s == QFrame::Sunken ? bvLowered : s == QFrame::Raised ? bvRaised : bvNone;
}
}  // namespace

bool TControlSubClass::PaintControl(QStyle::ControlElement el, const QStyleOption* opt, QPainter* p) {
  if (!Menu || !Control) return false;
  const SchemeColors& k = Menu->Scheme();
  const bool focus = Control->hasFocus();
  if (el == QStyle::CE_PushButtonLabel && (ControlKind == kButton || ControlKind == kBitButton)) {
    paintButtonLabel(opt, p);
    return true;
  }
  if (el == QStyle::CE_PushButtonBevel && (ControlKind == kButton || ControlKind == kBitButton)) {
    const int tag = TagOf(Control);
    const bool bitBtn = ControlKind == kBitButton;
    const bool hot = Hot || (bitBtn && SpaceDown);
    const TColor parent = ParentColorOf(Control);
    const TColor face = buttonFace();
    TColor frame = (hot || focus) ? LightenColor(k.SelectFrameColor, 60) : ColorToRGB(clBtnShadow);
    const bool noFrame = bitBtn && (tag & 1001) == 1001;
    if (noFrame) frame = face;
    const QRect r = opt->rect;
    if (r.width() <= 0 || r.height() <= 0) return true;
    p->save();
    p->fillRect(r, ToQColor(parent));
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
  if (el == QStyle::CE_ProgressBar && ControlKind == kProgress) {
    FlatStyle()->baseStyle()->drawControl(el, opt, p, Control);
    PaintFlatProgress(*p, state(), Control->rect());
    return true;
  }
  if (el == QStyle::CE_ShapedFrame) {
    auto* f = qobject_cast<QFrame*>(Control.data());
    if (!f) return false;
    switch (ControlKind) {
      case kList:
        PaintFlatListBorder(*p, state(), Control->rect());
        return true;
      case kMemo:
        PaintFlatEdit(*p, state(), Control->rect());
        return true;
      case kListView:
        PaintFlatDoubleOutline(*p, state(), Control->rect());
        return true;
      case kPanel: {
        // Outer bevel from the frame's shadow; a double (window-style) panel repeats it inside.
        const BevelKind outer = bevelOf(f->frameShadow());
        if (outer == bvNone || f->frameShape() == QFrame::NoFrame) return false;
        const BevelKind inner = f->frameShape() == QFrame::WinPanel ? outer : bvNone;
        PaintFlatPanel(*p, state(), opt->rect, outer, inner, std::max(1, f->lineWidth()), f->midLineWidth());
        return true;
      }
      default: return false;
    }
  }
  return false;
}

TColor TControlSubClass::buttonFace() const {
  const SchemeColors& k = Menu->Scheme();
  const int tag = TagOf(Control);
  const bool bitBtn = ControlKind == kBitButton;
  const bool hot = Hot || (bitBtn && SpaceDown);
  const bool parentFace = bitBtn ? (tag & 1000) == 1000 : tag == 1000;
  if (parentFace) return LightenColor(ParentColorOf(Control), hot ? k.ControlShadeHigh : k.ControlShadeLow);
  return hot ? LightenColor(clBtnFace, k.ControlShadeHigh) : k.IconColumnColor;
}

// The caption in the menus' text colours (a default button's caption gets its extra passes);
// a bit button's glyph goes before it, treated as the menus treat glyphs.
void TControlSubClass::paintButtonLabel(const QStyleOption* opt, QPainter* p) {
  auto* b = qobject_cast<QPushButton*>(Control.data());
  const QRect r = opt->rect;
  if (!b || r.width() <= 0 || r.height() <= 0) return;
  const bool enabled = b->isEnabled();
  const bool rtl = b->layoutDirection() == Qt::RightToLeft;
  const TColor face = buttonFace();
  const QString text = b->text();
  const QFontMetrics fm(b->font());
  QImage glyph;
  if (ControlKind == kBitButton && !b->icon().isNull()) glyph = b->icon().pixmap(b->iconSize()).toImage();
  const int gap = glyph.isNull() || text.isEmpty() ? 0 : 4;
  const int tw = text.isEmpty() ? 0 : fm.horizontalAdvance(QString(text).remove(QLatin1Char('&')));
  const int total = glyph.width() + gap + tw;
  int x = r.left() + (r.width() - total) / 2;
  if (!glyph.isNull()) {
    // The glyph is treated on a small piece of the face, room left for its shadow.
    QImage buf(glyph.width() + 3, glyph.height() + 3, QImage::Format_RGB32);
    buf.fill(ToQColor(face));
    PaintButtonGlyph(buf, Menu, glyph, {1, 1}, false, enabled, Hot);
    const int gx = rtl ? r.left() + r.width() - (x - r.left()) - glyph.width() : x;
    p->drawImage(gx - 1, r.top() + (r.height() - glyph.height()) / 2 - 1, buf);
    x += glyph.width() + gap;
  }
  if (text.isEmpty()) return;
  QRect tr = glyph.isNull() ? r : QRect(x, r.top(), tw + 1, r.height());
  if (!glyph.isNull() && rtl) tr.moveLeft(r.left() + r.width() - (x - r.left()) - tw - 1);
  const int flags = glyph.isNull() ? Qt::AlignCenter : (Qt::AlignVCenter | (rtl ? Qt::AlignRight : Qt::AlignLeft));
  PaintButtonCaption(*p, Menu, b->font(), text, tr, flags, enabled, b->isDefault() && enabled, face);
}

bool TControlSubClass::PaintComplex(QStyle::ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p) {
  if (!Menu || !Control) return false;
  QStyle* base = FlatStyle()->baseStyle();
  const ControlState s = state();
  if (cc == QStyle::CC_ComboBox && (ControlKind == kCombo || ControlKind == kLookupCombo)) {
    // The text field is a plain window-coloured field, also for a list-only combo.
    if (auto* co = qstyleoption_cast<const QStyleOptionComboBox*>(opt)) {
      QStyleOptionComboBox field = *co;
      field.editable = true;
      base->drawComplexControl(cc, &field, p, Control);
    } else {
      base->drawComplexControl(cc, opt, p, Control);
    }
    const bool dropped = opt->state & QStyle::State_On;
    if (ControlKind == kLookupCombo) PaintFlatLookupCombo(*p, s, opt->rect, dropped);
    else PaintFlatCombo(*p, s, opt->rect, dropped, false);
    return true;
  }
  if (cc == QStyle::CC_GroupBox && ControlKind == kGroupBox) {
    auto* gb = static_cast<QGroupBox*>(Control.data());
    int indent = 9;
    if (gb->isCheckable()) {
      // The check box keeps the platform's look; the caption moves past it.
      QStyleOptionGroupBox check;
      if (auto* g = qstyleoption_cast<const QStyleOptionGroupBox*>(opt)) check = *g;
      const QRect box = FlatStyle()->subControlRect(cc, &check, QStyle::SC_GroupBoxCheckBox, Control);
      indent = box.right() + 4;
      PaintFlatGroupBox(*p, s, opt->rect, gb->title(), !gb->isFlat(), indent);
      check.subControls = QStyle::SC_GroupBoxCheckBox;
      base->drawComplexControl(cc, &check, p, Control);
    } else {
      PaintFlatGroupBox(*p, s, opt->rect, gb->title(), !gb->isFlat(), indent);
    }
    return true;
  }
  if (cc == QStyle::CC_ToolButton && ControlKind == kSpeedButton) {
    auto* tb = static_cast<QToolButton*>(Control.data());
    SpeedButtonLook b;
    b.flat = tb->autoRaise();
    b.down = tb->isChecked();
    // Qt shows the text of a button without an icon whatever its style says.
    const bool noIcon = tb->icon().isNull() && !tb->property("glyph").isValid();
    b.caption = tb->toolButtonStyle() == Qt::ToolButtonIconOnly && !noIcon ? QString() : tb->text();
    b.spacing = tb->property("spacing").isValid() ? tb->property("spacing").toInt() : 4;
    b.layout = tb->toolButtonStyle() == Qt::ToolButtonTextUnderIcon ? blGlyphTop : blGlyphLeft;
    if (tb->property("glyphLayout").isValid()) b.layout = static_cast<GlyphLayout>(tb->property("glyphLayout").toInt());
    // A strip of glyph slices, as a speed button keeps them, or else the icon.
    const QImage strip = tb->property("glyph").value<QImage>();
    if (!strip.isNull()) {
      b.glyph = strip;
      b.numGlyphs = std::max(1, tb->property("numGlyphs").toInt());
    } else if (!tb->icon().isNull()) {
      b.glyph = tb->icon().pixmap(tb->iconSize()).toImage();
    }
    if (tb->toolButtonStyle() == Qt::ToolButtonTextOnly) b.glyph = QImage();
    PaintFlatSpeedButton(*p, s, opt->rect, b);
    return true;
  }
  if (cc == QStyle::CC_SpinBox && ControlKind == kUpDown) {
    base->drawComplexControl(cc, opt, p, Control);
    auto* sb = qstyleoption_cast<const QStyleOptionSpinBox*>(opt);
    if (!sb) return true;
    const QRect up = FlatStyle()->subControlRect(cc, opt, QStyle::SC_SpinBoxUp, Control);
    const QRect down = FlatStyle()->subControlRect(cc, opt, QStyle::SC_SpinBoxDown, Control);
    auto partOf = [](QStyle::SubControls sc) {
      return (sc & QStyle::SC_SpinBoxUp) ? 1 : (sc & QStyle::SC_SpinBoxDown) ? 2 : 0;
    };
    const int active = partOf(opt->activeSubControls);
    const int hot = (opt->state & QStyle::State_MouseOver) ? active : 0;
    const int pressed = (opt->state & QStyle::State_Sunken) ? active : 0;
    PaintFlatUpDown(*p, s, up, down, hot, pressed);
    if (sb->frame) PaintFlatEdit(*p, s, opt->rect);
    return true;
  }
  return false;
}

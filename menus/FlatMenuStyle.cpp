#include "FlatMenuStyle.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QToolBar>
#include <QToolButton>

#include "ControlPainters.h"
#include "ControlSubClass.h"
#include "FlatMenu.h"
#include "FlatMenuManager.h"

using namespace kvmenu;

FlatMenuStyle* FlatStyle() {
  static QPointer<FlatMenuStyle> style;
  if (!style) {
    style = new FlatMenuStyle();
    if (qApp) style->setParent(qApp);
  }
  return style;
}

FlatMenuStyle::FlatMenuStyle() : QProxyStyle(QApplication::style() ? QApplication::style()->name() : QString()) {}

namespace {

// The item an option paints: found by position, else by text in order.
QAction* actionFor(const QStyleOption* opt, const QWidget* w) {
  if (auto* m = qobject_cast<const QMenu*>(w)) {
    if (QAction* a = m->actionAt(opt->rect.center())) return a;
  }
  if (auto* b = qobject_cast<const QMenuBar*>(w)) {
    if (QAction* a = b->actionAt(opt->rect.center())) return a;
  }
  return nullptr;
}

QAction* actionByText(const QStyleOptionMenuItem* mi, const QWidget* w) {
  if (!w) return nullptr;
  const QString text = mi->text.section(QLatin1Char('\t'), 0, 0);
  for (QAction* a : w->actions()) {
    if (!a->isVisible()) continue;
    if (mi->menuItemType == QStyleOptionMenuItem::Separator) {
      if (a->isSeparator()) return a;
    } else if (!a->isSeparator() && a->text() == text) {
      return a;
    }
  }
  return nullptr;
}

TFlatMenu* drawer(const QAction* a, bool measure) {
  if (!a) return nullptr;
  const MenuItemHandlers h = MenuHandlerRegistry::Instance().Get(a);
  auto* m = qobject_cast<TFlatMenu*>(measure ? h.measure.data() : h.draw.data());
  return m && m->Active() ? m : nullptr;
}

QImage glyphOf(const QAction* a) {
  if (!a || a->icon().isNull()) return {};
  const QList<QSize> sizes = a->icon().availableSizes();
  const QSize s = sizes.isEmpty() ? QSize(16, 16) : sizes.first();
  return a->icon().pixmap(s).toImage();
}

}  // namespace

TFlatMenu* FrameMenuFor(const QWidget* menu) {
  if (auto* mgr = TFlatMenuManager::Instance())
    if (TFlatMenu* m = mgr->ActiveMenu()) return m;
  if (menu)
    for (QAction* a : menu->actions())
      if (TFlatMenu* m = drawer(a, false)) return m;
  return nullptr;
}

QSize FlatMenuStyle::sizeFromContents(ContentsType type, const QStyleOption* opt, const QSize& size,
                                      const QWidget* w) const {
  if ((type == CT_MenuItem || type == CT_MenuBarItem) && MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    if (auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt)) {
      QAction* a = actionByText(mi, w);
      if (TFlatMenu* m = drawer(a, true)) {
        QSize start = size;
        start.setHeight(0);
        if (mi->menuItemType == QStyleOptionMenuItem::Separator) start = QSize(0, 0);
        else start.setWidth(0);
        QSize out = m->MeasureItem(a, type == CT_MenuBarItem, start);
        // The bar adds its own room around an item: the leading blank and the shadow band.
        // A popup keeps room for the caption's leading blank and the gap before the frame.
        if (type == CT_MenuBarItem) out.rwidth() += 12;
        else if (mi->menuItemType != QStyleOptionMenuItem::Separator) out.rwidth() += 16;
        return out;
      }
    }
  }
  return QProxyStyle::sizeFromContents(type, opt, size, w);
}

void FlatMenuStyle::drawControl(ControlElement el, const QStyleOption* opt, QPainter* p,
                                const QWidget* w) const {
  if ((el == CE_MenuItem || el == CE_MenuBarItem) && MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    auto* mi = qstyleoption_cast<const QStyleOptionMenuItem*>(opt);
    QAction* a = mi ? actionFor(opt, w) : nullptr;
    if (TFlatMenu* m = drawer(a, false)) {
      MenuItemPaint item;
      item.topLevel = el == CE_MenuBarItem;
      item.separator = a->isSeparator();
      item.caption = item.separator ? QStringLiteral("-") : a->text();
      item.shortcut = a->shortcut().toString(QKeySequence::NativeText);
      item.selected = opt->state & State_Selected;
      // Qt marks a merely hovered menu-bar item as selected too; open (or pressed) it is sunken.
      if (item.topLevel) item.selected = item.selected && (opt->state & State_Sunken);
      item.enabled = opt->state & State_Enabled;
      item.checked = a->isChecked();
      item.radio = a->isCheckable() && a->actionGroup() && a->actionGroup()->isExclusive();
      auto* menu = qobject_cast<const QMenu*>(w);
      item.isDefault = menu && menu->defaultAction() == a;
      item.hasSubItems = a->menu() != nullptr;
      item.rightToLeft = opt->direction == Qt::RightToLeft;
      item.hot = item.topLevel && !item.selected && (opt->state & (State_MouseOver | State_Selected));
      item.glyph = glyphOf(a);
      m->PaintMenuItem(item, p, opt->rect);
      if (!item.topLevel && a->menu()) {
        QStyleOption arrow = *opt;
        const int aw = 6;
        arrow.rect = QRect(opt->rect.right() - aw - 4, opt->rect.top(), aw, opt->rect.height());
        arrow.palette.setColor(QPalette::ButtonText, p->pen().color());
        QProxyStyle::drawPrimitive(item.rightToLeft ? PE_IndicatorArrowLeft : PE_IndicatorArrowRight,
                                   &arrow, p, w);
      }
      return;
    }
  }
  if (el == CE_MenuEmptyArea && qobject_cast<const QMenu*>(w) &&
      MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    TFlatMenu* m = FrameMenuFor(w);
    if (m && m->FlatMenu) {
      m->PaintMenuFrame(p, w->rect(), opt->direction == Qt::RightToLeft);
      return;
    }
  }
  if (el == CE_MenuBarEmptyArea && MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    if (TFlatMenu* m = FrameMenuFor(w)) {
      p->fillRect(opt->rect, ToQColor(m->Scheme().BarColor));
      return;
    }
  }
  if (el == CE_ToolBar) {
    if (TFlatMenu* m = BandHandlerOf(w)) {
      PaintControlBand(*p, m, opt->rect, FromQColor(w->palette().color(w->backgroundRole())));
      return;
    }
  }
  if (TControlSubClass* s = TControlSubClass::Of(w))
    if (s->PaintControl(el, opt, p)) return;
  QProxyStyle::drawControl(el, opt, p, w);
}

void FlatMenuStyle::drawPrimitive(PrimitiveElement el, const QStyleOption* opt, QPainter* p,
                                  const QWidget* w) const {
  if ((el == PE_PanelMenu || el == PE_FrameMenu) && qobject_cast<const QMenu*>(w) &&
      MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    TFlatMenu* m = FrameMenuFor(w);
    if (m && m->FlatMenu) {
      m->PaintMenuFrame(p, w->rect(), opt->direction == Qt::RightToLeft);
      return;
    }
  }
  if (el == PE_IndicatorToolBarSeparator && ToolBarHandlerOf(w)) {
    // A separator paints with its tool bar as the widget; the painter's device is the separator.
    TFlatMenu* m = ToolBarHandlerOf(w);
    auto* bar = static_cast<const QToolBar*>(w);
    int tag = 0;
    for (QAction* a : bar->actions())
      if (a->isSeparator() && static_cast<QPaintDevice*>(bar->widgetForAction(a)) == p->device()) tag = TagOf(a);
    const TColor barColor = FromQColor(bar->palette().color(bar->backgroundRole()));
    PaintToolBarSeparator(*p, m, opt->rect, barColor, tag, opt->state & State_Horizontal);
    return;
  }
  if (el == PE_IndicatorToolBarHandle && BandHandlerOf(w)) {
    PaintBandGrip(*p, opt->rect, FromQColor(w->palette().color(w->backgroundRole())),
                  !(opt->state & State_Horizontal));
    return;
  }
  if (TControlSubClass* s = TControlSubClass::Of(w))
    if (s->PaintPrimitive(el, opt, p)) return;
  QProxyStyle::drawPrimitive(el, opt, p, w);
}

int FlatMenuStyle::pixelMetric(PixelMetric m, const QStyleOption* opt, const QWidget* w) const {
  if (qobject_cast<const QMenu*>(w) && MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    switch (m) {
      case PM_MenuPanelWidth: return 1;
      case PM_MenuHMargin: return 2;
      case PM_MenuVMargin: return 2;
      default: break;
    }
  }
  if (qobject_cast<const QMenuBar*>(w) && MenuHandlerRegistry::Instance().OwnerDraw(w)) {
    switch (m) {
      case PM_MenuBarItemSpacing: return 0;
      case PM_MenuBarHMargin: return 0;
      case PM_MenuBarVMargin: return 0;
      case PM_MenuBarPanelWidth: return 0;
      default: break;
    }
  }
  return QProxyStyle::pixelMetric(m, opt, w);
}

int FlatMenuStyle::styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w,
                             QStyleHintReturn* ret) const {
  if (hint == SH_Menu_Mask && qobject_cast<const QMenu*>(w)) return 0;
  return QProxyStyle::styleHint(hint, opt, w, ret);
}

TFlatMenu* BandHandlerOf(const QWidget* toolBar) {
  if (!qobject_cast<const QToolBar*>(toolBar)) return nullptr;
  auto* m = qobject_cast<TFlatMenu*>(toolBar->property("kvBandHandler").value<QObject*>());
  return m && m->Active() ? m : nullptr;
}

TFlatMenu* ToolBarHandlerOf(const QWidget* toolBar) {
  if (!qobject_cast<const QToolBar*>(toolBar)) return nullptr;
  auto* m = qobject_cast<TFlatMenu*>(toolBar->property("kvToolBarHandler").value<QObject*>());
  return m && m->Active() ? m : nullptr;
}

namespace {
// A button of a tool bar with the button handler, painted in one block.
bool paintToolBarButton(const QStyleOptionComplex* opt, QPainter* p, const QWidget* w) {
  auto* button = qobject_cast<const QToolButton*>(w);
  auto* to = qstyleoption_cast<const QStyleOptionToolButton*>(opt);
  if (!button || !to) return false;
  TFlatMenu* m = ToolBarHandlerOf(button->parentWidget());
  if (!m) return false;
  const QRect r = opt->rect;
  if (r.width() <= 0 || r.height() <= 0) return true;
  kvmenu::ToolBarButtonLook b;
  b.bounds = QRect(QPoint(0, 0), r.size());
  const QWidget* bar = button->parentWidget();
  b.barColor = FromQColor(bar->palette().color(bar->backgroundRole()));
  b.enabled = opt->state & QStyle::State_Enabled;
  b.hot = b.enabled && (opt->state & QStyle::State_MouseOver);
  b.checked = opt->state & QStyle::State_On;
  b.selected = opt->state & QStyle::State_Sunken;
  b.hasMenu = button->menu() || (button->defaultAction() && button->defaultAction()->menu());
  b.dropDown = b.hasMenu && button->popupMode() == QToolButton::MenuButtonPopup;
  b.list = button->toolButtonStyle() == Qt::ToolButtonTextBesideIcon;
  b.showCaption = button->toolButtonStyle() != Qt::ToolButtonIconOnly;
  b.rightToLeft = opt->direction == Qt::RightToLeft;
  if (!to->icon.isNull() && button->toolButtonStyle() != Qt::ToolButtonTextOnly)
    b.glyph = to->icon.pixmap(to->iconSize).toImage();
  b.caption = to->text;
  QImage buf(r.size(), QImage::Format_RGB32);
  buf.fill(Qt::white);
  kvmenu::PaintToolBarButton(buf, m, b);
  p->drawImage(r.topLeft(), buf);
  return true;
}
}  // namespace

void FlatMenuStyle::drawComplexControl(ComplexControl cc, const QStyleOptionComplex* opt, QPainter* p,
                                       const QWidget* w) const {
  if (cc == CC_ToolButton && paintToolBarButton(opt, p, w)) return;
  if (TControlSubClass* s = TControlSubClass::Of(w))
    if (s->PaintComplex(cc, opt, p)) return;
  QProxyStyle::drawComplexControl(cc, opt, p, w);
}

QRect FlatMenuStyle::subControlRect(ComplexControl cc, const QStyleOptionComplex* opt, SubControl sc,
                                    const QWidget* w) const {
  // A flat combo's button is as wide as a scroll bar's thumb box, with five pixels before it.
  if (cc == CC_ComboBox && (sc == SC_ComboBoxArrow || sc == SC_ComboBoxEditField)) {
    const TControlSubClass* s = TControlSubClass::Of(w);
    if (s && (s->ControlKind == TControlSubClass::kCombo || s->ControlKind == TControlSubClass::kLookupCombo)) {
      const QRect r = opt->rect;
      const int M = kvmenu::ThumbSize() + 2;
      const bool rtl = opt->direction == Qt::RightToLeft;
      QRect arrow = rtl ? QRect(r.left() + 2, r.top() + 2, M, r.height() - 4)
                        : QRect(r.right() - 1 - M, r.top() + 2, M, r.height() - 4);
      if (sc == SC_ComboBoxArrow) return arrow;
      return rtl ? QRect(QPoint(arrow.right() + 6, r.top() + 3), QPoint(r.right() - 3, r.bottom() - 3))
                 : QRect(QPoint(r.left() + 3, r.top() + 3), QPoint(arrow.left() - 6, r.bottom() - 3));
    }
  }
  return QProxyStyle::subControlRect(cc, opt, sc, w);
}

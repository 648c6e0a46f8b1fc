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
      item.enabled = opt->state & State_Enabled;
      item.checked = a->isChecked();
      item.radio = a->isCheckable() && a->actionGroup() && a->actionGroup()->isExclusive();
      auto* menu = qobject_cast<const QMenu*>(w);
      item.isDefault = menu && menu->defaultAction() == a;
      item.hasSubItems = a->menu() != nullptr;
      item.rightToLeft = opt->direction == Qt::RightToLeft;
      item.hot = item.topLevel && (opt->state & State_MouseOver);
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

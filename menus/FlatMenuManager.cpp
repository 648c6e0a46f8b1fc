#include "FlatMenuManager.h"

#include <QApplication>
#include <QActionEvent>
#include <QChildEvent>
#include <QEvent>
#include <QMenuBar>
#include <QPointer>
#include <QTimer>
#include <QToolBar>
#include "FlatMenuStyle.h"
#include <QMenu>
#include <QRegion>

#include "ControlSubClass.h"
#include "FlatMenu.h"

using namespace kvmenu;

namespace {
TFlatMenuManager* g_manager = nullptr;

TFlatMenu* componentOf(const QWidget* form) {
  if (!form) return nullptr;
  for (QObject* o : form->children())
    if (auto* m = qobject_cast<TFlatMenu*>(o)) return m;
  return nullptr;
}

bool ownsFlatMenu(const QWidget* form) { return componentOf(form) != nullptr; }

// The component that reacts to what is added under w: its window's, when AutoDetect is on.
TFlatMenu* detectorFor(const QWidget* w) {
  if (!w) return nullptr;
  const QWidget* form = w->window();
  // A popup menu belongs to the window it was opened from.
  while (form && qobject_cast<const QMenu*>(form) && form->parentWidget()) form = form->parentWidget()->window();
  TFlatMenu* m = componentOf(form);
  return m && m->Active() && m->AutoDetect ? m : nullptr;
}
}  // namespace

QRegion FlatPopupRegion(int width, int height) {
  QRegion r(0, 0, std::max(0, width - 2), std::max(0, height - 2));
  return r.united(QRegion(2, 2, std::max(0, width - 2), std::max(0, height - 2)));
}

TFlatMenuManager* TFlatMenuManager::Instance() { return g_manager; }

TFlatMenuManager* TFlatMenuManager::Ensure() {
  if (!g_manager) g_manager = new TFlatMenuManager();
  return g_manager;
}

void TFlatMenuManager::ReleaseIfEmpty() {
  if (g_manager && g_manager->MenuList.isEmpty()) {
    delete g_manager;
    g_manager = nullptr;
  }
}

TFlatMenuManager::TFlatMenuManager() {
  if (qApp) qApp->installEventFilter(this);
}

TFlatMenuManager::~TFlatMenuManager() {
  if (qApp) qApp->removeEventFilter(this);
}

bool TFlatMenuManager::isStyled(const QWidget* w) const {
  for (const auto& p : StyledForms)
    if (p == w) return true;
  return false;
}

void TFlatMenuManager::AddMenu(TFlatMenu* menu) {
  if (!menu || MenuList.contains(menu)) return;
  MenuList.append(menu);
  if (menu->Form() && !isStyled(menu->Form())) StyledForms.append(menu->Form());
  if (!active_ && menu->Active() && !menu->DisableSubclassing) {
    active_ = menu;
    CollectPendingForms();
  }
}

void TFlatMenuManager::RemoveMenu(TFlatMenu* menu) {
  if (menu == active_) HandOver(menu);
  MenuList.removeAll(menu);
}

void TFlatMenuManager::CollectPendingForms() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isWindow() || qobject_cast<QMenu*>(w) || isStyled(w)) continue;
    if (TagOf(w) == kTagLeaveAlone || ownsFlatMenu(w) || popups_.contains(w)) continue;
    if (!isPending(w)) PendingForms.append(w);
  }
  scheduleStyling();
}

bool TFlatMenuManager::isPending(const QWidget* w) const {
  for (const auto& p : PendingForms)
    if (p == w) return true;
  return false;
}

void TFlatMenuManager::HandOver(TFlatMenu* exclude) {
  TFlatMenu* candidate = nullptr;
  for (TFlatMenu* m : MenuList)
    if (m->Active() && !m->DisableSubclassing && m != exclude) {
      candidate = m;
      break;
    }
  if (candidate && active_) {
    TFlatMenu* old = active_;
    QWidget* exForm = exclude ? exclude->Form() : nullptr;
    for (TControlSubClass* s : old->SubClasses()) {
      if (!s->Control || !exclude) continue;
      if (exForm && (exForm == s->Control || exForm->isAncestorOf(s->Control))) continue;
      auto* heir = new TControlSubClass(candidate);
      heir->TakeOver(s);
    }
    // Menus of other windows styled by the old component now call the heir.
    MenuHandlerRegistry::Instance().Reassign(old, candidate);
    active_ = candidate;
    return;
  }
  if (candidate) {
    active_ = candidate;
    CollectPendingForms();
    return;
  }
  PendingForms.clear();
  if (active_) MenuHandlerRegistry::Instance().Reassign(active_, nullptr);
  QWidget* exForm = exclude ? exclude->Form() : nullptr;
  for (const auto& f : StyledForms)
    if (f && f != exForm) RestoreFormControls(f);
  StyledForms.clear();
  active_ = nullptr;
}

void TFlatMenuManager::RestoreFormControls(QWidget* form) {
  if (!active_ || !form) return;
  const QList<TControlSubClass*> subs = active_->SubClasses();
  for (auto it = subs.crbegin(); it != subs.crend(); ++it) {
    TControlSubClass* s = *it;
    if (s->Control && (s->Control == form || form->isAncestorOf(s->Control))) s->GiveBack();
  }
}

// Styling waits for the event loop: the event that finds a window pending may be one sent while
// that window (or another) is being destroyed, when walking its children is not safe. Once the
// current work is done a window is either whole or gone (its pointer then reads null).
void TFlatMenuManager::scheduleStyling() {
  if (stylingScheduled_ || PendingForms.isEmpty()) return;
  stylingScheduled_ = true;
  QMetaObject::invokeMethod(this, [this] {
    stylingScheduled_ = false;
    stylePending();
  }, Qt::QueuedConnection);
}

void TFlatMenuManager::stylePending() {
  StyledForms.removeIf([](const QPointer<QWidget>& f) { return f.isNull(); });
  if (styling_ || PendingForms.isEmpty() || !active_) return;
  styling_ = true;
  const auto pending = PendingForms;
  PendingForms.clear();
  for (const auto& f : pending) {
    if (!f || isStyled(f) || popups_.contains(f.data())) continue;
    StyledForms.append(f);
    active_->ApplyToOwnedComponents(f, true, true);
  }
  styling_ = false;
}

void TFlatMenuManager::noticeAdded(QObject* watched, QEvent* e) {
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w) return;
  if (e->type() == QEvent::ActionAdded) {
    if (!qobject_cast<QMenu*>(w) && !qobject_cast<QMenuBar*>(w)) return;
    if (!MenuHandlerRegistry::Instance().OwnerDraw(w)) return;
    if (TFlatMenu* m = detectorFor(w)) m->ItemAdded(static_cast<QActionEvent*>(e)->action());
    return;
  }
  auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child());
  if (!child) return;
  // The child is not fully built yet: it is looked at once the current work is done.
  QPointer<QWidget> c(child);
  if (auto* tb = qobject_cast<QToolBar*>(w); tb && ToolBarHandlerOf(tb)) {
    QPointer<QToolBar> bar(tb);
    QTimer::singleShot(0, this, [bar] { if (bar) TFlatMenu::StyleToolBarButtons(bar); });
    return;
  }
  if (!detectorFor(w)) return;
  QTimer::singleShot(0, this, [c] {
    if (!c) return;
    QWidget* at = c->isWindow() && c->parentWidget() ? c->parentWidget() : c.data();
    if (TFlatMenu* m = detectorFor(at)) m->ControlAdded(c);
  });
}

void TFlatMenuManager::shapePopup(QWidget* menu, bool show) {
  TFlatMenu* m = active_;
  if (!m || !m->FlatMenu || !MenuHandlerRegistry::Instance().OwnerDraw(menu)) return;
  if (show) {
    menu->setMask(FlatPopupRegion(menu->width(), menu->height()));
    return;
  }
  menu->clearMask();
  // A flat popup to the right (an open parent or sibling) is repainted.
  const QRect g = menu->frameGeometry();
  for (QPoint probe : {QPoint(g.right() + 3, g.top() + 2), QPoint(g.right() + 3, g.bottom() - 2)}) {
    QWidget* n = QApplication::widgetAt(probe);
    if (n && qobject_cast<QMenu*>(n->window())) {
      n->window()->update();
      break;
    }
  }
}

bool TFlatMenuManager::eventFilter(QObject* watched, QEvent* e) {
  try {
    const QEvent::Type t = e->type();
    if (t == QEvent::ChildAdded || t == QEvent::ActionAdded) noticeAdded(watched, e);
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow()) {
      if (!popups_.contains(w) && qobject_cast<QMenu*>(w)) {
        popups_.insert(w);
        connect(w, &QObject::destroyed, this, [this](QObject* o) { popups_.remove(o); });
      }
      if (popups_.contains(w)) {
        if (t == QEvent::Show || t == QEvent::Resize) shapePopup(w, true);
        else if (t == QEvent::Hide || t == QEvent::Close) shapePopup(w, false);
      } else if (active_ && (t == QEvent::Show || t == QEvent::Polish ||
                             // A window losing its native window is going, not coming.
                             (t == QEvent::WinIdChange && w->internalWinId() != 0)) &&
                 !isStyled(w) && TagOf(w) != kTagLeaveAlone && !ownsFlatMenu(w) && !isPending(w)) {
        PendingForms.append(w);
      }
    }
    if (!PendingForms.isEmpty()) scheduleStyling();
  } catch (...) {
    // The application's events go on whatever happens here.
  }
  return false;
}

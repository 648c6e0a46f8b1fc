#include "FlatMenuManager.h"

#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QRegion>

#include "ControlSubClass.h"
#include "FlatMenu.h"

using namespace kvmenu;

namespace {
TFlatMenuManager* g_manager = nullptr;

bool ownsFlatMenu(const QWidget* form) {
  for (QObject* o : form->children())
    if (qobject_cast<TFlatMenu*>(o)) return true;
  return false;
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
    if (TagOf(w) == kTagLeaveAlone || ownsFlatMenu(w)) continue;
    bool pending = false;
    for (const auto& p : PendingForms) pending |= p == w;
    if (!pending) PendingForms.append(w);
  }
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

void TFlatMenuManager::stylePending() {
  if (styling_ || PendingForms.isEmpty() || !active_) return;
  styling_ = true;
  const auto pending = PendingForms;
  PendingForms.clear();
  for (const auto& f : pending) {
    if (!f || isStyled(f)) continue;
    StyledForms.append(f);
    active_->ApplyToOwnedComponents(f, true, true);
  }
  styling_ = false;
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
    if (auto* w = qobject_cast<QWidget*>(watched); w && w->isWindow()) {
      if (qobject_cast<QMenu*>(w)) {
        if (t == QEvent::Show || t == QEvent::Resize) shapePopup(w, true);
        else if (t == QEvent::Hide || t == QEvent::Close) shapePopup(w, false);
      } else if (active_ && (t == QEvent::Show || t == QEvent::Polish || t == QEvent::WinIdChange) &&
                 !isStyled(w) && TagOf(w) != kTagLeaveAlone && !ownsFlatMenu(w)) {
        bool pending = false;
        for (const auto& p : PendingForms) pending |= p == w;
        if (!pending) PendingForms.append(w);
        return false;  // styled on the next event
      }
    }
    if (!PendingForms.isEmpty()) stylePending();
  } catch (...) {
    // The application's events go on whatever happens here.
  }
  return false;
}

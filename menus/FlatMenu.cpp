#include "FlatMenu.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QLineEdit>
#include <QToolBar>
#include <QToolButton>
#include <QTableView>
#include <QTreeView>

#include "ControlSubClass.h"
#include "FlatMenuManager.h"
#include "FlatMenuStyle.h"

using namespace kvmenu;

int TagOf(const QObject* o) { return o ? o->property("tag").toInt() : 0; }
void SetTag(QObject* o, int tag) { o->setProperty("tag", tag); }

MenuHandlerRegistry& MenuHandlerRegistry::Instance() {
  static MenuHandlerRegistry r;
  return r;
}

void MenuHandlerRegistry::watch(QAction* a) {
  if (items_.contains(a)) return;
  items_.insert(a, {});
  QObject::connect(a, &QObject::destroyed, [this, a] { items_.remove(a); });
}

void MenuHandlerRegistry::SetDraw(QAction* a, QObject* owner) {
  watch(a);
  items_[a].draw = owner;
}

void MenuHandlerRegistry::SetMeasure(QAction* a, QObject* owner) {
  watch(a);
  items_[a].measure = owner;
}

void MenuHandlerRegistry::SetOwnerDraw(QWidget* menu, bool on) {
  if (!on) {
    ownerDraw_.remove(menu);
    return;
  }
  if (!ownerDraw_.contains(menu))
    QObject::connect(menu, &QObject::destroyed, [this, menu] { ownerDraw_.remove(menu); });
  ownerDraw_.insert(menu, true);
}

int MenuHandlerRegistry::CountOwnedBy(const QObject* owner) const {
  int n = 0;
  for (const auto& h : items_)
    if (h.draw == owner || h.measure == owner) ++n;
  return n;
}

void MenuHandlerRegistry::Reassign(const QObject* from, QObject* to) {
  for (auto& h : items_) {
    if (h.draw == from) h.draw = to;
    if (h.measure == from) h.measure = to;
  }
}

TFlatMenu::TFlatMenu(QWidget* owner) : QObject(owner), form_(owner) {
  Font = QApplication::font("QMenu");
  colors_ = MenuColorSettings{};
  if (form_) ComputeScheme();
  stale_ = false;
  TFlatMenuManager::Ensure();
}

TFlatMenu::~TFlatMenu() {
  // While the window itself is going, its children are half gone: no walk then; the registry
  // below still forgets every handler of ours.
  const bool formGoing = !form_ || form_->children().contains(nullptr);
  if (!formGoing) ApplyToOwnedComponents(form_, false, false);
  if (auto* m = TFlatMenuManager::Instance()) {
    m->RemoveMenu(this);
    // No menu may keep a handler of a freed component, also where the hand-over found no heir.
    MenuHandlerRegistry::Instance().Reassign(this, nullptr);
    if (!formGoing) form_->update();
    TFlatMenuManager::ReleaseIfEmpty();
  }
  // Subclassed controls get their former look back before their objects go with us.
  for (TControlSubClass* s : SubClasses()) s->GiveBack();
}

void TFlatMenu::ApplyStoredConfiguration() {
  DimLevel = 0;
  GrayLevel = 10;
  // Tahoma is not on Linux; DejaVu Sans takes its place at the same pixel size.
  QFont::insertSubstitution(QStringLiteral("Tahoma"), QStringLiteral("DejaVu Sans"));
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(11);
  Font = f;
  DrawMenuBar = false;
  IconWidth = 24;
  DrawSelect = true;
  colors_.UseSystemColors = true;
  colors_.UseDimColor = true;
  Gradient = true;
  FlatMenu = true;
  OverrideOwnerDraw = false;
  AutoDetect = false;
  SetFlatContainers(0);
  SetFlatControls(FlatBit(xcMainMenu) | FlatBit(xcPopupMenu));
  stale_ = true;
  SetActive(true);
}

void TFlatMenu::Loaded() {
  if (auto* m = TFlatMenuManager::Instance()) m->AddMenu(this);
}

void TFlatMenu::SetActive(bool on) {
  if (on == active_) return;
  active_ = on;
  if (form_) ApplyToOwnedComponents(form_, on, true);
  emit activeChanged(on);
  repaintMenus();
}

void TFlatMenu::SetFlatControls(TFlatControls v) {
  if (v != controls_ && active_) {
    active_ = false;
    if (form_) ApplyToOwnedComponents(form_, false, true);
    active_ = true;
    controls_ = v;
    if (form_) ApplyToOwnedComponents(form_, true, true);
  }
  controls_ = v;
}

void TFlatMenu::SetFlatContainers(TFlatContainers v) {
  if (v != containers_ && active_) {
    active_ = false;
    if (form_) ApplyToOwnedComponents(form_, false, true);
    active_ = true;
    containers_ = v;
    if (form_) ApplyToOwnedComponents(form_, true, true);
  }
  containers_ = v;
}

void TFlatMenu::SetUseSystemColors(bool on) {
  colors_.UseSystemColors = on;
  repaintMenus();
}

void TFlatMenu::SetDisableSubclassing(bool on) {
  if (on == DisableSubclassing) return;
  // The field itself stays as it is; only the active role is passed on.
  if (auto* m = TFlatMenuManager::Instance()) {
    if (m->ActiveMenu() == this) m->HandOver(this);
    else if (!m->ActiveMenu() && !DisableSubclassing) m->HandOver(nullptr);
  }
}

const SchemeColors& TFlatMenu::Scheme() {
  if (stale_) ComputeScheme();
  return scheme_;
}

void TFlatMenu::ComputeScheme() {
  stale_ = false;
  int depth = 32;
  if (QScreen* s = QGuiApplication::primaryScreen()) depth = s->depth();
  MenuColorSettings c = colors_;
  c.FontColor = FromQColor(QApplication::palette().color(QPalette::Text));
  scheme_ = ComputeSchemeColors(c, depth);
}

QList<TControlSubClass*> TFlatMenu::SubClasses() const {
  QList<TControlSubClass*> out;
  for (QObject* o : children())
    if (auto* s = qobject_cast<TControlSubClass*>(o)) out << s;
  return out;
}

void TFlatMenu::repaintMenus() {
  if (!form_) return;
  for (QMenuBar* b : form_->findChildren<QMenuBar*>()) b->update();
}

void TFlatMenu::ApplyToOwnedComponents(QObject* owner, bool enable, bool update) {
  if (!owner) return;
  // Everything the window holds; sub-menus come through their item trees.
  const QList<QObject*> all = owner->findChildren<QObject*>();
  for (QObject* c : all) ApplyToComponent(c, enable, update);
}

void TFlatMenu::setMenuOwnerDraw(QWidget* menu, bool enable) {
  auto& reg = MenuHandlerRegistry::Instance();
  reg.SetOwnerDraw(menu, enable);
  if (enable) {
    if (menu->style() != FlatStyle()) {
      menu->setStyle(FlatStyle());
      if (qobject_cast<QMenu*>(menu)) menu->setContentsMargins(0, 0, 2, 2);
    }
  } else if (menu->style() == FlatStyle()) {
    menu->setStyle(nullptr);
    if (qobject_cast<QMenu*>(menu)) menu->setContentsMargins(0, 0, 0, 0);
  }
}

void TFlatMenu::hookItem(QAction* a, bool enable) {
  auto& reg = MenuHandlerRegistry::Instance();
  const MenuItemHandlers h = reg.Get(a);
  if (enable) {
    if (TagOf(a) == kTagLeaveAlone) return;
    if (!h.draw || OverrideOwnerDraw) reg.SetDraw(a, this);
    if (!h.measure || OverrideOwnerDraw) reg.SetMeasure(a, this);
  } else {
    if (h.draw == this) reg.SetDraw(a, nullptr);
    if (h.measure == this) reg.SetMeasure(a, nullptr);
  }
}

void TFlatMenu::hookItemTree(QAction* a, bool enable) {
  hookItem(a, enable);
  if (QMenu* sub = a->menu()) {
    setMenuOwnerDraw(sub, enable);
    for (QAction* child : sub->actions()) hookItemTree(child, enable);
  }
}

namespace {
bool isSubMenu(const QMenu* m) {
  QWidget* p = m->parentWidget();
  return qobject_cast<QMenu*>(p) || qobject_cast<QMenuBar*>(p);
}

bool isTabPage(const QWidget* w) {
  auto* stack = qobject_cast<QStackedWidget*>(w->parentWidget());
  return stack && qobject_cast<QTabWidget*>(stack->parentWidget());
}
}  // namespace

void TFlatMenu::ApplyToComponent(QObject* c, bool enable, bool update) {
  // 1. Main menu
  if (auto* bar = qobject_cast<QMenuBar*>(c)) {
    if ((controls_ & FlatBit(xcMainMenu)) && TagOf(bar) != kTagLeaveAlone) {
      for (QAction* a : bar->actions()) {
        setMenuOwnerDraw(bar, enable);
        hookItemTree(a, enable);
      }
      if (!bar->actions().isEmpty()) {
        // Reset the first caption so the bar measures itself again.
        QAction* first = bar->actions().first();
        const QString t = first->text();
        first->setText(QString());
        first->setText(t);
      }
    }
    return;
  }
  // 2. Popup menu (its own tag is not read)
  if (auto* menu = qobject_cast<QMenu*>(c)) {
    if ((controls_ & FlatBit(xcPopupMenu)) && !isSubMenu(menu)) {
      setMenuOwnerDraw(menu, enable);
      for (QAction* a : menu->actions()) hookItemTree(a, enable);
    }
    return;
  }
  // 3. Tool bar
  if (auto* tb = qobject_cast<QToolBar*>(c)) {
    if (controls_ & FlatBit(xcToolbar)) {
      tb->setProperty("flat", true);
      const QObject* handler = tb->property("kvToolBarHandler").value<QObject*>();
      if (enable) {
        const bool hasButtons = !tb->actions().isEmpty();
        if (hasButtons && (!handler || OverrideOwnerDraw))
          tb->setProperty("kvToolBarHandler", QVariant::fromValue<QObject*>(this));
      } else if (handler == this) {
        tb->setProperty("kvToolBarHandler", QVariant());
      }
      StyleToolBarButtons(tb);
      if (update) tb->update();
    }
    // 4. Control bar: a main window's tool bar is the band of a control bar here; its face and
    // grip are painted by the band handler.
    if (controls_ & FlatBit(xcControlbar)) {
      const QObject* band = tb->property("kvBandHandler").value<QObject*>();
      if (enable && (!band || OverrideOwnerDraw)) {
        tb->setProperty("kvBandHandler", QVariant::fromValue<QObject*>(this));
        if (tb->style() != FlatStyle()) {
          tb->setProperty("kvBandStyled", true);
          tb->setStyle(FlatStyle());
        }
      } else if (!enable && band == this) {
        tb->setProperty("kvBandHandler", QVariant());
        if (tb->property("kvBandStyled").toBool()) {
          tb->setProperty("kvBandStyled", QVariant());
          tb->setStyle(nullptr);
        }
      }
      if (update) tb->update();
    }
    return;
  }
  auto* w = qobject_cast<QWidget*>(c);
  if (!w || w->isWindow()) return;
  // The inside of a popup (a combo's list) and the buttons of a tool bar are not controls of
  // the window; the tool bar's buttons belong to its button handler.
  if (w->window()->windowType() == Qt::Popup) return;
  if (qobject_cast<QToolButton*>(w) && qobject_cast<QToolBar*>(w->parentWidget())) return;
  // 6. Subclass candidate
  TFlatControl member;
  if (qobject_cast<QComboBox*>(w)) member = xcCombo;
  else if (qobject_cast<QLineEdit*>(w)) {
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) || qobject_cast<QComboBox*>(w->parentWidget()))
      return;  // the inner line of a spin or combo box belongs to it
    member = xcEdit;
  } else if (qobject_cast<QAbstractSpinBox*>(w)) member = xcUpDown;
  else if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w)) member = xcMemo;
  else if (qobject_cast<QCheckBox*>(w)) member = xcCheckBox;
  else if (qobject_cast<QRadioButton*>(w)) member = xcRadioButton;
  else if (auto* pb = qobject_cast<QPushButton*>(w)) member = pb->icon().isNull() ? xcButton : xcBitBtn;
  else if (qobject_cast<QToolButton*>(w)) member = xcSpeedButton;
  else if (qobject_cast<QGroupBox*>(w)) member = xcGroupBox;
  else if (qobject_cast<QTreeView*>(w)) member = xcTreeView;
  else if (qobject_cast<QTableView*>(w)) member = xcListView;
  else if (qobject_cast<QListView*>(w)) member = xcListBox;
  else if (qobject_cast<QProgressBar*>(w)) member = xcProgressBar;
  else if (w->metaObject() == &QFrame::staticMetaObject) member = xcPanel;
  else return;
  if (!(controls_ & FlatBit(member))) return;
  // 7. Container test on the parent
  QWidget* parent = w->parentWidget();
  if (!parent) return;
  bool container = false;
  if (qobject_cast<QToolBar*>(parent)) container = containers_ & ContainerBit(xccToolbar);
  else if (parent->metaObject() == &QFrame::staticMetaObject) container = containers_ & ContainerBit(xccPanel);
  else if (qobject_cast<QScrollArea*>(parent->parentWidget())) container = containers_ & ContainerBit(xccScrollBox);
  else if (qobject_cast<QGroupBox*>(parent)) container = containers_ & ContainerBit(xccGroupBox);
  else if (isTabPage(parent)) container = containers_ & ContainerBit(xccTabSheet);
  // A window's plain client widgets (a main window's central widget, a page of a stack) stand
  // for the form: controls sit on them, not on the window itself.
  else if (parent->isWindow() || parent->metaObject() == &QWidget::staticMetaObject)
    container = containers_ & ContainerBit(xccForm);
  if (!container) return;
  if (enable && TagOf(w) != kTagLeaveAlone && TagOf(parent) != kTagLeaveAlone && !TControlSubClass::Of(w)) {
    auto* s = new TControlSubClass(this);
    s->Attach(w);
  }
  if (update) w->update();
}

void TFlatMenu::StyleToolBarButtons(QToolBar* tb) {
  if (!tb) return;
  const bool ours = tb->property("kvToolBarHandler").value<QObject*>() != nullptr;
  // The buttons and the separators between them.
  QList<QWidget*> parts;
  for (QAction* a : tb->actions())
    if (QWidget* w = tb->widgetForAction(a); w && (qobject_cast<QToolButton*>(w) || a->isSeparator())) parts << w;
  for (QWidget* b : parts) {
    if (ours && b->style() != FlatStyle()) {
      b->setProperty("kvToolBarStyled", true);
      b->setStyle(FlatStyle());
    } else if (!ours && b->property("kvToolBarStyled").toBool()) {
      b->setProperty("kvToolBarStyled", QVariant());
      b->setStyle(nullptr);
    }
    b->update();
  }
}

void TFlatMenu::ItemAdded(QAction* a) {
  if (!a || !active_ || !AutoDetect) return;
  hookItemTree(a, true);
}

void TFlatMenu::ControlAdded(QWidget* w) {
  if (!w || !active_ || !AutoDetect) return;
  // A control may come with controls of its own (a panel built before it was placed).
  ApplyToComponent(w, true, true);
  if (!w->isWindow()) ApplyToOwnedComponents(w, true, true);
}

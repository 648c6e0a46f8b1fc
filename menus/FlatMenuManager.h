#pragma once
// The one process-wide manager behind all menu components: it picks the active component,
// carries its look to every window without a component of its own (also to windows created
// later), gives subclassed controls back when no component is left, and shapes the flat popups.
#include <QList>
#include <QObject>
#include <QSet>
#include <QPointer>
#include <QWidget>

class TFlatMenu;

class TFlatMenuManager : public QObject {
  Q_OBJECT
 public:
  static TFlatMenuManager* Instance();  // null while no component exists
  static TFlatMenuManager* Ensure();
  static void ReleaseIfEmpty();

  void AddMenu(TFlatMenu* menu);
  void RemoveMenu(TFlatMenu* menu);
  void HandOver(TFlatMenu* exclude);
  void CollectPendingForms();
  void RestoreFormControls(QWidget* form);
  TFlatMenu* ActiveMenu() const { return active_; }

  QList<TFlatMenu*> MenuList;
  QList<QPointer<QWidget>> PendingForms;
  QList<QPointer<QWidget>> StyledForms;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TFlatMenuManager();
  ~TFlatMenuManager() override;
  bool isStyled(const QWidget* w) const;
  void stylePending();
  void scheduleStyling();
  bool isPending(const QWidget* w) const;
  void shapePopup(QWidget* menu, bool show);
  void noticeAdded(QObject* watched, QEvent* e);

  QPointer<TFlatMenu> active_;
  bool styling_ = false;
  bool stylingScheduled_ = false;
  // Popups seen as menus. A dying menu is a plain QWidget by the time its last events arrive,
  // so it is known by this set, not by its class.
  QSet<const QObject*> popups_;
};

// Region of a flat popup: two 2-pixel corners (top right, bottom left) stay transparent.
class QRegion;
QRegion FlatPopupRegion(int width, int height);

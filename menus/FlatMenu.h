#pragma once
// The menu component a window carries to give its menus (and, if asked, its controls) the
// flat look with an icon column. Qt has no per-item owner-draw events, so the component hooks
// items through an explicit registry that the flat style consults when it measures and draws.
#include <QFont>
#include <QHash>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QString>

#include "MenuColors.h"

class QAction;
class QMenu;
class QMenuBar;
class QPainter;
class QToolBar;
class QWidget;
class TControlSubClass;

enum TFlatContainer {
  xccForm, xccFrame, xccToolbar, xccCoolbar, xccControlbar, xccPanel, xccScrollBox, xccGroupBox,
  xccTabSheet, xccPageScroller
};
enum TFlatControl {
  xcMainMenu, xcPopupMenu, xcToolbar, xcControlbar, xcCombo, xcListBox, xcEdit, xcMaskEdit, xcMemo,
  xcRichEdit, xcMiscEdit, xcCheckBox, xcRadioButton, xcButton, xcBitBtn, xcSpeedButton, xcUpDown,
  xcPanel, xcGroupBox, xcTreeView, xcListView, xcProgressBar, xcHotKey
};
using TFlatContainers = std::uint16_t;  // bit n = member n
using TFlatControls = std::uint32_t;
constexpr TFlatContainers kAllContainers = (1u << 10) - 1;
constexpr TFlatControls kAllControls = (1u << 23) - 1;
constexpr TFlatControls FlatBit(TFlatControl c) { return 1u << c; }
constexpr TFlatContainers ContainerBit(TFlatContainer c) { return static_cast<TFlatContainers>(1u << c); }

// The "tag" property on widgets, menus and actions; 999 leaves the object alone.
constexpr int kTagLeaveAlone = 999;
int TagOf(const QObject* o);
void SetTag(QObject* o, int tag);

// Who draws and measures an item. An owner that is not a TFlatMenu stands for a handler the
// application installed itself.
struct MenuItemHandlers {
  QPointer<QObject> draw;
  QPointer<QObject> measure;
};

class MenuHandlerRegistry {
 public:
  static MenuHandlerRegistry& Instance();
  MenuItemHandlers Get(const QAction* a) const { return items_.value(a); }
  void SetDraw(QAction* a, QObject* owner);
  void SetMeasure(QAction* a, QObject* owner);
  // The menus (bars and popups) switched to owner drawing.
  bool OwnerDraw(const QWidget* menu) const { return ownerDraw_.contains(menu); }
  void SetOwnerDraw(QWidget* menu, bool on);
  // Number of items whose draw or measure handler belongs to owner.
  int CountOwnedBy(const QObject* owner) const;
  // Hands every handler of from over to to (or clears it when to is null).
  void Reassign(const QObject* from, QObject* to);

 private:
  void watch(QAction* a);
  QHash<const QAction*, MenuItemHandlers> items_;
  QHash<const QWidget*, bool> ownerDraw_;
};

// Geometry of one measured menu item.
struct MenuItemSpec {
  QString caption;   // "-" is a separator
  QString shortcut;  // already as text
  bool hasSubItems = false;
  bool topLevel = false;  // a menu-bar item
  QSize glyph;            // 0x0 without a glyph
};
QSize MeasureMenuItem(const MenuItemSpec& item, const QFont& font, int iconWidth, QSize start = QSize());

// Everything the painter needs about one item.
struct MenuItemPaint {
  QString caption;
  QString shortcut;
  bool separator = false;
  bool topLevel = false;
  bool selected = false;
  bool enabled = true;
  bool checked = false;
  bool radio = false;
  bool isDefault = false;
  bool hasSubItems = false;
  bool rightToLeft = false;
  bool hot = false;  // menu bar: cursor over the item
  QImage glyph;      // null without a glyph
};

class TFlatMenu : public QObject {
  Q_OBJECT
 public:
  explicit TFlatMenu(QWidget* owner);
  ~TFlatMenu() override;

  // Stored properties.
  int DimLevel = 30;
  int GrayLevel = 10;
  QFont Font;
  bool DrawMenuBar = false;
  int IconWidth = 24;
  bool DrawSelect = true;
  bool OverrideOwnerDraw = false;
  bool Gradient = false;
  bool FlatMenu = false;
  bool AutoDetect = false;
  bool DisableSubclassing = false;

  bool Active() const { return active_; }
  void SetActive(bool on);
  TFlatControls FlatControls() const { return controls_; }
  void SetFlatControls(TFlatControls v);
  TFlatContainers FlatContainers() const { return containers_; }
  void SetFlatContainers(TFlatContainers v);
  const kvmenu::MenuColorSettings& Colors() const { return colors_; }
  void SetUseSystemColors(bool on);  // does not mark the scheme stale
  void SetDisableSubclassing(bool on);

  // Stream end: registers with the manager.
  void Loaded();
  // The configuration this program stores for the main window's component.
  void ApplyStoredConfiguration();

  QWidget* Form() const { return form_; }
  const kvmenu::SchemeColors& Scheme();
  void ComputeScheme();
  bool ColorsStale() const { return stale_; }

  // The walk over the owner's (or another window's) components.
  void ApplyToOwnedComponents(QObject* owner, bool enable, bool update);
  void ApplyToComponent(QObject* c, bool enable, bool update);

  // Reactions to what is added to the window later, with AutoDetect on: a new item of a
  // restyled menu is hooked, a new control goes through the same rules as at activation.
  void ItemAdded(QAction* a);
  void ControlAdded(QWidget* w);
  // Gives the buttons of a tool bar the flat style while it has a button handler, and takes it
  // back when the handler goes.
  static void StyleToolBarButtons(QToolBar* tb);

  // Measuring and painting.
  QSize MeasureItem(QAction* a, bool topLevel, QSize start);
  void PaintMenuItem(const MenuItemPaint& item, QPainter* p, const QRect& rect);
  void PaintMenuFrame(QPainter* p, const QRect& windowRect, bool rightToLeft);
  QImage RenderMenuItem(const MenuItemPaint& item, const QSize& size);
  // A selected menu-bar item's face on buf (the tool-bar handler draws menu buttons with it).
  void PaintBarItemSelected(QImage& buf, const QRect& r, kvmenu::TColor barBase, bool rightToLeft);

  // Subclass objects this component owns, in creation order.
  QList<TControlSubClass*> SubClasses() const;

 signals:
  void activeChanged(bool on);

 private:
  void hookItemTree(QAction* a, bool enable);
  void hookItem(QAction* a, bool enable);
  void setMenuOwnerDraw(QWidget* menu, bool enable);
  void paintMenuBarItemSelected(QImage& buf, QPainter& c, QRect r, kvmenu::TColor barBase, bool rtl);
  void paintCheckMark(QPainter& c, const MenuItemPaint& item, bool hasGlyph, QRect box);
  void paintItemGlyph(QImage& buf, QPainter& c, const MenuItemPaint& item, bool highlighted,
                      const QRect& iconRect, QImage glyph);
  void paintItemText(QPainter& c, const MenuItemPaint& item, const QString& text, QRect textRect,
                     int flags);
  void paintGradientColumn(QPainter& c, const QRect& r, bool rtl);
  void repaintMenus();

  QPointer<QWidget> form_;
  bool active_ = false;
  TFlatControls controls_ = kAllControls;
  TFlatContainers containers_ = kAllContainers;
  kvmenu::MenuColorSettings colors_;
  kvmenu::SchemeColors scheme_;
  bool stale_ = true;
};

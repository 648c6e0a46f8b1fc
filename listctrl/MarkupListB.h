#pragma once
// TMarkupListBox: a list box whose items are mark-up (see Markup.h), each drawn by
// DrawMarkup. The program's thumbnail lists are made of these.
//
// Items
//   Every item is one mark-up text with one user value (the list box's "Objects"). Build
//   items with MarkupEscape for every piece of outside text (file names, captions), e.g.
//     list->Add("<IMG src=\"file://" + MarkupEscape(thumb) + "\" align=\"top\">" +
//               MarkupEscape(name) + " | " + MarkupEscape(caption));
//   Each item's height is measured once when it is added or changed: the rendered height,
//   at most the visible list height and at most 251, plus 4. A resize, a font change and
//   the Images, PictureStore, Multiline and LineSpacing setters measure all items again.
//
// Selection
//   ItemIndex is the current item (-1 none). SetMultiSelect(true) allows many selected items
//   (with SetExtendedSelect(true), the default, Shift and Ctrl extend the selection as in
//   any list; without, each click toggles). Selected/SetSelected/SelCount work in both modes.
//   A selected item is filled with SelectionColors (plain ColorFrom, or a 64-band gradient
//   ColorFrom..ColorTo framed in BorderColor) and its text drawn in SelectionFontColor.
//
// Events (std::function members, set the ones you need; Sender is the list itself)
//   OnClick        a mouse press selected an item, or the keyboard moved the current item
//   OnDblClick     double click
//   OnMouseDown    every mouse press that is not on an anchor, after the selection changed
//   OnKeyDown/Up   every key, before the incremental lookup
//   OnAnchorClick  a click on an anchor whose href holds neither "://" nor "mailto:"
//                  (those open through the desktop's URL handler instead)
//   OnAnchorEnter/OnAnchorExit   the mouse moved onto / off an anchor (hand cursor meanwhile)
//   OnAnchorHint   may change the hint text of an anchor (AnchorHint on)
//
// Drag and drop (as the class library did it)
//   SetDragMode(dmAutomatic) starts a drag when the mouse moves with the left button held on
//   an item. A list under the mouse asks OnDragOver(Sender, Source, X, Y, State, Accept);
//   Accept starts true when a handler is set (no handler: nothing is accepted). A drop calls
//   OnDragDrop(Sender, Source, X, Y); afterwards the source gets OnEndDrag(Sender, Target,
//   X, Y) with Target nullptr when the drag was cancelled. X, Y are viewport coordinates of
//   the list they are given to; ItemAtPos turns them into an item index. Only drags started
//   by these lists are taken (MarkupDragData carries the source).
//
// Pictures
//   "file://" sources load once into the list's own PictureCache and stay there while the
//   list lives (a changed thumbnail needs a new file name, as the program's numbered
//   "_THUMB_" copies give it). Images and PictureStore are not owned: they must outlive the
//   list or be set back to nullptr first.
//
// Blinking and animation
//   With EnableBlink a 100 ms timer steps animated GIFs of the list's pictures and makes
//   BLINK text blink every 500 ms. Without it no timer runs and BLINK text stays visible.
#include <QCollator>
#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QStyle>
#include <QTimer>
#include <functional>
#include <stdexcept>

#include "Colors.h"
#include "Gradient.h"
#include "ImageList.h"
#include "Markup.h"
#include "PictureStore.h"

namespace kalvora {

// "Item index out of range" for a stripped item outside the list.
class EMarkupListBoxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using TAnchorClick = std::function<void(QObject* Sender, int Index, const QString& Anchor)>;
using TAnchorHintEvent = std::function<void(QObject* Sender, int Index, QString& Anchor)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;
using TKeyEvent = std::function<void(QObject* Sender, QKeyEvent* Event)>;
using TMouseEvent = std::function<void(QObject* Sender, QMouseEvent* Event)>;

enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
using TDragOverEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y,
                                          TDragState State, bool& Accept)>;
using TDragDropEvent = std::function<void(QObject* Sender, QObject* Source, int X, int Y)>;
using TEndDragEvent = std::function<void(QObject* Sender, QObject* Target, int X, int Y)>;

// The payload of a drag between mark-up lists: who started it.
class MarkupDragData : public QMimeData {
  Q_OBJECT
 public:
  static constexpr const char* kMimeType = "application/x-kalvora-markup-drag";
  explicit MarkupDragData(QObject* source) : source_(source) { setData(kMimeType, QByteArray()); }
  QObject* Source() const { return source_; }

 private:
  QPointer<QObject> source_;
};

class TMarkupListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TMarkupListBox(QWidget* parent = nullptr);
  ~TMarkupListBox() override;

  // ---- Items --------------------------------------------------------------------------
  int Count() const { return count(); }
  QString Item(int index) const;                   // the mark-up; empty outside the list
  void SetItem(int index, const QString& text);     // keeps data and selection
  int Add(const QString& text, const QVariant& data = QVariant());  // returns the index
  // index -1 (or Count) appends.
  void Insert(int index, const QString& text, const QVariant& data = QVariant());
  void Delete(int index);
  void Clear();
  void Move(int from, int to);  // keeps the item's data and selection
  QStringList Items() const;
  void SetItems(const QStringList& items);  // replaces every item (data cleared)
  QVariant Objects(int index) const;
  void SetObjects(int index, const QVariant& data);
  int IndexOf(const QString& text) const;  // first item equal without case, -1 none
  // The item's text through StripMarkup; throws EMarkupListBoxError "Item index out of range".
  QString StrippedItem(int index) const;
  // Holds repaints and re-measuring of the whole list while many items change.
  void BeginUpdate();
  void EndUpdate();

  // ---- Selection and position -----------------------------------------------------------
  int ItemIndex() const;
  void SetItemIndex(int index);  // also makes it the only selected item; -1 clears
  bool Selected(int index) const;
  void SetSelected(int index, bool selected);
  int SelCount() const;
  bool MultiSelect() const { return multiSelect_; }
  void SetMultiSelect(bool on);
  bool ExtendedSelect() const { return extendedSelect_; }
  void SetExtendedSelect(bool on);
  int TopIndex() const;  // first visible item
  void ScrollLines(int lines);  // one line is one item; negative scrolls up
  // The item at a viewport point; -1 when none (existing false: Count below the last item).
  int ItemAtPos(const QPoint& pos, bool existing = true) const;
  QRect ItemRect(int index) const;  // viewport coordinates

  // ---- Appearance ------------------------------------------------------------------------
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor c);
  int ItemHeight() const { return itemHeight_; }
  void SetItemHeight(int h);
  TImageList* Images() const { return images_; }
  void SetImages(TImageList* images);
  TPictureStore* PictureStore() const { return pictureStore_; }
  void SetPictureStore(TPictureStore* store);
  THTMLPictureCache& PictureCache() { return cache_; }
  bool Multiline() const { return multiline_; }
  void SetMultiline(bool on);
  TColor URLColor() const { return urlColor_; }
  void SetURLColor(TColor c);
  TGradientStyle& SelectionColors() { return selectionColors_; }
  void SetSelectionColors(const TGradientStyle& style);
  TColor SelectionFontColor() const { return selectionFontColor_; }
  void SetSelectionFontColor(TColor c);
  bool EnableBlink() const { return enableBlink_; }
  void SetEnableBlink(bool on);
  int ShadowOffset() const { return shadowOffset_; }
  void SetShadowOffset(int o);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor c);
  bool Ellipsis() const { return ellipsis_; }
  void SetEllipsis(bool on);  // repaints only: heights stay as measured
  int LineSpacing() const { return lineSpacing_; }
  void SetLineSpacing(int s);
  bool ShowSelection() const { return showSelection_; }
  void SetShowSelection(bool on);
  bool ScrollHorizontal() const { return scrollHorizontal_; }
  void SetScrollHorizontal(bool on);

  // ---- Behaviour ----------------------------------------------------------------------------
  bool Sorted() const { return sorted_; }
  // True sorts the items now (by StripMarkup text, or the mark-up with SortWithHTML, in
  // locale order); items added later are not placed in order.
  void SetSorted(bool on);
  // The order the sort compares keys in: the locale's, alphabetical with case as tie-breaker.
  static QCollator ListCollator();
  bool SortWithHTML = false;
  bool IncrLookup = false;      // typed keys add up to a search text
  bool AnchorHint = false;      // hint with the anchor's href
  bool ItemHint = false;        // hint with the item's text
  bool HTMLHint = false;        // ... with its mark-up instead of the stripped text
  bool ShowHint = true;
  TDragMode DragMode() const { return dragMode_; }
  void SetDragMode(TDragMode m) { dragMode_ = m; }
  const QString& LookupText() const { return lookup_; }

  // ---- Events ---------------------------------------------------------------------------------
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TAnchorClick OnAnchorClick;
  TAnchorClick OnAnchorEnter;
  TAnchorClick OnAnchorExit;
  TAnchorHintEvent OnAnchorHint;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TEndDragEvent OnEndDrag;

  // The anchor under a viewport point ("" when none); index gets the item (-1 none).
  QString AnchorAt(const QPoint& pos, int* index = nullptr);
  // Paints one item into p as the list does (used by the list's own painting; tests render
  // items with it). rect is the item's rectangle; blinkPhase false hides BLINK text.
  void PaintItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                 bool blinkPhase = true);
  // Measures all items again.
  void RemeasureAll();
  int WidestItem() const { return widest_; }
  bool BlinkTimerActive() const { return blinkTimer_.isActive(); }

 protected:
  // The height an item gets; the check list keeps its fixed ItemHeight.
  virtual int MeasureItem(int index);
  // Draws an item; rect is the whole item.
  virtual void DrawItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                        bool blink);
  // Where an item's mark-up is laid out inside its rectangle.
  virtual QRect TextRect(int index, const QRect& itemRect) const;
  // URL colour passed for anchor hit tests.
  virtual TColor HitTestURLColor() const { return urlColor_; }
  // Opens an anchor: "://" and "mailto:" through the desktop, others to OnAnchorClick.
  void ClickAnchor(int index, const QString& anchor);
  MarkupDrawArgs BaseArgs() const;
  QPainter* MeasurePainter();

  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void keyReleaseEvent(QKeyEvent* e) override;
  void keyboardSearch(const QString&) override {}
  void focusInEvent(QFocusEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool viewportEvent(QEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  // Called after the base press handling; true when the press was consumed.
  void InheritedMouseDown(QMouseEvent* e);

 private:
  void measure(int first, int last);
  void updateWidest();
  void updateSelectionMode();
  void blinkTick();
  void beginDrag();
  void lookupKey(QKeyEvent* e);
  bool lookupFrom(int from);
  QSize itemSize(int height) const;
  class Delegate;

  THTMLPictureCache cache_;
  TGradientStyle selectionColors_;
  TImageList* images_ = nullptr;
  TPictureStore* pictureStore_ = nullptr;
  TColor color_ = clWindow;
  TColor fontColor_ = clWindowText;
  TColor urlColor_ = clBlue;
  TColor selectionFontColor_ = clHighlightText;
  TColor shadowColor_ = clGray;
  int shadowOffset_ = 1;
  int itemHeight_ = 16;
  int lineSpacing_ = 0;
  bool multiline_ = false;
  bool enableBlink_ = false;
  bool ellipsis_ = false;
  bool showSelection_ = true;
  bool scrollHorizontal_ = false;
  bool sorted_ = false;
  bool multiSelect_ = false;
  bool extendedSelect_ = true;
  bool updating_ = false;
  int updateDepth_ = 0;
  TDragMode dragMode_ = dmManual;
  QTimer blinkTimer_;
  bool blinkPhase_ = true;
  int blinkTicks_ = 0;
  int widest_ = 0;
  int hintItem_ = -1;
  QString currentAnchor_;
  bool handCursor_ = false;
  QString lookup_;
  QPoint pressPos_;
  bool dragArmed_ = false;
  QSize lastSize_;
  QImage measureImage_;
  std::unique_ptr<QPainter> measurePainter_;
};

}  // namespace kalvora

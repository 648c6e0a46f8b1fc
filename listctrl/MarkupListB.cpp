#include "MarkupListB.h"

#include <QApplication>
#include <QCollator>
#include <QCursor>
#include <QDesktopServices>
#include <QDrag>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QUrl>
#include <algorithm>

#include "ScrollBarStyle.h"

namespace kalvora {

namespace {
constexpr int kMaxItemHeight = 251;  // plus 4: the list keeps heights below 256
constexpr int kWideRect = 4096;
constexpr int kTimerMs = 100;

// The target of the drag that ended last (set by the list that took the drop).
QPointer<QObject> g_dropTarget;
QPoint g_dropPos;
}  // namespace

class TMarkupListBox::Delegate : public QStyledItemDelegate {
 public:
  explicit Delegate(TMarkupListBox* list) : QStyledItemDelegate(list), list_(list) {}
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const bool focused = option.state & QStyle::State_HasFocus;
    p->save();
    p->setClipRect(option.rect, Qt::IntersectClip);
    list_->DrawItem(*p, index.row(), option.rect, selected, focused,
                    !list_->enableBlink_ || list_->blinkPhase_);
    p->restore();
  }
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const override {
    const QVariant v = index.data(Qt::SizeHintRole);
    return v.isValid() ? v.toSize() : QSize(0, list_->itemHeight_);
  }

 private:
  TMarkupListBox* list_;
};

TMarkupListBox::TMarkupListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new Delegate(this));
  setUniformItemSizes(false);
  setMouseTracking(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setDragEnabled(false);
  setAcceptDrops(true);
  setDropIndicatorShown(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setAutoFillBackground(true);
  viewport()->setAutoFillBackground(true);
  SetColor(color_);
  // The style's own handle, a near-white gradient on a light track, hardly shows.
  UseListScrollBarStyle(verticalScrollBar());
  UseListScrollBarStyle(horizontalScrollBar());
  blinkTimer_.setInterval(kTimerMs);
  connect(&blinkTimer_, &QTimer::timeout, this, [this] { blinkTick(); });
  connect(model(), &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { measure(first, last); });
  connect(model(), &QAbstractItemModel::dataChanged, this,
          [this](const QModelIndex& tl, const QModelIndex& br, const QList<int>& roles) {
            if (roles.isEmpty() || roles.contains(Qt::DisplayRole)) measure(tl.row(), br.row());
          });
  connect(model(), &QAbstractItemModel::rowsRemoved, this, [this] {
    if (scrollHorizontal_ && !updating_) updateWidest();
  });
}

TMarkupListBox::~TMarkupListBox() {
  measurePainter_.reset();
}

// ---- Items --------------------------------------------------------------------------------

QString TMarkupListBox::Item(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->text() : QString();
}

void TMarkupListBox::SetItem(int index, const QString& text) {
  if (QListWidgetItem* it = item(index)) it->setText(text);
}

int TMarkupListBox::Add(const QString& text, const QVariant& data) {
  Insert(-1, text, data);
  return count() - 1;
}

void TMarkupListBox::Insert(int index, const QString& text, const QVariant& data) {
  auto* it = new QListWidgetItem(text);
  it->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
  if (data.isValid()) it->setData(Qt::UserRole, data);
  if (index < 0 || index >= count()) addItem(it);
  else insertItem(index, it);
}

void TMarkupListBox::Delete(int index) {
  delete takeItem(index);
}

void TMarkupListBox::Clear() {
  clear();
  widest_ = 0;
  hintItem_ = -1;
}

void TMarkupListBox::Move(int from, int to) {
  if (from < 0 || from >= count() || to < 0 || to >= count() || from == to) return;
  const bool wasCurrent = currentRow() == from;
  const bool sel = item(from)->isSelected();
  QListWidgetItem* it = takeItem(from);
  insertItem(to, it);
  it->setSelected(sel);
  if (wasCurrent) setCurrentRow(to, QItemSelectionModel::NoUpdate);
}

QStringList TMarkupListBox::Items() const {
  QStringList out;
  out.reserve(count());
  for (int i = 0; i < count(); ++i) out << item(i)->text();
  return out;
}

void TMarkupListBox::SetItems(const QStringList& items) {
  BeginUpdate();
  clear();
  for (const QString& s : items) Insert(-1, s);
  EndUpdate();
}

QVariant TMarkupListBox::Objects(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->data(Qt::UserRole) : QVariant();
}

void TMarkupListBox::SetObjects(int index, const QVariant& data) {
  if (QListWidgetItem* it = item(index)) it->setData(Qt::UserRole, data);
}

int TMarkupListBox::IndexOf(const QString& text) const {
  for (int i = 0; i < count(); ++i)
    if (item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

QString TMarkupListBox::StrippedItem(int index) const {
  if (index < 0 || index >= count()) throw EMarkupListBoxError("Item index out of range");
  return StripMarkup(item(index)->text());
}

void TMarkupListBox::BeginUpdate() {
  if (updateDepth_++ == 0) {
    setUpdatesEnabled(false);
  }
}

void TMarkupListBox::EndUpdate() {
  if (updateDepth_ > 0 && --updateDepth_ == 0) {
    if (scrollHorizontal_) updateWidest();
    setUpdatesEnabled(true);
    viewport()->update();
  }
}

// ---- Selection ------------------------------------------------------------------------------

int TMarkupListBox::ItemIndex() const {
  return currentRow();
}

void TMarkupListBox::SetItemIndex(int index) {
  if (index < 0 || index >= count()) {
    clearSelection();
    setCurrentRow(-1);
    return;
  }
  setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
  scrollToItem(item(index));
}

bool TMarkupListBox::Selected(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->isSelected();
}

void TMarkupListBox::SetSelected(int index, bool selected) {
  if (QListWidgetItem* it = item(index)) {
    if (!multiSelect_ && selected) {
      setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    } else {
      it->setSelected(selected);
    }
  }
}

int TMarkupListBox::SelCount() const {
  return int(selectedItems().size());
}

void TMarkupListBox::updateSelectionMode() {
  if (!multiSelect_) setSelectionMode(QAbstractItemView::SingleSelection);
  else if (extendedSelect_) setSelectionMode(QAbstractItemView::ExtendedSelection);
  else setSelectionMode(QAbstractItemView::MultiSelection);
}

void TMarkupListBox::SetMultiSelect(bool on) {
  multiSelect_ = on;
  updateSelectionMode();
}

void TMarkupListBox::SetExtendedSelect(bool on) {
  extendedSelect_ = on;
  updateSelectionMode();
}

int TMarkupListBox::TopIndex() const {
  const QModelIndex i = indexAt(QPoint(1, 1));
  return i.isValid() ? i.row() : (count() > 0 ? verticalScrollBar()->value() : -1);
}

void TMarkupListBox::ScrollLines(int lines) {
  QScrollBar* bar = verticalScrollBar();
  bar->setValue(bar->value() + lines * bar->singleStep());
}

int TMarkupListBox::ItemAtPos(const QPoint& pos, bool existing) const {
  const QModelIndex i = indexAt(pos);
  if (i.isValid()) return i.row();
  if (existing) return -1;
  // Below the last item counts as the position after it.
  if (count() > 0 && pos.y() >= visualItemRect(item(count() - 1)).bottom()) return count();
  return count() == 0 ? 0 : -1;
}

QRect TMarkupListBox::ItemRect(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? visualItemRect(it) : QRect();
}

// ---- Appearance -------------------------------------------------------------------------------

void TMarkupListBox::SetColor(TColor c) {
  color_ = c;
  QPalette pal = palette();
  pal.setColor(QPalette::Base, ToQColor(c == clNone ? clWindow : c));
  pal.setColor(QPalette::Window, ToQColor(c == clNone ? clWindow : c));
  setPalette(pal);
  viewport()->update();
}

void TMarkupListBox::SetFontColor(TColor c) {
  fontColor_ = c;
  viewport()->update();
}

void TMarkupListBox::SetItemHeight(int h) {
  itemHeight_ = std::max(1, h);
  RemeasureAll();
}

void TMarkupListBox::SetImages(TImageList* images) {
  images_ = images;
  RemeasureAll();
}

void TMarkupListBox::SetPictureStore(TPictureStore* store) {
  pictureStore_ = store;
  RemeasureAll();
}

void TMarkupListBox::SetMultiline(bool on) {
  if (on == multiline_) return;
  multiline_ = on;
  RemeasureAll();
}

void TMarkupListBox::SetURLColor(TColor c) {
  if (c == urlColor_) return;
  urlColor_ = c;
  viewport()->update();
}

void TMarkupListBox::SetSelectionColors(const TGradientStyle& style) {
  selectionColors_.Assign(style);
  viewport()->update();
}

void TMarkupListBox::SetSelectionFontColor(TColor c) {
  if (c == selectionFontColor_) return;
  selectionFontColor_ = c;
  viewport()->update();
}

void TMarkupListBox::SetEnableBlink(bool on) {
  enableBlink_ = on;
  if (on) {
    if (!blinkTimer_.isActive()) blinkTimer_.start();
  } else {
    blinkTimer_.stop();
    blinkPhase_ = true;
    blinkTicks_ = 0;
    viewport()->update();
  }
}

void TMarkupListBox::SetShadowOffset(int o) {
  shadowOffset_ = o;
  viewport()->update();
}

void TMarkupListBox::SetShadowColor(TColor c) {
  shadowColor_ = c;
  viewport()->update();
}

void TMarkupListBox::SetEllipsis(bool on) {
  if (on == ellipsis_) return;
  ellipsis_ = on;
  viewport()->update();
}

void TMarkupListBox::SetLineSpacing(int s) {
  if (s == lineSpacing_) return;
  lineSpacing_ = s;
  RemeasureAll();
}

void TMarkupListBox::SetShowSelection(bool on) {
  showSelection_ = on;
  viewport()->update();
}

void TMarkupListBox::SetScrollHorizontal(bool on) {
  if (on == scrollHorizontal_) return;
  scrollHorizontal_ = on;
  setHorizontalScrollBarPolicy(on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  RemeasureAll();
}

// ---- Measuring ------------------------------------------------------------------------------------

QPainter* TMarkupListBox::MeasurePainter() {
  // Measuring happens outside paint events, on a tiny image with the screen's resolution.
  const int dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
  const int dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
  const int dpmX = int(dpiX / 0.0254 + 0.5), dpmY = int(dpiY / 0.0254 + 0.5);
  if (!measurePainter_ || measureImage_.dotsPerMeterX() != dpmX ||
      measureImage_.dotsPerMeterY() != dpmY) {
    measurePainter_.reset();
    measureImage_ = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
    measureImage_.setDotsPerMeterX(dpmX);
    measureImage_.setDotsPerMeterY(dpmY);
    measurePainter_ = std::make_unique<QPainter>(&measureImage_);
  }
  measurePainter_->setFont(font());
  measurePainter_->setPen(ToQColor(fontColor_));
  measurePainter_->setBrush(Qt::NoBrush);
  return measurePainter_.get();
}

MarkupDrawArgs TMarkupListBox::BaseArgs() const {
  MarkupDrawArgs a;
  a.Images = images_;
  a.PictureCache = const_cast<THTMLPictureCache*>(&cache_);
  a.PictureStore = pictureStore_;
  a.ShadowOffset = shadowOffset_;
  a.ShadowColor = shadowColor_;
  a.WordWrap = !ellipsis_;
  a.LineSpacing = lineSpacing_;
  a.URLColor = urlColor_;
  a.ResFactor = 1.0;
  a.HoverColor = clNone;
  a.HoverFontColor = clNone;
  return a;
}

QSize TMarkupListBox::itemSize(int height) const {
  return QSize(scrollHorizontal_ ? widest_ : 0, height);
}

int TMarkupListBox::MeasureItem(int index) {
  const int vw = viewport()->width();
  const int vh = viewport()->height();
  QRect r(0, 0, vw, vh);
  if (scrollHorizontal_) {
    r.setWidth(kWideRect);
  } else if (!verticalScrollBar()->isVisible() && count() * itemHeight_ > vh) {
    r.setWidth(vw - style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  } else {
    r.setWidth(vw - 4);
  }
  MarkupDrawArgs a = BaseArgs();
  a.CheckHeight = true;
  a.CheckAnchor = true;
  a.Selected = true;
  a.Blink = true;
  a.XPos = 0;
  a.YPos = 0;
  MarkupDrawResult res;
  DrawMarkup(*MeasurePainter(), item(index)->text(), r, a, res);
  int h = std::min(res.YSize, std::max(0, vh));
  h = std::min(h, kMaxItemHeight);
  if (scrollHorizontal_ && res.XSize + 6 > widest_) widest_ = res.XSize + 6;
  return h + 4;
}

void TMarkupListBox::measure(int first, int last) {
  if (updating_) return;
  updating_ = true;
  const int oldWidest = widest_;
  for (int i = std::max(0, first); i <= last && i < count(); ++i) {
    const int h = MeasureItem(i);
    item(i)->setData(Qt::SizeHintRole, itemSize(h));
  }
  if (scrollHorizontal_ && widest_ != oldWidest) {
    for (int i = 0; i < count(); ++i)
      item(i)->setData(Qt::SizeHintRole, itemSize(item(i)->data(Qt::SizeHintRole).toSize().height()));
  }
  updating_ = false;
  if (sorted_) {
    // Items added later are not placed in order; the flag only sorts when it is set.
  }
}

void TMarkupListBox::RemeasureAll() {
  if (updating_) return;
  if (scrollHorizontal_) widest_ = 0;
  measure(0, count() - 1);
  if (scrollHorizontal_) updateWidest();
  viewport()->update();
}

void TMarkupListBox::updateWidest() {
  if (!scrollHorizontal_) {
    widest_ = 0;
    return;
  }
  MarkupDrawArgs a = BaseArgs();
  a.CheckHeight = true;
  a.CheckAnchor = true;
  a.Selected = true;
  int widest = 0;
  for (int i = 0; i < count(); ++i) {
    MarkupDrawResult res;
    DrawMarkup(*MeasurePainter(), item(i)->text(), QRect(0, 0, kWideRect, viewport()->height()), a, res);
    widest = std::max(widest, res.XSize + 6);
  }
  const bool changed = widest != widest_;
  widest_ = widest;
  if (changed) {
    updating_ = true;
    for (int i = 0; i < count(); ++i)
      item(i)->setData(Qt::SizeHintRole, itemSize(item(i)->data(Qt::SizeHintRole).toSize().height()));
    updating_ = false;
  }
}

// ---- Drawing -------------------------------------------------------------------------------------

QRect TMarkupListBox::TextRect(int, const QRect& itemRect) const {
  QRect r = itemRect;
  r.setLeft(itemRect.left() + 2);
  // Half of the 4 pixels an item is measured higher than its text go above it: accents of
  // capitals ("Ö") reach past the font's ascent and would be cut off at the item's top edge.
  r.setTop(itemRect.top() + 2);
  if (scrollHorizontal_) r.setWidth(kWideRect);
  return r;
}

void TMarkupListBox::DrawItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                              bool blink) {
  const bool showSel = selected && showSelection_;
  const TColor back = color_ == clNone ? clWindow : color_;
  TColor brush = back;
  if (!showSel) {
    p.fillRect(rect, ToQColor(back));
  } else {
    brush = selectionColors_.ColorFrom();
    if (selectionColors_.ColorTo() == clNone) {
      p.fillRect(rect, ToQColor(brush));
      p.setPen(ToQColor(brush));
      p.setBrush(Qt::NoBrush);
      p.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
      DrawGradientRect(p, selectionColors_.ColorFrom(), selectionColors_.ColorTo(),
                       selectionColors_.Direction(), rect, 64, selectionColors_.BorderColor());
    }
  }
  const QRect tr = TextRect(index, rect);
  MarkupDrawArgs a = BaseArgs();
  const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
  a.XPos = mouse.x() + 2;
  a.YPos = mouse.y();
  a.Selected = showSel;
  a.Blink = blink;
  a.URLColor = showSel ? selectionFontColor_ : urlColor_;
  p.setFont(font());
  p.setPen(ToQColor(showSel ? selectionFontColor_ : fontColor_));
  p.setBrush(ToQColor(brush));
  MarkupDrawResult res;
  DrawMarkup(p, item(index)->text(), tr, a, res);
  if (focused && showSelection_) {
    p.setPen(ToQColor(clGray));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(tr.left() - 2, rect.top()), rect.bottomRight()).adjusted(0, 0, -1, -1));
  }
}

void TMarkupListBox::PaintItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                               bool blinkPhase) {
  if (index < 0 || index >= count()) return;
  p.save();
  DrawItem(p, index, rect, selected, focused, blinkPhase);
  p.restore();
}

void TMarkupListBox::blinkTick() {
  if (count() == 0 || !enableBlink_) return;
  bool changed = cache_.Animate();
  if (pictureStore_) changed = pictureStore_->Items().Animate() || changed;
  if (changed) viewport()->update();
  if (++blinkTicks_ % 5 != 0) return;
  blinkPhase_ = !blinkPhase_;
  const int first = std::max(0, TopIndex());
  const QModelIndex lastIdx = indexAt(QPoint(1, viewport()->height() - 1));
  const int last = lastIdx.isValid() ? lastIdx.row() : count() - 1;
  for (int i = first; i <= last && i < count(); ++i)
    if (item(i)->text().contains(QLatin1String("<BLINK"), Qt::CaseInsensitive))
      viewport()->update(visualItemRect(item(i)));
}

// ---- Anchors, mouse and hints -------------------------------------------------------------

QString TMarkupListBox::AnchorAt(const QPoint& pos, int* index) {
  if (index) *index = -1;
  const QModelIndex mi = indexAt(pos);
  if (!mi.isValid()) return QString();
  if (index) *index = mi.row();
  MarkupDrawArgs a = BaseArgs();
  a.CheckAnchor = true;
  a.XPos = pos.x();
  a.YPos = pos.y();
  a.URLColor = HitTestURLColor();
  MarkupDrawResult res;
  const QRect tr = TextRect(mi.row(), visualRect(mi));
  if (DrawMarkup(*MeasurePainter(), item(mi.row())->text(), tr, a, res)) return res.AnchorVal;
  return QString();
}

void TMarkupListBox::ClickAnchor(int index, const QString& anchor) {
  if (anchor.contains(QLatin1String("://")) || anchor.contains(QLatin1String("mailto:"), Qt::CaseInsensitive)) {
    QDesktopServices::openUrl(QUrl(anchor, QUrl::TolerantMode));
  } else if (OnAnchorClick) {
    OnAnchorClick(this, index, anchor);
  }
}

void TMarkupListBox::InheritedMouseDown(QMouseEvent* e) {
  const int before = currentRow();
  QListWidget::mousePressEvent(e);
  const int at = ItemAtPos(e->position().toPoint(), true);
  if (e->button() == Qt::LeftButton) {
    pressPos_ = e->position().toPoint();
    dragArmed_ = dragMode_ == dmAutomatic && at >= 0;
  }
  if (at >= 0 && (at != before || e->button() == Qt::LeftButton) && OnClick) OnClick(this);
  if (OnMouseDown) OnMouseDown(this, e);
}

void TMarkupListBox::mousePressEvent(QMouseEvent* e) {
  int index = -1;
  const QString anchor = AnchorAt(e->position().toPoint(), &index);
  if (!anchor.isEmpty() && e->button() == Qt::LeftButton) {
    ClickAnchor(index, anchor);
    return;
  }
  InheritedMouseDown(e);
}

void TMarkupListBox::mouseReleaseEvent(QMouseEvent* e) {
  dragArmed_ = false;
  QListWidget::mouseReleaseEvent(e);
}

void TMarkupListBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QListWidget::mouseDoubleClickEvent(e);
  if (OnDblClick) OnDblClick(this);
}

void TMarkupListBox::mouseMoveEvent(QMouseEvent* e) {
  const QPoint pos = e->position().toPoint();
  if (dragArmed_ && (e->buttons() & Qt::LeftButton) &&
      (pos - pressPos_).manhattanLength() >= QApplication::startDragDistance()) {
    dragArmed_ = false;
    beginDrag();
    return;
  }
  QListWidget::mouseMoveEvent(e);
  if (ItemHint) {
    const int at = ItemAtPos(pos, true);
    if (at != hintItem_) {
      QToolTip::hideText();
      hintItem_ = at;
    }
  }
  int index = -1;
  const QString anchor = AnchorAt(pos, &index);
  if (!anchor.isEmpty()) {
    if (anchor != currentAnchor_) {
      QToolTip::hideText();
      if (!currentAnchor_.isEmpty() && OnAnchorExit) OnAnchorExit(this, index, currentAnchor_);
      if (!handCursor_) {
        viewport()->setCursor(Qt::PointingHandCursor);
        handCursor_ = true;
      }
      if (OnAnchorEnter) OnAnchorEnter(this, index, anchor);
      currentAnchor_ = anchor;
    }
  } else if (handCursor_ && !currentAnchor_.isEmpty()) {
    QToolTip::hideText();
    viewport()->unsetCursor();
    handCursor_ = false;
    if (OnAnchorExit) OnAnchorExit(this, index, currentAnchor_);
    currentAnchor_.clear();
  }
}

bool TMarkupListBox::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    if (!ShowHint) return true;
    int index = -1;
    QString anchor = AnchorHint ? AnchorAt(he->pos(), &index) : QString();
    if (AnchorHint && !anchor.isEmpty()) {
      if (OnAnchorHint) OnAnchorHint(this, index, anchor);
      QToolTip::showText(he->globalPos() + QPoint(10, -10), anchor, viewport());
      return true;
    }
    const int at = ItemAtPos(he->pos(), true);
    if (ItemHint && at >= 0) {
      const QString text = HTMLHint ? Item(at) : StripMarkup(Item(at));
      const QRect r = TextRect(at, ItemRect(at));
      QToolTip::showText(viewport()->mapToGlobal(QPoint(r.left() - 2, r.top())), text, viewport());
      return true;
    }
    QToolTip::hideText();
    return true;
  }
  if (e->type() == QEvent::Resize) {
    const bool r = QListWidget::viewportEvent(e);
    if (viewport()->size() != lastSize_) {
      lastSize_ = viewport()->size();
      RemeasureAll();
    }
    return r;
  }
  return QListWidget::viewportEvent(e);
}

void TMarkupListBox::resizeEvent(QResizeEvent* e) {
  QListWidget::resizeEvent(e);
  if (viewport()->size() != lastSize_) {
    lastSize_ = viewport()->size();
    RemeasureAll();
  }
}

void TMarkupListBox::changeEvent(QEvent* e) {
  QListWidget::changeEvent(e);
  if (e->type() == QEvent::FontChange) RemeasureAll();
}

// ---- Keyboard -------------------------------------------------------------------------------------

void TMarkupListBox::keyPressEvent(QKeyEvent* e) {
  const int before = currentRow();
  QListWidget::keyPressEvent(e);
  if (currentRow() != before && OnClick) OnClick(this);
  if (OnKeyDown) OnKeyDown(this, e);
  lookupKey(e);
}

void TMarkupListBox::keyReleaseEvent(QKeyEvent* e) {
  QListWidget::keyReleaseEvent(e);
  if (OnKeyUp) OnKeyUp(this, e);
}

void TMarkupListBox::focusInEvent(QFocusEvent* e) {
  lookup_.clear();
  QListWidget::focusInEvent(e);
}

bool TMarkupListBox::lookupFrom(int from) {
  const QString key = lookup_.toUpper();
  for (int i = std::max(0, from); i < count(); ++i) {
    if (StripMarkup(item(i)->text()).toUpper().startsWith(key)) {
      SetItemIndex(i);
      return true;
    }
  }
  return false;
}

void TMarkupListBox::lookupKey(QKeyEvent* e) {
  const int key = e->key();
  switch (key) {
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      lookup_.clear();
      return;
    case Qt::Key_Backspace:
      if (!lookup_.isEmpty()) lookup_.chop(1);
      return;
    default:
      break;
  }
  // Letters, digits and the other Latin-1 keys come as their upper-case character code.
  if (key < 32 || key > 255) return;
  const QChar ch = QChar(char16_t(key));
  if (IncrLookup) lookup_ += ch;
  else lookup_ = QString(ch);
  if (selectedItems().isEmpty() && currentRow() < 0 && !IncrLookup) return;
  if (lookupFrom(currentRow() < 0 ? 0 : currentRow())) return;
  if (lookupFrom(0)) return;
  if (IncrLookup) {
    lookup_ = QString(ch);
    lookupFrom(0);
  }
}

// ---- Sorting ------------------------------------------------------------------------------------------

QCollator TMarkupListBox::ListCollator() {
  // Without a locale of its own (the C locale of a bare session) the program's German order.
  QLocale locale;
  if (locale.language() == QLocale::C) locale = QLocale(QLocale::German, QLocale::Germany);
  QCollator collator(locale);
  collator.setCaseSensitivity(Qt::CaseSensitive);
  collator.setNumericMode(false);
  collator.setIgnorePunctuation(false);
  return collator;
}

void TMarkupListBox::SetSorted(bool on) {
  sorted_ = on;
  if (!on || count() < 2) return;
  struct Entry {
    QString key;
    QListWidgetItem* item;
  };
  std::vector<Entry> v;
  v.reserve(size_t(count()));
  const int cur = currentRow();
  QListWidgetItem* curItem = cur >= 0 ? item(cur) : nullptr;
  BeginUpdate();
  while (count() > 0) {
    QListWidgetItem* it = takeItem(0);
    v.push_back({SortWithHTML ? it->text() : StripMarkup(it->text()), it});
  }
  // The locale's alphabetical order, case only breaking ties ("bild07" before "P14.JPG").
  const QCollator collator = ListCollator();
  // Quicksort on the keys with the middle element as pivot; items with equal keys are not
  // swapped. The smaller part recurses, so hostile orders cannot exhaust the stack.
  std::function<void(int, int)> sort = [&](int l, int r) {
    while (l < r) {
      const QString pivot = v[size_t((l + r) / 2)].key;
      int i = l, j = r;
      do {
        while (i < r && collator.compare(v[size_t(i)].key, pivot) < 0) ++i;
        while (j > l && collator.compare(v[size_t(j)].key, pivot) > 0) --j;
        if (i <= j) {
          if (v[size_t(i)].key != v[size_t(j)].key) std::swap(v[size_t(i)], v[size_t(j)]);
          ++i;
          --j;
        }
      } while (i <= j);
      if (j - l < r - i) {
        if (j > l) sort(l, j);
        l = i;
      } else {
        if (i < r) sort(i, r);
        r = j;
      }
    }
  };
  sort(0, int(v.size()) - 1);
  updating_ = true;
  for (const Entry& e : v) addItem(e.item);
  updating_ = false;
  if (curItem) setCurrentItem(curItem, QItemSelectionModel::NoUpdate);
  EndUpdate();
}

// ---- Drag and drop -------------------------------------------------------------------------------------

void TMarkupListBox::beginDrag() {
  auto* drag = new QDrag(this);
  drag->setMimeData(new MarkupDragData(this));
  g_dropTarget = nullptr;
  const Qt::DropAction action = drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
  QObject* target = action == Qt::IgnoreAction ? nullptr : g_dropTarget.data();
  QPoint at = target ? g_dropPos : viewport()->mapFromGlobal(QCursor::pos());
  if (OnEndDrag) OnEndDrag(this, target, at.x(), at.y());
  g_dropTarget = nullptr;
}

namespace {
QObject* DragSource(const QMimeData* data) {
  const auto* d = qobject_cast<const MarkupDragData*>(data);
  return d ? d->Source() : nullptr;
}
}  // namespace

void TMarkupListBox::dragEnterEvent(QDragEnterEvent* e) {
  QObject* source = DragSource(e->mimeData());
  bool accept = bool(OnDragOver) && source;
  const QPoint p = e->position().toPoint();
  if (accept) OnDragOver(this, source, p.x(), p.y(), dsDragEnter, accept);
  if (accept) e->acceptProposedAction();
  else e->ignore();
}

void TMarkupListBox::dragMoveEvent(QDragMoveEvent* e) {
  QObject* source = DragSource(e->mimeData());
  bool accept = bool(OnDragOver) && source;
  const QPoint p = e->position().toPoint();
  if (accept) OnDragOver(this, source, p.x(), p.y(), dsDragMove, accept);
  if (accept) e->acceptProposedAction();
  else e->ignore();
}

void TMarkupListBox::dragLeaveEvent(QDragLeaveEvent* e) {
  e->accept();
}

void TMarkupListBox::dropEvent(QDropEvent* e) {
  QObject* source = DragSource(e->mimeData());
  if (!source) {
    e->ignore();
    return;
  }
  const QPoint p = e->position().toPoint();
  g_dropTarget = this;
  g_dropPos = p;
  if (OnDragDrop) OnDragDrop(this, source, p.x(), p.y());
  e->setDropAction(Qt::MoveAction);
  e->accept();
}

}  // namespace kalvora

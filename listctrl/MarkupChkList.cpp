#include "MarkupChkList.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace kalvora {

namespace {
constexpr int kStateRole = Qt::UserRole + 1;
constexpr int kDisabledRole = Qt::UserRole + 2;
constexpr int kLevelRole = Qt::UserRole + 3;
constexpr int kNoCheckRole = Qt::UserRole + 4;
}  // namespace

TMarkupCheckList::TMarkupCheckList(QWidget* parent) : TMarkupListBox(parent) {
  SetShadowColor(clGray);
  SetShadowOffset(1);
  SetURLColor(clBlue);
  SetSelectionFontColor(clHighlightText);
  SetShowSelection(true);
}

int TMarkupCheckList::GetCheckedCount() const {
  int n = 0;
  for (int i = 0; i < Count(); ++i)
    if (State(i) == cbChecked) ++n;
  return n;
}

QString TMarkupCheckList::GetCheckedItem(int index) const {
  int n = 0;
  for (int i = 0; i < Count(); ++i) {
    if (State(i) != cbChecked) continue;
    if (n == index) return Item(i);
    ++n;
  }
  return QString();
}

TCheckBoxState TMarkupCheckList::State(int index) const {
  const QListWidgetItem* it = item(index);
  if (!it) return cbUnchecked;
  const int s = it->data(kStateRole).toInt();
  return s == cbChecked ? cbChecked : s == cbGrayed ? cbGrayed : cbUnchecked;
}

void TMarkupCheckList::SetState(int index, TCheckBoxState state) {
  QListWidgetItem* it = item(index);
  if (!it || State(index) == state) return;
  it->setData(kStateRole, int(state));
  viewport()->update(CheckRect(index).adjusted(-2, -2, 2, 2));
}

bool TMarkupCheckList::Checked(int index) const {
  return State(index) == cbChecked && !NoCheck(index);
}

void TMarkupCheckList::SetChecked(int index, bool checked) {
  SetState(index, checked ? cbChecked : cbUnchecked);
}

bool TMarkupCheckList::ItemEnabled(int index) const {
  const QListWidgetItem* it = item(index);
  return it && !it->data(kDisabledRole).toBool();
}

void TMarkupCheckList::SetItemEnabled(int index, bool enabled) {
  if (QListWidgetItem* it = item(index)) {
    it->setData(kDisabledRole, !enabled);
    viewport()->update(ItemRect(index));
  }
}

int TMarkupCheckList::Level(int index) const {
  const QListWidgetItem* it = item(index);
  return it ? it->data(kLevelRole).toInt() : 0;
}

void TMarkupCheckList::SetLevel(int index, int level) {
  QListWidgetItem* it = item(index);
  if (!it || Level(index) == level) return;
  it->setData(kLevelRole, std::clamp(level, 0, 1000));
  viewport()->update(ItemRect(index));
}

bool TMarkupCheckList::NoCheck(int index) const {
  const QListWidgetItem* it = item(index);
  return it && it->data(kNoCheckRole).toBool();
}

void TMarkupCheckList::SetNoCheck(int index, bool noCheck) {
  if (QListWidgetItem* it = item(index)) {
    it->setData(kNoCheckRole, noCheck);
    viewport()->update(ItemRect(index));
  }
}

void TMarkupCheckList::SetFlat(bool flat) {
  if (flat == flat_) return;
  flat_ = flat;
  viewport()->update();
}

void TMarkupCheckList::SetDuplicates(bool on) {
  if (on == duplicates_) return;
  duplicates_ = on;
  if (!on) {
    dups_.clear();
    QStringList seen;
    BeginUpdate();
    for (int i = 0; i < Count();) {
      const QString text = Item(i);
      bool met = false;
      for (const QString& s : std::as_const(seen))
        if (s.compare(text, Qt::CaseInsensitive) == 0) {
          met = true;
          break;
        }
      if (met) {
        dups_.push_back({text, TSaveObject{Level(i), Objects(i)}});
        Delete(i);
      } else {
        seen << text;
        ++i;
      }
    }
    EndUpdate();
  } else {
    BeginUpdate();
    for (const auto& d : dups_) {
      const int i = Add(d.first, d.second.Data);
      SetLevel(i, d.second.Level);
    }
    dups_.clear();
    EndUpdate();
  }
}

QSize TMarkupCheckList::CheckBoxSize() const {
  return QSize(style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, this),
               style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, this));
}

QRect TMarkupCheckList::checkRectIn(int index, const QRect& itemRect) const {
  const int cw = CheckWidth();
  const QSize box = CheckBoxSize();
  const int colLeft = layoutDirection() == Qt::RightToLeft
                          ? itemRect.right() + 1 - cw
                          : itemRect.left() + Level(index) * cw;
  return QRect(colLeft + (cw - box.width()) / 2, itemRect.top() + (itemRect.height() - box.height()) / 2,
               box.width(), box.height());
}

QRect TMarkupCheckList::CheckRect(int index) const {
  return checkRectIn(index, ItemRect(index));
}

QRect TMarkupCheckList::TextRect(int index, const QRect& itemRect) const {
  const int column = (Level(index) + 1) * CheckWidth();
  QRect r = itemRect;
  if (layoutDirection() == Qt::RightToLeft) r.setRight(r.right() - column);
  else r.setLeft(r.left() + column + 2);
  r.setTop(r.top() + 2);
  return r;
}

int TMarkupCheckList::MeasureItem(int) {
  return ItemHeight();
}

void TMarkupCheckList::drawCheckBox(QPainter& p, const QRect& box, TCheckBoxState state, bool enabled) {
  QStyleOptionButton opt;
  opt.initFrom(this);
  opt.rect = box;
  opt.state = QStyle::State_None;
  if (enabled) opt.state |= QStyle::State_Enabled;
  opt.state |= state == cbChecked ? QStyle::State_On : state == cbGrayed ? QStyle::State_NoChange : QStyle::State_Off;
  p.save();
  if (flat_) p.setClipRect(box.adjusted(2, 2, -2, -2), Qt::IntersectClip);
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &opt, &p, this);
  p.restore();
  if (flat_) {
    p.save();
    p.setPen(ToQColor(clBtnShadow));
    p.setBrush(Qt::NoBrush);
    p.drawRect(box.adjusted(1, 1, -2, -2));
    p.restore();
  }
}

void TMarkupCheckList::DrawItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                                bool blink) {
  const bool showSel = selected && ShowSelection();
  const TColor back = Color() == clNone ? clWindow : Color();
  TColor brush = back;
  const QRect full(0, rect.top(), viewport()->width(), rect.height());
  if (ShowSelection()) {
    if (showSel && SelectionColors().ColorTo() != clNone) {
      DrawGradientRect(p, SelectionColors().ColorFrom(), SelectionColors().ColorTo(),
                       SelectionColors().Direction(), TextRect(index, rect).adjusted(-2, -2, 0, 0),
                       64, SelectionColors().BorderColor());
      p.fillRect(QRect(full.topLeft(), QPoint(TextRect(index, rect).left() - 3, full.bottom())), ToQColor(back));
      brush = SelectionColors().ColorFrom();
    } else {
      brush = showSel ? SelectionColors().ColorFrom() : back;
      p.fillRect(full, ToQColor(brush));
      if (showSel && SelectionColors().BorderColor() != clNone) {
        p.setPen(ToQColor(SelectionColors().BorderColor()));
        p.setBrush(Qt::NoBrush);
        p.drawRect(full.adjusted(0, 0, -1, -1));
      }
    }
  } else {
    p.fillRect(full, ToQColor(back));
  }
  if (!NoCheck(index))
    drawCheckBox(p, checkRectIn(index, rect), State(index), isEnabled() && ItemEnabled(index));

  TColor text = showSel ? SelectionFontColor() : FontColor();
  if (!ItemEnabled(index)) text = clGrayText;
  MarkupDrawArgs a = BaseArgs();
  const QPoint mouse = viewport()->mapFromGlobal(QCursor::pos());
  a.XPos = mouse.x();
  a.YPos = mouse.y();
  a.Selected = showSel;
  a.Blink = blink;
  a.URLColor = showSel ? SelectionFontColor() : URLColor();
  p.setFont(font());
  p.setPen(ToQColor(text));
  p.setBrush(ToQColor(brush));
  MarkupDrawResult res;
  DrawMarkup(p, Item(index), TextRect(index, rect), a, res);
  if (focused && ShowSelection()) {
    p.setPen(QPen(ToQColor(clGray), 1, Qt::DotLine));
    p.setBrush(Qt::NoBrush);
    p.drawRect(full.adjusted(0, 0, -1, -1));
  }
}

void TMarkupCheckList::ClickCheck() {
  if (OnCheckClick) OnCheckClick(this);
}

void TMarkupCheckList::mousePressEvent(QMouseEvent* e) {
  InheritedMouseDown(e);
  if (e->button() != Qt::LeftButton) return;
  const QPoint pos = e->position().toPoint();
  const int index = ItemAtPos(pos, true);
  if (index >= 0 && ItemEnabled(index) && !NoCheck(index)) {
    const QRect r = ItemRect(index);
    const int cw = CheckWidth();
    bool inBox;
    if (layoutDirection() == Qt::RightToLeft) {
      const int d = pos.x() - (r.right() + 1 - cw);
      inBox = d > 0 && d < cw;
    } else {
      const int d = pos.x() - r.left();
      inBox = d < (Level(index) + 1) * cw && d > Level(index) * cw;
    }
    if (inBox) {
      TCheckBoxState s = State(index);
      if (s == cbUnchecked) s = AllowGrayed ? cbGrayed : cbChecked;
      else if (s == cbChecked) s = cbUnchecked;
      else s = cbChecked;
      SetState(index, s);
      ClickCheck();
    }
  }
  int at = -1;
  const QString anchor = AnchorAt(pos, &at);
  if (!anchor.isEmpty()) ClickAnchor(at, anchor);
}

}  // namespace kalvora

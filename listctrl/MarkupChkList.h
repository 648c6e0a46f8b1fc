#pragma once
// TMarkupCheckList: a mark-up list (see MarkupListB.h for items, data, selection, events,
// anchors and drag and drop) with a check box in front of every item.
//
// Per item it keeps a check state (unchecked, checked, grayed), an enabled flag, a level
// (the check column is Level + 1 check widths wide, the box sits in its last part) and a
// flag that keeps the item out of checking (no box drawn, clicks ignored). All items are
// ItemHeight high (16 unless set). A left click inside an item's check box toggles it
// (unchecked -> checked -> unchecked, or with AllowGrayed unchecked -> grayed -> checked ->
// unchecked) and fires OnCheckClick; a click on the text does not, nor does the keyboard.
//
// GetCheckedCount and GetCheckedItem read the ticked items in list order.
// Duplicates False moves every item whose text (without case) came earlier into a side
// list; setting it True again appends them with their level and data.
#include <vector>

#include "MarkupListB.h"

namespace kalvora {

enum TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };

// An item set aside as a duplicate: its level and data.
struct TSaveObject {
  int Level = 0;
  QVariant Data;
};

class TMarkupCheckList : public TMarkupListBox {
  Q_OBJECT
 public:
  explicit TMarkupCheckList(QWidget* parent = nullptr);

  int GetCheckedCount() const;
  // The mark-up of the index-th checked item (from 0), "" when fewer items are checked.
  QString GetCheckedItem(int index) const;

  TCheckBoxState State(int index) const;
  void SetState(int index, TCheckBoxState state);
  bool Checked(int index) const;  // checked and not kept out of checking
  void SetChecked(int index, bool checked);
  bool ItemEnabled(int index) const;
  void SetItemEnabled(int index, bool enabled);
  int Level(int index) const;
  void SetLevel(int index, int level);
  bool NoCheck(int index) const;  // kept out of checking
  void SetNoCheck(int index, bool noCheck);

  bool AllowGrayed = false;
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  bool Duplicates() const { return duplicates_; }
  void SetDuplicates(bool on);
  const std::vector<std::pair<QString, TSaveObject>>& DuplicateItems() const { return dups_; }

  // One check box's size and the width of one step of the check column (box + 2).
  QSize CheckBoxSize() const;
  int CheckWidth() const { return CheckBoxSize().width() + 2; }
  // The check box of an item, in viewport coordinates.
  QRect CheckRect(int index) const;

  TNotifyEvent OnCheckClick;

 protected:
  virtual void ClickCheck();
  int MeasureItem(int index) override;
  void DrawItem(QPainter& p, int index, const QRect& rect, bool selected, bool focused,
                bool blink) override;
  QRect TextRect(int index, const QRect& itemRect) const override;
  TColor HitTestURLColor() const override { return clNone; }
  void mousePressEvent(QMouseEvent* e) override;

 private:
  QRect checkRectIn(int index, const QRect& itemRect) const;
  void drawCheckBox(QPainter& p, const QRect& box, TCheckBoxState state, bool enabled);
  bool flat_ = true;
  bool duplicates_ = true;
  std::vector<std::pair<QString, TSaveObject>> dups_;
};

}  // namespace kalvora

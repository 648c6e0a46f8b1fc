#pragma once
// PLACEHOLDERS for the picture component (TPicImage, imaging/) and the mark-up list controls
// (TMarkupListBox, TMarkupCheckList, listctrl/) until they are joined. The controls are declared
// through the aliases at the end; the placeholders carry the members of the real classes that
// the shell uses, under the same names, so joining is a change of the aliases (and of the calls
// in ImagingHooks.cpp).
#include <QFrame>
#include <QListWidget>
#include <QStringList>
#include <cstdint>

// Stands in for TPicImage: a frame that keeps the effect settings the main window sets.
class TPicImagePlaceholder : public QFrame {
  Q_OBJECT
 public:
  explicit TPicImagePlaceholder(QWidget* parent = nullptr) : QFrame(parent) { setFrameShape(QFrame::StyledPanel); }
  int PaintEffect() const { return paintEffect_; }
  void SetPaintEffect(int v) { paintEffect_ = v; }
  unsigned EffectDelay() const { return effectDelay_; }
  void SetEffectDelay(unsigned v) { effectDelay_ = v; }
  unsigned EffectGrain() const { return effectGrain_; }
  void SetEffectGrain(unsigned v) { effectGrain_ = v; }
  unsigned PaintMaxPasses() const { return paintMaxPasses_; }
  void SetPaintMaxPasses(unsigned v) { paintMaxPasses_ = v; }
  unsigned WandSize() const { return wandSize_; }
  void SetWandSize(unsigned v) { wandSize_ = v; }
  int32_t WandColor() const { return wandColor_; }
  void SetWandColor(int32_t v) { wandColor_ = v; }
  bool BackErase() const { return backErase_; }
  void SetBackErase(bool on) { backErase_ = on; }
  int PaintSizeMode() const { return paintSizeMode_; }
  void SetPaintSizeMode(int mode) { paintSizeMode_ = mode; }

 private:
  int paintEffect_ = 1000;
  unsigned effectDelay_ = 0, effectGrain_ = 5, paintMaxPasses_ = 1, wandSize_ = 0;
  int32_t wandColor_ = 0;
  bool backErase_ = false;
  int paintSizeMode_ = 0;
};

// Stands in for TMarkupListBox: a plain list whose item texts are the mark-up.
class TMarkupListBoxPlaceholder : public QListWidget {
  Q_OBJECT
 public:
  explicit TMarkupListBoxPlaceholder(QWidget* parent = nullptr) : QListWidget(parent) {}
  int Count() const { return count(); }
  QString Item(int index) const { return item(index) ? item(index)->text() : QString(); }
  void SetItem(int index, const QString& text) {
    if (item(index)) item(index)->setText(text);
  }
  int Add(const QString& text) {
    Insert(-1, text);
    return count() - 1;
  }
  void Insert(int index, const QString& text) {
    auto* it = new QListWidgetItem(text);
    it->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (index < 0 || index >= count()) addItem(it);
    else insertItem(index, it);
  }
  void Delete(int index) { delete takeItem(index); }
  void Clear() { clear(); }
  QStringList Items() const {
    QStringList out;
    for (int i = 0; i < count(); ++i) out << item(i)->text();
    return out;
  }
  int ItemIndex() const { return currentRow(); }
  void SetItemIndex(int index) { setCurrentRow(index); }
};

// Stands in for TMarkupCheckList.
class TMarkupCheckListPlaceholder : public TMarkupListBoxPlaceholder {
  Q_OBJECT
 public:
  using TMarkupListBoxPlaceholder::TMarkupListBoxPlaceholder;
};

using PicImageControl = TPicImagePlaceholder;                // becomes TPicImage
using MarkupListBoxControl = TMarkupListBoxPlaceholder;      // becomes kalvora::TMarkupListBox
using MarkupCheckListControl = TMarkupCheckListPlaceholder;  // becomes kalvora::TMarkupCheckList
inline constexpr int PicFitMode = 3;                         // becomes smFit

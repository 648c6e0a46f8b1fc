#pragma once
// PLACEHOLDERS for the picture component (TPicImage, imaging/) and the mark-up list controls
// (TMarkupListBox, TMarkupCheckList, listctrl/) until those land. Each control that will be
// one of them is declared with the alias below; swapping in the real class is a change of the
// alias (and of the calls marked "imaging hook" in ImagingHooks.cpp).
#include <QFrame>
#include <QListWidget>
#include <QColor>

// Stands in for TPicImage: a frame that keeps the effect settings the main window sets.
class TPicImagePlaceholder : public QFrame {
  Q_OBJECT
 public:
  explicit TPicImagePlaceholder(QWidget* parent = nullptr) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
  }
  int PaintEffect = 1000;
  int EffectDelay = 0;
  int EffectGrain = 5;
  int PaintMaxPasses = 1;
  int WandSize = 0;
  QColor WandColor = Qt::black;
  bool BackErase = false;
  int PaintSizeMode = 0;
};

// Stands in for TMarkupListBox: a plain list whose item texts are the mark-up.
class TMarkupListBoxPlaceholder : public QListWidget {
  Q_OBJECT
 public:
  explicit TMarkupListBoxPlaceholder(QWidget* parent = nullptr) : QListWidget(parent) {}
};

// Stands in for TMarkupCheckList.
class TMarkupCheckListPlaceholder : public QListWidget {
  Q_OBJECT
 public:
  explicit TMarkupCheckListPlaceholder(QWidget* parent = nullptr) : QListWidget(parent) {}
};

using PicImageControl = TPicImagePlaceholder;           // becomes TPicImage
using MarkupListBoxControl = TMarkupListBoxPlaceholder;  // becomes TMarkupListBox
using MarkupCheckListControl = TMarkupCheckListPlaceholder;  // becomes TMarkupCheckList

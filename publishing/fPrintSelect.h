#pragma once
// The print selection: the user ticks the pictures of the open slideshow to print; the ticked
// entries go to "Print.txt" in the program folder, in list order, for the list reports.
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include "Form.h"
#include "Placeholders.h"

class TPrintSelectForm : public TForm {
  Q_OBJECT
 public:
  explicit TPrintSelectForm(QWidget* parent = nullptr);

  QFrame* TopPanel = nullptr;
  QLabel* BannerImage = nullptr;
  MarkupCheckListControl* MarkupCheckList1 = nullptr;
  QFrame* BottomPanel = nullptr;
  QPushButton* PrintBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QStatusBar* StatusBar1 = nullptr;

  // Refills the list from the slideshow list (nothing ticked) and places the buttons.
  void FormActivate();
  // Writes the ticked entries to Print.txt and closes with OK; with nothing ticked it says so.
  void PrintBitBtnClick();

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void placeButtons();
};

extern TPrintSelectForm* PrintSelectForm;

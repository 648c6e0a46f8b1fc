#pragma once
// The print selection: the ticked pictures go to Print.txt.
#include <QPushButton>
#include <QStatusBar>

#include "Form.h"
#include "Placeholders.h"

class TPrintSelectForm : public TForm {
  Q_OBJECT
 public:
  explicit TPrintSelectForm(QWidget* parent = nullptr);

  MarkupCheckListControl* MarkupCheckList1 = nullptr;  // PLACEHOLDER
  QPushButton* PrintBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QStatusBar* StatusBar1 = nullptr;
};

extern TPrintSelectForm* PrintSelectForm;

#pragma once
// Instructions shown after a production step; callers set the texts and which controls show.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TAnweisungForm : public TForm {
  Q_OBJECT
 public:
  explicit TAnweisungForm(QWidget* parent = nullptr);

  QLabel* MakeLabel = nullptr;
  QLabel* MakeSubLabel = nullptr;
  QLabel* IconLabel = nullptr;
  QLabel* IconImage = nullptr;
  QPushButton* NeroBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;

  void NeroBitBtnClick();
  void OkBitBtnClick();
};

extern TAnweisungForm* AnweisungForm;

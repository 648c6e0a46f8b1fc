#pragma once
// The tip of the day.
#include <QCheckBox>
#include <QPushButton>
#include <QTextEdit>

#include "Form.h"

class TTipForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FTipNumber MEMBER FTipNumber)
 public:
  explicit TTipForm(QWidget* parent = nullptr);

  int FTipNumber = 0;

  QTextEdit* Memo1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* NextTipBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;
};

extern TTipForm* TipForm;

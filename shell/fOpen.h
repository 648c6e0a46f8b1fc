#pragma once
// A small choice dialog; Mode selects its texts.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TOpenForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int Mode MEMBER Mode)
 public:
  explicit TOpenForm(QWidget* parent = nullptr);

  int Mode = 0;

  QLabel* DoLabel = nullptr;
  QPushButton* OpenBitBtn = nullptr;
  QPushButton* BitBtn2 = nullptr;

  void FormActivate();

 protected:
  void showEvent(QShowEvent* event) override;
};

extern TOpenForm* OpenForm;

#pragma once
// The tip shown by the main window before a photo-lab export: prepare prints in the editor.
// "NoZuschneidenTip2.ini" in the program folder switches it off.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TZuschneidenTipForm2 : public TForm {
  Q_OBJECT
 public:
  explicit TZuschneidenTipForm2(QWidget* parent = nullptr);

  QString FProgramFolder;  // where the marker goes (the main window's folder when empty)
  QLabel* TitleLabel = nullptr;
  QLabel* HintLabel = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* OkBitBtn = nullptr;

  void CloseBitBtnClick();
};

extern TZuschneidenTipForm2* ZuschneidenTipForm2;

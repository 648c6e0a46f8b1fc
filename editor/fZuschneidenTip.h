#pragma once
// The tip shown before cropping for print formats; "NoZuschneidenTip.ini" in the program
// folder switches it off.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TZuschneidenTipForm : public TForm {
  Q_OBJECT
 public:
  explicit TZuschneidenTipForm(QWidget* parent = nullptr);

  QString FProgramFolder;  // where the marker goes (the main window's folder when empty)
  QLabel* TitleLabel = nullptr;
  QLabel* HintLabel = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* OkBitBtn = nullptr;

  void CloseBitBtnClick();
};

extern TZuschneidenTipForm* ZuschneidenTipForm;

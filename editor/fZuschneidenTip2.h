#pragma once
// A hint about cropping for print sizes, shown before the photo-lab exports.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TZuschneidenTipForm2 : public TForm {
  Q_OBJECT
 public:
  explicit TZuschneidenTipForm2(QWidget* parent = nullptr);

  QLabel* HintLabel = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* OkBitBtn = nullptr;
};

extern TZuschneidenTipForm2* ZuschneidenTipForm2;

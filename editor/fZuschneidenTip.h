#pragma once
// A hint about cropping.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TZuschneidenTipForm : public TForm {
  Q_OBJECT
 public:
  explicit TZuschneidenTipForm(QWidget* parent = nullptr);

  QLabel* HintLabel = nullptr;
  QPushButton* OkBitBtn = nullptr;
};

extern TZuschneidenTipForm* ZuschneidenTipForm;

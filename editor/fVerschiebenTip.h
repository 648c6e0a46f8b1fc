#pragma once
// A hint about moving the crop frame.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TVerschiebenTipForm : public TForm {
  Q_OBJECT
 public:
  explicit TVerschiebenTipForm(QWidget* parent = nullptr);

  QLabel* HintLabel = nullptr;
  QPushButton* OkBitBtn = nullptr;
};

extern TVerschiebenTipForm* VerschiebenTipForm;

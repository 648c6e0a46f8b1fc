#pragma once
// The tip about moving the enlarged picture in the editor (no marker file).
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TVerschiebenTipForm : public TForm {
  Q_OBJECT
 public:
  explicit TVerschiebenTipForm(QWidget* parent = nullptr);

  QLabel* TitleLabel = nullptr;
  QLabel* HintLabel = nullptr;
  QPushButton* OkBitBtn = nullptr;
};

extern TVerschiebenTipForm* VerschiebenTipForm;

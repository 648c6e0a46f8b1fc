#pragma once
// Tells that the CD reading driver is missing.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TNoDriverForm : public TForm {
  Q_OBJECT
 public:
  explicit TNoDriverForm(QWidget* parent = nullptr);

  QLabel* InfoLabel = nullptr;
  QPushButton* OkBitBtn = nullptr;
};

extern TNoDriverForm* NoDriverForm;

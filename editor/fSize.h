#pragma once
// Asks for a new picture size.
#include <QPushButton>
#include <QSpinBox>

#include "Form.h"

class TSizeForm : public TForm {
  Q_OBJECT
 public:
  explicit TSizeForm(QWidget* parent = nullptr);

  QSpinBox* WidthEdit = nullptr;
  QSpinBox* HeightEdit = nullptr;
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TSizeForm* SizeForm;

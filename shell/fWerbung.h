#pragma once
// The page of the maker's other products.
#include <QCheckBox>

#include "Form.h"

class TWerbungForm : public TForm {
  Q_OBJECT
 public:
  explicit TWerbungForm(QWidget* parent = nullptr);

  QCheckBox* CheckBox1 = nullptr;
};

extern TWerbungForm* WerbungForm;

#pragma once
// The online photo order window.
#include <QLabel>
#include <QPushButton>

#include "Form.h"

class TOnlineFotoForm : public TForm {
  Q_OBJECT
 public:
  explicit TOnlineFotoForm(QWidget* parent = nullptr);

  QLabel* InfoLabel = nullptr;
  QPushButton* CloseBitBtn = nullptr;
};

extern TOnlineFotoForm* OnlineFotoForm;

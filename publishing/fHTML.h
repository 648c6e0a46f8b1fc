#pragma once
// The HTML gallery window.
#include <QPushButton>

#include "Form.h"

class THTMLForm : public TForm {
  Q_OBJECT
 public:
  explicit THTMLForm(QWidget* parent = nullptr);

  QPushButton* OkBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;
};

extern THTMLForm* HTMLForm;

#pragma once
// Asks for the print size; on OK it has set the main window's print fields.
#include <QFrame>
#include <QPushButton>

#include "Form.h"

class TPrintSizeWizard : public TForm {
  Q_OBJECT
 public:
  explicit TPrintSizeWizard(QWidget* parent = nullptr);

  QFrame* SizePanel = nullptr;
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TPrintSizeWizard* PrintSizeWizard;

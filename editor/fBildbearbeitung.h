#pragma once
// The image editor: works on the main window's FCurrentPicturePath.
#include <QPushButton>
#include <QStatusBar>

#include "Form.h"
#include "Placeholders.h"

class TBildbeaerbeitungForm : public TForm {
  Q_OBJECT
 public:
  explicit TBildbeaerbeitungForm(QWidget* parent = nullptr);

  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER
  QStatusBar* StatusBar1 = nullptr;
  QPushButton* CloseBitBtn = nullptr;
};

extern TBildbeaerbeitungForm* BildbeaerbeitungForm;

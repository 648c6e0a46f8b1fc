#pragma once
// Writes a line of text into the picture.
#include <QLineEdit>
#include <QPushButton>

#include "Form.h"
#include "Placeholders.h"

class TTextForm : public TForm {
  Q_OBJECT
 public:
  explicit TTextForm(QWidget* parent = nullptr);

  QLineEdit* TextEdit = nullptr;
  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TTextForm* TextForm;

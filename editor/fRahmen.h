#pragma once
// Puts a decorative frame around the picture.
#include <QListWidget>
#include <QPushButton>

#include "Form.h"
#include "Placeholders.h"

class TRahmenForm : public TForm {
  Q_OBJECT
 public:
  explicit TRahmenForm(QWidget* parent = nullptr);

  QListWidget* RahmenListBox = nullptr;
  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TRahmenForm* RahmenForm;

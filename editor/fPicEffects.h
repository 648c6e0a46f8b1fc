#pragma once
// Colour balance, grey, sepia and sharpness; the mode text chooses its face.
#include <QPushButton>

#include "Form.h"

class TPicEffectsForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString Mode MEMBER Mode)
 public:
  explicit TPicEffectsForm(QWidget* parent = nullptr);

  QString Mode;

  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TPicEffectsForm* PicEffectsForm;

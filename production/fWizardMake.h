#pragma once
// The production wizard: one of its choices is ticked when it closes with OK.
#include <QPushButton>
#include <QRadioButton>

#include "Form.h"

class TMakeWizzard : public TForm {
  Q_OBJECT
 public:
  explicit TMakeWizzard(QWidget* parent = nullptr);

  QRadioButton* PCRadioButton = nullptr;
  QRadioButton* DVDRadioButton = nullptr;
  QRadioButton* PrintRadioButton = nullptr;
  QRadioButton* PrintAllRadioButton = nullptr;
  QRadioButton* ThumbnailRadioButton = nullptr;
  QRadioButton* BetrachterRadioButton = nullptr;
  QRadioButton* FotoEntwickungRadioButton = nullptr;
  QRadioButton* FotoLaborRadioButton = nullptr;
  QRadioButton* CDROMRadioButton = nullptr;
  QRadioButton* HTMLRadioButton = nullptr;
  QRadioButton* ScreenSaverRadioButton = nullptr;
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TMakeWizzard* MakeWizzard;

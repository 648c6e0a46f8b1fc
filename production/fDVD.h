#pragma once
// The production run; the video wizard sets Mode and HighQuality.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "Form.h"

class TDVDForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString Mode MEMBER Mode)
  Q_PROPERTY(bool HighQuality MEMBER HighQuality)
 public:
  explicit TDVDForm(QWidget* parent = nullptr);

  QString Mode = "VCD";
  bool HighQuality = false;

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* StepLabel = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;
};

extern TDVDForm* DVDForm;

#pragma once
// The video wizard: it runs the video production itself.
#include <QPushButton>
#include <QRadioButton>

#include "Form.h"

class TDVDWizardForm : public TForm {
  Q_OBJECT
 public:
  explicit TDVDWizardForm(QWidget* parent = nullptr);

  QRadioButton* VCDRadioButton = nullptr;
  QRadioButton* SVCDRadioButton = nullptr;
  QPushButton* OkBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
};

extern TDVDWizardForm* DVDWizardForm;

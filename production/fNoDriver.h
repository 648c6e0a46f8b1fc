#pragma once
// Tells that reading audio CDs needs a program that is missing; there is no installer to run
// here, so the window says what to install.
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include "Form.h"

class TNoDriverForm : public TForm {
  Q_OBJECT
 public:
  explicit TNoDriverForm(QWidget* parent = nullptr);

  QLabel* Label1 = nullptr;
  QLabel* InfoLabel = nullptr;  // filled by the caller with what is missing
  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  QPushButton* DownloadButton = nullptr;
  QPushButton* AboartButton = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the same button as AboartButton

  void DownloadButtonClick();
  void AboartButtonClick();
};

extern TNoDriverForm* NoDriverForm;

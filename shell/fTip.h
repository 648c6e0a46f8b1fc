#pragma once
// The tip of the day: the texts tips/0001.tpp, tips/0002.tpp, ... of the program folder.
#include <QCheckBox>
#include <QPushButton>
#include <QTextEdit>

#include "Form.h"

class TTipForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FTipNumber MEMBER FTipNumber)
 public:
  explicit TTipForm(QWidget* parent = nullptr);

  int FTipNumber = 0;

  QTextEdit* Memo1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* NextTipBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  void FormActivate();
  void NextTipBitBtnClick();
  void CloseBitBtnClick();

 protected:
  void showEvent(QShowEvent* event) override;
};

// Writes an empty marker file (NoTip.ini, NoWer.ini); false when it cannot be written.
bool WriteMarkerFile(const QString& path);

extern TTipForm* TipForm;

#pragma once
// The picture-list report on A5 paper.

#include "Form.h"
#include "Placeholders.h"

class TQRListA5Form : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FPrintWidth MEMBER FPrintWidth)
  Q_PROPERTY(QString FPaperFormat MEMBER FPaperFormat)
 public:
  explicit TQRListA5Form(QWidget* parent = nullptr);

  int FPrintWidth = 0;
  QString FPaperFormat = "A4";

  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER

  // Frees the item list and deletes the temporary print copies.
  Q_INVOKABLE void FinishPrint();
};

extern TQRListA5Form* QRListA5Form;

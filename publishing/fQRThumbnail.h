#pragma once
// The thumbnail sheet report.

#include "Form.h"
#include "Placeholders.h"

class TQRThumbnailForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(int FPrintWidth MEMBER FPrintWidth)
  Q_PROPERTY(QString FPaperFormat MEMBER FPaperFormat)
 public:
  explicit TQRThumbnailForm(QWidget* parent = nullptr);

  int FPrintWidth = 0;
  QString FPaperFormat = "A4";

  PicImageControl* PicImage1 = nullptr;  // PLACEHOLDER

  // Frees the item list and deletes the temporary print copies.
  Q_INVOKABLE void FinishPrint();
};

extern TQRThumbnailForm* QRThumbnailForm;

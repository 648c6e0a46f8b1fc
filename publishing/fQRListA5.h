#pragma once
// The picture-list report on A5 paper.
#include "ListReport.h"

class TQRListA5Form : public TListReport {
  Q_OBJECT
 public:
  explicit TQRListA5Form(QWidget* parent = nullptr);
};

extern TQRListA5Form* QRListA5Form;

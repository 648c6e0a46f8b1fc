#pragma once
// The picture-list report on A4 paper.
#include "ListReport.h"

class TQRListForm : public TListReport {
  Q_OBJECT
 public:
  explicit TQRListForm(QWidget* parent = nullptr);
};

extern TQRListForm* QRListForm;

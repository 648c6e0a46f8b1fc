#include "fQRList.h"

TQRListForm* QRListForm = nullptr;

TQRListForm::TQRListForm(QWidget* parent)
    : TListReport("QRListForm", QString::fromUtf8("Bilderliste A4"), QPageSize::A4, 698, parent) {}

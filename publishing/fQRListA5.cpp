#include "fQRListA5.h"

TQRListA5Form* QRListA5Form = nullptr;

TQRListA5Form::TQRListA5Form(QWidget* parent)
    : TListReport("QRListA5Form", QString::fromUtf8("Bilderliste A5"), QPageSize::A5, 463, parent) {}

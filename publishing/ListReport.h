#pragma once
// The picture-list report: one picture per detail band at the chosen print size, an optional
// headline and optional captions. The A4 and A5 windows differ only in paper and band width.
#include <QPageSize>

#include "PictureReport.h"

class TListReport : public TPictureReport {
  Q_OBJECT
 public:
  TListReport(const QString& instanceName, const QString& caption, QPageSize::PageSizeId paper, int bandWidth,
              QWidget* parent);

  int BandWidth() const { return bandWidth_; }

 protected:
  bool BuildReport(kalvora::report::Report& report) override;

 private:
  QPageSize::PageSizeId paper_;
  int bandWidth_;
};

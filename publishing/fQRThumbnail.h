#pragma once
// The thumbnail sheet: four small pictures per row under the slideshow title, each with its
// file name above it, on A4 paper.
#include "PictureReport.h"

class TQRThumbnailForm : public TPictureReport {
  Q_OBJECT
 public:
  explicit TQRThumbnailForm(QWidget* parent = nullptr);

 protected:
  bool BuildReport(kalvora::report::Report& report) override;
};

extern TQRThumbnailForm* QRThumbnailForm;

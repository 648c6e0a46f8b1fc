#pragma once
// A paint effect for the capture tests that needs no real transition.
#include <QImage>
#include <QPaintEvent>

#include "PicImageVCL.h"

namespace videotest {

// Reports every whole percent from 0 to 100 once (a transition without waiting for paints).
class EveryPercent : public TPicImage {
 public:
  using TPicImage::TPicImage;

 protected:
  void paintEvent(QPaintEvent*) override {
    if (OnPaintNotify) OnPaintNotify(this, 0, 1);
    effectFrame_ = QImage(size(), QImage::Format_ARGB32_Premultiplied);
    effectFrame_.fill(Qt::darkGreen);
    for (int p = 0; p <= 100; ++p)
      if (EnableProgressEvent() && OnStatus) OnStatus(this, p);
    if (OnPaint) OnPaint(this);
  }
};

}  // namespace videotest

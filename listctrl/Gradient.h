#pragma once
// The selection style of the mark-up lists and the banded gradient fill they and the
// mark-up renderer use.
#include <QRect>
#include <functional>

#include "Colors.h"

class QPainter;

namespace kalvora {

// How a selected item is filled: ColorFrom alone (ColorTo clNone) or a 64-band gradient from
// ColorFrom to ColorTo, framed in BorderColor. Direction True runs the bands left to right.
class TGradientStyle {
 public:
  TColor ColorFrom() const { return colorFrom_; }
  TColor ColorTo() const { return colorTo_; }
  TColor BorderColor() const { return borderColor_; }
  bool Direction() const { return direction_; }
  void SetColorFrom(TColor c) { colorFrom_ = c; changed(); }
  void SetColorTo(TColor c) { colorTo_ = c; changed(); }
  void SetBorderColor(TColor c) { borderColor_ = c; changed(); }
  void SetDirection(bool d) { direction_ = d; changed(); }
  // Copies all four settings (the direction too: a copy that kept the old direction would
  // draw the gradient the wrong way round), then fires OnChange.
  void Assign(const TGradientStyle& other);

  std::function<void()> OnChange;

 private:
  void changed() { if (OnChange) OnChange(); }
  TColor colorFrom_ = clHighlight;
  TColor colorTo_ = clNone;
  TColor borderColor_ = clHighlight;
  bool direction_ = false;
};

// Fills rect with steps bands from colour from to colour to (0 steps counts as 1); direction
// True: bands from left to right, else from top to bottom. A border colour other than clNone
// frames the rectangle.
void DrawGradientRect(QPainter& p, TColor from, TColor to, bool direction, const QRect& rect,
                      int steps, TColor border);

}  // namespace kalvora

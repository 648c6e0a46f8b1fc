#pragma once
// TAirBrush: sprays a brush shape in a colour onto a picture, blending it with what is there by
// `Intensity` percent, and limits the spraying rate by time (`Ready`).
//
// A new airbrush has an empty brush: it sprays nothing until `Size`, `Color` or `Shape` is set.
#include <QImage>

#include <cstdint>
#include <functional>

#include "Bitmap24.h"

namespace kalvora {

enum TAirBrushShape { absRound, absSquare, absLeftSlash, absRightSlash, absHorizontal, absVertical, absSpray };

class TAirBrush {
 public:
  TAirBrush();
  ~TAirBrush();

  int Size() const { return size_; }
  // 10 .. 200 pixels; other values, and the current value, are ignored. Rebuilds the brush.
  void setSize(int size);
  TColor Color() const { return color_; }
  // Rebuilds the brush.
  void setColor(TColor color);
  int Intensity() const { return intensity_; }
  // 1 .. 100 percent; other values, and the current value, are ignored.
  void setIntensity(int intensity);
  TAirBrushShape Shape() const { return shape_; }
  // Rebuilds the brush.
  void setShape(TAirBrushShape shape);
  // Milliseconds between two sprays.
  int Interval() const { return interval_; }
  void setInterval(int interval) { interval_ = interval; }

  // True when more than Interval milliseconds have passed since the last spray; the last-spray
  // time then becomes now.
  bool Ready();

  // Sprays one brush centred on (x, y). Only pixels inside the canvas change.
  void Spray(Bitmap24& canvas, int x, int y);
  // The same on a QImage of any format (a Format_BGR888 picture is changed in place).
  void Spray(QImage& canvas, int x, int y);

  // The built brush (white outside the shape); empty until a setter built it.
  const Bitmap24& BrushBitmap() const { return brush_; }

  // Milliseconds clock used by Ready (monotonic by default); tests replace it.
  void setClock(std::function<std::uint32_t()> clock);

 private:
  void buildBrush();

  int size_ = 40;
  TColor color_ = 0;
  int intensity_ = 10;
  TAirBrushShape shape_ = absRound;
  int interval_ = 100;
  Bitmap24 brush_;
  std::function<std::uint32_t()> clock_;
  std::uint32_t lastSpray_ = 0;
};

}  // namespace kalvora

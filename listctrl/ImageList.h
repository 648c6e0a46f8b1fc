#pragma once
// A list of equally sized pictures, for the mark-up's "IDX:n" sources.
#include <QPixmap>
#include <vector>

namespace kalvora {

class TImageList {
 public:
  TImageList(int width = 16, int height = 16) : width_(width), height_(height) {}
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }
  // Adds a picture, scaled to the list's size when it differs; returns its index.
  int Add(const QPixmap& pixmap);
  const QPixmap& Get(int index) const { return images_.at(size_t(index)); }
  void Clear() { images_.clear(); }

 private:
  int width_, height_;
  std::vector<QPixmap> images_;
};

}  // namespace kalvora

#pragma once
// The two auxiliary views of the picture component: the pan window (a tool window with the
// whole picture and a rectangle around the part shown in the control; dragging the rectangle
// scrolls the control) and the magnifying glass (a lens over the control following the mouse).
#include <QImage>
#include <QPointer>
#include <QWidget>

#include "PicImageVCL.h"

class TPicPanWindow : public QWidget {
  Q_OBJECT
 public:
  explicit TPicPanWindow(TPicImage* owner);
  // New picture, flags, rectangle colour, title and the visible part (bitmap pixels).
  int Update(const px::Bitmap& bmp, uint32_t flags, TColor rectColor, const QString& title, const QRect& visible);
  QRect VisibleRect() const { return visible_; }
  // Where the picture sits in the window and its scale (window pixels per bitmap pixel).
  QRect PictureRect() const;
  // The visible-part rectangle in window coordinates.
  QRect FrameRect() const;

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void closeEvent(QCloseEvent*) override;

 private:
  QPointer<TPicImage> owner_;
  QImage picture_;
  QSize bitmapSize_;
  QRect visible_;
  TColor rectColor_ = 255;
  bool dragging_ = false;
  QPoint dragStart_;
  QRect dragRect_;
};

class TPicMagGlass : public QWidget {
  Q_OBJECT
 public:
  explicit TPicMagGlass(TPicImage* owner);
  // Places the lens around the control point `at` and repaints it.
  void Follow(QPoint at);
  QPoint Centre() const { return centre_; }
  // The bitmap point (view coordinates) under the lens's centre.
  QPoint BitmapCentre() const { return bitmapCentre_; }

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  QPointer<TPicImage> owner_;
  QPoint centre_;
  QPoint bitmapCentre_;
};

#pragma once
// Puts a decorative frame around the picture: the user picks a frame bitmap from the
// program folder's "rahmen/" (unpacked from "rahmen/Rahmen.zip" on first use), scales
// and moves the picture under it and may turn the frame; magenta pixels of the frame
// are transparent. The result has the frame's size; the editor takes it on OK.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "Form.h"
#include "KvUnZipper.h"
#include "Placeholders.h"

class TRahmenForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString FPicturePath MEMBER FPicturePath)
  // The editor takes the result from here after OK (empty while the preview is empty).
  Q_PROPERTY(QImage ErgebnisBitmap READ Ergebnis)
 public:
  explicit TRahmenForm(QWidget* parent = nullptr);

  QString FPicturePath;       // the picture handed over by the editor ("rahmen.jpg")
  bool FRotateFrame = false;  // turn the frame before the next composition

  QPushButton* BitBtn1 = nullptr;
  QWidget* BearbeitenPanel = nullptr;
  QLabel* BildImage = nullptr;
  QLabel* ErgebnisImage = nullptr;
  QLabel* MaskeImage = nullptr;
  QSlider* WidthTrackBar = nullptr;
  QSlider* HeightTrackBar = nullptr;
  QSlider* ZoomTrackBar = nullptr;
  QLabel* VRLabel = nullptr;
  QLabel* VOLabel = nullptr;
  QLabel* ZoomLabel = nullptr;
  QPushButton* RotateBitBtn = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the same button as SaveBitBtn
  QPushButton* AbortBitBtn = nullptr;
  PicImageControl* PicImage1 = nullptr;
  kv::TKvUnZipper KvUnZipper1;

  // The pictures of the image controls: the scaled picture with the frame, the frame,
  // and the result (empty while the frame does not fit).
  QImage BildBitmap, MaskeBitmap, ErgebnisBitmap;
  QImage Ergebnis() const { return ErgebnisBitmap; }

  Q_INVOKABLE void FormActivate();
  void BitBtn1Click();
  void WidthTrackBarChange();
  void HeightTrackBarChange();
  void ZoomTrackBarChange();
  void RotateBitBtnClick();
  // Draws source over target at (col, row), skipping pixels of the transparent colour;
  // weight 1..10 mixes (anything else counts as 10). False when it does not fit.
  // The smallest zoom (scaled picture width) at which the picture covers the frame.
  static int MinimumZoom(QSize picture, QSize frame);
  static bool BlendMasked(QImage& target, const QImage& source, QRgb transparent, int col, int row, int weight);

 protected:
  void showEvent(QShowEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void ComposeFrame(int x, int y, int zoom);
  void composeNow();
  void keepOnScreen();
  void placeAboutCentre();
  bool placing_ = false;  // a chosen frame grew the window: keep it about placeCentre_
  QPoint placeCentre_;
  bool composing_ = false;
};

extern TRahmenForm* RahmenForm;

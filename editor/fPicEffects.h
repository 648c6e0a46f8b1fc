#pragma once
// Colour balance, grey, sepia and sharpness; the mode text chooses its face ("RGB" or
// "SHARPEN"; the black-and-white button switches to "SW"). The dialog works on its own copy of
// the editor's picture; only OK hands the preview to the editor, as one step.
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "Form.h"
#include "Placeholders.h"
#include "PxBitmap.h"

namespace editor {
class EditSession;
}

class TPicEffectsForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString Mode MEMBER Mode)
 public:
  explicit TPicEffectsForm(QWidget* parent = nullptr);

  QString Mode;  // FMode
  // The step protocol OK commits through; null: the editor window's.
  editor::EditSession* Session = nullptr;

  int FSharpen = 0;
  int FRed = 100, FGreen = 100, FBlue = 100;
  bool FDirty = false;

  PicImageControl* PicImage1 = nullptr;  // preview
  PicImageControl* PicImage2 = nullptr;  // original
  QWidget* RGBPanel = nullptr;
  QLabel *Label3 = nullptr, *RedLabel = nullptr, *GreenLabel = nullptr, *BlueLabel = nullptr;
  QSlider *RedTrackBar = nullptr, *GreenTrackBar = nullptr, *BlueTrackBar = nullptr;
  QPushButton *Button = nullptr, *SepiaButton = nullptr;
  QWidget* SharpenPanel = nullptr;
  QLabel *Label4 = nullptr, *Label5 = nullptr, *Label7 = nullptr, *SharpenLabel = nullptr;
  QSlider* SharpenTrackBar = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the OK button by its older name
  QPushButton* AbortBitBtn = nullptr;

  // Previews of larger pictures are computed on a copy of at most this side; OK applies the
  // same settings to the whole picture.
  static constexpr int PreviewSide = 1024;

  // The picture the preview is computed from (the editor's picture, or its reduced copy).
  const px::Bitmap& Source() const { return previewSource_; }
  // The preview as it stands (for pictures within PreviewSide, exactly what OK hands over).
  const px::Bitmap& Preview() const { return preview_; }
  // The current settings applied to the whole picture.
  px::Bitmap Result() const;

  void FormActivate();
  void BarChange(QSlider* bar);
  void Button1Click();
  void ButtonClick();
  void SepiaButtonClick();
  void SaveBitBtnClick();
  void UpdatePreview();

  // Blur radius (tenths of a pixel) of a negative sharpness position, halves to even.
  static int BlurRadiusFor(int position);
  static QString SharpenCaption(int position);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  editor::EditSession* session() const;
  void loadSource();
  void showPreview();
  void applyBalance(px::Bitmap& bmp, int red, int green, int blue) const;
  // The settings on a copy of base; scale: base width / the picture's width (for the blur).
  px::Bitmap render(const px::Bitmap& base, double scale) const;
  void setChannelLabels();
  px::Bitmap source_, previewSource_, preview_;
  bool sepia_ = false;    // "Sepia" was pressed in this showing
  bool balance_ = false;  // the channel bars count (moved since the showing or since "Sepia")
};

extern TPicEffectsForm* PicEffectsForm;

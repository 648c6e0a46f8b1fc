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

  // The picture the preview is computed from (the editor's picture; after "Sepia" the sepia one).
  const px::Bitmap& Source() const { return source_; }
  // The preview as it stands (what OK hands over).
  const px::Bitmap& Preview() const { return preview_; }

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
  void setChannelLabels();
  px::Bitmap source_, preview_;
};

extern TPicEffectsForm* PicEffectsForm;

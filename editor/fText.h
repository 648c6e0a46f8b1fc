#pragma once
// Writes one line of text into the picture with the picture component's 3-D text drawing: font,
// size, colours, text effect, shadow and rotation; the text is placed by dragging over the
// picture. The editor loads its picture ("Text.jpg") into the view before showing the dialog and
// takes the view's picture as one step after OK.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "Form.h"
#include "Placeholders.h"
#include "PxBitmap.h"

class TTextForm : public TForm {
  Q_OBJECT
 public:
  explicit TTextForm(QWidget* parent = nullptr);

  // The text effect entries and the text style each one draws with.
  static constexpr int EffectCount = 12;
  static int TextStyleFor(int index);

  QLineEdit* TextEdit = nullptr;         // "Edit1"
  QLineEdit* Edit1 = nullptr;            // the same field by its design name
  PicImageControl* PicImage1 = nullptr;  // the picture with the text
  PicImageControl* ViewPicImage = nullptr;
  QPushButton *BitBtn1 = nullptr, *BitBtn2 = nullptr, *BitBtn3 = nullptr, *BitBtn4 = nullptr;
  QSlider* TrackBar4 = nullptr;  // size
  QLineEdit* Edit2 = nullptr;
  QLabel* Label2 = nullptr;
  QComboBox* ComboBox1 = nullptr;  // text effect
  QSlider* TrackBar5 = nullptr;    // shadow distance
  QLineEdit* Edit4 = nullptr;
  QLabel* SchattenabstandLabel = nullptr;
  QSlider* TrackBar1 = nullptr;  // rotation in degrees
  QLineEdit* Edit3 = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* OkBitBtn = nullptr;  // the OK button by its older name
  QPushButton* AbortBitBtn = nullptr;

  bool FDragging = false;
  QString FFontName;
  // Redraws of this showing (each puts the text on the clean picture again).
  int Redraws = 0;

  void FormActivate();
  void RedrawText();
  void ComboBox1Change();
  void BitBtn1Click();
  // 0 font colour, 1 light colour, 2 shadow colour.
  void ColorClick(int which);
  void ViewMouseDown(int x, int y);
  void ViewMouseMove(int x, int y);
  void ViewMouseUp();
  // Larger pictures are shown and drawn on a copy of at most this side while the settings
  // change; OK draws the text once more on the whole picture.
  static constexpr int PreviewSide = 1024;
  // The picture without the text, as shown (the editor's picture or its reduced copy).
  const px::Bitmap& CleanPicture() const { return cleanShown_; }
  // The text drawn on the whole picture (what OK leaves in the view).
  void DrawOnWholePicture();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // A number field that sets its bar: anything that is not a whole number within the bar's
  // range changes nothing.
  void connectField(QLineEdit* edit, QSlider* bar);
  bool drawText();
  px::Bitmap clean_, cleanShown_;
  bool activating_ = false;
};

extern TTextForm* TextForm;

#pragma once
// Asks for a new picture size in pixels, centimetres or millimetres at a chosen print
// resolution, optionally keeping the side ratio. The editor sets FOrgWidth/FOrgHeight, shows
// the dialog and reads FNewWidth/FNewHeight after OK (0 in either: no change).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "Form.h"

class TSizeForm : public TForm {
  Q_OBJECT
 public:
  explicit TSizeForm(QWidget* parent = nullptr);

  // The largest side the editor resamples to.
  static constexpr int MaxSide = 30000;

  int FOrgWidth = 0, FOrgHeight = 0;
  int FNewWidth = 0, FNewHeight = 0;
  int FUnitFactor = 1;  // 1 centimetres, 10 millimetres
  int FDpi = 300;
  double FRatio = 1.0;  // height / width

  QLabel* Image1 = nullptr;
  QLabel* Label3 = nullptr;
  QComboBox* ComboBox2 = nullptr;  // unit
  QWidget* PixelPanel = nullptr;
  QSpinBox* SpinEdit1 = nullptr;  // width in pixels
  QSpinBox* SpinEdit2 = nullptr;  // height in pixels
  QLabel *Label1 = nullptr, *Label2 = nullptr;
  QWidget* cmPanel = nullptr;
  QLineEdit* BreitEdit = nullptr;
  QLineEdit* HochEdit = nullptr;
  QLabel *BreitLabel = nullptr, *HochLabel = nullptr, *Label4 = nullptr;
  QComboBox* ComboBox1 = nullptr;  // resolution
  QCheckBox* SeitenCheckBox = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  // The older names of the size fields and the OK button.
  QSpinBox* WidthEdit = nullptr;
  QSpinBox* HeightEdit = nullptr;
  QPushButton* OkBitBtn = nullptr;

  void FormActivate();
  void SpinEdit1Change();
  void SpinEdit2Change();
  void ComboBox1Change();
  void ComboBox2Change();
  void BreitEditChange();
  void HochEditChange();
  void SaveBitBtnClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void PixelTo_cm_mm();
  // False (with a message) when the lengths give a size the editor refuses.
  bool cm_mm_ToPixel();
  QString length(double value) const;
  // The length typed into edit; readable tells whether the text is a number at all.
  double number(const QLineEdit* edit, bool* readable = nullptr) const;
  void setSpin(QSpinBox* spin, int value);
  void lengthsFollowPixels();
  void pixelsFollowLengths();
  bool FInWidthEdit = false, FInHeightEdit = false;
  bool FInWidthSpin = false, FInHeightSpin = false;
  bool FInLengths = false;  // the pixels are being set from the lengths
};

extern TSizeForm* SizeForm;

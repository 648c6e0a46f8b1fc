#pragma once
// The print size wizard: the size the list reports print pictures at, the paper, and whether
// captions and the slideshow title are printed. Its choices go straight into the main window's
// print fields (FPrintWidth, FPaperFormat, FPrintInfoText, FPrintHeadline).
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>

#include "Form.h"

// The longer side in report units (1/96 inch) for a width in centimetres: 13 cm are 495 units,
// halves to the even neighbour.
int PrintWidthForCm(double cm);
// The centimetres typed, read with the decimal separator of the user-interface language
// ("," for German, "." for English). Nothing for text that is no number, or not above 0, or
// wider than any paper could take.
std::optional<double> ParsePrintWidthCm(const QString& text, bool english);

class TPrintSizeWizard : public TForm {
  Q_OBJECT
 public:
  explicit TPrintSizeWizard(QWidget* parent = nullptr);

  QLabel* BannerImage = nullptr;
  QLabel* Label3 = nullptr;
  QGroupBox* FormatAnpassungGroupBox1 = nullptr;
  QRadioButton* RadioButton9_13 = nullptr;
  QRadioButton* RadioButton10_15 = nullptr;
  QRadioButton* RadioButton13_18 = nullptr;
  QRadioButton* RadioButton_Frei = nullptr;
  QRadioButton* DINA4RadioButton = nullptr;
  QRadioButton* DINA5RadioButton = nullptr;
  QFrame* SizePanel = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label1 = nullptr;
  QCheckBox* TextCheckBox = nullptr;
  QCheckBox* HeadLineCheckBox = nullptr;
  QPushButton* SaveBitBtn = nullptr;
  QPushButton* AbortBitBtn = nullptr;

  double FWidthCm = 13;  // the last valid centimetre value

  void Edit1Change();
  void SaveBitBtnClick();

 private:
  void apply(int width, const char* paper, bool showPanel);
  void fitHeight();
};

extern TPrintSizeWizard* PrintSizeWizard;

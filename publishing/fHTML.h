#pragma once
// The HTML gallery window: publishes the open slideshow as a small static web site in the
// program folder's "gallery" folder and opens the upload window on request.
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <cstdint>

#include "Form.h"
#include "GalleryBuilder.h"
#include "Placeholders.h"

class TFTPForm;

class THTMLForm : public TForm {
  Q_OBJECT
 public:
  explicit THTMLForm(QWidget* parent = nullptr);

  // Settings (Gallery.ini section SETTINGS) and the last run.
  uint32_t FBKGColor = 0;
  uint32_t FTextColor = 0xFFFFFF;
  int FSmallPicX = 80;
  int FLargePicX = 250;
  int FPicProRow = 4;
  int FCompression = 80;
  bool FTextVisible = false;
  bool FFilenameVisible = false;
  bool FShapeVisible = true;
  QString FAppDir;         // with trailing '/'
  QString FGalleryFolder;  // FAppDir + "gallery", without trailing '/'
  gallery::RunResult FLastRun;

  QLabel* Label16 = nullptr;
  QLabel* Image1 = nullptr;  // banner
  QGroupBox* GroupBox1 = nullptr;
  QLabel* Label5 = nullptr;
  QLineEdit* PicProRowMaskEdit = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* SmallPicMaskEdit = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* LargePicMaskEdit = nullptr;
  QCheckBox* TextCheckBox = nullptr;
  QCheckBox* FileNameCheckBox = nullptr;
  QCheckBox* RahmenCheckBox = nullptr;
  QGroupBox* GroupBox2 = nullptr;
  QPushButton* BKGColorButton = nullptr;
  QFrame* BKGColorPanel = nullptr;
  QPushButton* TextcolorButton = nullptr;
  QFrame* TextColorPanel = nullptr;
  QLabel* KonvertLabel = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QPushButton* BitBtn1 = nullptr;  // generate
  QPushButton* BitBtn2 = nullptr;  // upload
  QPushButton* BitBtn3 = nullptr;  // close
  // The names the window had before; the same buttons.
  QPushButton* OkBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;
  PicImageControl* PicImage1 = nullptr;  // invisible: loads, scales, frames and saves
  // The upload window opened last (it deletes itself when closed).
  QPointer<TFTPForm> FTPForm;

  void FormActivate();
  // Generate: true when the gallery was written (pictures that failed are reported).
  bool BitBtn1Click();
  void BitBtn2Click();
  void BitBtn3Click();
  void BKGColorButtonClick();
  void TextcolorButtonClick();

  // True once a gallery was made since the window was last shown (also the dynamic property
  // "galleryMade", which the main window reads for its hint).
  bool FGalleryMade = false;

  gallery::Settings CurrentSettings() const;
  void LoadSettings();
  bool SaveSettings();  // false when Gallery.ini could not be written

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void paintPanels();
  void setSettingsToControls();
};

extern THTMLForm* HTMLForm;

#pragma once
// The production run; the video wizard sets Mode and HighQuality.
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "AviWriter.h"
#include "Form.h"
#include "FrameConversion.h"

class TPicImage;

class TDVDForm : public TForm {
  Q_OBJECT
  Q_PROPERTY(QString Mode MEMBER Mode)
  Q_PROPERTY(bool HighQuality MEMBER HighQuality)
 public:
  explicit TDVDForm(QWidget* parent = nullptr);

  QString Mode = "VCD";
  bool HighQuality = false;

  QProgressBar* ProgressBar1 = nullptr;
  QLabel* StepLabel = nullptr;
  QPushButton* AbortBitBtn = nullptr;
  QPushButton* CloseBitBtn = nullptr;

  // The picture component that shows the pictures being converted, and the AVI writer
  // (FrameTime 1000, Stretch off).
  TPicImage* PicImage1 = nullptr;
  TAviWriter* AviWriter1 = nullptr;
  // The picture-to-frame conversion; ConvertPictures fills it from the main window and this
  // window (the run connects its log, text panel and progress hooks).
  TPictureConverter Frames;
  void ConvertPicture(const QString& sourceFile, const QString& targetBase);
  void ConvertPictures();
};

extern TDVDForm* DVDForm;

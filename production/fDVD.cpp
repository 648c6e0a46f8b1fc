#include "fDVD.h"

#include <QVBoxLayout>

#include "FormButtons.h"
#include "PicImageVCL.h"
#include "Prompter.h"

TDVDForm* DVDForm = nullptr;

TDVDForm::TDVDForm(QWidget* parent) : TForm("DVDForm", parent) {
  setWindowTitle(QString::fromUtf8("Diashow erzeugen"));
  auto* layout = new QVBoxLayout(this);
  ProgressBar1 = new QProgressBar(this);
  ProgressBar1->setObjectName("ProgressBar1");
  layout->addWidget(ProgressBar1);
  StepLabel = new QLabel(this);
  StepLabel->setObjectName("StepLabel");
  layout->addWidget(StepLabel);
  AbortBitBtn = AddFormButton(this, layout, "AbortBitBtn", QString::fromUtf8("Abbrechen"));
  CloseBitBtn = AddFormButton(this, layout, "CloseBitBtn", QString::fromUtf8("Schließen"), kalvora::mrOk);
  PicImage1 = new TPicImage(this);
  PicImage1->setObjectName("PicImage1");
  PicImage1->setVisible(false);
  layout->addWidget(PicImage1);
  AviWriter1 = new TAviWriter(this);
  AviWriter1->setObjectName("AviWriter1");
  AviWriter1->FrameTime = 1000;
  AviWriter1->Stretch = false;
  Frames.PicImage1 = PicImage1;
  Frames.SetStatus = [this](const QString& s) { StepLabel->setText(s); };
}

void TDVDForm::ConvertPicture(const QString& sourceFile, const QString& targetBase) {
  Frames.ConvertPicture(sourceFile, targetBase);
}

void TDVDForm::ConvertPictures() {
  Frames.TakeMainWindowSettings();
  Frames.HighQuality = HighQuality;
  Frames.SetFrameSize(true, Mode);  // the wizard's TV standard comes with the production run
  Frames.ConvertPictures();
}

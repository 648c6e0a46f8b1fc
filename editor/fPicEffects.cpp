#include "fPicEffects.h"

#include <QSignalBlocker>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "EditStep.h"
#include "EffectsLayout.h"
#include "FormButtons.h"
#include "Prompter.h"
#include "PxFile.h"
#include "PxProcess.h"
#include "fBildbearbeitung.h"

TPicEffectsForm* PicEffectsForm = nullptr;

using kalvora::NamedBar;
using kalvora::NamedLabel;
using kalvora::NamedPanel;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

px::Bitmap copyOf(const px::Bitmap& src) {
  px::Bitmap dst;
  if (px::CopyBitmap(src, dst) != 1) return px::Bitmap();
  return dst;
}

constexpr int PreviewBoxWidth = 240;

PicImageControl* makePicture(QWidget* parent, const char* name) {
  auto* p = new PicImageControl(parent);
  p->setObjectName(QString::fromLatin1(name));
  p->SetPaintSizeMode(smFit);
  p->SetCenterImage(true);
  p->setFixedSize(PreviewBoxWidth, 180);
  return p;
}
}  // namespace

TPicEffectsForm::TPicEffectsForm(QWidget* parent) : TForm("PicEffectsForm", parent) {
  setWindowTitle(u("Effekte"));
  auto* layout = new QVBoxLayout(this);
  // The window follows the previews, which take the picture's shape: no empty band below them.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  kalvora::AddPreviewRow(layout, this, [this] { return PicImage2 = makePicture(this, "PicImage2"); },
                         [this] { return PicImage1 = makePicture(this, "PicImage1"); });

  RGBPanel = NamedPanel(this, "RGBPanel");
  auto* rgb = new QVBoxLayout(RGBPanel);
  Label3 = NamedLabel(RGBPanel, "Label3", u("Farbkorrektur"));
  rgb->addWidget(Label3);
  RedLabel = NamedLabel(RGBPanel, "RedLabel", u("Rot"));
  RedTrackBar = NamedBar(RGBPanel, "RedTrackBar", 10, 100, 100, 5);
  GreenLabel = NamedLabel(RGBPanel, "GreenLabel", u("Grün"));
  GreenTrackBar = NamedBar(RGBPanel, "GreenTrackBar", 10, 100, 100, 5);
  BlueLabel = NamedLabel(RGBPanel, "BlueLabel", u("Blau"));
  BlueTrackBar = NamedBar(RGBPanel, "BlueTrackBar", 10, 100, 100, 5);
  for (QWidget* w : std::initializer_list<QWidget*>{RedLabel, RedTrackBar, GreenLabel, GreenTrackBar, BlueLabel,
                                                    BlueTrackBar})
    rgb->addWidget(w);
  auto* rgbButtons = new QHBoxLayout();
  Button = new QPushButton(u("Schwarz-Weiß"), RGBPanel);
  Button->setObjectName("Button");
  SepiaButton = new QPushButton(u("Sepia"), RGBPanel);
  SepiaButton->setObjectName("SepiaButton");
  rgbButtons->addWidget(Button);
  rgbButtons->addWidget(SepiaButton);
  rgb->addLayout(rgbButtons);
  layout->addWidget(RGBPanel);

  SharpenPanel = NamedPanel(this, "SharpenPanel");
  auto* sharp = new QVBoxLayout(SharpenPanel);
  Label7 = NamedLabel(SharpenPanel, "Label7", u("Schärfe / Weichzeichnen"));
  sharp->addWidget(Label7);
  auto* ends = new QHBoxLayout();
  Label4 = NamedLabel(SharpenPanel, "Label4", u("Weichzeichnen"));
  Label5 = NamedLabel(SharpenPanel, "Label5", u("Schärfer"));
  ends->addWidget(Label4);
  ends->addStretch(1);
  ends->addWidget(Label5);
  sharp->addLayout(ends);
  SharpenTrackBar = NamedBar(SharpenPanel, "SharpenTrackBar", -1000, 1000, 0, 50);
  sharp->addWidget(SharpenTrackBar);
  SharpenLabel = NamedLabel(SharpenPanel, "SharpenLabel", SharpenCaption(0));
  sharp->addWidget(SharpenLabel);
  Button1 = new QPushButton(u("Zurücksetzen"), SharpenPanel);
  Button1->setObjectName("Button1");
  sharp->addWidget(Button1);
  layout->addWidget(SharpenPanel);

  auto* buttonPanel = NamedPanel(this, "ButtonPanel");
  auto* buttons = new QHBoxLayout(buttonPanel);
  SaveBitBtn = AddFormButton(this, buttons, "SaveBitBtn", u("OK"));
  OkBitBtn = SaveBitBtn;
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", u("Abbrechen"), kalvora::mrCancel);
  layout->addWidget(buttonPanel);

  for (QSlider* bar : {RedTrackBar, GreenTrackBar, BlueTrackBar, SharpenTrackBar}) {
    connect(bar, &QSlider::valueChanged, this, [this, bar] { BarChange(bar); });
    // A drag ends: the change that was held back now counts.
    connect(bar, &QSlider::sliderReleased, this, [this, bar] { BarChange(bar); });
  }
  connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
  connect(Button, &QPushButton::clicked, this, [this] { ButtonClick(); });
  connect(SepiaButton, &QPushButton::clicked, this, [this] { SepiaButtonClick(); });
  connect(SaveBitBtn, &QPushButton::clicked, this, [this] { SaveBitBtnClick(); });
}

int TPicEffectsForm::BlurRadiusFor(int position) {
  return int(std::nearbyint(-double(position) / 5.0));  // the default rounding: halves to even
}

QString TPicEffectsForm::SharpenCaption(int position) {
  return u("Wert: ") + QString::number(int(std::nearbyint(double(position) / 10.0))) + "%";
}

editor::EditSession* TPicEffectsForm::session() const {
  if (Session) return Session;
  return BildbeaerbeitungForm ? &BildbeaerbeitungForm->Steps() : nullptr;
}

void TPicEffectsForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

// The editor's picture as it is now; the working copy when no editor view is at hand.
void TPicEffectsForm::loadSource() {
  source_ = px::Bitmap();
  editor::EditSession* s = session();
  if (s && s->View() && s->View()->IsAllocated()) {
    source_ = s->View()->Bitmap();
  } else if (s) {
    px::BitmapList list;
    px::LoadOptions options;
    if (px::LoadFileToList(s->WorkingCopyPath().toStdString(), options, 24, list, 1) == 1 && list.count() > 0)
      source_ = list.items[0];
  }
  // The view shares its pixels; the dialog works on its own.
  if (source_.allocated()) source_ = copyOf(source_);
}

void TPicEffectsForm::FormActivate() {
  loadSource();
  previewSource_ = source_;
  if (source_.allocated() && (source_.width > PreviewSide || source_.height > PreviewSide)) {
    const double f = double(PreviewSide) / std::max(source_.width, source_.height);
    px::Bitmap small = copyOf(source_);
    if (px::SizeBitmap(small, std::max(1, int(std::lround(source_.width * f))),
                       std::max(1, int(std::lround(source_.height * f))), 2) == 1)
      previewSource_ = small;
  }
  preview_ = previewSource_;
  FDirty = false;
  sepia_ = balance_ = false;
  if (previewSource_.allocated()) {
    PicImage2->SetBitmap(&previewSource_);
    const int h = std::clamp(int(std::lround(double(PreviewBoxWidth) * previewSource_.height /
                                             std::max(1, previewSource_.width))),
                             24, PreviewBoxWidth);
    for (PicImageControl* p : {PicImage1, PicImage2}) p->setFixedSize(PreviewBoxWidth, h);
    layout()->invalidate();
  }
  RGBPanel->hide();
  SharpenPanel->hide();
  if (Mode == "SHARPEN") {
    SharpenPanel->show();
    {
      QSignalBlocker block(SharpenTrackBar);
      SharpenTrackBar->setValue(0);
    }
    FSharpen = 0;
    SharpenLabel->setText(SharpenCaption(0));
  } else {
    Mode = "RGB";
    RGBPanel->show();
    for (QSlider* bar : {RedTrackBar, GreenTrackBar, BlueTrackBar}) {
      QSignalBlocker block(bar);
      bar->setValue(100);
    }
    FRed = FGreen = FBlue = 100;
    setChannelLabels();
  }
  showPreview();
}

void TPicEffectsForm::setChannelLabels() {
  RedLabel->setText(u("Rot: ") + QString::number(FRed) + "%");
  GreenLabel->setText(u("Grün: ") + QString::number(FGreen) + "%");
  BlueLabel->setText(u("Blau: ") + QString::number(FBlue) + "%");
}

void TPicEffectsForm::showPreview() {
  if (preview_.allocated()) PicImage1->SetBitmap(&preview_);
}

// Held on the bar: only remembered; the preview follows when a change arrives without the
// button held (the release, a key, a click on the bar).
void TPicEffectsForm::BarChange(QSlider* bar) {
  FDirty = true;
  if (bar->isSliderDown()) return;
  UpdatePreview();
}

void TPicEffectsForm::applyBalance(px::Bitmap& bmp, int red, int green, int blue) const {
  const double r = red / 100.0, g = green / 100.0, b = blue / 100.0;
  double redRec[3] = {0, 0, 0}, greenRec[3] = {0, 0, 0}, blueRec[3] = {0, 0, 0};
  if (r <= 1.0) redRec[0] = r;
  if (g <= 1.0) greenRec[1] = g;
  if (b <= 1.0) blueRec[2] = b;
  px::BalanceColors(bmp, redRec, greenRec, blueRec);
}

px::Bitmap TPicEffectsForm::render(const px::Bitmap& base, double scale) const {
  px::Bitmap work = copyOf(base);
  if (!work.allocated()) return work;
  if (sepia_) {
    px::GrayScaleBitmap(work, 24);
    applyBalance(work, 100, 83, 34);
  }
  if (Mode == "RGB") {
    if (balance_) applyBalance(work, FRed, FGreen, FBlue);
  } else if (Mode == "SHARPEN") {
    if (FSharpen < 0)
      px::GaussianFilterBitmap(work, int(std::lround(BlurRadiusFor(FSharpen) * scale)));
    else
      px::SharpenBitmap(work, FSharpen);
  } else {  // "SW"
    px::GrayScaleBitmap(work, 24);
  }
  return work;
}

px::Bitmap TPicEffectsForm::Result() const {
  if (previewSource_.pixels == source_.pixels) return copyOf(preview_);
  return render(source_, 1.0);
}

void TPicEffectsForm::UpdatePreview() {
  if (!FDirty) return;
  FDirty = false;
  if (Mode == "RGB") {
    FRed = RedTrackBar->value();
    FGreen = GreenTrackBar->value();
    FBlue = BlueTrackBar->value();
    setChannelLabels();
    balance_ = true;
  } else if (Mode == "SHARPEN") {
    FSharpen = SharpenTrackBar->value();
    SharpenLabel->setText(SharpenCaption(FSharpen));
  }
  if (!previewSource_.allocated()) return;
  const double scale = source_.width > 0 ? double(previewSource_.width) / source_.width : 1.0;
  preview_ = render(previewSource_, scale);
  showPreview();
}

void TPicEffectsForm::Button1Click() {
  {
    QSignalBlocker block(SharpenTrackBar);
    SharpenTrackBar->setValue(0);
  }
  FSharpen = 0;
  SharpenLabel->setText(SharpenCaption(0));
  FDirty = true;
  UpdatePreview();
}

void TPicEffectsForm::ButtonClick() {
  Mode = "SW";
  FDirty = true;
  UpdatePreview();
}

// The sepia picture becomes the base of the channel bars from now on; the editor's working
// copy is left alone, so a cancel changes nothing.
void TPicEffectsForm::SepiaButtonClick() {
  sepia_ = true;
  balance_ = false;
  FRed = 100;
  FGreen = 83;
  FBlue = 34;
  if (Mode == "SW") Mode = "RGB";
  if (!previewSource_.allocated()) return;
  preview_ = render(previewSource_, 1.0);
  showPreview();
}

void TPicEffectsForm::SaveBitBtnClick() {
  editor::EditSession* s = session();
  if (s && s->IsOpenFor() && preview_.allocated()) {
    editor::EditStep step = s->BeginStep();
    if (!step.IsOpen()) return;
    const px::Bitmap result = Result();
    if (!result.allocated()) {
      step.Rollback(u("Das Bild konnte nicht bearbeitet werden."));
      return;
    }
    if (!step.CommitPicture(result)) return;
    if (BildbeaerbeitungForm && s == &BildbeaerbeitungForm->Steps()) BildbeaerbeitungForm->FitPicture();
  }
  SetModalResult(kalvora::mrOk);
}

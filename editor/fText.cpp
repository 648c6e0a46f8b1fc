#include "fText.h"

#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "EffectsLayout.h"
#include "FormButtons.h"
#include "Prompter.h"
#include "PxProcess.h"

TTextForm* TextForm = nullptr;

namespace {
QString u(const char* s) { return QString::fromUtf8(s); }

struct EffectEntry {
  const char* name;
  int style;
};
const EffectEntry kEffects[TTextForm::EffectCount] = {
    {"kein Effekt", etsNormal},
    {"Eingesetzt leicht", etsInsetLight},
    {"Eingesetzt extra leicht", etsInsetExtraLight},
    {"Eingesetzt fett", etsInsetHeavy},
    {"Eingesetzt extra fett", etsInsetExtraHeavy},
    {"Hervorgehoben leicht", etsRaisedLight},
    {"Hervorgehoben fett", etsRaisedHeavy},
    {"Hervorgehoben extra fett", etsRaisedExtraHeavy},
    {"Hervorgehoben extra leich", etsRaisedExtraLight},
    {"Schatten fallend", etsDropShadow},
    {"Schatten block", etsBlockShadow},
    {"Schatten und Rahmen", etsOutLineBlock},
};

QLineEdit* makeField(QWidget* parent, const char* name) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(QString::fromLatin1(name));
  e->setMaximumWidth(70);
  return e;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& text) {
  auto* b = new QPushButton(text, parent);
  b->setObjectName(QString::fromLatin1(name));
  return b;
}

TColor toColor(const QColor& c) { return TColor(c.red() | (c.green() << 8) | (c.blue() << 16)); }
}  // namespace

int TTextForm::TextStyleFor(int index) { return index >= 0 && index < EffectCount ? kEffects[index].style : -1; }

TTextForm::TTextForm(QWidget* parent) : TForm("TextForm", parent) {
  setWindowTitle(u("Text"));
  auto* layout = new QHBoxLayout(this);
  PicImage1 = new PicImageControl(this);
  PicImage1->setObjectName("PicImage1");  // the editor finds the view by this name
  PicImage1->SetPaintSizeMode(smFit);
  PicImage1->SetCenterImage(false);
  PicImage1->setMinimumSize(420, 320);
  ViewPicImage = PicImage1;
  layout->addWidget(PicImage1, 1);

  auto* side = new QVBoxLayout();
  layout->addLayout(side);

  auto* textGroup = new QGroupBox(u("Text"), this);
  auto* textLayout = new QVBoxLayout(textGroup);
  TextEdit = new QLineEdit(u("Ihr Text"), textGroup);
  TextEdit->setObjectName("Edit1");
  Edit1 = TextEdit;
  textLayout->addWidget(TextEdit);
  side->addWidget(textGroup);

  auto* fontGroup = new QGroupBox(u("Schrift"), this);
  auto* fontLayout = new QGridLayout(fontGroup);
  BitBtn1 = makeButton(fontGroup, "BitBtn1", u("Schriftart: Arial"));
  fontLayout->addWidget(BitBtn1, 0, 0, 1, 2);
  Label2 = new QLabel(u("Schriftgröße"), fontGroup);
  Label2->setObjectName("Label2");
  fontLayout->addWidget(Label2, 1, 0, 1, 2);
  TrackBar4 = kalvora::NamedBar(fontGroup, "TrackBar4", 0, 256, 0, 10);
  Edit2 = makeField(fontGroup, "Edit2");
  fontLayout->addWidget(TrackBar4, 2, 0);
  fontLayout->addWidget(Edit2, 2, 1);
  BitBtn2 = makeButton(fontGroup, "BitBtn2", u("Schriftfarbe"));
  fontLayout->addWidget(BitBtn2, 3, 0, 1, 2);
  side->addWidget(fontGroup);

  auto* effectGroup = new QGroupBox(u("Texteffekte"), this);
  auto* effectLayout = new QGridLayout(effectGroup);
  ComboBox1 = new QComboBox(effectGroup);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setPlaceholderText(u("Texteffekt -bitte auswählen -"));
  ComboBox1->setMaxVisibleItems(20);
  for (const EffectEntry& e : kEffects) ComboBox1->addItem(u(e.name));
  effectLayout->addWidget(ComboBox1, 0, 0, 1, 2);
  BitBtn3 = makeButton(effectGroup, "BitBtn3", u("Lichtfarbe"));
  BitBtn4 = makeButton(effectGroup, "BitBtn4", u("Schattenfarbe"));
  effectLayout->addWidget(BitBtn3, 1, 0);
  effectLayout->addWidget(BitBtn4, 1, 1);
  SchattenabstandLabel = new QLabel(u("Schattenabstand"), effectGroup);
  SchattenabstandLabel->setObjectName("SchattenabstandLabel");
  effectLayout->addWidget(SchattenabstandLabel, 2, 0, 1, 2);
  TrackBar5 = kalvora::NamedBar(effectGroup, "TrackBar5", 0, 10, 0, 1);
  Edit4 = makeField(effectGroup, "Edit4");
  effectLayout->addWidget(TrackBar5, 3, 0);
  effectLayout->addWidget(Edit4, 3, 1);
  side->addWidget(effectGroup);

  auto* rotationGroup = new QGroupBox(u("Rotation"), this);
  auto* rotationLayout = new QHBoxLayout(rotationGroup);
  TrackBar1 = kalvora::NamedBar(rotationGroup, "TrackBar1", 0, 360, 0, 45);
  Edit3 = makeField(rotationGroup, "Edit3");
  rotationLayout->addWidget(TrackBar1);
  rotationLayout->addWidget(Edit3);
  side->addWidget(rotationGroup);
  side->addStretch(1);

  auto* buttons = new QHBoxLayout();
  SaveBitBtn = AddFormButton(this, buttons, "SaveBitBtn", u("OK"), kalvora::mrOk);
  OkBitBtn = SaveBitBtn;
  AbortBitBtn = AddFormButton(this, buttons, "AbortBitBtn", u("Abbrechen"), kalvora::mrCancel);
  side->addLayout(buttons);

  // After the button's modal result: the view is read once the modal run has ended.
  connect(SaveBitBtn, &QPushButton::clicked, this, [this] { DrawOnWholePicture(); });
  connect(TextEdit, &QLineEdit::textChanged, this, [this] { RedrawText(); });
  connect(TrackBar4, &QSlider::valueChanged, this, [this](int v) {
    QFont f = PicImage1->TextFont();
    if (v > 0) f.setPixelSize(v);
    PicImage1->SetTextFont(f);
    QSignalBlocker block(Edit2);
    Edit2->setText(QString::number(v));
    RedrawText();
  });
  connect(TrackBar1, &QSlider::valueChanged, this, [this](int v) {
    PicImage1->SetTextAngle(v * 10);
    QSignalBlocker block(Edit3);
    Edit3->setText(QString::number(v));
    RedrawText();
  });
  connect(TrackBar5, &QSlider::valueChanged, this, [this](int v) {
    PicImage1->SetShadowXDepth(v);
    PicImage1->SetShadowYDepth(v);
    QSignalBlocker block(Edit4);
    Edit4->setText(QString::number(v));
    RedrawText();
  });
  connectField(Edit2, TrackBar4);
  connectField(Edit3, TrackBar1);
  connectField(Edit4, TrackBar5);
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(BitBtn1, &QPushButton::clicked, this, [this] { BitBtn1Click(); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { ColorClick(0); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { ColorClick(1); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { ColorClick(2); });

  PicImage1->OnMouseDown = [this](TPicImage*, TPicImage::TMouseButton b, TPicImage::TShiftState, int x, int y) {
    if (b == TPicImage::mbLeft) ViewMouseDown(x, y);
  };
  PicImage1->OnMouseMove = [this](TPicImage*, TPicImage::TShiftState, int x, int y) { ViewMouseMove(x, y); };
  PicImage1->OnMouseUp = [this](TPicImage*, TPicImage::TMouseButton, TPicImage::TShiftState, int, int) {
    ViewMouseUp();
  };
}

void TTextForm::connectField(QLineEdit* edit, QSlider* bar) {
  connect(edit, &QLineEdit::textEdited, this, [edit, bar] {
    bool ok = false;
    const int v = edit->text().trimmed().toInt(&ok);
    if (ok && v >= bar->minimum() && v <= bar->maximum()) bar->setValue(v);
  });
  // Leaving the field shows the bar's number again when the typed text was refused.
  connect(edit, &QLineEdit::editingFinished, this, [edit, bar] {
    if (edit->text() != QString::number(bar->value())) edit->setText(QString::number(bar->value()));
  });
}

void TTextForm::showEvent(QShowEvent* event) {
  TForm::showEvent(event);
  FormActivate();
}

void TTextForm::FormActivate() {
  activating_ = true;
  Redraws = 0;
  FDragging = false;
  clean_ = cleanShown_ = px::Bitmap();
  if (PicImage1->IsAllocated()) px::CopyBitmap(PicImage1->Bitmap(), clean_);
  cleanShown_ = clean_;
  if (clean_.allocated() && (clean_.width > PreviewSide || clean_.height > PreviewSide)) {
    const double f = double(PreviewSide) / std::max(clean_.width, clean_.height);
    px::Bitmap small;
    if (px::CopyBitmap(clean_, small) == 1 &&
        px::SizeBitmap(small, std::max(1, int(std::lround(clean_.width * f))),
                       std::max(1, int(std::lround(clean_.height * f))), 2) == 1) {
      cleanShown_ = small;
      PicImage1->SetBitmap(&cleanShown_);
    }
  }
  PicImage1->SetTextFontColor(0x0000FF);
  PicImage1->SetTextHiliteColor(0xFFFFFF);
  PicImage1->SetShadowColor(0x000000);
  PicImage1->SetTextAlign(etaHcenterVcenter);
  const int w = PicImage1->DstWidth(), h = PicImage1->DstHeight();
  PicImage1->SetTextTop(-(h / 2));
  PicImage1->SetTextLeft(-(w / 2));
  PicImage1->SetTextWidth(w * 2);
  PicImage1->SetTextHeight(h * 2);
  FFontName = u("Arial");
  QFont f(FFontName);
  f.setPixelSize(100);
  PicImage1->SetTextFont(f);
  BitBtn1->setText(u("Schriftart: ") + FFontName);
  TrackBar4->setValue(100);
  Edit2->setText(QString::number(TrackBar4->value()));
  ComboBox1->setCurrentIndex(11);
  TrackBar1->setValue(0);
  Edit3->setText(QString::number(TrackBar1->value()));
  TrackBar5->setValue(4);
  Edit4->setText(QString::number(TrackBar5->value()));
  PicImage1->SetTextAngle(TrackBar1->value() * 10);
  PicImage1->SetShadowXDepth(TrackBar5->value());
  PicImage1->SetShadowYDepth(TrackBar5->value());
  ComboBox1Change();
  activating_ = false;
  RedrawText();
}

void TTextForm::ComboBox1Change() {
  const int index = ComboBox1->currentIndex();
  const int style = TextStyleFor(index);
  if (style < 0) return;
  PicImage1->SetTextStyle(TTextStyle(style));
  if (style == etsNormal) PicImage1->SetTextHiliteColor(PicImage1->TextFontColor());
  const bool shadow = index >= 9;
  TrackBar5->setVisible(shadow);
  Edit4->setVisible(shadow);
  SchattenabstandLabel->setVisible(shadow);
  RedrawText();
}

// Always drawn on the clean picture, so the text never piles up.
void TTextForm::RedrawText() {
  if (activating_ || !cleanShown_.allocated()) return;
  ++Redraws;
  px::Bitmap copy;
  if (px::CopyBitmap(cleanShown_, copy) != 1) return;
  try {
    PicImage1->SetBitmap(&copy);
    drawText();
  } catch (const std::exception&) {
    // The picture stays as it was handed over; the text just does not show.
  }
}

bool TTextForm::drawText() {
  const QString text = TextEdit->text();
  // An empty text or a size of 0 draws nothing.
  if (text.isEmpty() || TrackBar4->value() <= 0) {
    PicImage1->update();
    return false;
  }
  PicImage1->SetAutoRepaint(true);
  PicImage1->SetDrawPersistence(true);
  PicImage1->DrawText(text, nullptr);
  PicImage1->update();
  return true;
}

// The text's place and size are in the view's coordinates, so the whole picture (shown in the
// same place) gets the text where the reduced copy had it.
void TTextForm::DrawOnWholePicture() {
  if (!clean_.allocated() || cleanShown_.pixels == clean_.pixels) return;
  px::Bitmap copy;
  if (px::CopyBitmap(clean_, copy) != 1) return;
  try {
    PicImage1->SetBitmap(&copy);
    drawText();
  } catch (const std::exception&) {
  }
}

void TTextForm::BitBtn1Click() {
  bool ok = false;
  const QFont chosen = QFontDialog::getFont(&ok, QFont(FFontName), this, u("Schriftart"));
  if (!ok) return;
  FFontName = chosen.family();
  QFont f = PicImage1->TextFont();
  f.setFamily(FFontName);
  PicImage1->SetTextFont(f);
  BitBtn1->setText(u("Schriftart: ") + FFontName);
  RedrawText();
}

// A cancelled colour dialog keeps the colour it showed.
void TTextForm::ColorClick(int which) {
  const TColor current = which == 0   ? PicImage1->TextFontColor()
                         : which == 1 ? PicImage1->TextHiliteColor()
                                      : PicImage1->ShadowColor();
  const std::optional<QColor> answer = kalvora::CurrentPrompter().color(ColorToQColor(current));
  const TColor c = answer ? toColor(*answer) : current;
  if (which == 0)
    PicImage1->SetTextFontColor(c);
  else if (which == 1)
    PicImage1->SetTextHiliteColor(c);
  else
    PicImage1->SetShadowColor(c);
  RedrawText();
}

void TTextForm::ViewMouseDown(int x, int y) {
  FDragging = true;
  ViewMouseMove(x, y);
}

void TTextForm::ViewMouseMove(int x, int y) {
  if (!FDragging) return;
  PicImage1->SetTextTop(y - PicImage1->DstHeight());
  PicImage1->SetTextLeft(x - PicImage1->DstWidth());
  RedrawText();
}

void TTextForm::ViewMouseUp() { FDragging = false; }
